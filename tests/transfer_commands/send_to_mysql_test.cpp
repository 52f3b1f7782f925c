// "Send Table to MySQL" from copies of real Access files into the test
// MariaDB, and the round trip back to Access.
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <limits>
#include <thread>

#include "ui/main_module.h"
#include "dataaccess/connection.h"
#include "dataaccess/recordset.h"
#include "jet/write/consistency_check.h"
#include "jobs/job_runner.h"
#include "jobs/window_dialogs.h"
#include "send_fixture.h"
#include "jet/text_codec.h"
#include "transfer/cell_text.h"
#include "transfer/send_to_access.h"
#include "transfer/send_to_mysql.h"
#include "transfer/statements.h"

namespace transfertest {
namespace {

class SendToMySql : public SendTest {
 protected:
  // Drops a table a case before sent, so the next case asks nothing.
  void ForgetMySqlTable(const std::string& table) {
    RunMySql("DROP TABLE IF EXISTS `" + table + "`");
    ui::RemoveListItem(list3_, QString::fromStdString(table));
  }
  void Send(const std::string& table) {
    Select(list1_, QString::fromStdString(table));
    transfer::SendTableToMySql(Environment()).Run();
  }
  // An Access table `many` of the numbers 1..rows, made by a send to Access,
  // for a case to send back to a server that no longer has it.
  void MakeAccessTableOfNumbers(int rows) {
    RunMySql("CREATE TABLE many (n INT)");
    RunMySql("INSERT INTO many SELECT seq FROM seq_1_to_" + std::to_string(rows));
    Select(list3_, QStringLiteral("many"));
    transfer::SendTableToAccess(Environment()).Run();
    RunMySql("DROP TABLE many");
    list3_.Clear();
  }
};

// What MySQL should hold for an Access table: each value's CellText, the
// empty text and NULL both as NULL, trailing blanks gone (MySQL's char(n)
// drops them when read: a loss of the design, not a fault), and each
// column's width the longest text in UTF-16 units.
struct Expected {
  Rows rows;
  std::vector<std::size_t> widths;
};

Expected FromAccess(const Rows& accessRows, std::size_t columns) {
  Expected e;
  e.widths.assign(columns, 0);
  for (const auto& row : accessRows) {
    std::vector<Cell> out;
    for (std::size_t j = 0; j < row.size(); ++j) {
      std::string text = row[j].value_or("");
      e.widths[j] = std::max(e.widths[j], jet::Utf16Length(text));
      // A text of blanks is a value: sent quoted, read back empty.
      out.push_back(text.empty() ? Cell() : Cell(TrimRight(text)));
    }
    e.rows.push_back(out);
  }
  for (auto& w : e.widths)
    if (w == 0) w = 10;
  return e;
}

TEST_F(SendToMySql, EveryUserTableOfEveryFixtureArrivesWithItsWidthsAndValues) {
  for (const std::string& fixture : EveryFixture()) {
    UseFixture(fixture, fixture == "passwordV2000.mdb" ? "password" : "");
    for (const std::string& table : AccessTables()) {
      SCOPED_TRACE(fixture + " / " + table);
      Rows source;
      std::size_t columns = 0;
      try {
        source = AccessRows(table);
        columns = AccessColumnNames(table).size();
      } catch (const dataaccess::DbError&) {
        continue;  // a linked table (its rows live in another file), or one holding fields that cannot be read
      }
      std::size_t shown = Shown().size();
      Send(table);
      ASSERT_EQ(Shown().size(), shown) << Shown().join(QStringLiteral(" | ")).toStdString();
      EXPECT_EQ(Notes().last(), source.size() == 1 ? QStringLiteral("1 row sent and verified.")
                                                    : QStringLiteral("%1 rows sent and verified.").arg(source.size()));
      Expected expected = FromAccess(source, columns);
      // Where the widths allow char columns, they are char(width).
      auto types = MySqlColumnTypes(table);
      ASSERT_EQ(types.size(), columns);
      for (std::size_t j = 0; j < columns; ++j) {
        std::string asChar = "char(" + std::to_string(expected.widths[j]) + ")";
        EXPECT_TRUE(types[j].second == asChar || (types[j].second == "longtext" && expected.widths[j] >= 64))
            << types[j].first << " " << types[j].second << " expected " << asChar;
      }
      EXPECT_EQ(MySqlRows(table), expected.rows);
      EXPECT_TRUE(ui::ListContains(QString::fromStdString(table), list3_));
      RunMySql("DROP TABLE `" + table + "`");
      ui::RemoveListItem(list3_, QString::fromStdString(table));
    }
  }
}

TEST_F(SendToMySql, RoundTripBackToAccessKeepsEveryValueText) {
  // Access -> MySQL -> Access over the same name (the second send overwrites
  // the original), in an Access 2000-2003 file and an Access 2007 one.
  // Compared without trailing blanks: MySQL's char(n) drops them when read
  // and Jet pads char(n) with them, both by design.
  for (const std::string fixture : {"testV2000.mdb", "accdb/testV2007.accdb"}) {
    UseFixture(fixture);
    for (const std::string& table : AccessTables()) {
      SCOPED_TRACE(fixture + " / " + table);
      Rows before = AccessRows(table);
      Send(table);
      prompter_.QueueYesNo(true);
      Select(list3_, QString::fromStdString(table));
      transfer::SendTableToAccess(Environment()).Run();
      ASSERT_EQ(Shown().size(), 1) << Shown().join(QStringLiteral(" | ")).toStdString();
      prompter_ = ui::ScriptedPrompter();
      Rows after = AccessRows(table);
      ASSERT_EQ(after.size(), before.size());
      for (std::size_t r = 0; r < before.size(); ++r)
        for (std::size_t j = 0; j < before[r].size(); ++j) {
          std::string was = TrimRight(before[r][j].value_or(""));
          // An empty text went to MySQL as NULL and comes back as NULL.
          EXPECT_EQ(TrimRight(after[r][j].value_or("")), was) << r << "," << j;
        }
      ForgetMySqlTable(table);
    }
    EXPECT_EQ(jet::CheckDatabase(mdb_.string(), ""), std::vector<std::string>{}) << fixture;
  }
}

TEST_F(SendToMySql, OverwriteQuestionBothAnswers) {
  const std::string table = AccessTables().front();
  RunMySql("CREATE TABLE `" + table + "` (old INT)");
  RunMySql("INSERT INTO `" + table + "` VALUES (42)");
  Select(list3_, QString::fromStdString(table));

  prompter_.QueueYesNo(false);
  Send(table);
  EXPECT_EQ(Shown(), QStringList{QStringLiteral("Would you like to overwrite ") + QString::fromStdString(table) + "?"});
  EXPECT_EQ(prompter_.ShownItems().back().title, QStringLiteral("Overwrite?"));
  EXPECT_EQ(window_.pointer, ui::kDefaultPointer);
  EXPECT_EQ(MySqlRows(table), (Rows{{"42"}}));

  prompter_.QueueYesNo(true);
  Send(table);
  EXPECT_EQ(Shown().size(), 2);
  EXPECT_EQ(MySqlRows(table).size(), AccessRows(table).size());
  int times = 0;
  for (int i = 0; i < list3_.ListCount(); ++i) times += list3_.List(i) == QString::fromStdString(table);
  EXPECT_EQ(times, 1);
  EXPECT_EQ(window_.pointer, ui::kArrow);
}

TEST_F(SendToMySql, NamesWithBlanksAndTheNoSelectionMessage) {
  transfer::SendTableToMySql(Environment()).Run();
  EXPECT_EQ(Shown(), QStringList{QStringLiteral("Please select a table to insert")});
  EXPECT_EQ(window_.pointer, ui::kDefaultPointer);

  RunAccess("CREATE TABLE `order lines`(`line no` char(3),`note` char(10))");
  RunAccess("INSERT INTO `order lines` VALUES('1', 'O''Brien')");
  RunAccess("INSERT INTO `order lines` VALUES('2', NULL)");
  Select(list3_, QStringLiteral("order lines"));
  prompter_.QueueYesNo(true);
  RunMySql("CREATE TABLE `order lines` (x INT)");
  Send("order lines");
  EXPECT_EQ(Shown().size(), 2) << Shown().join(QStringLiteral(" | ")).toStdString();
  EXPECT_EQ(MySqlRows("order lines"), (Rows{{"1", "O'Brien"}, {"2", std::nullopt}}));
  // Our engine hands char(n) values back padded to n, and the widths count that.
  EXPECT_EQ(MySqlColumnTypes("order lines"),
            (std::vector<std::pair<std::string, std::string>>{{"line no", "char(3)"}, {"note", "char(10)"}}));
}

TEST_F(SendToMySql, RefusedCreateSendsNoRowAndKeepsTheExistingTableListed) {
  const std::string table = AccessTables().front();
  RunMySql("CREATE TABLE `" + table + "` (old INT)");
  list3_.Clear();  // exists on the server, not in the list
  Send(table);
  ASSERT_EQ(Shown().size(), 2);
  EXPECT_TRUE(Shown()[0].startsWith(QStringLiteral("What happened?: CREATE TABLE `"))) << Shown()[0].toStdString();
  EXPECT_TRUE(Shown()[1].contains(QStringLiteral("already exists")));
  EXPECT_TRUE(MySqlRows(table).empty()) << "no INSERT reached the unrelated table";
  EXPECT_TRUE(ui::ListContains(QString::fromStdString(table), list3_));
  EXPECT_EQ(window_.pointer, ui::kArrow);
}

TEST_F(SendToMySql, RefusedRowsAreCountedAndTheOthersStay) {
  // A latin1 database refuses characters it cannot hold (strict mode).
  testing_mysql::ScratchDatabase latin1(*server_, "latin1");
  settings_.SetDatabase(QString::fromStdString(latin1.Name()));
  RunAccess("CREATE TABLE mixed(`v` char(5))");
  for (const char* v : {"a", "\xCE\xB1", "b", "\xCE\xB2", "\xCE\xB3"})
    RunAccess(std::string("INSERT INTO mixed VALUES('") + v + "')");
  Send("mixed");
  ASSERT_EQ(Shown().size(), 3) << Shown().join(QStringLiteral(" | ")).toStdString();
  // Jet gives char(5) values padded with blanks; they are sent as read.
  EXPECT_EQ(Shown()[0], QString::fromUtf8("What happened?: INSERT INTO `mixed` VALUES('\xCE\xB1    ');"));
  EXPECT_TRUE(Shown()[1].startsWith(QStringLiteral("This is an error that I had not foreseen")));
  EXPECT_EQ(Shown()[2], QStringLiteral("3 of 5 rows of mixed were refused; the other rows were sent."));
  EXPECT_EQ(Notes(), QStringList{"2 rows sent and verified."}) << "the rows kept are counted on the server";
  auto connection = latin1.Connect();
  dataaccess::Recordset rows = connection->Execute("SELECT v FROM mixed");
  std::vector<std::string> kept;
  for (; !rows.Eof(); rows.MoveNext()) kept.push_back(transfer::CellText(rows.Field(0).Value()));
  EXPECT_EQ(kept, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(ui::ListContains(QStringLiteral("mixed"), list3_));
}

// The rows go many to a statement; a statement the server refuses goes
// again row by row, so the rows kept, the rows refused and the messages are
// those of one INSERT a row, wherever the refused rows lie.
TEST_F(SendToMySql, RowsRefusedAmongManyAreTheOnesRefusedAlone) {
  testing_mysql::ScratchDatabase latin1(*server_, "latin1");
  settings_.SetDatabase(QString::fromStdString(latin1.Name()));
  RunAccess("CREATE TABLE spread(`n` char(4), `v` char(2))");
  constexpr int kRows = 2500;
  auto refusedAt = [](int n) { return n == 1 || n % 377 == 0 || n == 1000 || n == 1001 || n == kRows; };
  std::vector<std::string> kept;
  for (int n = 1; n <= kRows; ++n) {
    const std::string v = refusedAt(n) ? "\xCE\xB1" : "ok";  // latin1 cannot hold alpha
    RunAccess("INSERT INTO spread VALUES('" + std::to_string(n) + "', '" + v + "')");
    if (!refusedAt(n)) kept.push_back(std::to_string(n));
  }
  const int refusedCount = kRows - static_cast<int>(kept.size());
  Send("spread");
  ASSERT_EQ(Shown().size(), 3) << Shown().join(QStringLiteral(" | ")).toStdString();
  EXPECT_EQ(Shown()[0], QString::fromUtf8("What happened?: INSERT INTO `spread` VALUES('1   ', '\xCE\xB1 ');"));
  EXPECT_EQ(Shown()[2], QStringLiteral("%1 of %2 rows of spread were refused; the other rows were sent.")
                            .arg(refusedCount)
                            .arg(kRows));
  auto connection = latin1.Connect();
  dataaccess::Recordset rows = connection->Execute("SELECT n FROM spread");
  std::vector<std::string> got;
  for (; !rows.Eof(); rows.MoveNext()) got.push_back(transfer::CellText(rows.Field(0).Value()));
  EXPECT_EQ(got, kept);
}

// A server that cannot say whether the table keeps transactions gets one row
// a statement: the send goes on with the same rows kept and refused. Here the
// question fails because the account's sessions may not build the temporary
// table an information_schema join needs; plain INSERTs and counts need none.
TEST_F(SendToMySql, ATableWhoseEngineCannotBeAskedGetsOneRowAStatement) {
  testing_mysql::ScratchDatabase latin1(*server_, "latin1");
  const std::string user = "no_temp_" + latin1.Name();
  const std::string password = "N0;temp";
  struct Account {
    const testing_mysql::ScratchDatabase& db;
    std::string user;
    ~Account() {
      db.Run("SET GLOBAL init_connect = ''");
      for (const char* host : {"localhost", "127.0.0.1"}) db.Run("DROP USER IF EXISTS '" + user + "'@'" + host + "'");
    }
  } account{latin1, user};
  for (const char* host : {"localhost", "127.0.0.1"}) {
    latin1.Run("CREATE USER '" + user + "'@'" + host + "' IDENTIFIED BY '" + password + "'");
    latin1.Run("GRANT ALL PRIVILEGES ON `" + latin1.Name() + "`.* TO '" + user + "'@'" + host + "'");
  }
  // Skipped for accounts with every privilege, so the other tests' sessions keep their defaults.
  latin1.Run("SET GLOBAL init_connect = 'SET SESSION tmp_memory_table_size = 1024, tmp_disk_table_size = 1024'");
  testing_mysql::TestServer held = *server_;
  held.user = user;
  held.password = password;
  dataaccess::Connection asked;
  asked.Open(testing_mysql::ConnectionString(held, latin1.Name()));
  ASSERT_THROW(asked.Execute(transfer::MySqlTableTransactions("mixed")), dataaccess::DbError)
      << "the question must fail for this account, or the case shows nothing";
  settings_.SetUser(QString::fromStdString(user));
  settings_.SetPassword(QString::fromStdString(password));
  settings_.SetDatabase(QString::fromStdString(latin1.Name()));
  RunAccess("CREATE TABLE mixed(`v` char(2))");
  for (const char* v : {"a", "\xCE\xB1", "b"}) RunAccess(std::string("INSERT INTO mixed VALUES('") + v + "')");
  Send("mixed");
  ASSERT_EQ(Shown().size(), 3) << Shown().join(QStringLiteral(" | ")).toStdString();
  EXPECT_EQ(Shown()[2], QStringLiteral("1 of 3 rows of mixed were refused; the other rows were sent."));
  auto connection = latin1.Connect();
  dataaccess::Recordset rows = connection->Execute("SELECT v FROM mixed");
  std::vector<std::string> kept;
  for (; !rows.Eof(); rows.MoveNext()) kept.push_back(transfer::CellText(rows.Field(0).Value()));
  EXPECT_EQ(kept, (std::vector<std::string>{"a", "b"}));
}

// Replaces the one stored copy of `from` in the Access file with `to`, as a
// Double (8 bytes, little-endian): values no statement of ours can write.
void PatchStoredDouble(const std::filesystem::path& file, double from, double to) {
  std::fstream io(file, std::ios::in | std::ios::out | std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(io)), std::istreambuf_iterator<char>());
  std::string oldBytes(8, '\0'), newBytes(8, '\0');
  std::memcpy(oldBytes.data(), &from, 8);
  std::memcpy(newBytes.data(), &to, 8);
  std::size_t at = bytes.find(oldBytes);
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(bytes.find(oldBytes, at + 1), std::string::npos) << "the value must be stored once";
  io.seekp(static_cast<std::streamoff>(at));
  io.write(newBytes.data(), 8);
}

// Table1 of testV2000.mdb keeps the Double 444.555 in column F and the date
// 1974-09-21 (27293) in column G of its first row; each case stores another
// value there and looks at what MySQL receives.
// Widths are counted on the stored texts without decoding them: plain
// UCS-2 with characters beyond U+FFFF (two units each, four UTF-8 bytes),
// compressed one-byte runs of Latin-1 (one unit, two UTF-8 bytes), and a
// compressed memo long enough to lie on a page of its own.
TEST_F(SendToMySql, TextWidthsAreUtf16UnitsWhateverTheStoredForm) {
  UseNewFile("widths.mdb");
  RunAccess("CREATE TABLE widths (plain TEXT(50), packed TEXT(50) WITH COMPRESSION, notes MEMO WITH COMPRESSION)");
  std::string longMemo;
  for (int i = 0; i < 70; ++i) longMemo += "\xC3\xA9";  // é
  longMemo += "\xF0\x9F\x98\x80";
  RunAccess("INSERT INTO widths VALUES ('\xF0\x9F\x98\x80\xF0\x9F\x98\x80x', 'a\xC3\xA9" "bcdef', '" + longMemo + "')");
  RunAccess("INSERT INTO widths VALUES ('ab', NULL, 'short \xC3\xA9')");
  Send("widths");
  EXPECT_TRUE(Shown().isEmpty()) << Shown().join(QStringLiteral(" | ")).toStdString();
  EXPECT_EQ(MySqlColumnTypes("widths"), (std::vector<std::pair<std::string, std::string>>{
                                            {"plain", "char(5)"}, {"packed", "char(7)"}, {"notes", "char(72)"}}));
  EXPECT_EQ(MySqlRows("widths"), FromAccess(AccessRows("widths"), 3).rows);
}

TEST_F(SendToMySql, TrickyNumbersAndDatesArriveInTheirExactText) {
  const struct {
    const char* what;
    double stored;  // in place of 444.555, or of the date 27293
    bool isDate;
    const char* text;
  } cases[] = {
      {"1e5 in plain decimal", 100000.0, false, "100000"},
      {"1e-4 in plain decimal", 0.0001, false, "0.0001"},
      {"shortest round trip", 0.1 + 0.2, false, "0.30000000000000004"},
      {"very large in E notation", 1e300, false, "1E+300"},
      {"milliseconds before midnight stay on the day", 27293.0 + (86400 - 0.3) / 86400.0, true,
       "1974-09-21 23:59:59.700"},
      {"half a second", 27293.0 + 43200.5 / 86400.0, true, "1974-09-21 12:00:00.500"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    UseFixture("testV2000.mdb");
    PatchStoredDouble(mdb_, c.isDate ? 27293.0 : 444.555, c.stored);
    ForgetMySqlTable("Table1");
    prompter_ = ui::ScriptedPrompter();
    Send("Table1");
    EXPECT_TRUE(Shown().isEmpty()) << Shown().join(QStringLiteral(" | ")).toStdString();
    Rows rows = MySqlRows("Table1");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][c.isDate ? 6 : 5], Cell(c.text));
  }
}

TEST_F(SendToMySql, NaNAndInfinitiesAreRefusedNamingRowAndColumn) {
  const struct {
    double stored;
    const char* name;
  } cases[] = {
      {std::numeric_limits<double>::quiet_NaN(), "NaN"},
      {std::numeric_limits<double>::infinity(), "Infinity"},
      {-std::numeric_limits<double>::infinity(), "-Infinity"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UseFixture("testV2000.mdb");
    PatchStoredDouble(mdb_, 444.555, c.stored);
    ForgetMySqlTable("Table1");
    const auto before = Shown().size();
    Send("Table1");
    EXPECT_EQ(Shown().mid(before), (QStringList{
                           QStringLiteral("Row 1, column F, holds %1, which MySQL cannot store.").arg(c.name),
                           QStringLiteral("1 of 2 rows of Table1 were refused; the other rows were sent."),
                       }));
    Rows rows = MySqlRows("Table1");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], Cell("a"));
  }
}

