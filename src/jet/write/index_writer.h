// Keeping one index of a table exact as its rows come and go. The tree is
// the index layer's (jet/index/index_tree.h); what the writer adds is the
// key of a row from its values (each text column in its own sort order), the
// pages a change takes into or gives out of the tree entered in the index's
// usage map and the global map, and the unique-entry count of the definition
// (offset 4 of the index's 12-byte block after the first 63 bytes), which
// grows with every key not seen before and never shrinks. Index flags (the
// byte at 46 of the index's 52-byte block): 0x01 unique, 0x02 Nulls ignored,
// 0x08 Null refused; a primary key (a logical index of kind 1 on it) is
// unique and refuses Null whatever its flags say.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/index/index_key.h"
#include "jet/index/index_tree.h"
#include "jet/pager.h"
#include "jet/tdef.h"
#include "jet/value.h"
#include "jet/write/index_page_store.h"
#include "jet/write/key_filter.h"
#include "jet/write/page_space.h"

namespace jet {

inline constexpr std::uint8_t kIndexUnique = 0x01;
inline constexpr std::uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr std::uint8_t kIndexRequired = 0x08;

// What Jet enforces through one real index.
struct IndexRules {
  bool unique = false;
  bool ignoreNulls = false;
  bool required = false;
  std::string name;  // the logical names of the index, for messages
};
IndexRules RulesOfIndex(const TableDef& def, std::size_t realIndex);

// The key columns of one real index and the definition column of each.
// Throws jet::Error (kStatementFailed) for a column of a type or text sort
// order whose keys are not known here.
struct IndexColumns {
  std::vector<index::KeyColumn> keys;
  std::vector<std::size_t> values;
};
IndexColumns ColumnsOfIndex(const TableDef& def, std::size_t realIndex);

// A row's key for one index: `listed` false when the index leaves the row out.
struct RowKey {
  bool listed = true;
  bool allNull = false;  // every key column Null: such keys may repeat in a unique index
  index::KeyBytes bytes;
};

class IndexWriter {
 public:
  // Throws jet::Error (kStatementFailed) when the index cannot be kept: a key
  // column of a type or text sort order whose keys are not known here.
  IndexWriter(Pager& pager, const TableDef& def, std::size_t realIndex);

  const IndexRules& Rules() const { return rules_; }

  // The key of a row whose values (one per definition column) are `values`.
  // Throws jet::Error: for a Null where the index refuses one (Jet 3058), for
  // a value the sort order lacks (kStatementFailed).
  void KeyOf(const std::vector<Value>& values, RowKey& key) const;

  // The row of the first entry with exactly this key.
  std::optional<RowPointer> Find(const index::KeyBytes& key);

  // Whether an entry has exactly this key, searched as inserts search.
  bool HoldsKey(const index::KeyBytes& key);

  // A unique index's filter of keys for the open batch (see key_filter.h):
  // every key of its tree and every key held back for it while the batch
  // lasts. Made when the batch first holds a row back and the tree is
  // small, or once the batch has entered at least half the tree's keys, so
  // that reading every key costs no more than the searches it saves.
  void PrepareFilter();
  // False when the filter tells that the key is neither in the tree nor
  // held back; true when it may be, or when there is no filter.
  bool MayHoldKey(const index::KeyBytes& key) const;
  // A key now in the tree or held back for it.
  void NoteKey(const index::KeyBytes& key);

  // Adds the entry, counting a key not seen before; returns whether another
  // entry had the key already.
  bool Insert(const index::KeyBytes& key, RowPointer row, PageSpace& space);
  // Adds entries sorted by key, then row, none of them there yet, counting
  // the keys not seen before.
  void InsertSorted(std::span<const index::IndexEntry> entries, PageSpace& space);
  // Removes the entry; false when it was not there (an interrupted earlier
  // statement may have left a row without its entries).
  bool Remove(const index::KeyBytes& key, RowPointer row, PageSpace& space);

 private:
  void Account(const index::IndexChange& change, PageSpace& space);
  void AddToUniqueCount(std::uint32_t keys);
  bool FilterValid() const;
  // After the batch entered `entries`: kept in the filter, or a filter made.
  void FilterAfter(std::span<const index::IndexEntry> entries);
  std::size_t TreeKeys() const;  // the definition's count of the tree's keys
  void MakeFilter(std::size_t treeKeys);

  Pager& pager_;
  const TableDef& def_;
  std::size_t realIndex_;
  std::uint32_t root_;
  IndexRules rules_;
  IndexColumns columns_;
  index::IndexLayouts layouts_;  // kept while the pager keeps the pages
  // The searches' page access, kept so that its list of pages read is not
  // made anew for each row.
  PagerIndexStore searchStore_;
  // See key_filter.h: every key of the tree while batch number filterBatch_
  // lasts; nothing outside it, when another process may add keys.
  std::optional<KeyFilter> filter_;
  std::uint64_t filterBatch_ = 0;
  std::uint64_t preparedBatch_ = 0;  // the batch PrepareFilter last looked at
  std::uint64_t enteredBatch_ = 0;  // the batch enteredInBatch_ counts in
  std::size_t enteredInBatch_ = 0;
};

// A row value as the index layer takes it.
index::KeyValue ToKeyValue(const Value& value);

}  // namespace jet
