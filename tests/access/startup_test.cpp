// Starting Tabloria with stored settings: the Access list shows exactly the
// file's user tables, or the one message when the file cannot be opened.
#include <gtest/gtest.h>

#include "access_fixtures.h"
#include "ui/table_list.h"
#include "wired_program.h"
#include "settings/settings_store.h"
#include "test_server.h"

namespace {

QStringList Names(ui::TableList& list) {
  QStringList names;
  for (int i = 0; i < list.ListCount(); ++i) names << list.List(i);
  return names;
}

TEST(Startup, ListsTheAccessFilesUserTablesOrSaysItCannotReachThem) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server);
  db.Run("CREATE TABLE towns (name VARCHAR(20))");
  struct Case {
    const char* what;
    QString file, password;
    QStringList accessNames;
    QStringList messages;
  };
  const QString unable = QStringLiteral("Unable to access the database");
  const std::vector<Case> cases = {
      {"plain file", accesstest::Fixture("testV2000.mdb"), "", {"Table1", "Table2", "Table3", "Table4"}, {}},
      {"linked and hidden tables", accesstest::Fixture("indexTestV2000.mdb"), "",
       accesstest::MdbToolsTables(accesstest::Fixture("indexTestV2000.mdb")), {}},
      {"protected file, right password", accesstest::Fixture("passwordV2000.mdb"), "password", {"Table1"}, {}},
      {"protected file, wrong password", accesstest::Fixture("passwordV2000.mdb"), "secret", {}, {unable}},
      {"missing file", accesstest::FixtureDir() + "/none.mdb", "", {}, {unable}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::WiredProgram wired;
    testsupport::ProgramRun& run = wired.run;
    settings::WriteSetting("Server", QString::fromStdString(server.host + ":" + server.port));
    settings::WriteSetting("User", QString::fromStdString(server.user));
    settings::WriteSetting("Password", QString::fromStdString(server.password));
    settings::WriteSetting("Database", QString::fromStdString(db.Name()));
    settings::WriteSetting("AccessMDBFile", c.file);
    settings::WriteSetting("AccessPassword", c.password);
    wired.Create();
    run.program->Start();
    ASSERT_TRUE(run.form2().isVisible()) << "shown at once, before the lists are filled";
    ASSERT_TRUE(wired.WaitForCommands());

    EXPECT_EQ(Names(run.form2().List1()), c.accessNames);
    EXPECT_EQ(run.form2().List1().ListIndex(), c.accessNames.isEmpty() ? -1 : 0);
    EXPECT_EQ(run.prompter.ShownTexts(), c.messages);
    // The MySQL list is filled after the Access list, whatever became of it.
    EXPECT_EQ(Names(run.form2().List3()), QStringList{QStringLiteral("towns")});
  }
}

}  // namespace
