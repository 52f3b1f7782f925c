// The command line's words, taken apart: which command, its tables and
// options. Everything a user may get wrong is refused here, before anything
// is opened, with a message that says what to write instead.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class Command { kWindows, kHelp, kVersion, kList, kSend, kDelete, kRename, kNew, kCheck, kHistory };
enum class Side { kNone, kMySql, kAccess };

struct Arguments {
  Command command = Command::kWindows;
  Side side = Side::kNone;          // --to of send, --side of the others; list: only that side
  std::vector<std::string> names;   // tables; rename: old and new; new and check: the file
  bool all = false;                 // send every table of the source side
  bool overwrite = false;
  // send: keep column types (true) or char(n) columns (false) instead of
  // the saved choice.
  std::optional<bool> keepColumnTypes;
  bool json = false;
  bool askPassword = false;
  std::optional<int> last;          // history: only the last N entries
  // Overrides of the saved connection values.
  std::optional<std::string> server, user, database, mdb;
  std::optional<std::string> mySqlPasswordFile, accessPasswordFile;
};

// Throws UsageError.
Arguments ParseArguments(const std::vector<std::string>& words);

struct UsageError {
  std::string message;
};

// Whether the program was started as a command (a first word that is one,
// or an option) rather than for its windows.
bool WantsCommandLine(const std::vector<std::string>& words);

extern const char* const kHelpText;

}  // namespace cli
