// "Delete Table" on both sides, pressed in the running program.
#include "maintenance_fixture.h"

namespace {

using maintenancetest::Names;
using maintenancetest::ProgramTest;

const QString kSelect = QStringLiteral("Please select a table to insert");

class DeleteTableTest : public ProgramTest {};

TEST_F(DeleteTableTest, AccessSideDropsEveryKindOfNameAndLeavesNothingSelected) {
  START_PROGRAM("testV2000.mdb", {"Order lines", "Select", "it's", "say \"hi\""}, {});
  QStringList expected = {"it's", "Order lines", "say \"hi\"", "Select", "Table1", "Table2", "Table3", "Table4"};
  ASSERT_EQ(Names(AccessList()), expected);
  for (const QString name : {"Table1", "Order lines", "Select", "it's", "say \"hi\""}) {
    SCOPED_TRACE(name.toStdString());
    Select(AccessList(), name);
    EXPECT_EQ(Press("Check1"), QStringList{});
    expected.removeOne(name);
    EXPECT_EQ(Names(AccessList()), expected);
    EXPECT_EQ(AccessList().ListIndex(), -1);
    EXPECT_EQ(Window().MousePointer(), ui::kArrow);
    QStringList onFile = expected;
    onFile.sort();
    EXPECT_EQ(AccessTables(), onFile);
  }
  // Nothing is selected any more: a second press drops nothing.
  Window().SetMousePointer(ui::kDefaultPointer);
  EXPECT_EQ(Press("Check1"), QStringList{kSelect});
  EXPECT_EQ(Window().MousePointer(), ui::kDefaultPointer) << "the pointer is left alone";
  EXPECT_EQ(AccessTables(), (QStringList{"Table2", "Table3", "Table4"}));
}

TEST_F(DeleteTableTest, AccessSideFailureIsReportedOnceAndTheListKeepsTheName) {
  START_PROGRAM("testV2000.mdb", {}, {});
  // Another client drops Table3 after the list was read.
  AccessStatement("DROP TABLE Table3");
  Select(AccessList(), QStringLiteral("Table3"));
  QStringList shown = Press("Check1");
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(shown[0].startsWith(QStringLiteral("Could not delete the Access table Table3.\n\n-2147217865 ")))
      << shown[0].toStdString();
  EXPECT_TRUE(shown[0].contains(QStringLiteral("Table3"))) << shown[0].toStdString();
  EXPECT_EQ(Names(AccessList()), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(AccessList().List(AccessList().ListIndex()), QStringLiteral("Table3"));
  EXPECT_EQ(Window().MousePointer(), ui::kArrow);

  // The file has gone since the list was read.
  Settings().SetAccessMDBFile(AccessFile() + QStringLiteral(".moved"));
  Select(AccessList(), QStringLiteral("Table1"));
  shown = Press("Check1");
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(shown[0].startsWith(QStringLiteral("Could not delete the Access table Table1.\n\n-2147467259 ")))
      << shown[0].toStdString();
  EXPECT_EQ(Names(AccessList()), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(Window().MousePointer(), ui::kArrow);
  EXPECT_EQ(AccessTables(), (QStringList{"Table1", "Table2", "Table4"}));
}

TEST_F(DeleteTableTest, MySqlSideDropsEveryKindOfNameAndLeavesNothingSelected) {
  START_PROGRAM("emptyJet4.mdb", {}, {"plain", "`order lines`", "`back``tick`", "`it's`", "`say \"hi\"`"});
  QStringList expected = {"back`tick", "it's", "order lines", "plain", "say \"hi\""};
  ASSERT_EQ(Names(MySqlList()), expected);
  for (const QString& name : QStringList(expected)) {
    SCOPED_TRACE(name.toStdString());
    Select(MySqlList(), name);
    EXPECT_EQ(Press("Check5"), QStringList{});
    EXPECT_FALSE(Names(MySqlList()).contains(name));
    EXPECT_EQ(MySqlList().ListIndex(), -1);
    EXPECT_EQ(Window().MousePointer(), ui::kArrow);
    EXPECT_EQ(MySqlTables(), Names(MySqlList()));
  }
  Window().SetMousePointer(ui::kDefaultPointer);
  EXPECT_EQ(Press("Check5"), QStringList{kSelect});
  EXPECT_EQ(Window().MousePointer(), ui::kDefaultPointer);
}

TEST_F(DeleteTableTest, MySqlSideFailureIsReportedOnceAndTheListKeepsTheName) {
  START_PROGRAM("emptyJet4.mdb", {}, {"kept", "gone"});
  Db().Run("DROP TABLE gone");  // by another client, after the list was read
  Select(MySqlList(), QStringLiteral("gone"));
  QStringList shown = Press("Check5");
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(shown[0].startsWith(QStringLiteral("Could not delete the MySQL table gone.\n\n-2147217900 ")))
      << shown[0].toStdString();
  EXPECT_TRUE(shown[0].contains(QStringLiteral("Unknown table"))) << shown[0].toStdString();
  EXPECT_EQ(Names(MySqlList()), (QStringList{"gone", "kept"}));
  EXPECT_EQ(MySqlList().ListIndex(), 0);
  EXPECT_EQ(Window().MousePointer(), ui::kArrow);

  // The delete's own connection fails: the password changed since.
  Settings().SetPassword(Settings().Password() + QStringLiteral("x"));
  Select(MySqlList(), QStringLiteral("kept"));
  shown = Press("Check5");
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(shown[0].startsWith(QStringLiteral("Could not connect to MySQL to delete kept.\n\n-2147467259 ")))
      << shown[0].toStdString();
  EXPECT_EQ(Names(MySqlList()), (QStringList{"gone", "kept"}));
  EXPECT_EQ(Window().MousePointer(), ui::kArrow);
  EXPECT_EQ(MySqlTables(), QStringList{QStringLiteral("kept")});
}

TEST_F(DeleteTableTest, WithNothingSelectedBothSidesOnlyAsk) {
  START_PROGRAM("testV2000.mdb", {}, {"plain"});
  AccessList().SetListIndex(-1);
  MySqlList().SetListIndex(-1);
  const int pointer = Window().MousePointer();  // the arrow the start-up left
  EXPECT_EQ(Press("Check1"), QStringList{kSelect});
  EXPECT_EQ(Press("Check5"), QStringList{kSelect});
  EXPECT_EQ(Window().MousePointer(), pointer) << "the pointer is left alone";
  EXPECT_EQ(AccessTables(), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(MySqlTables(), QStringList{QStringLiteral("plain")});
}

}  // namespace
