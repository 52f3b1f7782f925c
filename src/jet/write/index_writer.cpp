#include "jet/write/index_writer.h"

#include <algorithm>

#include "dataaccess/error.h"
#include "jet/error.h"
#include "jet/text_codec.h"

namespace jet {
namespace {

using index::IndexEntry;
using index::IndexPage;
using index::IndexPageType;

constexpr std::size_t kUniqueCountOffset = 63 + 4;  // in each 12-byte real-index block
constexpr std::uint8_t kNodeMarker = 1;               // byte 26 of Access's node pages

}  // namespace

index::KeyValue ToKeyValue(const Value& v) {
  return std::visit(
      [](const auto& x) -> index::KeyValue {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, Null>) return index::KeyNull{};
        else if constexpr (std::is_same_v<T, bool>) return x;
        else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int16_t> ||
                           std::is_same_v<T, std::int32_t>) return std::int64_t{x};
        else if constexpr (std::is_same_v<T, Currency>) return x.tenThousandths;
        else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) return double{x};
        else if constexpr (std::is_same_v<T, DateTime>) return x.oleDate;
        else if constexpr (std::is_same_v<T, Binary>) return x.bytes;
        else if constexpr (std::is_same_v<T, Guid>) return std::vector<std::uint8_t>(x.bytes.begin(), x.bytes.end());
        else if constexpr (std::is_same_v<T, Text> || std::is_same_v<T, Memo>) return Utf8ToUtf16(x.text);
        else throw Error(kStatementFailed, "A value of this type cannot be indexed.");
      },
      v);
}

namespace {

index::RowPointer ToIndexRow(RowPointer r) { return {r.page, r.row}; }

// Splits entries about the middle of their bytes; both halves non-empty.
std::size_t SplitPoint(const IndexPage& page) {
  std::size_t total = index::EntryBytes(page);
  std::size_t sum = 0;
  for (std::size_t i = 0; i + 1 < page.entries.size(); ++i) {
    sum += index::EntrySize(page.entries[i], page.type);
    if (sum >= total / 2) return std::max<std::size_t>(i + 1, page.type == IndexPageType::kNode ? 2 : 1);
  }
  return page.entries.size() - 1;
}

}  // namespace

void RethrowIndexError() {
  try {
    throw;
  } catch (const dataaccess::DbError& e) {
    throw Error(e.Number(), e.Description());
  }
}

IndexWriter::IndexWriter(Pager& pager, PageSpace& space, const TableDef& def, std::size_t realIndex)
    : pager_(pager), space_(space), def_(def), realIndex_(realIndex) {
  for (auto [number, ascending] : def.realIndexes.at(realIndex).columns) {
    auto it = std::find_if(def.columns.begin(), def.columns.end(), [&](const Column& c) { return c.number == number; });
    if (it == def.columns.end()) ThrowDamaged("an index on a column the table does not have");
    keyColumns_.push_back({static_cast<index::KeyType>(it->type), ascending});
    valueIndexes_.push_back(static_cast<std::size_t>(it - def.columns.begin()));
  }
}

index::KeyBytes IndexWriter::KeyOf(const std::vector<Value>& values) const {
  std::vector<index::KeyValue> keyValues;
  for (std::size_t i : valueIndexes_) keyValues.push_back(ToKeyValue(values.at(i)));
  try {
    return index::EncodeIndexKey(keyColumns_, keyValues);
  } catch (...) {
    RethrowIndexError();
  }
}

IndexPage IndexWriter::Load(std::uint32_t page) {
  try {
    return index::ParseIndexPage(pager_.Read(page)->data(), page);
  } catch (...) {
    RethrowIndexError();
  }
}

void IndexWriter::Store(std::uint32_t page, IndexPage contents) {
  contents.prefixLength = 0;
  contents.tdefPage = def_.page;
  try {
    index::SerializeIndexPage(contents, pager_.Write(page));
  } catch (...) {
    RethrowIndexError();
  }
}

