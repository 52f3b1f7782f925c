// The record of what was done: one line per command, from the windows or the
// command line, appended to $XDG_STATE_HOME/tabloria/history.log (else
// ~/.local/state/tabloria/history.log). A line is the local time in ISO 8601
// and then key=value fields, a value in double quotes (with \" \\ \n \t
// escapes) when it holds a blank, a quote, an equals sign or a control
// character:
//   2026-03-02T07:00:03+0100 from=command-line command=send to=access
//   table=Orders access=/data/week10.mdb read=1200 sent=1198 refused=2
//   seconds=3.42 outcome=partial error="..."
// (a send whose target was read back and agreed has verified=yes after its
// counts, and one with "Keep column types" kept-types=yes)
// (one line in the file). Appends from several processes at once stay whole
// lines: each is one write under the file's lock.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace history {

// kNoConnection: the MySQL server or the Access file could not be reached.
enum class Outcome { kSucceeded, kPartial, kCancelled, kFailed, kNoConnection };

struct RowCounts {
  std::int64_t read = 0;
  std::int64_t sent = 0;
  std::int64_t refused = 0;
  bool verified = false;  // the target was read back after the send and agreed
  bool keptTypes = false;  // the target's columns had the source's types ("Keep column types")
};

struct Entry {
  std::chrono::system_clock::time_point time;
  std::string from;     // "window" or "command-line"
  std::string command;  // "send", "delete", "rename", "new"
  std::string side;     // the side acted on: "mysql" or "access" (for a send, the target)
  std::string table;
  std::string newName;  // renames
  std::string access;   // the Access file, when the command used it
  std::string mysql;    // the MySQL database, when the command used it
  std::optional<RowCounts> rows;  // transfers
  double seconds = 0;
  Outcome outcome = Outcome::kSucceeded;
  std::string error;  // the first one, if any
};

// An entry for `command` starting now; End() sets how long it took.
Entry Begin(const std::string& command);
void End(Entry& entry);

// Completes the entry of a command the windows or the command line ran: the
// first message it showed becomes its error unless it has one (a command
// that succeeds shows none, so one that showed a message after all, such as
// a failed save at its end, did not succeed); and it names the Access file
// (made absolute) and the MySQL database ("database@server") the command
// worked on: both for a send, the side's own for the others.
void Complete(Entry& entry, const std::string& firstMessage, const std::string& accessFile, const std::string& database,
              const std::string& server);

const char* OutcomeName(Outcome outcome);
// A time as the log writes it: local time, ISO 8601 with the offset.
std::string TimeText(std::chrono::system_clock::time_point time);

std::filesystem::path LogPath();

// The entry as one line, without its line end.
std::string FormatLine(const Entry& entry);
// The entry a line holds; nullopt for a line that is not one.
std::optional<Entry> ParseLine(const std::string& line);

// Appends the entry; what went wrong otherwise.
std::optional<std::string> Append(const Entry& entry);

// Every entry of the log, oldest first; lines that hold none are skipped.
// An absent log has none.
std::vector<Entry> ReadLog();

}  // namespace history
