// The main window's list of MySQL tables: filled from "SHOW TABLES;" on the
// shared connection, sorted by the list, first entry selected.
#pragma once

namespace ui {
class Prompter;
class NameList;
}
namespace settings {
class ConnectionSettings;
}

namespace mysql {

struct MySqlConnection;

// Clears the list, opens the shared connection and adds every table name;
// selects the first entry when there is one. The connection stays open.
// A failure is thrown as DbError and leaves the list empty or partly filled.
void FillMySqlTableList(MySqlConnection& shared, const settings::ConnectionSettings& settings,
                        ui::NameList& list);

// For the main window's load: fills the list, and when that fails (server
// down, login refused, no such database) empties it and shows one message
// with the server's description, so the window still opens and stays usable.
// True when the list was filled.
bool LoadMySqlTableList(MySqlConnection& shared, const settings::ConnectionSettings& settings,
                        ui::NameList& list, ui::Prompter& prompter);

}  // namespace mysql
