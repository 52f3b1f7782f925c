// Where pages come from and go back to. The global usage map (page 1, row 0)
// marks free pages with a set bit; Access keeps it inline (00, u32 first page,
// bitmap) and lengthens the row as the file grows, with the bits of pages
// past the end of the file set.
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
  void SetFreeBit(std::uint32_t page, bool free);
  void GrowInlineMap(std::uint32_t page);

  Pager& pager_;
  std::vector<std::uint32_t> released_;
};

}  // namespace jet
