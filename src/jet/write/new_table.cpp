#include "jet/write/new_table.h"

#include <algorithm>

#include "jet/column_properties.h"
#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/index/index_page.h"
#include "jet/names.h"
#include "jet/sql/names.h"
#include "jet/write/catalogue_writer.h"
#include "jet/write/index_writer.h"
#include "jet/write/table_layout.h"
#include "jet/write/table_map.h"
#include "jet/write/write_statement.h"

namespace jet {
namespace {

[[noreturn]] void Refuse(const std::string& why, int jetNumber = 0) { throw Error(kStatementFailed, why, jetNumber); }

}  // namespace

NewIndex LayOutIndex(const sql::DeclaredIndex& declared, const std::vector<Column>& columns, const std::string& table) {
  NewIndex index;
  if (declared.columns.size() > kMaxIndexColumns)
    Refuse("Too many fields defined in the index; an index takes at most 10.");
  std::string generated;
  for (const sql::IndexColumn& ic : declared.columns) {
    auto it = std::find_if(columns.begin(), columns.end(), [&](const Column& c) { return SameName(c.name, ic.name); });
    if (it == columns.end())
      Refuse("The index refers to the field '" + ic.name + "', which table '" + table + "' does not have.");
    if (it->Type() == ColumnType::Memo || it->Type() == ColumnType::Ole || !it->Readable())
      Refuse("The field '" + it->name + "' (" + KindDescription(*it) + ") cannot be indexed.");
    for (const auto& [number, ascending] : index.real.columns)
      if (number == it->number) Refuse("The index names the field '" + it->name + "' twice.");
    index.real.columns.emplace_back(it->number, ic.ascending);
    generated += (generated.empty() ? "" : "_") + it->name;
  }
  index.real.flags = kIndexNewStyle;
  if (declared.unique || declared.primaryKey) index.real.flags |= kIndexUnique;
  if (declared.ignoreNull) index.real.flags |= kIndexIgnoreNulls;
  if (declared.disallowNull || declared.primaryKey) index.real.flags |= kIndexRequired;
  if (declared.primaryKey) index.logical.kind = kPrimaryKeyIndex;
  index.logical.name = !declared.name.empty() ? declared.name : declared.primaryKey ? "PrimaryKey" : generated;
  return index;
}

namespace {

std::vector<NewIndex> LayOutIndexes(const sql::CreateTable& create, const std::vector<Column>& columns) {
  std::vector<NewIndex> indexes;
  if (create.indexes.size() > kMaxTableIndexes) Refuse("Too many indexes on table '" + create.table + "'.");
  for (const sql::DeclaredIndex& declared : create.indexes) {
    NewIndex index = LayOutIndex(declared, columns, create.table);
    if (declared.primaryKey)
      for (const NewIndex& other : indexes)
        if (other.logical.kind == kPrimaryKeyIndex) Refuse("Primary key already exists.", kPrimaryKeyExistsJet);
    indexes.push_back(index);
  }
  // An unnamed index whose name another has already is numbered, as Access numbers them.
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    auto taken = [&](const std::string& name) {
      for (std::size_t j = 0; j < indexes.size(); ++j)
        if (j != i && SameName(indexes[j].logical.name, name)) return true;
      return false;
    };
    if (!taken(indexes[i].logical.name)) continue;
    if (!create.indexes[i].name.empty()) Refuse("Index '" + indexes[i].logical.name + "' already exists.");
    std::string base = indexes[i].logical.name;
    for (int n = 1; taken(indexes[i].logical.name); ++n) indexes[i].logical.name = base + std::to_string(n);
  }
  for (const NewIndex& index : indexes)
    if (auto why = sql::InvalidNameReason(index.logical.name)) Refuse(*why);
  return indexes;
}

// NOT NULL is kept as the Required property, which Jet checks on every row.
std::vector<std::uint8_t> PropertiesOf(const sql::CreateTable& create) {
  std::vector<NamedColumnRules> rules;
  for (const sql::DeclaredColumn& declared : create.columns) {
    NamedColumnRules r{declared.name, {}};
    r.rules.required = declared.notNull;
    rules.push_back(r);
  }
  return ColumnRulesBlob(rules);
}

}  // namespace

void PlantIndexRoot(Pager& pager, std::uint32_t tdefPage, RealIndex& index) {
  index.rootPage = pager.Allocate();
  index::IndexPage root;
  root.tdefPage = tdefPage;
  index::SerializeIndexPage(root, pager.Write(index.rootPage));
  AddToMap(pager, index.usageMap, index.rootPage);
}

std::uint32_t WriteNewTable(Pager& pager, const std::vector<Column>& columns, std::vector<RealIndex> realIndexes,
                            std::vector<LogicalIndex> logicalIndexes) {
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
  DefinitionLayout layout;
  layout.columns = columns;
  layout.owned = addMap();
  layout.freeSpace = addMap();
  for (const Column& c : columns) {
    if (c.Type() != ColumnType::Memo && c.Type() != ColumnType::Ole) continue;
    LongValueMaps m{c.number, addMap(), {}};
    m.freeSpace = addMap();
    layout.longValueMaps.push_back(m);
  }
  for (RealIndex& index : realIndexes) {
    index.usageMap = addMap();
    PlantIndexRoot(pager, tdefPage, index);
  }
  layout.realIndexes = std::move(realIndexes);
  layout.logicalIndexes = std::move(logicalIndexes);
  std::vector<std::uint8_t> block = BuildDefinition(layout);
  std::vector<std::uint32_t> pages{tdefPage};
  while (pages.size() < DefinitionPageCount(block.size())) pages.push_back(pager.Allocate());
  for (std::size_t i = 0; i < pages.size(); ++i)
    WriteDefinitionPage(block, i, i + 1 < pages.size() ? pages[i + 1] : 0, pager.Write(pages[i]));
  return tdefPage;
}

void CreateTable(Connection& c, const sql::CreateTable& create) {
  if (auto why = sql::InvalidNameReason(create.table)) throw Error(kStatementFailed, *why);
  std::vector<Column> columns = LayOutColumns(create, c.header.sortOrder, c.header.sortVersion);
  std::vector<NewIndex> indexes = LayOutIndexes(create, columns);
  std::vector<RealIndex> real;
  std::vector<LogicalIndex> logical;
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    real.push_back(indexes[i].real);
    indexes[i].logical.number = indexes[i].logical.realIndex = static_cast<std::uint32_t>(i);
    logical.push_back(indexes[i].logical);
  }
  // Logical indexes in the order of their names, as Access lists them.
  std::sort(logical.begin(), logical.end(),
            [](const LogicalIndex& a, const LogicalIndex& b) { return FoldName(a.name) < FoldName(b.name); });
  WriteStatement statement(c);
  CatalogueWriter catalogue(statement.Pages(), statement.Space());
  catalogue.CheckNewName(create.table);
  std::uint32_t tdefPage = WriteNewTable(statement.Pages(), columns, std::move(real), std::move(logical));
  catalogue.AddTable(create.table, tdefPage, PropertiesOf(create));
  statement.Finish();
}

}  // namespace jet
