#include "jet/complex_columns.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

#include "jet/names.h"
#include "jet/row_codec.h"
#include "jet/table.h"

namespace jet {
namespace {

constexpr char kComplexColumnsTable[] = "MSysComplexColumns";

ColumnKind KindOfTypeTable(std::string_view name) {
  if (name == "MSysComplexType_Attachment") return ColumnKind::kAttachment;
  if (name.starts_with("MSysComplexTypeVH_")) return ColumnKind::kVersionHistory;
  if (name.starts_with("MSysComplexType_")) return ColumnKind::kMultiValued;
  return ColumnKind::kComplex;
}

std::optional<std::size_t> ColumnIndex(const TableDef& def, const char* name) {
  for (std::size_t i = 0; i < def.columns.size(); ++i)
    if (SameName(def.columns[i].name, name)) return i;
  return std::nullopt;
}

std::optional<std::int32_t> LongValue(const std::vector<Value>& row, std::optional<std::size_t> i) {
  if (!i) return std::nullopt;
  if (const auto* v = std::get_if<std::int32_t>(&row[*i])) return *v;
  return std::nullopt;
}

// The kind of every complex column of the database, by complex id; empty
// for a file without MSysComplexColumns.
std::map<std::uint32_t, ColumnKind> ReadComplexKinds(Pager& pager, const std::vector<CatalogueEntry>& catalogue) {
  std::map<std::uint32_t, ColumnKind> kinds;
  const CatalogueEntry* table = nullptr;
  std::map<std::int32_t, const CatalogueEntry*> byId;
  for (const CatalogueEntry& e : catalogue) {
    byId[e.id] = &e;
    if (!e.IsLinked() && SameName(e.name, kComplexColumnsTable)) table = &e;
  }
  if (!table) return kinds;
  TableDef def = ReadTableDef(pager, table->tdefPage);
  auto complexId = ColumnIndex(def, "ComplexID"), typeObject = ColumnIndex(def, "ComplexTypeObjectID");
  RowDecoder decoder(pager, def);
  RowScanner scanner(pager, def);
  std::vector<Value> values;
  for (ByteSpan row; scanner.Next(row);) {
    decoder.Decode(row, values);
    auto id = LongValue(values, complexId), type = LongValue(values, typeObject);
    if (!id) continue;
    auto found = type ? byId.find(*type) : byId.end();
    kinds[static_cast<std::uint32_t>(*id)] =
        found == byId.end() ? ColumnKind::kComplex : KindOfTypeTable(found->second->name);
  }
  return kinds;
}

}  // namespace

void NameComplexKinds(Pager& pager, TableDef& def) {
  auto isComplex = [](const Column& c) { return c.kind == ColumnKind::kComplex; };
  if (std::none_of(def.columns.begin(), def.columns.end(), isComplex)) return;
  const std::map<std::uint32_t, ColumnKind> kinds = ReadComplexKinds(pager, ReadCatalogue(pager));
  for (Column& c : def.columns)
    if (auto k = kinds.find(c.complexId); isComplex(c) && k != kinds.end()) c.kind = k->second;
}

}  // namespace jet
