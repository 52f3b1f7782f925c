// INSERT into Access-made tables that carry indexes, and CREATE INDEX and
// DROP INDEX on them: every index stays exact (our check, both oracles, and
// a search through each index for each row), and what Jet refuses
// (duplicate keys, Nulls where a key or a Required field refuses them,
// zero-length texts, unknown fields, an index a relationship uses) is
// refused with Jet's number, leaving the file byte for byte as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "jet/catalogue.h"
#include "jet/connection.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/index/index_tree.h"
#include "jet/write/consistency_check.h"
#include "jet/write/database_writer.h"
#include "jet/write/index_page_store.h"
#include "jet/row_codec.h"
#include "jet/write/indexed_table.h"
#include "jet/write/table_rows.h"
#include "jet/write/table_map.h"
#include "jet/usage_map.h"
#include "support.h"

namespace jetwritetest {
namespace {

std::uint32_t DefinitionPage(jet::Pager& pager, const std::string& table) {
  for (const jet::CatalogueEntry& e : jet::ReadCatalogue(pager))
    if (e.name == table) return e.tdefPage;
  ADD_FAILURE() << "no table " << table;
  return 0;
}

// Every row is found through every index that lists it, by its key and
// place; returns the most pages any one index of the table spans.
std::size_t SearchEveryIndex(const std::filesystem::path& file, const std::string& table) {
  auto connection = jet::OpenConnection(file, "");
  jet::Pager& pager = connection->pager;
  jet::Pager::Statement read(pager, jet::LockMode::Shared);
  jet::PageSpace space(pager);
  jet::IndexedTable t(pager, space, DefinitionPage(pager, table));
  jet::TableIndexes indexes(pager, t.Definition());
  jet::PagerIndexStore store(pager);
  for (const jet::StoredRow& row : t.Rows()) {
    jet::TableIndexes::Keys keys;
    indexes.KeysOf(row.values, keys);
    for (std::size_t i = 0; i < keys.size(); ++i)
      if (keys[i].listed)
        EXPECT_TRUE(jet::index::HasIndexEntry(store, t.Definition().realIndexes[i].rootPage, {keys[i].bytes, row.where, 0}))
            << table << " index " << i << ": row at page " << row.where.page << " row " << int(row.where.row);
  }
  std::size_t most = 0;
  for (const jet::RealIndex& index : t.Definition().realIndexes)
    most = std::max(most, jet::MapPages(pager, index.usageMap).size());
  return most;
}

// A key that sorts first (k = 0), last (k = 1), in the middle (k = 2) or
// anywhere (the rest), as text or as a number.
std::string TextKey(int k) {
  if (k == 0) return "'0000'";
  if (k == 1) return "'zzzz'";
  if (k == 2) return "'m'";
  return "'k" + std::to_string(k * 7919 % 100003) + "'";
}
std::string NumberKey(int k) {
  if (k == 0) return "-2000000000";
  if (k == 1) return "2000000000";
  if (k == 2) return "50000";
  return std::to_string(k * 7919 % 100003 + 1000);
}

struct IndexedCase {
  std::string fixture;
  const char* table;
  int rows;  // enough to split a page of its fullest index
  std::function<std::string(int)> values;
};

std::vector<IndexedCase> IndexedCases() {
  const std::string wide(200, 'w');
  std::vector<IndexedCase> cases = {
      // Primary key on a text, AllowZeroLength off.
      {"testV2000.mdb", "Table1", 500,
       [](int k) { return TextKey(k) + ", 'b', 1, 2, " + std::to_string(k) + ", 4.5, #2001-02-03#, 1.25, True"; }},
      // AutoNumber primary key, numbered by the engine.
      {"testV2000.mdb", "Table3", 1000, [](int k) { return "NULL, " + TextKey(k); }},
      // Several single-column indexes (unique and not) on numbers and a text.
      {"indexTestV2000.mdb", "Table1", 600,
       [](int k) {
         return NumberKey(k) + ", " + std::to_string(k % 7) + ", " + std::to_string(-k) + ", " + TextKey(k) + ", NULL";
       }},
      // A compound index, number then text.
      {"compIndexTestV2000.mdb", "Table1", 500,
       [](int k) { return std::to_string(k % 3) + ", " + TextKey(k) + ", 'dc'"; }},
      // Long text keys: few to a page.
      {"bigIndexTestV2000.mdb", "Table1", 120,
       [wide](int k) { return TextKey(k).insert(TextKey(k).size() - 1, wide) + ", 'v'"; }},
      // Unique over (text, number) and Null-ignoring indexes.
      {"testIndexPropertiesV2000.mdb", "TableUnique2_temp", 400,
       [](int k) { return TextKey(k) + ", " + (k % 2 ? "NULL" : TextKey(k)) + ", " + NumberKey(k); }},
      {"testIndexPropertiesV2000.mdb", "TableIgnoreNulls2", 400,
       [](int k) { return TextKey(k) + ", " + (k % 2 ? std::string("NULL") : TextKey(k)) + ", NULL"; }},
      // Every column Required, fixed-width texts.
      {"fixedTextTestV2000.mdb", "users", 400,
       [](int k) {
         return NumberKey(k) + ", " + TextKey(k) + ", 'p', 's', 'n', 1, 2, 3, 'f', #2020-01-01 10:00:00#";
       }},
  };
  // Access 2007 saved the same tables in its own format.
  const std::size_t jet4 = cases.size();
  for (std::size_t i = 0; i < jet4; ++i) {
    IndexedCase c = cases[i];
    c.fixture = "accdb/" + c.fixture.replace(c.fixture.find("V2000.mdb"), 9, "V2007.accdb");
    cases.push_back(c);
  }
  return cases;
}

class IndexedInsert : public ::testing::TestWithParam<IndexedCase> {};

TEST_P(IndexedInsert, EveryIndexStaysExactPastPageSplits) {
  const IndexedCase& c = GetParam();
  TempDir dir;
  auto file = dir.Copy(c.fixture);
  const std::size_t pagesBefore = SearchEveryIndex(file, c.table);
  jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file, "");
  auto checkAll = [&](const std::string& step) {
    writer.Sync();
    for (const std::string& f : jet::CheckDatabase(file, "")) ADD_FAILURE() << step << ": check: " << f;
    EXPECT_EQ(OracleDifferences(dir.Path()), "") << step;
    return SearchEveryIndex(file, c.table);
  };
  for (int k = 0; k < 3; ++k) writer.Execute(std::string("INSERT INTO [") + c.table + "] VALUES (" + c.values(k) + ")");
  checkAll("first, last and middle");
  for (int k = 3; k < c.rows; ++k)
    writer.Execute(std::string("INSERT INTO [") + c.table + "] VALUES (" + c.values(k) + ")");
  EXPECT_GT(checkAll("many"), std::max<std::size_t>(pagesBefore, 1)) << "no index page was split";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, IndexedInsert, ::testing::ValuesIn(IndexedCases()),
                         [](const ::testing::TestParamInfo<IndexedCase>& info) {
                           std::string name = info.param.fixture;
                           name = name.substr(0, name.find('.')) + "_" + info.param.table;
                           std::replace(name.begin(), name.end(), '/', '_');
                           return name;
                         });

std::vector<char> Bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::size_t RowCount(const std::filesystem::path& file, const std::string& table) {
  jet::Database db = jet::Database::Open(file.string(), "");
  std::size_t rows = 0;
  for (auto cursor = db.OpenTable(table).Rows(); cursor.Next();) ++rows;
  return rows;
}

// A batch of rows whose keys land all over the trees holds the pages it
// changes until it commits; a row refused in its middle (an id the table
// holds) takes back its own changes only, also on leaves that earlier rows
// of the batch changed, so every index stays exact.
TEST(IndexedBatch, ARefusedRowAmongScatteredKeysTakesBackOnlyItsOwn) {
  constexpr int kRows = 4000, kEvery = 40;
  TempDir dir;
  auto file = dir.Copy("indexTestV2000.mdb");
  const std::size_t rowsBefore = RowCount(file, "Table1");
  const std::vector<char> before = Bytes(file);
  const auto id = [](int i) {
    return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(i + 4) * 2654435761u));
  };
  int refused = 0;
  {
    jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file, "");
    writer.BeginBatch();
    for (int i = 0; i < kRows; ++i) {
      // Every 40th row repeats the id of a row a moment before.
      const int k = i % kEvery == kEvery - 1 ? i - 5 : i;
      try {
        writer.Execute("INSERT INTO Table1 VALUES (" + id(k) + ", " + std::to_string(i % 100) + ", " +
                       std::to_string(i % 97) + ", 'row " + std::to_string(i) + "', 0)");
      } catch (const jet::Error& e) {
        ++refused;
        EXPECT_EQ(e.JetNumber(), 3022) << e.Description();
      }
    }
    EXPECT_EQ(Bytes(file), before) << "written before the commit";
    writer.CommitBatch();
  }
  EXPECT_EQ(refused, kRows / kEvery);
  EXPECT_EQ(RowCount(file, "Table1"), rowsBefore + kRows - refused);
  for (const std::string& f : jet::CheckDatabase(file, "")) ADD_FAILURE() << "check: " << f;
  EXPECT_EQ(OracleDifferences(dir.Path()), "");
  SearchEveryIndex(file, "Table1");
}

