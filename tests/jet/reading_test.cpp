// Reading tables: the statement, typed values, exact row counts, and the
// values other readers get wrong (dates before 1899, long memos, exact money).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <functional>
#include <optional>

#include "jet/error.h"
#include "jet/data_page.h"
#include "jet/long_value.h"
#include "jet/page_cursor.h"
#include "jet/usage_map.h"
#include "support.h"

namespace {

using jettest::Fixture;
using jettest::TempDir;

TEST(Statement, SelectStarInItsForms) {
  jet::Database db = jet::Database::Open(Fixture("testV2000.mdb").string(), "");
  struct Case {
    const char* sql;
    std::int32_t error;  // 0: runs
    const char* says;
  } cases[] = {
      {"SELECT * FROM [Table1]", 0, ""},
      {"select * from [table1]", 0, ""},  // keywords and names in any case
      {"  SELECT  *  FROM  Table1 ; ", 0, ""},
      {"SELECT * FROM [TABLE1];", 0, ""},
      {"SELECT * FROM `Table1`", 0, ""},
      {"SELECT * FROM [Nope]", jet::kObjectNotFound, "cannot find the input table or query 'Nope'"},
      {"SELECT * FROM [Table1]x", jet::kStatementFailed, "Syntax error in FROM clause."},
      {"SELECT * FROM [Tab]le1]", jet::kStatementFailed, "Syntax error in FROM clause."},
      {"SELECT * FROM []", jet::kStatementFailed, "Syntax error in FROM clause."},
      {"SELECT * FROM [Table1", jet::kStatementFailed, "Syntax error in FROM clause."},
      {"SELECT * FROM", jet::kStatementFailed, "Syntax error in FROM clause."},
      {"SELECT A, [B] FROM [Table1]", 0, ""},
      {"SELECT A, Z FROM [Table1]", jet::kStatementFailed, "The table 'Table1' has no field 'Z'."},
      {"SELECT *", jet::kStatementFailed, "Incomplete query clause"},
      {"SELECTION * FROM [Table1]", jet::kStatementFailed, "Invalid SQL statement"},
      {"DROP TABLE [Table1]", jet::kStatementFailed, "Only SELECT statements"},
      {"", jet::kStatementFailed, "Invalid SQL statement"},
  };
  for (const auto& c : cases) {
    try {
      jet::ResultSet r = db.Execute(c.sql);
      EXPECT_EQ(c.error, 0) << c.sql;
      EXPECT_EQ(r.RecordCount(), 2u) << c.sql;
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.Number(), c.error) << c.sql << ": " << e.what();
      EXPECT_NE(e.Description().find(c.says), std::string::npos) << c.sql << ": " << e.what();
    }
  }
}

TEST(Statement, ValuesAreTypedInColumnOrder) {
  jet::Database db = jet::Database::Open(Fixture("testV2000.mdb").string(), "");
  jet::ResultSet r = db.Execute("SELECT * FROM [Table1]");
  std::vector<std::string> names;
  for (const auto& c : r.Columns()) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G", "H", "I"}));
  std::vector<jet::Value> first = {jet::Text{"abcdefg"}, jet::Text{"hijklmnop"}, std::uint8_t{2}, std::int16_t{222},
                                   std::int32_t{333333333}, 444.555, jet::DateTime{27293}, jet::Currency{35000},
                                   true};
  EXPECT_EQ(r.Row(0), first);
  EXPECT_EQ(r.Row(1)[8], jet::Value{false});
  EXPECT_EQ(jet::ToText(r.Row(0)[8]), "True");
  EXPECT_EQ(jet::ToText(r.Row(1)[8]), "False");
}

TEST(Reading, RowCountIsExactBeforeTheFirstRow) {
  for (const auto& entry : std::filesystem::directory_iterator(jettest::FixtureDir())) {
    if (entry.path().extension() != ".mdb") continue;
    std::string name = entry.path().filename().string();
    jet::Database db = jet::Database::Open(entry.path().string(), name == "passwordV2000.mdb" ? "password" : "");
    for (const auto& t : db.Tables()) {
      jet::Table table = db.OpenTable(t.name).Readable();
      std::uint64_t counted = table.RowCount();
      std::uint64_t read = 0;
      for (auto cursor = table.Rows(); cursor.Next();) ++read;
      EXPECT_EQ(counted, read) << name << " " << t.name;
      // The same rows a run of pages at a time, each run going on in the map
      // where the last one stopped.
      std::vector<std::string> columns;
      for (const jet::Column& c : table.Columns()) columns.push_back(c.name);
      if (!columns.empty()) {
        jet::PageCursor runs(db, t.name, columns);
        std::uint64_t inRuns = 0;
        while (runs.NextPages([&](std::vector<jet::Value>&) { ++inRuns; })) {
        }
        EXPECT_EQ(runs.RowCount(), counted) << name << " " << t.name;
        EXPECT_EQ(inRuns, counted) << name << " " << t.name;
      }
      // Access keeps the stored count exact for user tables only (MSysACEs
      // and MSysQueries of some fixtures hold more rows than it says).
      if (jet::IsUserTable(t.attributes)) {
        EXPECT_EQ(counted, table.Definition().rowCount) << name << " " << t.name;
      }
    }
  }
}

