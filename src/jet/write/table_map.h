// A table's usage maps (owned pages, pages with room; the same for each
// index and memo column): a set bit marks a page the map lists. A new map is
// inline (69 bytes: 00, u32 first page, a 64-byte bitmap covering 512 pages
// from its first page); its window moves while the pages still fit one
// window, and it turns into the reference form (01, then 17 u32 numbers of
// 0x05 bitmap pages, each covering 32736 pages) once they do not.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "jet/page.h"
#include "jet/pager.h"

namespace jet {

inline constexpr std::size_t kTableMapRowLength = 69;

// Every page the map lists, as one list: the writer checks or changes all
// of them, often while it rewrites the map; a reader walks the map instead.
std::vector<std::uint32_t> MapPages(Pager& pager, RowPointer map);
std::optional<std::uint32_t> LastMapPage(Pager& pager, RowPointer map);
// Adds a page, moving the inline window or turning the map into the
// reference form (bitmap pages come from the pager's allocator) when needed.
void AddToMap(Pager& pager, RowPointer map, std::uint32_t page);
void RemoveFromMap(Pager& pager, RowPointer map, std::uint32_t page);
// The 0x05 bitmap pages of a reference map (none for inline maps).
std::vector<std::uint32_t> MapBitmapPages(Pager& pager, RowPointer map);

// What a table's map of each kind may list: the table's data pages, LVAL
// pages, the table's index pages. Anything else in a map is damage.
enum class MapKind { Data, LongValue, Index };
bool MayList(Pager& pager, MapKind kind, std::uint32_t owner, std::uint32_t page);

// An empty inline table map starting at page 0.
std::vector<std::uint8_t> EmptyTableMap();

}  // namespace jet
