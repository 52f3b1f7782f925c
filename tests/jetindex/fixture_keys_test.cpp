// Re-encodes every key Access stored in the fixtures' indexes from the row it points at
// and compares byte for byte: MSysObjects of every file, the text indexes of the index
// test files, the text keys in the newer General sort order (files of Access 2010 and
// later), and every other index of every fixture.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <map>

#include "fixture_index.h"
#include "jet/index/index_key.h"
#include "jet/index/index_key_decoder.h"
#include "test_support.h"

namespace jetindex_test {
namespace {

using jet::index::KeyColumn;
using jet::index::KeyType;

// The key columns of `index`; nullopt when a column has a type Jet 4 has not (the
// attachment and multi-value columns of Access 2007 and later).
std::optional<std::vector<KeyColumn>> KeyColumns(const FixtureTable& table, const FixtureRealIndex& index) {
  std::vector<KeyColumn> columns;
  for (const FixtureIndexColumn& c : index.columns) {
    const FixtureColumn& column = table.Column(c.columnNumber);
    if (column.type > std::uint8_t(KeyType::kDecimal)) return std::nullopt;
    const auto order = jet::index::TextOrderOf(column.sortLcid, column.sortVersion);
    columns.push_back({KeyType(column.type), c.ascending, order.value_or(jet::index::TextOrder::kGeneralLegacy)});
  }
  return columns;
}

bool InGeneralOrder(const std::vector<KeyColumn>& columns) {
  for (const KeyColumn& c : columns) {
    if (c.type == KeyType::kText && c.order == jet::index::TextOrder::kGeneral) return true;
  }
  return false;
}

bool IsTextIndex(const FixtureTable& table, const FixtureRealIndex& index) {
  for (const FixtureIndexColumn& c : index.columns) {
    if (table.Column(c.columnNumber).type == std::uint8_t(KeyType::kText)) return true;
  }
  return false;
}

TEST(FixtureKeys, AccessKeysReEncodeByteForByte) {
  const std::set<std::string> textIndexFiles = {"indexTestV2000.mdb", "compIndexTestV2000.mdb",
                                                "bigIndexTestV2000.mdb"};
  const std::string generalGroup = "text keys in the General order of Access 2010";
  std::map<std::string, int> matched;
  int mismatches = 0;
  int decoderMismatches = 0;  // the consistency check's own reading of the same keys
  int files = 0;
  for (const std::string& path : FixturePaths()) {
    const std::string name = std::filesystem::path(path).filename().string();
    const FixtureFile file(path);
    ++files;
    for (std::uint32_t tdef : CatalogueTablePages(file)) {
      const FixtureTable table = file.Table(tdef);
      for (std::size_t i = 0; i < table.indexes.size(); ++i) {
        const FixtureRealIndex& index = table.indexes[i];
        const auto keyColumns = KeyColumns(table, index);
        if (!keyColumns) continue;
        const auto& columns = *keyColumns;
        const std::string group = InGeneralOrder(columns)                                      ? generalGroup
                                  : tdef == 2                                                ? "MSysObjects"
                                  : textIndexFiles.count(name) && IsTextIndex(table, index) ? "text indexes of index test files"
                                                                                            : "other indexes";
        std::vector<jet::index::IndexEntry> entries;
        CollectLeafEntries(file, index.rootPage, entries);
        for (const jet::index::IndexEntry& e : entries) {
          const auto values = file.IndexValues(table, index, e.row);
          if (const auto difference = jet::index::CompareKeyWithRow(columns, e.key, values)) {
            if (++decoderMismatches <= 20) ADD_FAILURE() << name << " page " << tdef << ": " << *difference;
          }
          const auto expected = jet::index::EncodeIndexKey(columns, values);
          if (expected == e.key) {
            ++matched[group];
          } else if (++mismatches <= 20) {
            ADD_FAILURE() << name << " table page " << tdef << " index " << i << " row " << e.row.page << ":"
                          << int(e.row.row) << "\n stored  " << ToHex(e.key) << "\n encoded " << ToHex(expected);
          }
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(decoderMismatches, 0);
  EXPECT_GT(files, 0) << "no fixtures in " << FixtureDir();
  EXPECT_GT(matched["MSysObjects"], 0);
  EXPECT_GT(matched["text indexes of index test files"], 0);
  if (std::filesystem::is_directory(std::filesystem::path(FixtureDir()).parent_path() / "accdb")) {
    EXPECT_GT(matched[generalGroup], 0);
  }
  for (const auto& [group, count] : matched) std::cout << "[ keys     ] " << group << ": " << count << " matched\n";
  std::cout << "[ keys     ] " << files << " files, " << mismatches << " mismatches, " << decoderMismatches
            << " decoder mismatches\n";
}

}  // namespace
}  // namespace jetindex_test
