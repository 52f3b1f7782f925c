// The shared MySQL connection and the statement runner.
#include "mysql/mysql_connection.h"

#include "ui/prompter.h"
#include "dataaccess/error.h"
#include "mysql/messages.h"
#include "settings/connection_settings.h"

namespace mysql {

namespace {

QString Attribute(const QString& key, const QString& value) {
  if (!value.contains(QLatin1Char(';')) && !value.startsWith(QLatin1Char('{')))
    return key + QLatin1Char('=') + value + QLatin1Char(';');
  QString braced = value;
  braced.replace(QLatin1Char('}'), QStringLiteral("}}"));
  return key + QStringLiteral("={") + braced + QStringLiteral("};");
}

}  // namespace

QString BuildMySqlConnectionString(const QString& server, const QString& user, const QString& password,
                                   const QString& database, KeyOrder order) {
  QString text = QStringLiteral("DRIVER={MySQL ODBC 3.51 Driver};") + Attribute(QStringLiteral("SERVER"), server);
  if (order == KeyOrder::kShared) {
    text += Attribute(QStringLiteral("DATABASE"), database) + Attribute(QStringLiteral("USER"), user);
  } else {
    text += Attribute(QStringLiteral("USER"), user) + Attribute(QStringLiteral("DATABASE"), database);
  }
  return text + Attribute(QStringLiteral("PASSWORD"), password);
}

QString BuildMySqlConnectionString(const settings::ConnectionSettings& settings, KeyOrder order) {
  return BuildMySqlConnectionString(settings.Server(), settings.User(), settings.Password(),
                                    settings.Database(), order);
}

QString QuoteMySqlName(const QString& name) {
  QString inner = name;
  inner.replace(QLatin1Char('`'), QStringLiteral("``"));
  return QLatin1Char('`') + inner + QLatin1Char('`');
}

void OpenMySqlConnection(MySqlConnection& shared, const settings::ConnectionSettings& settings) {
  shared.connection = std::make_unique<dataaccess::Connection>();
  shared.statementRecordset = std::make_unique<dataaccess::Recordset>();
  shared.connection->SetCursorLocation(dataaccess::kUseClient);
  shared.connection->Open(BuildMySqlConnectionString(settings, KeyOrder::kShared).toStdString());
}

bool RunMySqlStatement(MySqlConnection& shared, const QString& statement, ui::Prompter& prompter) {
  try {
    if (!shared.connection || !shared.statementRecordset)
      throw dataaccess::DbError(dataaccess::kClientFailure, "The MySQL connection has not been opened.");
    shared.statementRecordset->Open(statement.toStdString(), *shared.connection, dataaccess::kOpenStatic,
                                    dataaccess::kLockOptimistic);
    shared.statementRecordset->Close();  // in case the statement returned rows after all
    return true;
  } catch (const dataaccess::DbError& error) {
    if (error.Number() == dataaccess::kCommandError) {
      prompter.ShowMessage(QStringLiteral("What happened?: ") + statement);
      prompter.ShowMessage(UnforeseenErrorReport(error));
    } else {
      prompter.ShowMessage(FailureMessage(error));
    }
    return false;
  }
}

bool DropMySqlTable(MySqlConnection& shared, const QString& name, ui::Prompter& prompter) {
  return RunMySqlStatement(shared, QStringLiteral("DROP TABLE ") + QuoteMySqlName(name), prompter);
}

}  // namespace mysql
