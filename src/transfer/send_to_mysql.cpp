#include "transfer/send_to_mysql.h"

#include <algorithm>
#include <functional>
#include <variant>

#include "access/access_catalogue.h"
#include "access/access_connection.h"
#include "access/access_widths.h"
#include "jet/text_codec.h"
#include "settings/connection_settings.h"
#include "transfer/cell_text.h"
#include "transfer/column_plan.h"
#include "transfer/kept_types.h"
#include "transfer/mysql_batch.h"
#include "transfer/mysql_reader.h"
#include "transfer/row_group.h"
#include "transfer/statements.h"
#include "ui/progress.h"
#include "ui/prompter.h"

namespace transfer {
namespace {

// Rows sent between two commits: the row pass runs in transactions, far
// faster than one commit a row, and a lost connection loses at most these.
constexpr std::int64_t kRowsPerCommit = 1000;

// Rows go many to a statement only into a table with transactions: there a
// refused INSERT leaves none of its rows behind to be sent twice when they
// go again one by one. A server that cannot answer the question gets one
// row a statement, which is right on any engine.
bool KeepsTransactions(dataaccess::Connection& mySql, const std::string& table) {
  try {
    dataaccess::Recordset answer = mySql.Execute(MySqlTableTransactions(table));
    if (answer.Eof()) return false;
    const auto* yes = std::get_if<std::string>(&answer.Field(0).Value());
    return yes != nullptr && *yes == "YES";
  } catch (const dataaccess::DbError&) {
    return false;
  }
}

}  // namespace

bool SendTableToMySql::ChooseFields(const QString& name) {
  msaccess::AccessTableFields fields = msaccess::GetAccessTableFields(env_.settings, name);
  fields_.clear();
  design_ = std::move(fields.columns);
  keys_ = std::move(fields.indexes);
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
  std::optional<std::vector<std::size_t>> widths = msaccess::LongestAccessValues(
      env_.settings, name, fields_, [](const dataaccess::Value& value) { return jet::Utf16Length(CellText(value)); },
      [&](std::int64_t done, std::int64_t total) { return env_.progress.Step(done, total); });
  if (!widths) return false;
  columnWidths_ = std::move(*widths);
  for (std::size_t& w : columnWidths_)
    if (w == 0) w = kDefaultWidth;
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
  if (keepTypes_) return true;  // the design gives every column its type
  if (!env_.progress.Phase(QStringLiteral("Measuring %1...").arg(name), ui::CancelMode::kLeaveAtOnce)) return false;
  try {
    return MeasureColumnWidths(name);
  } catch (const dataaccess::DbError& error) {
    CouldNotRead(name, error);
    return false;
  }
}

bool SendTableToMySql::Create(const QString& name) {
  if (keepTypes_) {
    dataaccess::Connection& server = *mySql_.connection;
    const std::string create =
        MySqlKeptCreateTable(name.toStdString(), design_, keys_, DatabaseBytesPerChar(server));
    try {
      server.Execute("SET SESSION innodb_strict_mode = OFF");
    } catch (const dataaccess::DbError&) {
      // A server without InnoDB has no such limit to relax.
    }
    return mysql::RunMySqlStatement(mySql_, QString::fromStdString(create), env_.prompter);
  }
  std::vector<TextKind> kinds = PlanMySqlColumns(columnWidths_, DatabaseBytesPerChar(*mySql_.connection));
  std::vector<TargetColumn> columns;
  for (std::size_t j = 0; j < columnWidths_.size(); ++j)
    columns.push_back({rowSource_->Field(static_cast<int>(j)).Name(), columnWidths_[j], kinds[j]});
  // Refused because it exists (not in the list), or for any other reason:
  // nothing is sent to a table this command did not create.
  return mysql::RunMySqlStatement(mySql_, QString::fromStdString(MySqlCreateTable(name.toStdString(), columns)),
                                  env_.prompter);
}

// Runs on the reading thread, which alone uses the row source meanwhile.
ReadAhead<SendTableToMySql::ReadRow>::Produce SendTableToMySql::RowReader(const std::string& table,
                                                                         std::int64_t total, bool lines) {
  auto texts = std::make_shared<std::vector<std::string>>(static_cast<std::size_t>(rowSource_->FieldCount()));
  return [this, table, total, lines, texts, made = std::int64_t{0}, ended = false](ReadRow& row) mutable {
    if (ended || made >= total) return false;
    try {
      if (made > 0) rowSource_->MoveNext();
      if (rowSource_->Eof()) return false;
      for (std::size_t j = 0; j < texts->size(); ++j) {
        const dataaccess::Field& field = rowSource_->Field(static_cast<int>(j));
        const dataaccess::Value& value = field.Value();
        if (const char* what = NonFiniteName(value); what && row.unsendable.isEmpty())
          row.unsendable = QStringLiteral("Row %1, column %2, holds %3, which MySQL cannot store.")
                               .arg(made + 1)
                               .arg(QString::fromStdString(field.Name()), QLatin1String(what));
        (*texts)[j] = keepTypes_ ? MySqlLiteral(value) : CellText(value);
      }
    } catch (const dataaccess::DbError& error) {
      row.unreadable = error;
      ended = true;
      return true;
    }
    row.insert = keepTypes_ ? MySqlInsertLiterals(table, *texts) : MySqlInsert(table, *texts);
    if (lines) AppendMySqlLoadLine(row.line, *texts);
    ++made;
    return true;
  };
}

SendJob::RowPass SendTableToMySql::SendRows(const QString& name, RefusedRows& refused) {
  RowPass pass;
  pass.total = static_cast<std::int64_t>(GetRecordCount());
  const std::string table = name.toStdString();
  MySqlBatch batch(*mySql_.connection, [&](const std::string& statement, const dataaccess::DbError& error) {
    refused.Refused(QString::fromStdString(statement), error);
  });
  std::optional<dataaccess::DbError> stopped;
  std::optional<dataaccess::DbError> unreadable;
  std::optional<RowGroup> group;
  // Sends the rows read so far. After a refused row's message, Cancel stops
  // the rest of them, as it would stop the rows after it sent one by one;
  // a Cancel heard before they were sent lets them go, as it would have.
  bool stoppedInGroup = false;
  auto sendGroup = [&] {
    if (!group || group->Empty()) return;
    const bool cancelledBefore = pass.cancelled;
    const std::size_t rows = group->Rows();
    const std::size_t handled =
        group->SendThrough(batch, [&] { return cancelledBefore || !env_.progress.Cancelled(); });
    if (handled == rows) return;
    pass.done -= static_cast<std::int64_t>(rows - handled);
    pass.cancelled = stoppedInGroup = true;
  };
  try {
    const std::size_t packetLimit = MaxAllowedPacket(*mySql_.connection);
    const bool together = KeepsTransactions(*mySql_.connection, table);
    // Typed literals have no load text that surely gives the same values.
    const bool loads = together && !keepTypes_;
    std::vector<std::string> columns;
    for (int j = 0; j < rowSource_->FieldCount(); ++j) columns.push_back(rowSource_->Field(j).Name());
    group.emplace(MySqlInsertPrefix(table).size(), loads ? MySqlLoadData(table, columns) : std::string());
    // An AutoNumber of 0 is a value like any other.
    if (keepTypes_)
      mySql_.connection->Execute("SET SESSION sql_mode = CONCAT_WS(',', @@SESSION.sql_mode, 'NO_AUTO_VALUE_ON_ZERO')");
    batch.Begin();
    // The next rows are read and their statements built while the server
    // takes the ones before.
    std::optional<ReadAhead<ReadRow>> reader;
    reader.emplace(kRowsPerCommit, kReadAheadBytes, RowReader(table, pass.total, loads));
    while (pass.done < pass.total) {
      if (!env_.progress.Step(pass.done, pass.total)) {
        pass.cancelled = true;
        break;
      }
      ReadRow row;
      if (!reader->Next(row)) break;
      if (row.unreadable) {
        unreadable = row.unreadable;
        break;
      }
      QString& unsendable = row.unsendable;
      std::string& insert = row.insert;
      // The server would drop the connection for a longer statement.
      if (unsendable.isEmpty() && insert.size() + 1 > packetLimit)
        unsendable = QStringLiteral("Row %1 needs an INSERT statement of %2 bytes, more than the server's "
                                    "max_allowed_packet of %3 bytes.")
                         .arg(pass.done + 1)
                         .arg(insert.size())
                         .arg(packetLimit);
      if (!unsendable.isEmpty()) {
        // Its message comes after those of the rows before it.
        sendGroup();
        if (stoppedInGroup) break;
        refused.Refused(unsendable);
      } else if (!together) {
        batch.Send(std::move(insert));
      } else {
        if (group->BytesWith(insert) + 1 > packetLimit) sendGroup();
        if (stoppedInGroup) break;
        group->Add(std::move(insert), row.line);
      }
      ++pass.done;
      if (pass.done % kRowsPerCommit == 0) {
        sendGroup();
        if (stoppedInGroup) break;
        batch.Commit();
        batch.Begin();
      }
    }
    reader.reset();  // no more rows are read for a pass that stopped
    // What was sent stays, whatever stopped the pass.
    sendGroup();
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

std::vector<std::string> SendTableToMySql::ComparedColumns() const {
  std::vector<std::string> names;
  if (keepTypes_)
    for (const msaccess::AccessColumnDesign& column : design_) names.push_back(column.name);
  return names;
}

std::unique_ptr<ComparableRows> SendTableToMySql::ComparisonRows(const QString& name, bool source) {
  auto rows = std::make_unique<dataaccess::Recordset>();
  if (!source) {
    rows->Open(MySqlSelectColumns(name.toStdString(), ComparedColumns()), *mySql_.connection,
               dataaccess::kOpenForwardOnly, dataaccess::kLockReadOnly);
    return RecordsetComparableRows(std::move(rows));
  }
  std::unique_ptr<dataaccess::Connection> file = msaccess::OpenAccessConnection(env_.settings);
  rows->Open(AccessSelectStatement(name.toStdString(), fields_), *file, dataaccess::kOpenStatic,
             dataaccess::kLockOptimistic);
  return RecordsetComparableRows(std::move(rows), std::move(file));
}

}  // namespace transfer
