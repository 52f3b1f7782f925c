// The window's side of what a job asks the user: each call opens its box and
// returns at once, and the answer comes back through the function it is
// handed when the box closes. So the window's thread never waits inside a
// box while a job waits for the answer.
#pragma once

#include <QString>
#include <functional>

#include "ui/prompter.h"

namespace jobs {

class WindowDialogs {
 public:
  virtual ~WindowDialogs() = default;
  virtual void ShowMessage(const QString& text, const QString& title, std::function<void()> closed) = 0;
  virtual void AskYesNo(const QString& text, const QString& title, std::function<void(bool)> answered) = 0;
  virtual void AskText(const QString& prompt, const QString& title, const QString& defaultText,
                       std::function<void(ui::Prompter::TextAnswer)> answered) = 0;
};

// Qt's boxes, modal to the whole program.
class QtDialogs : public WindowDialogs {
 public:
  void ShowMessage(const QString& text, const QString& title, std::function<void()> closed) override;
  void AskYesNo(const QString& text, const QString& title, std::function<void(bool)> answered) override;
  void AskText(const QString& prompt, const QString& title, const QString& defaultText,
               std::function<void(ui::Prompter::TextAnswer)> answered) override;
};

// Answers at once through a prompter of the window's thread (tests script theirs).
class PrompterDialogs : public WindowDialogs {
 public:
  explicit PrompterDialogs(ui::Prompter& prompter) : prompter_(prompter) {}
  void ShowMessage(const QString& text, const QString& title, std::function<void()> closed) override;
  void AskYesNo(const QString& text, const QString& title, std::function<void(bool)> answered) override;
  void AskText(const QString& prompt, const QString& title, const QString& defaultText,
               std::function<void(ui::Prompter::TextAnswer)> answered) override;

 private:
  ui::Prompter& prompter_;
};

}  // namespace jobs
