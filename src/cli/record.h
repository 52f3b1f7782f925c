// A command's history entry, as the command line records and reports it.
#pragma once

#include <string>

#include "cli/report.h"
#include "history/history_log.h"

namespace cli {

// Appends `entry` to the history as coming from the command line (a failure
// to write it is told on standard error and changes nothing else), and gives
// the report's result for `subject` ("table" or "file", by `kind`) with this
// summary line and status.
Result Recorded(history::Entry entry, const char* kind, const std::string& subject, const std::string& line,
                ExitStatus status);

}  // namespace cli
