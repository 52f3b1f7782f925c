// The shared connection and the statement runner against the test server:
// what the user sees for each kind of failure, and what reaches the server.
#include <gtest/gtest.h>

#include <QThread>

#include "dataaccess/error.h"
#include "dataaccess/mysql_session.h"
#include "module_fixture.h"
#include "mysql/messages.h"
#include "mysql/mysql_connection.h"

namespace {

using ui::ScriptedPrompter;
using mysql::MySqlConnection;

const QString kReportStart = QStringLiteral(
    "This is an error that I had not foreseen when developing this addin. Please email me "
    "(support@quenmark.example) a screen shot of the entire screen and a very short description "
    "of what you were trying to do.\r\r-2147217900 ");

class StatementTest : public testing_mysql::ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    if (IsSkipped()) return;
    mysql::OpenMySqlConnection(shared_, settings_);
  }

  std::int64_t Count(const std::string& query) {
    return shared_.connection->Execute(query).RecordCount();
  }

  // The two messages of a refused statement.
  static void ExpectCommandErrorMessages(const ScriptedPrompter& prompter, const QString& statement,
                                         const QString& descriptionStart) {
    QStringList shown = prompter.ShownTexts();
    ASSERT_EQ(shown.size(), 2) << shown.join(" | ").toStdString();
    EXPECT_EQ(shown[0], "What happened?: " + statement);
    EXPECT_TRUE(shown[1].startsWith(kReportStart + descriptionStart)) << shown[1].toStdString();
    EXPECT_TRUE(shown[1].endsWith('\r'));
    EXPECT_FALSE(shown[1].endsWith("\r\r"));
    for (const auto& item : prompter.ShownItems()) {
      EXPECT_EQ(item.kind, ScriptedPrompter::Kind::Message);
      EXPECT_EQ(item.title, "Tabloria");
    }
  }

  MySqlConnection shared_;
};

TEST_F(StatementTest, OpenUsesClientCursorsAndEachOpenReplacesTheLast) {
  EXPECT_EQ(shared_.connection->CursorLocation(), 3);
  EXPECT_TRUE(shared_.connection->IsOpen());
  EXPECT_FALSE(shared_.statementRecordset->IsOpen());
  auto firstId = dynamic_cast<dataaccess::MySqlSession&>(shared_.connection->Session()).ServerConnectionId();
  mysql::OpenMySqlConnection(shared_, settings_);
  // The first connection has been closed: the server drops it (after a moment).
  std::string query = "SELECT ID FROM information_schema.PROCESSLIST WHERE ID = " + std::to_string(firstId);
  int waited = 0;
  while (Count(query) != 0 && waited++ < 50) QThread::msleep(20);
  EXPECT_EQ(Count(query), 0) << "the previous connection is still alive";
}

TEST_F(StatementTest, FailedOpenLeavesNewUnopenedMembers) {
  settings_.SetPassword(QStringLiteral("wrong"));
  try {
    mysql::OpenMySqlConnection(shared_, settings_);
    ADD_FAILURE() << "opened with a wrong password";
  } catch (const dataaccess::DbError& error) {
    EXPECT_EQ(error.Number(), dataaccess::kConnectFailed);
  }
  ASSERT_TRUE(shared_.connection);
  EXPECT_FALSE(shared_.connection->IsOpen());
  // Statements on it are reported, not thrown.
  EXPECT_FALSE(mysql::RunMySqlStatement(shared_, "CREATE TABLE t (a int)", prompter_));
  ASSERT_EQ(prompter_.ShownTexts().size(), 1);
  EXPECT_TRUE(prompter_.ShownTexts()[0].startsWith("-2147418113 "));
}

TEST_F(StatementTest, StatementThatRunsShowsNothingAndSaysSo) {
  EXPECT_TRUE(mysql::RunMySqlStatement(shared_, "CREATE TABLE `T`(`A` char(5));", prompter_));
  EXPECT_TRUE(mysql::RunMySqlStatement(shared_, "INSERT INTO `T` VALUES('hello');", prompter_));
  EXPECT_TRUE(prompter_.ShownItems().empty());
  EXPECT_EQ(Count("SELECT * FROM T"), 1);
  EXPECT_FALSE(shared_.statementRecordset->IsOpen());
}