// A row whose INSERT is longer than the server takes would make it drop the
// connection ("Server has gone away"); it is refused by name instead, and
// the rows around it arrive.
TEST_F(SendToMySql, RowLongerThanMaxAllowedPacketIsRefusedNamingTheLimit) {
  auto connection = db_->Connect();
  const auto limit = std::get<std::int64_t>(connection->Execute("SELECT @@max_allowed_packet").Field(0).Value());
  RunAccess("CREATE TABLE big(`id` char(1),`v` memo)");
  RunAccess("INSERT INTO big VALUES('1', 'small')");
  RunAccess("INSERT INTO big VALUES('2', '" + std::string(static_cast<std::size_t>(limit), 'x') + "')");
  RunAccess("INSERT INTO big VALUES('3', 'small')");
  Send("big");
  const std::size_t statement = std::string("INSERT INTO `big` VALUES('2', '');").size() + static_cast<std::size_t>(limit);
  EXPECT_EQ(Shown(), (QStringList{
                         QStringLiteral("Row 2 needs an INSERT statement of %1 bytes, more than the server's "
                                        "max_allowed_packet of %2 bytes.")
                             .arg(statement)
                             .arg(limit),
                         QStringLiteral("1 of 3 rows of big were refused; the other rows were sent."),
                     }));
  EXPECT_EQ(MySqlRows("big"), (Rows{{"1", "small"}, {"3", "small"}}));
}

