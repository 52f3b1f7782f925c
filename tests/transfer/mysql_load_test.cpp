// Rows loaded in bulk (LOAD DATA LOCAL from memory) against the same rows
// sent one INSERT a row, on the test MariaDB: the values arrive byte for
// byte, and wherever the server would refuse or alter a row, the rows kept
// and refused, the messages and the counts are exactly those of one-row
// INSERTs. The server's local_infile switch is global, so the tests of this
// program never run beside each other (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <variant>

#include "dataaccess/recordset.h"
#include "test_server.h"
#include "transfer/cell_text.h"
#include "transfer/mysql_batch.h"
#include "transfer/row_group.h"
#include "transfer/statements.h"

namespace {

using Texts = std::vector<std::string>;

// What a send left behind: the refusals as statement and message, the
// counts, and the table's rows (NULL told apart from every text).
struct Outcome {
  std::vector<std::string> refused;
  std::int64_t committed = 0;
  std::int64_t loaded = 0;
  std::vector<Texts> rows;
};

std::vector<Texts> TableRows(dataaccess::Connection& connection, const std::string& table) {
  std::vector<Texts> rows;
  dataaccess::Recordset read = connection.Execute("SELECT * FROM " + transfer::QuoteMySqlIdentifier(table));
  for (; !read.Eof(); read.MoveNext()) {
    Texts row;
    for (int j = 0; j < read.FieldCount(); ++j) {
      const dataaccess::Value& value = read.Field(j).Value();
      row.push_back(std::holds_alternative<dataaccess::Null>(value) ? "<NULL>" : transfer::CellText(value));
    }
    rows.push_back(row);
  }
  return rows;
}

class MySqlLoadTest : public testing::Test {
 protected:
  void SetUp() override {
    found_ = testing_mysql::FromEnvironment();
    if (!found_) GTEST_SKIP() << "No test MariaDB: TABLORIA_TEST_MYSQL_* are not set.";
    db_.emplace(*found_);
    connection_ = db_->Connect();
  }

  // Each of `rows` as its own INSERT, in one transaction a `perCommit` rows.
  Outcome OneByOne(const std::string& table, const std::vector<Texts>& rows, std::size_t perCommit = 1000) {
    Outcome outcome;
    transfer::MySqlBatch batch(*connection_, Refusals(outcome));
    batch.Begin();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      batch.Send(transfer::MySqlInsert(table, rows[i]));
      if ((i + 1) % perCommit == 0) {
        batch.Commit();
        batch.Begin();
      }
    }
    batch.Commit();
    return Finish(outcome, batch, table);
  }

  // The rows in groups of `perCommit`, loaded in bulk, each group committed.
  Outcome Loaded(const std::string& table, const Texts& columns, const std::vector<Texts>& rows,
                 std::size_t perCommit = 1000) {
    Outcome outcome;
    transfer::MySqlBatch batch(*connection_, Refusals(outcome));
    transfer::RowGroup group(transfer::MySqlInsertPrefix(table).size(), transfer::MySqlLoadData(table, columns));
    batch.Begin();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      std::string line;
      transfer::AppendMySqlLoadLine(line, rows[i]);
      group.Add(transfer::MySqlInsert(table, rows[i]), line);
      if ((i + 1) % perCommit == 0) {
        group.SendThrough(batch, [] { return true; });
        batch.Commit();
        batch.Begin();
      }
    }
    group.SendThrough(batch, [] { return true; });
    batch.Commit();
    return Finish(outcome, batch, table);
  }

  static transfer::MySqlBatch::OnRefused Refusals(Outcome& outcome) {
    return [&outcome](const std::string& statement, const dataaccess::DbError& error) {
      outcome.refused.push_back(statement + " | " + std::to_string(error.NativeError()) + " " + error.Description());
    };
  }

  Outcome& Finish(Outcome& outcome, const transfer::MySqlBatch& batch, const std::string& table) {
    outcome.committed = batch.RowsCommitted();
    outcome.loaded = batch.RowsLoaded();
    outcome.rows = TableRows(*connection_, table);
    return outcome;
  }

  std::optional<testing_mysql::TestServer> found_;
  std::optional<testing_mysql::ScratchDatabase> db_;
  std::unique_ptr<dataaccess::Connection> connection_;
};

TEST_F(MySqlLoadTest, EveryTextArrivesByteForByteAsItsInsertGivesIt) {
  const std::vector<std::string> texts = {
      "",  // sent as NULL, as the INSERT sends it
      "plain",
      "tab\there",
      "line\nbreak",
      "carriage\rreturn\r\n",
      "back\\slash \\t \\n",
      "ends in a backslash\\",
      "\\N",
      "NULL",
      std::string("nul\0byte", 8),
      "\x1A ctrl-Z",
      "'quoted' \"twice\"",
      "  blanks around  ",
      "\xC3\xBCmlaut \xE2\x82\xAC and \xF0\x9F\x98\x80 beyond the BMP",
      "0x00FF7F",                   // a binary value's text
      "2026-12-11 03:04:05.25",     // a date's text
      "-123456789012345.6789",      // a number's text
      std::string(70000, 'x') + "\t" + std::string(10, '\\'),  // longer than a load's read buffer
  };
  db_->Run("CREATE TABLE loaded (n int, v longtext)");
  db_->Run("CREATE TABLE inserted (n int, v longtext)");
  std::vector<Texts> rows;
  for (std::size_t i = 0; i < texts.size(); ++i) rows.push_back({std::to_string(i), texts[i]});
  const Outcome loaded = Loaded("loaded", {"n", "v"}, rows);
  const Outcome inserted = OneByOne("inserted", rows);
  EXPECT_EQ(loaded.loaded, static_cast<std::int64_t>(rows.size())) << "the rows did not go in bulk";
  EXPECT_TRUE(loaded.refused.empty());
  ASSERT_EQ(loaded.rows.size(), texts.size());
  EXPECT_EQ(loaded.rows, inserted.rows);
  for (std::size_t i = 0; i < texts.size(); ++i)
    EXPECT_EQ(loaded.rows[i][1], texts[i].empty() ? "<NULL>" : texts[i]) << "row " << i;
}

