// The MySQL module's connection: its connection string in the two key
// orders, opening it afresh (each command owns one, on its own thread), and
// running statements that return no rows with every failure reported to the
// user.
#pragma once

#include <QString>
#include <memory>

#include "dataaccess/connection.h"
#include "dataaccess/recordset.h"

namespace ui {
class Prompter;
}
namespace settings {
class ConnectionSettings;
}

namespace mysql {

// The shared connection uses DATABASE before USER; the connection test and
// the delete's own connection use USER before DATABASE.
enum class KeyOrder { kShared, kProbe };

// "DRIVER={MySQL ODBC 3.51 Driver};SERVER=...;" and the other three keys in
// `order`, each ending in ";". A value holding ";" or starting with "{" goes
// in braces with "}" doubled, as the driver reads it; any other value is
// inserted character for character.
QString BuildMySqlConnectionString(const QString& server, const QString& user, const QString& password,
                                   const QString& database, KeyOrder order);
QString BuildMySqlConnectionString(const settings::ConnectionSettings& settings, KeyOrder order);

// A table or column name between backticks, inner backticks doubled.
QString QuoteMySqlName(const QString& name);

// A command's connection and the recordset its statements run through.
struct MySqlConnection {
  std::unique_ptr<dataaccess::Connection> connection;
  std::unique_ptr<dataaccess::Recordset> statementRecordset;
};

// Replaces both members by new objects (closing the previous connection) and
// opens the connection, client-side cursors, with the current settings in the
// shared key order. A failure is thrown as DbError; the members are then the
// new, unopened objects.
void OpenMySqlConnection(MySqlConnection& shared, const settings::ConnectionSettings& settings);

// Runs one statement that returns no rows. A statement the server refuses
// shows "What happened?: " + statement and then the unforeseen-error report;
// any other failure (a lost connection above all) shows its number and
// description. True when the statement ran.
bool RunMySqlStatement(MySqlConnection& shared, const QString& statement, ui::Prompter& prompter);

// "DROP TABLE " + the quoted name, run and reported as RunMySqlStatement does.
bool DropMySqlTable(MySqlConnection& shared, const QString& name, ui::Prompter& prompter);

}  // namespace mysql
