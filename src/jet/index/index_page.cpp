// Reading and writing index pages; see index_page.h for the layout.
#include "index_page.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>

#include "index_error.h"

namespace jet::index {
namespace {

constexpr std::size_t kFreeSpaceOffset = 2;
constexpr std::size_t kTdefOffset = 4;
constexpr std::size_t kPrevOffset = 12;
constexpr std::size_t kNextOffset = 16;
constexpr std::size_t kTailOffset = 20;
constexpr std::size_t kPrefixOffset = 24;
constexpr std::size_t kByte26Offset = 26;
constexpr std::size_t kBitmapBytes = kEntriesOffset - kEntryBitmapOffset;
constexpr std::size_t kRowPointerBytes = 4;
constexpr std::size_t kChildBytes = 4;

std::uint16_t ReadU16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t ReadU32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
void WriteU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}
void WriteU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

[[noreturn]] void Damaged(std::uint32_t pageNumber, const std::string& what) {
  ThrowIndexError(kIndexDamaged, "Index page " + std::to_string(pageNumber) + " is damaged: " + what + ".");
}

// Splits one whole entry (prefix restored) into key, row pointer and child.
IndexEntry SplitEntry(std::span<const std::uint8_t> bytes, IndexPageType type) {
  const std::size_t tail = kRowPointerBytes + (type == IndexPageType::kNode ? kChildBytes : 0);
  IndexEntry entry;
  const std::size_t keyEnd = bytes.size() - tail;
  entry.key.assign(bytes.begin(), bytes.begin() + keyEnd);
  const std::uint8_t* p = bytes.data() + keyEnd;
  entry.row.page = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
  entry.row.row = p[3];
  if (type == IndexPageType::kNode) {
    entry.child = std::uint32_t(p[4]) << 24 | std::uint32_t(p[5]) << 16 | std::uint32_t(p[6]) << 8 | p[7];
  }
  return entry;
}

void AppendEntry(const IndexEntry& entry, IndexPageType type, std::vector<std::uint8_t>& out) {
  out.insert(out.end(), entry.key.begin(), entry.key.end());
  out.push_back(std::uint8_t(entry.row.page >> 16));
  out.push_back(std::uint8_t(entry.row.page >> 8));
  out.push_back(std::uint8_t(entry.row.page));
  out.push_back(entry.row.row);
  if (type == IndexPageType::kNode) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(entry.child >> shift));
  }
}

}  // namespace

std::strong_ordering IndexEntry::operator<=>(const IndexEntry& other) const {
  // Unsigned byte order of the keys, a key that is a prefix of another first.
  if (auto c = std::lexicographical_compare_three_way(key.begin(), key.end(), other.key.begin(), other.key.end());
      c != 0) {
    return c;
  }
  if (auto c = row <=> other.row; c != 0) return c;
  return child <=> other.child;
}

std::size_t EntrySize(const IndexEntry& entry, IndexPageType type) {
  return entry.key.size() + kRowPointerBytes + (type == IndexPageType::kNode ? kChildBytes : 0);
}

std::size_t EntryBytes(const IndexPage& page, std::uint16_t prefixLength) {
  std::size_t total = 0;
  for (const IndexEntry& entry : page.entries) total += EntrySize(entry, page.type) - prefixLength;
  return page.entries.empty() ? 0 : total + prefixLength;
}

