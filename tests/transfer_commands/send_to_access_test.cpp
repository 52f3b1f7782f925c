// "Send Table to Access" against the test MariaDB and a copy of a real
// Access file, read back by our engine, mdbtools and mdb-reader.
#include <QRegularExpression>
#include <algorithm>

#include "dataaccess/connection.h"
#include "dataaccess/recordset.h"

#include "jet/write/consistency_check.h"
#include "ui/main_module.h"
#include "send_fixture.h"
#include "transfer/send_to_access.h"
#include "transfer/send_to_mysql.h"

namespace transfertest {
namespace {

class SendToAccess : public SendTest {
 protected:
  void Send(const std::string& table) {
    Select(list3_, QString::fromStdString(table));
    transfer::SendTableToAccess(Environment()).Run();
  }
};

// Our engine pads char(n) to n with blanks; the values here end in none.
Rows Trimmed(Rows rows) {
  for (auto& row : rows)
    for (auto& cell : row)
      if (cell) cell = TrimRight(*cell);
  return rows;
}

// mdbtools gives an empty memo as no value and each UTF-16 unit of a
// character beyond U+FFFF as '?'; compare with empty texts as no value.
Rows AsMdbToolsReads(Rows rows) {
  for (auto& row : rows)
    for (auto& cell : row) {
      if (!cell) continue;
      if (cell->empty()) {
        cell.reset();
        continue;
      }
      *cell = QString::fromStdString(*cell).replace(QRegularExpression(QStringLiteral("[\\x{10000}-\\x{10FFFF}]")),
                                                    QStringLiteral("??")).toStdString();
    }
  return rows;
}

void ExpectEveryReaderSees(const std::string& table, const Rows& expected,
                           const Rows& ours, const Rows& mdbJson, const std::optional<Rows>& mdbReader) {
  EXPECT_EQ(Trimmed(ours), expected) << "our engine, " << table;
  EXPECT_EQ(AsMdbToolsReads(Trimmed(mdbJson)), AsMdbToolsReads(expected)) << "mdb-json, " << table;
  if (mdbReader) {
    EXPECT_EQ(Trimmed(*mdbReader), expected) << "mdb-reader, " << table;
  }
}

// Into an Access 2000-2003 file and Access 2007 and 2010 ones (text keys of
// their catalogues in the older and the newer General sort order).
TEST_F(SendToAccess, EveryValueKindArrivesAsItsTextAndNullStaysNull) {
  RunMySql("CREATE TABLE `typed values` (id INT, d DECIMAL(10,2), f DOUBLE, day DATE, at DATETIME, t TIME, "
           "v VARCHAR(40), long_text TEXT, b BLOB)");
  RunMySql("INSERT INTO `typed values` VALUES "
           "(1, 12.50, 0.1, '2024-02-29', '2024-02-29 13:45:07', '08:30:00', 'O''Brien', REPEAT('x', 300), x'00FF10'),"
           "(2, -0.05, 2.5, '1899-12-30', '1900-01-01 00:00:00', '23:59:59', 'C:\\new\\', '', NULL),"
           "(3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),"
           "(4, 0, -1, '2000-01-01', '2000-01-01 00:00:01', '00:00:00', 'Null911', 'Null911', x''),"
           "(5, 1, 1e15, '9999-12-31', '1970-01-01 12:00:00', '12:00:00', 'I \xE2\x9D\xA4 \xF0\x9F\x98\x80', "
           "'\xCE\x98\xCE\xB5\xCF\x83\xCF\x83\xCE\xB1\xCE\xBB\xCE\xBF\xCE\xBD\xCE\xAF\xCE\xBA\xCE\xB7', NULL)");

  const Cell N;
  const Rows expected = {
      {"1", "12.5", "0.1", "2024-02-29", "2024-02-29 13:45:07", "08:30:00", "O'Brien", std::string(300, 'x'), "0x00FF10"},
      {"2", "-0.05", "2.5", "1899-12-30", "1900-01-01 00:00:00", "23:59:59", "C:\\new\\", "", N},
      {"3", N, N, N, N, N, N, N, N},
      {"4", "0", "-1", "2000-01-01", "2000-01-01 00:00:01", "00:00:00", "Null911", "Null911", ""},
      {"5", "1", "1E+15", "9999-12-31", "1970-01-01 12:00:00", "12:00:00", "I \xE2\x9D\xA4 \xF0\x9F\x98\x80",
       "\xCE\x98\xCE\xB5\xCF\x83\xCF\x83\xCE\xB1\xCE\xBB\xCE\xBF\xCE\xBD\xCE\xAF\xCE\xBA\xCE\xB7", N},
  };
  for (const std::string fixture : {"testV2000.mdb", "accdb/testV2007.accdb", "accdb/empty2010.accdb"}) {
    SCOPED_TRACE(fixture);
    UseFixture(fixture);
    ui::RemoveListItem(list1_, QStringLiteral("typed values"));
    Send("typed values");
    EXPECT_TRUE(Shown().isEmpty()) << Shown().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(Notes().last(), QStringLiteral("5 rows sent and verified."));
    EXPECT_TRUE(ui::ListContains(QStringLiteral("typed values"), list1_));
    EXPECT_EQ(window_.pointer, ui::kArrow);
    ExpectEveryReaderSees("typed values", expected, AccessRows("typed values"), MdbJsonRows("typed values"),
                          MdbReaderRows("typed values"));
    EXPECT_EQ(jet::CheckDatabase(mdb_.string(), ""), std::vector<std::string>{});
  }
}

// MySQL -> a new .accdb -> MySQL: each value comes back in the text it left
// in. (The empty text, which comes back as NULL, and the texts Access writes
// its own way, such as a DECIMAL(10,2)'s 12.50 as 12.5, are the cases above.)
TEST_F(SendToAccess, RoundTripThroughANewAccdbKeepsEveryText) {
  RunMySql("CREATE TABLE `round trip` (id INT, f DOUBLE, day DATE, at DATETIME, t TIME, "
           "v VARCHAR(40), long_text TEXT)");
  RunMySql("INSERT INTO `round trip` VALUES "
           "(1, 0.1, '2024-02-29', '2024-02-29 13:45:07', '08:30:00', 'O''Brien', REPEAT('x\xC3\xA9', 300)),"
           "(2, 2.5, '1899-12-30', '1900-01-01 00:00:00', '23:59:59', 'C:\\new\\', 'Null911'),"
           "(3, NULL, NULL, NULL, NULL, NULL, NULL),"
           "(4, -1, '9999-12-31', '1970-01-01 12:00:00', '00:00:00', 'I \xE2\x9D\xA4 \xF0\x9F\x98\x80', "
           "'\xCE\x98\xCE\xB5\xCF\x83\xCF\x83\xCE\xB1\xCE\xBB\xCE\xBF\xCE\xBD\xCE\xAF\xCE\xBA\xCE\xB7')");
  const Rows before = MySqlRows("round trip");
  UseNewFile("Round trip.accdb");
  Send("round trip");
  EXPECT_TRUE(Shown().isEmpty()) << Shown().join(QStringLiteral(" | ")).toStdString();
  EXPECT_EQ(Notes().last(), QStringLiteral("4 rows sent and verified."));

  prompter_.QueueYesNo(true);  // replace the table MySQL has
  Select(list1_, QStringLiteral("round trip"));
  transfer::SendTableToMySql(Environment()).Run();
  ASSERT_EQ(Shown().size(), 1) << Shown().join(QStringLiteral(" | ")).toStdString();  // the question only
  EXPECT_EQ(Notes().last(), QStringLiteral("4 rows sent and verified."));
  EXPECT_EQ(MySqlRows("round trip"), before);
  EXPECT_EQ(jet::CheckDatabase(mdb_.string(), ""), std::vector<std::string>{});
}

// Values whose text was once changed on the way: each arrives as MySQL
// shows it, numbers in plain decimal.
TEST_F(SendToAccess, TrickyValuesArriveExactlyAsMySqlShowsThem) {
  const struct {
    const char* type;
    const char* literal;
    const char* text;
  } cases[] = {
      {"DOUBLE", "100000", "100000"},
      {"DOUBLE", "1000000", "1000000"},
      {"DOUBLE", "0.0001", "0.0001"},
      {"DOUBLE", "1e-1 + 2e-1", "0.30000000000000004"},
      {"DOUBLE", "1e300", "1E+300"},
      {"DOUBLE", "1.5e-20", "1.5E-20"},
      {"FLOAT", "100000", "100000"},
      {"FLOAT", "0.0001", "0.0001"},
      {"TIME(3)", "'23:59:59.999'", "23:59:59.999"},
      {"TIME(3)", "'12:00:00.500'", "12:00:00.500"},
      {"TIME", "'838:59:59'", "838:59:59"},
      {"TIME", "'-00:00:01'", "-00:00:01"},
      {"DATETIME(6)", "'2020-01-01 23:59:59.999999'", "2020-01-01 23:59:59.999999"},
      {"DATE", "'1899-12-30'", "1899-12-30"},
      {"DATETIME", "'1899-12-30 10:00:00'", "1899-12-30 10:00:00"},
      {"DATE", "'0000-00-00'", "0000-00-00"},
      {"YEAR", "0", "0000"},
      {"YEAR", "2155", "2155"},
      {"DECIMAL(65,30)", "'-12345678901234567890123456789012345.000000000000000000000000000001'",
       "-12345678901234567890123456789012345.000000000000000000000000000001"},
  };
  std::string create = "CREATE TABLE tricky (", insert = "INSERT INTO tricky VALUES (";
  std::vector<Cell> expected;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    create += (i ? ", c" : "c") + std::to_string(i) + " " + cases[i].type;
    insert += (i ? ", " : "") + std::string(cases[i].literal);
    expected.emplace_back(cases[i].text);
  }
  RunMySql(create + ")");
  RunMySql(insert + ")");
  Send("tricky");
  EXPECT_TRUE(Shown().isEmpty()) << Shown().join(QStringLiteral(" | ")).toStdString();
  ExpectEveryReaderSees("tricky", {expected}, AccessRows("tricky"), MdbJsonRows("tricky"), MdbReaderRows("tricky"));
}

TEST_F(SendToAccess, RowsStayInStepAndShowTheirProgress) {
  RunMySql("CREATE TABLE towns (id INT, name VARCHAR(20), twice INT)");
  std::string insert = "INSERT INTO towns VALUES ";
  Rows expected;
  for (int i = 0; i < 1500; ++i) {
    int id = (i * 7919) % 1500;  // not in key order
    insert += (i ? "," : "") + ("(" + std::to_string(id) + ", 'town " + std::to_string(id) + "', " +
                                std::to_string(2 * id) + ")");
    expected.push_back({std::to_string(id), "town " + std::to_string(id), std::to_string(2 * id)});
  }
  RunMySql(insert);
  Send("towns");
  EXPECT_TRUE(Shown().isEmpty());
  EXPECT_EQ(progress_.titles, QStringList{"Sending towns to Access"});
  EXPECT_EQ(progress_.phases,
            (QStringList{"Connecting to MySQL...", "Reading towns...", "Creating towns...", QString()}));
  EXPECT_EQ(progress_.lastDone, 1500);
  EXPECT_EQ(progress_.lastTotal, 1500);
  Rows ours = Trimmed(AccessRows("towns"));
  EXPECT_EQ(ours, expected);
  for (const auto& row : ours) ASSERT_EQ(*row[1], "town " + *row[0]);
}

TEST_F(SendToAccess, WidthsTheRowCannotHoldBecomeMemoAndWideUnicodeFitsItsWidth) {
  struct Case {
    const char* what;
    std::string create;
    std::string insert;
  };
  std::string thirty = "CREATE TABLE `thirty wide` (";
  std::string values = "INSERT INTO `thirty wide` VALUES (";
  for (int c = 0; c < 30; ++c) {
    thirty += (c ? ", c" : "c") + std::to_string(c) + " VARCHAR(200)";
    values += (c ? ", REPEAT('" : "REPEAT('") + std::string(1, static_cast<char>('a' + c % 26)) + "', 200)";
  }
  // A Greek value of 3 letters and an emoji with a letter (3 UTF-16 units) share a char(3).
  const Case cases[] = {
      {"30 columns of 200 characters", thirty + ")", values + ")"},
      {"width boundary", "CREATE TABLE edge (g VARCHAR(3))",
       "INSERT INTO edge VALUES ('\xCE\xB1\xCE\xB2\xCE\xB3'), ('\xF0\x9F\x98\x80x'), ('')"},
  };
  for (const Case& c : cases) {
    RunMySql(c.create);
    RunMySql(c.insert);
  }
  Send("thirty wide");
  Send("edge");
  EXPECT_TRUE(Shown().isEmpty()) << Shown().join(QStringLiteral(" | ")).toStdString();
  Rows wide = AccessRows("thirty wide");
  ASSERT_EQ(wide.size(), 1u);
  for (int c = 0; c < 30; ++c) EXPECT_EQ(*wide[0][c], std::string(200, static_cast<char>('a' + c % 26))) << c;
  const Rows edge = {{"\xCE\xB1\xCE\xB2\xCE\xB3"}, {"\xF0\x9F\x98\x80x"}, {""}};
  ExpectEveryReaderSees("edge", edge, AccessRows("edge"), MdbJsonRows("edge"), MdbReaderRows("edge"));
}

TEST_F(SendToAccess, OverwriteQuestionBothAnswers) {
  ASSERT_FALSE(AccessTables().empty());
  const std::string existing = AccessTables().front();
  RunMySql("CREATE TABLE `" + existing + "` (a VARCHAR(5))");
  RunMySql("INSERT INTO `" + existing + "` VALUES ('new')");
  Select(list1_, QString::fromStdString(existing));
  Rows before = AccessRows(existing);

  prompter_.QueueYesNo(false);
  Send(existing);
  EXPECT_EQ(Shown(), QStringList{QStringLiteral("Would you like to overwrite ") + QString::fromStdString(existing) + "?"});
  EXPECT_EQ(prompter_.ShownItems().back().title, QStringLiteral("Overwrite?"));
  EXPECT_EQ(window_.pointer, ui::kDefaultPointer) << "No leaves even the pointer alone";
  EXPECT_EQ(AccessRows(existing), before);

  prompter_.QueueYesNo(true);
  Send(existing);
  EXPECT_EQ(Shown().size(), 2);
  EXPECT_EQ(Trimmed(AccessRows(existing)), (Rows{{"new"}}));
  int times = 0;
  for (int i = 0; i < list1_.ListCount(); ++i) times += list1_.List(i) == QString::fromStdString(existing);
  EXPECT_EQ(times, 1);
  EXPECT_EQ(window_.pointer, ui::kArrow);
}

TEST_F(SendToAccess, NoSelectionTooManyColumnsAndAnUnreadableTableEachGiveOneMessage) {
  transfer::SendTableToAccess(Environment()).Run();
  EXPECT_EQ(Shown(), QStringList{QStringLiteral("Please select a MySQL table")});

  std::string wide = "CREATE TABLE wide (";
  for (int c = 0; c < 256; ++c) wide += (c ? ", c" : "c") + std::to_string(c) + " INT";
  RunMySql(wide + ")");
  Select(list1_, QStringLiteral("wide"));  // listed on the Access side: still no question, nothing dropped
  Send("wide");
  EXPECT_EQ(Shown().last(), QStringLiteral("The MySQL table wide has 256 columns; an Access table can have at most 255."));

  Send("gone");
  EXPECT_TRUE(Shown().last().startsWith(QStringLiteral("Could not read the MySQL table gone.\r\r-2147217900 ")))
      << Shown().last().toStdString();
  EXPECT_EQ(Shown().size(), 3);
  EXPECT_EQ(window_.pointer, ui::kDefaultPointer);
}

// Cancel while the rows are measured leaves the file alone; Cancel while
// they are sent keeps the table and the rows sent.
TEST_F(SendToAccess, CancelInEachPhase) {
  RunMySql("CREATE TABLE many (n INT)");
  RunMySql("INSERT INTO many SELECT seq FROM seq_1_to_2500");
  const std::vector<std::string> tables = AccessTables();
  struct Case {
    QString phase;
    std::int64_t at;
    QStringList shown;
    std::optional<std::size_t> rows;  // in the Access table; none when there is no table
  };
  const Case cases[] = {
      {QStringLiteral("Reading many..."), 700, {}, std::nullopt},
      {QString(), 1700, {QStringLiteral("Cancelled after 1700 of 2500 rows.")}, 1700},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phase.toStdString());
    prompter_ = ui::ScriptedPrompter();
    progress_ = ScriptedProgress();
    progress_.cancelPhase = c.phase;
    progress_.cancelAt = c.at;
    Send("many");
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_TRUE(Notes().isEmpty());
    EXPECT_EQ(ui::ListContains(QStringLiteral("many"), list1_), c.rows.has_value());
    if (c.rows) {
      EXPECT_EQ(AccessRows("many").size(), *c.rows);
      RunAccess("DROP TABLE many");
      ui::RemoveListItem(list1_, QStringLiteral("many"));
    }
    EXPECT_EQ(AccessTables(), tables);
    EXPECT_EQ(window_.pointer, ui::kArrow);
  }
}

