// The prompter a person sees: Qt's own modal dialogs. The file chooser is Qt's
// non-native one, so it looks the same everywhere and accessibility tools can
// operate it.
#pragma once

#include "ui/prompter.h"

namespace ui {

class QtPrompter : public Prompter {
 protected:
  void DoShowMessage(const QString& text, const QString& title) override;
  bool DoAskYesNo(const QString& text, const QString& title) override;
  TextAnswer DoAskText(const QString& prompt, const QString& title,
                       const QString& defaultText) override;
  std::optional<QString> DoChooseOpenFile(const QString& title, const QString& filter) override;
};

}  // namespace ui