// Inside a batch, rows' index entries wait to be entered sorted; whatever
// the batch does next must find them entered: other statements, a refused
// row, a commit, and a rollback must leave none behind.
struct AfterHeldBackRows {
  const char* what;
  std::function<void(jet::DatabaseWriter&)> then;
  std::string tableAfter = "Table1";
};

TEST(IndexedBatch, StatementsAfterHeldBackRowsFindEveryIndexWhole) {
  const auto refused = [](jet::DatabaseWriter& w, const std::string& sql) {
    try {
      w.Execute(sql);
      ADD_FAILURE() << "not refused: " << sql;
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.JetNumber(), 3022) << e.Description();
    }
  };
  const std::vector<AfterHeldBackRows> cases = {
      {"an insert into another table", [](auto& w) { w.Execute("INSERT INTO Table2 VALUES (77, 'other')"); }},
      {"an index made on the table", [](auto& w) { w.Execute("CREATE INDEX heldBack ON Table1 (otherfk3, data)"); }},
      {"a rename of the table", [](auto& w) { w.RenameTable("Table1", "Renamed"); }, "Renamed"},
      {"a row repeating a key the file held", [&](auto& w) { refused(w, "INSERT INTO Table1 VALUES (2, 0, 0, 'x', 0)"); }},
      {"a row repeating a held-back key", [&](auto& w) { refused(w, "INSERT INTO Table1 VALUES (-5, 0, 0, 'x', 0)"); }},
      {"a rolled-back batch and the same rows again",
       [](auto& w) {
         w.RollbackBatch();
         w.BeginBatch();
         for (int i = 0; i < 300; ++i)
           w.Execute("INSERT INTO Table1 VALUES (" + std::to_string(-5 - i * 7919 % 1000) + ", 1, 2, 'again', 0)");
       }},
  };
  for (const AfterHeldBackRows& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    auto file = dir.Copy("indexTestV2000.mdb");
    const std::size_t rowsBefore = RowCount(file, "Table1");
    {
      jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file, "");
      writer.BeginBatch();
      // Ids -5, -5 - 7919 % 1000, ...: all distinct, in no order.
      for (int i = 0; i < 300; ++i)
        writer.Execute("INSERT INTO Table1 VALUES (" + std::to_string(-5 - i * 7919 % 1000) + ", " + std::to_string(i % 7) +
                       ", 3, 'row " + std::to_string(i) + "', 0)");
      c.then(writer);
      for (int i = 0; i < 300; ++i)
        writer.Execute("INSERT INTO " + c.tableAfter + " VALUES (" + std::to_string(5000 + i * 7919 % 1000) + ", " +
                       std::to_string(i % 5) + ", 4, 'after " + std::to_string(i) + "', 0)");
      writer.CommitBatch();
    }
    EXPECT_EQ(RowCount(file, c.tableAfter), rowsBefore + 600);
    for (const std::string& f : jet::CheckDatabase(file, "")) ADD_FAILURE() << "check: " << f;
    EXPECT_EQ(OracleDifferences(dir.Path()), "");
    SearchEveryIndex(file, c.tableAfter);
  }
}

