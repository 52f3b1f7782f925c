#include "jet/write/new_table.h"

#include <algorithm>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/sql/names.h"
#include "jet/write/catalogue_writer.h"
#include "jet/write/table_layout.h"
#include "jet/write/table_map.h"
#include "jet/write/write_statement.h"

namespace jet {

std::uint32_t WriteNewTable(Pager& pager, const std::vector<Column>& columns) {
  std::uint32_t tdefPage = pager.Allocate();
  std::uint32_t mapPage = pager.Allocate();
  DataPageWriter(pager.Write(mapPage)).Init(0);
  std::vector<std::uint8_t> emptyMap = EmptyTableMap();
  auto addMap = [&]() -> RowPointer {
    if (!DataPage(*pager.Read(mapPage), pager.Format()).HasRoomFor(emptyMap.size())) {
      mapPage = pager.Allocate();
      DataPageWriter(pager.Write(mapPage)).Init(0);
    }
    std::size_t slot = DataPageWriter(pager.Write(mapPage)).AddRow(emptyMap);
    return {mapPage, static_cast<std::uint8_t>(slot)};
  };
  RowPointer owned = addMap();
  RowPointer freeSpace = addMap();
  std::vector<LongValueMaps> longValueMaps;
  for (const Column& c : columns) {
    if (c.Type() != ColumnType::Memo && c.Type() != ColumnType::Ole) continue;
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

void CreateTable(Connection& c, const sql::CreateTable& create) {
  if (auto why = sql::InvalidNameReason(create.table)) throw Error(kStatementFailed, *why);
  if (!create.indexes.empty() || std::any_of(create.columns.begin(), create.columns.end(),
                                             [](const sql::ColumnSpec& s) { return s.notNull; }))
    throw Error(kStatementFailed, "PRIMARY KEY, UNIQUE and NOT NULL cannot be created yet.");
  std::vector<Column> columns = LayOutColumns(create, c.header.sortOrder, c.header.sortVersion);
  WriteStatement statement(c);
  CatalogueWriter catalogue(statement.Pages(), statement.Space());
  catalogue.CheckNewName(create.table);
  std::uint32_t tdefPage = WriteNewTable(statement.Pages(), columns);
  catalogue.AddTable(create.table, tdefPage);
  statement.Finish();
}

}  // namespace jet
