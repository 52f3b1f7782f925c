#include "cli/record.h"

namespace cli {

Record::Record(const std::string& command) : start_(std::chrono::steady_clock::now()) {
  entry_.time = std::chrono::system_clock::now();
  entry_.from = "command-line";
  entry_.command = command;
}

Result Record::Finish(const char* kind, const std::string& subject, const std::string& line, ExitStatus status) {
  entry_.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  if (std::optional<std::string> failure = history::Append(entry_))
    Complain("could not add to the history: " + *failure);
  Result result{subject, line, status, {}};
  result.json[QString::fromUtf8(kind)] = QString::fromStdString(subject);
  PutOutcome(result.json, entry_);
  return result;
}

}  // namespace cli
