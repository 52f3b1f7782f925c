// The global usage map beyond its first window, on Access-made files made to
// reach its limits with little data: page 1 left with room for one more step
// of the inline map (so that the file outgrows it at 1,024 pages, not at about
// 32,000), a window another writer moved up past live pages, and a file a
// few pages short of 2 GiB (sparse, so it costs no disk).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "jet/bytes.h"
#include "jet/data_page.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/format.h"
#include "jet/write/consistency_check.h"
#include "jet/write/database_writer.h"
#include "support.h"

namespace jetwritetest {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPage = 4096;

std::vector<std::uint8_t> ReadPage(const fs::path& file, std::uint32_t page) {
  std::vector<std::uint8_t> bytes(kPage);
  std::ifstream in(file, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(page) * kPage);
  in.read(reinterpret_cast<char*>(bytes.data()), kPage);
  return bytes;
}

void WritePage(const fs::path& file, std::uint32_t page, const std::vector<std::uint8_t>& bytes) {
  std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
  out.seekp(static_cast<std::streamoff>(page) * kPage);
  out.write(reinterpret_cast<const char*>(bytes.data()), kPage);
}

std::uint32_t Pages(const fs::path& file) { return static_cast<std::uint32_t>(fs::file_size(file) / kPage); }

// Page 1's row `row` replaced by `bytes`.
void ReplaceMapRow(const fs::path& file, std::size_t row, const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> page = ReadPage(file, 1);
  ASSERT_TRUE(jet::DataPageWriter(page.data()).Replace(row, bytes));
  WritePage(file, 1, page);
}

jet::ByteSpan GlobalMapRow(const std::vector<std::uint8_t>& page1) {
  return jet::DataPage(jet::ByteSpan(page1.data(), kPage), jet::kJet4Format).Row(0);
}

void ExpectClean(const fs::path& file) {
  std::vector<std::string> findings = jet::CheckDatabase(file.string(), "");
  EXPECT_TRUE(findings.empty()) << findings.front();
}

std::size_t RowCount(const fs::path& file, const std::string& table) {
  jet::Database db = jet::Database::Open(file.string(), "");
  return db.OpenTable(table).RowCount();
}

const std::string kPageOfMemo(2000, 'p');  // 4,000 bytes: one long-value page a row

void InsertRows(const fs::path& file, const std::string& table, int rows) {
  jet::DatabaseWriter w = jet::DatabaseWriter::Open(file.string(), "");
  w.BeginBatch();
  for (int i = 0; i < rows; ++i)
    w.Execute("INSERT INTO [" + table + "] VALUES ('" + std::to_string(i) + "', '" + kPageOfMemo + "')");
  w.CommitBatch();
}

// Page 1 of an Access-made file with its second (unused, empty) map row
// lengthened until the global map can grow one step of 32 bytes only.
TEST(GlobalMap, TakesTheReferenceFormWhenPageOneIsFullAndFreedPagesGoBackToIt) {
  TempDir dir;
  fs::path file = dir.Copy("testV2000.mdb");  // its global map: 101 bytes, 768 pages
  std::vector<std::uint8_t> page1 = ReadPage(file, 1);
  std::size_t room = jet::DataPage(jet::ByteSpan(page1.data(), kPage), jet::kJet4Format).FreeSpace();
  std::vector<std::uint8_t> unused(69 + room - 40, 0);
  ReplaceMapRow(file, 1, unused);

  jet::ExecuteStatement(file.string(), "", "CREATE TABLE [big] (a text(10), m memo)");
  InsertRows(file, "big", 1200);
  ASSERT_GT(Pages(file), 1100u) << "the file did not outgrow the inline map";
  EXPECT_EQ(GlobalMapRow(ReadPage(file, 1))[0], 1) << "the map kept the inline form";
  ExpectClean(file);
  EXPECT_EQ(RowCount(file, "big"), 1200u);
  EXPECT_EQ(OracleDifferences(dir.Path()), "");

  // A dropped table's pages are marked free in the bitmap pages and taken
  // again before the file grows.
  std::uint32_t grown = Pages(file);
  jet::ExecuteStatement(file.string(), "", "DROP TABLE [big]");
  ExpectClean(file);
  jet::ExecuteStatement(file.string(), "", "CREATE TABLE [again] (a text(10), m memo)");
  InsertRows(file, "again", 1000);
  EXPECT_EQ(Pages(file), grown);
  ExpectClean(file);
  EXPECT_EQ(OracleDifferences(dir.Path()), "");
}

// A writer that appends past the window may move it up (Jackcess does), so
// that live pages lie below it. Those pages are never handed out, and
// freeing them widens the window down instead of refusing.
TEST(GlobalMap, AWindowMovedAbovePageZeroTakesBackTheFreedPagesBelowIt) {
  TempDir dir;
  fs::path file = dir.Copy("testV2000.mdb");
  jet::ExecuteStatement(file.string(), "", "CREATE TABLE [low] (a text(10), m memo)");
  InsertRows(file, "low", 20);
  const std::uint32_t pages = Pages(file);
  const std::uint32_t start = (pages - 4) & ~7u;
  std::vector<std::uint8_t> moved(69, 0);
  jet::PutU32(moved.data() + 1, start);
  for (std::uint32_t p = pages; p < start + 512; ++p) moved[5 + (p - start) / 8] |= 1u << ((p - start) % 8);
  ReplaceMapRow(file, 0, moved);
  ExpectClean(file);

  jet::ExecuteStatement(file.string(), "", "CREATE TABLE [more] (a text(10), m memo)");
  InsertRows(file, "more", 5);
  jet::ExecuteStatement(file.string(), "", "DROP TABLE [low]");
  jet::ByteSpan row = GlobalMapRow(ReadPage(file, 1));
  EXPECT_LE(jet::U32(row, 1), pages - 20) << "the window still starts above the freed pages";
  ExpectClean(file);
  std::uint32_t before = Pages(file);
  InsertRows(file, "more", 15);
  EXPECT_EQ(Pages(file), before) << "the freed pages were not taken again";
  ExpectClean(file);
  EXPECT_EQ(OracleDifferences(dir.Path()), "");
}

// Jet 4 files end at 2 GiB: the statement that needs a page past it is
// refused with Jet's message, changes nothing, and the file stays usable.
TEST(GlobalMap, RefusesPagesPast2GiB) {
  constexpr std::uint32_t kLastPages = 64;
  constexpr std::uint64_t kLimit = 0x80000000u;
  TempDir dir;
  fs::path file = dir.Copy("testV2000.mdb");
  const std::uint64_t original = fs::file_size(file);
  jet::ExecuteStatement(file.string(), "", "CREATE TABLE [full] (a text(10), m memo)");
  fs::resize_file(file, kLimit - kLastPages * kPage);

  // The pages a statement near the end can change: the original file's and the last ones.
  auto tail = [&] {
    const std::uint32_t count = Pages(file);
    std::vector<std::vector<std::uint8_t>> pages;
    for (std::uint32_t p = 0; p < original / kPage + 8; ++p) pages.push_back(ReadPage(file, p));
    for (std::uint32_t p = count - kLastPages; p < count; ++p) pages.push_back(ReadPage(file, p));
    return pages;
  };
  int inserted = 0;
  for (;; ++inserted) {
    std::uint64_t size = fs::file_size(file);
    auto before = tail();
    try {
      jet::ExecuteStatement(file.string(), "",
                            "INSERT INTO [full] VALUES ('" + std::to_string(inserted) + "', '" + kPageOfMemo + "')");
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.Number(), jet::kDatabaseFull);
      EXPECT_EQ(e.JetNumber(), jet::kDatabaseFullJetNumber);
      EXPECT_EQ(e.Description(), "Database has reached maximum size.");
      EXPECT_EQ(fs::file_size(file), size);
      EXPECT_TRUE(tail() == before) << "the refused statement changed the file";
      break;
    }
    ASSERT_LE(fs::file_size(file), kLimit);
    ASSERT_LT(inserted, 100) << "no refusal at 2 GiB";
  }
  EXPECT_GT(inserted, 10);
  EXPECT_FALSE(fs::exists(file.string() + "-journal"));
  EXPECT_EQ(RowCount(file, "full"), static_cast<std::size_t>(inserted));
  // What still fits goes in: a row without a memo.
  jet::ExecuteStatement(file.string(), "", "INSERT INTO [full] VALUES ('small', NULL)");
  EXPECT_EQ(RowCount(file, "full"), static_cast<std::size_t>(inserted) + 1);
}

}  // namespace
}  // namespace jetwritetest
