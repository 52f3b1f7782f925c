#include "jet/usage_map.h"

#include <algorithm>
#include <cstring>

#include "jet/data_page.h"
#include "jet/error.h"

namespace jet {

MapRowPlace LocateMapRow(Pager& pager, RowPointer where) {
  PageRef holder = pager.Read(where.page);
  DataPage page(*holder, pager.Format());
  if (!page.IsData()) ThrowDamaged("a usage map points to a page that holds no rows");
  ByteSpan row = page.Row(where.row);
  return {static_cast<std::size_t>(row.data() - holder->data()), row.size()};
}

UsageMap::UsageMap(Pager& pager, RowPointer where) : pager_(pager) {
  MapRowPlace place = LocateMapRow(pager, where);
  PageRef holder = pager.Read(where.page);
  ByteSpan row(holder->data() + place.offset, place.length);
  std::size_t rowOffset = place.offset;
  switch (U8(row, 0)) {
    case kMapInline: {
      std::uint32_t first = U32(row, 1);
      if (row.size() > kMapInlineHeader)
        runs_.push_back({where.page, rowOffset + kMapInlineHeader, row.size() - kMapInlineHeader, first});
      break;
    }
    case kMapReference:
      for (std::size_t i = 0; kMapReferenceHeader + 4 * i + 4 <= row.size(); ++i) {
        std::uint32_t bitmapPage = U32(row, kMapReferenceHeader + 4 * i);
        if (bitmapPage == 0) continue;
        PageRef bitmap = pager.Read(bitmapPage);
        if ((*bitmap)[0] != kPageTypeUsageBitmap) ThrowDamaged("a usage map points to a page that is no bitmap");
        // Each bitmap page maps what its bytes after the header can hold.
        const std::size_t bitmapBytes = pager.PageSize() - kMapBitmapPageHeader;
        runs_.push_back({bitmapPage, kMapBitmapPageHeader, bitmapBytes, static_cast<std::uint32_t>(i * bitmapBytes * 8)});
      }
      break;
    default:
      ThrowDamaged("a usage map of unknown form");
  }
}

std::vector<std::uint32_t> UsageMap::Pages() const {
  std::vector<std::uint32_t> pages;
  std::uint64_t from = 0;
  while (from <= kMaxPageNumber) {
    std::optional<PageStretch> stretch = NextStretch(static_cast<std::uint32_t>(from), kMaxPageNumber + std::size_t{1});
    if (!stretch) break;
    for (std::uint32_t k = 0; k < stretch->count; ++k) pages.push_back(stretch->first + k);
    from = std::uint64_t{stretch->first} + stretch->count;
  }
  return pages;
}

std::optional<std::uint32_t> UsageMap::Last() const {
  std::optional<std::uint32_t> last;
  for (const Run& run : runs_) {
    PageRef holder = pager_.Read(run.page);
    const std::uint8_t* bits = holder->data() + run.offset;
    bool found = false;
    for (std::size_t j = run.length; j-- > 0 && !found;) {
      for (int k = 7; k >= 0 && !found && bits[j] != 0; --k) {
        std::uint64_t p = std::uint64_t{run.first} + 8 * j + k;
        found = (bits[j] >> k) & 1 && p <= kMaxPageNumber;
        if (found && (!last || p > *last)) last = static_cast<std::uint32_t>(p);
      }
    }
  }
  return last;
}

bool UsageMap::Contains(std::uint32_t page) const {
  for (const Run& run : runs_) {
    if (page < run.first || page - run.first >= run.length * 8) continue;
    PageRef holder = pager_.Read(run.page);
    std::uint32_t bit = page - run.first;
    return ((*holder)[run.offset + bit / 8] >> (bit % 8)) & 1;
  }
  return false;
}

std::optional<PageStretch> UsageMap::NextStretch(std::uint32_t from, std::size_t limit, std::uint64_t below) const {
  below = std::min<std::uint64_t>(below, std::uint64_t{kMaxPageNumber} + 1);
  for (const Run& run : runs_) {
    const std::uint64_t end = std::min<std::uint64_t>(run.first + 8 * std::uint64_t{run.length}, below);
    if (end <= from || end <= run.first) continue;
    PageRef holder = pager_.Read(run.page);
    const std::uint8_t* bits = holder->data() + run.offset;
    const std::uint64_t endBit = end - run.first;
    auto set = [&](std::uint64_t bit) { return (bits[bit / 8] >> (bit % 8)) & 1; };
    for (std::uint64_t bit = std::max<std::uint64_t>(from, run.first) - run.first; bit < endBit;) {
      const std::size_t byte = bit / 8;
      if (bit % 8 == 0) {
        // A big map is mostly pages in use: zero words and bytes go at once.
        std::uint64_t word = 0;
        if (endBit - bit >= 64 && byte + 8 <= run.length && (std::memcpy(&word, bits + byte, 8), word == 0)) {
          bit += 64;
          continue;
        }
        if (bits[byte] == 0) {
          bit += 8;
          continue;
        }
      }
      if (!set(bit)) {
        ++bit;
        continue;
      }
      std::uint64_t count = 1;
      while (count < limit && bit + count < endBit && set(bit + count)) ++count;
      return PageStretch{static_cast<std::uint32_t>(run.first + bit), static_cast<std::uint32_t>(count)};
    }
  }
  return std::nullopt;
}

std::optional<std::uint32_t> UsageMap::FirstSet(std::uint32_t from, std::uint32_t below) const {
  std::optional<PageStretch> stretch = NextStretch(from, 1, below);
  if (!stretch) return std::nullopt;
  return stretch->first;
}

bool UsageMap::Covers(std::uint32_t page) const {
  for (const Run& run : runs_)
    if (page >= run.first && page - run.first < run.length * 8) return true;
  return false;
}

bool UsageMap::Set(std::uint32_t page, bool on) {
  for (const Run& run : runs_) {
    if (page < run.first || page - run.first >= run.length * 8) continue;
    std::uint32_t bit = page - run.first;
    std::uint8_t& byte = pager_.Write(run.page)[run.offset + bit / 8];
    byte = static_cast<std::uint8_t>(on ? byte | (1u << (bit % 8)) : byte & ~(1u << (bit % 8)));
    return true;
  }
  return false;
}

}  // namespace jet
