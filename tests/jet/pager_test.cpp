// The pager: an idle connection holds no lock and no stale pages, statements
// lock the file, changes reach the file only on commit, encoded pages are
// encoded again on the way out.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <initializer_list>
#include <set>

#include "jet/error.h"
#include "jet/file.h"
#include "support.h"

namespace {

using namespace std::chrono_literals;
using jettest::TempDir;

TEST(Pager, IdleConnectionSeesWhatOthersWrote) {
  TempDir dir;
  auto copy = dir.Copy("testV2000.mdb");
  jet::Database db = jet::Database::Open(copy.string(), "");
  EXPECT_EQ(db.Execute("SELECT * FROM [Table1]").Row(1)[0], jet::Value{jet::Text{"a"}});
  // Another writer changes the value while the connection is idle.
  auto cell = jettest::LocateCell(copy, "Table1", 1, "A");
  jettest::Patch(copy, cell.offset, {'z', 0});
  EXPECT_EQ(db.Execute("SELECT * FROM [Table1]").Row(1)[0], jet::Value{jet::Text{"z"}});
}

TEST(Pager, ReadersShareTheFileAndKeepWritersOut) {
  TempDir dir;
  auto copy = dir.Copy("testV2000.mdb");
  jet::Database db = jet::Database::Open(copy.string(), "");
  jet::File other(copy.string());
  {
    auto cursor = db.OpenTable("Table1").Rows();  // a read in progress
    EXPECT_NO_THROW(other.Lock(jet::LockMode::Shared, 100ms));
    other.Unlock();
    try {
      other.Lock(jet::LockMode::Exclusive, 100ms);
      ADD_FAILURE() << "a writer got in during a read";
    } catch (const jet::Error& e) {
      EXPECT_NE(e.Description().find("in use by another process"), std::string::npos);
    }
  }
  // Idle again: the writer gets in, and the reader waits for it.
  other.Lock(jet::LockMode::Exclusive, 100ms);
  jet::File third(copy.string());
  EXPECT_THROW(third.Lock(jet::LockMode::Shared, 100ms), jet::Error);
  other.Unlock();
  EXPECT_NO_THROW(db.Tables());
}

// Changes page `page` of a copy of `fixture` through the pager; commits or not.
std::vector<std::uint8_t> ChangePage(const std::string& fixture, std::uint32_t page, bool commit,
                                     std::vector<std::uint8_t>& plainAfter) {
  TempDir dir;
  auto copy = dir.Copy(fixture);
  {
    jet::Database db = jet::Database::Open(copy.string(), "");
    jet::Pager::Statement statement(db.Pages(), jet::LockMode::Exclusive);
    std::uint8_t* bytes = db.Pages().Write(page);
    bytes[4000] ^= 0xFF;
    if (commit) statement.Commit();
  }
  jet::Database db = jet::Database::Open(copy.string(), "");
  jet::Pager::Statement statement(db.Pages(), jet::LockMode::Shared);
  jet::PageRef plain = db.Pages().Read(page);
  plainAfter.assign(plain->begin(), plain->end());
  return jettest::ReadAll(copy);
}

TEST(Pager, ChangesReachTheFileOnlyOnCommitEncodedAsBefore) {
  for (const char* fixture : {"testV2000.mdb", "encodedV2000.mdb"}) {
    auto original = jettest::ReadAll(jettest::Fixture(fixture));
    std::vector<std::uint8_t> plainBefore, plainAfter;
    ChangePage(fixture, 3, false, plainBefore);
    auto committed = ChangePage(fixture, 3, true, plainAfter);
    plainBefore[4000] ^= 0xFF;
    EXPECT_EQ(plainAfter, plainBefore) << fixture;  // the pager reads back exactly what was written
    std::size_t changed = 0;
    for (std::size_t i = 0; i < original.size(); ++i) changed += original[i] != committed[i];
    // A plain page differs in the one byte; an encoded page too, since RC4
    // XORs byte by byte: proof that it went out encoded again.
    EXPECT_EQ(changed, 1u) << fixture;
    EXPECT_NE(committed[3 * 4096 + 4000], original[3 * 4096 + 4000]) << fixture;
  }
}

TEST(Pager, AllocatedPagesExtendTheFile) {
  TempDir dir;
  auto copy = dir.Copy("testV2000.mdb");
  auto size = std::filesystem::file_size(copy);
  jet::Database db = jet::Database::Open(copy.string(), "");
  {
    jet::Pager::Statement statement(db.Pages(), jet::LockMode::Exclusive);
    std::uint32_t page = db.Pages().Allocate();
    EXPECT_EQ(page, size / 4096);
    db.Pages().Write(page)[0] = 0x01;
    statement.Commit();
  }
  EXPECT_EQ(std::filesystem::file_size(copy), size + 4096);
  // A second allocator, as the writer installs one.
  db.Pages().SetAllocator([](jet::Pager&) { return std::uint32_t{7}; });
  jet::Pager::Statement statement(db.Pages(), jet::LockMode::Exclusive);
  EXPECT_EQ(db.Pages().Allocate(), 7u);
  EXPECT_EQ(db.Pages().Read(7)->at(0), 0);  // handed out zero-filled
}

// A batch holds its statements' pages in memory until it commits, so a page
// many statements change is written once. A statement discarded in the
// middle (a refused row) takes back only its own changes, also to a page an
// earlier statement of the batch changed and to pages it appended.
TEST(Pager, ABatchHoldsItsPagesAndADiscardedStatementTakesBackOnlyItsOwn) {
  for (const char* fixture : {"testV2000.mdb", "encodedV2000.mdb"}) {
    SCOPED_TRACE(fixture);
    TempDir dir;
    auto copy = dir.Copy(fixture);
    const auto original = jettest::ReadAll(copy);
    const std::uint32_t pages = static_cast<std::uint32_t>(original.size() / 4096);
    jet::Database db = jet::Database::Open(copy.string(), "");
    jet::Pager& pager = db.Pages();
    std::vector<std::uint8_t> expected;
    {
      jet::Pager::Statement read(pager, jet::LockMode::Shared);
      jet::PageRef three = pager.Read(3);
      expected.assign(three->begin(), three->begin() + 4096);
      expected[4000] ^= 0xFF;
      expected[4002] ^= 0xFF;
    }
    {
      jet::Pager::Statement batch(pager, jet::LockMode::Exclusive);
      pager.BeginBatch();
      {
        jet::Pager::Statement kept(pager, jet::LockMode::Exclusive);
        pager.Write(3)[4000] ^= 0xFF;
        EXPECT_EQ(pager.Allocate(), pages);
        pager.Write(pages)[0] = 0x01;
        kept.Save();
      }
      EXPECT_EQ(jettest::ReadAll(copy), original) << "held, not written";
      {
        jet::Pager::Statement refused(pager, jet::LockMode::Exclusive);
        pager.Write(3)[4001] ^= 0xFF;
        pager.Write(pages)[1] = 0x02;
        pager.Write(4)[4000] ^= 0xFF;
        EXPECT_EQ(pager.Allocate(), pages + 1);
        pager.DiscardUnsaved();
      }
      EXPECT_EQ(pager.PageCount(), pages + 1);
      {
        jet::Pager::Statement kept(pager, jet::LockMode::Exclusive);
        pager.Write(3)[4002] ^= 0xFF;
        EXPECT_EQ(pager.Allocate(), pages + 1);
        kept.Save();
      }
      pager.CommitBatch();
    }
    jet::Database again = jet::Database::Open(copy.string(), "");
    jet::Pager::Statement read(again.Pages(), jet::LockMode::Shared);
    EXPECT_EQ(again.Pages().PageCount(), pages + 2);
    jet::PageRef three = again.Pages().Read(3);
    EXPECT_EQ(std::vector<std::uint8_t>(three->begin(), three->begin() + 4096), expected);
    EXPECT_EQ(again.Pages().Read(pages)->at(0), 0x01);
    EXPECT_EQ(again.Pages().Read(pages)->at(1), 0x00) << "the discarded statement's change to a held page";
    const auto after = jettest::ReadAll(copy);
    EXPECT_TRUE(std::equal(after.begin() + 4 * 4096, after.begin() + 5 * 4096, original.begin() + 4 * 4096))
        << "the discarded statement's change to a page of the file";
  }
}

// A batch copies each held page a statement changes into a buffer an earlier
// statement gave back; a buffer someone still reads is never one of them.
TEST(Pager, ABatchNeverReusesABufferSomeoneStillReads) {
  TempDir dir;
  auto copy = dir.Copy("testV2000.mdb");
  jet::Database db = jet::Database::Open(copy.string(), "");
  jet::Pager& pager = db.Pages();
  jet::Pager::Statement batch(pager, jet::LockMode::Exclusive);
  pager.BeginBatch();
  const auto change = [&](std::initializer_list<std::uint32_t> pages, std::uint8_t mark) {
    jet::Pager::Statement statement(pager, jet::LockMode::Exclusive);
    for (std::uint32_t page : pages) pager.Write(page)[4000] = mark;
    statement.Save();
  };
  change({3, 4}, 0x11);
  const jet::PageRef held = pager.Read(3);
  const std::vector<std::uint8_t> seen(held->begin(), held->begin() + 4096);
  for (std::uint8_t mark = 0x22; mark < 0x80; mark += 0x11) change({3, 4}, mark);
  EXPECT_EQ(std::vector<std::uint8_t>(held->begin(), held->begin() + 4096), seen);
  EXPECT_EQ(pager.Read(3)->at(4000), 0x77);
  EXPECT_EQ(pager.Read(4)->at(4000), 0x77);
  pager.RollbackBatch();
}

// What a caller derived from a page (an index page's layout) is used again
// only while the page's version stays: it must change with every write, with
// a discarded statement's return to the held bytes, and with every load of
// bytes other than those it was given for (another process's change).
TEST(Pager, APageVersionChangesWheneverItsBytesMay) {
  TempDir dir;
  auto copy = dir.Copy("testV2000.mdb");
  jet::Database db = jet::Database::Open(copy.string(), "");
  jet::Pager& pager = db.Pages();
  std::set<std::uint64_t> seen;
  const auto fresh = [&](std::uint64_t version) { return version != 0 && seen.insert(version).second; };
  {
    jet::Pager::Statement batch(pager, jet::LockMode::Exclusive);
    EXPECT_EQ(pager.Version(3), 0u) << "not cached";
    pager.Read(3);
    const std::uint64_t loaded = pager.Version(3);
    EXPECT_TRUE(fresh(loaded));
    pager.Read(3);
    EXPECT_EQ(pager.Version(3), loaded) << "a read changes nothing";
    pager.BeginBatch();
    {
      jet::Pager::Statement kept(pager, jet::LockMode::Exclusive);
      pager.Write(3)[4000] ^= 0xFF;
      EXPECT_TRUE(fresh(pager.Version(3)));
      pager.Write(3)[4001] ^= 0xFF;
      EXPECT_TRUE(fresh(pager.Version(3))) << "every write, not only the first";
      kept.Save();
    }
    {
      jet::Pager::Statement refused(pager, jet::LockMode::Exclusive);
      pager.Write(3)[4002] ^= 0xFF;
      EXPECT_TRUE(fresh(pager.Version(3)));
      pager.DiscardUnsaved();
      EXPECT_TRUE(fresh(pager.Version(3))) << "back to the held bytes";
    }
    pager.CommitBatch();
  }
  const std::uint64_t committed = *seen.rbegin();
  {
    jet::Pager::Statement again(pager, jet::LockMode::Shared);
    EXPECT_EQ(pager.Version(3), 0u) << "dropped with the lock";
    pager.Read(3);
    EXPECT_EQ(pager.Version(3), committed) << "loaded again as it was written";
  }
  {
    std::ifstream in(copy, std::ios::binary);
    in.seekg(3 * 4096 + 4003);
    const auto byte = static_cast<std::uint8_t>(in.get());
    jettest::Patch(copy, 3 * 4096 + 4003, {static_cast<std::uint8_t>(byte ^ 0xFF)});
  }
  jet::Pager::Statement afterOthers(pager, jet::LockMode::Shared);
  pager.Read(3);
  EXPECT_TRUE(fresh(pager.Version(3))) << "loaded again after another process changed it";
}

}  // namespace
