#include "ui/qt_prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "ui/dialogs.h"

namespace ui {

void QtPrompter::DoShowMessage(const QString& text, const QString& title) { NewMessageBox(text, title)->exec(); }

bool QtPrompter::DoAskYesNo(const QString& text, const QString& title) {
  return NewYesNoBox(text, title)->exec() == QMessageBox::Yes;
}

Prompter::TextAnswer QtPrompter::DoAskText(const QString& prompt, const QString& title,
                                           const QString& defaultText) {
  std::unique_ptr<QInputDialog> dialog = NewInputBox(prompt, title, defaultText);
  if (dialog->exec() != QDialog::Accepted) return {QString(), true};
  return {dialog->textValue(), false};
}

std::optional<QString> QtPrompter::DoChooseOpenFile(const QString& title, const QString& filter) {
  QFileDialog dialog(QApplication::activeWindow(), title, QString(), filter);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);  // the file need not exist
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

}  // namespace ui