IndexPageLayout::IndexPageLayout(const std::uint8_t* pageBytes, std::uint32_t pageNumber) : bytes(pageBytes) {
  if ((bytes[0] != std::uint8_t(IndexPageType::kLeaf) && bytes[0] != std::uint8_t(IndexPageType::kNode)) ||
      bytes[1] != 0x01) {
    Damaged(pageNumber, "it is not an index page");
  }
  type = IndexPageType(bytes[0]);
  prevPage = ReadU32(bytes + kPrevOffset);
  nextPage = ReadU32(bytes + kNextOffset);
  tailPage = ReadU32(bytes + kTailOffset);
  tdefPage = ReadU32(bytes + kTdefOffset);
  prefixLength = ReadU16(bytes + kPrefixOffset);

  const std::size_t used = kPageSize - ReadU16(bytes + kFreeSpaceOffset);
  if (used < kEntriesOffset || used > kEntriesOffset + kMaxEntryBytes) Damaged(pageNumber, "its free space is wrong");
  // Whole bitmap bytes at a time, and only those that can mark an entry
  // end within the used bytes; the rest must be zero.
  const std::size_t marked = std::min(kBitmapBytes, (used - kEntriesOffset) / 8 + 1);
  static constexpr std::array<std::uint8_t, kBitmapBytes> kZeros{};
  if (std::memcmp(bytes + kEntryBitmapOffset + marked, kZeros.data(), kBitmapBytes - marked) != 0)
    Damaged(pageNumber, "an entry runs into the free space");
  for (std::size_t at = 0; at < marked; ++at) {
    for (std::uint8_t bits = bytes[kEntryBitmapOffset + at]; bits != 0; bits &= bits - 1) {
      const std::size_t bit = at * 8 + std::size_t(std::countr_zero(bits));
      if (bit == 0 || bit > kMaxEntryBytes) continue;
      if (kEntriesOffset + bit > used) Damaged(pageNumber, "an entry runs into the free space");
      ends.push_back(std::uint16_t(bit));
    }
  }
  if (kEntriesOffset + Used() != used) Damaged(pageNumber, "the entry bitmap and the free space disagree");
  if (!ends.empty() && ends.front() < prefixLength) {
    Damaged(pageNumber, "the first entry is shorter than the shared prefix");
  }
  const std::size_t tail = kRowPointerBytes + (type == IndexPageType::kNode ? kChildBytes : 0);
  for (std::size_t i = 0; i < ends.size(); ++i) {
    const std::size_t whole = i == 0 ? ends[0] : prefixLength + ends[i] - ends[i - 1];
    if (whole <= tail) Damaged(pageNumber, "an entry is too short");
  }
}

std::span<const std::uint8_t> IndexPageLayout::Entry(std::size_t i, std::vector<std::uint8_t>& scratch) const {
  const std::uint8_t* entries = bytes + kEntriesOffset;
  const std::size_t start = i == 0 ? 0 : ends[i - 1];
  if (i == 0 || prefixLength == 0) return {entries + start, entries + ends[i]};
  scratch.assign(entries, entries + prefixLength);
  scratch.insert(scratch.end(), entries + start, entries + ends[i]);
  return scratch;
}

IndexPage ParseIndexPage(const std::uint8_t* bytes, std::uint32_t pageNumber) {
  const IndexPageLayout layout(bytes, pageNumber);
  IndexPage page;
  page.type = layout.type;
  page.tdefPage = ReadU32(bytes + kTdefOffset);
  page.prevPage = layout.prevPage;
  page.nextPage = layout.nextPage;
  page.tailPage = layout.tailPage;
  page.prefixLength = layout.prefixLength;
  page.byte26 = bytes[kByte26Offset];
  page.entries.reserve(layout.ends.size());
  std::vector<std::uint8_t> scratch;
  for (std::size_t i = 0; i < layout.ends.size(); ++i) {
    page.entries.push_back(SplitEntry(layout.Entry(i, scratch), page.type));
  }
  return page;
}

void InsertLeafEntry(std::uint8_t* bytes, IndexPageLayout& layout, std::size_t position, const IndexEntry& entry) {
  const std::size_t size = EntrySize(entry, IndexPageType::kLeaf);
  const std::size_t at = position == 0 ? 0 : layout.ends[position - 1];
  const std::size_t used = layout.Used();
  if (layout.type != IndexPageType::kLeaf || layout.prefixLength != 0 || used + size > kMaxEntryBytes) {
    ThrowIndexError(kIndexDamaged, "An index entry was to be added in place to a page without room for it.");
  }
  std::uint8_t* entries = bytes + kEntriesOffset;
  std::memmove(entries + at + size, entries + at, used - at);
  std::uint8_t* out = std::copy(entry.key.begin(), entry.key.end(), entries + at);
  *out++ = std::uint8_t(entry.row.page >> 16);
  *out++ = std::uint8_t(entry.row.page >> 8);
  *out++ = std::uint8_t(entry.row.page);
  *out = entry.row.row;
  // Only the ends after the new entry move.
  std::uint8_t* bitmap = bytes + kEntryBitmapOffset;
  const auto flip = [bitmap](std::size_t bit) { bitmap[bit / 8] ^= std::uint8_t(1u << (bit % 8)); };
  std::uint16_t* const ends = layout.ends.data();  // a local pointer: the bitmap's bytes may alias the vector's
  const std::size_t count = layout.ends.size();
  for (std::size_t i = position; i < count; ++i) flip(ends[i]);
  for (std::size_t i = position; i < count; ++i) flip(ends[i] += std::uint16_t(size));
  flip(at + size);
  // Marks no entry can end at, which the layout passes over, go.
  bitmap[0] &= 0xFE;
  bitmap[kBitmapBytes - 1] &= std::uint8_t((1u << (kMaxEntryBytes % 8 + 1)) - 1);
  layout.ends.insert(layout.ends.begin() + std::ptrdiff_t(position), std::uint16_t(at + size));
  layout.bytes = bytes;
  WriteU16(bytes + kFreeSpaceOffset, std::uint16_t(kPageSize - kEntriesOffset - used - size));
  bytes[kByte26Offset] = 0;  // as Access leaves it on leaves
}