TEST_F(SendToMySql, CancelKeepsTheTableAndTheRowsSent) {
  MakeAccessTableOfNumbers(1300);
  progress_.cancelAt = 600;
  Send("many");
  EXPECT_EQ(Shown(), QStringList{QStringLiteral("Cancelled after 600 of 1300 rows.")});
  EXPECT_EQ(Notes(), QStringList{"1300 rows sent and verified."}) << "the send to Access before it, only";
  EXPECT_EQ(MySqlRows("many").size(), 600u);
  EXPECT_TRUE(ui::ListContains(QStringLiteral("many"), list3_));
  EXPECT_EQ(window_.pointer, ui::kArrow);
}

// The rows are read ahead of the ones the server takes. The Access table
// replaced while they go stops the send; the rows read before it stay on
// the server, and the message counts exactly those.
TEST_F(SendToMySql, ATableReplacedWhileItsRowsGoStopsTheSendCountingTheRowsOnTheServer) {
  constexpr int total = 5000;
  MakeAccessTableOfNumbers(total);
  prompter_ = ui::ScriptedPrompter();
  progress_.duringRowPass = [&](std::int64_t done) {
    if (done != 100) return;
    RunAccess("DROP TABLE many");
    RunAccess("CREATE TABLE many (other TEXT(5))");
  };
  Send("many");
  const std::size_t onServer = MySqlRows("many").size();
  EXPECT_GE(onServer, 100u);
  EXPECT_LT(onServer, static_cast<std::size_t>(total));
  ASSERT_FALSE(Shown().isEmpty());
  EXPECT_TRUE(Shown()[0].startsWith(
      QStringLiteral("Could not read the Access table many after %1 of %2 rows.").arg(onServer).arg(total)))
      << Shown().join(QStringLiteral(" | ")).toStdString();
}

