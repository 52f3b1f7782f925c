#include "app/form2.h"

#include "app/history_window.h"

#include "ui/command_button.h"
#include "ui/form_look.h"
#include "ui/main_module.h"
#include "ui/prompter.h"
#include "ui/table_list.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QGroupBox>

namespace app {

namespace {

template <typename Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setFont(ui::ArialNine(true));
  widget->setGeometry(ui::TwipRect(left, top, width, height));
  return widget;
}

}  // namespace

Form2::Form2(ui::Prompter& prompter, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      prompter_(prompter) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(ui::kAppTitle);
  setFont(ui::ArialNine(true));
  ui::PaintWhite(*this);
  setFixedSize(ui::TwipsToPixels(7305), ui::TwipsToPixels(4425));

  const QString accessCaption = QStringLiteral("Access Tables");
  const QString mySqlCaption = QStringLiteral("MySQL Tables");
  fraTables_ = Place(new ui::Frame(accessCaption, this), "fraTables", 120, 120, 3465, 3735);
  frame1_ = Place(new ui::Frame(mySqlCaption, this), "Frame1", 3720, 120, 3465, 3735);
  list1_ = Place(new ui::TableList(fraTables_), "List1", 240, 360, 2970, 1635);
  list1_->setAccessibleName(accessCaption);
  list3_ = Place(new ui::TableList(frame1_), "List3", 240, 360, 3015, 1635);
  list3_->setAccessibleName(mySqlCaption);

  // Check3 and Check1 sit in the Access frame; the rest lie on the window,
  // over the frames.
  ui::CommandButton* buttons[] = {
      AddButton(fraTables_, "Check3", QStringLiteral("Send Table to MySQL"),
                &Hooks::sendTableToMySql, {240, 2160, 3015, 375}),
      AddButton(fraTables_, "Check1", QStringLiteral("Delete Table"), &Hooks::deleteAccessTable,
                {240, 2640, 3015, 375}),
      AddButton(this, "Check2", QStringLiteral("Setup Access && MySQL Connections"), nullptr,
                {120, 3960, 5235, 375}),
      AddButton(this, "Check4", QStringLiteral("Send Table to Access"),
                &Hooks::sendTableToAccess, {3960, 2280, 3015, 375}),
      AddButton(this, "Check5", QStringLiteral("Delete Table"), &Hooks::deleteMySqlTable,
                {3960, 2760, 3015, 375}),
      AddButton(this, "Check6", QStringLiteral("Rename Table"), &Hooks::renameAccessTable,
                {360, 3240, 3015, 375}),
      AddButton(this, "Check7", QStringLiteral("Rename Table"), &Hooks::renameMySqlTable,
                {3960, 3240, 3015, 375}),
      AddButton(this, "cmdHistory", QStringLiteral("History"), nullptr, {5475, 3960, 1740, 375}),
  };
  buttons[2]->SetCommand([this] { GoToSetupDialog(); });
  buttons[7]->SetCommand([this] { HistoryWindow(this).exec(); });

  setTabOrder(list1_, list3_);
  QWidget* previous = list3_;
  for (ui::CommandButton* button : buttons) {
    if (button->parentWidget() == this) button->raise();  // drawn above the frames
    setTabOrder(previous, button);
    previous = button;
  }
}

ui::CommandButton* Form2::AddButton(QWidget* container, const char* name, const QString& caption,
                                std::function<void()> Hooks::*hook, const TwipBox& at) {
  auto* button = Place(new ui::CommandButton(caption, container), name, at.left, at.top, at.width,
                       at.height);
  if (hook) button->SetCommand([this, hook] { ui::RunCommand(prompter_, hooks.*hook); });
  return button;
}

void Form2::ShowWindow() {
  if (!loaded_) {
    loaded_ = true;
    Load();
  }
  show();
}

void Form2::Load() {
  ui::CenterForm(*this);
  ui::RunCommand(prompter_, hooks.fillTableLists);
}

void Form2::ShowWorking(bool working) { setAccessibleDescription(working ? QStringLiteral("Working") : QString()); }

void Form2::SetMousePointer(int shape) {
  pointer_ = shape;
  ui::ApplyMousePointer(*this, shape);
}

void Form2::GoToSetupDialog() {
  if (hooks.showSetupDialog) hooks.showSetupDialog();
  hide();
}

void Form2::closeEvent(QCloseEvent* event) {
  event->accept();
  if (hooks.closed) hooks.closed();
}

}  // namespace app
