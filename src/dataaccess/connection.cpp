// Connection: opening through the engine the string names, and running statements.
#include "dataaccess/connection.h"

#include "dataaccess/error.h"

namespace dataaccess {

void Connection::SetConnectionString(std::string connectionString) {
  if (IsOpen()) throw DbError(kClientFailure, "Operation is not allowed when the connection is open.");
  connectionString_ = std::move(connectionString);
}

void Connection::Open(std::string_view connectionString) {
  if (IsOpen()) throw DbError(kClientFailure, "Operation is not allowed when the connection is open.");
  if (!connectionString.empty()) connectionString_ = std::string(connectionString);
  session_ = OpenEngineSession(connectionString_);
}

Recordset Connection::Execute(std::string_view statement) {
  Recordset result;
  result.Adopt(Session().Execute(statement));
  return result;
}

void Connection::Close() { session_.reset(); }

EngineSession& Connection::Session() const {
  if (!session_) throw DbError(kClientFailure, "The connection is closed.");
  return *session_;
}

}  // namespace dataaccess