TEST_F(SendToMySql, CancelThroughTheRunnerStopsAfterTheRowItWasPressedAtWithThatCountOnTheServer) {
  // The job runs on a worker; the window's thread answers its messages. The
  // Cancel comes while the refused row's message is up, so between rows 2 and 3.
  testing_mysql::ScratchDatabase latin1(*server_, "latin1");
  settings_.SetDatabase(QString::fromStdString(latin1.Name()));
  RunAccess("CREATE TABLE mixed(`v` char(5))");
  for (const char* v : {"a", "\xCE\xB1", "b", "c", "d"})
    RunAccess(std::string("INSERT INTO mixed VALUES('") + v + "')");
  Select(list1_, QStringLiteral("mixed"));
  jobs::PrompterDialogs dialogs(prompter_);
  QWidget window;
  jobs::JobRunner runner(dialogs, &window);
  prompter_.SetObserver([&](const ui::ScriptedPrompter::Shown& shown) {
    if (shown.text.startsWith(QStringLiteral("What happened?"))) runner.Cancel();
  });
  runner.Start(window_, jobs::JobRunner::Show::kProgress, [this, values = settings_](jobs::JobRunner::Context& job) {
    transfer::SendTableToMySql({job.Linked(list1_), job.Linked(list3_), job.Pointer(), job.Prompter(), job.Progress(),
                                values})
        .Run();
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return !runner.Running(); }, 120000));
  ASSERT_EQ(Shown().size(), 4) << Shown().join(QStringLiteral(" | ")).toStdString();
  EXPECT_EQ(Shown()[2], QStringLiteral("1 of 5 rows of mixed were refused; the other rows were sent."));
  EXPECT_EQ(Shown()[3], QStringLiteral("Cancelled after 2 of 5 rows."));
  auto connection = latin1.Connect();
  dataaccess::Recordset rows = connection->Execute("SELECT v FROM mixed");
  std::vector<std::string> kept;
  for (; !rows.Eof(); rows.MoveNext()) kept.push_back(transfer::CellText(rows.Field(0).Value()));
  EXPECT_EQ(kept, std::vector<std::string>{"a"}) << "of the 2 rows done, the one the server took";
  EXPECT_TRUE(ui::ListContains(QStringLiteral("mixed"), list3_));
  EXPECT_EQ(window_.pointer, ui::kArrow);
}