// The rows are read twice, once to measure them and once to send them. A row
// widened between the two reads cannot go into the column measured before
// it: a table with transactions gives both reads the same rows; one without
// gives the second read the new value, which is refused alone and counted.
TEST_F(SendToAccess, BothReadsOfATableWithTransactionsSeeTheSameRows) {
  struct Case {
    const char* engine;
    std::size_t refused;
  };
  for (const Case& c : {Case{"InnoDB", 0}, Case{"MyISAM", 1}}) {
    SCOPED_TRACE(c.engine);
    prompter_ = ui::ScriptedPrompter();
    progress_ = ScriptedProgress();
    const std::string table = std::string("towns_") + c.engine;
    RunMySql("CREATE TABLE " + table + " (id INT, name VARCHAR(40)) ENGINE=" + c.engine);
    RunMySql("INSERT INTO " + table + " SELECT seq, CONCAT('town ', seq) FROM seq_1_to_1500");
    progress_.atPhase = [&](const QString& phase) {
      if (phase.startsWith(QStringLiteral("Creating")))
        RunMySql("UPDATE " + table + " SET name = REPEAT('w', 40) WHERE id = 1400");
    };
    Send(table);
    Rows sent = Trimmed(AccessRows(table));
    EXPECT_EQ(sent.size(), 1500 - c.refused);
    if (c.refused == 0) {
      EXPECT_TRUE(Shown().isEmpty()) << Shown().join(QStringLiteral(" | ")).toStdString();
      EXPECT_EQ(*sent[1399][1], "town 1400");
    } else {
      ASSERT_EQ(Shown().size(), 3) << Shown().join(QStringLiteral(" | ")).toStdString();
      EXPECT_TRUE(Shown()[0].startsWith(QStringLiteral("What happened?: INSERT INTO `towns_MyISAM` VALUES('1400', 'www")))
          << Shown()[0].toStdString();
      EXPECT_EQ(Shown()[2],
                QStringLiteral("1 of 1500 rows of towns_MyISAM were refused; the other rows were sent."));
    }
  }
}

