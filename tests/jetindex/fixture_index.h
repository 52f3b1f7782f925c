// Walks fixture indexes with the page codec: every leaf entry under a root, in order.
#pragma once

#include <cstdint>
#include <vector>

#include "fixture_file.h"
#include "jet/index/index_page.h"

namespace jetindex_test {

inline void CollectLeafEntries(const FixtureFile& file, std::uint32_t page,
                               std::vector<jet::index::IndexEntry>& out, int depth = 0) {
  if (depth > 8) throw std::runtime_error("index deeper than 8 levels");
  const jet::index::IndexPage parsed = jet::index::ParseIndexPage(file.Page(page), page);
  if (parsed.type == jet::index::IndexPageType::kLeaf) {
    out.insert(out.end(), parsed.entries.begin(), parsed.entries.end());
    return;
  }
  for (const jet::index::IndexEntry& e : parsed.entries) CollectLeafEntries(file, e.child, out, depth + 1);
  if (parsed.tailPage != 0) CollectLeafEntries(file, parsed.tailPage, out, depth + 1);
}

// TDEF pages of the file's local tables (system tables included), from MSysObjects.
inline std::vector<std::uint32_t> CatalogueTablePages(const FixtureFile& file) {
  const FixtureTable catalogue = file.Table(2);
  FixtureRealIndex idAndType;
  for (const FixtureColumn& c : catalogue.columns) {
    if (c.name == "Id" || c.name == "Type") idAndType.columns.push_back({c.number, true});
  }
  if (catalogue.Column(idAndType.columns[0].columnNumber).name != "Id") {
    std::swap(idAndType.columns[0], idAndType.columns[1]);
  }
  std::vector<jet::index::IndexEntry> entries;
  CollectLeafEntries(file, catalogue.indexes.at(1).rootPage, entries);
  std::vector<std::uint32_t> pages;
  for (const jet::index::IndexEntry& e : entries) {
    const auto values = file.IndexValues(catalogue, idAndType, e.row);
    if (std::get<std::int64_t>(values[1]) == 1) pages.push_back(std::uint32_t(std::get<std::int64_t>(values[0])) & 0xFFFFFF);
  }
  return pages;
}

}  // namespace jetindex_test
