// Where pages come from and go back to: the free pages of the global usage
// map (see global_map.h), lowest first, else a new page at the end of the
// file.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/pager.h"

namespace jet {

// Allocation from the global map; installed as the pager's allocator for the
// length of one writing statement.
class PageSpace {
 public:
  explicit PageSpace(Pager& pager);
  ~PageSpace();
  PageSpace(const PageSpace&) = delete;
  PageSpace& operator=(const PageSpace&) = delete;

  // Queues a page to go back to the free pool; ReleaseQueued() marks them
  // free. Kept apart so that a page is marked free only after every page
  // that pointed to it has been written.
  void Release(std::uint32_t page) { released_.push_back(page); }
  bool HasQueuedReleases() const { return !released_.empty(); }
  void ReleaseQueued();

 private:
  std::uint32_t Take();

  Pager& pager_;
  std::vector<std::uint32_t> released_;
  std::uint32_t searchFrom_ = 0;  // no page below it is free
};

}  // namespace jet
