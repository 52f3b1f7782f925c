#include "cli/cli_prompter.h"

namespace cli {

std::string CliPrompter::FirstMessage() const {
  if (messages_.isEmpty()) return {};
  // A message box's paragraphs become one line.
  return messages_.front().simplified().toStdString();
}

}  // namespace cli
