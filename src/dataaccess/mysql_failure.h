// The client library's failures as the data-access layer reports them: one
// of the layer's numbers, MySQL's own code beside it, and a description that
// is never empty (the server's text, else the client's own for its code).
#pragma once

#include <mysql.h>

#include "dataaccess/error.h"

namespace dataaccess {

// The failure of the last call on `stmt`, or on `mysql` when the statement
// handle holds none (a lost or killed connection is often recorded only
// there). `stmt` may be null. A statement the server refused counts as a
// command error, a session that is gone as a client failure.
DbError MySqlFailure(MYSQL* mysql, MYSQL_STMT* stmt);

// The same for a failed connect: always a failed connection.
DbError MySqlConnectFailure(MYSQL* mysql);

}  // namespace dataaccess