// Each case's rows go in bulk into one table and one INSERT a row into its
// twin; the server refuses or alters some of them.
struct EquivalenceCase {
  const char* name;
  const char* columns;  // the CREATE TABLE's column list
  std::vector<Texts> rows;
  bool someRefused;  // by the one-row INSERTs, so the case shows a fallback
};

void PrintTo(const EquivalenceCase& c, std::ostream* os) { *os << c.name; }

class LoadEquivalence : public MySqlLoadTest, public testing::WithParamInterface<EquivalenceCase> {};

TEST_P(LoadEquivalence, RowsRefusedOrAlteredMakeTheSameOutcomeAsOneInsertARow) {
  const EquivalenceCase& c = GetParam();
  db_->Run(std::string("CREATE TABLE loaded ") + c.columns);
  db_->Run(std::string("CREATE TABLE inserted ") + c.columns);
  dataaccess::Recordset described = connection_->Execute("SELECT * FROM loaded");
  Texts columns;
  for (int j = 0; j < described.FieldCount(); ++j) columns.push_back(described.Field(j).Name());
  // Three rows a commit, so clean groups load beside those that fall back.
  const Outcome loaded = Loaded("loaded", columns, c.rows, 3);
  Outcome inserted = OneByOne("inserted", c.rows, 3);
  // The messages name the table.
  for (std::string& refusal : inserted.refused)
    for (std::size_t at; (at = refusal.find("`inserted`")) != std::string::npos;) refusal.replace(at, 10, "`loaded`");
  EXPECT_EQ(!inserted.refused.empty(), c.someRefused);
  EXPECT_EQ(loaded.refused, inserted.refused);
  EXPECT_EQ(loaded.committed, inserted.committed);
  EXPECT_EQ(loaded.rows, inserted.rows);
  EXPECT_GT(loaded.loaded, 0) << "no group went in bulk";
  EXPECT_LT(loaded.loaded, static_cast<std::int64_t>(c.rows.size())) << "a group with a row to refuse stayed loaded";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadEquivalence,
    testing::Values(
        EquivalenceCase{"TextTooLongInStrictMode",
                        "(a char(3), b varchar(4))",
                        {{"1", "ok"}, {"2", "ok"}, {"3", "ok"}, {"4", "ok"}, {"5", "too long"}, {"6", "ok"}},
                        true},
        EquivalenceCase{"DuplicateKey",
                        "(id int PRIMARY KEY, v char(5))",
                        {{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}, {"2", "again"}, {"5", "e"}, {"6", "f"}},
                        true},
        EquivalenceCase{"BadNumberIntoATypedColumn",
                        "(n int, amount decimal(6,2))",
                        {{"1", "1.5"}, {"2", "2"}, {"3", "3"}, {"4", "abc"}, {"5", "12"}, {"6", "1e3"}},
                        true},
        EquivalenceCase{"NumberRoundedWithANote",
                        "(n int, amount decimal(6,2))",
                        {{"1", "1.5"}, {"2", "2"}, {"3", "3"}, {"4", "4.125"}, {"5", "5"}, {"6", "6"}},
                        false},
        EquivalenceCase{"BadDate",
                        "(n int, d date)",
                        {{"1", "2026-12-11"}, {"2", "2026-01-01"}, {"3", "1999-12-31"}, {"4", "2026-13-45"}},
                        true},
        EquivalenceCase{"NullIntoNotNull",
                        "(n int, v char(3) NOT NULL)",
                        {{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", ""}, {"5", "e"}},
                        true},
        EquivalenceCase{"CharactersTheColumnCannotHold",
                        "(n int, v char(2) CHARACTER SET latin1)",
                        {{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "\xCE\xB1"}, {"5", "e"}},
                        true}));

TEST_F(MySqlLoadTest, AServerThatRefusesLocalLoadsGetsEveryRowByInserts) {
  struct Switch {
    const testing_mysql::ScratchDatabase& db;
    ~Switch() { db.Run("SET GLOBAL local_infile = ON"); }
  } restore{*db_};
  db_->Run("SET GLOBAL local_infile = OFF");
  db_->Run("CREATE TABLE loaded (n int, v char(4))");
  db_->Run("CREATE TABLE inserted (n int, v char(4))");
  std::vector<Texts> rows;
  for (int n = 1; n <= 2500; ++n) rows.push_back({std::to_string(n), n % 400 == 0 ? "five!" : "ok"});
  const Outcome loaded = Loaded("loaded", {"n", "v"}, rows);
  const Outcome inserted = OneByOne("inserted", rows);
  EXPECT_EQ(loaded.loaded, 0);
  EXPECT_EQ(loaded.committed, 2500 - 6);
  EXPECT_EQ(loaded.refused.size(), 6u);
  EXPECT_EQ(loaded.rows, inserted.rows);
}

}  // namespace
