#include "jet/write/page_space.h"

#include <algorithm>
#include <cstring>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/usage_map.h"

namespace jet {
namespace {

constexpr RowPointer kGlobalMap{1, 0};
constexpr std::size_t kInlineHeader = 5;
constexpr std::size_t kBitmapPageHeader = 4;
constexpr std::uint32_t kPagesPerBitmapPage = (kPageSize - kBitmapPageHeader) * 8;
constexpr std::size_t kReferenceSlots = (kTableMapRowLength - 1) / 4;
constexpr std::size_t kGrowthStep = 32;  // bitmap bytes added at a time

// Where a row lies inside its page.
struct RowPlace {
  std::size_t offset;
  std::size_t length;
};

RowPlace PlaceOf(Pager& pager, RowPointer where) {
  PageRef holder = pager.Read(where.page);
  DataPage page(*holder, pager.Format());
  if (!page.IsData()) ThrowDamaged("a usage map points to a page that holds no rows");
  ByteSpan row = page.Row(where.row);
  return {static_cast<std::size_t>(row.data() - holder->data()), row.size()};
}

void WriteInline(std::uint8_t* row, std::size_t length, std::uint32_t first, const std::vector<std::uint32_t>& pages) {
  std::fill(row, row + length, 0);
  row[0] = 0;
  PutU32(row + 1, first);
  for (std::uint32_t p : pages) {
    std::uint32_t bit = p - first;
    row[kInlineHeader + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
  }
}

}  // namespace

PageSpace::PageSpace(Pager& pager) : pager_(pager) {
  pager_.SetAllocator([this](Pager&) { return Take(); });
}

PageSpace::~PageSpace() { pager_.SetAllocator(nullptr); }

std::uint32_t PageSpace::Take() {
  PageRef holder = pager_.Read(kGlobalMap.page);
  RowPlace place = PlaceOf(pager_, kGlobalMap);
  const std::uint8_t* row = holder->data() + place.offset;
  if (place.length < kInlineHeader || row[0] != 0) {
    // A reference-form global map: take what it marks free, else append.
    UsageMap map(pager_, kGlobalMap);
    for (std::uint32_t p : map.Pages()) {
      if (p > 1 && p < pager_.PageCount()) {
        map.Set(p, false);
        return p;
      }
    }
    std::uint32_t p = pager_.AppendPage();
    map.Set(p, false);
    return p;
  }
  std::uint32_t first = U32(ByteSpan(row, place.length), 1);
  std::uint32_t count = pager_.PageCount();
  for (std::size_t j = 0; j < place.length - kInlineHeader; ++j) {
    std::uint8_t bits = row[kInlineHeader + j];
    if (bits == 0) continue;
    for (int k = 0; k < 8; ++k) {
      std::uint64_t p = std::uint64_t{first} + 8 * j + k;
      if (((bits >> k) & 1) && p > 1 && p < count) {
        SetFreeBit(static_cast<std::uint32_t>(p), false);
        return static_cast<std::uint32_t>(p);
      }
    }
  }
  std::uint32_t p = pager_.AppendPage();
  SetFreeBit(p, false);
  return p;
}

void PageSpace::SetFreeBit(std::uint32_t page, bool free) {
  RowPlace place = PlaceOf(pager_, kGlobalMap);
  const std::uint8_t* row = pager_.Read(kGlobalMap.page)->data() + place.offset;
  if (row[0] != 0) {
    UsageMap map(pager_, kGlobalMap);
    if (!map.Set(page, free) && !free)
      throw Error(kStatementFailed, "The database's page map has no room for page " + std::to_string(page) + ".");
    return;
  }
  std::uint32_t first = U32(ByteSpan(row, place.length), 1);
  if (page < first) ThrowDamaged("the global usage map starts after page " + std::to_string(page));
  if (page - first >= (place.length - kInlineHeader) * 8) {
    if (free) return;  // pages beyond the map count as free already
    GrowInlineMap(page);
    place = PlaceOf(pager_, kGlobalMap);
  }
  std::uint32_t bit = page - first;
  std::uint8_t& byte = pager_.Write(kGlobalMap.page)[place.offset + kInlineHeader + bit / 8];
  byte = static_cast<std::uint8_t>(free ? byte | (1u << (bit % 8)) : byte & ~(1u << (bit % 8)));
}

void PageSpace::GrowInlineMap(std::uint32_t page) {
  RowPlace place = PlaceOf(pager_, kGlobalMap);
  const std::uint8_t* old = pager_.Read(kGlobalMap.page)->data() + place.offset;
  std::uint32_t first = U32(ByteSpan(old, place.length), 1);
  std::size_t needed = (page - first) / 8 + 1;
  std::size_t bitmap = place.length - kInlineHeader;
  while (bitmap < needed) bitmap += kGrowthStep;
  std::vector<std::uint8_t> row(old, old + place.length);
  // Pages past the old end of the map were free; they stay so.
  row.resize(kInlineHeader + bitmap, 0xFF);
  if (!ReplaceRow(pager_.Write(kGlobalMap.page), kGlobalMap.row, row))
    throw Error(kStatementFailed, "The database has reached its largest size.");
}

void PageSpace::ReleaseQueued() {
  for (std::uint32_t page : released_) SetFreeBit(page, true);
  released_.clear();
}

std::vector<std::uint32_t> MapPages(Pager& pager, RowPointer map) { return UsageMap(pager, map).Pages(); }

std::optional<std::uint32_t> LastMapPage(Pager& pager, RowPointer map) { return UsageMap(pager, map).Last(); }

std::vector<std::uint32_t> MapBitmapPages(Pager& pager, RowPointer map) {
  RowPlace place = PlaceOf(pager, map);
  PageRef holder = pager.Read(map.page);
  ByteSpan row(holder->data() + place.offset, place.length);
  std::vector<std::uint32_t> pages;
  if (row.empty() || row[0] != 1) return pages;
  for (std::size_t i = 0; 1 + 4 * i + 4 <= row.size(); ++i)
    if (std::uint32_t p = U32(row, 1 + 4 * i)) pages.push_back(p);
  return pages;
}

void AddToMap(Pager& pager, RowPointer map, std::uint32_t page) {
  if (UsageMap(pager, map).Set(page, true)) return;
  RowPlace place = PlaceOf(pager, map);
  std::uint8_t form = pager.Read(map.page)->data()[place.offset];
  if (form == 0) {
    std::vector<std::uint32_t> pages = MapPages(pager, map);
    pages.push_back(page);
    std::sort(pages.begin(), pages.end());
    std::uint32_t first = pages.front() & ~7u;
    std::size_t span = (place.length - kInlineHeader) * 8;
    if (pages.back() - first < span) {
      WriteInline(pager.Write(map.page) + place.offset, place.length, first, pages);
      return;
    }
    // Into the reference form: one bitmap page per 32736 pages covered.
    if (place.length < 1 + 4 * kReferenceSlots) ThrowDamaged("a table usage map row too short to grow");
    std::vector<std::uint32_t> bitmaps(kReferenceSlots, 0);
    for (std::uint32_t p : pages) {
      std::size_t slot = p / kPagesPerBitmapPage;
      if (slot >= kReferenceSlots) throw Error(kStatementFailed, "The database has reached its largest size.");
      if (bitmaps[slot] == 0) {
        bitmaps[slot] = pager.Allocate();
        std::uint8_t* b = pager.Write(bitmaps[slot]);
        b[0] = kPageTypeUsageBitmap;
        b[1] = 0x01;
      }
      std::uint32_t bit = p % kPagesPerBitmapPage;
      pager.Write(bitmaps[slot])[kBitmapPageHeader + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
    }
    std::uint8_t* row = pager.Write(map.page) + place.offset;
    std::fill(row, row + place.length, 0);
    row[0] = 1;
    for (std::size_t i = 0; i < kReferenceSlots; ++i) PutU32(row + 1 + 4 * i, bitmaps[i]);
    return;
  }
  // Reference form without a bitmap page for this stretch yet.
  std::size_t slot = page / kPagesPerBitmapPage;
  if (1 + 4 * slot + 4 > place.length) throw Error(kStatementFailed, "The database has reached its largest size.");
  std::uint32_t bitmap = pager.Allocate();
  std::uint8_t* b = pager.Write(bitmap);
  b[0] = kPageTypeUsageBitmap;
  b[1] = 0x01;
  std::uint32_t bit = page % kPagesPerBitmapPage;
  b[kBitmapPageHeader + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
  PutU32(pager.Write(map.page) + place.offset + 1 + 4 * slot, bitmap);
}

void RemoveFromMap(Pager& pager, RowPointer map, std::uint32_t page) { UsageMap(pager, map).Set(page, false); }

std::vector<std::uint8_t> EmptyTableMap() { return std::vector<std::uint8_t>(kTableMapRowLength, 0); }

bool ReplaceRow(std::uint8_t* bytes, std::size_t slot, ByteSpan row) {
  // Rows are replaced only in the formats we write, which share Jet 4's data pages.
  DataPage page(ByteSpan(bytes, kPageSize), kJet4Format);
  std::size_t slots = page.SlotCount();
  if (slot >= slots) return false;
  std::vector<std::vector<std::uint8_t>> rows;
  std::vector<std::uint16_t> flags;
  std::size_t total = 0;
  for (std::size_t i = 0; i < slots; ++i) {
    ByteSpan r = i == slot ? row : page.Row(i);
    rows.emplace_back(r.begin(), r.end());
    flags.push_back(static_cast<std::uint16_t>(page.Slot(i) & ~kSlotOffsetMask));
    total += r.size();
  }
  if (kDataPageHeaderSize + 2 * slots + total > kPageSize) return false;
  std::size_t top = kPageSize;
  for (std::size_t i = 0; i < slots; ++i) {
    top -= rows[i].size();
    std::memcpy(bytes + top, rows[i].data(), rows[i].size());
    PutU16(bytes + kDataPageHeaderSize + 2 * i, static_cast<std::uint16_t>(top | flags[i]));
  }
  PutU16(bytes + 2, static_cast<std::uint16_t>(kPageSize - kDataPageHeaderSize - 2 * slots - total));
  return true;
}

}  // namespace jet
