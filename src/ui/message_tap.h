// A prompter in front of another: everything passes through, and the first
// message shown is kept, for the history line of the command that showed it;
// a note of success is no such message.
#pragma once

#include "ui/prompter.h"

namespace ui {

class MessageTap : public Prompter {
 public:
  explicit MessageTap(Prompter& shownTo) : shownTo_(shownTo) {}
  // The first message in one line; empty when none was shown.
  const QString& FirstMessage() const { return first_; }

 protected:
  void DoShowMessage(const QString& text, const QString& title) override {
    if (first_.isEmpty()) first_ = text.simplified();
    shownTo_.ShowMessage(text, title);
  }
  void DoShowNote(const QString& text, const QString& title) override { shownTo_.ShowNote(text, title); }
  bool DoAskYesNo(const QString& text, const QString& title) override { return shownTo_.AskYesNo(text, title); }
  TextAnswer DoAskText(const QString& prompt, const QString& title, const QString& defaultText) override {
    return shownTo_.AskText(prompt, title, defaultText);
  }
  std::optional<QString> DoChooseOpenFile(const QString& title, const QString& filter) override {
    return shownTo_.ChooseOpenFile(title, filter);
  }

 private:
  Prompter& shownTo_;
  QString first_;
};

}  // namespace ui
