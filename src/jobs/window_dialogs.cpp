#include "jobs/window_dialogs.h"

#include <QInputDialog>
#include <QMessageBox>

#include "ui/dialogs.h"

namespace jobs {

namespace {

// Shows `dialog` and hands its result to `closed` once it is closed; the
// dialog then deletes itself.
template <typename Dialog>
void OpenUntilClosed(std::unique_ptr<Dialog> owned, std::function<void(Dialog&, int)> closed) {
  Dialog* dialog = owned.release();
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(dialog, &QDialog::finished, dialog,
                   [dialog, closed = std::move(closed)](int result) { closed(*dialog, result); });
  dialog->show();
}

}  // namespace

void QtDialogs::ShowMessage(const QString& text, const QString& title, std::function<void()> closed) {
  OpenUntilClosed<QMessageBox>(ui::NewMessageBox(text, title),
                               [closed = std::move(closed)](QMessageBox&, int) { closed(); });
}

void QtDialogs::AskYesNo(const QString& text, const QString& title, std::function<void(bool)> answered) {
  OpenUntilClosed<QMessageBox>(ui::NewYesNoBox(text, title), [answered = std::move(answered)](QMessageBox&, int result) {
    answered(result == QMessageBox::Yes);
  });
}

void QtDialogs::AskText(const QString& prompt, const QString& title, const QString& defaultText,
                        std::function<void(ui::Prompter::TextAnswer)> answered) {
  OpenUntilClosed<QInputDialog>(ui::NewInputBox(prompt, title, defaultText),
                                [answered = std::move(answered)](QInputDialog& dialog, int result) {
                                  if (result != QDialog::Accepted)
                                    answered({QString(), true});
                                  else
                                    answered({dialog.textValue(), false});
                                });
}

void PrompterDialogs::ShowMessage(const QString& text, const QString& title, std::function<void()> closed) {
  prompter_.ShowMessage(text, title);
  closed();
}

void PrompterDialogs::AskYesNo(const QString& text, const QString& title, std::function<void(bool)> answered) {
  answered(prompter_.AskYesNo(text, title));
}

void PrompterDialogs::AskText(const QString& prompt, const QString& title, const QString& defaultText,
                              std::function<void(ui::Prompter::TextAnswer)> answered) {
  answered(prompter_.AskText(prompt, title, defaultText));
}

}  // namespace jobs
