// Filling the MySQL table list, and the main window's load when that fails.
#include <gtest/gtest.h>

#include "ui/table_list.h"
#include "dataaccess/error.h"
#include "module_fixture.h"
#include "mysql/mysql_connection.h"
#include "mysql/mysql_table_list.h"

namespace {

QStringList Entries(const ui::TableList& list) {
  QStringList names;
  for (int i = 0; i < list.ListCount(); ++i) names << list.List(i);
  return names;
}

class TableListTest : public testing_mysql::ModuleTest {
 protected:
  mysql::MySqlConnection shared_;
  ui::TableList list_;
};

TEST_F(TableListTest, EmptyDatabaseGivesAnEmptyListWithoutSelection) {
  list_.AddItem("left over");
  list_.SetListIndex(0);
  mysql::FillMySqlTableList(shared_, settings_, list_);
  EXPECT_EQ(list_.ListCount(), 0);
  EXPECT_EQ(list_.ListIndex(), -1);
}

TEST_F(TableListTest, TablesAreListedSortedWithTheFirstSelected) {
  for (const char* name : {"b", "a", "c", "Ship Name", "back`tick"}) {
    Db().Run("CREATE TABLE " + mysql::QuoteMySqlName(name).toStdString() + " (x int)");
  }
  mysql::FillMySqlTableList(shared_, settings_, list_);
  EXPECT_EQ(Entries(list_), (QStringList{"a", "b", "back`tick", "c", "Ship Name"}));
  EXPECT_EQ(list_.ListIndex(), 0);
  // The shared connection stays open for the next command.
  ASSERT_TRUE(shared_.connection && shared_.connection->IsOpen());
  EXPECT_EQ(shared_.connection->Execute("SELECT * FROM a").RecordCount(), 0);
}

TEST_F(TableListTest, FillPassesAFailureOnWithTheListCleared) {
  list_.AddItem("stale");
  settings_.SetDatabase(QStringLiteral("no_such_database_here"));
  try {
    mysql::FillMySqlTableList(shared_, settings_, list_);
    ADD_FAILURE() << "filled from a database that does not exist";
  } catch (const dataaccess::DbError& error) {
    EXPECT_EQ(error.Number(), dataaccess::kConnectFailed);
  }
  EXPECT_EQ(list_.ListCount(), 0);
}

TEST_F(TableListTest, LoadThatCannotListShowsOneMessageAndAnEmptyList) {
  struct Case {
    const char* what;
    void (*breakSettings)(settings::ConnectionSettings&);
    QString descriptionPart;
  };
  std::vector<Case> cases = {
      {"login refused", [](settings::ConnectionSettings& s) { s.SetPassword("wrong"); }, "Access denied for user"},
      {"no such database", [](settings::ConnectionSettings& s) { s.SetDatabase("no_such_database_here"); },
       "Unknown database 'no_such_database_here'"},
      // Port 1 on loopback: nothing listens there, as with a stopped server.
      {"server down", [](settings::ConnectionSettings& s) { s.SetServer("127.0.0.1:1"); }, "Can't connect"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_mysql::PointSettingsAt(settings_, Server(), Db().Name());
    c.breakSettings(settings_);
    ui::ScriptedPrompter prompter;
    list_.AddItem("stale");
    EXPECT_FALSE(mysql::LoadMySqlTableList(shared_, settings_, list_, prompter));
    EXPECT_EQ(list_.ListCount(), 0);
    EXPECT_EQ(list_.ListIndex(), -1);
    ASSERT_EQ(prompter.ShownTexts().size(), 1);
    EXPECT_TRUE(prompter.ShownTexts()[0].contains(c.descriptionPart)) << prompter.ShownTexts()[0].toStdString();
  }
  // Once the settings are right again the next fill works.
  testing_mysql::PointSettingsAt(settings_, Server(), Db().Name());
  Db().Run("CREATE TABLE a (x int)");
  ui::ScriptedPrompter prompter;
  EXPECT_TRUE(mysql::LoadMySqlTableList(shared_, settings_, list_, prompter));
  EXPECT_EQ(Entries(list_), QStringList{"a"});
  EXPECT_TRUE(prompter.ShownItems().empty());
}

}  // namespace
