// Running statements on MySQL: what a failure is numbered, how rows come back,
// and that names and values reach the server byte for byte.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <thread>

#include "dataaccess/connection.h"
#include "dataaccess/error.h"
#include "dataaccess/mysql_session.h"
#include "dataaccess/recordset.h"
#include "test_server.h"

namespace {

using dataaccess::Connection;
using dataaccess::DbError;
using dataaccess::Recordset;

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

std::string Quoted(const std::string& value) {
  std::string text = "'";
  for (char c : value) text += c == '\'' ? std::string("''") : std::string(1, c);
  return text + "'";
}

DbError FailureOf(Connection& connection, const std::string& statement) {
  try {
    connection.Execute(statement);
  } catch (const DbError& error) {
    return error;
  }
  ADD_FAILURE() << "succeeded: " << statement;
  return DbError(0, "");
}

TEST(MySqlStatementTest, StatementTheServerRejectsIsACommandErrorWithTheServersText) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server);
  auto connection = db.Connect();
  struct Case {
    const char* statement;
    const char* descriptionStart;
  };
  for (const Case& c : {Case{"CREATE TABLE (", "You have an error in your SQL syntax"},
                        Case{"SELECT * FROM missing_table", "Table '"},
                        Case{"DROP TABLE missing_table", "Unknown table '"}}) {
    DbError error = FailureOf(*connection, c.statement);
    EXPECT_EQ(error.Number(), dataaccess::kCommandError) << c.statement;
    EXPECT_EQ(error.Description().rfind(c.descriptionStart, 0), 0u) << error.Description();
  }
  // The session is still usable after a refused statement.
  EXPECT_EQ(connection->Execute("SELECT 1").RecordCount(), 1);
}

TEST(MySqlStatementTest, KilledConnectionIsAClientFailureFromThenOn) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server);
  auto victim = db.Connect();
  auto killer = db.Connect();
  unsigned long id = dynamic_cast<dataaccess::MySqlSession&>(victim->Session()).ServerConnectionId();
  killer->Execute("KILL CONNECTION " + std::to_string(id));
  for (int attempt = 0; attempt < 2; ++attempt) {
    DbError error = FailureOf(*victim, "CREATE TABLE t (a int)");
    EXPECT_EQ(error.Number(), dataaccess::kClientFailure) << error.Description();
    EXPECT_FALSE(error.Description().empty());
  }
}

// A read stopped from outside while its rows come: the query killed, or the
// whole connection. The read stalls on a user lock the test holds, and the
// kill comes once the server shows it waiting there.
TEST(MySqlStatementTest, ReadKilledMidwayFailsWithTheServersNumberAndDescription) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server);
  const struct {
    const char* kill;
    int cursor;
    std::int32_t number;
  } cases[] = {
      {"KILL QUERY ", dataaccess::kOpenForwardOnly, dataaccess::kCommandError},
      {"KILL QUERY ", dataaccess::kOpenStatic, dataaccess::kCommandError},
      {"KILL CONNECTION ", dataaccess::kOpenForwardOnly, dataaccess::kClientFailure},
      {"KILL CONNECTION ", dataaccess::kOpenStatic, dataaccess::kClientFailure},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.kill) + (c.cursor == dataaccess::kOpenStatic ? "stored" : "streamed"));
    auto reader = db.Connect();
    auto holder = db.Connect();
    auto killer = db.Connect();
    unsigned long id = dynamic_cast<dataaccess::MySqlSession&>(reader->Session()).ServerConnectionId();
    holder->Execute("SELECT GET_LOCK('stall', 600)");
    auto kill = std::async(std::launch::async, [&] {
      const std::string waiting = "SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE ID = " +
                                  std::to_string(id) + " AND STATE = 'User lock'";
      while (std::get<std::int64_t>(killer->Execute(waiting).Field(0).Value()) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      killer->Execute(c.kill + std::to_string(id));
    });
    std::optional<DbError> failure;
    std::int64_t rowsRead = 0;  // a killed lock wait lets its row through before the query stops
    try {
      Recordset rows;
      rows.Open("SELECT seq, IF(seq = 20000, GET_LOCK('stall', 600), 0) FROM seq_1_to_30000", *reader, c.cursor,
                dataaccess::kLockReadOnly);
      for (; !rows.Eof(); rows.MoveNext()) ++rowsRead;
    } catch (const DbError& error) {
      failure = error;
    }
    kill.get();
    holder->Execute("SELECT RELEASE_LOCK('stall')");
    ASSERT_TRUE(failure) << "read " << rowsRead << " rows";
    EXPECT_EQ(failure->Number(), c.number) << failure->Description();
    EXPECT_NE(failure->NativeError(), 0u) << failure->Description();
    EXPECT_FALSE(failure->Description().empty()) << "number " << failure->NativeError();
  }
}

