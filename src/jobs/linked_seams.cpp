#include "jobs/linked_seams.h"

#include "jobs/window_dialogs.h"

namespace jobs {

void LinkedPrompter::DoShowMessage(const QString& text, const QString& title) {
  WindowDialogs& dialogs = dialogs_;
  link_->Ask<bool>(
      [&dialogs, text, title](std::function<void(bool)> answer) {
        dialogs.ShowMessage(text, title, [answer] { answer(true); });
      },
      false);
}

bool LinkedPrompter::DoAskYesNo(const QString& text, const QString& title) {
  WindowDialogs& dialogs = dialogs_;
  return link_->Ask<bool>(
      [&dialogs, text, title](std::function<void(bool)> answer) { dialogs.AskYesNo(text, title, answer); }, false);
}

ui::Prompter::TextAnswer LinkedPrompter::DoAskText(const QString& prompt, const QString& title,
                                                   const QString& defaultText) {
  WindowDialogs& dialogs = dialogs_;
  return link_->Ask<TextAnswer>(
      [&dialogs, prompt, title, defaultText](std::function<void(TextAnswer)> answer) {
        dialogs.AskText(prompt, title, defaultText, answer);
      },
      TextAnswer{QString(), true});
}

std::optional<QString> LinkedPrompter::DoChooseOpenFile(const QString&, const QString&) { return std::nullopt; }

int LinkedList::ListIndex() const {
  ui::NameList& list = window_;
  return link_->Read<int>([&list] { return list.ListIndex(); }, -1);
}

void LinkedList::SetListIndex(int index) {
  ui::NameList& list = window_;
  link_->Post([&list, index] { list.SetListIndex(index); });
}

int LinkedList::ListCount() const {
  ui::NameList& list = window_;
  return link_->Read<int>([&list] { return list.ListCount(); }, 0);
}

QString LinkedList::List(int index) const {
  ui::NameList& list = window_;
  return link_->Read<QString>([&list, index] { return list.List(index); }, QString());
}

void LinkedList::AddItem(const QString& name) {
  ui::NameList& list = window_;
  link_->Post([&list, name] { list.AddItem(name); });
}

void LinkedList::RemoveItem(int index) {
  ui::NameList& list = window_;
  link_->Post([&list, index] { list.RemoveItem(index); });
}

void LinkedList::Clear() {
  ui::NameList& list = window_;
  link_->Post([&list] { list.Clear(); });
}

void LinkedPointer::SetMousePointer(int shape) {
  link_->Post([this, shape] {
    lastShape_ = shape;
    window_.SetMousePointer(shape);
  });
}

int LinkedPointer::MousePointer() const {
  ui::PointerHost& window = window_;
  return link_->Read<int>([&window] { return window.MousePointer(); }, ui::kDefaultPointer);
}

void LinkedPointer::RestoreArrow() {
  if (lastShape_ == ui::kHourglass) window_.SetMousePointer(ui::kArrow);
}

}  // namespace jobs
