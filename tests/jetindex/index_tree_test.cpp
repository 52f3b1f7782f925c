// Index tree maintenance against an in-memory page store and a std::set model: random
// inserts and deletes with splits, merges of emptied pages and root nesting, the tree
// walked and checked after every step; and Access's own trees in the fixtures.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <set>

#include "jet/error.h"
#include "fixture_index.h"
#include "jet/index/index_error.h"
#include "jet/index/index_key.h"
#include "jet/index/index_tree.h"
#include "test_support.h"

namespace jetindex_test {
namespace {

using jet::index::IndexChange;
using jet::index::IndexEntry;
using jet::index::IndexPage;
using jet::kPageSize;

// Pages in memory, each with a version that changes at every write, as the pager's do,
// so that layouts kept between inserts are used and must stay true.
class MemoryStore : public jet::index::IndexPageStore {
 public:
  explicit MemoryStore(std::uint32_t firstFree) : nextFree_(firstFree) {}
  const std::uint8_t* Read(std::uint32_t page) override { return pages_.at(page).data(); }
  std::uint8_t* Write(std::uint32_t page) override {
    versions_[page] = ++lastVersion_;
    return pages_[page].data();
  }
  std::uint32_t Allocate() override {
    Write(nextFree_);
    pages_[nextFree_].fill(0xCD);  // stale bytes the tree must overwrite
    return nextFree_++;
  }
  std::uint64_t Version(std::uint32_t page) override { return versions_[page]; }
  void Put(std::uint32_t page, const std::uint8_t* bytes) { std::copy(bytes, bytes + kPageSize, Write(page)); }

