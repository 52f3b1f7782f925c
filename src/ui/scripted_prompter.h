// A prompter for tests: it records every item shown, in order, and answers
// from queues the test fills beforehand. A question it has no answer for is a
// fault in the test or in the code under test, so it stops the program with a
// message naming the question.
#pragma once

#include "ui/prompter.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace ui {

class ScriptedPrompter : public Prompter {
 public:
  enum class Kind { Message, Note, YesNo, Text, OpenFile };
  struct Shown {
    Kind kind;
    QString title;
    QString text;  // the message, question or prompt; the filter for a file chooser
    bool operator==(const Shown&) const = default;
  };

  void QueueYesNo(bool yes) { yesNo_.push_back(yes); }
  void QueueText(const QString& text) { texts_.push_back({text, false}); }
  void QueueTextCancel() { texts_.push_back({QString(), true}); }
  void QueueOpenFile(const std::optional<QString>& path) { files_.push_back(path); }

  // Runs at the moment an item is shown, before it is answered: lets a test
  // look at the program's state (the mouse pointer, say) while the box is up.
  void SetObserver(std::function<void(const Shown&)> observer) { observer_ = std::move(observer); }

  const std::vector<Shown>& ShownItems() const { return shown_; }
  QStringList ShownTexts() const;
  bool AllAnswersUsed() const { return yesNo_.empty() && texts_.empty() && files_.empty(); }

 protected:
  void DoShowMessage(const QString& text, const QString& title) override;
  void DoShowNote(const QString& text, const QString& title) override;
  bool DoAskYesNo(const QString& text, const QString& title) override;
  TextAnswer DoAskText(const QString& prompt, const QString& title,
                       const QString& defaultText) override;
  std::optional<QString> DoChooseOpenFile(const QString& title, const QString& filter) override;

 private:
  void Record(Kind kind, const QString& title, const QString& text);
  [[noreturn]] void Unanswered(const char* what, const QString& text);

  std::vector<Shown> shown_;
  std::deque<bool> yesNo_;
  std::deque<TextAnswer> texts_;
  std::deque<std::optional<QString>> files_;
  std::function<void(const Shown&)> observer_;
};

}  // namespace ui
