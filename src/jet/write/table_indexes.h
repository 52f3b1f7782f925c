// The real indexes of one table kept exact as its rows come and go, with the
// rules Jet enforces through them (see index_writer.h for the flags): a
// unique index takes each key once, except keys whose columns are all Null;
// a primary key or an index that refuses Null takes no Null in any column;
// an index that ignores Nulls leaves out rows whose key columns are all Null.
//
// Inside a batch, the entries of inserted rows may be held back (see
// held_back_entries.h) and entered all at once, sorted, by EnterHeldBack:
// a unique key is then checked against the tree and the held-back keys
// before the row changes anything.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/pager.h"
#include "jet/tdef.h"
#include "jet/value.h"
#include "jet/write/held_back_entries.h"
#include "jet/write/index_writer.h"
#include "jet/write/page_space.h"

namespace jet {

// Jet 3022, a key a unique index would hold twice; `detail` says where.
[[noreturn]] void ThrowDuplicateKey(const std::string& detail);

class TableIndexes {
 public:
  // Throws jet::Error (kStatementFailed) when an index cannot be kept. Keeps
  // its own copy of the definition, so that held-back entries outlive the
  // caller's.
  TableIndexes(Pager& pager, const TableDef& def);
  TableIndexes(const TableIndexes&) = delete;
  TableIndexes& operator=(const TableIndexes&) = delete;

  using Keys = std::vector<RowKey>;  // one per real index

  // The keys of a row; throws as IndexWriter::KeyOf does.
  void KeysOf(const std::vector<Value>& values, Keys& keys) const;

  // Enters a stored row. A key a unique index holds already throws jet::Error
  // (Jet 3022) part-way: the caller's statement must then end without saving,
  // which leaves the file as it was.
  void Add(const Keys& keys, RowPointer where, PageSpace& space);
  void Remove(const Keys& keys, RowPointer where, PageSpace& space);

  // Whether the row's entries may be held back: none is so long that a page
  // split could refuse it later, when the row can no longer be refused alone.
  bool CanHoldBack(const Keys& keys) const;
  // Throws Jet 3022, before any change, for a key a unique index holds
  // already, in its tree (when `inTree`) or held back.
  void RefuseDuplicates(const Keys& keys, bool inTree);
  // Holds back the entries of a stored row.
  void HoldBack(const Keys& keys, RowPointer where);
  // Takes back the entries the last HoldBack held back for `keys`: a
  // statement that ends unsaved takes its own entries back.
  void TakeBack(const Keys& keys);
  // Forgets every held-back entry: their rows were undone.
  void DropHeldBack();
  bool HoldsBack() const;
  std::size_t HeldBackBytes() const;
  // Enters every held-back entry into its tree. A failure leaves the trees
  // part-way: the caller must undo the whole batch.
  void EnterHeldBack(PageSpace& space);

  std::vector<IndexWriter>& Writers() { return writers_; }

 private:
  TableDef def_;
  std::vector<IndexWriter> writers_;
  std::vector<std::unique_ptr<HeldBackEntries>> heldBack_;  // one per index
};

}  // namespace jet