 private:
  std::map<std::uint32_t, std::array<std::uint8_t, kPageSize>> pages_;
  std::map<std::uint32_t, std::uint64_t> versions_;
  std::uint64_t lastVersion_ = 0;
  std::uint32_t nextFree_;
};

struct ByKeyAndRow {
  bool operator()(const IndexEntry& a, const IndexEntry& b) const {
    return std::tie(a.key, a.row) < std::tie(b.key, b.row);
  }
};

void NewRootLeaf(MemoryStore& store, std::uint32_t root, std::uint32_t tdef) {
  IndexPage page;
  page.tdefPage = tdef;
  jet::index::SerializeIndexPage(page, store.Write(root));
}

void Account(const IndexChange& change, std::set<std::uint32_t>& live) {
  for (std::uint32_t p : change.allocated) EXPECT_TRUE(live.insert(p).second) << "page " << p << " allocated twice";
  for (std::uint32_t p : change.freed) EXPECT_EQ(live.erase(p), 1u) << "page " << p << " freed but not in use";
}

void ExpectTreeMatches(MemoryStore& store, std::uint32_t root, const std::set<IndexEntry, ByKeyAndRow>& model,
                       const std::set<std::uint32_t>& live) {
  const jet::index::IndexWalk walk = jet::index::WalkIndex(store, root);
  ASSERT_EQ(walk.entries.size(), model.size());
  EXPECT_TRUE(std::equal(walk.entries.begin(), walk.entries.end(), model.begin(),
                         [](const IndexEntry& a, const IndexEntry& b) { return a.key == b.key && a.row == b.row; }));
  EXPECT_EQ(std::set<std::uint32_t>(walk.pages.begin(), walk.pages.end()), live);
}

IndexEntry RandomEntry(std::mt19937& rng) {
  // Text keys of varied length so pages fill after a few dozen entries.
  std::uniform_int_distribution<int> length(0, 250);
  std::uniform_int_distribution<int> letter(0, 5);
  std::u16string name;
  for (int n = length(rng); n > 0; --n) name += char16_t(u'a' + letter(rng));
  std::uniform_int_distribution<std::uint32_t> page(1, 3);
  std::uniform_int_distribution<int> row(0, 3);
  return {jet::index::EncodeIndexKey({{jet::index::KeyType::kText, true}}, {name}),
          {page(rng), std::uint8_t(row(rng))},
          0};
}

TEST(IndexTree, RandomInsertsAndDeletesFollowTheModel) {
  constexpr std::uint32_t kRoot = 7;
  MemoryStore store(100);
  NewRootLeaf(store, kRoot, 2);
  std::set<std::uint32_t> live = {kRoot};
  std::set<IndexEntry, ByKeyAndRow> model;
  std::mt19937 rng(4711);
  jet::index::IndexLayouts layouts;  // kept across every insert, splits and deletes
  int maxLevels = 0;
  for (int step = 0; step < 6000; ++step) {
    const bool grow = step < 3000 ? rng() % 10 < 7 : rng() % 10 < 3;
    if (grow || model.empty()) {
      const IndexEntry e = RandomEntry(rng);
      if (model.count(e)) {
        EXPECT_THROW(jet::index::InsertIndexEntry(store, kRoot, e, &layouts), jet::Error);
        continue;
      }
      Account(jet::index::InsertIndexEntry(store, kRoot, e, &layouts), live);
      model.insert(e);
    } else {
      auto it = model.begin();
      std::advance(it, rng() % model.size());
      Account(jet::index::DeleteIndexEntry(store, kRoot, *it), live);
      model.erase(it);
    }
    ASSERT_NO_FATAL_FAILURE(ExpectTreeMatches(store, kRoot, model, live)) << "after step " << step;
    maxLevels = std::max(maxLevels, jet::index::WalkIndex(store, kRoot).levels);
  }
  EXPECT_GE(maxLevels, 3) << "the test should reach nested nodes";
  // Emptying the tree frees every page but the root, which is an empty leaf again.
  while (!model.empty()) {
    Account(jet::index::DeleteIndexEntry(store, kRoot, *model.begin()), live);
    model.erase(model.begin());
  }
  ExpectTreeMatches(store, kRoot, model, live);
  EXPECT_EQ(live, std::set<std::uint32_t>{kRoot});
  EXPECT_EQ(store.Read(kRoot)[0], 0x04);
}

TEST(IndexTree, FindsKeysAndRefusesMissingDeletes) {
  MemoryStore store(100);
  NewRootLeaf(store, 1, 2);
  std::vector<IndexEntry> added;
  for (std::uint32_t i = 0; i < 800; ++i) {
    IndexEntry e{jet::index::EncodeIndexKey({{jet::index::KeyType::kLong, true}}, {std::int64_t(i * 2)}), {i + 10, 0}, 0};
    jet::index::InsertIndexEntry(store, 1, e);
    added.push_back(e);
  }
  for (std::uint32_t i : {0u, 1u, 399u, 799u}) {
    const auto found = jet::index::FindIndexKey(store, 1, added[i].key);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->row, added[i].row);
    const auto odd = jet::index::EncodeIndexKey({{jet::index::KeyType::kLong, true}}, {std::int64_t(i * 2 + 1)});
    EXPECT_FALSE(jet::index::FindIndexKey(store, 1, odd).has_value());
  }
  IndexEntry missing = added[5];
  missing.row.row = 9;
  EXPECT_THROW(jet::index::DeleteIndexEntry(store, 1, missing), jet::Error);
}

TEST(IndexTree, WalkFindsFaults) {
  MemoryStore store(100);
  NewRootLeaf(store, 1, 2);
  for (std::int64_t i = 0; i < 2000; ++i) {
    jet::index::InsertIndexEntry(
        store, 1, {jet::index::EncodeIndexKey({{jet::index::KeyType::kLong, true}}, {i}), {5, 0}, 0});
  }
  ASSERT_GE(jet::index::WalkIndex(store, 1).levels, 2);
  const IndexPage root = jet::index::ParseIndexPage(store.Read(1), 1);
  const std::uint32_t firstLeaf = root.entries.front().child;
  struct Fault {
    const char* what;
    void (*apply)(IndexPage&);
  };
  const Fault faults[] = {
      {"broken next pointer", [](IndexPage& p) { p.nextPage = 0; }},
      {"entries out of order", [](IndexPage& p) { std::swap(p.entries[0], p.entries[1]); }},
      {"other table", [](IndexPage& p) { p.tdefPage = 3; }},
      {"last entry lost", [](IndexPage& p) { p.entries.pop_back(); }},
  };
  std::vector<std::uint8_t> saved(store.Read(firstLeaf), store.Read(firstLeaf) + kPageSize);
  for (const Fault& f : faults) {
    IndexPage damaged = jet::index::ParseIndexPage(saved.data(), firstLeaf);
    f.apply(damaged);
    jet::index::SerializeIndexPage(damaged, store.Write(firstLeaf));
    EXPECT_THROW(jet::index::WalkIndex(store, 1), jet::Error) << f.what;
  }
  store.Put(firstLeaf, saved.data());
  EXPECT_NO_THROW(jet::index::WalkIndex(store, 1));
}

TEST(IndexTree, WritesPagesAsAccessDoes) {
  // A root leaf as Access may leave it: entries sharing a prefix. A new entry without
  // that prefix must still go in, and splits must mark node pages as Access does.
  MemoryStore store(100);
  IndexPage root;
  root.tdefPage = 2;
  root.prefixLength = 3;
  auto textKey = [](const std::u16string& s) {
    return jet::index::EncodeIndexKey({{jet::index::KeyType::kText, true}}, {s});
  };
  root.entries = {{textKey(u"ab1"), {5, 0}, 0}, {textKey(u"ab2"), {5, 1}, 0}};
  jet::index::SerializeIndexPage(root, store.Write(1));
  const IndexEntry other{textKey(u"zz"), {5, 2}, 0};
  jet::index::InsertIndexEntry(store, 1, other);
  EXPECT_EQ(jet::index::WalkIndex(store, 1).entries.size(), 3u);
  EXPECT_EQ(jet::index::ParseIndexPage(store.Read(1), 1).prefixLength, 0);

  for (std::uint32_t i = 0; i < 400; ++i) {
    jet::index::InsertIndexEntry(store, 1, {textKey(u"name " + std::u16string(20, char16_t(u'a' + i % 26))),
                                            {6 + i, 0}, 0});
  }
  const jet::index::IndexWalk walk = jet::index::WalkIndex(store, 1);
  ASSERT_GE(walk.levels, 2);
  for (std::uint32_t page : walk.pages) {
    const std::uint8_t* bytes = store.Read(page);
    EXPECT_EQ(bytes[26], bytes[0] == 0x03 ? 1 : 0) << "page " << page;
  }
}

// A store over a fixture copy; new pages go past its end.
class FixtureStore : public MemoryStore {
 public:
  explicit FixtureStore(const FixtureFile& file) : MemoryStore(file.PageCount()) {
    for (std::uint32_t n = 0; n < file.PageCount(); ++n) Put(n, file.Page(n));
  }
};

TEST(IndexTree, AccessTreesPassTheWalkAndTakeNewEntries) {
  int trees = 0;
  for (const std::string& path : FixturePaths()) {
    const FixtureFile file(path);
    FixtureStore store(file);
    for (std::uint32_t tdef : CatalogueTablePages(file)) {
      for (const FixtureRealIndex& index : file.Table(tdef).indexes) {
        std::vector<IndexEntry> expected;
        CollectLeafEntries(file, index.rootPage, expected);
        const auto walk = jet::index::WalkIndex(store, index.rootPage);
        EXPECT_EQ(walk.entries, expected) << path << " root " << index.rootPage;
        ++trees;
      }
    }
    // Hundreds of new tables in the catalogue's ParentIdName index split its leaf.
    const std::uint32_t root = file.Table(2).indexes.at(0).rootPage;
    const auto original = jet::index::WalkIndex(store, root);
    const auto& before = original.entries;
    std::vector<IndexEntry> added;
    std::set<std::uint32_t> live(original.pages.begin(), original.pages.end());
    for (std::uint32_t i = 0; i < 400; ++i) {
      const std::u16string name = u"New table " + std::u16string(1, char16_t(u'A' + i % 26)) + char16_t(u'0' + i / 26);
      IndexEntry e{jet::index::EncodeIndexKey({{jet::index::KeyType::kLong, true}, {jet::index::KeyType::kText, true}},
                                              {std::int64_t(0x0F000001), name}),
                   {5000 + i, 0},
                   0};
      const IndexChange change = jet::index::InsertIndexEntry(store, root, e);
      Account(change, live);
      added.push_back(e);
    }
    const auto grown = jet::index::WalkIndex(store, root);
    EXPECT_EQ(grown.entries.size(), before.size() + added.size()) << path;
    EXPECT_GE(grown.levels, 2) << path;
    EXPECT_EQ(std::set<std::uint32_t>(grown.pages.begin(), grown.pages.end()), live) << path;
    for (const IndexEntry& e : added) Account(jet::index::DeleteIndexEntry(store, root, e), live);
    const auto shrunk = jet::index::WalkIndex(store, root);
    EXPECT_EQ(shrunk.entries, before) << path;
    EXPECT_EQ(std::set<std::uint32_t>(shrunk.pages.begin(), shrunk.pages.end()), live) << path;
  }
  EXPECT_GT(trees, 0);
}

// Sorted runs added at once must leave what InsertIndexEntry one by one leaves: the same
// count of new keys and the same pages with the same contents (they split where it
// would), which the walk accepts, with byte 26 as Access sets it.
using Entries = std::vector<IndexEntry>;

jet::index::KeyBytes LongKey(std::int64_t v) {
  return jet::index::EncodeIndexKey({{jet::index::KeyType::kLong, true}}, {v});
}

jet::index::KeyBytes TextKey(const std::u16string& text) {
  return jet::index::EncodeIndexKey({{jet::index::KeyType::kText, true}}, {text});
}

Entries Sorted(Entries run) {
  std::sort(run.begin(), run.end(), ByKeyAndRow());
  run.erase(std::unique(run.begin(), run.end(),
                        [](const IndexEntry& a, const IndexEntry& b) { return a.key == b.key && a.row == b.row; }),
            run.end());
  return run;
}

void ExpectRunAsLoop(MemoryStore& loopStore, MemoryStore& runStore, std::uint32_t root, const Entries& run,
                     const std::string& what) {
  const auto before = jet::index::WalkIndex(runStore, root);
  std::size_t loopNewKeys = 0;
  for (const IndexEntry& e : run) loopNewKeys += !jet::index::InsertIndexEntry(loopStore, root, e).keyExisted;
  const IndexChange change = jet::index::InsertIndexEntries(runStore, root, run);
  const auto byLoop = jet::index::WalkIndex(loopStore, root);
  const auto byRun = jet::index::WalkIndex(runStore, root);
  EXPECT_EQ(byRun.entries, byLoop.entries) << what;
  EXPECT_EQ(change.newKeys, loopNewKeys) << what;
  ASSERT_EQ(byRun.pages, byLoop.pages) << what;
  for (std::uint32_t page : byRun.pages) {
    const IndexPage a = jet::index::ParseIndexPage(runStore.Read(page), page);
    const IndexPage b = jet::index::ParseIndexPage(loopStore.Read(page), page);
    EXPECT_TRUE(std::tie(a.prevPage, a.nextPage, a.tailPage, a.prefixLength, a.byte26, a.entries) ==
                std::tie(b.prevPage, b.nextPage, b.tailPage, b.prefixLength, b.byte26, b.entries))
        << what << ", page " << page;
  }
  std::set<std::uint32_t> live(before.pages.begin(), before.pages.end());
  Account(change, live);
  EXPECT_EQ(std::set<std::uint32_t>(byRun.pages.begin(), byRun.pages.end()), live) << what;
  for (std::uint32_t page : byRun.pages) {
    const std::uint8_t* bytes = runStore.Read(page);
    EXPECT_EQ(bytes[26], bytes[0] == 0x03 ? 1 : 0) << what << ", page " << page;
  }
}

TEST(IndexTree, SortedRunsLeaveWhatSingleInsertsLeave) {
  // 6000 entries, three rows for each key 0, 10, 20...: two levels of pages.
  const auto modelTree = [](MemoryStore& store) {
    std::vector<std::uint32_t> order(6000);
    std::iota(order.begin(), order.end(), 0u);
    std::shuffle(order.begin(), order.end(), std::mt19937(17));
    for (std::uint32_t i : order) jet::index::InsertIndexEntry(store, 1, {LongKey(i / 3 * 10), {100 + i, 0}, 0});
  };
  const auto emptyTree = [](MemoryStore&) {};
  // Ascending keys up to the first split: the last leaf holds half a page.
  const auto halfFullLastLeaf = [](MemoryStore& store) {
    for (std::int64_t i = 0; i < 402; ++i) jet::index::InsertIndexEntry(store, 1, {LongKey(i), {5, 0}, 0});
  };
  // A root leaf as Access may leave it: entries whose shared start is stored once, though
  // they would fit without. Once a single insert rewrites it, it must fit unpacked.
  const auto packedRoot = [](MemoryStore& store) {
    IndexPage root;
    root.tdefPage = 2;
    root.entries = {{TextKey(u"shared start 1"), {5, 0}, 0}, {TextKey(u"shared start 2"), {5, 1}, 0}};
    const auto& first = root.entries[0].key;
    root.prefixLength =
        std::uint16_t(std::mismatch(first.begin(), first.end(), root.entries[1].key.begin()).first - first.begin());
    jet::index::SerializeIndexPage(root, store.Write(1));
  };
  const auto longs = [](std::int64_t from, std::int64_t to, int count, std::uint32_t rows) {
    return [=](std::mt19937& rng) {
      std::uniform_int_distribution<std::int64_t> value(from, to);
      std::uniform_int_distribution<std::uint32_t> row(1, rows);
      Entries run;
      for (int n = 0; n < count; ++n) run.push_back({LongKey(value(rng)), {50000 + row(rng), 0}, 0});
      return Sorted(run);
    };
  };
  struct Case {
    const char* what;
    void (*base)(MemoryStore&);
    std::function<Entries(std::mt19937&)> run;
  };
  const Case cases[] = {
      {"random keys into an empty tree, splitting the root", emptyTree, longs(0, 1 << 30, 20000, 1000000)},
      {"long text keys into an empty tree, nodes over nodes", emptyTree,
       [](std::mt19937& rng) {
         Entries run;
         for (int n = 0; n < 3000; ++n) run.push_back(RandomEntry(rng));
         return Sorted(run);
       }},
      {"random keys among the tree's, some of them its keys", modelTree, longs(-5, 20005, 4000, 1000000)},
      {"keys before the first", modelTree, longs(-3000, -1, 800, 1000000)},
      {"keys after the last", modelTree, longs(20000, 40000, 5000, 1000000)},
      {"one key of the tree, rows over many leaves", modelTree, longs(5000, 5000, 3000, 100000)},
      {"one new key, rows over many leaves", modelTree, longs(5005, 5005, 3000, 100000)},
      {"few keys, many rows each", modelTree, longs(0, 30, 4000, 100000)},
      {"a single entry", modelTree, longs(77, 77, 1, 1)},
      {"an entry of half a page after the last, alone in its half", halfFullLastLeaf,
       [](std::mt19937&) { return Entries{{jet::index::KeyBytes(1896, 0xFF), {7, 0}, 0}}; }},
      {"keys sharing the start of a packed root leaf", packedRoot,
       [](std::mt19937&) {
         Entries run;
         for (int n = 0; n < 400; ++n) {
           const std::u16string tail(n / 26 + 1, char16_t(u'a' + n % 26));
           run.push_back({TextKey(u"shared start 3 " + tail), {6, 0}, 0});
         }
         return Sorted(run);
       }},
  };
  for (const Case& c : cases) {
    MemoryStore loopStore(100);
    NewRootLeaf(loopStore, 1, 2);
    c.base(loopStore);
    MemoryStore runStore = loopStore;
    std::mt19937 rng(99);
    ExpectRunAsLoop(loopStore, runStore, 1, c.run(rng), c.what);
  }
}

TEST(IndexTree, SortedRunsGoIntoAccessTrees) {
  // Beside entries of the fixtures' trees: their keys with other rows, and keys one byte
  // longer, which land on Access's prefix-packed pages and can break their shared start.
  int packedTrees = 0;
  for (const std::string& path : FixturePaths()) {
    const FixtureFile file(path);
    FixtureStore loopStore(file);
    MemoryStore runStore = loopStore;
    for (std::uint32_t tdef : CatalogueTablePages(file)) {
      for (const FixtureRealIndex& index : file.Table(tdef).indexes) {
        const auto original = jet::index::WalkIndex(runStore, index.rootPage);
        const std::set<IndexEntry, ByKeyAndRow> present(original.entries.begin(), original.entries.end());
        Entries run;
        for (std::size_t i = 0; i < original.entries.size(); i += 3) {
          IndexEntry sameKey = original.entries[i];
          sameKey.row = {0xFFFFF0, std::uint8_t(i % 200)};
          IndexEntry longer = original.entries[i];
          longer.key.push_back(0x01);
          for (const IndexEntry& e : {sameKey, longer}) {
            if (!present.count(e)) run.push_back(e);
          }
        }
        packedTrees += std::any_of(original.pages.begin(), original.pages.end(), [&](std::uint32_t p) {
          return jet::index::ParseIndexPage(runStore.Read(p), p).prefixLength > 0;
        });
        ExpectRunAsLoop(loopStore, runStore, index.rootPage, Sorted(run),
                        path + " root " + std::to_string(index.rootPage));
      }
    }
  }
  EXPECT_GT(packedTrees, 0) << "the fixtures should bring prefix-packed pages";
}

TEST(IndexTree, SortedRunsRefuseEntriesTheyCannotAdd) {
  MemoryStore store(100);
  NewRootLeaf(store, 1, 2);
  for (std::int64_t i = 0; i < 2000; ++i) jet::index::InsertIndexEntry(store, 1, {LongKey(i * 2), {5, 0}, 0});
  const IndexEntry inTree{LongKey(1000), {5, 0}, 0};
  const IndexEntry fresh{LongKey(1001), {5, 0}, 0};
  const IndexEntry later{LongKey(3001), {5, 0}, 0};
  struct Case {
    const char* what;
    Entries run;
  };
  const Case cases[] = {
      {"an entry already in the tree, after new ones", {{LongKey(999), {5, 0}, 0}, inTree, fresh}},
      {"an entry already in the tree, first", {inTree, fresh}},
      {"an entry twice in the run", {fresh, fresh, later}},
      {"entries out of order", {later, fresh}},
      {"a key too large for a page", {{jet::index::KeyBytes(4000, 0x7F), {5, 0}, 0}}},
  };
  for (const Case& c : cases) {
    MemoryStore copy = store;
    try {
      jet::index::InsertIndexEntries(copy, 1, c.run);
      ADD_FAILURE() << c.what << " was taken";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.Number(), jet::index::kIndexValueRefused) << c.what;
    }
  }
}

}  // namespace
}  // namespace jetindex_test
