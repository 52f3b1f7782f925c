// The two rename commands.
#include "maintenance/rename_table.h"

#include <optional>

#include "access/access_catalogue.h"
#include "access/access_connection.h"
#include "ui/mouse_pointer.h"
#include "ui/progress.h"
#include "ui/prompter.h"
#include "ui/name_list.h"
#include "maintenance/command_messages.h"
#include "mysql/mysql_connection.h"
#include "settings/connection_settings.h"

namespace maintenance {

namespace {

// The new name, or nullopt when the user cancelled or left the box empty:
// neither names a table, so neither renames anything.
std::optional<QString> AskNewName(ui::Prompter& prompter, const QString& oldName) {
  ui::Prompter::TextAnswer answer =
      prompter.AskText(QStringLiteral("Enter new name of ") + oldName + QLatin1Char(':'));
  if (answer.cancelled || answer.text.isEmpty()) return std::nullopt;
  return answer.text;
}

// The list shows the new name in its sorted place; nothing stays selected,
// so a second press needs a new choice.
void ReplaceName(ui::NameList& list, int index, const QString& newName) {
  list.RemoveItem(index);
  list.AddItem(newName);
}

}  // namespace

std::optional<history::Entry> RenameSelectedAccessTable(const settings::ConnectionSettings& settings,
                                                        ui::NameList& list1, ui::PointerHost& window,
                                                        ui::Prompter& prompter, ui::Progress& progress) {
  if (list1.ListIndex() == -1) {
    prompter.ShowMessage(kSelectTableMessage);
    return std::nullopt;
  }
  ui::ArrowOnExit arrow(window);
  arrow.SetHourglass();
  const int index = list1.ListIndex();
  const QString oldName = list1.List(index);
  CommandRecord record("rename", "access", oldName);
  std::optional<QString> newName = AskNewName(prompter, oldName);
  if (!newName) return record.Ended(history::Outcome::kCancelled);
  record.Entry().newName = newName->toStdString();
  const QString path = settings.AccessMDBFile();
  progress.Title(QStringLiteral("Renaming ") + oldName);
  if (!progress.Phase(QStringLiteral("Renaming the Access table %1...").arg(oldName), ui::CancelMode::kAtNextCheck))
    return record.Ended(history::Outcome::kCancelled);
  try {
    msaccess::RenameAccessTable(settings, oldName, *newName);
  } catch (const dataaccess::DbError& failure) {
    prompter.ShowMessage(FailureReport(
        QStringLiteral("Could not rename the Access table ") + oldName + QStringLiteral(" to ") + *newName +
            QLatin1Char('.'),
        failure));
    return record.Failed(failure);
  }
  ReplaceName(list1, index, *newName);
  try {
    msaccess::SyncAccessFile(path);
  } catch (const dataaccess::DbError& failure) {
    prompter.ShowMessage(FailureReport(QStringLiteral("The Access file could not be saved to disk."), failure));
    return record.Failed(failure);
  }
  return record.Ended(history::Outcome::kSucceeded);
}

std::optional<history::Entry> RenameSelectedMySqlTable(const settings::ConnectionSettings& settings,
                                                       mysql::MySqlConnection& shared, ui::NameList& list3,
                                                       ui::PointerHost& window, ui::Prompter& prompter,
                                                       ui::Progress& progress) {
  if (list3.ListIndex() == -1) {
    prompter.ShowMessage(kSelectTableMessage);
    return std::nullopt;
  }
  const int index = list3.ListIndex();
  const QString oldName = list3.List(index);
  CommandRecord record("rename", "mysql", oldName);
  std::optional<QString> newName = AskNewName(prompter, oldName);
  if (!newName) return record.Ended(history::Outcome::kCancelled);
  record.Entry().newName = newName->toStdString();
  ui::ArrowOnExit arrow(window);
  arrow.SetHourglass();
  const QString statement = QStringLiteral("RENAME TABLE ") + mysql::QuoteMySqlName(oldName) +
                            QStringLiteral(" TO ") + mysql::QuoteMySqlName(*newName);
  progress.Title(QStringLiteral("Renaming ") + oldName);
  if (!progress.Phase(QStringLiteral("Connecting to MySQL..."), ui::CancelMode::kLeaveAtOnce))
    return record.Ended(history::Outcome::kCancelled);
  try {
    mysql::OpenMySqlConnection(shared, settings);
  } catch (const dataaccess::DbError& failure) {
    prompter.ShowMessage(
        FailureReport(QStringLiteral("Could not connect to MySQL to rename ") + oldName + QLatin1Char('.'), failure));
    return record.Failed(failure);
  }
  if (!progress.Phase(QStringLiteral("Renaming the MySQL table %1...").arg(oldName), ui::CancelMode::kAtNextCheck))
    return record.Ended(history::Outcome::kCancelled);
  if (!mysql::RunMySqlStatement(shared, statement, prompter)) return record.Ended(history::Outcome::kFailed);
  ReplaceName(list3, index, *newName);
  return record.Ended(history::Outcome::kSucceeded);
}

}  // namespace maintenance
