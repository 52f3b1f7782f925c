// Statements against the Access file, one connection each.
#include "access/access_connection.h"

#include "dataaccess/error.h"
#include "dataaccess/recordset.h"
#include "jet/error.h"
#include "jet/write/database_writer.h"
#include "settings/connection_settings.h"

namespace msaccess {

namespace {

QString Value(const QString& value) {
  if (!value.contains(QLatin1Char(';')) && !value.startsWith(QLatin1Char('"')) &&
      !value.startsWith(QLatin1Char('\'')))
    return value;
  QString quoted = value;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

QString BuildAccessConnectionString(const QString& path, const QString& password) {
  return QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=") + Value(path) +
         QStringLiteral(";JET OLEDB:Database Password=") + Value(password);
}

QString BuildAccessConnectionString(const settings::ConnectionSettings& settings) {
  return BuildAccessConnectionString(settings.AccessMDBFile(), settings.AccessPassword());
}

std::unique_ptr<dataaccess::Connection> OpenAccessConnection(const settings::ConnectionSettings& settings) {
  auto connection = std::make_unique<dataaccess::Connection>();
  connection->SetCursorLocation(dataaccess::kUseServer);
  connection->SetMode(dataaccess::kModeReadWrite);
  connection->Open(BuildAccessConnectionString(settings).toStdString());
  return connection;
}

void ExecuteAccessStatement(const settings::ConnectionSettings& settings, const QString& statement) {
  ExecuteAccessStatement(settings, statement.toStdString());
}

void ExecuteAccessStatement(const settings::ConnectionSettings& settings, const std::string& statement) {
  std::unique_ptr<dataaccess::Connection> connection = OpenAccessConnection(settings);
  dataaccess::Recordset result;
  result.Open(statement, *connection, dataaccess::kOpenStatic, dataaccess::kLockOptimistic);
}

void SyncAccessFile(const QString& path) {
  try {
    jet::SyncDatabase(path.toStdString());
  } catch (const jet::Error& failure) {
    throw dataaccess::DbError(failure.Number(), failure.Description());
  }
}

void SyncAccessFile(dataaccess::Connection& connection) { connection.Session().Sync(); }

QString TrimmedAccessPassword(const settings::ConnectionSettings& settings) {
  QString password = settings.AccessPassword();
  qsizetype start = 0;
  qsizetype end = password.size();
  while (start < end && password[start] == QLatin1Char(' ')) ++start;
  while (end > start && password[end - 1] == QLatin1Char(' ')) --end;
  return password.mid(start, end - start);
}

}  // namespace msaccess