// The rows are counted in the file afterwards: a row another program added
// meanwhile shows as a difference. The rows go in batches that hold the file; between two batches another
// program (here the test, on a connection of its own) can write to it.
TEST_F(SendToAccess, TheCountAfterwardsShowsRowsAddedByAnotherProgram) {
  constexpr std::int64_t batch = transfer::SendTableToAccess::kRowsPerBatch;
  RunMySql("CREATE TABLE towns (id INT)");
  RunMySql("INSERT INTO towns SELECT seq FROM seq_1_to_" + std::to_string(batch + 3));
  progress_.duringRowPass = [&](std::int64_t done) {
    if (done == batch) RunAccess("INSERT INTO towns VALUES ('99')");
  };
  Send("towns");
  EXPECT_EQ(Shown(), QStringList{QStringLiteral("%1 rows were sent, but the Access table towns holds %2.")
                                     .arg(batch + 3)
                                     .arg(batch + 4)});
  EXPECT_TRUE(Notes().isEmpty()) << "a difference is no success";
  EXPECT_EQ(AccessRows("towns").size(), static_cast<std::size_t>(batch + 4));
}

// Another program moves a new file over the path while the rows go: not one
// row goes into the file now at the path, and List1 follows that file. A
// batch's rows reach the file only when the batch is written, which is where
// the move is noticed, so the rows of that batch are in neither file; the
// message counts exactly the rows the file the command opened holds.
TEST_F(SendToAccess, AFileMovedOverThePathDuringTheSendStopsIt) {
  constexpr std::int64_t batch = transfer::SendTableToAccess::kRowsPerBatch;
  constexpr std::int64_t total = batch + 200;
  RunMySql("CREATE TABLE many (n INT)");
  RunMySql("INSERT INTO many SELECT seq FROM seq_1_to_" + std::to_string(total));
  const std::vector<std::string> tables = AccessTables();
  const QString path = settings_.AccessMDBFile();
  const std::filesystem::path copy = mdb_.parent_path() / "copy.mdb";
  const std::filesystem::path opened = mdb_.parent_path() / "opened.mdb";  // keeps the replaced file reachable
  // Inside a batch, between two batches, after the last row.
  for (std::int64_t movedAt : {batch / 2, batch, total}) {
    SCOPED_TRACE(movedAt);
    prompter_ = ui::ScriptedPrompter();
    std::filesystem::remove(opened);
    std::filesystem::create_hard_link(mdb_, opened);
    std::filesystem::copy_file(mdb_, copy);
    progress_.duringRowPass = [&](std::int64_t done) {
      if (done == movedAt && std::filesystem::exists(copy)) std::filesystem::rename(copy, mdb_);
    };
    Send("many");
    EXPECT_EQ(AccessTables(), tables);
    EXPECT_FALSE(ui::ListContains(QStringLiteral("many"), list1_));

    settings_.SetAccessMDBFile(QString::fromStdString(opened.string()));
    const auto kept = static_cast<std::int64_t>(AccessRows("many").size());
    settings_.SetAccessMDBFile(path);
    EXPECT_LE(kept, movedAt);
    EXPECT_EQ(jet::CheckDatabase(opened.string(), ""), std::vector<std::string>{});
    // Every row in the file but not saved: the move is noticed by the save.
    const QString first =
        kept == total ? QStringLiteral("Could not save the changes to the Access file.")
                      : QStringLiteral("Could not write to the Access table many: %1 of %2 rows were sent.").arg(kept).arg(total);
    ASSERT_EQ(Shown().size(), 1) << Shown().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(Shown()[0].startsWith(first + QStringLiteral("\r\r-2147467259 The file '") +
                                      QString::fromStdString(mdb_.string()) + QStringLiteral("' was replaced")))
        << Shown()[0].toStdString();
  }
}