TEST_F(SendToMySql, FieldsThatCannotBeReadAreLeftOutOnlyWhenTheUserAgrees) {
  // Table1 holds an append-only memo's history, a multi-valued field and
  // attachments beside three fields we read.
  UseFixture("accdb/complexDataTestV2007.accdb");
  const QString question = QStringLiteral(
      "The table Table1 holds fields this program cannot read: "
      "'VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880' (the history of an append-only memo), "
      "'multi-value-data' (a multi-valued field), 'attach-data' (attached files). "
      "Send it to MySQL without them?");

  prompter_.QueueYesNo(false);
  Send("Table1");
  EXPECT_EQ(Shown(), QStringList{question});
  EXPECT_EQ(prompter_.ShownItems().back().title, QStringLiteral("Leave fields out?"));
  EXPECT_TRUE(MySqlColumnTypes("Table1").empty()) << "declined: nothing created";
  EXPECT_FALSE(ui::ListContains(QStringLiteral("Table1"), list3_));

  prompter_.QueueYesNo(true);
  Send("Table1");
  EXPECT_EQ(Shown(), (QStringList{question, question}));
  EXPECT_EQ(MySqlColumnTypes("Table1"), (std::vector<std::pair<std::string, std::string>>{
                                            {"id", "char(4)"}, {"memo-data", "char(9)"}, {"append-memo-data", "char(15)"}}));
  EXPECT_EQ(MySqlRows("Table1"), (Rows{{"row1", std::nullopt, std::nullopt},
                                       {"row2", "row2-memo", "row2-memo"},
                                       {"row3", "row3-memo", "row3-memo-again"},
                                       {"row4", "row4-memo", "row4-memo"}}));
  EXPECT_TRUE(ui::ListContains(QStringLiteral("Table1"), list3_));
}


