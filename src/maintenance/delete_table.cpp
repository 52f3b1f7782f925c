// The two delete commands.
#include "maintenance/delete_table.h"

#include "access/access_connection.h"
#include "ui/mouse_pointer.h"
#include "ui/progress.h"
#include "ui/prompter.h"
#include "ui/name_list.h"
#include "dataaccess/connection.h"
#include "maintenance/command_messages.h"
#include "mysql/mysql_connection.h"
#include "settings/connection_settings.h"

namespace maintenance {

std::optional<history::Entry> DeleteSelectedAccessTable(const settings::ConnectionSettings& settings,
                                                        ui::NameList& list1, ui::PointerHost& window,
                                                        ui::Prompter& prompter, ui::Progress& progress) {
  if (list1.ListIndex() == -1) {
    prompter.ShowMessage(kSelectTableMessage);
    return std::nullopt;
  }
  ui::ArrowOnExit arrow(window);
  arrow.SetHourglass();
  const int index = list1.ListIndex();
  const QString name = list1.List(index);
  const QString path = settings.AccessMDBFile();
  CommandRecord record("delete", "access", name);
  progress.Title(QStringLiteral("Deleting ") + name);
  if (!progress.Phase(QStringLiteral("Deleting the Access table %1...").arg(name), ui::CancelMode::kAtNextCheck))
    return record.Ended(history::Outcome::kCancelled);
  try {
    // In brackets, so that names with blanks or reserved words drop too.
    msaccess::ExecuteAccessStatement(settings, QStringLiteral("DROP TABLE [") + name + QStringLiteral("];"));
  } catch (const dataaccess::DbError& failure) {
    prompter.ShowMessage(FailureReport(QStringLiteral("Could not delete the Access table ") + name + QLatin1Char('.'),
                                       failure));
    return record.Failed(failure);
  }
  list1.RemoveItem(index);
  try {
    msaccess::SyncAccessFile(path);
  } catch (const dataaccess::DbError& failure) {
    prompter.ShowMessage(FailureReport(QStringLiteral("The Access file could not be saved to disk."), failure));
    return record.Failed(failure);
  }
  return record.Ended(history::Outcome::kSucceeded);
}

std::optional<history::Entry> DeleteSelectedMySqlTable(const settings::ConnectionSettings& settings,
                                                       ui::NameList& list3, ui::PointerHost& window,
                                                       ui::Prompter& prompter, ui::Progress& progress) {
  if (list3.ListIndex() == -1) {
    prompter.ShowMessage(kSelectTableMessage);
    return std::nullopt;
  }
  ui::ArrowOnExit arrow(window);
  arrow.SetHourglass();
  CommandRecord record("delete", "mysql", list3.List(list3.ListIndex()));
  progress.Title(QStringLiteral("Deleting ") + list3.List(list3.ListIndex()));
  if (!progress.Phase(QStringLiteral("Connecting to MySQL..."), ui::CancelMode::kLeaveAtOnce))
    return record.Ended(history::Outcome::kCancelled);
  dataaccess::Connection connection;
  try {
    connection.SetConnectionString(
        mysql::BuildMySqlConnectionString(settings, mysql::KeyOrder::kProbe).toStdString());
    connection.Open();
  } catch (const dataaccess::DbError& failure) {
    prompter.ShowMessage(FailureReport(QStringLiteral("Could not connect to MySQL to delete ") +
                                           list3.List(list3.ListIndex()) + QLatin1Char('.'),
                                       failure));
    return record.Failed(failure);
  }
  const int index = list3.ListIndex();
  const QString name = list3.List(index);
  if (!progress.Phase(QStringLiteral("Deleting the MySQL table %1...").arg(name), ui::CancelMode::kAtNextCheck))
    return record.Ended(history::Outcome::kCancelled);
  try {
    connection.Execute((QStringLiteral("drop table ") + mysql::QuoteMySqlName(name)).toStdString());
  } catch (const dataaccess::DbError& failure) {
    prompter.ShowMessage(FailureReport(QStringLiteral("Could not delete the MySQL table ") + name + QLatin1Char('.'),
                                       failure));
    return record.Failed(failure);
  }
  list3.RemoveItem(index);
  connection.Close();
  return record.Ended(history::Outcome::kSucceeded);
}

}  // namespace maintenance
