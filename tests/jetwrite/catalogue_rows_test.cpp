// What renames and drops do to a table's catalogue row in Access-made
// files: the row's long values (its LvProp properties) stay reachable and
// are not copied on a rename, a rename to a name no longer than the old one
// rewrites the row in place, and a drop frees the long-value rows.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "jet/database.h"
#include "jet/write/consistency_check.h"
#include "jet/write/database_writer.h"
#include "support.h"

namespace jetwritetest {
namespace {

struct RowCensus {
  int liveLongValueRows = 0;
  int deletedCatalogueRows = 0;
};

// Counted on the raw pages (the fixtures used here are not page-encoded).
RowCensus Census(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  RowCensus census;
  for (std::size_t p = 1; (p + 1) * 4096 <= bytes.size(); ++p) {
    const std::uint8_t* page = bytes.data() + p * 4096;
    if (page[0] != 0x01) continue;
    const bool lval = std::memcmp(page + 4, "LVAL", 4) == 0;
    const bool catalogue = page[4] == 2 && page[5] == 0 && page[6] == 0 && page[7] == 0;
    const int slots = page[12] | page[13] << 8;
    for (int i = 0; i < slots && 14 + 2 * i + 1 < 4096; ++i) {
      const bool deleted = page[14 + 2 * i + 1] & 0x80;
      if (lval && !deleted) ++census.liveLongValueRows;
      if (catalogue && deleted) ++census.deletedCatalogueRows;
    }
  }
  return census;
}

// The LvProp value of the table's catalogue row, as our reader reads it.
std::vector<std::uint8_t> Properties(const std::filesystem::path& file, const std::string& table) {
  jet::ResultSet rows = jet::Database::Open(file, "").Execute("SELECT * FROM MSysObjects");
  std::size_t name = 0, props = 0;
  for (std::size_t i = 0; i < rows.Columns().size(); ++i) {
    if (rows.Columns()[i].name == "Name") name = i;
    if (rows.Columns()[i].name == "LvProp") props = i;
  }
  for (const auto& row : rows.Rows())
    if (row[name] == jet::Value{jet::Text{table}})
      if (const auto* ole = std::get_if<jet::Ole>(&row[props])) return ole->bytes;
  return {};
}

TEST(CatalogueRows, RenameKeepsAndDropFreesTheRowsLongValues) {
  int tables = 0;
  for (const char* fixture : {"fixedTextTestV2000.mdb", "delTestV2000.mdb", "testV2000.mdb"}) {
    TempDir dir;
    auto file = dir.Copy(fixture);
    for (const std::string& table : UserTables(file, "")) {
      const std::vector<std::uint8_t> props = Properties(file, table);
      if (props.size() <= 64) continue;  // kept inline: no long-value row to follow
      SCOPED_TRACE(std::string(fixture) + " " + table);
      ++tables;
      const RowCensus before = Census(file);

      jet::RenameTable(file, "", table, "R");
      EXPECT_EQ(Properties(file, "R"), props);
      EXPECT_EQ(Census(file).liveLongValueRows, before.liveLongValueRows);
      EXPECT_EQ(Census(file).deletedCatalogueRows, before.deletedCatalogueRows) << "not rewritten in place";

      const std::string longName(64, 'L');
      jet::RenameTable(file, "", "R", longName);
      EXPECT_EQ(Properties(file, longName), props);
      EXPECT_EQ(Census(file).liveLongValueRows, before.liveLongValueRows);
      EXPECT_EQ(jet::CheckDatabase(file, ""), std::vector<std::string>{});

      jet::ExecuteStatement(file, "", "DROP TABLE [" + longName + "]");
      EXPECT_LT(Census(file).liveLongValueRows, before.liveLongValueRows);
      EXPECT_EQ(jet::CheckDatabase(file, ""), std::vector<std::string>{});
      EXPECT_TRUE(OracleDifferences(dir.Path()).empty()) << OracleDifferences(dir.Path());
      break;
    }
  }
  EXPECT_GT(tables, 0) << "no fixture table keeps its properties in long-value rows";
}

}  // namespace
}  // namespace jetwritetest
