// A command-line command's line in the history, timed from its start, and
// what it becomes in the report.
#pragma once

#include <chrono>
#include <string>

#include "cli/report.h"
#include "history/history_log.h"

namespace cli {

class Record {
 public:
  explicit Record(const std::string& command);
  history::Entry& Entry() { return entry_; }
  // Stops the clock, appends the entry to the history (a failure to write it
  // is told on standard error and changes nothing else), and gives the
  // report's result for `subject` ("table" or "file", by `kind`) with this
  // summary line and status.
  Result Finish(const char* kind, const std::string& subject, const std::string& line, ExitStatus status);

 private:
  history::Entry entry_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace cli
