#include "jet/write/table_map.h"

#include <algorithm>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/usage_map.h"

namespace jet {
namespace {

constexpr std::size_t kReferenceSlots = (kTableMapRowLength - kMapReferenceHeader) / 4;

void WriteInline(std::uint8_t* row, std::size_t length, std::uint32_t first, const std::vector<std::uint32_t>& pages) {
  std::fill(row, row + length, 0);
  row[0] = kMapInline;
  PutU32(row + 1, first);
  for (std::uint32_t p : pages) {
    std::uint32_t bit = p - first;
    row[kMapInlineHeader + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
  }
}

}  // namespace

std::vector<std::uint32_t> MapPages(Pager& pager, RowPointer map) { return UsageMap(pager, map).Pages(); }

std::optional<std::uint32_t> LastMapPage(Pager& pager, RowPointer map) { return UsageMap(pager, map).Last(); }

std::vector<std::uint32_t> MapBitmapPages(Pager& pager, RowPointer map) {
  MapRowPlace place = LocateMapRow(pager, map);
  PageRef holder = pager.Read(map.page);
  ByteSpan row(holder->data() + place.offset, place.length);
  std::vector<std::uint32_t> pages;
  if (row.empty() || row[0] != kMapReference) return pages;
  for (std::size_t i = 0; kMapReferenceHeader + 4 * i + 4 <= row.size(); ++i)
    if (std::uint32_t p = U32(row, kMapReferenceHeader + 4 * i)) pages.push_back(p);
  return pages;
}

void AddToMap(Pager& pager, RowPointer map, std::uint32_t page) {
  if (UsageMap(pager, map).Set(page, true)) return;
  MapRowPlace place = LocateMapRow(pager, map);
  std::uint8_t form = pager.Read(map.page)->data()[place.offset];
  if (form == kMapInline) {
    std::vector<std::uint32_t> pages = MapPages(pager, map);
    pages.push_back(page);
    std::sort(pages.begin(), pages.end());
    std::uint32_t first = pages.front() & ~7u;
    std::size_t span = (place.length - kMapInlineHeader) * 8;
    if (pages.back() - first < span) {
      WriteInline(pager.Write(map.page) + place.offset, place.length, first, pages);
      return;
    }
    // Into the reference form: one bitmap page per 32736 pages covered.
    if (place.length < kMapReferenceHeader + 4 * kReferenceSlots) ThrowDamaged("a table usage map row too short to grow");
    std::vector<std::uint32_t> bitmaps(kReferenceSlots, 0);
    for (std::uint32_t p : pages) {
      std::size_t slot = p / kPagesPerMapBitmapPage;
      if (slot >= kReferenceSlots) ThrowDatabaseFull();
      if (bitmaps[slot] == 0) {
        bitmaps[slot] = pager.Allocate();
        std::uint8_t* b = pager.Write(bitmaps[slot]);
        b[0] = kPageTypeUsageBitmap;
        b[1] = 0x01;
      }
      std::uint32_t bit = p % kPagesPerMapBitmapPage;
      pager.Write(bitmaps[slot])[kMapBitmapPageHeader + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
    }
    std::uint8_t* row = pager.Write(map.page) + place.offset;
    std::fill(row, row + place.length, 0);
    row[0] = kMapReference;
    for (std::size_t i = 0; i < kReferenceSlots; ++i) PutU32(row + kMapReferenceHeader + 4 * i, bitmaps[i]);
    return;
  }
  // Reference form without a bitmap page for this stretch yet.
  std::size_t slot = page / kPagesPerMapBitmapPage;
  if (kMapReferenceHeader + 4 * slot + 4 > place.length) ThrowDatabaseFull();
  std::uint32_t bitmap = pager.Allocate();
  std::uint8_t* b = pager.Write(bitmap);
  b[0] = kPageTypeUsageBitmap;
  b[1] = 0x01;
  std::uint32_t bit = page % kPagesPerMapBitmapPage;
  b[kMapBitmapPageHeader + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
  PutU32(pager.Write(map.page) + place.offset + kMapReferenceHeader + 4 * slot, bitmap);
}

bool MayList(Pager& pager, MapKind kind, std::uint32_t owner, std::uint32_t page) {
  if (!pager.Exists(page)) return false;
  const PageBytes& bytes = *pager.Read(page);
  DataPage data(bytes, pager.Format());
  switch (kind) {
    case MapKind::Data: return data.IsData() && data.Owner() == owner;
    case MapKind::LongValue: return data.IsData() && data.Owner() == kLvalOwner;
    case MapKind::Index: return (bytes[0] == 0x03 || bytes[0] == 0x04) && U32(ByteSpan(bytes), 4) == owner;
  }
  return false;
}

void RemoveFromMap(Pager& pager, RowPointer map, std::uint32_t page) { UsageMap(pager, map).Set(page, false); }

std::vector<std::uint8_t> EmptyTableMap() { return std::vector<std::uint8_t>(kTableMapRowLength, 0); }

}  // namespace jet
