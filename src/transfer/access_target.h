// What the transfers need of the Access file: its connection string, one
// statement per call (open, run, close), whether a table exists, and the
// one sync at the end of a command. Failures come as DbError.
#pragma once

#include <QString>

namespace settings {
class ConnectionSettings;
}

namespace transfer {

// "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" path ";JET OLEDB:Database Password=" password.
QString AccessConnectionString(const settings::ConnectionSettings& settings);

// Runs one statement against the file named by the settings.
void RunAccessStatement(const settings::ConnectionSettings& settings, const QString& statement);

// Whether a table of exactly this name is in the file's catalogue.
bool AccessTableExists(const settings::ConnectionSettings& settings, const QString& name);

// Makes the command's changes durable.
void SyncAccessFile(const settings::ConnectionSettings& settings);

}  // namespace transfer
