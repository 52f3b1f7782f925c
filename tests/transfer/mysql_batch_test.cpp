// The open batch of a send to MySQL against another client's locks on the
// test MariaDB: a deadlock that rolls the batch back is sent again, and when
// the locks never give way the send stops with exactly the committed rows on
// the server. The other client stalls us with its locks; the test waits on
// what the server reports, never on time.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "dataaccess/recordset.h"
#include "test_server.h"
#include "transfer/mysql_batch.h"
#include "transfer/row_group.h"
#include "transfer/statements.h"

namespace {

std::int64_t Number(dataaccess::Connection& connection, const std::string& query) {
  dataaccess::Recordset answer = connection.Execute(query);
  return std::get<std::int64_t>(answer.Field(0).Value());
}

// Waits until the session `id` runs the trigger's UPDATE of the row the other
// client holds. From there our batch and the other client's SELECT ... FOR
// UPDATE wait for each other whichever asks first: a deadlock. The process
// list is read, not INNODB_TRX: the server serves that from a cache it
// refreshes only after 100 ms without a reader, so a close poll never sees
// the wait.
void AwaitTriggerUpdate(dataaccess::Connection& watcher, std::int64_t id) {
  const std::string query =
      "SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE INFO LIKE 'UPDATE other%' AND ID = " +
      std::to_string(id);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (Number(watcher, query) == 0) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the send never reached the other client's row";
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

class MySqlBatchTest : public testing::Test {
 protected:
  void SetUp() override {
    found_ = testing_mysql::FromEnvironment();
    if (!found_) GTEST_SKIP() << "No test MariaDB: TABLORIA_TEST_MYSQL_* are not set.";
    db_.emplace(*found_);
    // Row 500 of a batch touches a row the other client holds.
    db_->Run("CREATE TABLE other (id INT PRIMARY KEY, v INT) ENGINE=InnoDB");
    db_->Run("INSERT INTO other SELECT seq, 0 FROM seq_1_to_5000");
    db_->Run("CREATE TABLE t (n INT) ENGINE=InnoDB");
    db_->Run("CREATE TRIGGER t_meets_other AFTER INSERT ON t FOR EACH ROW "
             "BEGIN IF NEW.n = 500 THEN UPDATE other SET v = v + 1 WHERE id = 1; END IF; END");
    ours_ = db_->Connect();
    other_ = db_->Connect();
    watcher_ = db_->Connect();
    oursId_ = Number(*ours_, "SELECT CONNECTION_ID()");
    // The other client changes more rows than a batch holds, so the server
    // picks our smaller transaction as a deadlock's victim.
    other_->Execute("START TRANSACTION");
    other_->Execute("UPDATE other SET v = v + 1");
  }

  // A batch that fails the test on any refusal.
  transfer::MySqlBatch BatchRefusingNothing() {
    return transfer::MySqlBatch(*ours_, [](const std::string& statement, const dataaccess::DbError& error) {
      ADD_FAILURE() << "refused " << statement << ": " << error.Description();
    });
  }

  // Once our row 500 meets the other client's row, the other client asks for
  // our rows: a deadlock, and ours is rolled back. Then it lets go.
  std::future<void> OtherClientDeadlocksAtRow500() {
    return std::async(std::launch::async, [this] {
      AwaitTriggerUpdate(*watcher_, oursId_);
      other_->Execute("SELECT COUNT(*) FROM t FOR UPDATE");
      other_->Execute("COMMIT");
    });
  }

  // Sends rows 1 to `rows` in one batch and commits it.
  void SendRows(transfer::MySqlBatch& batch, int rows) {
    batch.Begin();
    for (int n = 1; n <= rows; ++n) batch.Send("INSERT INTO t VALUES (" + std::to_string(n) + ")");
    batch.Commit();
  }

  std::optional<testing_mysql::TestServer> found_;
  std::optional<testing_mysql::ScratchDatabase> db_;
  std::unique_ptr<dataaccess::Connection> ours_, other_, watcher_;
  std::int64_t oursId_ = 0;
};

TEST_F(MySqlBatchTest, ABatchADeadlockRolledBackIsSentAgainWhole) {
  transfer::MySqlBatch batch = BatchRefusingNothing();
  auto otherClient = OtherClientDeadlocksAtRow500();
  SendRows(batch, 1000);
  otherClient.get();
  EXPECT_EQ(batch.Replays(), 1);
  EXPECT_EQ(batch.RowsCommitted(), 1000);
  EXPECT_EQ(Number(*watcher_, "SELECT COUNT(*) FROM t"), 1000);
  EXPECT_EQ(Number(*watcher_, "SELECT COUNT(DISTINCT n) FROM t"), 1000);
}

TEST_F(MySqlBatchTest, RowsLoadedInBulkAreSentAgainWithTheBatchADeadlockRolledBack) {
  transfer::MySqlBatch batch = BatchRefusingNothing();
  auto otherClient = OtherClientDeadlocksAtRow500();
  // Rows 1 to 400 go in bulk; row 500, sent alone after them, meets the lock.
  transfer::RowGroup group(transfer::MySqlInsertPrefix("t").size(), transfer::MySqlLoadData("t", {"n"}));
  batch.Begin();
  for (int n = 1; n <= 400; ++n) {
    std::string line;
    transfer::AppendMySqlLoadLine(line, {std::to_string(n)});
    group.Add(transfer::MySqlInsert("t", {std::to_string(n)}), line);
  }
  group.SendThrough(batch, [] { return true; });
  for (int n = 401; n <= 1000; ++n) batch.Send("INSERT INTO t VALUES (" + std::to_string(n) + ")");
  batch.Commit();
  otherClient.get();
  EXPECT_EQ(batch.RowsLoaded(), 400);
  EXPECT_EQ(batch.Replays(), 1);
  EXPECT_EQ(batch.RowsCommitted(), 1000);
  EXPECT_EQ(Number(*watcher_, "SELECT COUNT(*) FROM t"), 1000);
  EXPECT_EQ(Number(*watcher_, "SELECT COUNT(DISTINCT n) FROM t"), 1000);
}

TEST_F(MySqlBatchTest, LocksThatNeverGiveWayStopTheSendWithTheCommittedRowsOnTheServer) {
  ours_->Execute("SET SESSION innodb_lock_wait_timeout = 1");
  transfer::MySqlBatch batch(*ours_, [](const std::string&, const dataaccess::DbError&) { ADD_FAILURE(); });
  batch.Begin();
  for (int n = 1; n <= 10; ++n) batch.Send("INSERT INTO t VALUES (" + std::to_string(n + 1000) + ")");
  batch.Commit();
  try {
    SendRows(batch, 1000);  // row 500 times out on every attempt
    FAIL() << "the send went on";
  } catch (const dataaccess::DbError& error) {
    EXPECT_TRUE(transfer::MetAnotherClientsLock(error)) << error.Description();
    EXPECT_FALSE(error.Description().empty());
  }
  other_->Execute("ROLLBACK");
  EXPECT_EQ(batch.RowsCommitted(), 10);
  EXPECT_EQ(Number(*watcher_, "SELECT COUNT(*) FROM t"), 10);
}

}  // namespace
