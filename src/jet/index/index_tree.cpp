// Index tree changes. A full page splits by moving its lower half to a new page placed
// before it on its level, so the full page keeps its last entry and its parent's entry for
// it stays right; the new page gets a parent entry in front. A full root moves its two
// halves into two new pages and becomes a node over them, keeping its page number.
//
// Pages are saved in the order a reader can survive being cut short at any point: a new
// page before anything points to it, a parent's new entry before the page it split gives
// up its lower half, so an interrupted split leaves entries found twice, never lost.
#include "index_tree.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <span>
#include <string>
#include <utility>

#include "index_error.h"

namespace jet::index {
namespace {

// Order of entries by key and row pointer, as nodes are searched.
std::strong_ordering Order(const IndexEntry& a, const IndexEntry& b) {
  if (auto c = std::lexicographical_compare_three_way(a.key.begin(), a.key.end(), b.key.begin(), b.key.end());
      c != 0) {
    return c;
  }
  return a.row <=> b.row;
}
bool Before(const IndexEntry& a, const IndexEntry& b) { return Order(a, b) < 0; }
bool SameEntry(const IndexEntry& a, const IndexEntry& b) { return a.key == b.key && a.row == b.row; }

constexpr std::uint8_t kNodeByte26 = 1;

struct Step {
  std::uint32_t page = 0;
  IndexPage content;
  int slot = -1;        // which entry of the parent leads here; -1: the parent's tail
  bool loaded = true;   // false: passed by binary search, `content` not filled yet
};

// Bytes after the key of an entry as stored: the row pointer, and a node's child.
std::size_t PointerBytes(IndexPageType type) { return EntrySize(IndexEntry{}, type); }

// A leaf's entries with a run's merged in, whole and back to back.
struct MergedLeaf {
  std::vector<std::uint8_t> data;
  std::vector<std::size_t> ends;  // where each entry ends, in bytes from the first
};

// The row pointer stored at `p`: the row's page in 3 bytes big-endian, then its number.
RowPointer StoredRow(const std::uint8_t* p) {
  return {std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2], p[3]};
}

// A leaf entry given whole.
IndexEntry LeafEntryOf(std::span<const std::uint8_t> whole) {
  const std::size_t keyEnd = whole.size() - PointerBytes(IndexPageType::kLeaf);
  return {KeyBytes(whole.begin(), whole.begin() + keyEnd), StoredRow(whole.data() + keyEnd), 0};
}

class Tree {
 public:
  Tree(IndexPageStore& store, std::uint32_t root) : store_(store), root_(root) {}

  IndexPage Load(std::uint32_t page) { return ParseIndexPage(store_.Read(page), page); }
  IndexPage& Loaded(Step& step) {
    if (!step.loaded) {
      step.content = Parsed(step.page);
      step.loaded = true;
    }
    return step.content;
  }
  // Keeps the nodes of a path that was stored, as saved, for the next descents of a run.
  void KeepNodes(std::vector<Step>& path) {
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
      if (!path[i].loaded) continue;
      if (const std::uint64_t version = store_.Version(path[i].page); version != 0) {
        parsed_.insert_or_assign(path[i].page, ParsedNode{version, std::move(path[i].content)});
      }
    }
  }

  // Pages are written with byte 26 as Access sets it (1 on nodes, 0 on leaves), and
  // without a shared prefix unless only one lets the entries fit, as on a page Access
  // filled with keys that share their start.
  static std::uint16_t PrefixToChoose(const IndexPage& page) {
    if (EntryBytes(page, 0) <= kMaxEntryBytes || page.entries.size() < 2) return 0;
    const KeyBytes& first = page.entries.front().key;
    std::size_t shared = first.size();
    for (const IndexEntry& e : page.entries) {
      const auto differ = std::mismatch(first.begin(), first.begin() + std::min(shared, e.key.size()), e.key.begin());
      shared = std::size_t(differ.first - first.begin());
    }
    return static_cast<std::uint16_t>(shared);
  }
  static bool Fits(const IndexPage& page) { return EntryBytes(page, PrefixToChoose(page)) <= kMaxEntryBytes; }
  // Whether a grown page can stay whole. Only a page that came with a shared prefix
  // (Access packs its pages so) may keep relying on one: pages of ours must fit without,
  // so that a later change that breaks the shared start cannot make them overflow.
  static bool FitsAfterGrowth(const IndexPage& page) {
    if (page.prefixLength > 0) return Fits(page);
    return EntryBytes(page, 0) <= kMaxEntryBytes;
  }

