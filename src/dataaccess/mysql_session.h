// The MySQL engine: a session on a MySQL or MariaDB server through MariaDB
// Connector/C, opened from the attributes of an ODBC-style connection string.
// LOAD DATA LOCAL reads its "file" from memory the caller hands over; the
// session never lets the server read a file from disk.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "dataaccess/connection_string.h"
#include "dataaccess/engine.h"

struct st_mysql;

namespace dataaccess {

// An unreachable host must not freeze the window for minutes.
inline constexpr unsigned kMySqlConnectTimeoutSeconds = 10;

// The content a LOAD DATA LOCAL in progress offers as its file.
struct LocalFileContent {
  std::string_view data;
  std::size_t sent = 0;
  bool offered = false;  // only while our own load runs
};

class MySqlSession : public EngineSession {
 public:
  // Reads SERVER (host, host:port, [ipv6]:port or an absolute socket path),
  // PORT, USER/UID, PASSWORD/PWD and DATABASE/DB; connects with utf8mb4 and
  // adds NO_BACKSLASH_ESCAPES and STRICT_ALL_TABLES to the session's sql_mode.
  explicit MySqlSession(const ConnectionAttributes& attributes);
  ~MySqlSession() override;
  MySqlSession(const MySqlSession&) = delete;
  MySqlSession& operator=(const MySqlSession&) = delete;

  std::unique_ptr<ResultData> Execute(std::string_view statement) override;
  std::unique_ptr<ResultData> ExecuteStreamed(std::string_view statement) override;
  LoadOutcome LoadLocal(std::string_view statement, std::string_view data) override;

  // Read back from the client handle, to show what the connection runs with.
  unsigned ConnectTimeoutSeconds() const;
  // The server's id for this connection (what KILL takes).
  unsigned long ServerConnectionId() const;

 private:
  std::unique_ptr<ResultData> Run(std::string_view statement, bool streamed);
  st_mysql* mysql_;
  LocalFileContent localFile_;
};

std::unique_ptr<EngineSession> OpenMySqlSession(const ConnectionAttributes& attributes);

}  // namespace dataaccess
