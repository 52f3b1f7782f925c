#include "transfer/send_to_mysql.h"

#include <algorithm>

#include "access/access_connection.h"
#include "settings/connection_settings.h"
#include "transfer/cell_text.h"
#include "transfer/column_plan.h"
#include "transfer/mysql_reader.h"
#include "transfer/statements.h"
#include "ui/progress.h"
#include "ui/prompter.h"

namespace transfer {
namespace {

// Rows sent between two commits: the row pass runs in transactions, far
// faster than one commit a row, and a lost connection loses at most these.
constexpr std::int64_t kRowsPerCommit = 1000;

void RunOnServer(mysql::MySqlConnection& mySql, const char* statement) {
  mySql.statementRecordset->Open(statement, *mySql.connection);
  mySql.statementRecordset->Close();
}

}  // namespace

double SendTableToMySql::GetRecordCount() const { return static_cast<double>(rowSource_->RecordCount()); }

void SendTableToMySql::OpenRowSource(const QString& name) {
  rowSource_->Open(AccessSelectStatement(name.toStdString()), *accessConnection_, dataaccess::kOpenStatic,
                   dataaccess::kLockOptimistic);
}

void SendTableToMySql::CouldNotRead(const QString& name, const dataaccess::DbError& error) {
  Failure(QStringLiteral("Could not read the Access table ") + name + QLatin1Char('.'), error);
}

bool SendTableToMySql::MeasureColumnWidths(const QString& name) {
  columnWidths_.assign(static_cast<std::size_t>(rowSource_->FieldCount()), 0);
  const auto total = static_cast<std::int64_t>(GetRecordCount());
  for (std::int64_t r = 0; r < total && !rowSource_->Eof(); ++r) {
    if (!env_.progress.Step(r, total)) return false;
    for (std::size_t j = 0; j < columnWidths_.size(); ++j) {
      std::size_t length = Utf16Length(CellText(rowSource_->Field(static_cast<int>(j)).Value()));
      columnWidths_[j] = std::max(columnWidths_[j], length);
    }
    rowSource_->MoveNext();
  }
  rowSource_->Close();
  for (std::size_t& w : columnWidths_)
    if (w == 0) w = kDefaultWidth;
  OpenRowSource(name);
  return true;
}

bool SendTableToMySql::Open(const QString& name) {
  if (!env_.progress.Phase(QStringLiteral("Opening the Access table %1...").arg(name), ui::CancelMode::kLeaveAtOnce))
    return false;
  try {
    accessConnection_ = msaccess::OpenAccessConnection(env_.settings);
    rowSource_ = std::make_unique<dataaccess::Recordset>();
    OpenRowSource(name);
  } catch (const dataaccess::DbError& error) {
    CouldNotRead(name, error);
    return false;
  }
  if (!env_.progress.Phase(QStringLiteral("Connecting to MySQL..."), ui::CancelMode::kLeaveAtOnce)) return false;
  try {
    mysql::OpenMySqlConnection(mySql_, env_.settings);
  } catch (const dataaccess::DbError& error) {
    Failure(QStringLiteral("Could not connect to MySQL."), error);
    return false;
  }
  return true;
}

bool SendTableToMySql::DropTarget(const QString& name) { return mysql::DropMySqlTable(mySql_, name, env_.prompter); }

bool SendTableToMySql::Read(const QString& name) {
  if (!env_.progress.Phase(QStringLiteral("Measuring %1...").arg(name), ui::CancelMode::kLeaveAtOnce)) return false;
  try {
    return MeasureColumnWidths(name);
  } catch (const dataaccess::DbError& error) {
    CouldNotRead(name, error);
    return false;
  }
}

bool SendTableToMySql::Create(const QString& name) {
  std::vector<TextKind> kinds = PlanMySqlColumns(columnWidths_, DatabaseBytesPerChar(*mySql_.connection));
  std::vector<TargetColumn> columns;
  for (std::size_t j = 0; j < columnWidths_.size(); ++j)
    columns.push_back({rowSource_->Field(static_cast<int>(j)).Name(), columnWidths_[j], kinds[j]});
  // Refused because it exists (not in the list), or for any other reason:
  // nothing is sent to a table this command did not create.
  return mysql::RunMySqlStatement(mySql_, QString::fromStdString(MySqlCreateTable(name.toStdString(), columns)),
                                  env_.prompter);
}

SendJob::RowPass SendTableToMySql::SendRows(const QString& name, RefusedRows& refused) {
  RowPass pass;
  pass.total = static_cast<std::int64_t>(GetRecordCount());
  const std::string table = name.toStdString();
  const int fields = rowSource_->FieldCount();
  std::int64_t committed = 0;
  std::optional<dataaccess::DbError> lost;
  std::optional<dataaccess::DbError> unreadable;
  std::vector<std::string> texts(static_cast<std::size_t>(fields));
  try {
    RunOnServer(mySql_, "START TRANSACTION");
    while (pass.done < pass.total && !rowSource_->Eof()) {
      if (!env_.progress.Step(pass.done, pass.total)) {
        pass.cancelled = true;
        break;
      }
      try {
        for (int j = 0; j < fields; ++j) texts[static_cast<std::size_t>(j)] = CellText(rowSource_->Field(j).Value());
      } catch (const dataaccess::DbError& error) {
        unreadable = error;
        break;
      }
      std::string insert = MySqlInsert(table, texts);
      try {
        mySql_.statementRecordset->Open(insert, *mySql_.connection);
        mySql_.statementRecordset->Close();
      } catch (const dataaccess::DbError& error) {
        if (error.Number() != dataaccess::kCommandError) throw;
        refused.Refused(QString::fromStdString(insert), error);
      }
      ++pass.done;
      if (pass.done % kRowsPerCommit == 0) {
        RunOnServer(mySql_, "COMMIT");
        committed = pass.done;
        RunOnServer(mySql_, "START TRANSACTION");
      }
      try {
        rowSource_->MoveNext();
      } catch (const dataaccess::DbError& error) {
        unreadable = error;
        break;
      }
    }
    // What was sent stays, whatever stopped the pass.
    RunOnServer(mySql_, "COMMIT");
    committed = pass.done;
    env_.progress.Rows(pass.done, pass.total);
  } catch (const dataaccess::DbError& error) {
    lost = error;  // the server has rolled back what was not yet committed
  }
  rowSource_->Close();
  pass.kept = (lost ? committed : pass.done) - refused.Count();
  if (lost) {
    pass.failure = FailedText(QStringLiteral("The connection to MySQL failed while sending %1: %2 of %3 rows were sent.")
                                  .arg(name)
                                  .arg(committed)
                                  .arg(pass.total),
                              *lost);
  } else if (unreadable) {
    pass.failure = FailedText(QStringLiteral("Could not read the Access table %1 after %2 of %3 rows.")
                                  .arg(name)
                                  .arg(pass.done)
                                  .arg(pass.total),
                              *unreadable);
  }
  return pass;
}

std::optional<bool> SendTableToMySql::TargetExists(const QString& name) {
  try {
    dataaccess::Recordset tables = mySql_.connection->Execute("SHOW TABLES;");
    std::string wanted = name.toStdString();
    for (; !tables.Eof(); tables.MoveNext())
      if (CellText(tables.Field(0).Value()) == wanted) return true;
    return false;
  } catch (const dataaccess::DbError&) {
    return std::nullopt;
  }
}

}  // namespace transfer
