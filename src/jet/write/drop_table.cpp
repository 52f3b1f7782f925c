#include "jet/write/drop_table.h"

#include <set>

#include "jet/catalogue.h"
#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/write/catalogue_writer.h"
#include "jet/write/table_map.h"
#include "jet/write/table_rows.h"
#include "jet/write/write_statement.h"

namespace jet {

std::vector<std::uint32_t> PagesOwnedBy(Pager& pager, const TableDef& def) {
  std::set<std::uint32_t> pages(def.pages.begin(), def.pages.end());
  std::vector<std::pair<RowPointer, MapKind>> maps{{def.ownedPages, MapKind::Data}, {def.freeSpacePages, MapKind::Data}};
  for (const RealIndex& index : def.realIndexes) maps.push_back({index.usageMap, MapKind::Index});
  for (const LongValueMaps& m : ReadLongValueMaps(def)) {
    maps.push_back({m.owned, MapKind::LongValue});
    if (m.freeSpace.page != 0) maps.push_back({m.freeSpace, MapKind::LongValue});
  }
  std::set<std::uint32_t> holders;
  std::set<RowPointer> mapRows;
  for (auto [m, kind] : maps) {
    if (m.page == 0) continue;
    mapRows.insert(m);
    holders.insert(m.page);
    for (std::uint32_t p : MapBitmapPages(pager, m)) pages.insert(p);
    // Owned pages of the table's maps: data, index and long-value pages (the
    // free-space maps list a subset of them). All of them are freed, so a
    // map that lists another table's page is damage, found before any change.
    for (std::uint32_t p : MapPages(pager, m)) {
      if (p < 2) continue;  // the header and the global map are never a table's
      if (!MayList(pager, kind, def.page, p))
        ThrowDamaged("a map of the table lists page " + std::to_string(p) + ", which is not the table's");
      pages.insert(p);
    }
  }
  // A map page goes too when every row on it is one of this table's maps.
  for (std::uint32_t holder : holders) {
    DataPage page(*pager.Read(holder), pager.Format());
    bool own = page.IsData() && page.Owner() == 0;
    for (std::size_t i = 0; own && i < page.SlotCount(); ++i)
      own = page.IsDeleted(i) || mapRows.count({holder, static_cast<std::uint8_t>(i)});
    if (own) pages.insert(holder);
  }
  pages.erase(0);
  pages.erase(1);
  if (pages.count(kCatalogueTdefPage)) ThrowDamaged("a table that claims the catalogue's definition");
  return {pages.begin(), pages.end()};
}

void DropTable(Connection& c, const sql::DropTable& drop) {
  WriteStatement statement(c);
  CatalogueWriter catalogue(statement.Pages(), statement.Space());
  std::optional<CatalogueTable> table = catalogue.Find(drop.table);
  if (!table) throw Error(kObjectNotFound, "Table '" + drop.table + "' does not exist.");
  if (table->IsSystem()) throw Error(kStatementFailed, "Cannot delete the system table '" + table->name + "'.");
  if (catalogue.InRelationship(table->name))
    throw Error(kStatementFailed, "Cannot delete the table '" + table->name +
                                      "'; it participates in one or more relationships. Delete its relationships first.");
  std::vector<std::uint32_t> pages;
  if (table->IsLocal()) {
    TableDef def = ReadTableDef(statement.Pages(), static_cast<std::uint32_t>(table->id) & kIdPageMask);
    // Attachments and multi-valued fields keep their values in hidden tables
    // tied to this one; dropping it alone would leave them orphaned.
    std::string complexFields;
    for (const Column& column : def.columns)
      if (column.Type() == ColumnType::Complex) complexFields += (complexFields.empty() ? "'" : ", '") + column.name + "'";
    if (!complexFields.empty())
      throw Error(kStatementFailed, "Cannot delete the table '" + table->name + "': Access keeps the values of its fields " +
                                        complexFields + " in hidden tables that this program does not change.");
    pages = PagesOwnedBy(statement.Pages(), def);
  }
  catalogue.RemoveTable(*table);
  for (std::uint32_t p : pages) statement.Space().Release(p);
  statement.Finish();
}

}  // namespace jet
