#include "jet/write/index_statements.h"

#include <algorithm>

#include "jet/complex_columns.h"
#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/names.h"
#include "jet/row_codec.h"
#include "jet/sql/names.h"
#include "jet/table.h"
#include "jet/write/catalogue_writer.h"
#include "jet/write/index_writer.h"
#include "jet/write/new_table.h"
#include "jet/write/table_indexes.h"
#include "jet/write/table_layout.h"
#include "jet/write/table_map.h"
#include "jet/write/write_statement.h"

namespace jet {
namespace {

// Numbers and words as Microsoft's list of Access database engine errors
// gives them; a table takes at most 32 indexes.
constexpr int kIndexNameTakenJet = 3375;
constexpr int kTooManyIndexesJet = 3626;

[[noreturn]] void Refuse(const std::string& why, int jetNumber = 0) { throw Error(kStatementFailed, why, jetNumber); }

CatalogueTable FindUserTable(CatalogueWriter& catalogue, const std::string& name) {
  std::optional<CatalogueTable> table = catalogue.Find(name);
  if (!table) ThrowNoSuchTable(name);
  if (!table->IsLocal())
    Refuse("Cannot change the indexes of the linked table '" + table->name + "'; it lives in another database.");
  if (table->IsSystem()) Refuse("Cannot change the indexes of the system table '" + table->name + "'.");
  return *table;
}

std::uint32_t DefinitionPageOf(const CatalogueTable& table) { return static_cast<std::uint32_t>(table.id) & kIdPageMask; }

// The definition block as stored, without what its last page holds beyond it.
std::vector<std::uint8_t> BlockOf(const TableDef& def, const DefinitionParts& parts) {
  return {def.bytes.begin(), def.bytes.begin() + static_cast<std::ptrdiff_t>(parts.end)};
}

// Where the name of logical index `i` (in block order) begins.
std::size_t LogicalNameAt(ByteSpan block, const DefinitionParts& parts, std::size_t i) {
  std::size_t at = parts.logicalNames;
  for (std::size_t k = 0; k < i; ++k) at += 2 + U16(block, at);
  return at;
}

void Insert(std::vector<std::uint8_t>& block, std::size_t at, const std::vector<std::uint8_t>& bytes) {
  block.insert(block.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
}
void Erase(std::vector<std::uint8_t>& block, std::size_t at, std::size_t length) {
  block.erase(block.begin() + static_cast<std::ptrdiff_t>(at), block.begin() + static_cast<std::ptrdiff_t>(at + length));
}

// Writes `block` over the definition's pages, taking or giving back pages as
// its length needs; the counts and length fields are set here.
void WriteDefinition(Pager& pager, PageSpace& space, const TableDef& def, std::vector<std::uint8_t>& block,
                     std::size_t logicalCount, std::size_t realCount) {
  const Format& f = pager.Format();
  PutU32(&block[f.tdefLogicalIndexCountAt], static_cast<std::uint32_t>(logicalCount));
  PutU32(&block[f.tdefRealIndexCountAt], static_cast<std::uint32_t>(realCount));
  PutU32(&block[8], static_cast<std::uint32_t>(block.size()));
  std::vector<std::uint32_t> pages = def.pages;
  const std::size_t needed = DefinitionPageCount(block.size());
  while (pages.size() < needed) pages.push_back(pager.Allocate());
  for (; pages.size() > needed; pages.pop_back()) space.Release(pages.back());
  for (std::size_t i = 0; i < pages.size(); ++i)
    WriteDefinitionPage(block, i, i + 1 < pages.size() ? pages[i + 1] : 0, pager.Write(pages[i]));
}

// A new empty usage map, beside the table's own maps when their page has room.
RowPointer AddMapRow(Pager& pager, const TableDef& def) {
  const std::vector<std::uint8_t> map = EmptyTableMap();
  std::uint32_t page = def.ownedPages.page;
  DataPage holder(*pager.Read(page), pager.Format());
  if (!holder.IsData() || holder.Owner() != 0 || !holder.HasRoomFor(map.size())) {
    page = pager.Allocate();
    DataPageWriter(pager.Write(page)).Init(0);
  }
  const std::size_t slot = DataPageWriter(pager.Write(page)).AddRow(map);
  return {page, static_cast<std::uint8_t>(slot)};
}

struct KeyedRow {
  index::IndexEntry entry;
  bool allNull = false;
};

// The entries index `realIndex` of `def` takes for the table's rows, in
// index order; throws for a Null the index refuses (Jet 3058) and for a key
// a unique index would hold twice (Jet 3022).
std::vector<KeyedRow> EntriesOfRows(Pager& pager, const TableDef& def, std::size_t realIndex) {
  IndexWriter writer(pager, def, realIndex);
  std::vector<KeyedRow> rows;
  std::optional<RowDecoder> decoder;
  std::vector<Value> values;
  RowKey key;
  ForEachDataPage(pager, def, [&](std::uint32_t p, const PageRef&, const DataPage& page) {
    for (std::size_t slot = 0; slot < page.SlotCount(); ++slot) {
      if (page.IsDeleted(slot)) continue;
      if (!decoder) decoder.emplace(pager, def);
      PageRef target;
      decoder->Decode(LiveRowBytes(pager, def.page, page, slot, target), values);
      writer.KeyOf(values, key);
      if (key.listed) rows.push_back({{key.bytes, {p, static_cast<std::uint8_t>(slot)}, 0}, key.allNull});
    }
  });
  std::sort(rows.begin(), rows.end(), [](const KeyedRow& a, const KeyedRow& b) { return a.entry < b.entry; });
  if (writer.Rules().unique)
    for (std::size_t i = 1; i < rows.size(); ++i)
      if (!rows[i].allNull && rows[i].entry.key == rows[i - 1].entry.key)
        ThrowDuplicateKey("The rows of the table hold a key twice for the index '" + writer.Rules().name + "'.");
  return rows;
}

std::optional<std::size_t> FindLogical(const TableDef& def, const std::string& name) {
  for (std::size_t i = 0; i < def.logicalIndexes.size(); ++i)
    if (SameName(def.logicalIndexes[i].name, name)) return i;
  return std::nullopt;
}

}  // namespace

void CreateIndex(Connection& c, const sql::CreateIndex& create) {
  WriteStatement statement(c);
  Pager& pager = statement.Pages();
  CatalogueWriter catalogue(pager, statement.Space());
  const CatalogueTable table = FindUserTable(catalogue, create.table);
  TableDef def = ReadTableDef(pager, DefinitionPageOf(table));
  NameComplexKinds(pager, def);
  if (auto why = sql::InvalidNameReason(create.index.name)) Refuse(*why);
  if (FindLogical(def, create.index.name))
    Refuse("Table '" + table.name + "' already has an index named '" + create.index.name + "'.", kIndexNameTakenJet);
  if (def.logicalIndexes.size() >= kMaxTableIndexes)
    Refuse("The operation failed. There are too many indexes on table '" + table.name +
               "'. Delete some of the indexes on the table and try the operation again.",
           kTooManyIndexesJet);
  NewIndex index = LayOutIndex(create.index, def.columns, table.name);
  if (index.logical.kind == kPrimaryKeyIndex)
    for (const LogicalIndex& other : def.logicalIndexes)
      if (other.kind == kPrimaryKeyIndex) Refuse("Primary key already exists.", kPrimaryKeyExistsJet);

  const std::size_t realCount = def.realIndexes.size();
  auto same = std::find_if(def.realIndexes.begin(), def.realIndexes.end(), [&](const RealIndex& r) {
    return r.columns == index.real.columns && r.flags == index.real.flags;
  });
  const bool shared = same != def.realIndexes.end();
  index.logical.realIndex = static_cast<std::uint32_t>(shared ? same - def.realIndexes.begin() : realCount);
  // Access leaves gaps in these numbers where indexes were deleted.
  for (const LogicalIndex& other : def.logicalIndexes)
    index.logical.number = std::max(index.logical.number, other.number + 1);

  // Every row's key, checked, before the first write.
  std::vector<KeyedRow> rows;
  if (!shared) {
    TableDef planned = def;
    planned.realIndexes.push_back(index.real);
    planned.logicalIndexes.push_back(index.logical);
    rows = EntriesOfRows(pager, planned, realCount);
    index.real.usageMap = AddMapRow(pager, def);
    PlantIndexRoot(pager, def.page, index.real);
  }

  // The block edited from its end backwards, so that each offset still holds.
  const DefinitionParts parts = FindDefinitionParts(def);
  std::vector<std::uint8_t> block = BlockOf(def, parts);
  const std::u16string folded = FoldName(index.logical.name);
  std::size_t place = 0;  // among the logical indexes, by name
  while (place < def.logicalIndexes.size() && FoldName(def.logicalIndexes[place].name) < folded) ++place;
  Insert(block, LogicalNameAt(block, parts, place), NameBlock(index.logical.name));
  Insert(block, parts.logicalIndexes + pager.Format().logicalIndexBlock * place, LogicalIndexBlock(index.logical));
  if (!shared) {
    Insert(block, parts.logicalIndexes, RealIndexBlock(index.real));
    Insert(block, parts.counts + pager.Format().realIndexCountBlock * realCount, RealIndexCountBlock(index.real));
  }
  WriteDefinition(pager, statement.Space(), def, block, def.logicalIndexes.size() + 1, realCount + (shared ? 0 : 1));

  if (!shared) {
    const TableDef now = ReadTableDef(pager, def.page);
    IndexWriter writer(pager, now, realCount);
    for (const KeyedRow& row : rows) writer.Insert(row.entry.key, row.entry.row, statement.Space());
  }
  statement.Finish();
}

void DropIndex(Connection& c, const sql::DropIndex& drop) {
  WriteStatement statement(c);
  Pager& pager = statement.Pages();
  const Format& f = pager.Format();
  CatalogueWriter catalogue(pager, statement.Space());
  const CatalogueTable table = FindUserTable(catalogue, drop.table);
  const TableDef def = ReadTableDef(pager, DefinitionPageOf(table));
  const std::optional<std::size_t> found = FindLogical(def, drop.index);
  if (!found) throw Error(kObjectNotFound, "Table '" + table.name + "' has no index named '" + drop.index + "'.");
  const LogicalIndex gone = def.logicalIndexes[*found];
  const std::size_t real = gone.realIndex;
  if (real >= def.realIndexes.size()) ThrowDamaged("a logical index of a real index the table does not have");
  // A relationship keeps a foreign key here, or names a unique index of this
  // table as the key it refers to.
  const bool unique = RulesOfIndex(def, real).unique || gone.kind == kPrimaryKeyIndex;
  if (gone.kind == kForeignKeyIndex || (unique && catalogue.InRelationship(table.name)))
    Refuse("Cannot delete the index '" + gone.name + "' of table '" + table.name +
           "': a relationship uses it. Delete the relationship first.");
  const bool realGoes = std::count_if(def.logicalIndexes.begin(), def.logicalIndexes.end(),
                                      [&](const LogicalIndex& l) { return l.realIndex == real; }) == 1;

  // The pages the real index leaves behind, each checked to be one of its own.
  std::vector<std::uint32_t> freed;
  const RealIndex& realIndex = def.realIndexes[real];
  if (realGoes) {
    for (std::uint32_t p : MapPages(pager, realIndex.usageMap)) {
      if (!MayList(pager, MapKind::Index, def.page, p))
        ThrowDamaged("the map of an index lists page " + std::to_string(p) + ", which is not the index's");
      freed.push_back(p);
    }
    for (std::uint32_t p : MapBitmapPages(pager, realIndex.usageMap)) freed.push_back(p);
  }

  const DefinitionParts parts = FindDefinitionParts(def);
  std::vector<std::uint8_t> block = BlockOf(def, parts);
  // Real indexes after the removed one move down a place; logical numbers
  // stay as they are, gaps and all, as Access leaves them.
  for (std::size_t i = 0; realGoes && i < def.logicalIndexes.size(); ++i)
    if (def.logicalIndexes[i].realIndex > real)
      PutU32(&block[parts.logicalIndexes + f.logicalIndexBlock * i + f.logicalIndexRealIndexAt],
             def.logicalIndexes[i].realIndex - 1);
  const std::size_t nameAt = LogicalNameAt(block, parts, *found);
  Erase(block, nameAt, 2 + U16(block, nameAt));
  Erase(block, parts.logicalIndexes + f.logicalIndexBlock * *found, f.logicalIndexBlock);
  if (realGoes) {
    Erase(block, parts.realIndexes + f.realIndexBlock * real, f.realIndexBlock);
    Erase(block, parts.counts + f.realIndexCountBlock * real, f.realIndexCountBlock);
  }
  WriteDefinition(pager, statement.Space(), def, block, def.logicalIndexes.size() - 1,
                  def.realIndexes.size() - (realGoes ? 1 : 0));

  if (realGoes) {
    const RowPointer map = realIndex.usageMap;
    DataPageWriter(pager.Write(map.page)).Remove(map.row);
    DataPage holder(*pager.Read(map.page), f);
    bool empty = true;
    for (std::size_t i = 0; empty && i < holder.SlotCount(); ++i) empty = holder.IsDeleted(i);
    if (empty) freed.push_back(map.page);
    for (std::uint32_t p : freed) statement.Space().Release(p);
  }
  statement.Finish();
}

}  // namespace jet
