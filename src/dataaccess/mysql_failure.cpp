#include "dataaccess/mysql_failure.h"

#include <errmsg.h>
#include <mysqld_error.h>

#include <string>

namespace dataaccess {
namespace {

// Server errors that mean the session itself is gone rather than the statement refused.
bool MeansConnectionLost(unsigned code) {
  return (code >= CR_MIN_ERROR && code <= CR_MAX_ERROR) ||
         (code >= CER_MIN_ERROR && code <= CER_MAX_ERROR) || code == ER_CONNECTION_KILLED ||
         code == ER_SERVER_SHUTDOWN;
}

std::string Described(unsigned code, const char* text) {
  if (text != nullptr && *text != '\0') return text;
  if (code == 0) return "The MySQL client library reported a failure without a code or a description.";
  return "MySQL error " + std::to_string(code) + " (the client library gave no description).";
}

}  // namespace

DbError MySqlFailure(MYSQL* mysql, MYSQL_STMT* stmt) {
  unsigned code = stmt != nullptr ? mysql_stmt_errno(stmt) : 0;
  const char* text = stmt != nullptr ? mysql_stmt_error(stmt) : nullptr;
  if (code == 0 && mysql != nullptr) {
    code = mysql_errno(mysql);
    text = mysql_error(mysql);
  }
  return DbError(MeansConnectionLost(code) ? kClientFailure : kCommandError, Described(code, text), code);
}

DbError MySqlConnectFailure(MYSQL* mysql) {
  unsigned code = mysql_errno(mysql);
  return DbError(kConnectFailed, Described(code, mysql_error(mysql)), code);
}

}  // namespace dataaccess