  // Writes the page; `content` then holds the prefix and byte 26 it was written with,
  // as it would read back.
  void Save(std::uint32_t page, IndexPage& content) {
    content.prefixLength = PrefixToChoose(content);
    content.byte26 = content.type == IndexPageType::kNode ? kNodeByte26 : 0;
    SerializeIndexPage(content, store_.Write(page));
  }

  // Root-to-leaf path towards where `target` belongs.
  std::vector<Step> Descend(const IndexEntry& target) {
    std::vector<Step> path;
    Step step{root_, Load(root_), -1};
    for (;;) {
      path.push_back(std::move(step));
      const IndexPage& page = path.back().content;
      if (page.type == IndexPageType::kLeaf) return path;
      if (path.size() > 16) Damaged(root_, "it is deeper than 16 levels");
      const auto it = std::find_if(page.entries.begin(), page.entries.end(),
                                   [&](const IndexEntry& e) { return !Before(e, target); });
      const int slot = it == page.entries.end() ? -1 : int(it - page.entries.begin());
      const std::uint32_t child = slot < 0 ? page.tailPage : it->child;
      if (child == 0) Damaged(path.back().page, "a node has no child to follow");
      step = {child, Load(child), slot};
    }
  }

  // Writes path[level] after entries were added, splitting it when it overflows.
  void StoreGrown(std::vector<Step>& path, std::size_t level) {
    Step& step = path[level];
    if (FitsAfterGrowth(step.content)) {
      Save(step.page, step.content);
      return;
    }
    auto [lower, upper] = Halves(step.content);
    if (level == 0) {
      const std::uint32_t lowerPage = Allocate();
      const std::uint32_t upperPage = Allocate();
      lower.nextPage = upperPage;
      upper.prevPage = lowerPage;
      IndexEntry separator = Separator(lower, lowerPage);
      Save(lowerPage, lower);
      Save(upperPage, upper);
      IndexPage root;
      root.type = IndexPageType::kNode;
      root.tdefPage = step.content.tdefPage;
      root.tailPage = upperPage;
      root.entries = {separator};
      step.content = std::move(root);
      Save(step.page, step.content);
      return;
    }
    const std::uint32_t lowerPage = Allocate();
    const std::uint32_t prevPage = step.content.prevPage;
    lower.prevPage = prevPage;
    lower.nextPage = step.page;
    upper.prevPage = lowerPage;
    IndexEntry separator = Separator(lower, lowerPage);
    Save(lowerPage, lower);
    IndexPage& parent = Loaded(path[level - 1]);
    const std::size_t at = step.slot < 0 ? parent.entries.size() : std::size_t(step.slot);
    parent.entries.insert(parent.entries.begin() + at, std::move(separator));
    StoreGrown(path, level - 1);
    if (prevPage != 0) SetNextIndexPage(store_.Write(prevPage), prevPage, lowerPage);
    path[level].content = std::move(upper);
    Save(path[level].page, path[level].content);
  }

  // Writes path's leaf as `merged` (`old`: the leaf as it was) without taking entries
  // apart, split as StoreGrown would split it and saved in the same order. False, with
  // nothing written, where StoreGrown's own way is needed: the root, a shared prefix, a
  // half too large.
  bool StoreMergedLeaf(std::vector<Step>& path, const IndexPageLayout& old, const MergedLeaf& merged) {
    const std::size_t level = path.size() - 1;
    if (level == 0 || old.prefixLength != 0) return false;
    const std::uint32_t page = path[level].page;
    IndexPage header;
    header.tdefPage = old.tdefPage;
    header.prevPage = old.prevPage;
    header.nextPage = old.nextPage;
    const std::span<const std::uint8_t> data = merged.data;
    const std::span<const std::size_t> ends = merged.ends;
    if (data.size() <= kMaxEntryBytes) {
      SerializeLeafEntries(header, data, ends, store_.Write(page));
      return true;
    }
    // The lower half takes entries while it holds less than half the bytes, as Halves
    // splits; a half that does not fit (a last entry of over half the bytes) is left to it.
    std::size_t cut = 1;
    while (cut < ends.size() && ends[cut - 1] < data.size() / 2) ++cut;
    const std::size_t lowerBytes = ends[cut - 1];
    if (lowerBytes > kMaxEntryBytes || data.size() - lowerBytes > kMaxEntryBytes) return false;
    const std::uint32_t lowerPage = Allocate();
    IndexPage lower = header;
    lower.nextPage = page;
    SerializeLeafEntries(lower, data.first(lowerBytes), ends.first(cut), store_.Write(lowerPage));
    const std::size_t lastStart = cut == 1 ? 0 : ends[cut - 2];
    IndexEntry separator = LeafEntryOf(data.subspan(lastStart, lowerBytes - lastStart));
    separator.child = lowerPage;
    IndexPage& parent = Loaded(path[level - 1]);
    const std::size_t at = path[level].slot < 0 ? parent.entries.size() : std::size_t(path[level].slot);
    parent.entries.insert(parent.entries.begin() + at, std::move(separator));
    StoreGrown(path, level - 1);
    if (header.prevPage != 0) SetNextIndexPage(store_.Write(header.prevPage), header.prevPage, lowerPage);
    IndexPage upper = header;
    upper.prevPage = lowerPage;
    std::vector<std::size_t> upperEnds(ends.begin() + cut, ends.end());
    for (std::size_t& end : upperEnds) end -= lowerBytes;
    SerializeLeafEntries(upper, data.subspan(lowerBytes), upperEnds, store_.Write(page));
    return true;
  }

