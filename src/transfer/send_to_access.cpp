#include "transfer/send_to_access.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "access/access_catalogue.h"
#include "access/access_connection.h"
#include "jet/file.h"
#include "settings/connection_settings.h"
#include "transfer/column_plan.h"
#include "transfer/column_widths.h"
#include "transfer/mysql_reader.h"
#include "ui/progress.h"
#include "ui/prompter.h"

namespace transfer {

SendTableToAccess::SendTableToAccess(CommandEnvironment environment) : SendJob(environment) {}

SendTableToAccess::~SendTableToAccess() {
  if (!wrote_) return;
  try {
    msaccess::SyncAccessFile(*access_);
  } catch (const dataaccess::DbError& error) {
    // A save that fails after a failed write, most often for the same cause
    // (the file replaced, the disk full), adds nothing the user was not told.
    if (!writeFailed_)
      env_.prompter.ShowMessage(FailedText(QStringLiteral("Could not save the changes to the Access file."), error));
  }
}

void SendTableToAccess::CouldNotRead(const QString& name, const dataaccess::DbError& error) {
  Failure(QStringLiteral("Could not read the MySQL table ") + name + QLatin1Char('.'), error);
}

void SendTableToAccess::RunOnAccess(const std::string& statement) {
  if (!access_) access_ = msaccess::OpenAccessConnection(env_.settings);
  dataaccess::Recordset result;
  result.Open(statement, *access_, dataaccess::kOpenStatic, dataaccess::kLockOptimistic);
}

bool SendTableToAccess::Open(const QString& name) {
  if (!env_.progress.Phase(QStringLiteral("Connecting to MySQL..."), ui::CancelMode::kLeaveAtOnce)) return false;
  try {
    mysql::OpenMySqlConnection(mySql_, env_.settings);
  } catch (const dataaccess::DbError& error) {
    Failure(QStringLiteral("Could not connect to MySQL."), error);
    return false;
  }
  try {
    columnNames_ = DescribeMySqlTable(*mySql_.connection, name.toStdString());
  } catch (const dataaccess::DbError& error) {
    CouldNotRead(name, error);
    return false;
  }
  if (columnNames_.size() > kMaxAccessColumns) {
    env_.prompter.ShowMessage(QStringLiteral("The MySQL table %1 has %2 columns; an Access table can have at most %3.")
                                  .arg(name)
                                  .arg(columnNames_.size())
                                  .arg(kMaxAccessColumns));
    return false;
  }
  return true;
}

bool SendTableToAccess::DropTarget(const QString& name) {
  try {
    RunOnAccess(AccessDropTable(name.toStdString()));
  } catch (const dataaccess::DbError& error) {
    Failure(QStringLiteral("Could not drop the Access table ") + name + QLatin1Char('.'), error);
    return false;
  }
  wrote_ = true;
  return true;
}

bool SendTableToAccess::Read(const QString& name) {
  ui::Progress& progress = env_.progress;
  if (!progress.Phase(QStringLiteral("Reading %1...").arg(name), ui::CancelMode::kLeaveAtOnce)) return false;
  ColumnWidths widths(columnNames_.size());
  try {
    if (keepTypes_) kept_ = PlanKeptAccessTable(*mySql_.connection, name.toStdString());
    // Both reads see the table as it stands now (one with transactions).
    mySql_.connection->Execute("START TRANSACTION WITH CONSISTENT SNAPSHOT");
    // The server drops a reader that stops taking rows for this long; the
    // second read waits for the Access file and for the user's answers.
    mySql_.connection->Execute("SET SESSION net_write_timeout = 3600");
    MySqlRowStream rows(*mySql_.connection, name.toStdString(), columnNames_);
    std::vector<std::optional<std::string_view>> cells;
    while (rows.Next(cells)) {
      if (!keepTypes_) widths.Measure(cells);
      if (!progress.Step(++rowsRead_, ui::kUnknownTotal)) return false;
    }
  } catch (const dataaccess::DbError& error) {
    CouldNotRead(name, error);
    return false;
  }
  if (keepTypes_) return true;  // the plan gives every column its type
  std::vector<std::size_t> measured = widths.Widths();
  std::optional<std::vector<TextKind>> kinds = PlanAccessColumns(measured);
  if (!kinds) {
    env_.prompter.ShowMessage(
        QStringLiteral("The rows of %1 are too wide for an Access table, even with the widest columns as memo.")
            .arg(name));
    return false;
  }
  for (std::size_t j = 0; j < measured.size(); ++j) columns_.push_back({columnNames_[j], measured[j], (*kinds)[j]});
  return true;
}

bool SendTableToAccess::Create(const QString& name) {
  const std::string table = name.toStdString();
  try {
    if (!keepTypes_) {
      RunOnAccess(AccessCreateTable(table, columns_));
    } else {
      for (const std::string& statement : AccessKeptCreateStatements(table, kept_)) {
        RunOnAccess(statement);
        wrote_ = true;
      }
    }
  } catch (const dataaccess::DbError& error) {
    Failure(QStringLiteral("Could not create the Access table ") + name + QLatin1Char('.'), error);
    return false;
  }
  wrote_ = true;
  return true;
}

namespace {

// Another program waiting for the file polls its lock at the engine's retry
// interval; a pause that long, once a second, lets it in between batches.
constexpr auto kBatchTime = std::chrono::seconds(1);
constexpr auto kPauseForOthers = jet::kLockRetryInterval + std::chrono::milliseconds(5);

}  // namespace

SendJob::RowPass SendTableToAccess::SendRows(const QString& name, RefusedRows& refused) {
  using Clock = std::chrono::steady_clock;
  RowPass pass;
  pass.total = rowsRead_;
  const std::string table = name.toStdString();
  dataaccess::EngineSession& file = access_->Session();
  std::int64_t durable = 0;         // rows done when the last batch became durable
  std::int64_t refusedDurable = 0;  // of which refused
  Clock::time_point batchStart;
  Clock::time_point lastPause = Clock::now();
  auto commit = [&] {
    file.CommitBatch();
    durable = pass.done;
    refusedDurable = refused.Count();
  };
  // A failure of the file: the rows of an open batch are kept when it can
  // still be committed; a batch the failure undid took its rows with it.
  auto stop = [&](const QString& what, const dataaccess::DbError& error, bool fileFailed) {
    writeFailed_ = writeFailed_ || fileFailed;
    if (file.InBatch()) {
      try {
        commit();
      } catch (const dataaccess::DbError&) {
        // Told below: the rows count only what is in the file.
      }
    }
    pass.done = durable;
    pass.kept = durable - refusedDurable;
    pass.failure = FailedText(what.arg(name).arg(pass.done).arg(pass.total), error);
    return pass;
  };
  const QString writeFailure = QStringLiteral("Could not write to the Access table %1: %2 of %3 rows were sent.");
  const QString readFailure = QStringLiteral("Could not read the MySQL table %1: %2 of %3 rows were sent.");

  std::optional<MySqlRowStream> rows;
  try {
    rows.emplace(*mySql_.connection, table, columnNames_);
  } catch (const dataaccess::DbError& error) {
    return stop(readFailure, error, false);
  }
  // The next rows are read and their statements built while the file takes
  // the ones before; the reading thread alone uses the MySQL connection.
  std::optional<ReadAhead<ReadRow>> reader;
  reader.emplace(kRowsPerBatch, kReadAheadBytes,
                 [&, cells = std::vector<std::optional<std::string_view>>(), ended = false](ReadRow& row) mutable {
                   if (ended) return false;
                   try {
                     if (!rows->Next(cells)) return false;
                   } catch (const dataaccess::DbError& error) {
                     row.unreadable = error;
                     ended = true;
                     return true;
                   }
                   row.insert = keepTypes_ ? AccessKeptInsert(table, kept_.columns, cells) : AccessInsert(table, cells);
                   return true;
                 });
  bool exhausted = false;
  while (env_.progress.Step(pass.done, std::max(pass.total, pass.done))) {
    ReadRow row;
    exhausted = !reader->Next(row);
    if (exhausted) break;
    if (row.unreadable) return stop(readFailure, *row.unreadable, false);
    const std::string& insert = row.insert;
    try {
      if (!file.InBatch()) {
        file.BeginBatch();
        batchStart = Clock::now();
      }
      RunOnAccess(insert);
    } catch (const dataaccess::DbError& error) {
      if (!dataaccess::IsStatementRefusal(error.Number())) return stop(writeFailure, error, true);
      try {
        // The first refusal is shown and waits for the user: the file is
        // let go meanwhile.
        if (refused.Count() == 0 && file.InBatch()) commit();
      } catch (const dataaccess::DbError& failure) {
        return stop(writeFailure, failure, true);
      }
      refused.Refused(QString::fromStdString(insert), error);
    }
    ++pass.done;
    if (!file.InBatch()) continue;
    const Clock::time_point now = Clock::now();
    if (pass.done % kRowsPerBatch != 0 && now - batchStart < kBatchTime) continue;
    try {
      commit();
    } catch (const dataaccess::DbError& error) {
      return stop(writeFailure, error, true);
    }
    if (now - lastPause >= kBatchTime) {
      std::this_thread::sleep_for(kPauseForOthers);
      lastPause = Clock::now();
    }
  }
  if (file.InBatch()) {
    try {
      commit();
    } catch (const dataaccess::DbError& error) {
      return stop(writeFailure, error, true);
    }
  }
  // A table that lost or gained rows since they were counted (one without
  // transactions) shows the rows it gave.
  if (exhausted) pass.total = pass.done;
  pass.cancelled = !exhausted && pass.done < pass.total && env_.progress.Cancelled();
  if (pass.cancelled) {
    // Reading the rows the server still holds would hold Cancel up for
    // seconds on a large table. The connection is closed at once instead, so
    // the server stops sending and lets the table go; it is not used again.
    reader.reset();
    rows->Abandon();
    rows.reset();
    mySql_.connection->Close();
  }
  pass.kept = pass.done - refused.Count();
  // Saved before they are reported sent: a file moved over the path after
  // the last row is noticed here.
  try {
    msaccess::SyncAccessFile(*access_);
    wrote_ = false;
  } catch (const dataaccess::DbError& error) {
    writeFailed_ = true;
    pass.failure = FailedText(QStringLiteral("Could not save the changes to the Access file."), error);
  }
  return pass;
}

std::optional<bool> SendTableToAccess::TargetExists(const QString& name) {
  std::optional<QStringList> names = msaccess::GetAccessTableNames(env_.settings.AccessMDBFile(), env_.settings);
  if (!names) return std::nullopt;
  return names->contains(name);
}

// Counted through a connection of its own: the file now at the path, which
// the user sees, not the one the command held.
std::int64_t SendTableToAccess::CountTargetRows(const QString& name) {
  std::unique_ptr<dataaccess::Connection> file = msaccess::OpenAccessConnection(env_.settings);
  dataaccess::Recordset rows;
  rows.Open(AccessSelectStatement(name.toStdString()), *file, dataaccess::kOpenStatic, dataaccess::kLockOptimistic);
  return static_cast<std::int64_t>(rows.RecordCount());
}

std::vector<std::string> SendTableToAccess::ComparedColumns() const {
  return keepTypes_ ? columnNames_ : std::vector<std::string>();
}

// The MySQL rows are read in the snapshot the send read them in.
std::unique_ptr<ComparableRows> SendTableToAccess::ComparisonRows(const QString& name, bool source) {
  auto rows = std::make_unique<dataaccess::Recordset>();
  if (source) {
    rows->Open(MySqlSelectColumns(name.toStdString(), columnNames_), *mySql_.connection,
               dataaccess::kOpenForwardOnly, dataaccess::kLockReadOnly);
    return RecordsetComparableRows(std::move(rows), nullptr, [this](std::vector<std::string>& texts) {
      for (std::size_t j = 0; j < texts.size(); ++j) texts[j] = KeptComparableText(kept_.columns[j], texts[j]);
    });
  }
  std::unique_ptr<dataaccess::Connection> file = msaccess::OpenAccessConnection(env_.settings);
  rows->Open(AccessSelectStatement(name.toStdString()), *file, dataaccess::kOpenStatic, dataaccess::kLockOptimistic);
  return RecordsetComparableRows(std::move(rows), std::move(file));
}

}  // namespace transfer