// Abandoning a read part-way. A streamed one is abandoned while the server
// is blocked writing rows into full socket buffers: it must not read the
// 200 MB left (the connection would then still work), and once it is closed
// the server must stop, not stay blocked holding the query's locks until
// net_write_timeout. A stored one has all its rows and keeps its connection.
TEST(MySqlStatementTest, AnAbandonedReadLeavesAStreamsRestUnreadAndCutsItsConnection) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server);
  const struct {
    int cursor;
    bool connectionKept;
    int rows;
  } cases[] = {{dataaccess::kOpenForwardOnly, false, 1000000}, {dataaccess::kOpenStatic, true, 30000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cursor == dataaccess::kOpenStatic ? "stored" : "streamed");
    auto reader = db.Connect();
    auto watcher = db.Connect();
    reader->Execute("SET SESSION net_write_timeout = 3600");
    const std::string id =
        std::to_string(dynamic_cast<dataaccess::MySqlSession&>(reader->Session()).ServerConnectionId());
    // Waits up to a minute for the reader's server thread to meet `what`.
    auto becomes = [&](const std::string& what) {
      const std::string count = "SELECT " + what + " FROM information_schema.PROCESSLIST WHERE ID = " + id;
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      // The state seen once is the answer: it may change before a second look.
      while (std::get<std::int64_t>(watcher->Execute(count).Field(0).Value()) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      return true;
    };
    Recordset rows;
    rows.Open("SELECT seq, REPEAT('x', 200) FROM seq_1_to_" + std::to_string(c.rows), *reader, c.cursor,
              dataaccess::kLockReadOnly);
    rows.MoveNext();
    if (!c.connectionKept) ASSERT_TRUE(becomes("COUNT(STATE = 'Writing to net' OR NULL)"));
    rows.Abandon();
    EXPECT_FALSE(rows.IsOpen());
    if (c.connectionKept) {
      EXPECT_EQ(reader->Execute("SELECT 1").RecordCount(), 1);
    } else {
      EXPECT_EQ(FailureOf(*reader, "SELECT 1").Number(), dataaccess::kClientFailure);
      reader->Close();
      EXPECT_TRUE(becomes("COUNT(*) = 0")) << "the server still serves the abandoned read";
    }
  }
}

TEST(MySqlStatementTest, StatementWithoutRowsRunsCommitsAndLeavesTheRecordsetClosed) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server);
  auto writer = db.Connect();
  auto reader = db.Connect();
  Recordset statement;
  statement.Open("CREATE TABLE t (a int)", *writer, dataaccess::kOpenStatic, dataaccess::kLockOptimistic);
  EXPECT_FALSE(statement.IsOpen());
  statement.Open("INSERT INTO t VALUES (1), (2)", *writer, dataaccess::kOpenStatic, dataaccess::kLockOptimistic);
  EXPECT_FALSE(statement.IsOpen());
  EXPECT_THROW(statement.RecordCount(), DbError);
  // Seen from another session at once: committed, not waiting in a transaction.
  EXPECT_EQ(reader->Execute("SELECT * FROM t").RecordCount(), 2);
}

// Statements without rows take a quicker road to the server; these are the
// ones that must not: rows they answer, and a second statement smuggled in.
TEST(MySqlStatementTest, RowlessStatementsKeepTheirMeaningOnTheQuickRoad) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server);
  auto connection = db.Connect();
  connection->Execute("CREATE TABLE t (a int, s varchar(40))");

  Recordset returned = connection->Execute("INSERT INTO t VALUES (7, 'x') RETURNING a, s");
  ASSERT_EQ(returned.RecordCount(), 1);
  EXPECT_EQ(std::get<std::int64_t>(returned.Field(0).Value()), 7);

  connection->Execute("INSERT INTO t VALUES (8, 'returning customers')");
  EXPECT_EQ(FailureOf(*connection, "INSERT INTO t VALUES (9, 'a'); DROP TABLE t").Number(), dataaccess::kCommandError);

  Recordset rows = connection->Execute("SELECT a, s FROM t ORDER BY a");
  ASSERT_EQ(rows.RecordCount(), 2);
  rows.MoveNext();
  EXPECT_EQ(std::get<std::string>(rows.Field(1).Value()), "returning customers");
}

TEST(MySqlStatementTest, RecordCountIsExactBeforeTheFirstRowAndEofComesAfterTheLast) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server);
  db.Run("CREATE TABLE t (n int, s varchar(20))");
  db.Run("INSERT INTO t SELECT seq, CONCAT('row ', seq) FROM seq_1_to_2500");
  auto connection = db.Connect();
  Recordset rows;
  rows.Open("SELECT n, s FROM t ORDER BY n", *connection);
  ASSERT_EQ(rows.RecordCount(), 2500);
  std::int64_t seen = 0;
  while (!rows.Eof()) {
    ++seen;
    ASSERT_EQ(std::get<std::int64_t>(rows.Field(0).Value()), seen);
    ASSERT_EQ(std::get<std::string>(rows.Field(1).Value()), "row " + std::to_string(seen));
    rows.MoveNext();
  }
  EXPECT_EQ(seen, 2500);
  EXPECT_EQ(rows.RecordCount(), 2500);
  EXPECT_THROW(rows.MoveNext(), DbError);
  EXPECT_THROW(rows.Field(0).Value(), DbError);
  EXPECT_EQ(rows.Field(1).Name(), "s");  // names stay readable past the end
  rows.Close();
  EXPECT_FALSE(rows.IsOpen());
}

