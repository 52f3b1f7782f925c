// Rows going into and out of a table's data pages, as Access places them:
// a new row goes to the last page of the table's free-space map when it fits
// there (at most 255 rows a page), otherwise to a new data page that joins
// both of the table's maps while the full one leaves the free-space map. The
// row count at offset 16 of the first definition page follows every change.
// Memo values too long for the row go to LVAL pages (data pages whose owner
// field reads "LVAL"), tracked by the column's own pair of maps: up to 4076
// bytes as one row, longer ones as a chain of rows that each start with a
// pointer to the next (0 ends it).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "jet/bytes.h"
#include "jet/pager.h"
#include "jet/row_codec.h"
#include "jet/tdef.h"
#include "jet/write/page_space.h"
#include "jet/write/table_layout.h"

namespace jet {

class TableRows {
 public:
  TableRows(Pager& pager, const TableDef& def);

  // Stores the row and counts it; throws kStatementFailed for a row over
  // Jet's size limit.
  RowPointer Insert(ByteSpan row);
  // Deletes the row, uncounts it, and lists its page in the free-space map.
  void Delete(RowPointer where);
  // Deletes the LVAL rows of the memo or OLE value `reference` stands for;
  // pages left without rows go to `space`. Throws jet::Error, before any
  // change, when the value's rows cannot all be found.
  void FreeLongValue(ByteSpan reference, PageSpace& space);
  // Long-value storage for EncodeRow.
  LongValueStore LongValues();

  // Row count in the definition.
  void AddToRowCount(int delta);

 private:
  // A page of the map with room for the row: its last, else one of the few
  // before it; none takes the last page out of the map.
  std::optional<std::uint32_t> PageWithRoom(RowPointer freeSpaceMap, std::uint32_t owner, std::size_t rowLength);
  std::vector<std::uint8_t> StoreLongValue(const Column& column, ByteSpan data);
  RowPointer AddLongValueRow(const std::optional<LongValueMaps>& maps, ByteSpan row, bool reuse);

  Pager& pager_;
  const TableDef& def_;
  std::vector<LongValueMaps> longValueMaps_;
};

// The memo/OLE column maps listed at the end of a definition.
std::vector<LongValueMaps> ReadLongValueMaps(const TableDef& def);

}  // namespace jet
