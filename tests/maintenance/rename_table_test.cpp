// "Rename Table" on both sides, pressed in the running program.
#include "maintenance_fixture.h"

#include "access/access_connection.h"

namespace {

using maintenancetest::Names;
using maintenancetest::ProgramTest;

const QString kSelect = QStringLiteral("Please select a table to insert");

QString Prompt(const QString& name) { return QStringLiteral("Enter new name of ") + name + QLatin1Char(':'); }

class RenameTableTest : public ProgramTest {};

TEST_F(RenameTableTest, AccessSideRenamesWithTheHourglassUpWhileAsking) {
  START_PROGRAM("testV2000.mdb", {"Order lines", "it's"}, {});
  struct Case {
    QString from, to;
  };
  const std::vector<Case> cases = {
      {"Table1", "Orders"},
      {"Order lines", "Order lines of 2024"},
      {"it's", "say \"hi\""},
      {"Table2", "SELECT"},
      {"Table3", "table3"},  // only the case changes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from.toStdString() + " -> " + c.to.toStdString());
    QStringList expected = Names(AccessList());
    Select(AccessList(), c.from);
    Prompter().QueueText(c.to);
    EXPECT_EQ(Press("Check6"), QStringList{Prompt(c.from)});
    EXPECT_EQ(PointerWhileAsked(), std::vector<int>{ui::kHourglass});
    expected.removeOne(c.from);
    expected << c.to;
    expected.sort(Qt::CaseInsensitive);
    QStringList listed = Names(AccessList());
    QStringList sortedListed = listed;
    sortedListed.sort(Qt::CaseInsensitive);
    EXPECT_EQ(listed, sortedListed) << "the new name takes its sorted place";
    EXPECT_EQ(sortedListed, expected);
    EXPECT_EQ(AccessList().ListIndex(), -1);
    EXPECT_EQ(Window().MousePointer(), ui::kArrow);
    QStringList onFile = expected;
    onFile.sort();
    EXPECT_EQ(AccessTables(), onFile);
  }
  EXPECT_EQ(Press("Check6"), QStringList{kSelect}) << "nothing is selected after a rename";
}

TEST_F(RenameTableTest, AccessSideRefusalsAndCancelChangeNothing) {
  START_PROGRAM("testV2000.mdb", {}, {});
  const QStringList all = {"Table1", "Table2", "Table3", "Table4"};
  struct Case {
    const char* what;
    std::optional<QString> answer;  // nullopt: Cancel
    QString messageStart;           // empty: no message after the prompt
  };
  const std::vector<Case> cases = {
      {"Cancel", std::nullopt, {}},
      {"empty name", QString(), {}},
      {"name taken", QStringLiteral("TABLE4"), "Could not rename the Access table Table2 to TABLE4.\n\n-2147217900 "},
      {"invalid name", QStringLiteral("a.b"), "Could not rename the Access table Table2 to a.b.\n\n-2147217900 "},
      {"leading blank", QStringLiteral(" b"), "Could not rename the Access table Table2 to  b.\n\n-2147217900 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Select(AccessList(), QStringLiteral("Table2"));
    if (c.answer) Prompter().QueueText(*c.answer);
    else Prompter().QueueTextCancel();
    QStringList shown = Press("Check6");
    ASSERT_GE(shown.size(), 1);
    EXPECT_EQ(shown[0], Prompt(QStringLiteral("Table2")));
    if (c.messageStart.isEmpty()) {
      EXPECT_EQ(shown.size(), 1);
    } else {
      ASSERT_EQ(shown.size(), 2);
      EXPECT_TRUE(shown[1].startsWith(c.messageStart)) << shown[1].toStdString();
    }
    EXPECT_EQ(Names(AccessList()), all);
    EXPECT_EQ(AccessList().List(AccessList().ListIndex()), QStringLiteral("Table2")) << "still selected";
    EXPECT_EQ(Window().MousePointer(), ui::kArrow) << "the hourglass set before the box is taken down";
    EXPECT_EQ(AccessTables(), all);
  }

  // Dropped by another client after the list was read.
  AccessStatement("DROP TABLE Table3");
  Select(AccessList(), QStringLiteral("Table3"));
  Prompter().QueueText(QStringLiteral("x"));
  QStringList shown = Press("Check6");
  ASSERT_EQ(shown.size(), 2);
  EXPECT_TRUE(shown[1].startsWith(QStringLiteral("Could not rename the Access table Table3 to x.\n\n-2147217865 ")))
      << shown[1].toStdString();
  EXPECT_EQ(Names(AccessList()), all);
  EXPECT_EQ(Window().MousePointer(), ui::kArrow);
}

TEST_F(RenameTableTest, AccessSideOpensAProtectedFileWithTheTrimmedPassword) {
  START_PROGRAM("passwordV2000.mdb", {}, {}, QStringLiteral(" password "));
  ASSERT_EQ(Names(AccessList()), QStringList{QStringLiteral("Table1")});
  Select(AccessList(), QStringLiteral("Table1"));
  Prompter().QueueText(QStringLiteral("Renamed"));
  EXPECT_EQ(Press("Check6"), QStringList{Prompt(QStringLiteral("Table1"))});
  EXPECT_EQ(Names(AccessList()), QStringList{QStringLiteral("Renamed")});
  EXPECT_EQ(AccessTables(), QStringList{QStringLiteral("Renamed")});
}

TEST_F(RenameTableTest, MySqlSideRenamesWithTheHourglassUpOnlyAfterAsking) {
  START_PROGRAM("emptyJet4.mdb", {}, {"plain", "`back``tick`", "`say \"hi\"`", "`order lines`"});
  struct Case {
    QString from, to;
  };
  const std::vector<Case> cases = {
      {"plain", "new name"},
      {"back`tick", "it's `quoted`"},
      {"say \"hi\"", "x; DROP TABLE `order lines`"},
      {"order lines", "Order Lines"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from.toStdString() + " -> " + c.to.toStdString());
    Select(MySqlList(), c.from);
    Prompter().QueueText(c.to);
    Window().SetMousePointer(ui::kDefaultPointer);
    EXPECT_EQ(Press("Check7"), QStringList{Prompt(c.from)});
    EXPECT_EQ(PointerWhileAsked(), std::vector<int>{ui::kDefaultPointer});
    EXPECT_TRUE(Names(MySqlList()).contains(c.to));
    EXPECT_FALSE(Names(MySqlList()).contains(c.from));
    EXPECT_EQ(MySqlList().ListIndex(), -1);
    EXPECT_EQ(Window().MousePointer(), ui::kArrow);
    QStringList listed = Names(MySqlList());
    listed.sort();
    EXPECT_EQ(MySqlTables(), listed);
  }
}

TEST_F(RenameTableTest, MySqlSideRefusalIsReportedAndTheListKeepsTheOldName) {
  START_PROGRAM("emptyJet4.mdb", {}, {"plain", "taken", "gone"});
  const QStringList all = {"gone", "plain", "taken"};
  const QString report = QStringLiteral("This is an error that I had not foreseen");

  Select(MySqlList(), QStringLiteral("plain"));
  Prompter().QueueText(QStringLiteral("taken"));
  QStringList shown = Press("Check7");
  ASSERT_EQ(shown.size(), 3);
  EXPECT_EQ(shown[1], QStringLiteral("What happened?: RENAME TABLE `plain` TO `taken`"));
  EXPECT_TRUE(shown[2].startsWith(report)) << shown[2].toStdString();
  EXPECT_EQ(Names(MySqlList()), all);
  EXPECT_EQ(MySqlList().List(MySqlList().ListIndex()), QStringLiteral("plain"));
  EXPECT_EQ(Window().MousePointer(), ui::kArrow);

  Db().Run("DROP TABLE gone");  // by another client
  Select(MySqlList(), QStringLiteral("gone"));
  Prompter().QueueText(QStringLiteral("back"));
  shown = Press("Check7");
  ASSERT_EQ(shown.size(), 3);
  EXPECT_EQ(shown[1], QStringLiteral("What happened?: RENAME TABLE `gone` TO `back`"));
  EXPECT_EQ(Names(MySqlList()), all);

  // Cancel and an empty name: nothing at all happens, not even to the pointer.
  for (bool cancel : {true, false}) {
    SCOPED_TRACE(cancel ? "Cancel" : "empty name");
    Window().SetMousePointer(ui::kDefaultPointer);
    Select(MySqlList(), QStringLiteral("plain"));
    if (cancel) Prompter().QueueTextCancel();
    else Prompter().QueueText(QString());
    EXPECT_EQ(Press("Check7"), QStringList{Prompt(QStringLiteral("plain"))});
    EXPECT_EQ(Names(MySqlList()), all);
    EXPECT_EQ(Window().MousePointer(), ui::kDefaultPointer);
  }

  // The connection cannot be opened: one message, nothing renamed.
  Settings().SetDatabase(QStringLiteral("no_such_database_here"));
  Select(MySqlList(), QStringLiteral("plain"));
  Prompter().QueueText(QStringLiteral("other"));
  shown = Press("Check7");
  ASSERT_EQ(shown.size(), 2);
  EXPECT_TRUE(shown[1].startsWith(QStringLiteral("Could not connect to MySQL to rename plain.\n\n-2147467259 ")))
      << shown[1].toStdString();
  EXPECT_EQ(Names(MySqlList()), all);
  EXPECT_EQ(Window().MousePointer(), ui::kArrow);
  EXPECT_EQ(MySqlTables(), (QStringList{"plain", "taken"}));
}

TEST_F(RenameTableTest, WithNothingSelectedBothSidesOnlyAsk) {
  START_PROGRAM("testV2000.mdb", {}, {"plain"});
  AccessList().SetListIndex(-1);
  MySqlList().SetListIndex(-1);
  const int pointer = Window().MousePointer();  // the arrow the start-up left
  EXPECT_EQ(Press("Check6"), QStringList{kSelect});
  EXPECT_EQ(Press("Check7"), QStringList{kSelect});
  EXPECT_EQ(Window().MousePointer(), pointer) << "the pointer is left alone";
}

// A row source left open on the file (another program's, or a send to MySQL
// left behind while it measures) must not block delete, rename and the
// statements of a send to Access, and the open connection must see them.
TEST_F(RenameTableTest, AnOpenRowSourceOnTheFileBlocksNoLaterCommand) {
  START_PROGRAM("testV2000.mdb", {}, {});
  std::unique_ptr<dataaccess::Connection> kept = msaccess::OpenAccessConnection(Settings());
  dataaccess::Recordset rowSource;
  rowSource.Open("SELECT * FROM [Table1]", *kept, dataaccess::kOpenStatic, dataaccess::kLockOptimistic);

  Select(AccessList(), QStringLiteral("Table2"));
  EXPECT_EQ(Press("Check1"), QStringList{});
  Select(AccessList(), QStringLiteral("Table3"));
  Prompter().QueueText(QStringLiteral("Renamed"));
  EXPECT_EQ(Press("Check6"), QStringList{Prompt(QStringLiteral("Table3"))});
  msaccess::ExecuteAccessStatement(Settings(), QStringLiteral("CREATE TABLE `towns` (`name` char(10))"));
  msaccess::ExecuteAccessStatement(Settings(), QStringLiteral("INSERT INTO `towns` VALUES('Aberdeen')"));
  msaccess::SyncAccessFile(AccessFile());

  EXPECT_EQ(AccessTables(), (QStringList{"Renamed", "Table1", "Table4", "towns"}));
  EXPECT_EQ(rowSource.RecordCount(), 2);
  dataaccess::Recordset again;
  again.Open("SELECT * FROM towns", *kept, dataaccess::kOpenStatic, dataaccess::kLockOptimistic);
  EXPECT_EQ(again.RecordCount(), 1);
}

}  // namespace