  // path[level]'s last entry became `newLast`: fix the first ancestor entry that names it.
  void LastEntryChanged(std::vector<Step>& path, std::size_t level, const IndexEntry& newLast) {
    for (; level > 0; --level) {
      if (path[level].slot < 0) continue;
      IndexEntry& entry = path[level - 1].content.entries[path[level].slot];
      entry.key = newLast.key;
      entry.row = newLast.row;
      Save(path[level - 1].page, path[level - 1].content);
      return;
    }
  }

  // path[level] lost its last child or entry and is empty: unlink and free it.
  void RemoveEmpty(std::vector<Step>& path, std::size_t level) {
    const Step& step = path[level];
    if (step.content.prevPage != 0) {
      IndexPage before = Load(step.content.prevPage);
      before.nextPage = step.content.nextPage;
      Save(step.content.prevPage, before);
    }
    if (step.content.nextPage != 0) {
      IndexPage after = Load(step.content.nextPage);
      after.prevPage = step.content.prevPage;
      Save(step.content.nextPage, after);
    }
    change_.freed.push_back(step.page);
    IndexPage& parent = path[level - 1].content;
    if (step.slot >= 0) {
      parent.entries.erase(parent.entries.begin() + step.slot);
    } else if (!parent.entries.empty()) {
      // The last entry's child becomes the tail: the parent now ends with that child.
      parent.tailPage = parent.entries.back().child;
      const IndexEntry newLast = parent.entries.back();
      parent.entries.pop_back();
      Save(path[level - 1].page, parent);
      LastEntryChanged(path, level - 1, newLast);
    } else {
      parent.tailPage = 0;
    }
    if (level - 1 > 0 && parent.entries.empty() && parent.tailPage == 0) {
      RemoveEmpty(path, level - 1);
      return;
    }
    Save(path[level - 1].page, parent);
    if (level - 1 == 0) CollapseRoot();
  }

  // A root node left with a tail only takes over its single child.
  void CollapseRoot() {
    for (IndexPage root = Load(root_); root.type == IndexPageType::kNode && root.entries.empty();) {
      if (root.tailPage == 0) {
        root = IndexPage{};
        root.tdefPage = Load(root_).tdefPage;
      } else {
        const std::uint32_t child = root.tailPage;
        root = Load(child);
        root.prevPage = root.nextPage = 0;
        change_.freed.push_back(child);
      }
      Save(root_, root);
    }
  }

  IndexChange TakeChange() { return change_; }
  void NoteKeyExisted(bool existed) { change_.keyExisted = existed; }

  [[noreturn]] static void Damaged(std::uint32_t page, const std::string& what) {
    ThrowIndexError(kIndexDamaged, "Index page " + std::to_string(page) + " is damaged: " + what + ".");
  }

 private:
  std::uint32_t Allocate() {
    const std::uint32_t page = store_.Allocate();
    change_.allocated.push_back(page);
    return page;
  }

  // Splits an overflowing page's entries about the middle of their bytes, taking them.
  static std::pair<IndexPage, IndexPage> Halves(IndexPage& full) {
    IndexPage lower;
    lower.type = full.type;
    lower.tdefPage = full.tdefPage;
    IndexPage upper = lower;
    upper.tailPage = full.tailPage;
    upper.nextPage = full.nextPage;
    std::size_t total = 0;
    for (const IndexEntry& e : full.entries) total += EntrySize(e, full.type);
    std::size_t bytes = 0;
    lower.entries.reserve(full.entries.size());
    upper.entries.reserve(full.entries.size());
    for (IndexEntry& e : full.entries) {
      const bool toLower = bytes < total / 2 || lower.entries.empty();
      bytes += EntrySize(e, full.type);
      (toLower ? lower : upper).entries.push_back(std::move(e));
    }
    full.entries.clear();
    if (upper.entries.empty() && full.type == IndexPageType::kLeaf) {
      upper.entries.push_back(lower.entries.back());
      lower.entries.pop_back();
    }
    if (!Fits(lower) || !Fits(upper)) {
      ThrowIndexError(kIndexValueRefused, "An index entry is too large for an index page.");
    }
    return {std::move(lower), std::move(upper)};
  }

