// The test server's address and the scratch databases.
#include "test_server.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "dataaccess/error.h"

namespace testing_mysql {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string Attribute(const std::string& key, const std::string& value) {
  if (value.find(';') == std::string::npos && (value.empty() || value.front() != '{'))
    return key + "=" + value + ";";
  std::string braced;
  for (char c : value) braced += c == '}' ? std::string("}}") : std::string(1, c);
  return key + "={" + braced + "};";
}

}  // namespace

std::optional<TestServer> FromEnvironment() {
  TestServer server{Env("TABLORIA_TEST_MYSQL_HOST"),     Env("TABLORIA_TEST_MYSQL_PORT"),
                    Env("TABLORIA_TEST_MYSQL_SOCKET"),   Env("TABLORIA_TEST_MYSQL_USER"),
                    Env("TABLORIA_TEST_MYSQL_PASSWORD"), Env("TABLORIA_TEST_MYSQL_DATABASE")};
  if (server.host.empty() || server.port.empty() || server.user.empty()) return std::nullopt;
  return server;
}

std::string ConnectionString(const TestServer& server, const std::string& serverValue,
                             const std::string& database) {
  return "DRIVER={MySQL ODBC 3.51 Driver};" + Attribute("SERVER", serverValue) +
         Attribute("USER", server.user) + Attribute("PASSWORD", server.password) +
         Attribute("DATABASE", database);
}

std::string ConnectionString(const TestServer& server, const std::string& database) {
  return ConnectionString(server, server.host + ":" + server.port, database);
}

ScratchDatabase::ScratchDatabase(const TestServer& server, const std::string& characterSet)
    : server_(server) {
  static std::atomic<int> counter{0};
  name_ = "tabloria_t" + std::to_string(getpid()) + "_" + std::to_string(counter++);
  admin_ = std::make_unique<dataaccess::Connection>();
  admin_->Open(ConnectionString(server_, server_.database));
  admin_->Execute("DROP DATABASE IF EXISTS `" + name_ + "`");
  admin_->Execute("CREATE DATABASE `" + name_ + "` CHARACTER SET " + characterSet);
  session_ = Connect();
}

ScratchDatabase::~ScratchDatabase() {
  try {
    admin_->Execute("DROP DATABASE IF EXISTS `" + name_ + "`");
  } catch (const dataaccess::DbError&) {
    // The test has already reported what went wrong with the server.
  }
}

std::unique_ptr<dataaccess::Connection> ScratchDatabase::Connect() const {
  auto connection = std::make_unique<dataaccess::Connection>();
  connection->Open(ConnectionString(server_, name_));
  return connection;
}

void ScratchDatabase::Run(const std::string& statement) const {
  session_->Execute(statement);
}

}  // namespace testing_mysql