TEST(Reading, NullAndEmptyTextStayApart) {
  // Row 0 of Table1 is (A "abcdefg", B "hijklmnop", ...). Make A empty by
  // giving it no bytes (its offset equal to B's), and B Null by clearing its
  // bit in the null mask.
  TempDir dir;
  auto copy = dir.Copy("testV2000.mdb");
  auto row = jettest::LocateRow(copy, "Table1", 0);
  auto bytes = jettest::ReadAll(copy);
  jet::ByteSpan r(bytes.data() + row.offset, row.length);
  std::size_t columns = jet::U16(r, 0);
  std::size_t mask = row.offset + row.length - (columns + 7) / 8;
  std::size_t offsetOfA = mask - 4;  // variable offsets run backwards from the count
  std::size_t offsetOfB = mask - 6;
  bytes[offsetOfA] = bytes[offsetOfB];
  bytes[offsetOfA + 1] = bytes[offsetOfB + 1];
  bytes[mask] &= static_cast<std::uint8_t>(~(1u << 1));  // column B is number 1
  jettest::WriteAll(copy, bytes);

  jet::ResultSet result = jet::Database::Open(copy.string(), "").Execute("SELECT * FROM [Table1]");
  EXPECT_EQ(result.Row(0)[0], jet::Value{jet::Text{""}});
  EXPECT_TRUE(jet::IsNull(result.Row(0)[1]));
  EXPECT_EQ(result.Row(1)[0], jet::Value{jet::Text{"a"}});
}

void PatchDouble(const std::filesystem::path& file, const jettest::Cell& cell, double v) {
  std::vector<std::uint8_t> bytes(8);
  std::memcpy(bytes.data(), &v, 8);
  jettest::Patch(file, cell.offset, bytes);
}

TEST(Reading, DatesBefore1899AndTimesToTheMillisecond) {
  TempDir dir;
  auto copy = dir.Copy("testV2000.mdb");
  auto cell = jettest::LocateCell(copy, "Table1", 0, "G");
  struct Case {
    double stored;
    const char* text;
  } cases[] = {
      {-1.25, "1899-12-29 06:00:00"},  // the fraction counts forward from midnight
      {-36522.5, "1800-01-01 12:00:00"},
      {-693593.999988426, "0001-01-01 23:59:59"},
      {2958465.999988426, "9999-12-31 23:59:59"},
      {-0.75, "18:00:00"},
      {1.9999999999, "1900-01-01"},  // rounds into the next day
      {36622.742760416666, "2000-04-06 17:49:34.500"},  // as Access stored it
      {1.0 / 86400, "00:00:01"},
      {27293, "1974-09-21"},
  };
  for (const auto& c : cases) {
    PatchDouble(copy, cell, c.stored);
    jet::ResultSet r = jet::Database::Open(copy.string(), "").Execute("SELECT * FROM [Table1]");
    EXPECT_EQ(r.Row(0)[6], jet::Value{jet::DateTime{c.stored}});
    EXPECT_EQ(jet::ToText(r.Row(0)[6]), c.text) << c.stored;
  }
}

