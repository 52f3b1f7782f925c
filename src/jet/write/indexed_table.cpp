#include "jet/write/indexed_table.h"

#include <algorithm>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/row_codec.h"
#include "jet/long_value.h"
#include "jet/table.h"
#include "jet/write/row_edit.h"

namespace jet {
namespace {

constexpr std::uint8_t kUniqueIndex = 0x01;

}  // namespace

IndexedTable::IndexedTable(Pager& pager, PageSpace& space, std::uint32_t tdefPage)
    : pager_(pager), space_(space), def_(ReadTableDef(pager, tdefPage)), rows_(pager, def_) {}

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
  for (std::uint32_t p : TablePages(pager_, def_)) {
    PageRef bytes = pager_.Read(p);
    DataPage page(*bytes, pager_.Format());
    for (std::size_t i = 0; i < page.SlotCount(); ++i) {
      if (page.IsDeleted(i)) continue;
      if (auto row = RowAt({p, static_cast<std::uint8_t>(i)})) rows.push_back(std::move(*row));
    }
  }
  return rows;
}

bool IndexedTable::TakenByUniqueIndex(const std::vector<Value>& values) {
  for (std::size_t i = 0; i < def_.realIndexes.size(); ++i) {
    if (!(def_.realIndexes[i].flags & kUniqueIndex)) continue;
    IndexWriter index(pager_, space_, def_, i);
    if (index.Find(index.KeyOf(values))) return true;
  }
  return false;
}

std::optional<RowPointer> IndexedTable::FindByKey(std::size_t realIndex, const std::vector<Value>& values) {
  IndexWriter index(pager_, space_, def_, realIndex);
  return index.Find(index.KeyOf(values));
}

RowPointer IndexedTable::Insert(const std::vector<Value>& values) {
  // Keys first: a value the sort order cannot key refuses the row untouched.
  for (std::size_t i = 0; i < def_.realIndexes.size(); ++i) IndexWriter(pager_, space_, def_, i).KeyOf(values);
  return Insert(EncodeRow(def_, values, rows_.LongValues()), values);
}

RowPointer IndexedTable::Insert(ByteSpan bytes, const std::vector<Value>& values) {
  std::vector<index::KeyBytes> keys;
  for (std::size_t i = 0; i < def_.realIndexes.size(); ++i)
    keys.push_back(IndexWriter(pager_, space_, def_, i).KeyOf(values));
  RowPointer where = rows_.Insert(bytes);
  for (std::size_t i = 0; i < def_.realIndexes.size(); ++i) IndexWriter(pager_, space_, def_, i).Insert(keys[i], where);
  return where;
}

void IndexedTable::Delete(const StoredRow& row) {
  rows_.Delete(row.where);
  for (std::size_t i = 0; i < def_.realIndexes.size(); ++i) {
    IndexWriter index(pager_, space_, def_, i);
    index.Remove(index.KeyOf(row.values), row.where);
  }
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
  std::vector<index::KeyBytes> before, after;
  for (std::size_t i = 0; i < def_.realIndexes.size(); ++i) {
    IndexWriter index(pager_, space_, def_, i);
    before.push_back(index.KeyOf(row.values));
    after.push_back(index.KeyOf(values));
  }
  // Checked on a copy first: a page without room is left untouched.
  PageBytes page = *pager_.Read(row.where.page);
  if (!DataPageWriter(page.data()).Replace(row.where.row, bytes)) return false;
  std::copy(page.begin(), page.end(), pager_.Write(row.where.page));
  for (std::size_t i = 0; i < def_.realIndexes.size(); ++i) {
    if (before[i] == after[i]) continue;
    IndexWriter index(pager_, space_, def_, i);
    index.Remove(before[i], row.where);
    index.Insert(after[i], row.where);
  }
  return true;
}

void IndexedTable::FreeLongValues(ByteSpan row) {
  for (ByteSpan reference : LongValueReferences(def_, row)) rows_.FreeLongValue(reference, space_);
}

}  // namespace jet
