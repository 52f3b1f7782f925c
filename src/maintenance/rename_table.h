// "Rename Table" under each list: asks for the new name, renames the selected
// table and, only when that worked, replaces the old name in the list by the
// new one, leaving nothing selected. Cancel or an empty name renames nothing.
// The progress dialog's Cancel leaves a command that is still connecting;
// the rename itself runs to its end. Each returns its history entry (none
// without a selection; cancelled when no new name was given).
#pragma once

#include <optional>

#include "history/history_log.h"

namespace ui {
class PointerHost;
class Prompter;
class NameList;
class Progress;
}
namespace mysql {
struct MySqlConnection;
}
namespace settings {
class ConnectionSettings;
}

namespace maintenance {

// Check6: the hourglass goes up before the input box "Enter new name of " +
// name + ":"; the rename goes through the catalogue (RenameAccessTable),
// then the file is synced. A failure is shown in one message; the list and
// its selection stay as they were.
std::optional<history::Entry> RenameSelectedAccessTable(const settings::ConnectionSettings& settings, ui::NameList& list1,
                               ui::PointerHost& window, ui::Prompter& prompter, ui::Progress& progress);

// Check7: the hourglass goes up after the input box; "RENAME TABLE `old` TO
// `new`" runs on the freshly opened connection `shared` through
// RunMySqlStatement, which reports a refusal itself. A failure to connect is
// shown in one message.
std::optional<history::Entry> RenameSelectedMySqlTable(const settings::ConnectionSettings& settings, mysql::MySqlConnection& shared,
                              ui::NameList& list3, ui::PointerHost& window, ui::Prompter& prompter, ui::Progress& progress);

}  // namespace maintenance