struct Refusal {
  const char* what;
  const char* fixture;
  std::string setUp;  // run first, when given
  std::string sql;
  int jetNumber;  // 0: Jet gives none
  std::string words;
};

// Each statement, run on a fresh copy after its set-up, is refused with its
// number and words, and the file is byte for byte what it was before it.
void ExpectEachRefusedLeavingTheFileAsItWas(const std::vector<Refusal>& cases) {
  for (const Refusal& r : cases) {
    SCOPED_TRACE(r.what);
    TempDir dir;
    auto file = dir.Copy(r.fixture);
    jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file, "");
    if (!r.setUp.empty()) {
      writer.Execute(r.setUp);
      writer.Sync();
    }
    const std::vector<char> before = Bytes(file);
    try {
      writer.Execute(r.sql);
      ADD_FAILURE() << "accepted";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.JetNumber(), r.jetNumber) << e.Description();
      EXPECT_NE(e.Description().find(r.words), std::string::npos) << e.Description();
    }
    writer.Sync();
    EXPECT_EQ(Bytes(file), before);
  }
}

TEST(IndexedInsertRefusals, CarryJetsNumberAndChangeNothing) {
  const std::vector<Refusal> cases = {
      {"duplicate primary key", "testV2000.mdb", "",
       "INSERT INTO [Table1] VALUES ('abcdefg','x',0,0,0,0,NULL,NULL,NULL)", 3022, "duplicate values in the index"},
      {"duplicate key in another case", "testV2000.mdb", "",
       "INSERT INTO [Table1] VALUES ('ABCDEFG','x',0,0,0,0,NULL,NULL,NULL)", 3022, "'PrimaryKey'"},
      {"Null in the primary key", "testV2000.mdb", "", "INSERT INTO [Table1] VALUES (NULL,'x',0,0,0,0,NULL,NULL,NULL)",
       3058, "Index or primary key cannot contain a Null value"},
      {"zero-length text where not allowed", "testV2000.mdb", "",
       "INSERT INTO [Table1] VALUES ('new','',0,0,0,0,NULL,NULL,NULL)", 3315, "Field 'B' cannot be a zero-length"},
      {"Required field left out", "fixedTextTestV2000.mdb", "",
       "INSERT INTO users (i_user_id, c_user_login) VALUES (77, 'x')", 3314, "'c_user_pwd' cannot contain a Null"},
      {"duplicate in a compound unique index", "testIndexPropertiesV2000.mdb", "",
       "INSERT INTO TableUnique2_temp VALUES ('new', 'stuff', 13)", 3022, "duplicate values"},
      {"unknown field in the list", "testV2000.mdb", "", "INSERT INTO [Table1] (A, nope) VALUES ('n', 1)", 3127,
       "unknown field name: 'nope'"},
      {"field named twice", "testV2000.mdb", "", "INSERT INTO [Table1] (A, a) VALUES ('n', 'm')", 0,
       "Duplicate output destination 'a'"},
      {"fewer values than fields", "testV2000.mdb", "", "INSERT INTO [Table1] (A, B) VALUES ('n')", 0,
       "Number of query values"},
      {"AutoNumber given twice", "testV2000.mdb", "INSERT INTO Table3 VALUES (7, 'a')", "INSERT INTO Table3 VALUES (7, 'b')",
       3022, "'PrimaryKey'"},
  };
  ExpectEachRefusedLeavingTheFileAsItWas(cases);
}

