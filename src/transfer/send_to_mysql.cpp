#include "transfer/send_to_mysql.h"

#include <algorithm>

#include "ui/main_module.h"
#include "ui/mouse_pointer.h"
#include "ui/prompter.h"
#include "ui/table_list.h"
#include "mysql/mysql_connection.h"
#include "settings/connection_settings.h"
#include "access/access_catalogue.h"
#include "access/access_connection.h"
#include "transfer/cell_text.h"
#include "transfer/column_plan.h"
#include "transfer/mysql_reader.h"
#include "transfer/progress.h"
#include "transfer/statements.h"

namespace transfer {
namespace {

// Rows sent between two commits: the row pass runs in transactions, far
// faster than one commit a row, and a lost connection loses at most these.
constexpr std::int64_t kRowsPerCommit = 1000;

std::optional<bool> MySqlTableExists(mysql::MySqlConnection& shared, const QString& name) {
  try {
    dataaccess::Recordset tables = shared.connection->Execute("SHOW TABLES;");
    std::string wanted = name.toStdString();
    for (; !tables.Eof(); tables.MoveNext())
      if (CellText(tables.Field(0).Value()) == wanted) return true;
    return false;
  } catch (const dataaccess::DbError&) {
    return std::nullopt;
  }
}

void RunOnServer(mysql::MySqlConnection& shared, const char* statement) {
  shared.statementRecordset->Open(statement, *shared.connection);
  shared.statementRecordset->Close();
}

}  // namespace

void SendTableToMySql::Run() {
  if (running_) return;
  RunningFlag running(running_);
  Send();
}

QString SendTableToMySql::GetTableSQLString() const {
  return QString::fromStdString(
      AccessSelectStatement(env_.accessList.List(env_.accessList.ListIndex()).toStdString(), fields_));
}

bool SendTableToMySql::ChooseFields(const QString& name) {
  msaccess::AccessTableFields fields = msaccess::GetAccessTableFields(env_.settings, name);
  fields_.clear();
  if (fields.unreadable.isEmpty()) return true;
  const QString which = fields.unreadable.join(QStringLiteral(", "));
  if (fields.readable.empty()) {
    env_.prompter.ShowMessage(QStringLiteral("The table ") + name + QStringLiteral(" holds only fields this program cannot read: ") +
                              which + QStringLiteral(". Nothing was sent."));
    return false;
  }
  if (!env_.prompter.AskYesNo(QStringLiteral("The table ") + name +
                                  QStringLiteral(" holds fields this program cannot read: ") + which +
                                  QStringLiteral(". Send it to MySQL without them?"),
                              QStringLiteral("Leave fields out?")))
    return false;
  fields_ = std::move(fields.readable);
  return true;
}

double SendTableToMySql::GetRecordCount() const { return static_cast<double>(rowSource_->RecordCount()); }

void SendTableToMySql::OpenRowSource() {
  rowSource_->Open(GetTableSQLString().toStdString(), *accessConnection_, dataaccess::kOpenStatic,
                   dataaccess::kLockOptimistic);
}

void SendTableToMySql::MeasureColumnWidths() {
  columnWidths_.assign(static_cast<std::size_t>(rowSource_->FieldCount()), 0);
  auto last = static_cast<std::int64_t>(GetRecordCount());
  for (std::int64_t r = 0; r < last && !rowSource_->Eof(); ++r) {
    for (std::size_t j = 0; j < columnWidths_.size(); ++j) {
      std::size_t length = Utf16Length(CellText(rowSource_->Field(static_cast<int>(j)).Value()));
      columnWidths_[j] = std::max(columnWidths_[j], length);
    }
    rowSource_->MoveNext();
  }
  rowSource_->Close();
  for (std::size_t& w : columnWidths_)
    if (w == 0) w = kDefaultWidth;
  OpenRowSource();
}

void SendTableToMySql::Send() {
  ui::Prompter& prompter = env_.prompter;
  if (env_.accessList.ListIndex() == -1) {
    prompter.ShowMessage(QStringLiteral("Please select a table to insert"));
    return;
  }
  QString name = env_.accessList.List(env_.accessList.ListIndex());
  // Each run replaces the previous run's connection and row source.
  rowSource_.reset();
  accessConnection_.reset();
  try {
    accessConnection_ = msaccess::OpenAccessConnection(env_.settings);
    if (!ChooseFields(name)) return;
    rowSource_ = std::make_unique<dataaccess::Recordset>();
    OpenRowSource();
  } catch (const dataaccess::DbError& error) {
    prompter.ShowMessage(FailedText(QStringLiteral("Could not read the Access table ") + name + QLatin1Char('.'), error));
    return;
  }
  try {
    mysql::OpenMySqlConnection(env_.mySql, env_.settings);
  } catch (const dataaccess::DbError& error) {
    prompter.ShowMessage(FailedText(QStringLiteral("Could not connect to MySQL."), error));
    return;
  }
  if (ui::ListContains(name, env_.mySqlList)) {
    if (!prompter.AskYesNo(QStringLiteral("Would you like to overwrite ") + name + QLatin1Char('?'),
                           QStringLiteral("Overwrite?")))
      return;
    bool dropped = mysql::DropMySqlTable(env_.mySql, name, prompter);
    if (!dropped) {
      ShowWhenExists(env_.mySqlList, name, MySqlTableExists(env_.mySql, name));
      return;
    }
    ui::RemoveListItem(env_.mySqlList, name);
  }

  ui::ArrowOnExit pointer(env_.window);
  pointer.SetHourglass();
  try {
    MeasureColumnWidths();
  } catch (const dataaccess::DbError& error) {
    prompter.ShowMessage(FailedText(QStringLiteral("Could not read the Access table ") + name + QLatin1Char('.'), error));
    return;
  }
  std::vector<TextKind> kinds = PlanMySqlColumns(columnWidths_, DatabaseBytesPerChar(*env_.mySql.connection));
  std::vector<TargetColumn> columns;
  for (std::size_t j = 0; j < columnWidths_.size(); ++j)
    columns.push_back({rowSource_->Field(static_cast<int>(j)).Name(), columnWidths_[j], kinds[j]});
  QString create = QString::fromStdString(MySqlCreateTable(name.toStdString(), columns));
  if (!mysql::RunMySqlStatement(env_.mySql, create, prompter)) {
    // Refused because it exists (not in the list), or for any other reason:
    // nothing is sent to a table this command did not create.
    ShowWhenExists(env_.mySqlList, name, MySqlTableExists(env_.mySql, name));
    return;
  }
  SendRows(name);
  rowSource_->Close();
  env_.mySqlList.AddItem(name);
}

void SendTableToMySql::SendRows(const QString& name) {
  ui::Prompter& prompter = env_.prompter;
  mysql::MySqlConnection& shared = env_.mySql;
  const auto total = static_cast<std::int64_t>(GetRecordCount());
  const std::string table = name.toStdString();
  const int fields = rowSource_->FieldCount();
  RefusedRows refused(prompter);
  std::int64_t done = 0;
  std::int64_t committed = 0;
  bool cancelled = false;
  std::optional<dataaccess::DbError> lost;
  std::optional<dataaccess::DbError> unreadable;
  {
    ProgressScope progress(env_.progress, QStringLiteral("Sending ") + name + QStringLiteral(" to MySQL"), total);
    std::vector<std::string> texts(static_cast<std::size_t>(fields));
    try {
      RunOnServer(shared, "START TRANSACTION");
      for (; done < total && !rowSource_->Eof();) {
        try {
          for (int j = 0; j < fields; ++j) texts[static_cast<std::size_t>(j)] = CellText(rowSource_->Field(j).Value());
        } catch (const dataaccess::DbError& error) {
          unreadable = error;
          break;
        }
        std::string insert = MySqlInsert(table, texts);
        try {
          shared.statementRecordset->Open(insert, *shared.connection);
          shared.statementRecordset->Close();
        } catch (const dataaccess::DbError& error) {
          if (error.Number() != dataaccess::kCommandError) throw;
          refused.Refused(QString::fromStdString(insert), error);
        }
        ++done;
        if (done % kRowsPerCommit == 0) {
          RunOnServer(shared, "COMMIT");
          committed = done;
          RunOnServer(shared, "START TRANSACTION");
        }
        try {
          rowSource_->MoveNext();
        } catch (const dataaccess::DbError& error) {
          unreadable = error;
          break;
        }
        if (!progress.Step(done)) {
          cancelled = true;
          break;
        }
      }
      // What was sent stays, whatever stopped the pass.
      RunOnServer(shared, "COMMIT");
      committed = done;
    } catch (const dataaccess::DbError& error) {
      lost = error;  // the server has rolled back what was not yet committed
    }
  }
  if (lost) {
    prompter.ShowMessage(FailedText(QStringLiteral("The connection to MySQL failed while sending %1: %2 of %3 rows were sent.")
                                        .arg(name)
                                        .arg(committed)
                                        .arg(total),
                                    *lost));
  } else if (unreadable) {
    prompter.ShowMessage(FailedText(QStringLiteral("Could not read the Access table %1 after %2 of %3 rows.")
                                        .arg(name)
                                        .arg(done)
                                        .arg(total),
                                    *unreadable));
  }
  refused.ReportCount(name, total);
  if (cancelled) prompter.ShowMessage(CancelledText(done, total));
}

}  // namespace transfer
