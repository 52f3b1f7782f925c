// The table list: DAO's attribute values, which tables a table list shows,
// linked and hidden tables.
#include <gtest/gtest.h>

#include "jet/catalogue.h"
#include "jet/error.h"
#include "support.h"

namespace {

using jettest::Fixture;
using jettest::TempDir;

TEST(Catalogue, AttributesFromFlagsAndType) {
  using jet::TableKind;
  struct Case {
    std::uint32_t flags;
    TableKind kind;
    std::int32_t attributes;
    bool listed;
  } cases[] = {
      {0, TableKind::Local, 0, true},
      {0x80000000u, TableKind::Local, -2147483646, false},  // Jet's MSys tables
      {2, TableKind::Local, -2147483646, false},            // MSysAccessObjects
      {10, TableKind::Local, -2147483646, false},           // MSysNavPane*: system wins over hidden
      {8, TableKind::Local, 1, false},                      // hidden in Access
      {1, TableKind::Local, 1, false},
      {0, TableKind::Linked, 0x40000000, true},
      {8, TableKind::Linked, 0x40000001, true},  // a hidden linked table is still listed
      {0, TableKind::LinkedOdbc, 0x20000000, true},
      {0x200000, TableKind::Linked, 0x40000000, true},  // what Access stores for a linked Jet table
  };
  for (const auto& c : cases) {
    std::int32_t a = jet::TableAttributes(static_cast<std::int32_t>(c.flags), c.kind);
    EXPECT_EQ(a, c.attributes) << "flags " << c.flags;
    EXPECT_EQ(jet::IsUserTable(a), c.listed) << "flags " << c.flags;
  }
  EXPECT_FALSE(jet::IsUserTable(2));
}

TEST(Catalogue, ListsSystemAndUserTablesWithTheirDefinitions) {
  jet::Database db = jet::Database::Open(Fixture("testV2000.mdb").string(), "");
  std::vector<std::string> user, system;
  for (const auto& t : db.Tables()) {
    (jet::IsUserTable(t.attributes) ? user : system).push_back(t.name);
    if (t.name == "MSysObjects") {
      EXPECT_EQ(t.tdefPage, 2u);
    }
  }
  EXPECT_EQ(user, (std::vector<std::string>{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(system, (std::vector<std::string>{"MSysAccessObjects", "MSysACEs", "MSysObjects", "MSysQueries",
                                              "MSysRelationships"}));
}

// Rewrites the MSysObjects row of `table` in a copy: its Type and Flags.
void RewriteCatalogueRow(const std::filesystem::path& copy, const std::string& table, std::int16_t type,
                         std::int32_t flags) {
  std::size_t row = 0;
  {
    jet::Database db = jet::Database::Open(copy.string(), "");
    auto cursor = db.OpenTable("MSysObjects").Rows();
    while (cursor.Next() && std::get<jet::Text>(cursor.Values()[2]).text != table) ++row;
  }
  auto typeCell = jettest::LocateCell(copy, "MSysObjects", row, "Type");
  auto flagsCell = jettest::LocateCell(copy, "MSysObjects", row, "Flags");
  auto t = static_cast<std::uint16_t>(type);
  auto f = static_cast<std::uint32_t>(flags);
  jettest::Patch(copy, typeCell.offset, {static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(t >> 8)});
  jettest::Patch(copy, flagsCell.offset,
                 {static_cast<std::uint8_t>(f), static_cast<std::uint8_t>(f >> 8), static_cast<std::uint8_t>(f >> 16),
                  static_cast<std::uint8_t>(f >> 24)});
}

const jet::CatalogueEntry& Entry(const std::vector<jet::CatalogueEntry>& all, const std::string& name) {
  for (const auto& e : all)
    if (e.name == name) return e;
  throw std::runtime_error("no " + name);
}

TEST(Catalogue, LinkedTablesAreListedButNotRead) {
  TempDir dir;
  auto copy = dir.Copy("testV2000.mdb");
  RewriteCatalogueRow(copy, "Table2", 6, 0);
  RewriteCatalogueRow(copy, "Table3", 4, 8);
  jet::Database db = jet::Database::Open(copy.string(), "");
  auto all = db.Tables();
  EXPECT_EQ(Entry(all, "Table2").kind, jet::TableKind::Linked);
  EXPECT_EQ(Entry(all, "Table2").attributes, 0x40000000);
  EXPECT_EQ(Entry(all, "Table3").attributes, 0x20000001);
  EXPECT_TRUE(jet::IsUserTable(Entry(all, "Table3").attributes));
  for (const char* sql : {"SELECT * FROM [Table2]", "SELECT * FROM [table3]"}) {
    try {
      db.Execute(sql);
      ADD_FAILURE() << sql;
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.Number(), jet::kStatementFailed);
      EXPECT_NE(e.Description().find("linked table"), std::string::npos) << e.what();
    }
  }
}

TEST(Catalogue, HiddenTablesAreLeftOutOfTheList) {
  TempDir dir;
  auto copy = dir.Copy("testV2000.mdb");
  RewriteCatalogueRow(copy, "Table4", 1, 8);
  jet::Database db = jet::Database::Open(copy.string(), "");
  const auto& e = Entry(db.Tables(), "Table4");
  EXPECT_EQ(e.attributes, 1);
  EXPECT_FALSE(jet::IsUserTable(e.attributes));
  EXPECT_EQ(db.Execute("SELECT * FROM Table4").RecordCount(), 0u);  // still readable by name
}

}  // namespace
