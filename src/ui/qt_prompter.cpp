#include "ui/qt_prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace ui {

namespace {

// Modal to the whole program, placed over whichever window is in front.
QWidget* DialogParent() { return QApplication::activeWindow(); }

}  // namespace

void QtPrompter::DoShowMessage(const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, DialogParent());
  box.exec();
}

bool QtPrompter::DoAskYesNo(const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No,
                  DialogParent());
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

Prompter::TextAnswer QtPrompter::DoAskText(const QString& prompt, const QString& title,
                                           const QString& defaultText) {
  QInputDialog dialog(DialogParent());
  dialog.setWindowTitle(title);
  dialog.setLabelText(prompt);
  dialog.setTextValue(defaultText);
  dialog.setInputMode(QInputDialog::TextInput);
  if (dialog.exec() != QDialog::Accepted) return {QString(), true};
  return {dialog.textValue(), false};
}

std::optional<QString> QtPrompter::DoChooseOpenFile(const QString& title, const QString& filter) {
  QFileDialog dialog(DialogParent(), title, QString(), filter);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);  // the file need not exist
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

}  // namespace ui
