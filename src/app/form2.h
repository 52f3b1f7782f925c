// Form2, "Tabloria": the main window with the Access and MySQL table lists,
// the seven command buttons, and "History", which shows the history log. It
// is loaded on its first showing, once per run (centre, then the Access list,
// then the MySQL list), and afterwards only hidden and shown again.
#pragma once

#include "ui/mouse_pointer.h"

#include <QWidget>
#include <functional>

class QGroupBox;

namespace ui {
class CommandButton;
class Prompter;
class TableList;
}  // namespace ui

namespace app {

class Form2 : public QWidget, public ui::PointerHost {
  Q_OBJECT

 public:
  // Set by the program's wiring; an unset hook does nothing. A command hook
  // runs once per press of its button; a failure it does not handle itself
  // is shown as a message.
  struct Hooks {
    std::function<void()> fillTableLists;       // load, after centring: Access list, then MySQL list
    std::function<void()> deleteAccessTable;    // Check1 "Delete Table" (Access)
    std::function<void()> sendTableToMySql;     // Check3 "Send Table to MySQL"
    std::function<void()> sendTableToAccess;    // Check4 "Send Table to Access"
    std::function<void()> deleteMySqlTable;     // Check5 "Delete Table" (MySQL)
    std::function<void()> renameAccessTable;    // Check6 "Rename Table" (Access)
    std::function<void()> renameMySqlTable;     // Check7 "Rename Table" (MySQL)
    std::function<void()> showSetupDialog;      // Check2, before this window hides
    std::function<void()> closed;               // closed through the title bar: end the run
  };

  explicit Form2(ui::Prompter& prompter, QWidget* parent = nullptr);

  // Loads the window on the first call of the run, then shows it.
  void ShowWindow();
  bool IsLoaded() const { return loaded_; }

  ui::TableList& List1() { return *list1_; }  // Access tables
  ui::TableList& List3() { return *list3_; }  // MySQL tables

  // While a command works: screen readers cannot see the hourglass, so the
  // window also says so in its accessible description.
  void ShowWorking(bool working);

  void SetMousePointer(int shape) override;
  int MousePointer() const override { return pointer_; }

  Hooks hooks;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Load();
  void GoToSetupDialog();
  struct TwipBox {
    int left, top, width, height;
  };
  ui::CommandButton* AddButton(QWidget* container, const char* name, const QString& caption,
                           std::function<void()> Hooks::*hook, const TwipBox& at);

  ui::Prompter& prompter_;
  bool loaded_ = false;
  int pointer_ = ui::kDefaultPointer;

  QGroupBox* fraTables_;
  QGroupBox* frame1_;
  ui::TableList* list1_;
  ui::TableList* list3_;
};

}  // namespace app
