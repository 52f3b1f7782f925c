// Keeping one index of a table exact as rows come and go: a B-tree of index
// pages whose root never moves (the definition points at it). Leaves hold
// the entries in order and are chained by their previous/next fields; a node
// holds, per child but the last, an entry carrying that child's largest
// entry and the child's page, and points to its last child with its tail
// field. A full page splits in two: its lower half moves to a new page put
// before it, and the parent gains an entry for that page; a full root moves
// its entries into two new children and becomes a node over them. A page
// left empty by a delete leaves the tree. New pages join the index's usage
// map; pages that leave it go back to the free pool.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "jet/index/index_key.h"
#include "jet/index/index_page.h"
#include "jet/pager.h"
#include "jet/tdef.h"
#include "jet/value.h"
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

  // Adds the entry; counts a key not seen before in the definition's
  // unique-entry count.
  void Insert(const index::KeyBytes& key, RowPointer row);
  // Removes the entry; false when it was not there.
  bool Remove(const index::KeyBytes& key, RowPointer row);

 private:
  struct Step {
    std::uint32_t page;
    index::IndexPage contents;
    std::size_t child;  // entry followed; entries.size() for the tail
  };
  std::vector<Step> Descend(const index::IndexEntry& target);
  index::IndexPage Load(std::uint32_t page);
  void Store(std::uint32_t page, index::IndexPage contents);
  void InsertIntoPath(std::vector<Step>& path, std::size_t level, index::IndexEntry entry);
  void Split(std::vector<Step>& path, std::size_t level);
  void RemoveFromPath(std::vector<Step>& path, std::size_t level);
  void RefreshSeparators(std::vector<Step>& path, std::size_t level);
  std::uint32_t NewPage();
  void BumpUniqueCount();

  Pager& pager_;
  PageSpace& space_;
  const TableDef& def_;
  std::size_t realIndex_;
  std::vector<index::KeyColumn> keyColumns_;
  std::vector<std::size_t> valueIndexes_;  // definition column of each key column
};

// A row value as the index layer takes it.
index::KeyValue ToKeyValue(const Value& value);

// Converts the index layer's errors into the engine's.
[[noreturn]] void RethrowIndexError();

}  // namespace jet
