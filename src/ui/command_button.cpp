#include "ui/command_button.h"

#include "ui/prompter.h"
#include "dataaccess/error.h"

namespace ui {

CommandButton::CommandButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
  setCheckable(true);
  // Enter and Escape press nothing by themselves.
  setAutoDefault(false);
  setDefault(false);
  QString name = caption;
  setAccessibleName(name.replace(QStringLiteral("&&"), QStringLiteral("&")));
  // toggled, not clicked: a change of Value made by code is a click as well.
  connect(this, &QPushButton::toggled, this, &CommandButton::Click);
}

void CommandButton::Click() {
  if (Value() != 1) return;
  SetValue(0);
  repaint();  // drawn released before the command takes the thread
  if (command_) command_();
}

void RunCommand(Prompter& prompter, const std::function<void()>& command) {
  if (!command) return;
  try {
    command();
  } catch (const dataaccess::DbError& failure) {
    prompter.ShowMessage(QString::number(failure.Number()) + u' ' +
                         QString::fromStdString(failure.Description()));
  } catch (const std::exception& failure) {
    prompter.ShowMessage(QString::fromUtf8(failure.what()));
  }
}

}  // namespace ui
