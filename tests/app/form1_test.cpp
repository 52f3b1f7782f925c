// The setup dialog: layout, typing straight into the store, the file chooser,
// keys that must do nothing, and its buttons.
#include "ui/command_button.h"
#include "program_fixture.h"
#include "app/form1.h"
#include "widget_checks.h"

#include <QFile>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleOption>
#include <gtest/gtest.h>

namespace {

using settings::ReadSetting;
using testsupport::ProgramRun;
using Kind = ui::ScriptedPrompter::Kind;

QLineEdit* Box(ProgramRun& run, const char* name) {
  return ProgramRun::Child<QLineEdit>(run.form1(), name);
}

ui::CommandButton* Button(ProgramRun& run, const char* name) {
  return ProgramRun::Child<ui::CommandButton>(run.form1(), name);
}

TEST(SetupDialogLayout, ControlsSitWhereTheLayoutPutsThem) {
  ProgramRun run;
  run.Start();
  app::Form1& form = run.form1();
  EXPECT_EQ(form.windowTitle(), "Setup Connections");
  // Client 6345 x 5415 twips, then the outer width set to 6495 twips.
  EXPECT_EQ(form.height(), 361);
  EXPECT_EQ(form.frameGeometry().width(), 433);
  testsupport::ExpectLayout(form, {
      {"Frame1", "Form1", 8, 8, 409, 193},
      {"Label2", "Frame1", 16, 27, 73, 17},
      {"Text1", "Frame1", 88, 24, 305, 22},
      {"Label1", "Frame1", 16, 59, 73, 17},
      {"Text2", "Frame1", 88, 56, 305, 22},
      {"Label4", "Frame1", 16, 91, 73, 17},
      {"Text3", "Frame1", 88, 88, 305, 22},
      {"Label3", "Frame1", 16, 123, 65, 17},
      {"Text4", "Frame1", 88, 120, 305, 22},
      {"Check3", "Form1", 16, 160, 385, 25},
      {"Frame2", "Form1", 8, 208, 409, 89},
      {"Label5", "Frame2", 16, 27, 97, 17},
      {"Text5", "Frame2", 120, 24, 241, 22},
      {"lblPassword", "Frame2", 16, 59, 176, 15},
      {"txtPassword", "Frame2", 200, 56, 191, 23},
      {"Check1", "Form1", 376, 232, 22, 22},  // 325 twips: 21.7 pixels
      {"chkKeepTypes", "Form1", 16, 302, 385, 19},
      {"Check2", "Form1", 8, 328, 409, 25},
  });
  for (const char* name : {"Check3", "Check1"}) {
    QWidget* button = ProgramRun::Child(form, name);
    EXPECT_EQ(form.childAt(button->geometry().center()), button) << name << " drawn above its frame";
  }
}

TEST(SetupDialogLayout, CaptionsNamesFontsAndMasking) {
  ProgramRun run;
  run.Start();
  app::Form1& form = run.form1();
  const struct {
    const char* name;
    const char* accessibleName;
  } controls[] = {
      {"Frame1", "MySQL Database"},   {"Label2", "Server:"},
      {"Text1", "Server:"},           {"Label1", "Username:"},
      {"Text2", "Username:"},         {"Label4", "Password:"},
      {"Text3", "Password:"},         {"Label3", "Database:"},
      {"Text4", "Database:"},         {"Check3", "Test Connection"},
      {"Frame2", "Access Database"},  {"Label5", "Access MDB File:"},
      {"Text5", "Access MDB File:"},  {"lblPassword", "Access Password (if required):"},
      {"txtPassword", "Access Password (if required):"},
      {"Check1", "..."},              {"Check2", "OK"},
  };
  for (const auto& c : controls) {
    QWidget* widget = ProgramRun::Child(form, c.name);
    EXPECT_EQ(testsupport::AccessibleName(widget), c.accessibleName) << c.name;
    const QFontInfo font(widget->font());
    EXPECT_TRUE(font.family() == "Arial" || font.family() == "Liberation Sans") << c.name;
    EXPECT_EQ(font.pointSize(), 9) << c.name;
    EXPECT_TRUE(font.bold()) << c.name;
  }
  EXPECT_FALSE(form.font().bold()) << "the form's own font is regular";
  EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::white));

  for (const char* name : {"Text3", "txtPassword"}) {
    QLineEdit* box = Box(run, name);
    EXPECT_EQ(box->echoMode(), QLineEdit::Password) << name;
    QStyleOptionFrame option;
    option.initFrom(box);
    EXPECT_EQ(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, box), '*')
        << name;
  }
  for (const char* name : {"Text1", "Text2", "Text4", "Text5"})
    EXPECT_EQ(Box(run, name)->echoMode(), QLineEdit::Normal) << name;
}

