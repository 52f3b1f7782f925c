// Index trees of Jet 4: a root page whose number never changes, node pages (0x03) whose
// entries carry the last entry of each child with the last child as the tail page, and leaf
// pages (0x04) holding the entries, each level chained by previous/next pointers. Works
// over an abstract page store so the file layer decides how pages are read, written and
// allocated; the pages a change allocates or frees are returned for the usage maps.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <unordered_map>
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
  // A number that changes whenever the page's bytes may have changed (each Write), so
  // that what was derived from them may be used again while it stays the same; 0 when
  // the store cannot tell, and then nothing derived is kept.
  virtual std::uint64_t Version(std::uint32_t /*page*/) { return 0; }
  // Read and Version at once.
  virtual const std::uint8_t* ReadWithVersion(std::uint32_t page, std::uint64_t& version) {
    const std::uint8_t* bytes = Read(page);
    version = Version(page);
    return bytes;
  }
};

// Layouts of a tree's pages kept from one insert to the next, so that the root and the
// busy pages are not laid out again each time. A layout is used again only while its
// page's version is the one it was made or kept current at.
class IndexLayouts {
 public:
  // The layout of the page as it is now.
  IndexPageLayout& Of(IndexPageStore& store, std::uint32_t page);
  // The caller changed the page through store.Write and brought `Of(page)` up to date
  // (InsertLeafEntry does); it stays valid at the page's new version.
  void Kept(IndexPageStore& store, std::uint32_t page);

 private:
  struct Layout {
    std::uint64_t version;
    IndexPageLayout layout;
  };
  // Enough for the nodes and the leaves a batch of rows touches in a tree of a
  // million entries, keys all over it; past it all go.
  static constexpr std::size_t kMaxKept = 8192;
  std::unordered_map<std::uint32_t, Layout> kept_;
  std::optional<IndexPageLayout> unkept_;
};

// Pages a change took into or out of the index, for the global and the index's usage map.
struct IndexChange {
  std::vector<std::uint32_t> allocated;
  std::vector<std::uint32_t> freed;
  bool keyExisted = false;  // an insert: another entry had the same key already
  std::size_t newKeys = 0;  // a run inserted: its distinct keys the tree did not hold before
};

// Adds `entry` (key and row pointer) to the tree under `root`, splitting full pages, and
// says whether another entry held the same key. Throws jet::Error (kIndexValueRefused)
// when the same key and row are there already. `layouts`, when given, are kept for the
// next insert into the same tree through the same store.
IndexChange InsertIndexEntry(IndexPageStore& store, std::uint32_t root, const IndexEntry& entry,
                             IndexLayouts* layouts = nullptr);

// Adds `entries` (sorted by key, then row pointer; none of them in the tree yet) with the
// same result as InsertIndexEntry called for each in turn, but parses and writes each leaf
// they land on once for all the entries it takes until it splits, not once per entry.
// `newKeys` counts the entries whose key the tree did not hold when they were added.
// Throws jet::Error: kIndexValueRefused for entries out of order, twice in the run or
// already in the tree, or too large for a page; kIndexDamaged for a damaged page. After
// an error the store may hold some of the run; the caller discards the statement.
IndexChange InsertIndexEntries(IndexPageStore& store, std::uint32_t root, std::span<const IndexEntry> entries);

// Removes `entry` from the tree under `root`, freeing pages left empty. Throws jet::Error
// (kIndexDamaged) when the entry is not there.
IndexChange DeleteIndexEntry(IndexPageStore& store, std::uint32_t root, const IndexEntry& entry);

// Whether the tree under `root` holds `entry` (key and row pointer).
bool HasIndexEntry(IndexPageStore& store, std::uint32_t root, const IndexEntry& entry);

// Whether an entry has exactly `key`: the search inserts make, on the pages' layouts,
// without taking pages apart. Throws jet::Error (kIndexDamaged) for a damaged page.
bool HoldsIndexKey(IndexPageStore& store, std::uint32_t root, const KeyBytes& key, IndexLayouts& layouts);

// Calls `take` with the key of every entry, leaf by leaf from the first, and returns how
// many there were. Throws jet::Error (kIndexDamaged) for a damaged page.
std::size_t ForEachIndexKey(IndexPageStore& store, std::uint32_t root,
                            const std::function<void(std::span<const std::uint8_t>)>& take);

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