// The faults an INSERT that skipped the indexes left behind: the row of a
// key the primary key holds already, stored with no entry, or entered in the
// index beside the first.
TEST(IndexCheck, FindsRowsMissingFromAnIndexAndRepeatedUniqueKeys) {
  struct Case {
    bool enterInIndexes;
    std::string finding;
  };
  for (const Case& c : {Case{false, "no entry for the row"}, Case{true, "unique, but holds one key twice"}}) {
    SCOPED_TRACE(c.finding);
    TempDir dir;
    auto file = dir.Copy("testV2000.mdb");
    {
      auto connection = jet::OpenConnection(file, "");
      jet::Pager& pager = connection->pager;
      jet::Pager::Statement write(pager, jet::LockMode::Exclusive);
      jet::PageSpace space(pager);
      const jet::TableDef def = jet::ReadTableDef(pager, DefinitionPage(pager, "Table1"));
      jet::TableRows rows(pager, def);
      const std::vector<jet::Value> values = {jet::Text{"abcdefg"}, jet::Text{"x"}, std::uint8_t{0}, std::int16_t{0},
                                              std::int32_t{0}, 0.0, jet::Null{}, jet::Null{}, false};
      std::vector<std::uint8_t> bytes;
      jet::EncodeRow(def, values, rows.LongValues(), bytes);
      const jet::RowPointer where = rows.Insert(bytes);
      if (c.enterInIndexes) {
        jet::TableIndexes indexes(pager, def);
        jet::TableIndexes::Keys keys;
        indexes.KeysOf(values, keys);
        for (std::size_t i = 0; i < keys.size(); ++i) indexes.Writers()[i].Insert(keys[i].bytes, where, space);
      }
      write.Commit();
    }
    std::string findings;
    for (const std::string& f : jet::CheckDatabase(file, "")) findings += f + "\n";
    EXPECT_NE(findings.find(c.finding), std::string::npos) << findings;
  }
}

