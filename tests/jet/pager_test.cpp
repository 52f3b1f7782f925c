// The pager: an idle connection holds no lock and no stale pages, statements
// lock the file, changes reach the file only on commit, encoded pages are
// encoded again on the way out.
#include <gtest/gtest.h>

#include <chrono>

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

}  // namespace
