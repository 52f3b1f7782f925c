#include "jet/write/page_space.h"

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/usage_map.h"

namespace jet {
namespace {

constexpr RowPointer kGlobalMap{1, 0};
constexpr std::size_t kInlineHeader = 5;
constexpr std::size_t kGrowthStep = 32;  // bitmap bytes added at a time

}  // namespace

PageSpace::PageSpace(Pager& pager) : pager_(pager) {
  pager_.SetAllocator([this](Pager&) { return Take(); });
}

PageSpace::~PageSpace() { pager_.SetAllocator(nullptr); }

std::uint32_t PageSpace::Take() {
  PageRef holder = pager_.Read(kGlobalMap.page);
  MapRowPlace place = LocateMapRow(pager_, kGlobalMap);
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
  MapRowPlace place = LocateMapRow(pager_, kGlobalMap);
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
    place = LocateMapRow(pager_, kGlobalMap);
  }
  std::uint32_t bit = page - first;
  std::uint8_t& byte = pager_.Write(kGlobalMap.page)[place.offset + kInlineHeader + bit / 8];
  byte = static_cast<std::uint8_t>(free ? byte | (1u << (bit % 8)) : byte & ~(1u << (bit % 8)));
}

void PageSpace::GrowInlineMap(std::uint32_t page) {
  MapRowPlace place = LocateMapRow(pager_, kGlobalMap);
  const std::uint8_t* old = pager_.Read(kGlobalMap.page)->data() + place.offset;
  std::uint32_t first = U32(ByteSpan(old, place.length), 1);
  std::size_t needed = (page - first) / 8 + 1;
  std::size_t bitmap = place.length - kInlineHeader;
  while (bitmap < needed) bitmap += kGrowthStep;
  std::vector<std::uint8_t> row(old, old + place.length);
  // Pages past the old end of the map were free; they stay so.
  row.resize(kInlineHeader + bitmap, 0xFF);
  if (!DataPageWriter(pager_.Write(kGlobalMap.page)).Replace(kGlobalMap.row, row))
    throw Error(kStatementFailed, "The database has reached its largest size.");
}

void PageSpace::ReleaseQueued() {
  for (std::uint32_t page : released_) SetFreeBit(page, true);
  released_.clear();
}

}  // namespace jet
