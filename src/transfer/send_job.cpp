#include "transfer/send_job.h"

#include "ui/main_module.h"
#include "ui/mouse_pointer.h"
#include "ui/name_list.h"
#include "ui/progress.h"
#include "ui/prompter.h"

namespace transfer {

void SendJob::Run() {
  ui::NameList& source = SourceList();
  ui::NameList& target = TargetList();
  ui::Prompter& prompter = env_.prompter;
  ui::Progress& progress = env_.progress;
  if (source.ListIndex() == -1) {
    prompter.ShowMessage(NoSelectionText());
    return;
  }
  const QString name = source.List(source.ListIndex());
  progress.Title(QStringLiteral("Sending %1 to %2").arg(name, TargetSide()));
  if (!Open(name)) return;

  if (ui::ListContains(name, target)) {
    if (!prompter.AskYesNo(QStringLiteral("Would you like to overwrite ") + name + QLatin1Char('?'),
                           QStringLiteral("Overwrite?")))
      return;
    if (!progress.Phase(QStringLiteral("Dropping the old %1...").arg(name), ui::CancelMode::kAtNextCheck)) return;
    if (!DropTarget(name)) {
      ShowWhenExists(target, name, TargetExists(name));
      return;
    }
    ui::RemoveListItem(target, name);
  }

  ui::ArrowOnExit pointer(env_.window);
  pointer.SetHourglass();
  if (!Read(name)) return;
  if (!progress.Phase(QStringLiteral("Creating %1...").arg(name), ui::CancelMode::kAtNextCheck)) return;
  if (!Create(name)) {
    ShowWhenExists(target, name, TargetExists(name));
    return;
  }

  // From here on Cancel is heard between two rows; the rows sent stay.
  progress.Phase(QString(), ui::CancelMode::kAtNextCheck);
  RefusedRows refused(prompter);
  RowPass pass = SendRows(name, refused);
  target.AddItem(name);
  if (pass.failure) prompter.ShowMessage(*pass.failure);
  refused.ReportCount(name, pass.total);
  if (pass.cancelled) prompter.ShowMessage(CancelledText(pass.done, pass.total));
}

}  // namespace transfer
