// Entries held back by a batch come out in the order the trees take them,
// by key bytes then row, whatever their first 8 bytes share; a unique
// index's held-back keys are found again, and are forgotten with the
// entries a failed statement takes back. The Bloom filter never misses a key
// it was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "jet/write/held_back_entries.h"
#include "jet/write/key_filter.h"

namespace jetwritetest {
namespace {

using Key = std::vector<std::uint8_t>;

std::vector<jet::index::IndexEntry> Drained(jet::HeldBackEntries& held, std::size_t run) {
  std::vector<jet::index::IndexEntry> out;
  held.Drain(run, [&](std::span<const jet::index::IndexEntry> part) { out.insert(out.end(), part.begin(), part.end()); });
  return out;
}

TEST(HeldBackEntries, DrainInKeyThenRowOrder) {
  // Keys that share their first 8 bytes, differ only in length or in a zero
  // byte, sort before their own extensions, and plain scattered numbers.
  std::vector<Key> keys = {{0x7F, 1, 2, 3, 4, 5, 6, 7, 9},
                           {0x7F, 1, 2, 3, 4, 5, 6, 7, 8},
                           {0x7F, 1, 2, 3, 4, 5, 6, 7},
                           {0x7F, 1, 2},
                           {0x7F, 1, 2, 0},
                           {0x7F, 1},
                           {},
                           {0x00},
                           {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
  std::mt19937 random(7);
  for (int i = 0; i < 3000; ++i) {
    const std::uint32_t n = random();
    keys.push_back({0x7F, std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)});
  }
  jet::HeldBackEntries held(false);
  std::vector<jet::index::IndexEntry> expected;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    // Each key twice, on rows given out of order.
    for (std::uint32_t page : {900u - std::uint32_t(i % 7), 5u}) {
      const jet::RowPointer row{page, std::uint8_t(i)};
      held.Add(keys[i], row, false);
      expected.push_back({keys[i], row, 0});
    }
  }
  std::sort(expected.begin(), expected.end());
  for (std::size_t run : {std::size_t{1000}, std::size_t{1} << 20}) {
    SCOPED_TRACE(run);
    jet::HeldBackEntries again(false);
    for (const auto& e : expected) again.Add(e.key, e.row, false);
    EXPECT_EQ(Drained(again, run), expected);
  }
  EXPECT_EQ(Drained(held, 64), expected);
  EXPECT_TRUE(held.Empty());
}

TEST(HeldBackEntries, UniqueKeysFoundUntilTakenBack) {
  jet::HeldBackEntries held(true);
  const Key kept = {0x7F, 0, 0, 0, 1}, shortKey = {0x7F, 0, 0}, takenBack = {0x7F, 0, 0, 0, 2};
  const Key null = {0x00};
  held.Add(kept, {10, 0}, true);
  held.Add(shortKey, {10, 1}, true);
  held.Add(null, {10, 2}, false);  // all Null: may repeat, never looked up
  const std::size_t mark = held.Count();
  held.Add(takenBack, {11, 0}, true);
  EXPECT_TRUE(held.HoldsKey(takenBack));
  held.TruncateTo(mark);
  const struct {
    Key key;
    bool held;
  } cases[] = {{kept, true}, {shortKey, true}, {takenBack, false}, {null, false}, {{0x7F, 0, 0, 0}, false}, {{0x7F, 0, 0, 0, 1, 0}, false}};
  for (const auto& c : cases) EXPECT_EQ(held.HoldsKey(c.key), c.held) << testing::PrintToString(c.key);
  EXPECT_EQ(Drained(held, 10).size(), 3u);
}

TEST(KeyFilter, NeverMissesAKeyEvenPastItsCapacity) {
  jet::KeyFilter filter(1000);
  std::vector<Key> added;
  for (std::uint32_t n = 0; n < 8000; ++n) {
    added.push_back({0x7F, std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)});
    filter.Add(added.back());
  }
  for (const Key& k : added) ASSERT_TRUE(filter.MayHold(k));
  // Within its capacity it mostly says no to keys it never saw.
  jet::KeyFilter sized(8000);
  for (const Key& k : added) sized.Add(k);
  int maybes = 0;
  for (std::uint32_t n = 100000; n < 110000; ++n)
    maybes += sized.MayHold(Key{0x7F, std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)});
  EXPECT_LT(maybes, 300);
}

}  // namespace
}  // namespace jetwritetest
