#include "jet/write/page_space.h"

#include <algorithm>

#include "jet/write/global_map.h"

namespace jet {

PageSpace::PageSpace(Pager& pager) : pager_(pager) {
  pager_.SetAllocator([this](Pager&) { return Take(); });
}

PageSpace::~PageSpace() { pager_.SetAllocator(nullptr); }

std::uint32_t PageSpace::Take() {
  GlobalMap map(pager_);
  if (std::optional<std::uint32_t> free = map.FindFree(searchFrom_)) {
    map.MarkUsed(*free);
    searchFrom_ = *free + 1;
    return *free;
  }
  searchFrom_ = pager_.PageCount();
  return map.Append();
}

void PageSpace::ReleaseQueued() {
  GlobalMap(pager_).MarkFree(released_);
  for (std::uint32_t page : released_) searchFrom_ = std::min(searchFrom_, page);
  released_.clear();
}

}  // namespace jet
