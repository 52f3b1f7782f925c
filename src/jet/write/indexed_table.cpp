#include "jet/write/indexed_table.h"

#include <algorithm>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/row_codec.h"
#include "jet/long_value.h"
#include "jet/table.h"
#include "jet/write/row_edit.h"

namespace jet {

IndexedTable::IndexedTable(Pager& pager, PageSpace& space, std::uint32_t tdefPage)
    : pager_(pager), space_(space), def_(ReadTableDef(pager, tdefPage)), rows_(pager, def_), indexes_(pager, def_) {}

std::size_t IndexedTable::ColumnIndex(const std::string& name) const {
  for (std::size_t i = 0; i < def_.columns.size(); ++i)
    if (def_.columns[i].name == name) return i;
  ThrowDamaged("the system table on page " + std::to_string(def_.page) + " has no column " + name);
}

std::optional<StoredRow> IndexedTable::RowAt(RowPointer where) {
  if (where.page >= pager_.PageCount()) return std::nullopt;
  PageRef bytes = pager_.Read(where.page);
  DataPage page(*bytes, pager_.Format());
  if (!page.IsData() || page.Owner() != def_.page || where.row >= page.SlotCount() || page.IsDeleted(where.row))
    return std::nullopt;
  PageRef target;
  ByteSpan row = LiveRowBytes(pager_, def_.page, page, where.row, target);
  StoredRow stored{where, {}};
  RowDecoder(pager_, def_).Decode(row, stored.values);
  return stored;
}

std::vector<StoredRow> IndexedTable::Rows() {
  std::vector<StoredRow> rows;
  ForEachDataPage(pager_, def_, [&](std::uint32_t p, const PageRef&, const DataPage& page) {
    for (std::size_t i = 0; i < page.SlotCount(); ++i) {
      if (page.IsDeleted(i)) continue;
      if (auto row = RowAt({p, static_cast<std::uint8_t>(i)})) rows.push_back(std::move(*row));
    }
  });
  return rows;
}

bool IndexedTable::TakenByUniqueIndex(const std::vector<Value>& values) {
  for (std::size_t i = 0; i < def_.realIndexes.size(); ++i)
    if (indexes_.Writers()[i].Rules().unique && FindByKey(i, values)) return true;
  return false;
}

std::optional<RowPointer> IndexedTable::FindByKey(std::size_t realIndex, const std::vector<Value>& values) {
  IndexWriter& index = indexes_.Writers().at(realIndex);
  RowKey key;
  index.KeyOf(values, key);
  return index.Find(key.bytes);
}

RowPointer IndexedTable::Insert(const std::vector<Value>& values) {
  // Keys first: a value the sort order cannot key refuses the row untouched.
  TableIndexes::Keys keys;
  indexes_.KeysOf(values, keys);
  return Insert(EncodeRow(def_, values, rows_.LongValues()), keys);
}

RowPointer IndexedTable::Insert(ByteSpan bytes, const std::vector<Value>& values) {
  TableIndexes::Keys keys;
  indexes_.KeysOf(values, keys);
  return Insert(bytes, keys);
}

RowPointer IndexedTable::Insert(ByteSpan bytes, const TableIndexes::Keys& keys) {
  RowPointer where = rows_.Insert(bytes);
  indexes_.Add(keys, where, space_);
  return where;
}

void IndexedTable::Delete(const StoredRow& row) {
  rows_.Delete(row.where);
  TableIndexes::Keys keys;
  indexes_.KeysOf(row.values, keys);
  indexes_.Remove(keys, row.where, space_);
}

std::vector<std::uint8_t> IndexedTable::StoredBytes(RowPointer where) {
  if (!pager_.Exists(where.page)) return {};
  PageRef bytes = pager_.Read(where.page);
  DataPage page(*bytes, pager_.Format());
  if (!page.HoldsRowOf(def_.page, where.row)) return {};
  ByteSpan row = page.Row(where.row);
  return {row.begin(), row.end()};
}

bool IndexedTable::Rewrite(const StoredRow& row, ByteSpan bytes, const std::vector<Value>& values) {
  TableIndexes::Keys before, after;
  indexes_.KeysOf(row.values, before);
  indexes_.KeysOf(values, after);
  // Checked on a copy first: a page without room is left untouched.
  PageBytes page = *pager_.Read(row.where.page);
  if (!DataPageWriter(page.data()).Replace(row.where.row, bytes)) return false;
  std::copy(page.begin(), page.end(), pager_.Write(row.where.page));
  for (std::size_t i = 0; i < def_.realIndexes.size(); ++i) {
    if (before[i].bytes == after[i].bytes && before[i].listed == after[i].listed) continue;
    IndexWriter& index = indexes_.Writers()[i];
    if (before[i].listed) index.Remove(before[i].bytes, row.where, space_);
    if (after[i].listed) index.Insert(after[i].bytes, row.where, space_);
  }
  return true;
}

void IndexedTable::FreeLongValues(ByteSpan row) {
  for (ByteSpan reference : LongValueReferences(def_, row)) rows_.FreeLongValue(reference, space_);
}

}  // namespace jet
