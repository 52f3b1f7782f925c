#include "jet/write/catalogue_writer.h"

#include <cmath>
#include <cstring>
#include <ctime>

#include "jet/catalogue.h"
#include "jet/error.h"
#include "jet/names.h"
#include "jet/sql/names.h"
#include "jet/text_codec.h"
#include "jet/write/row_edit.h"

namespace jet {
namespace {

constexpr auto kLocalTable = static_cast<std::int16_t>(TableKind::Local);

[[noreturn]] void Refuse(const std::string& why) { throw Error(kStatementFailed, why); }

template <typename T>
std::optional<T> Get(const std::vector<Value>& values, std::size_t i) {
  if (const T* v = std::get_if<T>(&values.at(i))) return *v;
  return std::nullopt;
}

std::string TextOf(const std::vector<Value>& values, std::size_t i) {
  if (const Text* t = std::get_if<Text>(&values.at(i))) return t->text;
  return {};
}

}  // namespace


CatalogueWriter::CatalogueWriter(Pager& pager, PageSpace& space)
    : pager_(pager), space_(space), objects_(pager, space, kCatalogueTdefPage) {}

std::vector<Value> CatalogueWriter::ObjectRowFor(const std::string& name) const {
  std::vector<Value> values(objects_.Definition().columns.size(), Null{});
  values[objects_.ColumnIndex("ParentId")] = std::int32_t{kTablesContainer};
  values[objects_.ColumnIndex("Name")] = Text{name};
  return values;
}

std::optional<CatalogueTable> CatalogueWriter::Find(const std::string& name) {
  std::size_t parentColumn = objects_.ColumnIndex("ParentId");
  std::size_t nameColumn = objects_.ColumnIndex("Name");
  auto describe = [&](StoredRow row) {
    CatalogueTable t;
    t.name = TextOf(row.values, nameColumn);
    t.id = Get<std::int32_t>(row.values, objects_.ColumnIndex("Id")).value_or(0);
    t.type = Get<std::int16_t>(row.values, objects_.ColumnIndex("Type")).value_or(0);
    t.flags = Get<std::int32_t>(row.values, objects_.ColumnIndex("Flags")).value_or(0);
    if (const Ole* properties = std::get_if<Ole>(&row.values[objects_.ColumnIndex("LvProp")]))
      t.properties = properties->bytes;
    t.row = std::move(row);
    return t;
  };
  auto isTable = [&](const StoredRow& row) {
    std::int16_t type = Get<std::int16_t>(row.values, objects_.ColumnIndex("Type")).value_or(0);
    return Get<std::int32_t>(row.values, parentColumn) == kTablesContainer &&
           (type == 1 || type == 4 || type == 6) && SameName(TextOf(row.values, nameColumn), name);
  };
  // The name index finds it in a page or two; a scan covers a damaged index.
  std::vector<Value> probe = ObjectRowFor(name);
  for (std::size_t i = 0; i < objects_.Definition().realIndexes.size(); ++i) {
    const auto& columns = objects_.Definition().realIndexes[i].columns;
    if (columns.size() != 2 || columns[1].first != objects_.Definition().columns[nameColumn].number) continue;
    try {
      if (auto where = objects_.FindByKey(i, probe))
        if (auto row = objects_.RowAt(*where); row && isTable(*row)) return describe(std::move(*row));
    } catch (const Error& e) {
      if (e.Number() != kStatementFailed) throw;
      break;  // a name the sort order cannot key: only a scan can tell
    }
  }
  for (StoredRow& row : objects_.Rows())
    if (isTable(row)) return describe(std::move(row));
  return std::nullopt;
}

void CatalogueWriter::CheckNewName(const std::string& name, const CatalogueTable* except) {
  if (auto why = sql::InvalidNameReason(name)) Refuse(*why);
  std::vector<Value> probe = ObjectRowFor(name);
  bool taken = false;
  for (std::size_t i = 0; i < objects_.Definition().realIndexes.size() && !taken; ++i) {
    if (!(objects_.Definition().realIndexes[i].flags & kIndexUnique)) continue;
    const auto& columns = objects_.Definition().realIndexes[i].columns;
    if (columns.size() != 2) continue;  // the name index: (ParentId, Name)
    auto where = objects_.FindByKey(i, probe);  // throws for characters the sort order lacks
    taken = where && !(except && *where == except->row.where);
  }
  if (!taken) {
    std::size_t parentColumn = objects_.ColumnIndex("ParentId");
    std::size_t nameColumn = objects_.ColumnIndex("Name");
    for (const StoredRow& row : objects_.Rows())
      if (Get<std::int32_t>(row.values, parentColumn) == kTablesContainer &&
          SameName(TextOf(row.values, nameColumn), name) && !(except && row.where == except->row.where))
        taken = true;
  }
  if (taken) Refuse("Table '" + name + "' already exists.");
}

std::optional<std::uint32_t> CatalogueWriter::RelationshipsPage() {
  std::optional<CatalogueTable> t = Find("MSysRelationships");
  if (!t || !t->IsLocal()) return std::nullopt;
  return static_cast<std::uint32_t>(t->id) & kIdPageMask;
}

bool CatalogueWriter::InRelationship(const std::string& name) {
  std::optional<std::uint32_t> page = RelationshipsPage();
  if (!page) return false;
  IndexedTable relationships(pager_, space_, *page);
  std::size_t object = relationships.ColumnIndex("szObject");
  std::size_t referenced = relationships.ColumnIndex("szReferencedObject");
  for (const StoredRow& row : relationships.Rows())
    if (SameName(TextOf(row.values, object), name) || SameName(TextOf(row.values, referenced), name)) return true;
  return false;
}

void CatalogueWriter::AddTable(const std::string& name, std::uint32_t tdefPage,
                               const std::vector<std::uint8_t>& properties) {
  std::vector<Value> values = ObjectRowFor(name);
  std::size_t ownerColumn = objects_.ColumnIndex("Owner");
  std::size_t typeColumn = objects_.ColumnIndex("Type");
  std::size_t nameColumn = objects_.ColumnIndex("Name");
  Value owner = Null{};
  for (const StoredRow& row : objects_.Rows())
    if (Get<std::int16_t>(row.values, typeColumn) == kObjectTypeDatabase && TextOf(row.values, nameColumn) == "MSysDb")
      owner = row.values[ownerColumn];
  double now = OleDateNow();
  values[objects_.ColumnIndex("Id")] = static_cast<std::int32_t>(tdefPage);
  values[typeColumn] = kLocalTable;
  values[objects_.ColumnIndex("DateCreate")] = DateTime{now};
  values[objects_.ColumnIndex("DateUpdate")] = DateTime{now};
  values[ownerColumn] = owner;
  values[objects_.ColumnIndex("Flags")] = std::int32_t{0};
  if (!properties.empty()) values[objects_.ColumnIndex("LvProp")] = Ole{properties};
  objects_.Insert(values);

  std::optional<CatalogueTable> aces = Find("MSysACEs");
  if (!aces) return;
  IndexedTable acl(pager_, space_, static_cast<std::uint32_t>(aces->id) & kIdPageMask);
  std::size_t objectColumn = acl.ColumnIndex("ObjectId");
  std::size_t acmColumn = acl.ColumnIndex("ACM");
  std::size_t inheritColumn = acl.ColumnIndex("FInheritable");
  for (const StoredRow& row : acl.Rows()) {
    if (Get<std::int32_t>(row.values, objectColumn) != kTablesContainer) continue;
    if (Get<bool>(row.values, inheritColumn) != true || Get<std::int32_t>(row.values, acmColumn) != kInheritedTableRights) continue;
    std::vector<Value> ace = row.values;
    ace[objectColumn] = static_cast<std::int32_t>(tdefPage);
    ace[inheritColumn] = false;
    acl.Insert(ace);
  }
}

void CatalogueWriter::RemoveTable(const CatalogueTable& table) {
  // Its properties (LvProp and the like) go with the row.
  if (std::vector<std::uint8_t> stored = objects_.StoredBytes(table.row.where); !stored.empty())
    objects_.FreeLongValues(stored);
  objects_.Delete(table.row);
  std::optional<CatalogueTable> aces = Find("MSysACEs");
  if (!aces) return;
  IndexedTable acl(pager_, space_, static_cast<std::uint32_t>(aces->id) & kIdPageMask);
  std::size_t objectColumn = acl.ColumnIndex("ObjectId");
  for (const StoredRow& row : acl.Rows())
    if (Get<std::int32_t>(row.values, objectColumn) == table.id) acl.Delete(row);
}

void CatalogueWriter::RenameTable(const CatalogueTable& table, const std::string& newName) {
  std::vector<Value> values = table.row.values;
  const std::size_t nameColumn = objects_.ColumnIndex("Name");
  const std::size_t dateColumn = objects_.ColumnIndex("DateUpdate");
  const double now = OleDateNow();
  values[nameColumn] = Text{newName};
  values[dateColumn] = DateTime{now};
  std::vector<std::uint8_t> stored = objects_.StoredBytes(table.row.where);
  const Column& name = objects_.Definition().columns[nameColumn];
  const Column& date = objects_.Definition().columns[dateColumn];
  if (stored.empty() || name.IsFixed() || !date.IsFixed()) {
    objects_.Delete(table.row);
    objects_.Insert(values);
  } else {
    // The row keeps its other bytes, long-value references included, and its
    // length when the new name is not longer: Access rewrites it in place.
    std::vector<std::uint8_t> bytes =
        WithVariableColumn(stored, name, EncodeText(Utf8ToUtf16(newName), name.IsCompressed()), stored.size());
    // The definition says where the date lies; it must lie in the row.
    Require(bytes, 2 + std::size_t{date.fixedOffset}, sizeof now, "a fixed column beyond its row");
    std::memcpy(bytes.data() + 2 + date.fixedOffset, &now, sizeof now);
    std::size_t maskAt = bytes.size() - (std::size_t{U16(bytes, 0)} + 7) / 8;
    if (maskAt + date.number / 8 < bytes.size()) bytes[maskAt + date.number / 8] |= static_cast<std::uint8_t>(1u << (date.number % 8));
    if (!objects_.Rewrite(table.row, bytes, values)) {
      objects_.Delete(table.row);
      objects_.Insert(bytes, values);
    }
  }

  std::optional<std::uint32_t> page = RelationshipsPage();
  if (!page) return;
  IndexedTable relationships(pager_, space_, *page);
  std::size_t object = relationships.ColumnIndex("szObject");
  std::size_t referenced = relationships.ColumnIndex("szReferencedObject");
  for (const StoredRow& row : relationships.Rows()) {
    bool isObject = SameName(TextOf(row.values, object), table.name);
    bool isReferenced = SameName(TextOf(row.values, referenced), table.name);
    if (!isObject && !isReferenced) continue;
    std::vector<Value> renamed = row.values;
    if (isObject) renamed[object] = Text{newName};
    if (isReferenced) renamed[referenced] = Text{newName};
    relationships.Delete(row);
    relationships.Insert(renamed);
  }
}

}  // namespace jet
