// Index pages (type 0x03 node, 0x04 leaf), 4096 bytes:
//   0 type · 1 0x01 · 2 u16 free space · 4 u32 TDEF page · 8 u32 0 · 12 u32 previous page
//   · 16 u32 next page · 20 u32 tail page · 24 u16 shared-prefix length · 26 u8 (unknown)
//   · 27 entry-end bitmap (453 bytes) · 480 entries back to back.
// After each entry the bit numbered by the running byte count from 480 is set. Entries
// after the first leave out the shared prefix. A leaf entry is the key, the row's page as
// 3 bytes big-endian and its row number; a node entry adds the child page as u32
// big-endian and carries the last key of that child; the last child is the tail page.
// Header integers are little-endian.
#pragma once

#include <compare>
#include <cstdint>
#include <span>
#include <vector>

#include "index_key.h"
#include "jet/page.h"

namespace jet::index {

inline constexpr std::size_t kEntryBitmapOffset = 27;
inline constexpr std::size_t kEntriesOffset = 480;
// Most entry bytes one page holds (the bitmap can mark no more).
inline constexpr std::size_t kMaxEntryBytes = 3616;

enum class IndexPageType : std::uint8_t { kNode = 0x03, kLeaf = 0x04 };

struct IndexEntry {
  KeyBytes key;
  RowPointer row;
  std::uint32_t child = 0;  // node entries only

  // Jet orders entries by their stored bytes: key, then row page, then row number.
  std::strong_ordering operator<=>(const IndexEntry& other) const;
  bool operator==(const IndexEntry& other) const = default;
};

struct IndexPage {
  IndexPageType type = IndexPageType::kLeaf;
  std::uint32_t tdefPage = 0;
  std::uint32_t prevPage = 0;
  std::uint32_t nextPage = 0;
  std::uint32_t tailPage = 0;
  std::uint16_t prefixLength = 0;  // bytes every entry shares with the first; 0 when written by us
  std::uint8_t byte26 = 0;         // meaning unknown; kept as read
  std::vector<IndexEntry> entries;
};

// Bytes `entry` takes on a page of `type` before prefix sharing.
std::size_t EntrySize(const IndexEntry& entry, IndexPageType type);
// Entry bytes of `page` were it written with a shared prefix of `prefixLength` bytes
// (counted once).
std::size_t EntryBytes(const IndexPage& page, std::uint16_t prefixLength);

// Where the entries of an index page lie, without taking them apart: the end of each
// (bytes from kEntriesOffset, as the bitmap marks them), for searching a page and growing
// a leaf in place. Checks what ParseIndexPage checks of the header, bitmap and free space.
struct IndexPageLayout {
  IndexPageLayout(const std::uint8_t* bytes, std::uint32_t pageNumber);

  // Entry i whole, its shared prefix restored; points into the page when nothing needs
  // restoring, else into `scratch`.
  std::span<const std::uint8_t> Entry(std::size_t i, std::vector<std::uint8_t>& scratch) const;
  std::size_t Used() const { return ends.empty() ? 0 : ends.back(); }

  const std::uint8_t* bytes;
  IndexPageType type;
  std::uint32_t prevPage;
  std::uint32_t nextPage;
  std::uint32_t tailPage;
  std::uint32_t tdefPage;
  std::uint16_t prefixLength;
  std::vector<std::uint16_t> ends;
};

// Reads an index page. Throws jet::Error (kIndexDamaged) naming `pageNumber` when the page
// is not an index page or its bitmap, prefix or entries do not fit together.
IndexPage ParseIndexPage(const std::uint8_t* bytes, std::uint32_t pageNumber);

// Adds a leaf entry at `position` of the page `layout` describes, in place, to `bytes`
// (the same page, open for writing): the bytes after it move up, the bitmap and free
// space follow, and `layout` then describes `bytes`. Throws jet::Error (kIndexDamaged)
// unless the page is a leaf without a shared prefix with room for the entry.
void InsertLeafEntry(std::uint8_t* bytes, IndexPageLayout& layout, std::size_t position, const IndexEntry& entry);

// Sets the next-page pointer of the index page in `bytes` (open for writing), leaving the
// rest as it is: a neighbour's split changes nothing else on it. Throws jet::Error
// (kIndexDamaged) when the bytes are not an index page.
void SetNextIndexPage(std::uint8_t* bytes, std::uint32_t pageNumber, std::uint32_t nextPage);

// Writes a leaf without a shared prefix into 4096 bytes: the TDEF, previous and next page
// of `header` (its entries unused), then `data`, entries given whole and back to back,
// each ending where `ends` says (bytes from the first). Throws jet::Error (kIndexDamaged)
// when they do not fit.
void SerializeLeafEntries(const IndexPage& header, std::span<const std::uint8_t> data,
                          std::span<const std::size_t> ends, std::uint8_t* bytes);

// Writes `page` into 4096 bytes: header, bitmap, entries, free space; the rest is zero.
// Throws jet::Error (kIndexDamaged) when the entries do not fit or do not share the prefix.
void SerializeIndexPage(const IndexPage& page, std::uint8_t* bytes);

}  // namespace jet::index
