#include "jet/write/new_table.h"

#include <algorithm>
#include <set>

#include "jet/data_page.h"
#include "jet/write/page_space.h"
#include "jet/write/table_layout.h"
#include "jet/write/table_rows.h"

namespace jet {

std::uint32_t WriteNewTable(Pager& pager, const std::vector<Column>& columns) {
  std::uint32_t tdefPage = pager.Allocate();
  std::uint32_t mapPage = pager.Allocate();
  DataPageWriter(pager.Write(mapPage)).Init(0);
  std::vector<std::uint8_t> emptyMap = EmptyTableMap();
  auto addMap = [&]() -> RowPointer {
    DataPageWriter holder(pager.Write(mapPage));
    if (!holder.Fits(emptyMap.size())) {
      mapPage = pager.Allocate();
      holder = DataPageWriter(pager.Write(mapPage));
      holder.Init(0);
    }
    std::size_t slot = holder.AddRow(emptyMap);
    return {mapPage, static_cast<std::uint8_t>(slot)};
  };
  RowPointer owned = addMap();
  RowPointer freeSpace = addMap();
  std::vector<LongValueMaps> longValueMaps;
  for (const Column& c : columns) {
    if (c.Type() != ColumnType::Memo) continue;
    LongValueMaps m{c.number, addMap(), {}};
    m.freeSpace = addMap();
    longValueMaps.push_back(m);
  }
  std::vector<std::uint8_t> block = BuildDefinition(columns, owned, freeSpace, longValueMaps);
  std::vector<std::uint32_t> pages{tdefPage};
  while (pages.size() < DefinitionPageCount(block.size())) pages.push_back(pager.Allocate());
  for (std::size_t i = 0; i < pages.size(); ++i)
    WriteDefinitionPage(block, i, i + 1 < pages.size() ? pages[i + 1] : 0, pager.Write(pages[i]));
  return tdefPage;
}

std::vector<std::uint32_t> PagesOwnedBy(Pager& pager, const TableDef& def) {
  std::set<std::uint32_t> pages(def.pages.begin(), def.pages.end());
  std::vector<RowPointer> maps{def.ownedPages, def.freeSpacePages};
  for (const RealIndex& index : def.realIndexes) maps.push_back(index.usageMap);
  for (const LongValueMaps& m : ReadLongValueMaps(def)) {
    maps.push_back(m.owned);
    if (m.freeSpace.page != 0) maps.push_back(m.freeSpace);
  }
  std::set<std::uint32_t> holders;
  std::set<RowPointer, bool (*)(const RowPointer&, const RowPointer&)> mapRows(
      [](const RowPointer& a, const RowPointer& b) { return a.ToU32() < b.ToU32(); });
  for (RowPointer m : maps) {
    if (m.page == 0) continue;
    mapRows.insert(m);
    holders.insert(m.page);
    for (std::uint32_t p : MapBitmapPages(pager, m)) pages.insert(p);
  }
  // Owned pages of the table's maps: data, index and long-value pages. The
  // free-space maps list a subset of them.
  for (RowPointer m : maps) {
    if (m.page == 0) continue;
    for (std::uint32_t p : MapPages(pager, m)) pages.insert(p);
  }
  // A map page goes too when every row on it is one of this table's maps.
  for (std::uint32_t holder : holders) {
    DataPage page(*pager.Read(holder), pager.Format());
    bool own = page.Owner() == 0;
    for (std::size_t i = 0; own && i < page.SlotCount(); ++i)
      own = page.IsDeleted(i) || mapRows.count({holder, static_cast<std::uint8_t>(i)});
    if (own) pages.insert(holder);
  }
  pages.erase(0);
  pages.erase(1);
  return {pages.begin(), pages.end()};
}

}  // namespace jet
