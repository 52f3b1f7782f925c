// The command line: `tabloria COMMAND ...` runs one command in the terminal
// or a script instead of opening the windows, with the same commands and
// the same rules as the windows, and says what it did line by line (see
// arguments.h for the words, report.h for the output and exit status).
#pragma once

#include <string>
#include <vector>

namespace cli {

// Runs the command the words name (the program's arguments without its own
// name); the exit status.
int Run(const std::vector<std::string>& words);

}  // namespace cli
