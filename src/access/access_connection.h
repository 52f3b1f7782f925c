// The Access file as the program's commands reach it: the Jet OLE DB
// connection string, a connection held for a whole send or one opened for a
// single statement, and the one flush to disk at the end of a command that
// changed the file.
#pragma once

#include <QString>
#include <memory>
#include <string>

#include "dataaccess/connection.h"

namespace settings {
class ConnectionSettings;
}

namespace msaccess {

// "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
// ";JET OLEDB:Database Password=" + password, both as typed. A value holding
// ";" or starting with a quote goes in double quotes with inner ones doubled,
// as OLE DB reads it; any other value is inserted character for character.
QString BuildAccessConnectionString(const QString& path, const QString& password);
QString BuildAccessConnectionString(const settings::ConnectionSettings& settings);

// A new connection on the current AccessMDBFile and AccessPassword (untrimmed),
// server-side cursor, read and write, opened. Throws DbError.
std::unique_ptr<dataaccess::Connection> OpenAccessConnection(const settings::ConnectionSettings& settings);

// Runs one statement that returns no rows on a connection of its own, which
// is closed again before the call returns, failure or not. The statement's
// effect is in the file on return. Throws DbError.
void ExecuteAccessStatement(const settings::ConnectionSettings& settings, const QString& statement);
// The same for a statement already in UTF-8, as the transfer builds its rows'.
void ExecuteAccessStatement(const settings::ConnectionSettings& settings, const std::string& statement);

// Makes every change to the Access file durable: called once at the end of
// a user command that changed it, not after each statement. Throws DbError.
void SyncAccessFile(const QString& path);
// The same for the file an open connection holds, which must still be the
// one at its path. Throws DbError.
void SyncAccessFile(dataaccess::Connection& connection);

// The password as the catalogue and the rename use it: the blanks at both
// ends removed (only blanks, as the statement side never trims).
QString TrimmedAccessPassword(const settings::ConnectionSettings& settings);

}  // namespace msaccess
