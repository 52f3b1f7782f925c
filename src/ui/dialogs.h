// The program's boxes as a person sees them: a message with OK, a question
// with Yes (the default) and No, an input box; no icons, modal to the whole
// program and placed over whichever window is in front. Made here once for
// the prompter that waits in them and for the one that only opens them.
#pragma once

#include <QString>
#include <memory>

class QInputDialog;
class QMessageBox;

namespace ui {

std::unique_ptr<QMessageBox> NewMessageBox(const QString& text, const QString& title);
std::unique_ptr<QMessageBox> NewYesNoBox(const QString& text, const QString& title);
std::unique_ptr<QInputDialog> NewInputBox(const QString& prompt, const QString& title, const QString& defaultText);

}  // namespace ui
