// Access 97 and Access 2007-2019 files, each read in its own format; what
// they hold that the engine does not read is named, never misread. (Every
// value of every fixture is compared with two other readers in the
// jet_oracles tests; these cases cover what the fixtures do not show.)
#include <gtest/gtest.h>

#include <algorithm>

#include "jet/error.h"
#include "jet/page_cursor.h"
#include "jet/row_codec.h"
#include "support.h"

namespace {

using jettest::Fixture;
using jettest::TempDir;

std::string ErrorOf(auto&& action) {
  try {
    action();
  } catch (const jet::Error& e) {
    return e.Description();
  }
  return "";
}

TEST(Formats, TheHeaderNamesTheFormat) {
  struct Case {
    std::string file;
    jet::Engine engine;
    std::uint8_t version;
    std::uint16_t sortOrder;
    std::uint8_t sortVersion;
    std::size_t pageSize;
  } cases[] = {
      {"mdb97/testV1997.mdb", jet::Engine::kJet3, 0, 1033, 0, 2048},
      {"testV2000.mdb", jet::Engine::kJet4, 1, 1033, 0, 4096},
      {"accdb/testV2007.accdb", jet::Engine::kAce, 2, 1033, 0, 4096},
      {"accdb/empty2010.accdb", jet::Engine::kAce, 3, 1033, 1, 4096},
      {"accdb/empty2016.accdb", jet::Engine::kAce, 5, 1033, 1, 4096},
      {"accdb/empty2019.accdb", jet::Engine::kAce, 6, 1033, 0, 4096},
  };
  for (const Case& c : cases) {
    jet::Database db = jet::Database::Open(Fixture(c.file).string(), "");
    const jet::Header& h = db.FileHeader();
    EXPECT_EQ(h.format->engine, c.engine) << c.file;
    EXPECT_EQ(h.version, c.version) << c.file;
    EXPECT_EQ(h.sortOrder, c.sortOrder) << c.file;
    EXPECT_EQ(h.sortVersion, c.sortVersion) << c.file;
    EXPECT_EQ(h.format->pageSize, c.pageSize) << c.file;
    EXPECT_EQ(h.codePage, 1252) << c.file;
    EXPECT_TRUE(h.password.empty()) << c.file;
  }
}

// A Jet 3 row of two text columns: the column count, the values, then from
// the end the null mask, the offsets' count, the jump table and the one-byte
// offsets, last first, after the end of the data.
std::vector<std::uint8_t> Jet3Row(const std::string& a, const std::string& b, std::vector<std::uint8_t> jumps) {
  std::vector<std::uint8_t> row = {2};
  row.insert(row.end(), a.begin(), a.end());
  row.insert(row.end(), b.begin(), b.end());
  const std::size_t offsets[] = {1, 1 + a.size(), row.size()};
  for (std::size_t i = 3; i-- > 0;) row.push_back(static_cast<std::uint8_t>(offsets[i] & 0xFF));
  row.insert(row.end(), jumps.begin(), jumps.end());
  row.push_back(2);     // offsets' count
  row.push_back(0x03);  // both present
  return row;
}

TEST(Access97, JumpTablesCarryOffsetsPast255) {
  jet::Database db = jet::Database::Open(Fixture("mdb97/testV1997.mdb").string(), "");
  jet::TableDef def;
  def.maxColumns = 2;
  def.variableColumns = 2;
  for (std::uint16_t n : {0, 1}) {
    jet::Column c;
    c.name = n == 0 ? "A" : "B";
    c.type = static_cast<std::uint8_t>(jet::ColumnType::Text);
    c.number = n;
    c.varIndex = n;
    c.length = 255;
    c.codePage = 1252;
    def.columns.push_back(c);
  }
  const std::string longText(300, 'a'), almost(250, 'b');
  struct Case {
    const char* what;
    std::vector<std::uint8_t> row;
    std::string a, b;
  } cases[] = {
      // 310 bytes: one jump, at the second offset (the first at or past 256).
      {"offsets past 255", Jet3Row(longText, "xyz", {1}), longText, "xyz"},
      // 257 bytes whose offsets all stay below 256: the one jump is a dummy (FF).
      {"a dummy jump", Jet3Row(almost, "", {0xFF}), almost, ""},
      {"no jump", Jet3Row("short", "text", {}), "short", "text"},
  };
  jet::Pager::Statement statement(db.Pages(), jet::LockMode::Shared);
  jet::RowDecoder decoder(db.Pages(), def);
  for (const Case& c : cases) {
    std::vector<jet::Value> values;
    decoder.Decode(c.row, values);
    EXPECT_EQ(values, (std::vector<jet::Value>{jet::Text{c.a}, jet::Text{c.b}})) << c.what;
  }
}

// Where column `name`'s definition block lies in the first definition page.
std::uint64_t ColumnBlock(const jet::Database& db, const std::string& table, const std::string& name) {
  const jet::Table t = db.OpenTable(table);
  const jet::TableDef& def = t.Definition();
  const jet::Format& f = *db.FileHeader().format;
  auto bytes = jettest::ReadAll(Fixture("mdb97/testV1997.mdb"));
  const std::uint16_t number =
      std::find_if(def.columns.begin(), def.columns.end(), [&](const jet::Column& c) { return c.name == name; })->number;
  for (std::size_t k = 0; k < def.columns.size(); ++k) {
    std::size_t at = f.tdefFirstBlockAt + f.realIndexCountBlock * def.realIndexes.size() + f.columnBlock * k;
    std::uint64_t inFile = std::uint64_t{def.page} * f.pageSize + at;
    if (jet::U16(bytes, inFile + f.columnNumberAt) == number) return inFile;
  }
  throw std::runtime_error("no column block for " + name);
}

TEST(Access97, TextsAreReadInTheirColumnsCodePage) {
  TempDir dir;
  auto copy = dir.Copy("mdb97/testV1997.mdb");
  jettest::Cell row = jettest::LocateRow(copy, "Table1", 1);  // A holds "abcdefg"
  auto bytes = jettest::ReadAll(copy);
  const std::string stored = "abcdefg";
  auto at = std::search(bytes.begin() + row.offset, bytes.begin() + row.offset + row.length, stored.begin(), stored.end());
  ASSERT_NE(at, bytes.begin() + row.offset + row.length);
  jettest::Patch(copy, at - bytes.begin(), {'c', 'a', 'f', 0xE9, '-', 0x80, '!'});
  std::uint64_t block = ColumnBlock(jet::Database::Open(copy.string(), ""), "Table1", "A");
  const jet::Format& f = jet::kJet3Format;

  struct Case {
    std::uint16_t codePage;
    std::string text;
  } cases[] = {
      {1252, "caf\u00E9-\u20AC!"},
      {1251, "caf\u0439-\u0402!"},
  };
  for (const Case& c : cases) {
    jettest::Patch(copy, block + f.columnCodePageAt, {static_cast<std::uint8_t>(c.codePage), static_cast<std::uint8_t>(c.codePage >> 8)});
    jet::ResultSet r = jet::Database::Open(copy.string(), "").Execute("SELECT A FROM Table1");
    EXPECT_EQ(r.Row(1)[0], jet::Value(jet::Text{c.text})) << "code page " << c.codePage;
  }
}

TEST(Ace, FieldsItCannotReadAreNamedAndTheOthersReadWhenNamed) {
  jet::Database complex = jet::Database::Open(Fixture("accdb/complexDataTestV2007.accdb").string(), "");
  std::string refused = ErrorOf([&] { complex.Execute("SELECT * FROM Table1"); });
  for (const char* named : {"'VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880' (the history of an append-only memo)",
                            "'multi-value-data' (a multi-valued field)", "'attach-data' (attached files)"})
    EXPECT_NE(refused.find(named), std::string::npos) << refused;
  EXPECT_NE(ErrorOf([&] { jet::PageCursor(complex, "Table1"); }).find("'attach-data' (attached files)"), std::string::npos);
  EXPECT_NE(ErrorOf([&] { complex.Execute("SELECT id, [attach-data] FROM Table1"); }).find("attach-data"),
            std::string::npos);

  jet::ResultSet some = complex.Execute("SELECT id, [append-memo-data] FROM Table1");
  ASSERT_EQ(some.RecordCount(), 4u);
  EXPECT_EQ(some.Row(2), (std::vector<jet::Value>{jet::Text{"row3"}, jet::Memo{"row3-memo-again"}}));

  jet::Database unknown = jet::Database::Open(Fixture("accdb/unsupportedFieldsTestV2007.accdb").string(), "");
  std::string types = ErrorOf([&] { unknown.Execute("SELECT * FROM Test"); });
  EXPECT_NE(types.find("'UnknownVar' (a field of type Unknown 0x46, which this program does not know)"), std::string::npos)
      << types;
  EXPECT_NE(types.find("'UnknownFix' (a field of type Unknown 0x47"), std::string::npos) << types;
}

TEST(Ace, CalculatedFieldsAreNamedNotReadAsTheirStoredType) {
  TempDir dir;
  auto copy = dir.Copy("accdb/testV2007.accdb");
  jet::Database db = jet::Database::Open(copy.string(), "");
  const jet::Table table = db.OpenTable("Table1");
  const jet::TableDef& def = table.Definition();
  const jet::Format& f = *db.FileHeader().format;
  // Mark the first column block calculated, as Access 2010 marks an expression's column.
  std::uint64_t block = std::uint64_t{def.page} * f.pageSize + f.tdefFirstBlockAt + f.realIndexCountBlock * def.realIndexes.size();
  auto bytes = jettest::ReadAll(copy);
  jettest::Patch(copy, block + f.columnExtraFlagsAt, {static_cast<std::uint8_t>(bytes[block + f.columnExtraFlagsAt] | 0xC0)});
  std::string refused = ErrorOf([&] { jet::Database::Open(copy.string(), "").Execute("SELECT * FROM Table1"); });
  EXPECT_NE(refused.find("(a calculated field)"), std::string::npos) << refused;
}

TEST(Ace, LinkedTablesAreNamedNotRead) {
  struct Case {
    std::string file, table, names;
  } cases[] = {
      {"accdb/linkerTestV2007.accdb", "Table2", "linked table"},
      {"accdb/odbcLinkerTestV2007.accdb", "Ordrar", "linked table"},
  };
  for (const Case& c : cases) {
    jet::Database db = jet::Database::Open(Fixture(c.file).string(), "");
    std::string refused = ErrorOf([&] { db.Execute("SELECT * FROM [" + c.table + "]"); });
    EXPECT_NE(refused.find("'" + c.table + "' is a " + c.names), std::string::npos) << refused;
  }
}

}  // namespace
