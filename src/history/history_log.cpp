#include "history/history_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>

namespace history {
namespace {

namespace fs = std::filesystem;

const char* const kOutcomes[] = {"succeeded", "partial", "cancelled", "failed", "no-connection"};

bool NeedsQuotes(const std::string& value) {
  if (value.empty()) return true;
  for (unsigned char c : value)
    if (c <= ' ' || c == '"' || c == '=' || c == '\\' || c == 0x7F) return true;
  return false;
}

void AppendField(std::string& line, const char* key, const std::string& value) {
  line += ' ';
  line += key;
  line += '=';
  if (!NeedsQuotes(value)) {
    line += value;
    return;
  }
  line += '"';
  for (char c : value) {
    switch (c) {
      case '"': line += "\\\""; break;
      case '\\': line += "\\\\"; break;
      case '\n': line += "\\n"; break;
      case '\r': line += "\\r"; break;
      case '\t': line += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(c));
          line += escaped;
        } else {
          line += c;
        }
    }
  }
  line += '"';
}

// The fields after the time, in order; false for anything malformed.
bool ParseFields(const std::string& line, std::size_t at, std::map<std::string, std::string>& fields) {
  while (at < line.size()) {
    if (line[at++] != ' ') return false;
    std::size_t equals = line.find('=', at);
    if (equals == std::string::npos) return false;
    std::string key = line.substr(at, equals - at);
    at = equals + 1;
    std::string value;
    if (at < line.size() && line[at] == '"') {
      for (++at;; ++at) {
        if (at >= line.size()) return false;
        char c = line[at];
        if (c == '"') break;
        if (c != '\\') {
          value += c;
          continue;
        }
        if (++at >= line.size()) return false;
        switch (line[at]) {
          case 'n': value += '\n'; break;
          case 'r': value += '\r'; break;
          case 't': value += '\t'; break;
          case 'x':
            if (at + 2 >= line.size()) return false;
            value += static_cast<char>(std::strtol(line.substr(at + 1, 2).c_str(), nullptr, 16));
            at += 2;
            break;
          default: value += line[at];
        }
      }
      ++at;
    } else {
      std::size_t end = line.find(' ', at);
      if (end == std::string::npos) end = line.size();
      value = line.substr(at, end - at);
      at = end;
    }
    fields[key] = value;
  }
  return true;
}

std::optional<std::int64_t> Count(const std::map<std::string, std::string>& fields, const char* key) {
  auto it = fields.find(key);
  if (it == fields.end()) return std::nullopt;
  char* end = nullptr;
  long long n = std::strtoll(it->second.c_str(), &end, 10);
  if (it->second.empty() || *end != '\0') return std::nullopt;
  return n;
}

std::optional<std::chrono::system_clock::time_point> ParseTime(const std::string& text) {
  std::tm tm{};
  const char* end = strptime(text.c_str(), "%Y-%m-%dT%H:%M:%S%z", &tm);
  if (!end || *end != '\0') return std::nullopt;
  long offset = tm.tm_gmtoff;  // timegm clears it
  std::time_t utc = timegm(&tm) - offset;
  return std::chrono::system_clock::from_time_t(utc);
}

}  // namespace

Entry Begin(const std::string& command) {
  Entry e;
  e.time = std::chrono::system_clock::now();
  e.command = command;
  return e;
}

void End(Entry& entry) {
  entry.seconds = std::chrono::duration<double>(std::chrono::system_clock::now() - entry.time).count();
}

void Complete(Entry& entry, const std::string& firstMessage, const std::string& accessFile, const std::string& database,
              const std::string& server) {
  if (entry.error.empty()) entry.error = firstMessage;
  if (entry.outcome == Outcome::kSucceeded && !entry.error.empty()) entry.outcome = Outcome::kFailed;
  bool send = entry.command == "send";
  if ((send || entry.side == "access") && !accessFile.empty()) {
    std::error_code error;
    fs::path absolute = fs::absolute(accessFile, error);
    entry.access = error ? accessFile : absolute.lexically_normal().string();
  }
  if (send || entry.side == "mysql") entry.mysql = database + "@" + server;
}

const char* OutcomeName(Outcome outcome) { return kOutcomes[static_cast<int>(outcome)]; }

