#include "jet/write/global_map.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/usage_map.h"
#include "jet/write/table_map.h"

namespace jet {
namespace {

constexpr RowPointer kGlobalMapRow{1, 0};
constexpr std::size_t kGrowthStep = 32;  // bitmap bytes Access adds at a time

std::uint8_t Form(Pager& pager) {
  MapRowPlace place = LocateMapRow(pager, kGlobalMapRow);
  if (place.length == 0) ThrowDamaged("an empty global usage map");
  return pager.Read(kGlobalMapRow.page)->data()[place.offset];
}

}  // namespace

std::optional<std::uint32_t> GlobalMap::FindFree(std::uint32_t from) const {
  return UsageMap(pager_, kGlobalMapRow).FirstSet(std::max<std::uint32_t>(from, 2), pager_.PageCount());
}

std::uint32_t GlobalMap::Append() {
  std::uint32_t page = pager_.AppendPage();
  MarkUsed(page);
  return page;
}

void GlobalMap::MarkFree(const std::vector<std::uint32_t>& pages) {
  // One reading of the map for all the pages the window or bitmaps cover.
  std::optional<UsageMap> map;
  for (std::uint32_t page : pages) {
    if (!map) map.emplace(pager_, kGlobalMapRow);
    if (map->Set(page, true)) continue;
    map.reset();
    Mark(page, true);
  }
}

void GlobalMap::Mark(std::uint32_t page, bool free) {
  if (UsageMap(pager_, kGlobalMapRow).Set(page, free)) return;
  // Uncovered pages past the end are free already.
  if (free && page >= pager_.PageCount()) return;
  Cover(page);
  if (!UsageMap(pager_, kGlobalMapRow).Set(page, free))
    ThrowDamaged("the global usage map cannot cover page " + std::to_string(page));
}

void GlobalMap::Cover(std::uint32_t page) {
  if (Form(pager_) == kMapInline) {
    if (WidenInline(page)) return;
    ToReference();
    if (UsageMap(pager_, kGlobalMapRow).Covers(page)) return;
  }
  AddBitmapPage(page / kPagesPerMapBitmapPage);
}

// A window that reaches from the lower of its start and `page` to the higher
// of its end and `page`, grown in Access's steps; false when page 1 has no
// room for it.
bool GlobalMap::WidenInline(std::uint32_t page) {
  MapRowPlace place = LocateMapRow(pager_, kGlobalMapRow);
  PageRef holder = pager_.Read(kGlobalMapRow.page);
  ByteSpan old(holder->data() + place.offset, place.length);
  if (old.size() < kMapInlineHeader) ThrowDamaged("a global usage map row too short for its form");
  const std::uint64_t first = U32(old, 1);
  const std::uint64_t end = first + 8 * (old.size() - kMapInlineHeader);
  const std::uint64_t low = std::min<std::uint64_t>(first, page & ~7u);
  const std::uint64_t high = std::max<std::uint64_t>(end, std::uint64_t{page} + 1);
  std::size_t bytes = old.size() - kMapInlineHeader;
  while (low + 8 * bytes < high) bytes += kGrowthStep;
  if (kMapInlineHeader + bytes > kPageSize) return false;

  std::vector<std::uint8_t> row(kMapInlineHeader + bytes, 0);
  row[0] = kMapInline;
  PutU32(row.data() + 1, static_cast<std::uint32_t>(low));
  const std::uint32_t pages = pager_.PageCount();
  for (std::uint64_t p = low; p < low + 8 * bytes; ++p) {
    bool free = p >= first && p < end ? (old[kMapInlineHeader + (p - first) / 8] >> ((p - first) % 8)) & 1
                                      : p >= pages;  // newly covered: in use inside the file
    if (free) row[kMapInlineHeader + (p - low) / 8] |= static_cast<std::uint8_t>(1u << ((p - low) % 8));
  }
  return DataPageWriter(pager_.Write(kGlobalMapRow.page)).Replace(kGlobalMapRow.row, row);
}

// The inline map's free pages carried over into the reference form; every
// other page inside the file is in use, those past it free.
void GlobalMap::ToReference() {
  std::vector<std::uint32_t> free;
  for (std::uint32_t p : UsageMap(pager_, kGlobalMapRow).Pages())
    if (p < pager_.PageCount()) free.push_back(p);
  std::vector<std::uint8_t> row(kTableMapRowLength, 0);
  row[0] = kMapReference;
  if (!DataPageWriter(pager_.Write(kGlobalMapRow.page)).Replace(kGlobalMapRow.row, row))
    ThrowDamaged("page 1 has no room for the global usage map");
  for (std::size_t stretch = 0; stretch * kPagesPerMapBitmapPage < pager_.PageCount(); ++stretch)
    if (!UsageMap(pager_, kGlobalMapRow).Covers(static_cast<std::uint32_t>(stretch * kPagesPerMapBitmapPage)))
      AddBitmapPage(stretch);
  UsageMap map(pager_, kGlobalMapRow);
  for (std::uint32_t p : free) map.Set(p, true);
}

// A bitmap page for the stretch, appended at the end of the file: the pages
// of the stretch inside the file in use, those past it free. The new page
// lies in this stretch or the next; in the next, its own use is marked there.
void GlobalMap::AddBitmapPage(std::size_t stretch) {
  if (kMapReferenceHeader + 4 * stretch + 4 > LocateMapRow(pager_, kGlobalMapRow).length)
    ThrowDatabaseFull();
  std::uint32_t bitmap = pager_.AppendPage();
  std::uint8_t* b = pager_.Write(bitmap);
  std::fill(b, b + kPageSize, 0);
  b[0] = kPageTypeUsageBitmap;
  b[1] = 0x01;
  const std::uint64_t first = std::uint64_t{stretch} * kPagesPerMapBitmapPage;
  const std::uint32_t pages = pager_.PageCount();
  for (std::uint64_t p = std::max<std::uint64_t>(first, pages); p < first + kPagesPerMapBitmapPage; ++p)
    b[kMapBitmapPageHeader + (p - first) / 8] |= static_cast<std::uint8_t>(1u << ((p - first) % 8));
  MapRowPlace place = LocateMapRow(pager_, kGlobalMapRow);
  PutU32(pager_.Write(kGlobalMapRow.page) + place.offset + kMapReferenceHeader + 4 * stretch, bitmap);
  if (bitmap / kPagesPerMapBitmapPage != stretch) MarkUsed(bitmap);
}

}  // namespace jet