TEST_F(SendToAccess, RefusedCreateStopsAndTheListFollowsTheFile) {
  // The table exists in the file but not in the list: Jet refuses the CREATE.
  const std::string existing = AccessTables().front();
  Rows before = AccessRows(existing);
  RunMySql("CREATE TABLE `" + existing + "` (a INT)");
  RunMySql("INSERT INTO `" + existing + "` VALUES (1)");
  list1_.Clear();
  Send(existing);
  ASSERT_EQ(Shown().size(), 1);
  EXPECT_TRUE(Shown()[0].startsWith(QStringLiteral("Could not create the Access table "))) << Shown()[0].toStdString();
  EXPECT_EQ(AccessRows(existing), before) << "no row was added to a table this command did not create";
  EXPECT_TRUE(ui::ListContains(QString::fromStdString(existing), list1_));
  EXPECT_EQ(window_.pointer, ui::kArrow);
}

TEST_F(SendToAccess, AnAccessPathThatCannotBeWrittenGivesOneMessageAndNoFailedSave) {
  RunMySql("CREATE TABLE towns (id INT)");
  RunMySql("INSERT INTO towns VALUES (1)");
  struct Case {
    const char* what;
    std::filesystem::path path;
  };
  const Case cases[] = {
      {"missing file", mdb_.parent_path() / "none.mdb"},
      {"a folder", mdb_.parent_path()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prompter_ = ui::ScriptedPrompter();
    settings_.SetAccessMDBFile(QString::fromStdString(c.path.string()));
    list1_.Clear();
    Send("towns");
    ASSERT_EQ(Shown().size(), 1) << Shown().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(Shown()[0].startsWith(QStringLiteral("Could not create the Access table towns."))) << Shown()[0].toStdString();
    EXPECT_EQ(list1_.ListCount(), 0);
    EXPECT_EQ(window_.pointer, ui::kArrow);
  }
}

// An Access file a few pages short of 2 GiB (sparse: it costs no disk) fills
// up during the send: the send stops at the first row Jet refuses for want of
// room instead of trying every row after it, and says how many went in.
TEST_F(SendToAccess, AFullFileStopsTheSendAndSaysHowManyRowsWereSent) {
  RunMySql("CREATE TABLE wide (n INT, t VARCHAR(250))");
  RunMySql("INSERT INTO wide SELECT seq, REPEAT('w', 250) FROM seq_1_to_3000");
  std::filesystem::resize_file(mdb_, 0x80000000ull - 64 * 4096);
  Send("wide");
  ASSERT_EQ(Shown().size(), 1) << Shown().join(u'\n').toStdString();
  const std::size_t sent = AccessRows("wide").size();
  EXPECT_GT(sent, 0u);
  EXPECT_LT(sent, 3000u);
  EXPECT_TRUE(Shown()[0].startsWith(
      QStringLiteral("Could not write to the Access table wide: %1 of 3000 rows were sent.").arg(sent)))
      << Shown()[0].toStdString();
  EXPECT_TRUE(Shown()[0].contains(QStringLiteral("Database has reached maximum size."))) << Shown()[0].toStdString();
}


// The server ends the read part-way, by KILL QUERY or by KILL CONNECTION from
// another client: one message with the reason the client got, never an
// empty one, and no Access table (nothing is created before the whole
// table is read).
TEST_F(SendToAccess, AReadTheServerKillsPartWayGivesItsReasonAndNoTable) {
  // Far more than the sockets between server and client buffer, so the
  // server is still sending when the kill comes.
  RunMySql("CREATE TABLE stream (n INT, pad CHAR(200))");
  RunMySql("INSERT INTO stream SELECT seq, REPEAT('x', 200) FROM seq_1_to_200000");
  std::unique_ptr<dataaccess::Connection> killer = db_->Connect();
  for (const char* kill : {"KILL QUERY ", "KILL CONNECTION "}) {
    SCOPED_TRACE(kill);
    prompter_ = ui::ScriptedPrompter();
    progress_.duringRead = [&](std::int64_t read) {
      if (read != 1000) return;
      dataaccess::Recordset reader = killer->Execute(
          "SELECT ID FROM information_schema.PROCESSLIST WHERE INFO LIKE 'SELECT `n`,`pad` FROM `stream`%'");
      ASSERT_FALSE(reader.Eof()) << "the read is not on the server";
      killer->Execute(kill + std::to_string(std::get<std::int64_t>(reader.Field(0).Value())));
    };
    Send("stream");
    ASSERT_EQ(Shown().size(), 1u) << Shown().join(QStringLiteral(" | ")).toStdString();
    const QString prefix = QStringLiteral("Could not read the MySQL table stream.\r\r");
    EXPECT_TRUE(Shown()[0].startsWith(prefix)) << Shown()[0].toStdString();
    const QString reason = Shown()[0].mid(prefix.size()).section(u' ', 1);
    EXPECT_FALSE(reason.trimmed().isEmpty()) << Shown()[0].toStdString();
    EXPECT_TRUE(Notes().isEmpty());
    EXPECT_FALSE(ui::ListContains(QStringLiteral("stream"), list1_));
    const std::vector<std::string> tables = AccessTables();
    EXPECT_EQ(std::count(tables.begin(), tables.end(), "stream"), 0);
  }
}

// The same in the row pass, whose rows are read ahead of the ones written:
// the rows already in the file stay, and the message counts exactly those.
TEST_F(SendToAccess, ARowPassTheServerKillsPartWayKeepsAndCountsTheRowsInTheFile) {
  constexpr int total = 200000;  // as above, more than the sockets buffer
  RunMySql("CREATE TABLE stream (n INT, pad CHAR(200))");
  RunMySql("INSERT INTO stream SELECT seq, REPEAT('x', 200) FROM seq_1_to_" + std::to_string(total));
  std::unique_ptr<dataaccess::Connection> killer = db_->Connect();
  progress_.duringRowPass = [&](std::int64_t done) {
    if (done != 1000) return;
    dataaccess::Recordset reader = killer->Execute(
        "SELECT ID FROM information_schema.PROCESSLIST WHERE INFO LIKE 'SELECT `n`,`pad` FROM `stream`%'");
    ASSERT_FALSE(reader.Eof()) << "the read is not on the server";
    killer->Execute("KILL QUERY " + std::to_string(std::get<std::int64_t>(reader.Field(0).Value())));
  };
  Send("stream");
  const std::size_t inFile = AccessRows("stream").size();
  EXPECT_GE(inFile, 1000u);
  EXPECT_LT(inFile, static_cast<std::size_t>(total));
  ASSERT_FALSE(Shown().isEmpty());
  EXPECT_TRUE(Shown()[0].startsWith(
      QStringLiteral("Could not read the MySQL table stream: %1 of %2 rows were sent.\r\r").arg(inFile).arg(total)))
      << Shown().join(QStringLiteral(" | ")).toStdString();
}

}  // namespace
}  // namespace transfertest
