// The program's buttons: two-state push buttons with a Value of 0 (released)
// or 1 (pressed). A change of Value is the button's click. The handler acts
// only when Value has turned to 1, and first puts it back to 0; that change
// is a second, nested click which finds 0 and does nothing. So each press
// runs the command exactly once, and the button is already drawn released
// while the command works.
#pragma once

#include <QPushButton>
#include <functional>

namespace ui {

class Prompter;

class CommandButton : public QPushButton {
  Q_OBJECT

 public:
  CommandButton(const QString& caption, QWidget* parent);

  int Value() const { return isChecked() ? 1 : 0; }
  void SetValue(int value) { setChecked(value == 1); }

  void SetCommand(std::function<void()> command) { command_ = std::move(command); }

 private:
  void Click();

  std::function<void()> command_;
};

// Runs a command hook, if one is set. A failure that the command did not
// handle itself is told to the user (number and description) instead of
// passing through the window toolkit.
void RunCommand(Prompter& prompter, const std::function<void()>& command);

}  // namespace ui
