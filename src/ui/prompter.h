// Everything modal that a person answers: message, Yes/No question, input box,
// file chooser. Commands ask through this seam so that tests can script the
// answers and see what was shown.
#pragma once

#include <QString>
#include <optional>

namespace ui {

inline const QString kAppTitle = QStringLiteral("Tabloria");

class Prompter {
 public:
  struct TextAnswer {
    QString text;
    bool cancelled = false;
  };

  virtual ~Prompter() = default;

  // OK button only, no icon.
  void ShowMessage(const QString& text, const QString& title = kAppTitle) {
    DoShowMessage(text, title);
  }
  // A message that tells of success, in the same box; unlike the others it
  // reports no failure.
  void ShowNote(const QString& text, const QString& title = kAppTitle) { DoShowNote(text, title); }
  // Buttons Yes and No, Yes the default, no icon. True when Yes.
  bool AskYesNo(const QString& text, const QString& title) { return DoAskYesNo(text, title); }
  // An input box; a cancel comes back with `cancelled` set and an empty text.
  TextAnswer AskText(const QString& prompt, const QString& title = kAppTitle,
                     const QString& defaultText = {}) {
    return DoAskText(prompt, title, defaultText);
  }
  // A file-open chooser where the file need not exist; nullopt when cancelled.
  // `filter` is in Qt's form, e.g. "Microsoft Database (*.mdb *.accdb)".
  std::optional<QString> ChooseOpenFile(const QString& title, const QString& filter) {
    return DoChooseOpenFile(title, filter);
  }

 protected:
  virtual void DoShowMessage(const QString& text, const QString& title) = 0;
  virtual void DoShowNote(const QString& text, const QString& title) { DoShowMessage(text, title); }
  virtual bool DoAskYesNo(const QString& text, const QString& title) = 0;
  virtual TextAnswer DoAskText(const QString& prompt, const QString& title,
                               const QString& defaultText) = 0;
  virtual std::optional<QString> DoChooseOpenFile(const QString& title,
                                                  const QString& filter) = 0;
};

}  // namespace ui