// Another client's locks meet the open batch of a send of 1,200 rows: row 500
// of the new table runs a trigger that updates the row of `other` which the
// other client's open transaction holds, with 5,000 rows changed (more than a
// batch holds, so the send's is the smaller transaction). The other client
// waits for what the server shows, never for a time: the process list names
// the trigger's UPDATE once it runs (INNODB_TRX does not list a transaction
// waiting inside a trigger).
class SendToMySqlBesideAnotherClient : public SendToMySql {
 protected:
  void SetUp() override {
    SendToMySql::SetUp();
    if (IsSkipped()) return;
    MakeAccessTableOfNumbers(1200);
    RunMySql("CREATE TABLE other (id INT PRIMARY KEY, v INT) ENGINE=InnoDB");
    RunMySql("INSERT INTO other SELECT seq, 0 FROM seq_1_to_5000");
    other_ = db_->Connect();
    watcher_ = db_->Connect();
    counter_ = db_->Connect();
    other_->Execute("START TRANSACTION");
    other_->Execute("UPDATE other SET v = v + 1");
  }
  // The trigger, doing `first` for every row, made as the row pass begins.
  // It refuses row 10, so that the batch goes one row a statement: the rows
  // before 500 are then statements of their own, which a rollback of the
  // whole batch undoes too.
  void MeetAtRow500(const std::string& first) {
    progress_.duringRowPass = [this, first](std::int64_t done) {
      if (done == 0)
        RunMySql("CREATE TRIGGER many_meets_other AFTER INSERT ON many FOR EACH ROW BEGIN " + first +
                 " IF NEW.n = '10' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'Not row 10.'; END IF;"
                 " IF NEW.n = '500' THEN UPDATE other SET v = v + 1 WHERE id = 1; END IF; END");
    };
  }
  // Waits until a statement of the send other than `seen` is at the other
  // client's row, and gives its query id.
  std::int64_t SendAtTheRow(std::int64_t seen = -1) {
    const std::string atTheRow =
        "SELECT QUERY_ID FROM information_schema.PROCESSLIST WHERE DB = DATABASE() "
        "AND INFO LIKE 'UPDATE other SET v = v + 1 WHERE id%' AND QUERY_ID <> " + std::to_string(seen);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    for (;;) {
      dataaccess::Recordset found = watcher_->Execute(atTheRow);
      if (!found.Eof()) return std::get<std::int64_t>(found.Field(0).Value());
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "the send never reached the other client's row";
        return seen;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  // Read on a connection of its own: the other client's thread uses the
  // watcher meanwhile.
  long long Status(const std::string& name) {
    dataaccess::Recordset status = counter_->Execute("SHOW GLOBAL STATUS LIKE '" + name + "'");
    return std::stoll(std::get<std::string>(status.Field(1).Value()));
  }
  // Row 10 refused (its statement, its reason, the count), every other row
  // on the server once, and the send verified.
  void ExpectRow10RefusedAndTheOthersOnce() {
    ASSERT_EQ(Shown().size(), 3) << Shown().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(Shown()[1].contains(QStringLiteral("Not row 10."))) << Shown()[1].toStdString();
    EXPECT_EQ(Shown()[2], QStringLiteral("1 of 1200 rows of many were refused; the other rows were sent."));
    EXPECT_EQ(Notes(), (QStringList{"1200 rows sent and verified.", "1199 rows sent and verified."}));
    dataaccess::Recordset counts = counter_->Execute("SELECT COUNT(*), COUNT(DISTINCT n) FROM many");
    EXPECT_EQ(std::get<std::int64_t>(counts.Field(0).Value()), 1199);
    EXPECT_EQ(std::get<std::int64_t>(counts.Field(1).Value()), 1199);
  }

  std::unique_ptr<dataaccess::Connection> other_, watcher_, counter_;
};

// Once the send waits at the row, the other client asks for the rows the
// batch holds: the server picks the send as the deadlock's victim and rolls
// the whole batch back, which is sent again.
TEST_F(SendToMySqlBesideAnotherClient, ABatchADeadlockRolledBackIsSentAgainAndNoRowIsLost) {
  MeetAtRow500("");
  const long long deadlocksBefore = Status("Innodb_deadlocks");
  auto otherClient = std::async(std::launch::async, [&] {
    SendAtTheRow();
    other_->Execute("SELECT COUNT(*) FROM many FOR UPDATE");
    other_->Execute("COMMIT");
  });
  Send("many");
  otherClient.get();
  EXPECT_GT(Status("Innodb_deadlocks"), deadlocksBefore) << "the batch met no deadlock";
  ExpectRow10RefusedAndTheOthersOnce();
}

// The send's wait at the row times out (after a second: the trigger sets its
// session's limit), which undoes that statement alone; the other client lets
// go once the statement is sent again, and no row is lost or doubled.
TEST_F(SendToMySqlBesideAnotherClient, AStatementALockWaitTimedOutIsSentAgainAndNoRowIsLost) {
  MeetAtRow500("SET SESSION innodb_lock_wait_timeout = 1;");
  auto otherClient = std::async(std::launch::async, [&] {
    SendAtTheRow(SendAtTheRow());
    other_->Execute("COMMIT");
  });
  Send("many");
  otherClient.get();
  ExpectRow10RefusedAndTheOthersOnce();
}

}  // namespace
}  // namespace transfertest
