// Connecting to MySQL and running statements through the binary protocol.
#include "dataaccess/mysql_session.h"

#include <errmsg.h>
#include <mysql.h>
#include <mysqld_error.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <mutex>
#include <optional>

#include "dataaccess/connection_string.h"
#include "dataaccess/error.h"
#include "dataaccess/mysql_failure.h"
#include "dataaccess/mysql_result.h"
#include "dataaccess/mysql_statement_kind.h"

namespace dataaccess {

namespace {

struct ServerAddress {
  std::string host;  // empty: the client library's default
  unsigned port = 0;  // 0: the default port
  std::string socket;
  // A port asked for by name means TCP, also for "localhost", which the
  // client library would otherwise take as "the default socket".
  bool tcp = false;
};

unsigned ParsePort(std::string_view text) {
  unsigned port = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || port > 65535)
    throw DbError(kConnectFailed, "Invalid port number: " + std::string(text));
  return port;
}

ServerAddress ParseServer(std::string_view server, const std::optional<std::string>& portKey) {
  ServerAddress address;
  if (!server.empty() && server.front() == '/') {
    address.host = "localhost";  // the client library takes "localhost" as "use the socket"
    address.socket = std::string(server);
    return address;
  }
  std::optional<std::string_view> port;
  if (!server.empty() && server.front() == '[') {
    // [ipv6] or [ipv6]:port
    std::size_t close = server.find(']');
    if (close == std::string_view::npos) throw DbError(kConnectFailed, "Invalid server address: " + std::string(server));
    address.host = std::string(server.substr(1, close - 1));
    std::string_view rest = server.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') throw DbError(kConnectFailed, "Invalid server address: " + std::string(server));
      port = rest.substr(1);
    }
  } else if (std::size_t colon = server.find(':');
             colon != std::string_view::npos && server.find(':', colon + 1) == std::string_view::npos) {
    address.host = std::string(server.substr(0, colon));
    port = server.substr(colon + 1);
  } else {
    address.host = std::string(server);  // a name, an IPv4 address or a bare IPv6 address
  }
  if (port) {
    address.port = ParsePort(*port);
  } else if (portKey && !portKey->empty()) {
    address.port = ParsePort(*portKey);
  }
  address.tcp = address.port != 0;
  return address;
}

const char* OrNull(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

// Keeps whatever mode the server runs with and adds the two we rely on:
// values reach the server byte for byte, and a value a column cannot hold is
// refused instead of being silently altered.
constexpr std::string_view kSqlModeStatement =
    "SET SESSION sql_mode = CONCAT_WS(',', NULLIF(@@SESSION.sql_mode, ''), "
    "'NO_BACKSLASH_ESCAPES', 'STRICT_ALL_TABLES')";

// The client library sets itself up on its first mysql_init, which is not
// safe to run on two threads at once; commands connect on threads of their own.
MYSQL* NewHandle() {
  static std::once_flag initialised;
  std::call_once(initialised, [] { mysql_library_init(0, nullptr, nullptr); });
  return mysql_init(nullptr);
}

// The file a LOAD DATA LOCAL asks for is always the memory the session
// offers, whatever name the server sends back; without an offer (a server
// asking on its own) the request is refused.
int OpenLocalFile(void** handle, const char* /*name*/, void* content) {
  *handle = content;
  auto* file = static_cast<LocalFileContent*>(content);
  file->sent = 0;
  return file->offered ? 0 : 1;
}

int ReadLocalFile(void* handle, char* buffer, unsigned int size) {
  auto* file = static_cast<LocalFileContent*>(handle);
  const std::size_t count = std::min<std::size_t>(size, file->data.size() - file->sent);
  std::memcpy(buffer, file->data.data() + file->sent, count);
  file->sent += count;
  return static_cast<int>(count);
}

void CloseLocalFile(void* /*handle*/) {}

int LocalFileError(void* /*handle*/, char* message, unsigned int size) {
  std::string_view text = "The server asked for a file this program did not offer.";
  const std::size_t count = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(message, text.data(), count);
  message[count] = '\0';
  return CR_UNKNOWN_ERROR;
}

// The server's ways of saying it takes no LOAD DATA LOCAL: switched off
// (local_infile), not offered by the client, or MySQL 8's own number for it.
constexpr unsigned kMySqlLocalFilesDisabled = 3948;  // ER_CLIENT_LOCAL_FILES_DISABLED
bool RefusesLocalLoads(unsigned code) {
  return code == ER_NOT_ALLOWED_COMMAND || code == ER_LOAD_INFILE_CAPABILITY_DISABLED ||
         code == kMySqlLocalFilesDisabled;
}

}  // namespace

