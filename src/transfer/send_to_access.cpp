#include "transfer/send_to_access.h"

#include "ui/main_module.h"
#include "ui/mouse_pointer.h"
#include "ui/prompter.h"
#include "ui/table_list.h"
#include "mysql/mysql_connection.h"
#include "access/access_catalogue.h"
#include "access/access_connection.h"
#include "settings/connection_settings.h"
#include "transfer/column_plan.h"
#include "transfer/mysql_reader.h"
#include "transfer/progress.h"
#include "transfer/statements.h"

namespace transfer {
namespace {

std::optional<bool> Exists(const settings::ConnectionSettings& settings, const QString& name) {
  std::optional<QStringList> names = msaccess::GetAccessTableNames(settings.AccessMDBFile(), settings);
  if (!names) return std::nullopt;
  return names->contains(name);
}

// Syncs the Access file once when the command ends, if it wrote anything.
class SyncOnExit {
 public:
  SyncOnExit(const settings::ConnectionSettings& settings, ui::Prompter& prompter)
      : settings_(settings), prompter_(prompter) {}
  ~SyncOnExit() {
    if (!wrote_) return;
    try {
      msaccess::SyncAccessFile(settings_.AccessMDBFile());
    } catch (const dataaccess::DbError& error) {
      prompter_.ShowMessage(FailedText(QStringLiteral("Could not save the changes to the Access file."), error));
    }
  }
  SyncOnExit(const SyncOnExit&) = delete;
  SyncOnExit& operator=(const SyncOnExit&) = delete;

  void Wrote() { wrote_ = true; }

 private:
  const settings::ConnectionSettings& settings_;
  ui::Prompter& prompter_;
  bool wrote_ = false;
};

}  // namespace

void SendTableToAccess::Run() {
  if (running_) return;
  RunningFlag running(running_);
  Send();
}

void SendTableToAccess::Send() {
  ui::Prompter& prompter = env_.prompter;
  if (env_.mySqlList.ListIndex() == -1) {
    prompter.ShowMessage(QStringLiteral("Please select a MySQL table"));
    return;
  }
  try {
    mysql::OpenMySqlConnection(env_.mySql, env_.settings);
  } catch (const dataaccess::DbError& error) {
    prompter.ShowMessage(FailedText(QStringLiteral("Could not connect to MySQL."), error));
    return;
  }
  QString name = env_.mySqlList.List(env_.mySqlList.ListIndex());
  const std::string table = name.toStdString();
  auto couldNotRead = [&](const dataaccess::DbError& error) {
    prompter.ShowMessage(FailedText(QStringLiteral("Could not read the MySQL table ") + name + QLatin1Char('.'), error));
  };
  std::vector<std::string> columnNames;
  try {
    columnNames = DescribeMySqlTable(*env_.mySql.connection, table);
  } catch (const dataaccess::DbError& error) {
    couldNotRead(error);
    return;
  }
  if (columnNames.size() > kMaxAccessColumns) {
    prompter.ShowMessage(QStringLiteral("The MySQL table %1 has %2 columns; an Access table can have at most %3.")
                             .arg(name)
                             .arg(columnNames.size())
                             .arg(kMaxAccessColumns));
    return;
  }

  SyncOnExit sync(env_.settings, prompter);
  if (ui::ListContains(name, env_.accessList)) {
    if (!prompter.AskYesNo(QStringLiteral("Would you like to overwrite ") + name + QLatin1Char('?'),
                           QStringLiteral("Overwrite?")))
      return;
    try {
      msaccess::ExecuteAccessStatement(env_.settings, QString::fromStdString(AccessDropTable(table)));
      sync.Wrote();
    } catch (const dataaccess::DbError& error) {
      prompter.ShowMessage(FailedText(QStringLiteral("Could not drop the Access table ") + name + QLatin1Char('.'), error));
      ShowWhenExists(env_.accessList, name, Exists(env_.settings, name));
      return;
    }
    ui::RemoveListItem(env_.accessList, name);
  }

  ui::ArrowOnExit pointer(env_.window);
  pointer.SetHourglass();
  std::optional<TableText> rows;
  try {
    rows.emplace(ReadMySqlRows(*env_.mySql.connection, table, std::move(columnNames)));
  } catch (const dataaccess::DbError& error) {
    couldNotRead(error);
    return;
  }
  std::vector<std::size_t> widths = rows->Widths();
  std::optional<std::vector<TextKind>> kinds = PlanAccessColumns(widths);
  if (!kinds) {
    prompter.ShowMessage(QStringLiteral("The rows of %1 are too wide for an Access table, even with the widest "
                                        "columns as memo.")
                             .arg(name));
    return;
  }
  std::vector<TargetColumn> columns;
  for (std::size_t j = 0; j < widths.size(); ++j) columns.push_back({rows->ColumnNames()[j], widths[j], (*kinds)[j]});
  try {
    sync.Wrote();
    msaccess::ExecuteAccessStatement(env_.settings, QString::fromStdString(AccessCreateTable(table, columns)));
  } catch (const dataaccess::DbError& error) {
    prompter.ShowMessage(FailedText(QStringLiteral("Could not create the Access table ") + name + QLatin1Char('.'), error));
    ShowWhenExists(env_.accessList, name, Exists(env_.settings, name));
    return;
  }

  const auto total = static_cast<std::int64_t>(rows->RowCount());
  RefusedRows refused(prompter);
  std::int64_t done = 0;
  bool cancelled = false;
  std::optional<dataaccess::DbError> failed;
  {
    ProgressScope progress(env_.progress, QStringLiteral("Sending ") + name + QStringLiteral(" to Access"), total);
    TableText::RowReader reader(*rows);
    std::vector<std::optional<std::string_view>> cells;
    while (reader.Next(cells)) {
      std::string insert = AccessInsert(table, cells);
      try {
        msaccess::ExecuteAccessStatement(env_.settings, insert);
      } catch (const dataaccess::DbError& error) {
        if (!dataaccess::IsStatementRefusal(error.Number())) {
          failed = error;
          break;
        }
        refused.Refused(QString::fromStdString(insert), error);
      }
      ++done;
      if (!progress.Step(done)) {
        cancelled = true;
        break;
      }
    }
  }
  env_.accessList.AddItem(name);
  if (failed) {
    prompter.ShowMessage(FailedText(QStringLiteral("Could not write to the Access table %1: %2 of %3 rows were sent.")
                                        .arg(name)
                                        .arg(done)
                                        .arg(total),
                                    *failed));
  }
  refused.ReportCount(name, total);
  if (cancelled) prompter.ShowMessage(CancelledText(done, total));
}

}  // namespace transfer
