// The commands that work on one Access file named on the command line, and
// the history: new, check, history.
#pragma once

#include "cli/arguments.h"
#include "settings/connection_settings.h"

namespace cli {

int RunNew(const Arguments& arguments);
// The file is opened with the Access password of `settings`.
int RunCheck(const Arguments& arguments, const settings::ConnectionSettings& settings);
int RunHistory(const Arguments& arguments);

}  // namespace cli
