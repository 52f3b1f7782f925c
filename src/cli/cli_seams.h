// What the window commands work through, as the command line supplies it:
// a list of names nobody sees, a pointer nobody sees, and progress drawn on
// the terminal that hears Ctrl-C as the progress dialog's Cancel.
#pragma once

#include <QString>
#include <QStringList>

#include "cli/terminal_progress.h"
#include "ui/mouse_pointer.h"
#include "ui/name_list.h"
#include "ui/progress.h"

namespace cli {

// A side's tables, kept in the windows' order; the selection by name.
class NameRoster : public ui::NameList {
 public:
  explicit NameRoster(const QStringList& names = {});

  // Selects the table a user means by `name`: the same name, else the only
  // one that differs from it in case alone. False when there is none.
  bool Select(const QString& name);

  int ListIndex() const override { return selected_; }
  void SetListIndex(int index) override;
  int ListCount() const override { return static_cast<int>(names_.size()); }
  QString List(int index) const override;
  void AddItem(const QString& name) override;
  void RemoveItem(int index) override;
  void Clear() override;

 private:
  QStringList names_;
  int selected_ = -1;
};

class NoPointer : public ui::PointerHost {
 public:
  void SetMousePointer(int shape) override { shape_ = shape; }
  int MousePointer() const override { return shape_; }

 private:
  int shape_ = ui::kDefaultPointer;
};

// From the first Ctrl-C on, Cancelled() is true: the command stops where the
// window's Cancel would stop it. A second Ctrl-C ends the program at once.
void HearInterrupts();
bool Interrupted();

class CliProgress : public ui::Progress {
 public:
  void Title(const QString& title) override { terminal_.SetTitle(title.toStdString()); }
  bool Phase(const QString& text, ui::CancelMode) override;
  void Rows(std::int64_t done, std::int64_t total) override { terminal_.SetRows(done, total); }
  bool Cancelled() const override { return Interrupted(); }
  // Erases the line, before a summary line is printed.
  void Clear() { terminal_.Clear(); }

 private:
  TerminalProgress terminal_;
};

}  // namespace cli
