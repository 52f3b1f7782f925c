// One writing statement: the file's exclusive lock, the page allocator over
// the global usage map, and the order in which its changes reach the file:
// every changed page first, and only then, in a second write, the pages it
// gave up marked free, so that no page is free on disk while a page there
// still points to it.
#pragma once

#include "jet/connection.h"
#include "jet/pager.h"
#include "jet/write/page_space.h"

namespace jet {

class WriteStatement {
 public:
  explicit WriteStatement(Connection& c);
  Pager& Pages() { return pager_; }
  PageSpace& Space() { return space_; }
  // Writes the statement's changes; a statement that ends without it leaves
  // the file untouched.
  void Finish();

 private:
  Pager::Statement lock_;
  PageSpace space_;
  Pager& pager_;
};

}  // namespace jet