TEST(SetupDialogLayout, TabWalksTheBoxesThenTheButtons) {
  ProgramRun run;
  run.Start();
  EXPECT_EQ(testsupport::TabWalk(run.form1(), Box(run, "Text1"), 10),
            (QStringList{"Text1", "Text2", "Text3", "Text4", "Text5", "txtPassword", "Check3",
                         "Check1", "chkKeepTypes", "Check2", "Text1"}));
}

// Off until the user ticks it; each click is stored at once, and a later
// start reads what was stored.
TEST(SetupDialogTyping, KeepColumnTypesIsOffByDefaultAndStoredAtEachClick) {
  ProgramRun run;
  run.Start();
  auto* keep = ProgramRun::Child<QCheckBox>(run.form1(), "chkKeepTypes");
  EXPECT_EQ(keep->text(), "Keep column types");
  EXPECT_FALSE(keep->isChecked());
  EXPECT_FALSE(run.program->Settings().KeepColumnTypes());
  QTest::mouseClick(keep, Qt::LeftButton, {}, QPoint(5, keep->height() / 2));
  EXPECT_EQ(ReadSetting("KeepColumnTypes"), "1");
  EXPECT_TRUE(run.program->Settings().KeepColumnTypes());
  settings::ConnectionSettings later;
  later.Load();
  EXPECT_TRUE(later.KeepColumnTypes());
  keep->click();
  EXPECT_EQ(ReadSetting("KeepColumnTypes"), "0");
  EXPECT_FALSE(run.program->Settings().KeepColumnTypes());
}

TEST(SetupDialogTyping, EveryKeystrokeIsStoredBeforeOk) {
  ProgramRun run;
  run.Start();
  QLineEdit* server = Box(run, "Text1");
  QStringList stored;
  for (QChar key : QStringLiteral("db1")) {
    QTest::keyClick(server, key.toLatin1());
    stored << ReadSetting("Server");
  }
  EXPECT_EQ(stored, (QStringList{"d", "db", "db1"})) << "three keystrokes, three writes";
  EXPECT_EQ(run.program->Settings().Server(), "db1");
  EXPECT_EQ(run.form1().isVisible(), true) << "no OK pressed";

  const struct {
    const char* box;
    const char* key;
  } boxes[] = {{"Text2", "User"},         {"Text3", "Password"},     {"Text4", "Database"},
               {"Text5", "AccessMDBFile"}, {"txtPassword", "AccessPassword"}};
  for (const auto& b : boxes) {
    QTest::keyClicks(Box(run, b.box), QStringLiteral(" x;y "));
    EXPECT_EQ(ReadSetting(b.key), " x;y ") << b.box << ": kept with its blanks";
  }

  // Clearing a box stores the empty text, and the next start shows the dialog.
  Box(run, "Text5")->clear();
  EXPECT_EQ(ReadSetting("AccessMDBFile"), "");
  EXPECT_FALSE(run.program->Settings().IsComplete());

  run.program.reset();
  run.Start();
  EXPECT_EQ(Box(run, "Text1")->text(), "db1");
  EXPECT_EQ(Box(run, "txtPassword")->text(), " x;y ");
  EXPECT_TRUE(run.form1().isVisible());
}

TEST(SetupDialogKeys, EscapeAndEnterDoNothing) {
  ProgramRun run;
  run.Start();
  app::Form1& form = run.form1();
  int tests = 0;
  form.hooks.testConnection = [&] { ++tests; };
  for (const char* focused : {"Text1", "txtPassword", "Check3", "Check2"}) {
    QWidget* widget = ProgramRun::Child(form, focused);
    widget->setFocus();
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
      QTest::keyClick(widget, key);
      EXPECT_TRUE(form.isVisible()) << focused;
      EXPECT_FALSE(run.form2().isVisible()) << focused;
    }
  }
  EXPECT_EQ(tests, 0);
  EXPECT_EQ(run.quits, 0);
}

