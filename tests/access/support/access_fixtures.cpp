#include "access_fixtures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

namespace accesstest {

namespace {

QByteArray Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    ADD_FAILURE() << program.toStdString() << " " << arguments.join(' ').toStdString() << " failed: "
                  << process.readAllStandardError().toStdString();
    return {};
  }
  return process.readAllStandardOutput();
}

QString ReadScript() { return QStringLiteral(TABLORIA_SOURCE_DIR "/tests/oracles/read.mjs"); }

QString Text(const QJsonValue& value) {
  if (value.isNull() || value.isUndefined()) return QString();
  if (value.isString()) return value.toString();
  if (value.isBool()) return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
  if (value.isDouble()) return QString::number(value.toDouble(), 'g', 17);
  return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
}

}  // namespace

QString FixtureDir() {
  QString env = qEnvironmentVariable("TABLORIA_FIXTURES");
  return env.isEmpty() ? QStringLiteral("/work/shared/fixtures/mdb") : env;
}

QString Fixture(const QString& name) { return FixtureDir() + QLatin1Char('/') + name; }

QString PasswordOf(const QString& fixture) {
  return fixture == QLatin1String("passwordV2000.mdb") ? QStringLiteral("password") : QString();
}

QStringList FixtureNames() { return QDir(FixtureDir()).entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name); }

QString Scratch::Copy(const QString& fixture, const QString& as) const {
  QString to = dir_.filePath(as.isEmpty() ? fixture : as);
  QFile::remove(to);
  if (!QFile::copy(Fixture(fixture), to)) ADD_FAILURE() << "cannot copy " << fixture.toStdString();
  QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
  return to;
}

QStringList MdbToolsTables(const QString& file) {
  QStringList names = QString::fromUtf8(Run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), file}))
                          .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  names.sort();
  return names;
}

QStringList MdbReaderTables(const QString& file) {
  QJsonArray tables = QJsonDocument::fromJson(Run(QStringLiteral("node"), {ReadScript(), file})).object()[QStringLiteral("tables")].toArray();
  QStringList names;
  for (const QJsonValue& name : tables) names << name.toString();
  names.sort();
  return names;
}

Rows MdbToolsRows(const QString& file, const QString& table) {
  Rows rows;
  const QList<QByteArray> lines = Run(QStringLiteral("mdb-json"), {file, table}).split('\n');
  for (const QByteArray& line : lines) {
    if (line.trimmed().isEmpty()) continue;
    QJsonObject object = QJsonDocument::fromJson(line).object();
    std::vector<QString> row;
    for (auto it = object.begin(); it != object.end(); ++it) row.push_back(it.key() + QLatin1Char('=') + Text(it.value()));
    rows.push_back(row);
  }
  return rows;
}

Rows MdbReaderRows(const QString& file, const QString& table) {
  QJsonObject result = QJsonDocument::fromJson(Run(QStringLiteral("node"), {ReadScript(), file, QString(), table})).object();
  Rows rows;
  for (const QJsonValue& row : result[QStringLiteral("rows")].toArray()) {
    std::vector<QString> values;
    for (const QJsonValue& value : row.toArray()) values.push_back(Text(value));
    rows.push_back(values);
  }
  return rows;
}

}  // namespace accesstest
