// The two windows together: start-up branches, turn-taking, the main
// window's load, closing, and the main window's layout and buttons.
#include "ui/command_button.h"
#include "app/form2.h"
#include "ui/table_list.h"
#include "dataaccess/error.h"
#include "program_fixture.h"
#include "widget_checks.h"

#include <QFontInfo>
#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

using testsupport::ProgramRun;
using Kind = ui::ScriptedPrompter::Kind;

TEST(StartUp, EmptyStoreShowsTheSetupDialogOnly) {
  ProgramRun run;
  run.Start();
  EXPECT_TRUE(run.form1().isVisible());
  EXPECT_FALSE(run.form2().isVisible());
  EXPECT_FALSE(run.form2().IsLoaded());
  EXPECT_EQ(run.form1().focusWidget(), ProgramRun::Child(run.form1(), "Text1"));
  for (const char* box : {"Text1", "Text2", "Text3", "Text4", "Text5", "txtPassword"})
    EXPECT_TRUE(ProgramRun::Child<QLineEdit>(run.form1(), box)->text().isEmpty()) << box;
  EXPECT_FALSE(QFile::exists(run.home.StoreFile())) << "nothing is stored until the user types";
  EXPECT_TRUE(run.prompter.ShownItems().empty());
}

TEST(StartUp, CompleteSettingsShowOnlyTheMainWindow) {
  struct Case {
    const char* what;
    const char* emptied;  // key written empty, or nullptr
    bool mainWindow;
  } cases[] = {
      {"five values, no Access password", nullptr, true},
      {"Access password empty as well", "AccessPassword", true},
      {"MySQL password missing", "Password", false},
      {"Access file missing", "AccessMDBFile", false},
  };
  for (const Case& c : cases) {
    ProgramRun run;
    run.StoreCompleteSettings();
    if (c.emptied) settings::WriteSetting(c.emptied, "");
    run.Start();
    EXPECT_EQ(run.form2().isVisible(), c.mainWindow) << c.what;
    EXPECT_EQ(run.form2().IsLoaded(), c.mainWindow) << c.what;
    EXPECT_EQ(run.form1().isVisible(), !c.mainWindow) << c.what;
    // The dialog's outer width is set in both cases: Frame1's right edge
    // plus 240 twips.
    EXPECT_EQ(run.form1().frameGeometry().width(), 6495 / 15) << c.what;
  }
}

TEST(StartUp, BothWindowsAreCentredByTheirOuterSize) {
  ProgramRun run;
  run.StoreCompleteSettings();
  run.Start();
  // The offscreen screen is 800 x 800 pixels and draws a 2-pixel frame.
  ASSERT_EQ(run.form2().screen()->geometry(), QRect(0, 0, 800, 800));
  // Form2: outer 491 x 299 pixels; left (12000 - 7365) / 2 twips = 154.5 px,
  // top (12000 - 4485) / 2 - 1000 twips = 183.8 px.
  EXPECT_EQ(run.form2().frameGeometry(), QRect(155, 184, 491, 299));
  // Form1 (outer 427 x 365) is centred at its designed width, then widened.
  EXPECT_EQ(run.form1().frameGeometry().topLeft(), QPoint(187, 151));
}

TEST(TurnTaking, OkAndTheSetupButtonSwitchWindowsAndTheMainWindowLoadsOnce) {
  ProgramRun run;
  run.Create();
  QStringList events;
  app::Form2& form2 = run.form2();
  const QPoint unplaced = form2.pos();
  form2.hooks.fillTableLists = [&] {
    events << "lists";
    EXPECT_NE(form2.pos(), unplaced) << "centred before the lists are filled";
    form2.List1().AddItem("Orders");
  };
  run.program->Start();
  ASSERT_TRUE(run.form1().isVisible());

  auto* ok = ProgramRun::Child<ui::CommandButton>(run.form1(), "Check2");
  auto* setup = ProgramRun::Child<ui::CommandButton>(form2, "Check2");
  QTest::mouseClick(ok, Qt::LeftButton);  // with empty boxes: shown anyway
  EXPECT_TRUE(form2.isVisible());
  EXPECT_FALSE(run.form1().isVisible());
  EXPECT_EQ(events, QStringList{"lists"});

  QTest::mouseClick(setup, Qt::LeftButton);
  EXPECT_TRUE(run.form1().isVisible());
  EXPECT_FALSE(form2.isVisible());

  // An edit made on the way round counts at once; the lists stay as loaded.
  QTest::keyClicks(ProgramRun::Child<QLineEdit>(run.form1(), "Text4"), "shop2");
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_TRUE(form2.isVisible());
  EXPECT_FALSE(run.form1().isVisible());
  EXPECT_EQ(events, QStringList{"lists"}) << "the load runs once per run";
  EXPECT_EQ(form2.List1().ListCount(), 1);
  EXPECT_EQ(run.program->Settings().Database(), "shop2");
  EXPECT_EQ(run.quits, 0);
}

