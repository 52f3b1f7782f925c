#include "ui/dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace ui {

namespace {

QWidget* DialogParent() { return QApplication::activeWindow(); }

}  // namespace

std::unique_ptr<QMessageBox> NewMessageBox(const QString& text, const QString& title) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, title, text, QMessageBox::Ok, DialogParent());
  box->setWindowModality(Qt::ApplicationModal);
  return box;
}

std::unique_ptr<QMessageBox> NewYesNoBox(const QString& text, const QString& title) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No,
                                           DialogParent());
  box->setDefaultButton(QMessageBox::Yes);
  box->setWindowModality(Qt::ApplicationModal);
  return box;
}

std::unique_ptr<QInputDialog> NewInputBox(const QString& prompt, const QString& title, const QString& defaultText) {
  auto dialog = std::make_unique<QInputDialog>(DialogParent());
  dialog->setWindowTitle(title);
  dialog->setLabelText(prompt);
  dialog->setTextValue(defaultText);
  dialog->setInputMode(QInputDialog::TextInput);
  dialog->setWindowModality(Qt::ApplicationModal);
  return dialog;
}

}  // namespace ui
