// Where pages come from and go back to. The global usage map (page 1, row 0)
// marks free pages with a set bit; Access keeps it inline (00, u32 first page,
// bitmap) and lengthens the row as the file grows, with the bits of pages
// past the end of the file set. Table maps (owned pages, pages with room)
// mark owned pages with a set bit; a new table's maps are inline (69 bytes:
// 512 pages from their first page) and turn into the reference form (01, then
// 17 u32 numbers of 0x05 bitmap pages, each covering 32736 pages) once a
// table's pages no longer fit one inline window.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "jet/bytes.h"
#include "jet/pager.h"

namespace jet {

inline constexpr std::size_t kTableMapRowLength = 69;

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

// Reading and changing one table map (owned pages or pages with room).
std::vector<std::uint32_t> MapPages(Pager& pager, RowPointer map);
std::optional<std::uint32_t> LastMapPage(Pager& pager, RowPointer map);
// Adds a page, moving the inline window or turning the map into the
// reference form (bitmap pages come from the pager's allocator) when needed.
void AddToMap(Pager& pager, RowPointer map, std::uint32_t page);
void RemoveFromMap(Pager& pager, RowPointer map, std::uint32_t page);
// The 0x05 bitmap pages of a reference map (none for inline maps).
std::vector<std::uint32_t> MapBitmapPages(Pager& pager, RowPointer map);

// An empty inline table map starting at page 0.
std::vector<std::uint8_t> EmptyTableMap();

// Replaces row `slot` of a data page by `row` (of any length), moving the
// other rows as needed; false when the page has no room for it.
bool ReplaceRow(std::uint8_t* page, std::size_t slot, ByteSpan row);

}  // namespace jet