std::uint32_t IndexWriter::NewPage() {
  std::uint32_t page = pager_.Allocate();
  AddToMap(pager_, def_.realIndexes[realIndex_].usageMap, page);
  return page;
}

std::vector<IndexWriter::Step> IndexWriter::Descend(const IndexEntry& target) {
  std::vector<Step> path;
  std::uint32_t page = def_.realIndexes[realIndex_].rootPage;
  for (;;) {
    if (path.size() > 32) ThrowDamaged("an index deeper than any Jet writes");
    IndexPage contents = Load(page);
    auto it = std::lower_bound(contents.entries.begin(), contents.entries.end(), target);
    std::size_t child = static_cast<std::size_t>(it - contents.entries.begin());
    bool leaf = contents.type == IndexPageType::kLeaf;
    std::uint32_t next = leaf ? 0 : (child < contents.entries.size() ? it->child : contents.tailPage);
    path.push_back({page, std::move(contents), child});
    if (leaf) return path;
    if (next == 0) ThrowDamaged("an index node without a child");
    page = next;
  }
}

std::optional<RowPointer> IndexWriter::Find(const index::KeyBytes& key) {
  std::vector<Step> path = Descend({key, {0, 0}, 0});
  const Step& leaf = path.back();
  const IndexEntry* found = nullptr;
  IndexPage next;
  if (leaf.child < leaf.contents.entries.size()) {
    found = &leaf.contents.entries[leaf.child];
  } else if (leaf.contents.nextPage != 0) {
    next = Load(leaf.contents.nextPage);
    if (!next.entries.empty()) found = &next.entries.front();
  }
  if (!found || found->key != key) return std::nullopt;
  return RowPointer{found->row.page, found->row.row};
}

void IndexWriter::BumpUniqueCount() {
  std::uint8_t* tdef = pager_.Write(def_.page);
  std::size_t at = kUniqueCountOffset + 12 * realIndex_;
  PutU32(tdef + at, U32(ByteSpan(tdef, kPageSize), at) + 1);
}

void IndexWriter::Insert(const index::KeyBytes& key, RowPointer row) {
  if (!Find(key)) BumpUniqueCount();
  IndexEntry entry{key, ToIndexRow(row), 0};
  std::vector<Step> path = Descend(entry);
  InsertIntoPath(path, path.size() - 1, std::move(entry));
}

void IndexWriter::InsertIntoPath(std::vector<Step>& path, std::size_t level, IndexEntry entry) {
  Step& step = path[level];
  auto& entries = step.contents.entries;
  entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(step.child), std::move(entry));
  step.contents.prefixLength = 0;
  if (index::EntryBytes(step.contents) <= index::kMaxEntryBytes) {
    Store(step.page, step.contents);
    return;
  }
  Split(path, level);
}

void IndexWriter::Split(std::vector<Step>& path, std::size_t level) {
  IndexPage& full = path[level].contents;
  const bool node = full.type == IndexPageType::kNode;
  std::size_t middle = SplitPoint(full);
  IndexPage left;
  left.type = full.type;
  left.byte26 = node ? kNodeMarker : 0;
  left.entries.assign(full.entries.begin(), full.entries.begin() + static_cast<std::ptrdiff_t>(middle));
  IndexEntry separator = left.entries.back();
  if (node) {
    left.tailPage = separator.child;
    left.entries.pop_back();
  }
  full.entries.erase(full.entries.begin(), full.entries.begin() + static_cast<std::ptrdiff_t>(middle));

  if (level == 0) {
    // The root keeps its page: both halves move to new pages below it.
    IndexPage right = full;
    right.byte26 = node ? kNodeMarker : 0;
    std::uint32_t leftPage = NewPage();
    std::uint32_t rightPage = NewPage();
    left.prevPage = 0;
    left.nextPage = rightPage;
    right.prevPage = leftPage;
    right.nextPage = 0;
    Store(leftPage, left);
    Store(rightPage, right);
    IndexPage root;
    root.type = IndexPageType::kNode;
    root.byte26 = kNodeMarker;
    separator.child = leftPage;
    root.entries.push_back(separator);
    root.tailPage = rightPage;
    path[0].contents = root;
    Store(path[0].page, root);
    return;
  }
  std::uint32_t page = path[level].page;
  std::uint32_t leftPage = NewPage();
  left.prevPage = full.prevPage;
  left.nextPage = page;
  Store(leftPage, left);
  separator.child = leftPage;
  // The parent first: until this page is rewritten the moved entries are
  // merely found twice, never lost.
  InsertIntoPath(path, level - 1, separator);
  if (full.prevPage != 0) {
    IndexPage before = Load(full.prevPage);
    before.nextPage = leftPage;
    Store(full.prevPage, before);
  }
  full.prevPage = leftPage;
  Store(page, full);
}

