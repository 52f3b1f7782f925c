// Keeping one index of a table exact as its rows come and go. The tree is
// the index layer's (jet/index/index_tree.h); what the writer adds is the
// key of a row from its values, the pages a change takes into or gives out
// of the tree entered in the index's usage map and the global map, and the
// unique-entry count of the definition (offset 4 of the index's 12-byte
// block after the first 63 bytes), which grows with every key not seen
// before and never shrinks.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "jet/index/index_key.h"
#include "jet/index/index_tree.h"
#include "jet/pager.h"
#include "jet/tdef.h"
#include "jet/value.h"
#include "jet/write/index_page_store.h"
#include "jet/write/page_space.h"

namespace jet {

class IndexWriter {
 public:
  IndexWriter(Pager& pager, PageSpace& space, const TableDef& def, std::size_t realIndex);

  // The key of a row whose values (one per definition column) are `values`;
  // throws jet::Error (kStatementFailed) for a value the sort order lacks.
  index::KeyBytes KeyOf(const std::vector<Value>& values) const;

  // The row of the first entry with exactly this key.
  std::optional<RowPointer> Find(const index::KeyBytes& key);

  // Adds the entry, counting a key not seen before.
  void Insert(const index::KeyBytes& key, RowPointer row);
  // Removes the entry; false when it was not there (an interrupted earlier
  // statement may have left a row without its entries).
  bool Remove(const index::KeyBytes& key, RowPointer row);

 private:
  void Account(const index::IndexChange& change);
  void BumpUniqueCount();

  Pager& pager_;
  PageSpace& space_;
  PagerIndexStore store_;
  const TableDef& def_;
  std::size_t realIndex_;
  std::uint32_t root_;
  std::vector<index::KeyColumn> keyColumns_;
  std::vector<std::size_t> valueIndexes_;  // definition column of each key column
};

// A row value as the index layer takes it.
index::KeyValue ToKeyValue(const Value& value);

}  // namespace jet
