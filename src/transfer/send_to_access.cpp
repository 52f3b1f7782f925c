#include "transfer/send_to_access.h"

#include "access/access_catalogue.h"
#include "access/access_connection.h"
#include "settings/connection_settings.h"
#include "transfer/column_plan.h"
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
  try {
    rows_.emplace(ReadMySqlRows(*mySql_.connection, name.toStdString(), std::move(columnNames_),
                                [&progress](std::size_t read) {
                                  return progress.Step(static_cast<std::int64_t>(read), ui::kUnknownTotal);
                                }));
  } catch (const dataaccess::DbError& error) {
    CouldNotRead(name, error);
    return false;
  }
  if (progress.Cancelled()) return false;
  std::vector<std::size_t> widths = rows_->Widths();
  std::optional<std::vector<TextKind>> kinds = PlanAccessColumns(widths);
  if (!kinds) {
    env_.prompter.ShowMessage(
        QStringLiteral("The rows of %1 are too wide for an Access table, even with the widest columns as memo.")
            .arg(name));
    return false;
  }
  for (std::size_t j = 0; j < widths.size(); ++j) columns_.push_back({rows_->ColumnNames()[j], widths[j], (*kinds)[j]});
  return true;
}

bool SendTableToAccess::Create(const QString& name) {
  try {
    RunOnAccess(AccessCreateTable(name.toStdString(), columns_));
  } catch (const dataaccess::DbError& error) {
    Failure(QStringLiteral("Could not create the Access table ") + name + QLatin1Char('.'), error);
    return false;
  }
  wrote_ = true;
  return true;
}

SendJob::RowPass SendTableToAccess::SendRows(const QString& name, RefusedRows& refused) {
  RowPass pass;
  pass.total = static_cast<std::int64_t>(rows_->RowCount());
  const std::string table = name.toStdString();
  TableText::RowReader reader(*rows_);
  std::vector<std::optional<std::string_view>> cells;
  while (env_.progress.Step(pass.done, pass.total) && reader.Next(cells)) {
    std::string insert = AccessInsert(table, cells);
    try {
      RunOnAccess(insert);
    } catch (const dataaccess::DbError& error) {
      if (!dataaccess::IsStatementRefusal(error.Number())) {
        writeFailed_ = true;
        pass.failure = FailedText(QStringLiteral("Could not write to the Access table %1: %2 of %3 rows were sent.")
                                      .arg(name)
                                      .arg(pass.done)
                                      .arg(pass.total),
                                  error);
        pass.kept = pass.done - refused.Count();
        return pass;
      }
      refused.Refused(QString::fromStdString(insert), error);
    }
    ++pass.done;
  }
  pass.cancelled = pass.done < pass.total && env_.progress.Cancelled();
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

}  // namespace transfer
