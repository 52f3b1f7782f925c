// The real indexes of one table kept exact as its rows come and go, with the
// rules Jet enforces through them (see index_writer.h for the flags): a
// unique index takes each key once, except keys whose columns are all Null;
// a primary key or an index that refuses Null takes no Null in any column;
// an index that ignores Nulls leaves out rows whose key columns are all Null.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/pager.h"
#include "jet/tdef.h"
#include "jet/value.h"
#include "jet/write/index_writer.h"
#include "jet/write/page_space.h"

namespace jet {

// Jet 3022, a key a unique index would hold twice; `detail` says where.
[[noreturn]] void ThrowDuplicateKey(const std::string& detail);

class TableIndexes {
 public:
  // Throws jet::Error (kStatementFailed) when an index cannot be kept.
  TableIndexes(Pager& pager, const TableDef& def);

  using Keys = std::vector<RowKey>;  // one per real index

  // The keys of a row; throws as IndexWriter::KeyOf does.
  void KeysOf(const std::vector<Value>& values, Keys& keys) const;

  // Enters a stored row. A key a unique index holds already throws jet::Error
  // (Jet 3022) part-way: the caller's statement must then end without saving,
  // which leaves the file as it was.
  void Add(const Keys& keys, RowPointer where, PageSpace& space);
  void Remove(const Keys& keys, RowPointer where, PageSpace& space);

  std::vector<IndexWriter>& Writers() { return writers_; }

 private:
  std::vector<IndexWriter> writers_;
};

}  // namespace jet