  // The parent entry for a new page: its last entry; a node's last entry gives up its
  // child to become the page's tail.
  static IndexEntry Separator(IndexPage& page, std::uint32_t pageNumber) {
    IndexEntry separator = page.entries.back();
    if (page.type == IndexPageType::kNode) {
      page.tailPage = separator.child;
      page.entries.pop_back();
    }
    separator.child = pageNumber;
    return separator;
  }

  IndexPage Parsed(std::uint32_t page) {
    if (auto it = parsed_.find(page); it != parsed_.end()) {
      ParsedNode node = std::move(it->second);
      parsed_.erase(it);
      if (node.version == store_.Version(page)) return std::move(node.content);
    }
    return Load(page);
  }

  struct ParsedNode {
    std::uint64_t version;
    IndexPage content;
  };
  IndexPageStore& store_;
  std::uint32_t root_;
  IndexChange change_;
  std::unordered_map<std::uint32_t, ParsedNode> parsed_;  // see KeepNodes
};

// An entry's order against `target`, the entry given whole as it lies on a page.
std::strong_ordering CompareStored(std::span<const std::uint8_t> whole, IndexPageType type,
                                   const IndexEntry& target) {
  const std::size_t keyEnd = whole.size() - PointerBytes(type);
  const std::size_t common = std::min(keyEnd, target.key.size());
  if (const int c = common == 0 ? 0 : std::memcmp(whole.data(), target.key.data(), common); c != 0) return c <=> 0;
  if (keyEnd != target.key.size()) return keyEnd <=> target.key.size();
  return StoredRow(whole.data() + keyEnd) <=> target.row;
}

bool SameKey(std::span<const std::uint8_t> whole, const KeyBytes& key) {
  return whole.size() == key.size() + PointerBytes(IndexPageType::kLeaf) &&
         std::equal(key.begin(), key.end(), whole.begin());
}

