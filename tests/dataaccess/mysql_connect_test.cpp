// Opening MySQL connections: the three forms of SERVER, the failures that must
// all read as "could not connect", and what every session is set up with.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <sstream>

#include "dataaccess/connection.h"
#include "dataaccess/error.h"
#include "dataaccess/mysql_session.h"
#include "test_server.h"

namespace {

using dataaccess::Connection;
using dataaccess::DbError;

std::string FirstText(Connection& connection, const std::string& query) {
  dataaccess::Recordset rows = connection.Execute(query);
  return std::get<std::string>(rows.Field(0).Value());
}

// A loopback port nobody listens on: bound once to learn a free number, then released.
std::string ClosedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return std::to_string(ntohs(address.sin_port));
}

TEST(MySqlConnectTest, ReachesTheServerByHostPortByPortKeyAndBySocket) {
  REQUIRE_TEST_SERVER(server);
  struct Case {
    std::string connectionString;
    std::string expectedUser;  // tells a TCP login from a socket login
  };
  std::string tcpUser = server.user + "@127.0.0.1";
  std::string socketUser = server.user + "@localhost";
  std::vector<Case> cases = {
      {testing_mysql::ConnectionString(server, server.host + ":" + server.port, server.database), tcpUser},
      {testing_mysql::ConnectionString(server, server.host, server.database) + "PORT=" + server.port + ";", tcpUser},
      {testing_mysql::ConnectionString(server, server.socket, server.database), socketUser},
      // A port given with "localhost" still means TCP, not the default socket.
      {testing_mysql::ConnectionString(server, "localhost:" + server.port, server.database), tcpUser},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.connectionString);
    Connection connection;
    connection.SetConnectionString(c.connectionString);
    connection.Open();
    EXPECT_TRUE(connection.IsOpen());
    EXPECT_EQ(FirstText(connection, "SELECT USER()"), c.expectedUser);
    EXPECT_EQ(FirstText(connection, "SELECT DATABASE()"), server.database);
  }
}

TEST(MySqlConnectTest, AcceptsKeysInAnyOrderAndCase) {
  REQUIRE_TEST_SERVER(server);
  std::string text = "password={" + server.password + "};Database=" + server.database +
                     ";uid=" + server.user + ";Server=" + server.host + ":" + server.port +
                     ";driver={mysql odbc 3.51 driver};";
  Connection connection;
  connection.Open(text);
  EXPECT_EQ(FirstText(connection, "SELECT DATABASE()"), server.database);
}

TEST(MySqlConnectTest, PasswordHoldingASemicolonGetsThroughInBraces) {
  REQUIRE_TEST_SERVER(server);
  ASSERT_NE(server.password.find(';'), std::string::npos)
      << "scripts/test gives the test user a password with ';' so that this case is real";
  std::string text = testing_mysql::ConnectionString(server, server.database);
  ASSERT_NE(text.find("PASSWORD={" + server.password + "};"), std::string::npos);
  Connection connection;
  EXPECT_NO_THROW(connection.Open(text));
}

TEST(MySqlConnectTest, EveryFailureToConnectHasTheConnectNumberAndTheServersText) {
  REQUIRE_TEST_SERVER(server);
  std::string hostPort = server.host + ":" + server.port;
  testing_mysql::TestServer wrongPassword = server;
  wrongPassword.password = server.password + "x";
  struct Case {
    const char* what;
    std::string connectionString;
    std::string descriptionPart;
  };
  std::vector<Case> cases = {
      {"wrong password", testing_mysql::ConnectionString(wrongPassword, server.database), "Access denied for user"},
      {"unknown database", testing_mysql::ConnectionString(server, "no_such_database_here"),
       "Unknown database 'no_such_database_here'"},
      {"closed port", testing_mysql::ConnectionString(server, server.host + ":" + ClosedPort(), server.database),
       "Can't connect"},
      {"socket that is not there", testing_mysql::ConnectionString(server, "/nonexistent/mysqld.sock", ""),
       "Can't connect"},
      {"port that is no number", testing_mysql::ConnectionString(server, server.host + ":abc", ""), "abc"},
      {"driver we do not have", "DRIVER={SQL Server};SERVER=" + hostPort + ";", "SQL Server"},
      {"no driver at all", "SERVER=" + hostPort + ";", "neither a driver nor a provider"},
      {"provider we do not have", "PROVIDER=SQLOLEDB;Data Source=" + hostPort + ";", "SQLOLEDB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Connection connection;
    try {
      connection.Open(c.connectionString);
      ADD_FAILURE() << "opened";
    } catch (const DbError& error) {
      EXPECT_EQ(error.Number(), dataaccess::kConnectFailed);
      EXPECT_NE(error.Description().find(c.descriptionPart), std::string::npos) << error.Description();
    }
    EXPECT_FALSE(connection.IsOpen());
  }
}

TEST(MySqlConnectTest, SessionHasTheConnectTimeoutSet) {
  REQUIRE_TEST_SERVER(server);
  Connection connection;
  connection.Open(testing_mysql::ConnectionString(server, server.database));
  auto& session = dynamic_cast<dataaccess::MySqlSession&>(connection.Session());
  EXPECT_EQ(session.ConnectTimeoutSeconds(), 10u);
}

TEST(MySqlConnectTest, SessionKeepsTheServersSqlModeAndAddsOurTwo) {
  REQUIRE_TEST_SERVER(server);
  Connection connection;
  connection.Open(testing_mysql::ConnectionString(server, server.database));
  std::string session = "," + FirstText(connection, "SELECT @@SESSION.sql_mode") + ",";
  std::string global = FirstText(connection, "SELECT @@GLOBAL.sql_mode");
  EXPECT_NE(session.find(",NO_BACKSLASH_ESCAPES,"), std::string::npos) << session;
  EXPECT_NE(session.find(",STRICT_ALL_TABLES,"), std::string::npos) << session;
  std::stringstream modes(global);
  for (std::string mode; std::getline(modes, mode, ',');) {
    EXPECT_NE(session.find("," + mode + ","), std::string::npos) << mode << " was dropped";
  }
  EXPECT_EQ(FirstText(connection, "SELECT @@character_set_client"), "utf8mb4");
  EXPECT_EQ(FirstText(connection, "SELECT @@character_set_results"), "utf8mb4");
}

TEST(MySqlConnectTest, ClosedConnectionRefusesStatementsAndCanOpenAgain) {
  REQUIRE_TEST_SERVER(server);
  Connection connection;
  connection.SetConnectionString(testing_mysql::ConnectionString(server, server.database));
  connection.Open();
  EXPECT_THROW(connection.Open(), DbError);  // already open
  connection.Close();
  EXPECT_FALSE(connection.IsOpen());
  try {
    connection.Execute("SELECT 1");
    ADD_FAILURE() << "ran on a closed connection";
  } catch (const DbError& error) {
    EXPECT_EQ(error.Number(), dataaccess::kClientFailure);
  }
  connection.Open();
  EXPECT_EQ(FirstText(connection, "SELECT 'again'"), "again");
}

}  // namespace