// CREATE TABLE's constraints become indexes and rules that the next INSERTs
// meet, in a file of our own and in an Access-made one.
TEST(ConstraintsOfANewTable, BecomeIndexesAndRulesThatInsertsMeet) {
  for (const char* fixture : {"emptyJet4.mdb", "testV2000.mdb"}) {
    SCOPED_TRACE(fixture);
    TempDir dir;
    auto file = dir.Copy(fixture);
    jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file, "");
    writer.Execute(
        "CREATE TABLE [keyed] (id COUNTER PRIMARY KEY, code TEXT(10) NOT NULL, amount CURRENCY, at DATETIME, "
        "CONSTRAINT pair UNIQUE (code, at))");
    for (int k = 0; k < 400; ++k)
      writer.Execute("INSERT INTO [keyed] (code, amount, at) VALUES (" + TextKey(k) + ", " + std::to_string(k) +
                     ".25, #2024-01-01#)");
    struct Refused {
      std::string sql;
      int jetNumber;
    };
    for (const Refused& r : {Refused{"INSERT INTO [keyed] (code, at) VALUES ('m', #2024-01-01#)", 3022},
                             Refused{"INSERT INTO [keyed] (code) VALUES (NULL)", 3314},
                             Refused{"INSERT INTO [keyed] VALUES (1, 'other', 0, NULL)", 3022}}) {
      try {
        writer.Execute(r.sql);
        ADD_FAILURE() << r.sql << ": accepted";
      } catch (const jet::Error& e) {
        EXPECT_EQ(e.JetNumber(), r.jetNumber) << r.sql << ": " << e.Description();
      }
    }
    writer.Execute("INSERT INTO [keyed] (code) VALUES ('m')");  // the pair (m, Null) is new
    writer.Sync();
    for (const std::string& f : jet::CheckDatabase(file, "")) ADD_FAILURE() << "check: " << f;
    EXPECT_EQ(OracleDifferences(dir.Path()), "");
    EXPECT_GT(SearchEveryIndex(file, "keyed"), 2u) << "no index page was split";
    const std::string schema = Capture("mdb-schema " + file.string() + " mysql 2>/dev/null");
    EXPECT_NE(schema.find("PRIMARY KEY"), std::string::npos) << schema;
  }
}

// The last AutoNumber given out, at offset 20 of the definition: what the
// next omitted (or Null) value follows, moved up by a larger explicit one.
TEST(AutoNumber, NumbersFollowTheLastOneGivenOut) {
  TempDir dir;
  auto file = dir.Copy("testV2000.mdb");
  jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file, "");
  for (const char* sql : {"INSERT INTO Table3 (b) VALUES ('one')", "INSERT INTO Table3 VALUES (NULL, 'two')",
                          "INSERT INTO Table3 VALUES (40, 'forty')", "INSERT INTO Table3 VALUES (5, 'five')",
                          "INSERT INTO Table3 (b) VALUES ('next')"})
    writer.Execute(sql);
  writer.Sync();
  EXPECT_EQ(Capture(std::string(MDBDUMP_PATH) + " csv " + file.string() + " Table3"),
            "a,b\n1,\"one\"\n2,\"two\"\n40,\"forty\"\n5,\"five\"\n41,\"next\"\n");
  auto connection = jet::OpenConnection(file, "");
  jet::Pager::Statement read(connection->pager, jet::LockMode::Shared);
  EXPECT_EQ(jet::ReadTableDef(connection->pager, DefinitionPage(connection->pager, "Table3")).autoNumber, 41u);
}


// ---- CREATE INDEX and DROP INDEX --------------------------------------------

