// "Delete Table" under each list: drops the selected table, then removes its
// name from the list, leaving nothing selected. No question is asked first.
// Cancel leaves a command that is still connecting; the drop itself runs to
// its end. Each returns its history entry (none without a selection).
#pragma once

#include <optional>

#include "history/history_log.h"

namespace ui {
class PointerHost;
class Prompter;
class NameList;
class Progress;
}
namespace settings {
class ConnectionSettings;
}

namespace maintenance {

// Check1: "DROP TABLE [name];" through ExecuteAccessStatement, then the file
// is synced. Without a selection only "Please select a table to insert" is
// shown. A failure is shown in one message; the list keeps the name.
std::optional<history::Entry> DeleteSelectedAccessTable(const settings::ConnectionSettings& settings, ui::NameList& list1,
                               ui::PointerHost& window, ui::Prompter& prompter, ui::Progress& progress);

// Check5: "drop table `name`" on a connection of its own in the probe key
// order (not the shared one), closed at the end. Failures as on the Access side.
std::optional<history::Entry> DeleteSelectedMySqlTable(const settings::ConnectionSettings& settings, ui::NameList& list3,
                              ui::PointerHost& window, ui::Prompter& prompter, ui::Progress& progress);

}  // namespace maintenance
