// Index page codec: every index page Access wrote in the fixtures parses, keeps its entries
// in Jet's order, and serialises back to the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "jet/error.h"
#include "fixture_index.h"
#include "jet/index/index_page.h"
#include "test_support.h"

namespace jetindex_test {
namespace {

using jet::index::IndexEntry;
using jet::index::IndexPage;
using jet::index::IndexPageType;
using jet::kPageSize;

// Index pages in use: every page under every index root of every table.
std::vector<std::uint32_t> IndexPagesInUse(const FixtureFile& file) {
  std::vector<std::uint32_t> pages;
  std::vector<std::uint32_t> pending;
  for (std::uint32_t tdef : CatalogueTablePages(file)) {
    for (const FixtureRealIndex& index : file.Table(tdef).indexes) pending.push_back(index.rootPage);
  }
  while (!pending.empty()) {
    const std::uint32_t page = pending.back();
    pending.pop_back();
    pages.push_back(page);
    const IndexPage parsed = jet::index::ParseIndexPage(file.Page(page), page);
    if (parsed.type == IndexPageType::kNode) {
      for (const IndexEntry& e : parsed.entries) pending.push_back(e.child);
      pending.push_back(parsed.tailPage);
    }
  }
  return pages;
}

TEST(IndexPage, FixturePagesRoundTrip) {
  int pages = 0;
  int withPrefix = 0;
  int nodes = 0;
  for (const std::string& path : FixturePaths()) {
    const FixtureFile file(path);
    for (std::uint32_t n : IndexPagesInUse(file)) {
      SCOPED_TRACE(std::filesystem::path(path).filename().string() + " page " + std::to_string(n));
      const std::uint8_t* original = file.Page(n);
      const IndexPage page = jet::index::ParseIndexPage(original, n);
      EXPECT_TRUE(std::is_sorted(page.entries.begin(), page.entries.end()));
      EXPECT_TRUE(std::adjacent_find(page.entries.begin(), page.entries.end()) == page.entries.end());
      std::vector<std::uint8_t> written(kPageSize, 0xEE);
      jet::index::SerializeIndexPage(page, written.data());
      // Access leaves stale bytes in the free space; we write zeros there.
      const std::size_t used = kPageSize - (original[2] | original[3] << 8);
      EXPECT_EQ(0, std::memcmp(written.data(), original, used));
      EXPECT_TRUE(std::all_of(written.begin() + used, written.end(), [](std::uint8_t b) { return b == 0; }));
      ++pages;
      withPrefix += page.prefixLength > 0;
      nodes += page.type == IndexPageType::kNode;
    }
  }
  EXPECT_GT(pages, 0);
  EXPECT_GT(withPrefix, 0) << "the fixtures hold a leaf with a shared prefix";
  EXPECT_GT(nodes, 0) << "the fixtures hold a node page";
  std::cout << "[ pages    ] " << pages << " index pages round-tripped (" << nodes << " nodes, " << withPrefix
            << " with a shared prefix)\n";
}

IndexEntry Leaf(const char* key, std::uint32_t page, std::uint8_t row) { return {Hex(key), {page, row}, 0}; }

TEST(IndexPage, WrittenLayout) {
  IndexPage page;
  page.type = IndexPageType::kNode;
  page.tdefPage = 0x11;
  page.prevPage = 5;
  page.nextPage = 6;
  page.tailPage = 0x0102;
  page.entries = {{Hex("7F 80 00 00 02"), {0x000203, 4}, 0x0A0B0C0D}};
  std::vector<std::uint8_t> bytes(kPageSize);
  jet::index::SerializeIndexPage(page, bytes.data());
  EXPECT_EQ(ToHex({bytes.begin(), bytes.begin() + 27}),
            "03 01 13 0E 11 00 00 00 00 00 00 00 05 00 00 00 06 00 00 00 02 01 00 00 00 00 00");
  // One 13-byte entry: bit 13 of the bitmap.
  EXPECT_EQ(bytes[27 + 1], 0x20);
  EXPECT_EQ(ToHex({bytes.begin() + 480, bytes.begin() + 493}), "7F 80 00 00 02 00 02 03 04 0A 0B 0C 0D");
  EXPECT_EQ(jet::index::ParseIndexPage(bytes.data(), 1).entries, page.entries);
}

TEST(IndexPage, SharedPrefixRoundTrip) {
  IndexPage page;
  page.prefixLength = 2;
  page.entries = {Leaf("7F 4A 4C 01 00", 9, 1), Leaf("7F 4A 4C 4D 01 00", 9, 2), Leaf("7F 4A 4D 01 00", 9, 0)};
  std::vector<std::uint8_t> bytes(kPageSize);
  jet::index::SerializeIndexPage(page, bytes.data());
  EXPECT_EQ(kPageSize - (bytes[2] | bytes[3] << 8), 480u + 9 + 8 + 7);
  const IndexPage back = jet::index::ParseIndexPage(bytes.data(), 1);
  EXPECT_EQ(back.entries, page.entries);
  EXPECT_EQ(back.prefixLength, 2);

  page.entries.push_back(Leaf("7F 4B 01 00", 9, 3));  // does not share the prefix
  EXPECT_THROW(jet::index::SerializeIndexPage(page, bytes.data()), jet::Error);
}

TEST(IndexPage, RefusesDamagedPages) {
  IndexPage page;
  page.entries = {Leaf("7F 80 00 00 02", 9, 1)};
  std::vector<std::uint8_t> good(kPageSize);
  jet::index::SerializeIndexPage(page, good.data());
  struct Damage {
    const char* what;
    std::size_t offset;
    std::uint8_t value;
  };
  const Damage damages[] = {
      {"data page type", 0, 0x01},
      {"free space larger than the page", 3, 0x10},
      {"bitmap bit beyond the used bytes", 27 + 3, 0x01},
      {"last entry end missing from the bitmap", 27 + 1, 0x00},
      {"prefix longer than the first entry", 24, 40},
  };
  for (const Damage& d : damages) {
    std::vector<std::uint8_t> bad = good;
    bad[d.offset] = d.value;
    try {
      jet::index::ParseIndexPage(bad.data(), 77);
      ADD_FAILURE() << d.what << " accepted";
    } catch (const jet::Error& e) {
      EXPECT_NE(e.Description().find("page 77"), std::string::npos) << d.what;
    }
  }
}

TEST(IndexPage, RefusesEntriesBeyondOnePage) {
  // 9-byte entries: 401 fill 3609 of the 3616 bytes, 402 do not fit.
  IndexPage page;
  for (int i = 0; i < 401; ++i) page.entries.push_back(Leaf("7F 80 00 00 02", 9, std::uint8_t(i)));
  std::vector<std::uint8_t> bytes(kPageSize);
  jet::index::SerializeIndexPage(page, bytes.data());
  EXPECT_EQ(jet::index::ParseIndexPage(bytes.data(), 1).entries.size(), 401u);
  page.entries.push_back(Leaf("7F 80 00 00 03", 9, 0));
  EXPECT_THROW(jet::index::SerializeIndexPage(page, bytes.data()), jet::Error);
}

}  // namespace
}  // namespace jetindex_test