TEST(Reading, CurrencyAndDecimalAreExact) {
  TempDir dir;
  auto copy = dir.Copy("testV2000.mdb");
  auto cell = jettest::LocateCell(copy, "Table1", 0, "H");
  std::int64_t largest = INT64_MAX;
  std::vector<std::uint8_t> bytes(8);
  std::memcpy(bytes.data(), &largest, 8);
  jettest::Patch(copy, cell.offset, bytes);
  jet::ResultSet r = jet::Database::Open(copy.string(), "").Execute("SELECT * FROM [Table1]");
  EXPECT_EQ(jet::ToText(r.Row(0)[7]), "922337203685477.5807");

  // 28 digits: beyond a double, within the 96 bits a Decimal holds.
  auto numeric = dir.Copy("numericV2000.mdb");
  auto dec = jettest::LocateCell(numeric, "test", 0, "col2");
  ASSERT_EQ(dec.length, 17u);
  unsigned __int128 m = 1234567890123456789ull;
  m = m * 10000000000ull + 123456789ull;  // 12345678901234567890123456789
  std::vector<std::uint8_t> d(17, 0);
  d[0] = 0x80;
  for (int w = 0; w < 4; ++w) {
    auto word = static_cast<std::uint32_t>(m >> (32 * (3 - w)));
    std::memcpy(&d[1 + 4 * w], &word, 4);
  }
  jettest::Patch(numeric, dec.offset, d);
  jet::ResultSet n = jet::Database::Open(numeric.string(), "").Execute("SELECT * FROM test");
  EXPECT_EQ(jet::ToText(n.Row(0)[1]), "-12345678901234567890123456789");
  EXPECT_EQ(jet::ToText(n.Row(0)[4]), "4");
  EXPECT_EQ(jet::ToText(n.Row(0)[5]), "-1");
}

// Appends a chain of long-value pages holding `data` and points the first
// memo of numericV2000's table at it, claiming `length` bytes.
std::filesystem::path MemoOnPageChain(const TempDir& dir, const std::vector<std::uint8_t>& data, std::size_t length,
                                      bool cycle) {
  auto copy = dir.Copy("numericV2000.mdb");
  auto cell = jettest::LocateCell(copy, "test", 0, "col1");
  auto bytes = jettest::ReadAll(copy);
  const std::size_t perPage = 4096 - 14 - 2 - 4;
  auto first = static_cast<std::uint32_t>(bytes.size() / 4096);
  std::size_t pages = (data.size() + perPage - 1) / perPage;
  for (std::size_t i = 0; i < pages; ++i) {
    std::vector<std::uint8_t> page(4096, 0);
    std::size_t take = std::min(perPage, data.size() - i * perPage);
    std::size_t start = 4096 - 4 - take;
    page[0] = 1;
    page[1] = 1;
    jet::PutU16(&page[2], static_cast<std::uint16_t>(4096 - 14 - 2 - 4 - take));
    jet::PutU32(&page[4], jet::kLvalOwner);
    jet::PutU16(&page[12], 1);
    jet::PutU16(&page[14], static_cast<std::uint16_t>(start));
    std::uint32_t next = i + 1 < pages ? first + static_cast<std::uint32_t>(i) + 1 : (cycle ? first : 0);
    jet::PutU32(&page[start], jet::RowPointer{next, 0}.ToU32() * (next != 0));
    std::memcpy(&page[start + 4], data.data() + i * perPage, take);
    bytes.insert(bytes.end(), page.begin(), page.end());
  }
  jet::PutU32(&bytes[cell.offset], static_cast<std::uint32_t>(length));
  jet::PutU32(&bytes[cell.offset + 4], jet::RowPointer{first, 0}.ToU32());
  jettest::WriteAll(copy, bytes);
  return copy;
}

TEST(Reading, MemoOfMoreThanOneMebibyteIsReadWhole) {
  const std::u16string alphabet = u"abcdefghijklmnopqrstuvwxyz\u00e9\u20ac";
  std::vector<std::uint8_t> stored;
  std::string expected;
  for (std::size_t i = 0; i < 600001; ++i) {
    char16_t c = alphabet[i % alphabet.size()];
    stored.push_back(static_cast<std::uint8_t>(c));
    stored.push_back(static_cast<std::uint8_t>(c >> 8));
    expected += c == u'\u00e9' ? "\xC3\xA9" : c == u'\u20ac' ? "\xE2\x82\xAC" : std::string(1, static_cast<char>(c));
  }
  TempDir dir;
  auto file = MemoOnPageChain(dir, stored, stored.size(), false);
  jet::ResultSet r = jet::Database::Open(file.string(), "").Execute("SELECT * FROM test");
  const auto& memo = std::get<jet::Memo>(r.Row(0)[0]).text;
  EXPECT_EQ(memo.size(), expected.size());
  EXPECT_TRUE(memo == expected);
}

