#include "cli/record.h"

namespace cli {

Result Recorded(history::Entry entry, const char* kind, const std::string& subject, const std::string& line,
                ExitStatus status) {
  entry.from = "command-line";
  if (std::optional<std::string> failure = history::Append(entry))
    Complain("could not add to the history: " + *failure);
  Result result{subject, line, status, {}};
  result.json[QString::fromUtf8(kind)] = QString::fromStdString(subject);
  PutOutcome(result.json, entry);
  return result;
}

}  // namespace cli
