// What the Access-side tests share: fixture copies in private folders, and
// the two independent readers (mdbtools, mdb-reader) asked what a file holds.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <vector>

namespace accesstest {

QString FixtureDir();
QString Fixture(const QString& name);
// The database password of a fixture ("password" for the protected one).
QString PasswordOf(const QString& fixture);
// Every .mdb file of the fixture folder.
QStringList FixtureNames();

// A private folder for one test, removed afterwards.
class Scratch {
 public:
  // A writable copy of a fixture in the folder, optionally under another name.
  QString Copy(const QString& fixture, const QString& as = {}) const;
  QString Path(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
};

// The user tables mdb-tables lists, sorted.
QStringList MdbToolsTables(const QString& file);
// The user tables mdb-reader lists, sorted.
QStringList MdbReaderTables(const QString& file);

// A table's rows as a reader sees them: each value as text, Null as a null QString.
using Rows = std::vector<std::vector<QString>>;
// mdbtools (mdb-json), which leaves Null and empty values out: each row as
// "column=value" for the values it writes, in column order.
Rows MdbToolsRows(const QString& file, const QString& table);
// mdb-reader.
Rows MdbReaderRows(const QString& file, const QString& table);

}  // namespace accesstest