TEST(TurnTaking, ClosingEitherWindowEndsTheRun) {
  {
    ProgramRun run;
    run.Start();
    run.form1().close();
    EXPECT_EQ(run.quits, 1);
    EXPECT_FALSE(run.form2().isVisible());
    EXPECT_FALSE(run.form2().IsLoaded());
  }
  {
    ProgramRun run;
    run.StoreCompleteSettings();
    run.Start();
    run.form2().close();
    EXPECT_EQ(run.quits, 1);
    EXPECT_FALSE(run.form1().isVisible()) << "no dialog reappears";
  }
}

TEST(TurnTaking, FailingListFillIsReportedAndTheWindowStillOpens) {
  ProgramRun run;
  run.StoreCompleteSettings();
  run.Create();
  run.form2().hooks.fillTableLists = [] {
    throw dataaccess::DbError(dataaccess::kConnectFailed, "Can't connect to server");
  };
  run.program->Start();
  EXPECT_TRUE(run.form2().isVisible());
  EXPECT_EQ(run.prompter.ShownTexts(), QStringList{"-2147467259 Can't connect to server"});
}

// Each command button of the main window, the hook it runs.
struct ButtonHook {
  const char* button;
  std::function<void()> app::Form2::Hooks::*hook;
};

const ButtonHook kMainWindowButtons[] = {
    {"Check1", &app::Form2::Hooks::deleteAccessTable},
    {"Check3", &app::Form2::Hooks::sendTableToMySql},
    {"Check4", &app::Form2::Hooks::sendTableToAccess},
    {"Check5", &app::Form2::Hooks::deleteMySqlTable},
    {"Check6", &app::Form2::Hooks::renameAccessTable},
    {"Check7", &app::Form2::Hooks::renameMySqlTable},
};

TEST(ButtonConvention, EachPressRunsItsCommandOnceWithTheButtonReleased) {
  ui::ScriptedPrompter prompter;
  app::Form2 form(prompter);
  form.show();
  for (const ButtonHook& b : kMainWindowButtons) {
    auto* button = ProgramRun::Child<ui::CommandButton>(form, b.button);
    int runs = 0;
    form.hooks.*b.hook = [&] {
      ++runs;
      EXPECT_EQ(button->Value(), 0) << b.button << " already released while working";
      EXPECT_FALSE(button->isDown()) << b.button;
    };
    QSignalSpy clicks(button, &QPushButton::toggled);

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(runs, 1) << b.button;
    // The press and the reset are two clicks; the nested one did nothing.
    EXPECT_EQ(clicks.count(), 2) << b.button;
    EXPECT_EQ(button->Value(), 0) << b.button;

    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(runs, 2) << b.button << ": the keyboard press runs it once too";
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Escape);
    EXPECT_EQ(runs, 2) << b.button << ": Enter and Escape press nothing";

    button->SetValue(0);
    EXPECT_EQ(runs, 2) << b.button << ": setting 0 runs nothing";
    form.hooks.*b.hook = nullptr;
  }
  EXPECT_TRUE(prompter.ShownItems().empty());
}

TEST(ButtonConvention, UnsetHooksDoNothing) {
  ui::ScriptedPrompter prompter;
  app::Form2 form(prompter);
  form.show();
  for (const ButtonHook& b : kMainWindowButtons) {
    auto* button = ProgramRun::Child<ui::CommandButton>(form, b.button);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(button->Value(), 0) << b.button;
  }
  EXPECT_TRUE(form.isVisible());
}

