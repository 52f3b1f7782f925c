// The prompter a person sees on the window's thread: it waits in Qt's modal
// boxes, for what the windows ask themselves (the file chooser above all).
// Commands running as jobs ask through the window's dialogs instead, which
// never wait. The file chooser is Qt's non-native one, so it looks the same
// everywhere and accessibility tools can operate it.
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
