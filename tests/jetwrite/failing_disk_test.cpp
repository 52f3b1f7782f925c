// Statements on a failing disk. Each statement (CREATE, INSERT with a memo
// long enough for a chain of long-value pages, DROP, rename) runs once on a
// sound disk to count its writes, then once for every write it makes with
// that write failing (EIO, or ENOSPC after part of the bytes): each time the
// statement fails and the file is byte for byte what it was. Inside a batch
// the power is cut at every write instead: whatever subset of the unsynced
// writes the disk kept, the next open leaves a file that checks clean and
// holds either the old or the new state.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>

#include "fault_disk.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/value.h"
#include "jet/write/consistency_check.h"
#include "jet/write/database_writer.h"
#include "support.h"

namespace jetwritetest {
namespace {

namespace fs = std::filesystem;
using jet::IoOp;

std::vector<std::uint8_t> Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every table and every value as our reader gives them.
std::string State(const fs::path& file) {
  jet::Database db = jet::Database::Open(file.string(), "");
  std::string out;
  for (const jet::CatalogueEntry& e : db.Tables()) {
    if (!jet::IsUserTable(e.attributes)) continue;
    out += "[" + e.name + "]\n";
    jet::Table table = db.OpenTable(e.name);
    for (auto cursor = table.Rows(); cursor.Next();) {
      for (const jet::Value& v : cursor.Values()) out += (jet::IsNull(v) ? "NULL" : jet::ToText(v)) + "|";
      out += "\n";
    }
  }
  return out;
}

struct Case {
  const char* name;
  std::function<void(jet::DatabaseWriter&)> run;
};

const std::string kLongMemo(9000, 'm');

std::vector<Case> Cases() {
  return {
      {"create", [](jet::DatabaseWriter& w) { w.Execute("CREATE TABLE [fresh] (a text(10), m memo)"); }},
      {"insert", [](jet::DatabaseWriter& w) { w.Execute("INSERT INTO [t] VALUES ('b', '" + kLongMemo + "')"); }},
      {"drop", [](jet::DatabaseWriter& w) { w.Execute("DROP TABLE [t]"); }},
      {"rename", [](jet::DatabaseWriter& w) { w.RenameTable("t", "renamed t"); }},
  };
}

// A fixture copy with a table [t] that holds a row with a long memo.
fs::path Prepared(const TempDir& dir, const std::string& name) {
  fs::path file = dir.Path() / name;
  fs::remove(file.string() + "-journal");
  fs::copy_file(FixtureDir() / "testV2000.mdb", file, fs::copy_options::overwrite_existing);
  jet::ExecuteStatement(file.string(), "", "CREATE TABLE [t] (a text(10), m memo)");
  jet::ExecuteStatement(file.string(), "", "INSERT INTO [t] VALUES ('a', '" + kLongMemo + "')");
  return file;
}

void RunBatch(const fs::path& file, const Case& c) {
  jet::DatabaseWriter w = jet::DatabaseWriter::Open(file.string(), "");
  w.BeginBatch();
  c.run(w);
  w.CommitBatch();
}

void RunAlone(const fs::path& file, const Case& c) {
  jet::DatabaseWriter w = jet::DatabaseWriter::Open(file.string(), "");
  c.run(w);
}

int WritesOf(const TempDir& dir, const Case& c, void (*run)(const fs::path&, const Case&)) {
  fs::path file = Prepared(dir, std::string("count-") + c.name + ".mdb");
  FaultDisk disk;
  run(file, c);
  return disk.Count(IoOp::Write);
}

struct Failure {
  const char* name;
  IoOp op;
  int error;
  std::size_t keep;  // bytes of the failing write let through
};

TEST(FailingDisk, AFailedWriteLeavesTheFileAsItWas) {
  const Failure failures[] = {{"EIO", IoOp::Write, EIO, 0}, {"ENOSPC after part", IoOp::Write, ENOSPC, 1000}};
  TempDir dir;
  for (const Case& c : Cases()) {
    for (auto run : {&RunAlone, &RunBatch}) {
      int writes = WritesOf(dir, c, run);
      ASSERT_GT(writes, 1) << c.name;
      for (const Failure& f : failures) {
        for (int n = 1; n <= writes; ++n) {
          SCOPED_TRACE(std::string(c.name) + (run == &RunBatch ? " in a batch" : "") + ", " + f.name + " at write " +
                       std::to_string(n) + " of " + std::to_string(writes));
          fs::path file = Prepared(dir, "case.mdb");
          std::vector<std::uint8_t> before = Bytes(file);
          {
            FaultDisk disk;
            disk.FailNth(f.op, n, f.error, f.keep);
            EXPECT_THROW(run(file, c), jet::Error);
          }
          EXPECT_EQ(Bytes(file), before);
          EXPECT_TRUE(jet::CheckDatabase(file.string(), "").empty());
          fs::remove(file);
          fs::remove(file.string() + "-journal");
        }
      }
    }
  }
}

TEST(FailingDisk, AFailedSyncOrReadChangesNothing) {
  TempDir dir;
  for (const Case& c : Cases()) {
    for (IoOp op : {IoOp::Sync, IoOp::Read}) {
      SCOPED_TRACE(std::string(c.name) + (op == IoOp::Sync ? ", first sync fails" : ", a read fails"));
      fs::path file = Prepared(dir, "case.mdb");
      std::vector<std::uint8_t> before = Bytes(file);
      {
        FaultDisk disk;
        disk.FailNth(op, op == IoOp::Sync ? 1 : 3, EIO);
        EXPECT_THROW(RunBatch(file, c), jet::Error);
      }
      EXPECT_EQ(Bytes(file), before);
      fs::remove(file);
      fs::remove(file.string() + "-journal");
    }
  }
}

TEST(PowerLoss, EveryCutOfABatchLeavesTheOldOrTheNewState) {
  TempDir dir;
  std::mt19937 rng(12);
  for (const Case& c : Cases()) {
    fs::path model = Prepared(dir, "model.mdb");
    std::string oldState = State(model);
    RunBatch(model, c);
    std::string newState = State(model);
    ASSERT_NE(oldState, newState);
    int writes = WritesOf(dir, c, &RunBatch);
    for (int n = 1; n <= writes; ++n) {
      SCOPED_TRACE(std::string(c.name) + ", power cut at write " + std::to_string(n) + " of " + std::to_string(writes));
      fs::path file = Prepared(dir, "case.mdb");
      {
        FaultDisk disk;
        disk.Watch(file);
        disk.Watch(file.string() + "-journal");
        disk.CutAtWrite(n);
        EXPECT_THROW(RunBatch(file, c), jet::Error);
        disk.PowerLoss(rng);
      }
      std::vector<std::string> findings = jet::CheckDatabase(file.string(), "");
      for (const std::string& f : findings) ADD_FAILURE() << f;
      std::string state = State(file);
      EXPECT_TRUE(state == oldState || state == newState) << state;
      EXPECT_FALSE(fs::exists(file.string() + "-journal"));
      fs::remove(file);
    }
  }
}

// A batch of rows whose keys land all over a table's index trees changes
// many index pages at once, each journaled from the bytes the batch read
// rather than read again: a write failing anywhere in its commit leaves the
// file byte for byte as it was, and a power cut at any write leaves the old
// or the new state, on a page-encoded file as on a plain one.
struct ScatteredBatch {
  const char* fixture;
  std::vector<std::string> setUp;
  const char* table;
};

std::string ScatteredRow(const std::string& table, int i) {
  const auto id = static_cast<std::int32_t>(static_cast<std::uint32_t>(i + 4) * 2654435761u);
  return "INSERT INTO [" + table + "] VALUES (" + std::to_string(id) + ", " + std::to_string(i % 100) + ", " +
         std::to_string(i % 97) + ", 'row " + std::to_string(i) + "', 0)";
}

void InsertScattered(const fs::path& file, const std::string& table, int from, int to) {
  jet::DatabaseWriter w = jet::DatabaseWriter::Open(file.string(), "");
  w.BeginBatch();
  for (int i = from; i < to; ++i) w.Execute(ScatteredRow(table, i));
  w.CommitBatch();
}

TEST(FailingDisk, ABatchOfScatteredKeysIsWholeOrAbsent) {
  const std::vector<ScatteredBatch> cases = {
      {"indexTestV2000.mdb", {}, "Table1"},
      {"encodedV2000.mdb",
       {"CREATE TABLE [keyed] (id LONG PRIMARY KEY, a LONG, b LONG, data TEXT(50), c LONG)",
        "CREATE INDEX [by a] ON [keyed] (a)", "CREATE INDEX [by b] ON [keyed] (b DESC)"},
       "keyed"},
  };
  // Enough rows first for trees of two levels, then a batch that adds an
  // entry to most of their leaves.
  constexpr int kFirst = 3000, kBatch = 300;
  TempDir dir;
  std::mt19937 rng(7);
  for (const ScatteredBatch& c : cases) {
    const fs::path model = dir.Path() / "model.mdb";
    fs::copy_file(FixtureDir() / c.fixture, model, fs::copy_options::overwrite_existing);
    fs::permissions(model, fs::perms::owner_read | fs::perms::owner_write);
    for (const std::string& sql : c.setUp) jet::ExecuteStatement(model.string(), "", sql);
    InsertScattered(model, c.table, 0, kFirst);
    const std::vector<std::uint8_t> before = Bytes(model);
    const std::string oldState = State(model);
    const fs::path file = dir.Path() / "case.mdb";
    auto fresh = [&] {
      fs::remove(file.string() + "-journal");
      fs::copy_file(model, file, fs::copy_options::overwrite_existing);
    };
    fresh();
    int writes = 0;
    {
      FaultDisk disk;
      InsertScattered(file, c.table, kFirst, kFirst + kBatch);
      writes = disk.Count(IoOp::Write);
    }
    const std::string newState = State(file);
    ASSERT_GT(writes, 50) << c.fixture << ": the batch changes few pages";
    for (int n = 1; n <= writes; ++n) {
      SCOPED_TRACE(std::string(c.fixture) + ", write " + std::to_string(n) + " of " + std::to_string(writes));
      fresh();
      {
        FaultDisk disk;
        disk.FailNth(IoOp::Write, n, EIO);
        EXPECT_THROW(InsertScattered(file, c.table, kFirst, kFirst + kBatch), jet::Error);
      }
      EXPECT_EQ(Bytes(file), before) << "a failed write";
      fresh();
      {
        FaultDisk disk;
        disk.Watch(file);
        disk.Watch(file.string() + "-journal");
        disk.CutAtWrite(n);
        EXPECT_THROW(InsertScattered(file, c.table, kFirst, kFirst + kBatch), jet::Error);
        disk.PowerLoss(rng);
      }
      for (const std::string& f : jet::CheckDatabase(file.string(), "")) ADD_FAILURE() << "power cut: " << f;
      const std::string state = State(file);
      EXPECT_TRUE(state == oldState || state == newState) << "power cut";
    }
  }
}

}  // namespace
}  // namespace jetwritetest