TEST(BusyPointer, CommandFailureAfterTheHourglassEndsWithTheArrowAndAMessage) {
  ui::ScriptedPrompter prompter;
  app::Form2 form(prompter);
  form.show();
  form.hooks.deleteMySqlTable = [&] {
    ui::ArrowOnExit arrow(form);
    arrow.SetHourglass();
    EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
    throw dataaccess::DbError(dataaccess::kCommandError, "Unknown table 'x'");
  };
  int pointerAtMessage = -1;
  prompter.SetObserver([&](const auto&) { pointerAtMessage = form.MousePointer(); });
  QTest::mouseClick(ProgramRun::Child<ui::CommandButton>(form, "Check5"), Qt::LeftButton);
  EXPECT_EQ(form.MousePointer(), ui::kArrow);
  EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(pointerAtMessage, ui::kArrow) << "the arrow is back before the failure is told";
  EXPECT_EQ(prompter.ShownTexts(), QStringList{"-2147217900 Unknown table 'x'"});
}

TEST(MainWindowLayout, ControlsSitWhereTheLayoutPutsThem) {
  ui::ScriptedPrompter prompter;
  app::Form2 form(prompter);
  EXPECT_EQ(form.windowTitle(), "Tabloria");
  EXPECT_EQ(form.size(), QSize(487, 295));
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "fixed client area";
  testsupport::ExpectLayout(form, {
      {"fraTables", "Form2", 8, 8, 231, 249},
      {"List1", "fraTables", 16, 24, 198, 109},
      {"Frame1", "Form2", 248, 8, 231, 249},
      {"List3", "Frame1", 16, 24, 201, 109},
      {"Check3", "fraTables", 16, 144, 201, 25},
      {"Check1", "fraTables", 16, 176, 201, 25},
      {"Check2", "Form2", 8, 264, 349, 25},
      {"cmdHistory", "Form2", 365, 264, 116, 25},
      {"Check4", "Form2", 264, 152, 201, 25},
      {"Check5", "Form2", 264, 184, 201, 25},
      {"Check6", "Form2", 24, 216, 201, 25},
      {"Check7", "Form2", 264, 216, 201, 25},
  });
  // The window-level buttons are drawn above the frames they lie on.
  for (const char* name : {"Check4", "Check5", "Check6", "Check7"}) {
    auto* button = ProgramRun::Child(form, name);
    EXPECT_EQ(form.childAt(button->geometry().center()), button) << name;
  }
}

TEST(MainWindowLayout, CaptionsNamesFontsAndColours) {
  ui::ScriptedPrompter prompter;
  app::Form2 form(prompter);
  const struct {
    const char* name;
    const char* accessibleName;
  } controls[] = {
      {"fraTables", "Access Tables"},
      {"List1", "Access Tables"},
      {"Frame1", "MySQL Tables"},
      {"List3", "MySQL Tables"},
      {"Check3", "Send Table to MySQL"},
      {"Check1", "Delete Table"},
      {"Check2", "Setup Access & MySQL Connections"},
      {"Check4", "Send Table to Access"},
      {"Check5", "Delete Table"},
      {"Check6", "Rename Table"},
      {"Check7", "Rename Table"},
      {"cmdHistory", "History"},
  };
  for (const auto& c : controls) {
    QWidget* widget = ProgramRun::Child(form, c.name);
    EXPECT_EQ(testsupport::AccessibleName(widget), c.accessibleName) << c.name;
    const QFontInfo font(widget->font());
    EXPECT_TRUE(font.family() == "Arial" || font.family() == "Liberation Sans")
        << c.name << ": " << font.family().toStdString() << " (is fonts-liberation installed?)";
    EXPECT_EQ(font.pointSize(), 9) << c.name;
    EXPECT_TRUE(font.bold()) << c.name;
    EXPECT_EQ(widget->palette().color(widget->backgroundRole()), QColor(Qt::white)) << c.name;
  }
  EXPECT_EQ(form.palette().color(QPalette::WindowText), QColor(Qt::black));
}

TEST(MainWindowLayout, TabWalksListsThenButtonsInOrder) {
  ui::ScriptedPrompter prompter;
  app::Form2 form(prompter);
  EXPECT_EQ(testsupport::TabWalk(form, &form.List1(), 10),
            (QStringList{"List1", "List3", "Check3", "Check1", "Check2", "Check4", "Check5",
                         "Check6", "Check7", "cmdHistory", "List1"}));
}

}  // namespace
