#include "jet/catalogue.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "jet/error.h"
#include "jet/names.h"
#include "jet/row_codec.h"
#include "jet/table.h"
#include "jet/tdef.h"
#include "jet/usage_map.h"

namespace jet {
namespace {

std::optional<std::size_t> Find(const TableDef& def, const char* name) {
  for (std::size_t i = 0; i < def.columns.size(); ++i)
    if (SameName(def.columns[i].name, name)) return i;
  return std::nullopt;
}

std::int64_t Number(const std::vector<Value>& row, std::optional<std::size_t> i) {
  if (!i) return 0;
  const Value& v = row[*i];
  if (auto p = std::get_if<std::int32_t>(&v)) return *p;
  if (auto p = std::get_if<std::int16_t>(&v)) return *p;
  return 0;
}

std::string String(const std::vector<Value>& row, std::optional<std::size_t> i) {
  if (!i) return {};
  const Value& v = row[*i];
  if (auto p = std::get_if<Text>(&v)) return p->text;
  if (auto p = std::get_if<Memo>(&v)) return p->text;
  return {};
}

}  // namespace

std::int32_t TableAttributes(std::int32_t flags, TableKind kind) {
  auto f = static_cast<std::uint32_t>(flags);
  if (f & 0x80000002u) return kAttrSystem;
  std::int32_t a = (f & 0x9u) ? kAttrHidden : 0;
  if (kind == TableKind::Linked) a += kAttrLinked;
  if (kind == TableKind::LinkedOdbc) a += kAttrLinkedOdbc;
  return a;
}

std::vector<CatalogueEntry> ReadCatalogue(Pager& pager) {
  Pager::Statement statement(pager, LockMode::Shared);
  auto def = std::make_shared<const TableDef>(ReadTableDef(pager, kCatalogueTdefPage));
  auto id = Find(*def, "Id"), parent = Find(*def, "ParentId"), name = Find(*def, "Name"), type = Find(*def, "Type"),
       flags = Find(*def, "Flags"), connect = Find(*def, "Connect"), database = Find(*def, "Database"),
       foreign = Find(*def, "ForeignName");
  if (!id || !parent || !name || !type) ThrowDamaged("the catalogue lacks its Id, ParentId, Name or Type column");

  struct Raw {
    CatalogueEntry entry;
    std::int32_t parent;
    std::int16_t type;
  };
  std::vector<Raw> rows;
  std::int32_t tablesContainer = kTablesContainer;
  RowDecoder decoder(pager, *def);
  std::vector<Value> values;
  RowScanner scanner(pager, *def);
  for (ByteSpan row; scanner.Next(row);) {
    decoder.Decode(row, values);
    Raw r;
    r.entry.name = String(values, name);
    r.entry.id = static_cast<std::int32_t>(Number(values, id));
    r.entry.flags = static_cast<std::int32_t>(Number(values, flags));
    r.parent = static_cast<std::int32_t>(Number(values, parent));
    r.type = static_cast<std::int16_t>(Number(values, type));
    if (r.type == kObjectTypeContainer && r.parent == kContainersParent && r.entry.name == "Tables")
      tablesContainer = r.entry.id;
    r.entry.connect = String(values, connect);
    r.entry.database = String(values, database);
    r.entry.foreignName = String(values, foreign);
    rows.push_back(std::move(r));
  }

  std::vector<CatalogueEntry> tables;
  for (Raw& r : rows) {
    if (r.parent != tablesContainer) continue;
    if (r.type != 1 && r.type != 4 && r.type != 6) continue;
    r.entry.kind = static_cast<TableKind>(r.type);
    r.entry.attributes = TableAttributes(r.entry.flags, r.entry.kind);
    if (r.entry.kind == TableKind::Local) r.entry.tdefPage = static_cast<std::uint32_t>(r.entry.id) & kIdPageMask;
    tables.push_back(std::move(r.entry));
  }
  std::stable_sort(tables.begin(), tables.end(),
                   [](const CatalogueEntry& a, const CatalogueEntry& b) { return FoldName(a.name) < FoldName(b.name); });
  return tables;
}

void CheckCatalogueStructure(Pager& pager) {
  Pager::Statement statement(pager, LockMode::Shared);
  std::optional<std::uint32_t> last = UsageMap(pager, ReadOwnedPagesMap(pager, kCatalogueTdefPage)).Last();
  if (last && *last >= pager.PageCount()) ThrowDamaged("the catalogue owns a page beyond the end of the file");
}

}  // namespace jet
