// The user's answers as the command line gives them: a question (only the
// overwrite question is ever asked) answered by --overwrite, the rename's new
// name from the arguments, and the messages a command shows kept for its
// summary line instead of a box.
#pragma once

#include <QString>
#include <QStringList>

#include "ui/prompter.h"

namespace cli {

class CliPrompter : public ui::Prompter {
 public:
  explicit CliPrompter(bool overwrite = false, QString newName = {})
      : overwrite_(overwrite), newName_(std::move(newName)) {}

  // The first message in one line, or empty.
  std::string FirstMessage() const;
  // Whether a question was answered No because --overwrite was not given.
  bool Declined() const { return declined_; }

 protected:
  void DoShowMessage(const QString& text, const QString&) override { messages_ << text; }
  // The command's entry carries its note of success.
  void DoShowNote(const QString&, const QString&) override {}
  bool DoAskYesNo(const QString&, const QString&) override {
    declined_ = !overwrite_;
    return overwrite_;
  }
  TextAnswer DoAskText(const QString&, const QString&, const QString&) override { return {newName_, false}; }
  std::optional<QString> DoChooseOpenFile(const QString&, const QString&) override { return std::nullopt; }

 private:
  bool overwrite_;
  QString newName_;
  QStringList messages_;
  bool declined_ = false;
};

}  // namespace cli
