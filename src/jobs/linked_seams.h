// What a job on a worker thread works with in place of the window's own
// objects: each carries its calls over the window link. Questions and
// messages wait for the user's answer; list and pointer changes go without
// waiting, in order, and reads wait for the window's answer. Once the link
// is closed, questions get their safe answer (No, Cancel) and changes are
// dropped.
#pragma once

#include <memory>

#include "jobs/window_link.h"
#include "ui/mouse_pointer.h"
#include "ui/name_list.h"
#include "ui/prompter.h"

namespace jobs {

class WindowDialogs;

class LinkedPrompter : public ui::Prompter {
 public:
  LinkedPrompter(std::shared_ptr<WindowLink> link, WindowDialogs& dialogs)
      : link_(std::move(link)), dialogs_(dialogs) {}

 protected:
  void DoShowMessage(const QString& text, const QString& title) override;
  bool DoAskYesNo(const QString& text, const QString& title) override;
  TextAnswer DoAskText(const QString& prompt, const QString& title, const QString& defaultText) override;
  // Jobs choose no files: answered as a cancel.
  std::optional<QString> DoChooseOpenFile(const QString& title, const QString& filter) override;

 private:
  std::shared_ptr<WindowLink> link_;
  WindowDialogs& dialogs_;
};

class LinkedList : public ui::NameList {
 public:
  LinkedList(std::shared_ptr<WindowLink> link, ui::NameList& window) : link_(std::move(link)), window_(window) {}

  int ListIndex() const override;
  void SetListIndex(int index) override;
  int ListCount() const override;
  QString List(int index) const override;
  void AddItem(const QString& name) override;
  void RemoveItem(int index) override;
  void Clear() override;

 private:
  std::shared_ptr<WindowLink> link_;
  ui::NameList& window_;
};

// Also remembers, on the window's side, whether the job left the hourglass
// up, so that a job left behind does not leave it there.
class LinkedPointer : public ui::PointerHost {
 public:
  LinkedPointer(std::shared_ptr<WindowLink> link, ui::PointerHost& window) : link_(std::move(link)), window_(window) {}

  void SetMousePointer(int shape) override;
  int MousePointer() const override;

  // Window's thread: the arrow again when the job's last shape was the hourglass.
  void RestoreArrow();

 private:
  std::shared_ptr<WindowLink> link_;
  ui::PointerHost& window_;
  int lastShape_ = ui::kDefaultPointer;  // window's thread only
};

}  // namespace jobs