void SetNextIndexPage(std::uint8_t* bytes, std::uint32_t pageNumber, std::uint32_t nextPage) {
  if ((bytes[0] != std::uint8_t(IndexPageType::kLeaf) && bytes[0] != std::uint8_t(IndexPageType::kNode)) ||
      bytes[1] != 0x01) {
    Damaged(pageNumber, "it is not an index page");
  }
  WriteU32(bytes + kNextOffset, nextPage);
}

namespace {

// The page with `page`'s header fields and the entry bytes `data` (as stored, after the
// shared prefix), each entry ending where `ends` says.
void WriteIndexPage(const IndexPage& page, std::span<const std::uint8_t> data, std::span<const std::size_t> ends,
                    std::uint8_t* bytes) {
  if (data.size() > kMaxEntryBytes) ThrowIndexError(kIndexDamaged, "The index entries do not fit on one page.");
  std::memset(bytes, 0, kPageSize);
  bytes[0] = std::uint8_t(page.type);
  bytes[1] = 0x01;
  WriteU16(bytes + kFreeSpaceOffset, std::uint16_t(kPageSize - kEntriesOffset - data.size()));
  WriteU32(bytes + kTdefOffset, page.tdefPage);
  WriteU32(bytes + kPrevOffset, page.prevPage);
  WriteU32(bytes + kNextOffset, page.nextPage);
  WriteU32(bytes + kTailOffset, page.tailPage);
  WriteU16(bytes + kPrefixOffset, page.prefixLength);
  bytes[kByte26Offset] = page.byte26;
  for (const std::size_t bit : ends) bytes[kEntryBitmapOffset + bit / 8] |= std::uint8_t(1u << (bit % 8));
  std::copy(data.begin(), data.end(), bytes + kEntriesOffset);  // memcpy may not take an empty span's null
}

}  // namespace

void SerializeLeafEntries(const IndexPage& header, std::span<const std::uint8_t> data,
                          std::span<const std::size_t> ends, std::uint8_t* bytes) {
  IndexPage leaf;
  leaf.type = IndexPageType::kLeaf;
  leaf.tdefPage = header.tdefPage;
  leaf.prevPage = header.prevPage;
  leaf.nextPage = header.nextPage;
  WriteIndexPage(leaf, data, ends, bytes);
}

void SerializeIndexPage(const IndexPage& page, std::uint8_t* bytes) {
  std::vector<std::uint8_t> data;  // the first entry whole, then each without the shared prefix
  data.reserve(kMaxEntryBytes);
  std::vector<std::size_t> ends;
  ends.reserve(page.entries.size());
  std::vector<std::uint8_t> whole;
  for (std::size_t i = 0; i < page.entries.size(); ++i) {
    whole.clear();
    AppendEntry(page.entries[i], page.type, whole);
    if (whole.size() < page.prefixLength) {
      ThrowIndexError(kIndexDamaged, "An index entry is shorter than the page's shared prefix.");
    }
    if (i == 0) {
      data = whole;
    } else {
      if (!std::equal(data.begin(), data.begin() + page.prefixLength, whole.begin())) {
        ThrowIndexError(kIndexDamaged, "An index entry does not share the page's prefix.");
      }
      data.insert(data.end(), whole.begin() + page.prefixLength, whole.end());
    }
    if (data.size() > kMaxEntryBytes) ThrowIndexError(kIndexDamaged, "The index entries do not fit on one page.");
    ends.push_back(data.size());
  }
  WriteIndexPage(page, data, ends, bytes);
}

}  // namespace jet::index
