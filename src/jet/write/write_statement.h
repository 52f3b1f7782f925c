// One writing statement: the file's exclusive lock, the page allocator over
// the global usage map, and the statement's fate: Finish() writes its changes
// (the old bytes of each page first going to the journal) and, outside a
// batch, ends the change; a statement that ends without Finish() leaves the
// file as it was, whatever it had written undone from the journal. Inside a
// batch, only the statement's own unsaved changes are forgotten.
#pragma once

#include "jet/connection.h"
#include "jet/pager.h"
#include "jet/write/page_space.h"

namespace jet {

class WriteStatement {
 public:
  explicit WriteStatement(Connection& c);
  ~WriteStatement();
  WriteStatement(const WriteStatement&) = delete;
  WriteStatement& operator=(const WriteStatement&) = delete;

  Pager& Pages() { return pager_; }
  PageSpace& Space() { return space_; }
  void Finish();

 private:
  Pager::Statement lock_;
  PageSpace space_;
  Pager& pager_;
  bool finished_ = false;
};

}  // namespace jet