bool IndexWriter::Remove(const index::KeyBytes& key, RowPointer row) {
  IndexEntry target{key, ToIndexRow(row), 0};
  std::vector<Step> path = Descend(target);
  Step& leaf = path.back();
  if (leaf.child >= leaf.contents.entries.size() || !(leaf.contents.entries[leaf.child] == target)) return false;
  RemoveFromPath(path, path.size() - 1);
  return true;
}

void IndexWriter::RemoveFromPath(std::vector<Step>& path, std::size_t level) {
  Step& step = path[level];
  IndexPage& page = step.contents;
  bool wasLast = step.child + 1 == page.entries.size() && page.type == IndexPageType::kLeaf;
  if (page.type == IndexPageType::kLeaf || step.child < page.entries.size()) {
    page.entries.erase(page.entries.begin() + static_cast<std::ptrdiff_t>(step.child));
  } else if (!page.entries.empty()) {
    // The tail child left: the last entry's child becomes the tail.
    page.tailPage = page.entries.back().child;
    page.entries.pop_back();
    wasLast = true;
  } else {
    page.tailPage = 0;
  }
  bool empty = page.entries.empty() && (page.type == IndexPageType::kLeaf || page.tailPage == 0);
  if (level == 0) {
    if (page.type == IndexPageType::kNode && page.entries.empty() && page.tailPage != 0) {
      // A root over one child takes that child's place.
      std::uint32_t only = page.tailPage;
      IndexPage child = Load(only);
      child.prevPage = child.nextPage = 0;
      page = child;
      space_.Release(only);
      RemoveFromMap(pager_, def_.realIndexes[realIndex_].usageMap, only);
    } else if (empty) {
      page = IndexPage{};
    }
    Store(step.page, page);
    return;
  }
  if (empty) {
    if (page.prevPage != 0) {
      IndexPage before = Load(page.prevPage);
      before.nextPage = page.nextPage;
      Store(page.prevPage, before);
    }
    if (page.nextPage != 0) {
      IndexPage after = Load(page.nextPage);
      after.prevPage = page.prevPage;
      Store(page.nextPage, after);
    }
    space_.Release(step.page);
    RemoveFromMap(pager_, def_.realIndexes[realIndex_].usageMap, step.page);
    RemoveFromPath(path, level - 1);
    return;
  }
  Store(step.page, page);
  if (wasLast) RefreshSeparators(path, level);
}

void IndexWriter::RefreshSeparators(std::vector<Step>& path, std::size_t level) {
  // The largest entry under path[level] is the last entry of its rightmost leaf.
  std::uint32_t page = path[level].page;
  IndexPage contents = path[level].contents;
  while (contents.type == IndexPageType::kNode) {
    page = contents.tailPage;
    contents = Load(page);
  }
  if (contents.entries.empty()) return;
  IndexEntry largest = contents.entries.back();
  for (std::size_t l = level; l > 0; --l) {
    Step& parent = path[l - 1];
    if (parent.child < parent.contents.entries.size()) {
      IndexEntry& separator = parent.contents.entries[parent.child];
      largest.child = separator.child;
      separator = largest;
      Store(parent.page, parent.contents);
      return;
    }
  }
}

}  // namespace jet
