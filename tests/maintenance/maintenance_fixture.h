// The whole program on a copy of an Access file and a scratch MySQL database,
// started as a user starts it, so that a test presses the real buttons and
// then looks at the lists, the messages, the pointer and both databases.
#pragma once

#include <QTest>
#include <gtest/gtest.h>

#include "access_fixtures.h"
#include "ui/command_button.h"
#include "ui/mouse_pointer.h"
#include "ui/table_list.h"
#include "dataaccess/recordset.h"
#include "wired_program.h"
#include "settings/settings_store.h"
#include "jet/write/database_writer.h"
#include "test_server.h"

namespace maintenancetest {

inline QStringList Names(ui::TableList& list) {
  QStringList names;
  for (int i = 0; i < list.ListCount(); ++i) names << list.List(i);
  return names;
}

class ProgramTest : public testing::Test {
 protected:
  // The Access file and the MySQL tables the program starts with.
  // Use through START_PROGRAM, which ends the test when this skips or fails.
  void Start(const QString& fixture, const std::vector<std::string>& accessTables,
             const std::vector<std::string>& mySqlTables, const QString& accessPassword = {}) {
    accessPassword_ = accessPassword;
    found_ = testing_mysql::FromEnvironment();
    if (!found_) GTEST_SKIP() << "No test MariaDB: TABLORIA_TEST_MYSQL_* are not set (scripts/test sets them).";
    db_ = std::make_unique<testing_mysql::ScratchDatabase>(*found_);
    for (const std::string& name : mySqlTables) db_->Run("CREATE TABLE " + name + " (a INT)");
    file_ = scratch_.Copy(fixture);
    for (const std::string& name : accessTables) AccessStatement("CREATE TABLE [" + name + "] (a text(5))");

    settings::WriteSetting("Server", QString::fromStdString(found_->host + ":" + found_->port));
    settings::WriteSetting("User", QString::fromStdString(found_->user));
    settings::WriteSetting("Password", QString::fromStdString(found_->password));
    settings::WriteSetting("Database", QString::fromStdString(db_->Name()));
    settings::WriteSetting("AccessMDBFile", file_);
    settings::WriteSetting("AccessPassword", accessPassword);
    wired_.Create();
    run_.prompter.SetObserver(
        [this](const ui::ScriptedPrompter::Shown&) { pointerWhileAsked_.push_back(Window().MousePointer()); });
    run_.program->Start();
    ASSERT_TRUE(Window().isVisible());
    ASSERT_TRUE(wired_.WaitForCommands());
    ASSERT_EQ(run_.prompter.ShownTexts(), QStringList{}) << "the lists filled without a message";
  }

  app::Form2& Window() { return run_.form2(); }
  ui::TableList& AccessList() { return Window().List1(); }
  ui::TableList& MySqlList() { return Window().List3(); }
  ui::ScriptedPrompter& Prompter() { return run_.prompter; }
  settings::ConnectionSettings& Settings() { return run_.program->Settings(); }
  const QString& AccessFile() const { return file_; }
  const testing_mysql::ScratchDatabase& Db() const { return *db_; }

  // Selects `name` in `list` (it must be there), as a click on it would.
  void Select(ui::TableList& list, const QString& name) {
    int index = Names(list).indexOf(name);
    ASSERT_GE(index, 0) << name.toStdString() << " is not listed";
    list.SetListIndex(index);
  }

  // Presses a button of the main window as a user does; returns what was
  // shown meanwhile, and forgets it for the next press.
  QStringList Press(const char* button) {
    auto* control = testsupport::ProgramRun::Child<ui::CommandButton>(Window(), button);
    std::size_t before = run_.prompter.ShownItems().size();
    pointerWhileAsked_.clear();
    QTest::mouseClick(control, Qt::LeftButton);
    EXPECT_TRUE(wired_.WaitForCommands());
    QStringList shown = run_.prompter.ShownTexts().mid(static_cast<qsizetype>(before));
    return shown;
  }
  // The window's pointer at each item shown during the last press.
  const std::vector<int>& PointerWhileAsked() const { return pointerWhileAsked_; }

  // A statement on the Access copy from outside the program (another client).
  void AccessStatement(const std::string& sql) {
    jet::ExecuteStatement(file_.toStdString(), accessPassword_.trimmed().toStdString(), sql);
  }

  QStringList MySqlTables() const {
    auto connection = db_->Connect();
    dataaccess::Recordset tables = connection->Execute("SHOW TABLES");
    QStringList names;
    while (!tables.Eof()) {
      names << QString::fromStdString(std::get<std::string>(tables.Field(0).Value()));
      tables.MoveNext();
    }
    names.sort();
    return names;
  }

  // The Access file's user tables as both independent readers list them;
  // fails the test when they disagree.
  QStringList AccessTables() const {
    QStringList mdbtools = accesstest::MdbToolsTables(file_);
    EXPECT_EQ(accesstest::MdbReaderTables(file_), mdbtools) << "mdb-reader and mdbtools disagree";
    return mdbtools;
  }

 private:
  testsupport::WiredProgram wired_;
  testsupport::ProgramRun& run_ = wired_.run;
  accesstest::Scratch scratch_;
  std::optional<testing_mysql::TestServer> found_;
  std::unique_ptr<testing_mysql::ScratchDatabase> db_;
  QString file_;
  QString accessPassword_;
  std::vector<int> pointerWhileAsked_;
};

}  // namespace maintenancetest

#define START_PROGRAM(...)                      \
  Start(__VA_ARGS__);                           \
  if (IsSkipped() || HasFatalFailure()) return
