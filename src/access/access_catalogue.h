// The Access file's catalogue as the main window sees it: the names of its
// user tables for the Access list, and renaming a table. Both open the file
// with the password trimmed, unlike the statements of access_connection.h.
// The fields of one table, for a send that must leave some out, are read as
// the statements read them.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <utility>
#include <optional>
#include <string>
#include <vector>

namespace ui {
class Prompter;
class NameList;
}
namespace settings {
class ConnectionSettings;
}

namespace msaccess {

// The tables of the file at `path` whose attributes admit them (not negative,
// not exactly 1 or 2: no system or hidden tables, linked ones included), in
// catalogue order; nullopt when the file cannot be opened or read.
std::optional<QStringList> GetAccessTableNames(const QString& path, const settings::ConnectionSettings& settings);

// Clears the list and fills it from the current AccessMDBFile, first entry
// selected; "Unable to access the database" and an empty list on any failure.
void FillAccessTableList(const settings::ConnectionSettings& settings, ui::NameList& list,
                         ui::Prompter& prompter);

// Gives the table `oldName` the name `newName`, checked as CREATE TABLE checks
// names; nothing else changes. Throws DbError (not found, name taken or
// invalid, file locked, wrong password).
void RenameAccessTable(const settings::ConnectionSettings& settings, const QString& oldName,
                       const QString& newName);

// The fields of a table in the current AccessMDBFile (password untrimmed, as
// the send's SELECT opens it), in the table's order: the names of those this
// program reads, and each other one named with what it holds ("'Photos'
// (attached files)"). Throws DbError (file, password, no such table, a linked
// table).
// With them, the design of the readable fields (type codes as the engine
// keeps them) and the indexes made only of readable fields, relationships
// left out, for a send that keeps column types.
struct AccessColumnDesign {
  std::string name;
  std::uint8_t type = 0;  // jet::ColumnType
  int length = 0;         // Text: characters; others: bytes
  int precision = 0, scale = 0;  // Decimal
  bool autoNumber = false;
};
struct AccessIndexDesign {
  std::string name;
  std::vector<std::pair<std::string, bool>> columns;  // name, ascending
  bool primaryKey = false;
  bool unique = false;
};
struct AccessTableFields {
  std::vector<std::string> readable;
  QStringList unreadable;
  std::vector<AccessColumnDesign> columns;
  std::vector<AccessIndexDesign> indexes;
};
AccessTableFields GetAccessTableFields(const settings::ConnectionSettings& settings, const QString& table);

}  // namespace msaccess