TEST(Reading, BrokenMemoChainsAreErrors) {
  std::vector<std::uint8_t> data(10000, 'x');
  struct Case {
    bool cycle;
    const char* says;
  } cases[] = {{false, "end early"}, {true, "cycle"}};
  for (const auto& c : cases) {
    TempDir dir;
    auto file = MemoOnPageChain(dir, data, data.size() + 10, c.cycle);
    try {
      jet::Database::Open(file.string(), "").Execute("SELECT * FROM test");
      ADD_FAILURE() << c.says;
    } catch (const jet::Error& e) {
      EXPECT_NE(e.Description().find(c.says), std::string::npos) << e.what();
    }
  }
}

// A table's map walked a stretch at a time gives each page it marks once, in
// order, in stretches of pages that follow each other and no longer than
// asked; a walk started where another stopped gives the rest.
TEST(Reading, AWalkOfATablesMapGivesItsPagesInStretches) {
  for (const char* folder : {"mdb", "accdb", "mdb97"}) {
    for (const auto& entry : std::filesystem::directory_iterator(jettest::FixtureDir().parent_path() / folder)) {
      const std::string name = entry.path().filename().string();
      if (entry.path().extension() != ".mdb" && entry.path().extension() != ".accdb") continue;
      jet::Database db = jet::Database::Open(entry.path().string(), name == "passwordV2000.mdb" ? "password" : "");
      for (const auto& t : db.Tables()) {
        if (t.IsLinked()) continue;
        const jet::TableDef def = db.OpenTable(t.name).Definition();
        jet::Pager& pager = db.Pages();
        jet::Pager::Statement statement(pager, jet::LockMode::Shared);
        const jet::UsageMap map(pager, def.ownedPages);
        std::vector<std::uint32_t> marked;
        for (std::uint32_t p = 0; p < pager.PageCount(); ++p)
          if (map.Contains(p)) marked.push_back(p);
        for (std::size_t limit : {1, 3, 16}) {
          const std::string where = name + " " + t.name + " limit " + std::to_string(limit);
          std::vector<std::uint32_t> walked;
          std::optional<std::uint32_t> afterFirst;
          jet::OwnedPageWalk walk(pager, def);
          while (std::optional<jet::PageStretch> stretch = walk.Next(limit)) {
            EXPECT_GE(stretch->count, 1u) << where;
            EXPECT_LE(stretch->count, limit) << where;
            for (std::uint32_t k = 0; k < stretch->count; ++k) walked.push_back(stretch->first + k);
            if (!afterFirst) afterFirst = walk.Resume();
          }
          EXPECT_EQ(walked, marked) << where;
          if (!afterFirst) continue;
          std::vector<std::uint32_t> rest;
          jet::OwnedPageWalk resumed(pager, def, *afterFirst);
          while (std::optional<jet::PageStretch> stretch = resumed.Next(limit))
            for (std::uint32_t k = 0; k < stretch->count; ++k) rest.push_back(stretch->first + k);
          std::vector<std::uint32_t> after;
          std::copy_if(marked.begin(), marked.end(), std::back_inserter(after),
                       [&](std::uint32_t p) { return p >= *afterFirst; });
          EXPECT_EQ(rest, after) << where;
        }
      }
    }
  }
}

// Where Table1's owned-pages map lies in a copy of testV2000.mdb, and what
// it marks.
struct OwnedMap {
  std::uint64_t rowAt;  // in the file
  std::size_t rowLength;
  std::uint32_t pageCount;
  std::vector<std::uint32_t> pages;
};

OwnedMap ReadOwnedMap(const std::filesystem::path& file) {
  jet::Database db = jet::Database::Open(file.string(), "");
  const jet::TableDef def = db.OpenTable("Table1").Definition();
  jet::Pager& pager = db.Pages();
  jet::Pager::Statement statement(pager, jet::LockMode::Shared);
  const jet::MapRowPlace place = jet::LocateMapRow(pager, def.ownedPages);
  return {std::uint64_t{def.ownedPages.page} * pager.PageSize() + place.offset, place.length, pager.PageCount(),
          jet::UsageMap(pager, def.ownedPages).Pages()};
}