jet::TableDef DefinitionOf(const std::filesystem::path& file, const std::string& table) {
  auto connection = jet::OpenConnection(file, "");
  jet::Pager::Statement read(connection->pager, jet::LockMode::Shared);
  return jet::ReadTableDef(connection->pager, DefinitionPage(connection->pager, table));
}

// The real index the named logical index of the table uses.
jet::RealIndex RealIndexNamed(const std::filesystem::path& file, const std::string& table, const std::string& index) {
  const jet::TableDef def = DefinitionOf(file, table);
  for (const jet::LogicalIndex& l : def.logicalIndexes)
    if (l.name == index) return def.realIndexes.at(l.realIndex);
  ADD_FAILURE() << "no index " << index << " on " << table;
  return {};
}

// Pages of the file the global usage map marks free.
std::set<std::uint32_t> FreePages(const std::filesystem::path& file) {
  auto connection = jet::OpenConnection(file, "");
  jet::Pager::Statement read(connection->pager, jet::LockMode::Shared);
  const std::vector<std::uint32_t> free = jet::UsageMap(connection->pager, {1, 0}).Pages();
  return {free.begin(), free.end()};
}

struct IndexStatementCase {
  std::string fixture;
  std::vector<std::string> setUp;
  const char* table;
  const char* index;
  std::string create;
  bool shares;  // the new index uses a real index the table has
  int rows;     // inserted after CREATE INDEX, through its page splits
  std::function<std::string(int)> insert;
};

std::vector<IndexStatementCase> IndexStatementCases() {
  std::vector<IndexStatementCase> cases = {
      // 512 rows keyed into several leaves at once, text descending.
      {"compIndexTestV2000.mdb", {}, "Table1", "byName", "CREATE INDEX byName ON Table1 (RS_AGENTE DESC, CD_AGENTE)",
       false, 300,
       [](int k) { return "INSERT INTO Table1 VALUES (" + NumberKey(k) + ", " + TextKey(k) + ", 'x')"; }},
      // A definition over two pages, with five indexes already.
      {"testV2000.mdb", {}, "Table2", "pair", "CREATE UNIQUE INDEX pair ON Table2 (column3, column88 DESC)", false,
       300, [](int k) { return "INSERT INTO Table2 (column1, column3, column88) VALUES (" + TextKey(k) + ", " + TextKey(k) + ", 'c')"; }},
      // Rows with and without Nulls, the Nulls left out.
      {"testV2000.mdb", {}, "Table1", "byLong", "CREATE INDEX byLong ON Table1 (E DESC) WITH IGNORE NULL", false, 800,
       [](int k) {
         return "INSERT INTO Table1 (A, B, E, I) VALUES (" + TextKey(k) + ", 'b', " +
                (k % 3 ? NumberKey(k) : std::string("NULL")) + ", True)";
       }},
      // A table of ours, empty, given its primary key afterwards.
      {"emptyJet4.mdb", {"CREATE TABLE t (a LONG, b TEXT(20), c DATETIME)"}, "t", "pk",
       "CREATE INDEX pk ON t (b, a DESC) WITH PRIMARY", false, 400,
       [](int k) { return "INSERT INTO t VALUES (" + std::to_string(k % 5) + ", " + TextKey(k) + ", #2001-01-01#)"; }},
      // The same columns, orders and flags as a constraint's index: shared.
      {"emptyJet4.mdb", {"CREATE TABLE s (a LONG, b TEXT(20), CONSTRAINT u UNIQUE (b))", "INSERT INTO s VALUES (1, 'x')"},
       "s", "again", "CREATE UNIQUE INDEX again ON s (b)", true, 300,
       [](int k) { return "INSERT INTO s VALUES (" + std::to_string(k) + ", " + TextKey(k) + ")"; }},
  };
  for (std::size_t i = 0; i < 3; ++i) {
    IndexStatementCase c = cases[i];
    c.fixture = "accdb/" + c.fixture.replace(c.fixture.find("V2000.mdb"), 9, "V2007.accdb");
    cases.push_back(c);
  }
  return cases;
}

class IndexStatements : public ::testing::TestWithParam<IndexStatementCase> {};