TEST(MySqlStatementTest, EmptyResultHasItsFieldsButNoRow) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server);
  db.Run("CREATE TABLE t (first_col int, `second col` text)");
  auto connection = db.Connect();
  Recordset rows = connection->Execute("SELECT * FROM t");
  EXPECT_TRUE(rows.IsOpen());
  EXPECT_EQ(rows.RecordCount(), 0);
  EXPECT_TRUE(rows.Eof());
  ASSERT_EQ(rows.FieldCount(), 2);
  EXPECT_EQ(rows.Field(0).Name(), "first_col");
  EXPECT_EQ(rows.Field(1).Name(), "second col");
  EXPECT_THROW(rows.Field(2), DbError);
}

// (MariaDB names hold no characters beyond the Basic Multilingual Plane.)
TEST(MySqlStatementTest, NamesWithBlanksBackticksAndQuotesRoundTrip) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server);
  auto connection = db.Connect();
  for (std::string name : {"with blank", "back`tick", "it's", "say \"hi\"", "Größe"}) {
    SCOPED_TRACE(name);
    std::string quoted = "`";
    for (char c : name) quoted += c == '`' ? std::string("``") : std::string(1, c);
    quoted += "`";
    connection->Execute("CREATE TABLE " + quoted + " (" + quoted + " int)");
    Recordset tables = connection->Execute("SHOW TABLES LIKE " + Quoted(name));
    ASSERT_EQ(tables.RecordCount(), 1);
    EXPECT_EQ(std::get<std::string>(tables.Field(0).Value()), name);
    Recordset rows = connection->Execute("SELECT * FROM " + quoted);
    EXPECT_EQ(rows.Field(0).Name(), name);
    connection->Execute("DROP TABLE " + quoted);
  }
}

TEST(MySqlStatementTest, ValuesArriveByteForByteWithOnlyTheApostropheDoubled) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server);
  db.Run("CREATE TABLE t (id int, v text)");
  std::vector<std::string> values = {
      "C:\\new\\table",  // would become a newline and a tab with backslash escapes
      "ends with \\",     // would swallow the closing apostrophe
      "\\'; DROP TABLE t; --",
      "it's",
      "''",
      "%_ wildcards",
      "Grüße, Ελληνικά, 日本語",
      "emoji 😀🇩🇪",
      "tab\tand\r\nline",
  };
  auto connection = db.Connect();
  for (std::size_t i = 0; i < values.size(); ++i) {
    connection->Execute("INSERT INTO t VALUES(" + std::to_string(i) + ", " + Quoted(values[i]) + ")");
  }
  Recordset rows = connection->Execute("SELECT v, HEX(v) FROM t ORDER BY id");
  ASSERT_EQ(rows.RecordCount(), static_cast<std::int64_t>(values.size()));
  for (const std::string& expected : values) {
    EXPECT_EQ(std::get<std::string>(rows.Field(0).Value()), expected);
    EXPECT_EQ(std::get<std::string>(rows.Field(1).Value()), Hex(expected)) << "stored bytes of " << expected;
    rows.MoveNext();
  }
}

TEST(MySqlStatementTest, CharacterTheTableCannotHoldIsRefusedNotReplaced) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server, "latin1");
  auto connection = db.Connect();
  // The bad value stands in a second row: for a MyISAM table the server's
  // default strictness gives up there and stores '?', only STRICT_ALL_TABLES refuses.
  for (std::string engine : {"InnoDB", "MyISAM"}) {
    SCOPED_TRACE(engine);
    connection->Execute("CREATE TABLE t (c char(10)) ENGINE=" + engine);
    for (std::string value : {"Ω", "😀"}) {
      DbError error = FailureOf(*connection, "INSERT INTO t VALUES('Grüße'), ('" + value + "')");
      EXPECT_EQ(error.Number(), dataaccess::kCommandError);
      EXPECT_NE(error.Description().find("Incorrect string value"), std::string::npos) << error.Description();
    }
    Recordset rows = connection->Execute("SELECT c FROM t WHERE c <> 'Grüße'");
    EXPECT_EQ(rows.RecordCount(), 0) << "a replaced character was stored";
    connection->Execute("DROP TABLE t");
  }
}

}  // namespace