// The first entry of the page not before `target` (entries are strictly increasing).
std::size_t FirstNotBefore(const IndexPageLayout& page, const IndexEntry& target, std::vector<std::uint8_t>& scratch) {
  std::size_t lo = 0, hi = page.ends.size();
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (CompareStored(page.Entry(mid, scratch), page.type, target) < 0) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

// The child a node entry, given whole, leads to.
std::uint32_t ChildOf(std::span<const std::uint8_t> nodeEntry) {
  const std::uint8_t* p = nodeEntry.data() + nodeEntry.size() - 4;
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// Whether the leaf `page` (another leaf's neighbour) starts, or ends, with an entry of `key`.
bool NeighbourHasKey(IndexPageStore& store, std::uint32_t page, bool atStart, const KeyBytes& key) {
  const IndexPageLayout layout(store.Read(page), page);
  if (layout.ends.empty()) return false;
  std::vector<std::uint8_t> scratch;
  return SameKey(layout.Entry(atStart ? 0 : layout.ends.size() - 1, scratch), key);
}

// Whether the tree holds an entry of `key` beside `position` of `leaf`, where it would go.
// Entries of one key lie together: a neighbour has it, on this leaf or, at its ends, on
// the leaf before or after.
bool KeyHeldBeside(IndexPageStore& store, const IndexPageLayout& leaf, std::size_t position, const KeyBytes& key,
                   std::vector<std::uint8_t>& scratch) {
  const std::size_t count = leaf.ends.size();
  if (position < count && SameKey(leaf.Entry(position, scratch), key)) return true;
  if (position == count && leaf.nextPage != 0 && NeighbourHasKey(store, leaf.nextPage, true, key)) return true;
  if (position > 0) return SameKey(leaf.Entry(position - 1, scratch), key);
  return leaf.prevPage != 0 && NeighbourHasKey(store, leaf.prevPage, false, key);
}

// The common insert, without taking pages apart: the descent compares entries where they
// lie, and a leaf with room and no shared prefix takes the entry in place. False, with
// nothing changed, where the general path is needed: a page to split, a shared prefix, a
// neighbouring leaf to ask whether the key is there, anything unexpected.
bool InsertInPlace(IndexPageStore& store, std::uint32_t root, const IndexEntry& entry, IndexLayouts& layouts,
                   bool& keyExisted) {
  std::vector<std::uint8_t> scratch;
  std::uint32_t pageNumber = root;
  for (int depth = 0;; ++depth) {
    if (depth > 16) return false;
    IndexPageLayout& page = layouts.Of(store, pageNumber);
    const std::size_t count = page.ends.size();
    const std::size_t lo = FirstNotBefore(page, entry, scratch);
    if (page.type == IndexPageType::kNode) {
      const std::uint32_t child = lo < count ? ChildOf(page.Entry(lo, scratch)) : page.tailPage;
      if (child == 0) return false;
      pageNumber = child;
      continue;
    }
    if (page.prefixLength != 0 || page.Used() + EntrySize(entry, IndexPageType::kLeaf) > kMaxEntryBytes) return false;
    if (lo < count && CompareStored(page.Entry(lo, scratch), page.type, entry) == 0) return false;
    bool existed = (lo < count && SameKey(page.Entry(lo, scratch), entry.key)) ||
                   (lo > 0 && SameKey(page.Entry(lo - 1, scratch), entry.key));
    if (!existed && ((lo == count && page.nextPage != 0) || (lo == 0 && page.prevPage != 0))) return false;
    InsertLeafEntry(store.Write(pageNumber), page, lo, entry);
    layouts.Kept(store, pageNumber);
    keyExisted = existed;
    return true;
  }
}

// Root-to-leaf path towards `target` by binary searches on the pages as they lie, none
// parsed: a node is parsed when a split reaches it. `bound` receives the nearest
// ancestor entry above the leaf, whole: the last entry the leaf may take (empty for the
// rightmost leaf, which takes everything after it).
std::vector<Step> DescendLaidOut(IndexPageStore& store, std::uint32_t root, const IndexEntry& target,
                                 IndexLayouts& layouts, std::vector<std::uint8_t>& bound) {
  std::vector<Step> path;
  std::vector<std::uint8_t> scratch;
  bound.clear();
  std::uint32_t pageNumber = root;
  int slot = -1;
  for (;;) {
    // The leaf is about to change: it is not laid out to be kept.
    if (store.Read(pageNumber)[0] == std::uint8_t(IndexPageType::kLeaf)) {
      path.push_back({pageNumber, {}, slot, false});
      return path;
    }
    const IndexPageLayout& page = layouts.Of(store, pageNumber);
    path.push_back({pageNumber, {}, slot, false});
    if (path.size() > 16) Tree::Damaged(root, "it is deeper than 16 levels");
    const std::size_t at = FirstNotBefore(page, target, scratch);
    std::uint32_t child = page.tailPage;
    slot = -1;
    if (at < page.ends.size()) {
      const std::span<const std::uint8_t> entry = page.Entry(at, scratch);
      bound.assign(entry.begin(), entry.end());
      child = ChildOf(entry);
      slot = int(at);
    }
    if (child == 0) Tree::Damaged(pageNumber, "a node has no child to follow");
    pageNumber = child;
  }
}

// How far ahead of the entry being merged its run's keys are fetched.
constexpr std::size_t kKeysAhead = 8;

// Appends the leaf's entries [from, to) whole.
void AppendStored(const IndexPageLayout& leaf, std::size_t from, std::size_t to, MergedLeaf& out,
                  std::vector<std::uint8_t>& scratch) {
  if (from >= to) return;
  if (leaf.prefixLength == 0) {
    const std::uint8_t* entries = leaf.bytes + kEntriesOffset;
    const std::size_t start = from == 0 ? 0 : leaf.ends[from - 1];
    const std::size_t base = out.data.size();
    out.data.insert(out.data.end(), entries + start, entries + leaf.ends[to - 1]);
    for (std::size_t i = from; i < to; ++i) out.ends.push_back(base + leaf.ends[i] - start);
    return;
  }
  for (std::size_t i = from; i < to; ++i) {
    const std::span<const std::uint8_t> whole = leaf.Entry(i, scratch);
    out.data.insert(out.data.end(), whole.begin(), whole.end());
    out.ends.push_back(out.data.size());
  }
}

// Appends a new leaf entry whole.
void AppendNew(const IndexEntry& entry, MergedLeaf& out) {
  out.data.insert(out.data.end(), entry.key.begin(), entry.key.end());
  const std::uint8_t row[] = {std::uint8_t(entry.row.page >> 16), std::uint8_t(entry.row.page >> 8),
                              std::uint8_t(entry.row.page), entry.row.row};
  out.data.insert(out.data.end(), std::begin(row), std::end(row));
  out.ends.push_back(out.data.size());
}

// Merges into `merged` the leaf's entries and those of `run` from `first` on that belong
// to it (up to `bound`), as InsertIndexEntry would add them one by one: it stops after
// the entry that makes the leaf overflow, where that would split it, so one split leaves
// the tree as the loop would. A leaf Access packed with a shared prefix takes one entry,
// so the rule for keeping such pages whole applies unchanged. Returns the end of what it
// took; counts the new keys.
std::size_t MergeIntoLeaf(IndexPageStore& store, const IndexPageLayout& leaf, std::span<const IndexEntry> run,
                          std::size_t first, const std::vector<std::uint8_t>& bound, std::size_t& newKeys,
                          MergedLeaf& merged) {
  std::vector<std::uint8_t> scratch;
  const std::size_t count = leaf.ends.size();
  std::size_t bytes = leaf.Used() + (count > 1 ? leaf.prefixLength * (count - 1) : 0);  // whole
  std::size_t position = 0;
  std::size_t copied = 0;
  std::size_t end = first;
  for (; end < run.size(); ++end) {
    // A sorted run's keys lie scattered over the heap: ask for the ones ahead early.
    if (end + kKeysAhead < run.size()) __builtin_prefetch(run[end + kKeysAhead].key.data());
    const IndexEntry& entry = run[end];
    if (end > first && (leaf.prefixLength != 0 || bytes > kMaxEntryBytes ||
                        (!bound.empty() && CompareStored(bound, IndexPageType::kNode, entry) < 0))) {
      break;
    }
    // The run's order is checked as it is taken, each key once read.
    if (const auto order = end > 0 ? Order(run[end - 1], entry) : std::strong_ordering::less; order >= 0) {
      ThrowIndexError(kIndexValueRefused, order == 0 ? "An index entry to add is given twice."
                                                     : "The index entries to add are not in order.");
    }
    auto leafOrder = std::strong_ordering::less;  // of the leaf's entry at `position`
    while (position < count &&
           (leafOrder = CompareStored(leaf.Entry(position, scratch), IndexPageType::kLeaf, entry)) < 0) {
      ++position;
    }
    if (leafOrder == 0) ThrowIndexError(kIndexValueRefused, "The index already holds this entry.");
    // An entry of the run added before it counts as in the tree, as it would be then.
    const bool existed =
        (end > 0 && run[end - 1].key == entry.key) || KeyHeldBeside(store, leaf, position, entry.key, scratch);
    if (!existed) ++newKeys;
    AppendStored(leaf, copied, position, merged, scratch);
    copied = position;
    AppendNew(entry, merged);
    bytes += EntrySize(entry, IndexPageType::kLeaf);
  }
  AppendStored(leaf, copied, count, merged, scratch);
  return end;
}

// The merged leaf as a page to store the general way, with the leaf's header.
IndexPage MergedPage(const IndexPageLayout& leaf, const MergedLeaf& merged) {
  IndexPage page;
  page.tdefPage = leaf.tdefPage;
  page.prevPage = leaf.prevPage;
  page.nextPage = leaf.nextPage;
  page.prefixLength = leaf.prefixLength;
  page.entries.reserve(merged.ends.size());
  for (std::size_t i = 0, start = 0; i < merged.ends.size(); start = merged.ends[i++]) {
    page.entries.push_back(LeafEntryOf(std::span(merged.data).subspan(start, merged.ends[i] - start)));
  }
  return page;
}

}  // namespace

IndexPageLayout& IndexLayouts::Of(IndexPageStore& store, std::uint32_t page) {
  std::uint64_t version = 0;
  const std::uint8_t* bytes = store.ReadWithVersion(page, version);
  if (version == 0) return unkept_.emplace(bytes, page);
  if (auto it = kept_.find(page); it != kept_.end()) {
    if (it->second.version == version) {
      it->second.layout.bytes = bytes;
      return it->second.layout;
    }
    kept_.erase(it);
  }
  if (kept_.size() >= kMaxKept) kept_.clear();
  return kept_.emplace(page, Layout{version, IndexPageLayout(bytes, page)}).first->second.layout;
}

void IndexLayouts::Kept(IndexPageStore& store, std::uint32_t page) {
  if (auto it = kept_.find(page); it != kept_.end()) it->second.version = store.Version(page);
}

IndexChange InsertIndexEntry(IndexPageStore& store, std::uint32_t root, const IndexEntry& entry,
                             IndexLayouts* layouts) {
  IndexLayouts once;
  if (IndexChange change; InsertInPlace(store, root, entry, layouts ? *layouts : once, change.keyExisted))
    return change;
  Tree tree(store, root);
  std::vector<Step> path = tree.Descend(entry);
  IndexPage& leaf = path.back().content;
  const auto at = std::lower_bound(leaf.entries.begin(), leaf.entries.end(), entry, Before);
  if (at != leaf.entries.end() && SameEntry(*at, entry)) {
    ThrowIndexError(kIndexValueRefused, "The index already holds this entry.");
  }
  std::vector<std::uint8_t> scratch;
  tree.NoteKeyExisted(KeyHeldBeside(store, IndexPageLayout(store.Read(path.back().page), path.back().page),
                                    std::size_t(at - leaf.entries.begin()), entry.key, scratch));
  IndexEntry stored = entry;
  stored.child = 0;
  leaf.entries.insert(at, stored);
  tree.StoreGrown(path, path.size() - 1);
  return tree.TakeChange();
}

IndexChange InsertIndexEntries(IndexPageStore& store, std::uint32_t root, std::span<const IndexEntry> entries) {
  Tree tree(store, root);
  IndexLayouts layouts;  // the nodes, searched again by the next descent
  std::vector<std::uint8_t> bound;
  std::size_t newKeys = 0;
  for (std::size_t next = 0; next < entries.size();) {
    std::vector<Step> path = DescendLaidOut(store, root, entries[next], layouts, bound);
    Step& leafStep = path.back();
    const IndexPageLayout leaf(store.Read(leafStep.page), leafStep.page);
    MergedLeaf merged;
    next = MergeIntoLeaf(store, leaf, entries, next, bound, newKeys, merged);
    if (!tree.StoreMergedLeaf(path, leaf, merged)) {
      leafStep.content = MergedPage(leaf, merged);
      leafStep.loaded = true;
      tree.StoreGrown(path, path.size() - 1);
    }
    tree.KeepNodes(path);
  }
  IndexChange change = tree.TakeChange();
  change.newKeys = newKeys;
  return change;
}

IndexChange DeleteIndexEntry(IndexPageStore& store, std::uint32_t root, const IndexEntry& entry) {
  Tree tree(store, root);
  std::vector<Step> path = tree.Descend(entry);
  const std::size_t leafLevel = path.size() - 1;
  IndexPage& leaf = path[leafLevel].content;
  const auto at = std::lower_bound(leaf.entries.begin(), leaf.entries.end(), entry, Before);
  if (at == leaf.entries.end() || !SameEntry(*at, entry)) {
    Tree::Damaged(path[leafLevel].page, "an entry to delete is missing");
  }
  const bool wasLast = at + 1 == leaf.entries.end();
  leaf.entries.erase(at);
  if (leaf.entries.empty() && leafLevel > 0) {
    tree.RemoveEmpty(path, leafLevel);
  } else {
    tree.Save(path[leafLevel].page, leaf);
    if (wasLast && !leaf.entries.empty()) tree.LastEntryChanged(path, leafLevel, leaf.entries.back());
  }
  return tree.TakeChange();
}

bool HasIndexEntry(IndexPageStore& store, std::uint32_t root, const IndexEntry& entry) {
  Tree tree(store, root);
  const std::vector<Step> path = tree.Descend(entry);
  const IndexPage& leaf = path.back().content;
  const auto at = std::lower_bound(leaf.entries.begin(), leaf.entries.end(), entry, Before);
  return at != leaf.entries.end() && SameEntry(*at, entry);
}

bool HoldsIndexKey(IndexPageStore& store, std::uint32_t root, const KeyBytes& key, IndexLayouts& layouts) {
  // No entry points to page 0, so the probe comes before every entry of the key.
  const IndexEntry probe{key, {0, 0}, 0};
  std::vector<std::uint8_t> scratch;
  std::uint32_t pageNumber = root;
  for (int depth = 0;; ++depth) {
    if (depth > 16) Tree::Damaged(root, "it is deeper than 16 levels");
    const IndexPageLayout& page = layouts.Of(store, pageNumber);
    const std::size_t lo = FirstNotBefore(page, probe, scratch);
    if (page.type == IndexPageType::kLeaf) {
      if (lo < page.ends.size()) return SameKey(page.Entry(lo, scratch), key);
      if (page.nextPage == 0) return false;
      const IndexPageLayout& next = layouts.Of(store, page.nextPage);
      return !next.ends.empty() && SameKey(next.Entry(0, scratch), key);
    }
    const std::uint32_t child = lo < page.ends.size() ? ChildOf(page.Entry(lo, scratch)) : page.tailPage;
    if (child == 0) Tree::Damaged(pageNumber, "a node has no child to follow");
    pageNumber = child;
  }
}

std::size_t ForEachIndexKey(IndexPageStore& store, std::uint32_t root,
                            const std::function<void(std::span<const std::uint8_t>)>& take) {
  std::vector<std::uint8_t> scratch;
  std::uint32_t pageNumber = root;
  for (int depth = 0;; ++depth) {
    if (depth > 16) Tree::Damaged(root, "it is deeper than 16 levels");
    const IndexPageLayout page(store.Read(pageNumber), pageNumber);
    if (page.type == IndexPageType::kLeaf) break;
    const std::uint32_t child = page.ends.empty() ? page.tailPage : ChildOf(page.Entry(0, scratch));
    if (child == 0) Tree::Damaged(pageNumber, "a node has no child to follow");
    pageNumber = child;
  }
  const std::size_t pointer = PointerBytes(IndexPageType::kLeaf);
  std::size_t count = 0;
  for (std::size_t leaves = 0; pageNumber != 0; ++leaves) {
    if (leaves > kMaxPageNumber) Tree::Damaged(root, "its leaves are chained in a loop");
    const IndexPageLayout leaf(store.Read(pageNumber), pageNumber);
    if (leaf.type != IndexPageType::kLeaf) Tree::Damaged(pageNumber, "leaves and nodes share a level");
    for (std::size_t i = 0; i < leaf.ends.size(); ++i) {
      const std::span<const std::uint8_t> whole = leaf.Entry(i, scratch);
      take(whole.first(whole.size() - pointer));
    }
    count += leaf.ends.size();
    pageNumber = leaf.nextPage;
  }
  return count;
}

std::optional<IndexEntry> FindIndexKey(IndexPageStore& store, std::uint32_t root, const KeyBytes& key) {
  Tree tree(store, root);
  IndexEntry probe{key, {0, 0}, 0};
  std::vector<Step> path = tree.Descend(probe);
  for (IndexPage page = path.back().content;;) {
    for (const IndexEntry& e : page.entries) {
      if (e.key == key) return e;
      if (!Before(e, probe)) return std::nullopt;
    }
    if (page.nextPage == 0) return std::nullopt;
    page = tree.Load(page.nextPage);
  }
}

IndexWalk WalkIndex(IndexPageStore& store, std::uint32_t root) {
  IndexWalk walk;
  std::set<std::uint32_t> seen;
  std::vector<std::uint32_t> level = {root};
  std::uint32_t tdef = 0;
  // Per page: the entry its parent must carry (its last entry) once known.
  std::vector<std::pair<std::uint32_t, IndexEntry>> claims;  // child page, parent's entry for it
  std::vector<std::pair<std::uint32_t, IndexEntry>> lasts;   // page, its last leaf entry
  std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>> tails;  // per level: page, tail
  while (!level.empty()) {
    ++walk.levels;
    if (walk.levels > 16) Tree::Damaged(root, "the tree is deeper than 16 levels");
    std::vector<std::uint32_t> next;
    std::optional<IndexPageType> type;
    tails.emplace_back();
    for (std::size_t i = 0; i < level.size(); ++i) {
      const std::uint32_t n = level[i];
      if (!seen.insert(n).second) Tree::Damaged(n, "it is reached twice");
      walk.pages.push_back(n);
      const IndexPage page = ParseIndexPage(store.Read(n), n);
      if (n == root) tdef = page.tdefPage;
      if (page.tdefPage != tdef) Tree::Damaged(n, "it names another table");
      if (type && *type != page.type) Tree::Damaged(n, "leaves and nodes share a level");
      type = page.type;
      if (page.prevPage != (i == 0 ? 0 : level[i - 1]) || page.nextPage != (i + 1 == level.size() ? 0 : level[i + 1])) {
        Tree::Damaged(n, "its previous/next pointers are wrong");
      }
      if (page.type == IndexPageType::kLeaf) {
        if (page.entries.empty() && n != root) Tree::Damaged(n, "a leaf is empty");
        for (const IndexEntry& e : page.entries) {
          if (!walk.entries.empty() && !Before(walk.entries.back(), e)) Tree::Damaged(n, "entries are out of order");
          walk.entries.push_back(e);
        }
        if (!page.entries.empty()) lasts.emplace_back(n, page.entries.back());
      } else {
        if (page.tailPage == 0) Tree::Damaged(n, "a node has no tail page");
        for (const IndexEntry& e : page.entries) {
          next.push_back(e.child);
          claims.emplace_back(e.child, e);
        }
        next.push_back(page.tailPage);
        tails.back().emplace_back(n, page.tailPage);
      }
    }
    level = next;
  }
  // A node's last entry is its tail's: resolve levels bottom-up.
  for (auto it = tails.rbegin(); it != tails.rend(); ++it) {
    for (const auto& [node, tail] : *it) {
      const auto last = std::find_if(lasts.begin(), lasts.end(), [t = tail](const auto& p) { return p.first == t; });
      if (last != lasts.end()) lasts.emplace_back(node, last->second);
    }
  }
  for (const auto& [child, claim] : claims) {
    const auto last = std::find_if(lasts.begin(), lasts.end(), [c = child](const auto& p) { return p.first == c; });
    if (last == lasts.end() || !SameEntry(last->second, claim)) {
      Tree::Damaged(child, "its parent's entry is not its last entry");
    }
  }
  return walk;
}

}  // namespace jet::index