TEST_P(IndexStatements, BuildFromRowsKeepUpAndGiveTheirPagesBack) {
  const IndexStatementCase& c = GetParam();
  TempDir dir;
  auto file = dir.Copy(c.fixture);
  jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file, "");
  auto checkAll = [&](const std::string& step) {
    writer.Sync();
    for (const std::string& f : jet::CheckDatabase(file, "")) ADD_FAILURE() << step << ": check: " << f;
    EXPECT_EQ(OracleDifferences(dir.Path()), "") << step;
    SearchEveryIndex(file, c.table);
  };
  for (const std::string& s : c.setUp) writer.Execute(s);
  writer.Sync();
  const std::size_t realBefore = DefinitionOf(file, c.table).realIndexes.size();
  writer.Execute(c.create);
  checkAll("created");
  EXPECT_EQ(DefinitionOf(file, c.table).realIndexes.size(), realBefore + (c.shares ? 0 : 1));
  for (int k = 0; k < c.rows; ++k) writer.Execute(c.insert(k));
  checkAll("rows inserted");
  const jet::RealIndex real = RealIndexNamed(file, c.table, c.index);
  std::vector<std::uint32_t> pages;
  {
    auto connection = jet::OpenConnection(file, "");
    jet::Pager::Statement read(connection->pager, jet::LockMode::Shared);
    pages = jet::MapPages(connection->pager, real.usageMap);
  }
  EXPECT_GT(pages.size(), 1u) << "no page of the index was split";
  writer.Execute(std::string("DROP INDEX ") + c.index + " ON " + c.table);
  checkAll("dropped");
  EXPECT_EQ(DefinitionOf(file, c.table).realIndexes.size(), realBefore);
  const std::set<std::uint32_t> free = FreePages(file);
  for (std::uint32_t p : pages) EXPECT_EQ(free.count(p), c.shares ? 0u : 1u) << "page " << p;
}

INSTANTIATE_TEST_SUITE_P(Tables, IndexStatements, ::testing::ValuesIn(IndexStatementCases()),
                         [](const ::testing::TestParamInfo<IndexStatementCase>& info) {
                           std::string name = info.param.fixture;
                           name = name.substr(0, name.find('.')) + "_" + info.param.table;
                           std::replace(name.begin(), name.end(), '/', '_');
                           return name;
                         });

TEST(IndexStatementRefusals, CarryJetsNumberAndChangeNothing) {
  const std::vector<Refusal> cases = {
      {"unique over rows that repeat a key", "compIndexTestV2000.mdb", "", "CREATE UNIQUE INDEX u ON Table1 (RS_AGENTE)",
       3022, "duplicate values"},
      {"Null refused over rows that hold one", "testIndexPropertiesV2000.mdb", "",
       "CREATE INDEX n ON TableIgnoreNulls1 (data) WITH DISALLOW NULL", 3058, "cannot contain a Null value"},
      {"name taken", "testV2000.mdb", "", "CREATE INDEX primarykey ON Table1 (B)", 3375,
       "already has an index named 'primarykey'"},
      {"second primary key", "testV2000.mdb", "", "CREATE INDEX p2 ON Table1 (B) WITH PRIMARY", 3283,
       "Primary key already exists"},
      {"unknown field", "testV2000.mdb", "", "CREATE INDEX x ON Table1 (nope)", 0, "does not have"},
      {"field named twice", "testV2000.mdb", "", "CREATE INDEX x ON Table1 (B, b DESC)", 0, "twice"},
      {"memo field", "emptyJet4.mdb", "CREATE TABLE m (a MEMO)", "CREATE INDEX x ON m (a)", 0, "cannot be indexed"},
      {"unknown table", "testV2000.mdb", "", "CREATE INDEX x ON nope (a)", 0, "nope"},
      {"system table", "testV2000.mdb", "", "CREATE INDEX x ON MSysObjects (Name)", 0, "system table"},
      {"index not there", "testV2000.mdb", "", "DROP INDEX nope ON Table1", 0, "no index named 'nope'"},
      {"foreign key of a relationship", "indexTestV2000.mdb", "", "DROP INDEX Table2Table1 ON Table1", 0,
       "a relationship uses it"},
      {"key a relationship refers to", "indexTestV2000.mdb", "", "DROP INDEX PrimaryKey ON Table2", 0,
       "a relationship uses it"},
  };
  ExpectEachRefusedLeavingTheFileAsItWas(cases);
}

}  // namespace
}  // namespace jetwritetest
