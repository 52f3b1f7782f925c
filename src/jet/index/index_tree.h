// Index trees of Jet 4: a root page whose number never changes, node pages (0x03) whose
// entries carry the last entry of each child with the last child as the tail page, and leaf
// pages (0x04) holding the entries, each level chained by previous/next pointers. Works
// over an abstract page store so the file layer decides how pages are read, written and
// allocated; the pages a change allocates or frees are returned for the usage maps.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "index_page.h"

namespace jet::index {

// Page access as the index needs it. Read returns the current 4096 bytes of a page; Write
// returns the page's bytes for changing (the store writes them back when it flushes);
// Allocate hands out a page number not in use, whose bytes this layer fills completely.
class IndexPageStore {
 public:
  virtual ~IndexPageStore() = default;
  virtual const std::uint8_t* Read(std::uint32_t page) = 0;
  virtual std::uint8_t* Write(std::uint32_t page) = 0;
  virtual std::uint32_t Allocate() = 0;
};

// Pages a change took into or out of the index, for the global and the index's usage map.
struct IndexChange {
  std::vector<std::uint32_t> allocated;
  std::vector<std::uint32_t> freed;
  bool keyExisted = false;  // an insert: another entry had the same key already
};

// Adds `entry` (key and row pointer) to the tree under `root`, splitting full pages, and
// says whether another entry held the same key. Throws jet::Error (kIndexValueRefused)
// when the same key and row are there already.
IndexChange InsertIndexEntry(IndexPageStore& store, std::uint32_t root, const IndexEntry& entry);

// Removes `entry` from the tree under `root`, freeing pages left empty. Throws jet::Error
// (kIndexDamaged) when the entry is not there.
IndexChange DeleteIndexEntry(IndexPageStore& store, std::uint32_t root, const IndexEntry& entry);

// Whether the tree under `root` holds `entry` (key and row pointer).
bool HasIndexEntry(IndexPageStore& store, std::uint32_t root, const IndexEntry& entry);

// The first entry with exactly `key`, if any (for unique indexes).
std::optional<IndexEntry> FindIndexKey(IndexPageStore& store, std::uint32_t root, const KeyBytes& key);

// All entries under `root` in order, after checking the tree: page types per level,
// previous/next chains, strictly increasing entries, node entries equal to the last entry
// of their child, one owning TDEF. Throws jet::Error (kIndexDamaged) naming the first fault.
struct IndexWalk {
  std::vector<IndexEntry> entries;
  std::vector<std::uint32_t> pages;
  int levels = 0;
};
IndexWalk WalkIndex(IndexPageStore& store, std::uint32_t root);

}  // namespace jet::index
