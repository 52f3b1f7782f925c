// The global usage map (page 1, row 0): a set bit marks a free page.
// Access keeps it inline (00, u32 first page covered, bitmap) and lengthens
// the row 32 bytes at a time as the file grows, with the bits of pages past
// the end of the file set. Once the row no longer fits on page 1, the map
// takes the reference form (01, then 17 u32 numbers of 0x05 bitmap pages,
// page i covering pages i * 32736 on), which reaches past 2 GiB; every
// stretch of the file then has its bitmap page, made from the first page
// appended into it.
//
// What the map does not cover: pages past the end of the file are free;
// pages inside it (below a window another writer moved up, or in a
// reference stretch without a bitmap page) are taken as in use, never
// handed out, and covered (window widened, bitmap page made) the moment one
// of them must be marked free.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "jet/pager.h"

namespace jet {

class GlobalMap {
 public:
  explicit GlobalMap(Pager& pager) : pager_(pager) {}

  // The lowest free page from `from` on that lies inside the file.
  std::optional<std::uint32_t> FindFree(std::uint32_t from) const;
  // Appends a page past the end of the file, marked in use; throws
  // kDatabaseFull at the format's largest size.
  std::uint32_t Append();
  void MarkUsed(std::uint32_t page) { Mark(page, false); }
  void MarkFree(const std::vector<std::uint32_t>& pages);

 private:
  void Mark(std::uint32_t page, bool free);
  // Makes the map cover `page`: a wider inline window, or the reference
  // form and the bitmap page of the page's stretch.
  void Cover(std::uint32_t page);
  bool WidenInline(std::uint32_t page);
  void ToReference();
  void AddBitmapPage(std::size_t stretch);

  Pager& pager_;
};

}  // namespace jet