MySqlSession::MySqlSession(const ConnectionAttributes& attributes) : mysql_(NewHandle()) {
  if (mysql_ == nullptr) throw DbError(kConnectFailed, "Out of memory while preparing the connection.");
  try {
    ServerAddress address = ParseServer(attributes.Find({"SERVER"}).value_or(""), attributes.Find({"PORT"}));
    std::string user = attributes.Find({"USER", "UID"}).value_or("");
    std::string password = attributes.Find({"PASSWORD", "PWD"}).value_or("");
    std::string database = attributes.Find({"DATABASE", "DB"}).value_or("");

    unsigned timeout = kMySqlConnectTimeoutSeconds;
    mysql_optionsv(mysql_, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    mysql_optionsv(mysql_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    // Before the first exchange, so no request the server makes is ever
    // served from disk.
    mysql_set_local_infile_handler(mysql_, OpenLocalFile, ReadLocalFile, CloseLocalFile, LocalFileError,
                                   &localFile_);
    unsigned localFiles = 1;
    mysql_optionsv(mysql_, MYSQL_OPT_LOCAL_INFILE, &localFiles);
    if (address.tcp) {
      unsigned protocol = MYSQL_PROTOCOL_TCP;
      mysql_optionsv(mysql_, MYSQL_OPT_PROTOCOL, &protocol);
    }
    if (!mysql_real_connect(mysql_, OrNull(address.host), user.c_str(), password.c_str(),
                            OrNull(database), address.port, OrNull(address.socket), 0)) {
      throw MySqlConnectFailure(mysql_);
    }
    if (mysql_real_query(mysql_, kSqlModeStatement.data(), kSqlModeStatement.size()) != 0) {
      throw MySqlConnectFailure(mysql_);
    }
  } catch (...) {
    mysql_close(mysql_);
    throw;
  }
}

MySqlSession::~MySqlSession() { mysql_close(mysql_); }

std::unique_ptr<ResultData> MySqlSession::Execute(std::string_view statement) { return Run(statement, false); }

std::unique_ptr<ResultData> MySqlSession::ExecuteStreamed(std::string_view statement) {
  return Run(statement, true);
}

std::unique_ptr<ResultData> MySqlSession::Run(std::string_view statement, bool streamed) {
  // Statements that answer no rows go as a plain query: one exchange and no
  // prepare on the server, which matters for the sends' INSERTs.
  if (AnswersNoRows(statement)) {
    if (mysql_real_query(mysql_, statement.data(), statement.size()) != 0)
      throw MySqlFailure(mysql_, nullptr);
    return nullptr;  // autocommit has committed it
  }
  MYSQL_STMT* stmt = mysql_stmt_init(mysql_);
  if (stmt == nullptr) throw MySqlFailure(mysql_, nullptr);
  std::unique_ptr<MYSQL_STMT, decltype(&mysql_stmt_close)> owned(stmt, &mysql_stmt_close);

  // Prepare and execute in one exchange; the binary protocol delivers FLOAT,
  // DOUBLE and the date types exactly, where text would round them.
  if (mariadb_stmt_execute_direct(stmt, statement.data(), statement.size()) != 0)
    throw MySqlFailure(mysql_, stmt);
  if (mysql_stmt_field_count(stmt) == 0) return nullptr;  // autocommit has committed it
  if (streamed) return std::make_unique<MySqlResult>(mysql_, owned.release(), MySqlResult::Rows::kStreamed);

  my_bool updateMaxLength = 1;  // so each column's buffer can be sized to its longest value
  mysql_stmt_attr_set(stmt, STMT_ATTR_UPDATE_MAX_LENGTH, &updateMaxLength);
  if (mysql_stmt_store_result(stmt) != 0) throw MySqlFailure(mysql_, stmt);
  return std::make_unique<MySqlResult>(mysql_, owned.release(), MySqlResult::Rows::kStored);
}

LoadOutcome MySqlSession::LoadLocal(std::string_view statement, std::string_view data) {
  localFile_ = LocalFileContent{.data = data, .sent = 0, .offered = true};
  const int failed = mysql_real_query(mysql_, statement.data(), statement.size());
  localFile_ = LocalFileContent{};
  if (failed != 0) {
    if (RefusesLocalLoads(mysql_errno(mysql_))) return LoadOutcome{.refused = true};
    throw MySqlFailure(mysql_, nullptr);
  }
  return LoadOutcome{.refused = false,
                     .rows = static_cast<std::int64_t>(mysql_affected_rows(mysql_)),
                     .warnings = mysql_warning_count(mysql_)};
}

unsigned MySqlSession::ConnectTimeoutSeconds() const {
  unsigned timeout = 0;
  mysql_get_optionv(mysql_, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
  return timeout;
}

unsigned long MySqlSession::ServerConnectionId() const { return mysql_thread_id(mysql_); }

std::unique_ptr<EngineSession> OpenMySqlSession(const ConnectionAttributes& attributes) {
  return std::make_unique<MySqlSession>(attributes);
}

}  // namespace dataaccess