std::string TimeText(std::chrono::system_clock::time_point time) {
  std::time_t t = std::chrono::system_clock::to_time_t(time);
  std::tm local{};
  localtime_r(&t, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  return text;
}

fs::path LogPath() {
  // XDG's base directory rules: a relative XDG_STATE_HOME is to be ignored.
  const char* state = std::getenv("XDG_STATE_HOME");
  fs::path base;
  if (state && *state == '/') {
    base = state;
  } else {
    const char* home = std::getenv("HOME");
    base = fs::path(home && *home ? home : "/") / ".local" / "state";
  }
  return base / "tabloria" / "history.log";
}

std::string FormatLine(const Entry& e) {
  std::string line = TimeText(e.time);
  AppendField(line, "from", e.from);
  AppendField(line, "command", e.command);
  if (!e.side.empty()) AppendField(line, e.command == "send" ? "to" : "side", e.side);
  if (!e.table.empty()) AppendField(line, "table", e.table);
  if (!e.newName.empty()) AppendField(line, "new-name", e.newName);
  if (!e.access.empty()) AppendField(line, "access", e.access);
  if (!e.mysql.empty()) AppendField(line, "mysql", e.mysql);
  if (e.rows) {
    AppendField(line, "read", std::to_string(e.rows->read));
    AppendField(line, "sent", std::to_string(e.rows->sent));
    AppendField(line, "refused", std::to_string(e.rows->refused));
    if (e.rows->verified) AppendField(line, "verified", "yes");
    if (e.rows->keptTypes) AppendField(line, "kept-types", "yes");
  }
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", e.seconds);
  AppendField(line, "seconds", seconds);
  AppendField(line, "outcome", OutcomeName(e.outcome));
  if (!e.error.empty()) AppendField(line, "error", e.error);
  return line;
}

std::optional<Entry> ParseLine(const std::string& line) {
  std::size_t space = line.find(' ');
  if (space == std::string::npos) return std::nullopt;
  std::optional<std::chrono::system_clock::time_point> time = ParseTime(line.substr(0, space));
  std::map<std::string, std::string> fields;
  if (!time || !ParseFields(line, space, fields)) return std::nullopt;
  Entry e;
  e.time = *time;
  auto text = [&](const char* key) {
    auto it = fields.find(key);
    return it == fields.end() ? std::string() : it->second;
  };
  e.from = text("from");
  e.command = text("command");
  e.side = text(e.command == "send" ? "to" : "side");
  e.table = text("table");
  e.newName = text("new-name");
  e.access = text("access");
  e.mysql = text("mysql");
  e.error = text("error");
  auto read = Count(fields, "read"), sent = Count(fields, "sent"), refused = Count(fields, "refused");
  if (read && sent && refused)
    e.rows = RowCounts{*read, *sent, *refused, text("verified") == "yes", text("kept-types") == "yes"};
  e.seconds = std::strtod(text("seconds").c_str(), nullptr);
  std::string outcome = text("outcome");
  bool known = false;
  for (int i = 0; i < static_cast<int>(std::size(kOutcomes)); ++i)
    if (outcome == kOutcomes[i]) {
      e.outcome = static_cast<Outcome>(i);
      known = true;
    }
  if (e.command.empty() || !known) return std::nullopt;
  return e;
}

std::optional<std::string> Append(const Entry& entry) {
  fs::path path = LogPath();
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  if (error) return "cannot make the folder " + path.parent_path().string() + ": " + error.message();
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return "cannot open " + path.string() + ": " + std::strerror(errno);
  std::string line = FormatLine(entry) + '\n';
  std::optional<std::string> failure;
  ::flock(fd, LOCK_EX);
  ssize_t written = ::write(fd, line.data(), line.size());
  if (written != static_cast<ssize_t>(line.size()))
    failure = "cannot write to " + path.string() + ": " + (written < 0 ? std::strerror(errno) : "the disk is full");
  ::close(fd);  // drops the lock
  return failure;
}

std::vector<Entry> ReadLog() {
  std::vector<Entry> entries;
  std::ifstream in(LogPath());
  for (std::string line; std::getline(in, line);)
    if (auto e = ParseLine(line)) entries.push_back(std::move(*e));
  return entries;
}

}  // namespace history
