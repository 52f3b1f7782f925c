// Where the test MariaDB is, and scratch databases on it that each test
// creates and drops, so tests running in parallel never share tables.
#pragma once

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "dataaccess/connection.h"

namespace testing_mysql {

struct TestServer {
  std::string host;
  std::string port;
  std::string socket;
  std::string user;
  std::string password;
  std::string database;
};

// Empty when TABLORIA_TEST_MYSQL_HOST and its companions are not set.
std::optional<TestServer> FromEnvironment();

// An ODBC-style string for the server; `server` is what goes after SERVER=.
// Values holding ";" are braced, as the driver manager reads them.
std::string ConnectionString(const TestServer& server, const std::string& serverValue,
                             const std::string& database);
std::string ConnectionString(const TestServer& server, const std::string& database);

// A database of its own for one test, dropped again in the destructor.
class ScratchDatabase {
 public:
  explicit ScratchDatabase(const TestServer& server, const std::string& characterSet = "utf8mb4");
  ~ScratchDatabase();
  const std::string& Name() const { return name_; }
  // A connection to it, opened.
  std::unique_ptr<dataaccess::Connection> Connect() const;
  // Runs statements that return no rows, failing the test on an error.
  void Run(const std::string& statement) const;

 private:
  TestServer server_;
  std::string name_;
  std::unique_ptr<dataaccess::Connection> admin_;
  std::unique_ptr<dataaccess::Connection> session_;
};

}  // namespace testing_mysql

// Skips the current test when no test server is configured (scripts/test always configures one).
#define REQUIRE_TEST_SERVER(var)                                                              \
  auto var##_found = ::testing_mysql::FromEnvironment();                                      \
  if (!var##_found) GTEST_SKIP() << "No test MariaDB: TABLORIA_TEST_MYSQL_* are not set "     \
                                    "(scripts/test starts one and sets them).";               \
  const ::testing_mysql::TestServer& var = *var##_found
