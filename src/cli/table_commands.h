// The commands on tables, run from the command line through the very code
// the windows' buttons run: list, send, delete and rename. Each table's
// command gets the side lists as the main window would show them, with the
// table selected, and its answers from the command line.
#pragma once

#include "cli/arguments.h"
#include "settings/connection_settings.h"

namespace cli {

int RunList(const Arguments& arguments, const settings::ConnectionSettings& settings);
int RunSend(const Arguments& arguments, const settings::ConnectionSettings& settings);
int RunDelete(const Arguments& arguments, const settings::ConnectionSettings& settings);
int RunRename(const Arguments& arguments, const settings::ConnectionSettings& settings);

}  // namespace cli