// Writes the map anew in `form`, marking `pages`: inline, its window starts
// at the lowest of them; in the reference form, one bitmap page appended to
// the file holds them.
void WriteOwnedMap(const std::filesystem::path& file, const OwnedMap& map, std::uint8_t form,
                   const std::vector<std::uint32_t>& pages) {
  std::vector<std::uint8_t> row(map.rowLength, 0);
  row[0] = form;
  auto mark = [](std::uint8_t* bits, std::uint32_t bit) { bits[bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8)); };
  if (form == jet::kMapInline) {
    const std::uint32_t first = pages.empty() ? 0 : pages.front() & ~7u;
    jet::PutU32(row.data() + 1, first);
    for (std::uint32_t p : pages) {
      ASSERT_LT(p - first, (row.size() - jet::kMapInlineHeader) * 8);
      mark(row.data() + jet::kMapInlineHeader, p - first);
    }
  } else {
    std::vector<std::uint8_t> bitmap(jet::kPageSize, 0);
    bitmap[0] = jet::kPageTypeUsageBitmap;
    bitmap[1] = 0x01;
    for (std::uint32_t p : pages) {
      ASSERT_LT(p, jet::kPagesPerMapBitmapPage);
      mark(bitmap.data() + jet::kMapBitmapPageHeader, p);
    }
    jettest::Patch(file, std::uint64_t{map.pageCount} * jet::kPageSize, bitmap);
    jet::PutU32(row.data() + jet::kMapReferenceHeader, map.pageCount);
  }
  jettest::Patch(file, map.rowAt, row);
}

// Table1's map written anew in either form: every whole-table reader finds
// the rows of the pages it marks, none when it marks none, and refuses a map
// that marks a page past the end of the file.
TEST(Reading, TableMapsOfBothFormsAreWalkedAndAPagePastTheEndRefused) {
  struct Reader {
    const char* name;
    std::function<std::uint64_t(const jet::Database&)> rows;
  } readers[] = {
      {"count", [](const jet::Database& db) { return db.OpenTable("Table1").RowCount(); }},
      {"cursor",
       [](const jet::Database& db) {
         std::uint64_t n = 0;
         for (auto cursor = db.OpenTable("Table1").Rows(); cursor.Next();) ++n;
         return n;
       }},
      {"page cursor",
       [](const jet::Database& db) {
         jet::PageCursor cursor(db, "Table1");
         std::uint64_t n = 0;
         while (cursor.NextPages([&](std::vector<jet::Value>&) { ++n; })) {
         }
         return cursor.RowCount() == n ? n : ~std::uint64_t{0};
       }},
  };
  const std::uint64_t rows = jet::Database::Open(Fixture("testV2000.mdb").string(), "").OpenTable("Table1").RowCount();
  ASSERT_GT(rows, 0u);
  enum class Marks { kTablesPages, kNone, kPastTheEnd };
  for (std::uint8_t form : {jet::kMapInline, jet::kMapReference}) {
    for (Marks marks : {Marks::kTablesPages, Marks::kNone, Marks::kPastTheEnd}) {
      const std::string where = "form " + std::to_string(form) + " case " + std::to_string(static_cast<int>(marks));
      TempDir dir;
      const auto file = dir.Copy("testV2000.mdb");
      const OwnedMap map = ReadOwnedMap(file);
      std::vector<std::uint32_t> pages;
      if (marks == Marks::kTablesPages || (marks == Marks::kPastTheEnd && form == jet::kMapReference)) pages = map.pages;
      if (marks == Marks::kPastTheEnd) pages.push_back(map.pageCount + 5);
      WriteOwnedMap(file, map, form, pages);
      if (marks != Marks::kPastTheEnd) {
        jet::Database db = jet::Database::Open(file.string(), "");
        const jet::TableDef def = db.OpenTable("Table1").Definition();
        jet::Pager::Statement statement(db.Pages(), jet::LockMode::Shared);
        std::vector<std::uint32_t> walked;
        jet::OwnedPageWalk walk(db.Pages(), def);
        while (std::optional<jet::PageStretch> stretch = walk.Next(16))
          for (std::uint32_t k = 0; k < stretch->count; ++k) walked.push_back(stretch->first + k);
        EXPECT_EQ(walked, pages) << where;
      }
      jet::Database db = jet::Database::Open(file.string(), "");
      for (const Reader& reader : readers) {
        if (marks != Marks::kPastTheEnd) {
          EXPECT_EQ(reader.rows(db), marks == Marks::kNone ? 0 : rows) << where << " " << reader.name;
          continue;
        }
        try {
          reader.rows(db);
          ADD_FAILURE() << where << " " << reader.name << " read a page past the end of the file";
        } catch (const jet::Error& e) {
          EXPECT_NE(e.Description().find("a table owns a page beyond the end of the file"), std::string::npos)
              << where << " " << reader.name << ": " << e.what();
        }
      }
    }
  }
}

}  // namespace