TEST(SetupDialogChooser, ChosenPathIsStoredAtOnceAndCancelKeepsTheOldOne) {
  ProgramRun run;
  run.Start();
  QLineEdit* path = Box(run, "Text5");
  QTest::keyClicks(path, "/old/shop.mdb");

  struct Case {
    std::optional<QString> answer;
    const char* shown;
  } cases[] = {
      {QStringLiteral("/data/new file.mdb"), "/data/new file.mdb"},
      {std::nullopt, "/data/new file.mdb"},
      {QStringLiteral("/not/yet/there.mdb"), "/not/yet/there.mdb"},
  };
  for (const Case& c : cases) {
    run.prompter.QueueOpenFile(c.answer);
    QTest::mouseClick(Button(run, "Check1"), Qt::LeftButton);
    EXPECT_EQ(path->text(), c.shown);
    EXPECT_EQ(ReadSetting("AccessMDBFile"), c.shown);
    EXPECT_EQ(Button(run, "Check1")->Value(), 0);
  }
  const ui::ScriptedPrompter::Shown chooser{
      Kind::OpenFile, "Add File(s) - Hold Ctrl to select multiple files",
      "Microsoft Database (*.mdb *.accdb)"};
  EXPECT_EQ(run.prompter.ShownItems(),
            (std::vector<ui::ScriptedPrompter::Shown>(std::size(cases), chooser)));
  EXPECT_TRUE(run.form1().isVisible());
}

TEST(SetupDialogNewFile, AMissingAccessFileIsOfferedAsANewDatabase) {
  ProgramRun run;
  run.Start();
  app::Form1& form = run.form1();
  QStringList created;
  form.hooks.createAccessDatabase = [&](const QString& path) { created << path; };
  QTemporaryDir folder;
  const QString existing = folder.filePath(QStringLiteral("there.mdb"));
  QFile(existing).open(QIODevice::WriteOnly);
  const QString missing = folder.filePath(QStringLiteral("weekly.mdb"));
  const ui::ScriptedPrompter::Shown question{Kind::YesNo, "Tabloria", "Create a new Access database " + missing + "?"};

  struct Case {
    QString chosen;
    std::optional<bool> answer;  // none: no question
    QStringList created;
  } cases[] = {
      {missing, true, {missing}},
      {missing, false, {}},
      {existing, std::nullopt, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen.toStdString());
    created.clear();
    const std::size_t before = run.prompter.ShownItems().size();
    run.prompter.QueueOpenFile(c.chosen);
    if (c.answer) run.prompter.QueueYesNo(*c.answer);
    QTest::mouseClick(Button(run, "Check1"), Qt::LeftButton);
    EXPECT_EQ(created, c.created);
    EXPECT_EQ(Box(run, "Text5")->text(), c.chosen) << "the path stays as chosen, either answer";
    ASSERT_EQ(run.prompter.ShownItems().size(), before + (c.answer ? 2 : 1));
    if (c.answer) EXPECT_EQ(run.prompter.ShownItems().back(), question);
  }

  // A path typed by hand is offered at "OK", before the main window loads
  // (the path answered No above would not be offered again).
  const QString typed = folder.filePath(QStringLiteral("typed.mdb"));
  Box(run, "Text5")->setText(typed);
  bool askedBeforeLoad = false;
  run.prompter.SetObserver([&](const auto&) { askedBeforeLoad = !run.form2().IsLoaded(); });
  run.prompter.QueueYesNo(false);
  QTest::mouseClick(Button(run, "Check2"), Qt::LeftButton);
  EXPECT_TRUE(askedBeforeLoad);
  EXPECT_EQ(run.prompter.ShownItems().back(),
            (ui::ScriptedPrompter::Shown{Kind::YesNo, "Tabloria", "Create a new Access database " + typed + "?"}));
  EXPECT_TRUE(run.form2().isVisible());
  EXPECT_TRUE(run.prompter.AllAnswersUsed());
}

TEST(SetupDialogButtons, EachPressRunsOnceWithTheButtonReleased) {
  ProgramRun run;
  run.Start();
  app::Form1& form = run.form1();
  ui::CommandButton* test = Button(run, "Check3");
  int runs = 0;
  form.hooks.testConnection = [&] {
    ++runs;
    EXPECT_EQ(test->Value(), 0);
    EXPECT_FALSE(test->isDown());
    ui::ArrowOnExit arrow(form);
    arrow.SetHourglass();
    run.prompter.ShowMessage("Connection successful.");
  };
  int pointerWhileShown = -1;
  run.prompter.SetObserver([&](const auto&) { pointerWhileShown = form.MousePointer(); });
  QSignalSpy clicks(test, &QPushButton::toggled);
  QTest::mouseClick(test, Qt::LeftButton);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_EQ(pointerWhileShown, ui::kHourglass);
  EXPECT_EQ(form.MousePointer(), ui::kArrow);

  // "OK" once: the main window is loaded and shown once.
  int loads = 0;
  run.form2().hooks.fillTableLists = [&] { ++loads; };
  QSignalSpy okClicks(Button(run, "Check2"), &QPushButton::toggled);
  QTest::mouseClick(Button(run, "Check2"), Qt::LeftButton);
  EXPECT_EQ(okClicks.count(), 2);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(Button(run, "Check2")->Value(), 0);
}

}  // namespace