TEST_F(StatementTest, RefusedStatementShowsBothMessagesWithTheServersDescription) {
  struct Case {
    QString statement;
    QString descriptionStart;
  };
  Db().Run("CREATE TABLE existing (a int)");
  for (const Case& c : {Case{"CREATE TABLE (", "You have an error in your SQL syntax"},
                        Case{"CREATE TABLE `existing`(`a` char(1));", "Table 'existing' already exists"},
                        Case{"INSERT INTO `missing` VALUES('1');", "Table '"}}) {
    SCOPED_TRACE(c.statement.toStdString());
    ScriptedPrompter prompter;
    EXPECT_FALSE(mysql::RunMySqlStatement(shared_, c.statement, prompter));
    ExpectCommandErrorMessages(prompter, c.statement, c.descriptionStart);
  }
  // The connection carries on.
  EXPECT_TRUE(mysql::RunMySqlStatement(shared_, "CREATE TABLE after_errors (a int)", prompter_));
}

TEST_F(StatementTest, LostConnectionIsShownWithItsNumberInOneMessage) {
  auto killer = Db().Connect();
  auto id = dynamic_cast<dataaccess::MySqlSession&>(shared_.connection->Session()).ServerConnectionId();
  killer->Execute("KILL CONNECTION " + std::to_string(id));
  EXPECT_FALSE(mysql::RunMySqlStatement(shared_, "INSERT INTO `T` VALUES('1');", prompter_));
  QStringList shown = prompter_.ShownTexts();
  ASSERT_EQ(shown.size(), 1) << shown.join(" | ").toStdString();
  EXPECT_TRUE(shown[0].startsWith("-2147418113 ")) << shown[0].toStdString();
  EXPECT_GT(shown[0].size(), QStringLiteral("-2147418113 ").size());
}

TEST_F(StatementTest, DropQuotesTheNameSoAnyNameCanGo) {
  for (QString name : {"plain", "with blank", "back`tick", "it's", "say \"hi\"", "Größe"}) {
    SCOPED_TRACE(name.toStdString());
    Db().Run("CREATE TABLE " + mysql::QuoteMySqlName(name).toStdString() + " (a int)");
    EXPECT_TRUE(mysql::DropMySqlTable(shared_, name, prompter_));
    EXPECT_EQ(Count("SHOW TABLES"), 0);
  }
  EXPECT_TRUE(prompter_.ShownItems().empty());
}

TEST_F(StatementTest, DropOfAMissingTableIsReportedAsARefusal) {
  EXPECT_FALSE(mysql::DropMySqlTable(shared_, "no such", prompter_));
  ExpectCommandErrorMessages(prompter_, "DROP TABLE `no such`", "Unknown table '");
}

TEST_F(StatementTest, InsertedValuesArriveByteForByte) {
  ASSERT_TRUE(mysql::RunMySqlStatement(shared_, "CREATE TABLE `T`(`V` varchar(50));", prompter_));
  // Texts as the transfer builds them: apostrophes doubled, nothing else touched.
  std::vector<QString> values = {"C:\\new\\table", "ends with \\", "O'Brien", "Grüße 😀 日本"};
  for (const QString& value : values) {
    QString quoted = value;
    quoted.replace('\'', "''");
    ASSERT_TRUE(mysql::RunMySqlStatement(shared_, "INSERT INTO `T` VALUES('" + quoted + "');", prompter_));
  }
  dataaccess::Recordset rows = shared_.connection->Execute("SELECT V FROM T");
  ASSERT_EQ(rows.RecordCount(), static_cast<std::int64_t>(values.size()));
  for (const QString& value : values) {
    EXPECT_EQ(std::get<std::string>(rows.Field(0).Value()), value.toStdString());
    rows.MoveNext();
  }
}

}  // namespace
