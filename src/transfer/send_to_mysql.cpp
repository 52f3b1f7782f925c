#include "transfer/send_to_mysql.h"

#include <algorithm>
#include <variant>

#include "access/access_catalogue.h"
#include "access/access_connection.h"
#include "settings/connection_settings.h"
#include "transfer/cell_text.h"
#include "transfer/column_plan.h"
#include "transfer/mysql_batch.h"
#include "transfer/mysql_reader.h"
#include "transfer/statements.h"
#include "ui/progress.h"
#include "ui/prompter.h"

namespace transfer {
namespace {

// Rows sent between two commits: the row pass runs in transactions, far
// faster than one commit a row, and a lost connection loses at most these.
constexpr std::int64_t kRowsPerCommit = 1000;

}  // namespace

bool SendTableToMySql::ChooseFields(const QString& name) {
  msaccess::AccessTableFields fields = msaccess::GetAccessTableFields(env_.settings, name);
  fields_.clear();
  if (fields.unreadable.isEmpty()) return true;
  const QString which = fields.unreadable.join(QStringLiteral(", "));
  if (fields.readable.empty()) {
    env_.prompter.ShowMessage(QStringLiteral("The table ") + name +
                              QStringLiteral(" holds only fields this program cannot read: ") + which +
                              QStringLiteral(". Nothing was sent."));
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

void SendTableToMySql::OpenRowSource(const QString& name) {
  rowSource_->Open(AccessSelectStatement(name.toStdString(), fields_), *accessConnection_, dataaccess::kOpenStatic,
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
    if (!ChooseFields(name)) return false;
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
  MySqlBatch batch(*mySql_.connection, [&](const std::string& statement, const dataaccess::DbError& error) {
    refused.Refused(QString::fromStdString(statement), error);
  });
  std::optional<dataaccess::DbError> stopped;
  std::optional<dataaccess::DbError> unreadable;
  std::vector<std::string> texts(static_cast<std::size_t>(fields));
  try {
    const std::size_t packetLimit = MaxAllowedPacket(*mySql_.connection);
    batch.Begin();
    while (pass.done < pass.total && !rowSource_->Eof()) {
      if (!env_.progress.Step(pass.done, pass.total)) {
        pass.cancelled = true;
        break;
      }
      QString unsendable;
      try {
        for (int j = 0; j < fields; ++j) {
          const dataaccess::Value& value = rowSource_->Field(j).Value();
          if (const char* what = NonFiniteName(value); what && unsendable.isEmpty())
            unsendable = QStringLiteral("Row %1, column %2, holds %3, which MySQL cannot store.")
                             .arg(pass.done + 1)
                             .arg(QString::fromStdString(rowSource_->Field(j).Name()), QLatin1String(what));
          texts[static_cast<std::size_t>(j)] = CellText(value);
        }
      } catch (const dataaccess::DbError& error) {
        unreadable = error;
        break;
      }
      std::string insert = MySqlInsert(table, texts);
      // The server would drop the connection for a longer statement.
      if (unsendable.isEmpty() && insert.size() + 1 > packetLimit)
        unsendable = QStringLiteral("Row %1 needs an INSERT statement of %2 bytes, more than the server's "
                                    "max_allowed_packet of %3 bytes.")
                         .arg(pass.done + 1)
                         .arg(insert.size())
                         .arg(packetLimit);
      if (unsendable.isEmpty())
        batch.Send(std::move(insert));
      else
        refused.Refused(unsendable);
      ++pass.done;
      if (pass.done % kRowsPerCommit == 0) {
        batch.Commit();
        batch.Begin();
      }
      try {
        rowSource_->MoveNext();
      } catch (const dataaccess::DbError& error) {
        unreadable = error;
        break;
      }
    }
    // What was sent stays, whatever stopped the pass.
    batch.Commit();
    env_.progress.Rows(pass.done, pass.total);
  } catch (const dataaccess::DbError& error) {
    stopped = error;  // the server has rolled back what was not yet committed
  }
  rowSource_->Close();
  pass.kept = stopped ? batch.RowsCommitted() : pass.done - refused.Count();
  if (stopped) {
    pass.failure = FailedText(QStringLiteral("Sending %1 to MySQL stopped after %2 of %3 rows; %4 rows are on the server.")
                                  .arg(name)
                                  .arg(pass.done)
                                  .arg(pass.total)
                                  .arg(batch.RowsCommitted()),
                              *stopped);
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

std::int64_t SendTableToMySql::CountTargetRows(const QString& name) {
  dataaccess::Recordset count =
      mySql_.connection->Execute("SELECT COUNT(*) FROM " + QuoteMySqlIdentifier(name.toStdString()));
  return std::get<std::int64_t>(count.Field(0).Value());
}

}  // namespace transfer
