#include "transfer/send_job.h"

#include "settings/connection_settings.h"
#include "ui/main_module.h"
#include "ui/mouse_pointer.h"
#include "ui/name_list.h"
#include "ui/progress.h"
#include "ui/prompter.h"

namespace transfer {

void SendJob::Failure(const QString& what, const dataaccess::DbError& error) {
  if (error.Number() == dataaccess::kConnectFailed) noConnection_ = true;
  env_.prompter.ShowMessage(FailedText(what, error));
}

std::optional<history::Entry> SendJob::Run() {
  ui::NameList& source = SourceList();
  ui::NameList& target = TargetList();
  ui::Prompter& prompter = env_.prompter;
  ui::Progress& progress = env_.progress;
  if (source.ListIndex() == -1) {
    prompter.ShowMessage(NoSelectionText());
    return std::nullopt;
  }
  const QString name = source.List(source.ListIndex());
  keepTypes_ = env_.settings.KeepColumnTypes();
  history::Entry entry = history::Begin("send");
  entry.side = TargetSide().toLower().toStdString();
  entry.table = name.toStdString();
  auto ended = [&entry](history::Outcome outcome) {
    entry.outcome = outcome;
    history::End(entry);
    return entry;
  };
  // A step that returned false failed, or heard Cancel.
  auto stopped = [&] {
    return ended(progress.Cancelled() ? history::Outcome::kCancelled
                 : noConnection_      ? history::Outcome::kNoConnection
                                      : history::Outcome::kFailed);
  };
  progress.Title(QStringLiteral("Sending %1 to %2").arg(name, TargetSide()));
  if (!Open(name)) return stopped();

  if (ui::ListContains(name, target)) {
    if (!prompter.AskYesNo(QStringLiteral("Would you like to overwrite ") + name + QLatin1Char('?'),
                           QStringLiteral("Overwrite?")))
      return ended(history::Outcome::kCancelled);
    if (!progress.Phase(QStringLiteral("Dropping the old %1...").arg(name), ui::CancelMode::kAtNextCheck))
      return stopped();
    if (!DropTarget(name)) {
      ShowWhenExists(target, name, TargetExists(name));
      return stopped();
    }
    ui::RemoveListItem(target, name);
  }

  ui::ArrowOnExit pointer(env_.window);
  pointer.SetHourglass();
  if (!Read(name)) return stopped();
  if (!progress.Phase(QStringLiteral("Creating %1...").arg(name), ui::CancelMode::kAtNextCheck)) return stopped();
  if (!Create(name)) {
    ShowWhenExists(target, name, TargetExists(name));
    return stopped();
  }

  // From here on Cancel is heard between two rows; the rows sent stay.
  progress.Phase(QString(), ui::CancelMode::kAtNextCheck);
  RefusedRows refused(prompter);
  RowPass pass = SendRows(name, refused);
  // A pass that failed may have lost the table with it (its file replaced);
  // when that cannot be learnt, the table this command created is listed.
  if (pass.failure)
    ShowWhenExists(target, name, TargetExists(name).value_or(true));
  else
    target.AddItem(name);
  if (pass.failure) prompter.ShowMessage(*pass.failure);
  refused.ReportCount(name, pass.total);
  bool verified = false;
  if (pass.cancelled) {
    prompter.ShowMessage(CancelledText(pass.done, pass.total));
  } else if (!pass.failure) {
    std::optional<QString> difference = CheckTargetCount(name, pass.kept);
    if (!difference && refused.Count() == 0) difference = CompareValues(name);
    if (difference)
      prompter.ShowMessage(*difference);
    else
      verified = true;
  }
  entry.rows = history::RowCounts{pass.total, pass.kept, refused.Count(), verified, keepTypes_};
  if (verified)
    prompter.ShowNote(pass.kept == 1 ? QStringLiteral("1 row sent and verified.")
                                     : QStringLiteral("%1 rows sent and verified.").arg(pass.kept));
  if (pass.failure) return stopped();
  if (pass.cancelled) return ended(history::Outcome::kCancelled);
  return ended(refused.Count() > 0 ? history::Outcome::kPartial : history::Outcome::kSucceeded);
}

std::optional<QString> SendJob::CheckTargetCount(const QString& name, std::int64_t sent) {
  try {
    const std::int64_t held = CountTargetRows(name);
    if (held == sent) return std::nullopt;
    return QStringLiteral("%1 rows were sent, but the %2 table %3 holds %4.").arg(sent).arg(TargetSide(), name).arg(held);
  } catch (const dataaccess::DbError& error) {
    return FailedText(
        QStringLiteral("%1 rows were sent, but the %2 table %3 could not be counted.").arg(sent).arg(TargetSide(), name),
        error);
  }
}

std::optional<QString> SendJob::CompareValues(const QString& name) {
  const std::vector<std::string> columns = ComparedColumns();
  if (columns.empty()) return std::nullopt;
  env_.progress.Phase(QStringLiteral("Verifying %1...").arg(name), ui::CancelMode::kAtNextCheck);
  try {
    std::optional<ValueDifference> difference =
        FirstValueDifference(columns.size(), [&](bool source) { return ComparisonRows(name, source); });
    if (!difference) return std::nullopt;
    return QStringLiteral("The rows were sent, but the %1 table %2 does not hold what was sent: row %3, column %4, "
                          "differs.")
        .arg(TargetSide(), name)
        .arg(difference->row)
        .arg(QString::fromStdString(columns[difference->column]));
  } catch (const dataaccess::DbError& error) {
    return FailedText(QStringLiteral("The rows were sent, but the values of the %1 table %2 could not be compared.")
                          .arg(TargetSide(), name),
                      error);
  }
}

}  // namespace transfer
