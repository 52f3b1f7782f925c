// A new database made by our code: page for page what the Jet engine wrote
// into the ADOX-made fixture, but for the bytes Jet leaves uninitialised;
// and a name that is taken or cannot be written is refused with nothing
// left behind. (That every statement works on a new file, read back by
// both oracles, is one of the fixture steps.)
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "jet/bytes.h"
#include "jet/error.h"
#include "jet/write/new_database.h"
#include "support.h"

namespace jetwritetest {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Zeroes in a definition page what Jet leaves as it found it: the fixed-area
// offset of variable columns, the order byte of unused index slots and the
// u32 after an index's root page.
void ZeroLeftovers(std::uint8_t* page) {
  jet::ByteSpan b(page, 4096);
  std::size_t columns = jet::U16(b, 45), real = jet::U32(b, 51);
  std::size_t at = 63 + 12 * real;
  for (std::size_t c = 0; c < columns; ++c, at += 25)
    if (!(page[at + 15] & 0x01)) page[at + 21] = page[at + 22] = 0;
  for (std::size_t c = 0; c < columns; ++c) at += 2 + jet::U16(b, at);
  for (std::size_t i = 0; i < real; ++i, at += 52) {
    for (std::size_t k = 0; k < 10; ++k)
      if (jet::U16(b, at + 4 + 3 * k) == 0xFFFF) page[at + 6 + 3 * k] = 0;
    std::fill(page + at + 42, page + at + 46, 0);
  }
}

TEST(NewDatabase, IsLaidOutPageForPageAsJetLaysOutAnEmptyDatabase) {
  TempDir dir;
  fs::path file = dir.Path() / "new.mdb";
  jet::CreateDatabase(file);
  Bytes ours = ReadAll(file);
  Bytes jets = ReadAll(FixtureDir() / "adox_jet4.mdb");
  ASSERT_EQ(ours.size(), jets.size());
  for (std::uint32_t page = 2; page <= 5; ++page) {
    ZeroLeftovers(ours.data() + 4096 * page);
    ZeroLeftovers(jets.data() + 4096 * page);
  }
  for (std::size_t page = 0; page < ours.size() / 4096; ++page) {
    auto mine = ours.begin() + static_cast<std::ptrdiff_t>(4096 * page);
    auto theirs = jets.begin() + static_cast<std::ptrdiff_t>(4096 * page);
    auto [a, b] = std::mismatch(mine, mine + 4096, theirs);
    EXPECT_TRUE(a == mine + 4096) << "page " << page << " differs first at offset " << (a - mine);
  }
}

TEST(NewDatabase, RefusesWhatItCannotCreateAndLeavesNothingBehind) {
  TempDir dir;
  fs::path existing = dir.Path() / "existing.mdb";
  std::ofstream(existing) << "keep me";
  fs::create_directory(dir.Path() / "folder.mdb");
  struct Case {
    fs::path path;
    std::string says;
  } cases[] = {
      {existing, "already exists"},
      {dir.Path() / "folder.mdb", "is a folder"},
      {dir.Path() / "missing" / "new.mdb", "does not exist"},
      {"", "no file name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    try {
      jet::CreateDatabase(c.path);
      ADD_FAILURE() << "created";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.Number(), jet::kOpenFailed);
      EXPECT_NE(e.Description().find(c.says), std::string::npos) << e.Description();
    }
  }
  EXPECT_EQ(ReadAll(existing), (Bytes{'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
  std::size_t entries = std::distance(fs::directory_iterator(dir.Path()), {});
  EXPECT_EQ(entries, 2u);  // no temporary file left beside the two
}

}  // namespace
}  // namespace jetwritetest
