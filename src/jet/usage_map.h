// Usage maps: a set of pages kept as a row on a data page, reached through a
// row pointer. Byte 0 is the form:
//   0 inline:    u32 first page, then a bitmap (bit k of byte j = page
//                first + 8j + k);
//   1 reference: u32 numbers of bitmap pages (type 0x05: 05 01 00 00, then a
//                bitmap filling the page, 4092 bytes; 2044 in Access 97
//                files); bitmap page i covers pages from i * 8 * its bytes
//                on; 0 = no bitmap page yet.
// Table maps list the pages a table owns; in the global map (page 1, row 0)
// a set bit means the page is free. A walk over a map asks for one stretch
// of set bits at a time, so it holds no list that grows with the table.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "jet/bytes.h"
#include "jet/page.h"
#include "jet/pager.h"

namespace jet {

inline constexpr std::uint8_t kMapInline = 0;
inline constexpr std::uint8_t kMapReference = 1;
inline constexpr std::size_t kMapInlineHeader = 5;     // form, u32 first page
inline constexpr std::size_t kMapReferenceHeader = 1;  // form
inline constexpr std::size_t kMapBitmapPageHeader = 4;
inline constexpr std::uint32_t kPagesPerMapBitmapPage = (kPageSize - kMapBitmapPageHeader) * 8;

// Where a map's row lies on its page; throws jet::Error when the pointer
// leads to no row.
struct MapRowPlace {
  std::size_t offset;
  std::size_t length;
};
MapRowPlace LocateMapRow(Pager& pager, RowPointer where);

// Pages that follow each other in the file, from `first` on.
struct PageStretch {
  std::uint32_t first;
  std::uint32_t count;
};

class UsageMap {
 public:
  // Reads the map row at `where`; throws jet::Error when it is damaged.
  UsageMap(Pager& pager, RowPointer where);

  // The lowest page at or after `from` (and below `below`) whose bit is set,
  // with the set pages right after it: at most `limit` pages in all, and
  // none past the stretch of bitmap that holds the first.
  std::optional<PageStretch> NextStretch(std::uint32_t from, std::size_t limit,
                                         std::uint64_t below = std::uint64_t{kMaxPageNumber} + 1) const;
  // The pages whose bit is set, ascending, as one list: for a writer that
  // checks or changes them all; a reader walks with NextStretch instead.
  std::vector<std::uint32_t> Pages() const;
  // The highest page whose bit is set, if any.
  std::optional<std::uint32_t> Last() const;
  bool Contains(std::uint32_t page) const;
  // The lowest page in [from, below) whose bit is set, if any.
  std::optional<std::uint32_t> FirstSet(std::uint32_t from, std::uint32_t below) const;
  // Whether the map has a bit for the page.
  bool Covers(std::uint32_t page) const;

  // Sets or clears one page's bit, in the page cache (the writer's side).
  // Returns false when the page lies outside what the map can express
  // without growing (inline maps) or has no bitmap page yet (reference maps).
  bool Set(std::uint32_t page, bool on);

 private:
  struct Run {            // one stretch of bitmap; runs_ ascend by `first`
    std::uint32_t page;   // page holding it
    std::size_t offset;   // where the bitmap starts in that page
    std::size_t length;   // bytes
    std::uint32_t first;  // page number of bit 0
  };
  Pager& pager_;
  std::vector<Run> runs_;
};

}  // namespace jet
