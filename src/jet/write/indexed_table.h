// A table changed together with every index on it: the system tables of the
// catalogue (MSysObjects, MSysACEs, MSysRelationships). Rows are found by
// scanning the table's data pages; an overflow row is reached through its
// original slot, which is also what index entries point to.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "jet/pager.h"
#include "jet/tdef.h"
#include "jet/value.h"
#include "jet/write/table_indexes.h"
#include "jet/write/page_space.h"
#include "jet/write/table_rows.h"

namespace jet {

struct StoredRow {
  RowPointer where;
  std::vector<Value> values;  // one per definition column
};

class IndexedTable {
 public:
  IndexedTable(Pager& pager, PageSpace& space, std::uint32_t tdefPage);

  const TableDef& Definition() const { return def_; }
  // Place of the named column in Definition().columns; throws when missing.
  std::size_t ColumnIndex(const std::string& name) const;

  // Every live row, in page order.
  std::vector<StoredRow> Rows();
  // The row an index entry points to, decoded; nullopt when it is gone.
  std::optional<StoredRow> RowAt(RowPointer where);

  // Whether a unique index already holds the key these values would get.
  bool TakenByUniqueIndex(const std::vector<Value>& values);
  // The row an entry of index `realIndex` with exactly this row's key points
  // to, if any.
  std::optional<RowPointer> FindByKey(std::size_t realIndex, const std::vector<Value>& values);

  RowPointer Insert(const std::vector<Value>& values);
  // Inserts a row already encoded as `bytes`, indexed by its `values`.
  RowPointer Insert(ByteSpan bytes, const std::vector<Value>& values);
  RowPointer Insert(ByteSpan bytes, const TableIndexes::Keys& keys);
  void Delete(const StoredRow& row);

  // The stored bytes of a live row that lies in its own slot (no overflow
  // pointer); empty otherwise.
  std::vector<std::uint8_t> StoredBytes(RowPointer where);
  // Puts `bytes` in the place of `row`, keeping its slot, and moves the index
  // entries whose keys change to `values`; false, with nothing changed, when
  // the page has no room for the new bytes.
  bool Rewrite(const StoredRow& row, ByteSpan bytes, const std::vector<Value>& values);
  // Frees the long-value rows a row's memo and OLE values point to.
  void FreeLongValues(ByteSpan row);

 private:
  Pager& pager_;
  PageSpace& space_;
  TableDef def_;
  TableRows rows_;
  TableIndexes indexes_;
};

}  // namespace jet
