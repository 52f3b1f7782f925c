// The Access module: its connection string, statements on a connection of
// their own, the catalogue behind the Access list, and the rename.
#include <gtest/gtest.h>

#include <QFile>
#include <QDir>
#include <unistd.h>

#include "access/access_catalogue.h"
#include "access/access_connection.h"
#include "access_fixtures.h"
#include "ui/scripted_prompter.h"
#include "ui/table_list.h"
#include "config_home.h"
#include "dataaccess/connection_string.h"
#include "dataaccess/error.h"
#include "settings/connection_settings.h"
#include "widget_checks.h"

namespace {

using accesstest::Rows;
using accesstest::Scratch;

class AccessModuleTest : public testing::Test {
 protected:
  void UseFile(const QString& path, const QString& password = {}) {
    settings_.SetAccessMDBFile(path);
    settings_.SetAccessPassword(password);
  }
  QStringList ListedNames() const {
    QStringList names;
    for (int i = 0; i < list_.ListCount(); ++i) names << list_.List(i);
    return names;
  }

  testsupport::ScopedConfigHome home_;
  settings::ConnectionSettings settings_;
  ui::ScriptedPrompter prompter_;
  ui::TableList list_;
  Scratch scratch_;
};

TEST(AccessConnectionString, IsTheFourPiecesWithValuesQuotedOnlyWhenTheyWouldBreakIt) {
  struct Case {
    const char* what;
    QString path, password, expected;
  };
  const QString head = QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=");
  const QString middle = QStringLiteral(";JET OLEDB:Database Password=");
  const std::vector<Case> cases = {
      {"empty password", "C:\\data\\a.mdb", "", head + "C:\\data\\a.mdb" + middle},
      {"blanks kept", "/data/a b.mdb", " pw ", head + "/data/a b.mdb" + middle + " pw "},
      {"quotes inside stay", "/data/it's \"x\".mdb", "p\"w'", head + "/data/it's \"x\".mdb" + middle + "p\"w'"},
      {"braces stay", "{x}.mdb", "{pw}", head + "{x}.mdb" + middle + "{pw}"},
      {"semicolon in the path", "/a;b/c.mdb", "", head + "\"/a;b/c.mdb\"" + middle},
      {"semicolon in the password", "/c.mdb", "p;w\"", head + "/c.mdb" + middle + "\"p;w\"\"\""},
      {"leading double quote", "\"c.mdb", "\"", head + "\"\"\"c.mdb\"" + middle + "\"\"\"\""},
      {"leading single quote", "'c.mdb", "'pw'", head + "\"'c.mdb\"" + middle + "\"'pw'\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QString built = msaccess::BuildAccessConnectionString(c.path, c.password);
    EXPECT_EQ(built, c.expected);
    // Whatever the string looks like, the engine reads the values back exactly.
    auto attributes = dataaccess::ConnectionAttributes::ParseOleDb(built.toStdString());
    EXPECT_EQ(attributes.Find({"Data Source"}), c.path.toStdString());
    EXPECT_EQ(attributes.Find({"JET OLEDB:Database Password"}), c.password.toStdString());
  }
}

TEST_F(AccessModuleTest, CatalogueListsExactlyWhatMdbtoolsListsForEveryFixture) {
  for (const QString& fixture : accesstest::FixtureNames()) {
    SCOPED_TRACE(fixture.toStdString());
    UseFile(accesstest::Fixture(fixture), accesstest::PasswordOf(fixture));
    std::optional<QStringList> names = msaccess::GetAccessTableNames(settings_.AccessMDBFile(), settings_);
    ASSERT_TRUE(names.has_value());
    QStringList sorted = *names;
    sorted.sort();
    EXPECT_EQ(sorted, accesstest::MdbToolsTables(accesstest::Fixture(fixture)));
  }
}

TEST_F(AccessModuleTest, CatalogueTrimsThePasswordAndStatementsDoNot) {
  const QString file = scratch_.Copy(QStringLiteral("passwordV2000.mdb"));
  struct Case {
    const char* what;
    QString password;
    bool catalogueOpens;
    bool statementRuns;
  };
  const std::vector<Case> cases = {
      {"exact", "password", true, true},
      {"blanks around", "  password ", true, false},
      {"empty", "", false, false},
      {"only blanks", "   ", false, false},
      {"wrong", "Password", false, false},
      {"tab is no blank", "password\t", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UseFile(file, c.password);
    std::optional<QStringList> names = msaccess::GetAccessTableNames(file, settings_);
    EXPECT_EQ(names.has_value(), c.catalogueOpens);
    if (names) {
      EXPECT_EQ(*names, QStringList{QStringLiteral("Table1")});
    }
    try {
      msaccess::ExecuteAccessStatement(settings_, QStringLiteral("SELECT * FROM Table1"));
      EXPECT_TRUE(c.statementRuns);
    } catch (const dataaccess::DbError& failure) {
      EXPECT_FALSE(c.statementRuns);
      EXPECT_EQ(failure.Number(), dataaccess::kConnectFailed);
    }
  }
  // A password given for a file without one is ignored.
  UseFile(scratch_.Copy(QStringLiteral("testV2000.mdb")), QStringLiteral(" anything "));
  EXPECT_TRUE(msaccess::GetAccessTableNames(settings_.AccessMDBFile(), settings_).has_value());
}

TEST_F(AccessModuleTest, ListFillSelectsTheFirstNameOrReportsAndStaysEmpty) {
  QFile notes(scratch_.Path(QStringLiteral("notes.mdb")));
  ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
  notes.write("Not a database at all, but long enough to look like one at first sight.\n");
  notes.close();
  const QString truncated = scratch_.Copy(QStringLiteral("testV2000.mdb"), QStringLiteral("truncated.mdb"));
  QFile::resize(truncated, 3 * 4096);
  const QString unreadable = scratch_.Copy(QStringLiteral("testV2000.mdb"), QStringLiteral("unreadable.mdb"));
  QFile::setPermissions(unreadable, QFileDevice::WriteOwner);

  struct Case {
    const char* what;
    QString path, password;
    QStringList names;  // empty with failed: the message
    bool failed;
  };
  const std::vector<Case> cases = {
      {"user tables only, sorted", accesstest::Fixture("testV2000.mdb"), "", {"Table1", "Table2", "Table3", "Table4"}, false},
      {"protected file, right password", accesstest::Fixture("passwordV2000.mdb"), "password", {"Table1"}, false},
      {"no user tables", accesstest::Fixture("emptyJet4.mdb"), "", {}, false},
      {"missing file", scratch_.Path(QStringLiteral("none.mdb")), "", {}, true},
      {"directory", accesstest::FixtureDir(), "", {}, true},
      {"empty path", "", "", {}, true},
      {"not a database", notes.fileName(), "", {}, true},
      {"truncated copy", truncated, "", {}, true},
      {"wrong password", accesstest::Fixture("passwordV2000.mdb"), "wrong", {}, true},
      {"no password for a protected file", accesstest::Fixture("passwordV2000.mdb"), "", {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    list_.AddItem(QStringLiteral("left over"));
    list_.SetListIndex(0);
    UseFile(c.path, c.password);
    ui::ScriptedPrompter prompter;
    msaccess::FillAccessTableList(settings_, list_, prompter);
    EXPECT_EQ(ListedNames(), c.names);
    EXPECT_EQ(list_.ListIndex(), c.names.isEmpty() ? -1 : 0);
    EXPECT_EQ(prompter.ShownTexts(), c.failed ? QStringList{QStringLiteral("Unable to access the database")} : QStringList{});
  }
  if (::geteuid() != 0) {  // root reads any file
    UseFile(unreadable);
    ui::ScriptedPrompter prompter;
    msaccess::FillAccessTableList(settings_, list_, prompter);
    EXPECT_EQ(prompter.ShownTexts(), QStringList{QStringLiteral("Unable to access the database")});
  }
}

TEST_F(AccessModuleTest, StatementsReachTheFileOneConnectionEachAndOtherReadersSeeThem) {
  const QString file = scratch_.Copy(QStringLiteral("testV2000.mdb"));
  UseFile(file);
  msaccess::ExecuteAccessStatement(settings_, QStringLiteral("CREATE TABLE `Town list` (`name` char(8), `note` text(20))"));
  // The second statement sees the first.
  msaccess::ExecuteAccessStatement(settings_, QStringLiteral("INSERT INTO `Town list` VALUES('Córdoba', 'it''s 😀')"));
  msaccess::ExecuteAccessStatement(settings_, QStringLiteral("INSERT INTO `Town list` VALUES('', NULL)"));

  EXPECT_EQ(accesstest::MdbToolsTables(file),
            (QStringList{"Table1", "Table2", "Table3", "Table4", "Town list"}));
  EXPECT_EQ(accesstest::MdbReaderTables(file), accesstest::MdbToolsTables(file));
  EXPECT_EQ(accesstest::MdbReaderRows(file, QStringLiteral("Town list")),
            (Rows{{"Córdoba ", "it's 😀"}, {"        ", QString()}}));
  // mdbtools writes characters beyond U+FFFF as "??".
  EXPECT_EQ(accesstest::MdbToolsRows(file, QStringLiteral("Town list")),
            (Rows{{"name=Córdoba ", "note=it's ??"}, {"name=        "}}));

  msaccess::ExecuteAccessStatement(settings_, QStringLiteral("DROP TABLE [Town list];"));
  EXPECT_EQ(accesstest::MdbToolsTables(file), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(accesstest::MdbReaderTables(file), accesstest::MdbToolsTables(file));
  msaccess::SyncAccessFile(file);
}

TEST_F(AccessModuleTest, RenameOpensLikeTheCatalogueAndChecksTheNewName) {
  const QString file = scratch_.Copy(QStringLiteral("passwordV2000.mdb"));
  UseFile(file, QStringLiteral(" password  "));
  msaccess::RenameAccessTable(settings_, QStringLiteral("Table1"), QStringLiteral("Order lines"));
  EXPECT_EQ(accesstest::MdbToolsTables(file), QStringList{QStringLiteral("Order lines")});
  EXPECT_EQ(accesstest::MdbReaderTables(file), QStringList{QStringLiteral("Order lines")});
  EXPECT_EQ(accesstest::MdbReaderRows(file, QStringLiteral("Order lines")),
            accesstest::MdbReaderRows(accesstest::Fixture(QStringLiteral("passwordV2000.mdb")), QStringLiteral("Table1")));

  const QString plain = scratch_.Copy(QStringLiteral("testV2000.mdb"));
  struct Case {
    const char* what;
    QString password, oldName, newName;
    std::int32_t number;
  };
  const std::vector<Case> refusals = {
      {"name taken", "", "Table1", "table2", dataaccess::kCommandError},
      {"invalid name", "", "Table1", "a.b", dataaccess::kCommandError},
      {"leading blank", "", "Table1", " x", dataaccess::kCommandError},
      {"no such table", "", "Nowhere", "x", -2147217865},
      {"system table", "", "MSysObjects", "x", dataaccess::kCommandError},
  };
  for (const Case& c : refusals) {
    SCOPED_TRACE(c.what);
    UseFile(plain, c.password);
    try {
      msaccess::RenameAccessTable(settings_, c.oldName, c.newName);
      ADD_FAILURE() << "renamed";
    } catch (const dataaccess::DbError& failure) {
      EXPECT_EQ(failure.Number(), c.number);
      EXPECT_FALSE(failure.Description().empty());
    }
    EXPECT_EQ(accesstest::MdbToolsTables(plain), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  }
  UseFile(file, QStringLiteral("wrong"));
  try {
    msaccess::RenameAccessTable(settings_, QStringLiteral("Order lines"), QStringLiteral("x"));
    ADD_FAILURE() << "renamed with a wrong password";
  } catch (const dataaccess::DbError& failure) {
    EXPECT_EQ(failure.Number(), dataaccess::kConnectFailed);
  }
}

TEST_F(AccessModuleTest, SyncOfAFileThatIsNotThereFails) {
  EXPECT_THROW(msaccess::SyncAccessFile(scratch_.Path(QStringLiteral("gone.mdb"))), dataaccess::DbError);
}

}  // namespace
