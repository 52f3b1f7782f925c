// Connections and locks: an idle connection holds no lock and no stale
// pages, a reader's open result does not block writes, and a writer waits
// briefly for another's lock before giving up with a clear error.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/file.h"
#include "jet/write/consistency_check.h"
#include "jet/write/database_writer.h"
#include "support.h"

namespace jetwritetest {
namespace {

TEST(Locking, IdleConnectionsSeeEachOthersWrites) {
  TempDir dir;
  auto file = dir.Copy("testV2000.mdb");
  jet::DatabaseWriter first = jet::DatabaseWriter::Open(file, "");
  jet::DatabaseWriter second = jet::DatabaseWriter::Open(file, "");
  first.Execute("CREATE TABLE shared (a char(2))");
  second.Execute("INSERT INTO shared VALUES('b')");
  first.Execute("INSERT INTO shared VALUES('a')");
  second.RenameTable("shared", "common");
  first.Execute("INSERT INTO common VALUES('c')");
  first.Sync();
  jet::ResultSet rows = jet::Database::Open(file, "").Execute("SELECT * FROM common");
  EXPECT_EQ(rows.RecordCount(), 3u);
  EXPECT_TRUE(jet::CheckDatabase(file, "").empty());
}

// An open handle keeps what it learnt about the table of its last INSERT;
// whatever another writer did to that table in between must be seen.
TEST(Locking, AHandleSeesWhatAnotherDidToItsTable) {
  const struct {
    const char* what;
    std::vector<std::string> others;  // run by another connection in between
    const char* insert;               // then run by the first handle
    std::int32_t error;               // 0: it runs
    std::map<std::string, std::size_t> rows;
  } cases[] = {
      {"rows added", {"INSERT INTO t VALUES('x')", "INSERT INTO t VALUES('y')"}, "INSERT INTO t VALUES('b')", 0,
       {{"t", 4}}},
      {"renamed", {"RENAME t u"}, "INSERT INTO t VALUES('b')", jet::kObjectNotFound, {{"u", 1}}},
      {"dropped", {"DROP TABLE t"}, "INSERT INTO t VALUES('b')", jet::kObjectNotFound, {}},
      {"dropped, its pages taken by another table",
       {"DROP TABLE t", "CREATE TABLE other (a char(2))"},
       "INSERT INTO t VALUES('b')",
       jet::kObjectNotFound,
       {{"other", 0}}},
      {"made again with another shape",
       {"DROP TABLE t", "CREATE TABLE t (a char(2), b text(5))"},
       "INSERT INTO t VALUES('b', 'c')",
       0,
       {{"t", 1}}},
      {"made again alike", {"DROP TABLE t", "CREATE TABLE t (a char(2))"}, "INSERT INTO t VALUES('b')", 0,
       {{"t", 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    auto file = dir.Copy("emptyJet4.mdb");
    jet::DatabaseWriter handle = jet::DatabaseWriter::Open(file, "");
    handle.Execute("CREATE TABLE t (a char(2))");
    handle.Execute("INSERT INTO t VALUES('a')");
    for (const std::string& sql : c.others) {
      if (sql.rfind("RENAME ", 0) == 0)
        jet::RenameTable(file, "", sql.substr(7, 1), sql.substr(9));
      else
        jet::ExecuteStatement(file, "", sql);
    }
    try {
      handle.Execute(c.insert);
      EXPECT_EQ(c.error, 0);
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.Number(), c.error) << e.Description();
    }
    jet::Database db = jet::Database::Open(file, "");
    std::map<std::string, std::size_t> rows;
    for (const std::string& name : UserTables(file, "")) rows[name] = db.Execute("SELECT * FROM [" + name + "]").RecordCount();
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(jet::CheckDatabase(file, ""), std::vector<std::string>{});
  }
}

// What the program does: it sends a table to MySQL, the user declines an
// overwrite so the row source stays open, then deletes, renames and sends a
// table to Access on the same file.
TEST(Locking, AnOpenRowSourceDoesNotBlockWrites) {
  TempDir dir;
  auto file = dir.Copy("testV2000.mdb");
  jet::Database reader = jet::Database::Open(file, "");
  jet::Table table = reader.OpenTable("Table1");
  jet::ResultSet kept = reader.Execute("SELECT * FROM [Table1]");
  jet::ExecuteStatement(file, "", "DROP TABLE Table2;");
  jet::RenameTable(file, "", "Table3", "Table Three");
  jet::ExecuteStatement(file, "", "CREATE TABLE `sent`(`id` char(3),`name` char(10));");
  jet::ExecuteStatement(file, "", "INSERT INTO `sent` VALUES('7', 'O''Brien');");
  jet::SyncDatabase(file);
  EXPECT_EQ(reader.Execute("SELECT * FROM [Table1]").RecordCount(), kept.RecordCount());
  EXPECT_EQ(reader.Execute("SELECT * FROM [sent]").RecordCount(), 1u);
  EXPECT_TRUE(jet::CheckDatabase(file, "").empty());
}

TEST(Locking, AWriterWaitsForAnotherThenGivesUp) {
  TempDir dir;
  auto file = dir.Copy("emptyJet4.mdb");
  {
    jet::File holder(file);
    holder.Lock(jet::LockMode::Exclusive);
    std::thread release([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      holder.Unlock();
    });
    jet::ExecuteStatement(file, "", "CREATE TABLE waited (a char(1))");  // waits, then runs
    release.join();
  }
  jet::File holder(file);
  holder.Lock(jet::LockMode::Exclusive);
  try {
    jet::ExecuteStatement(file, "", "CREATE TABLE blocked (a char(1))");
    ADD_FAILURE() << "wrote past another's lock";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.Number(), jet::kOpenFailed);
    EXPECT_NE(e.Description().find("in use"), std::string::npos) << e.Description();
  }
  holder.Unlock();
  EXPECT_EQ(UserTables(file, ""), (std::vector<std::string>{"waited"}));
}

}  // namespace
}  // namespace jetwritetest
