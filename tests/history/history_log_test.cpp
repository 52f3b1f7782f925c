// The history log: lines that read back as written whatever the values hold,
// the line format itself (scripts read it), where the log lives, and appends
// from several processes at once that stay whole lines.
#include "history/history_log.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using history::Entry;
using history::Outcome;

// Sets environment variables for one test and restores them afterwards.
class ScopedEnvironment {
 public:
  void Set(const std::string& name, const char* value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    value ? ::setenv(name.c_str(), value, 1) : ::unsetenv(name.c_str());
    if (name == "TZ") ::tzset();
  }
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
      it->second ? ::setenv(it->first.c_str(), it->second->c_str(), 1) : ::unsetenv(it->first.c_str());
    ::tzset();
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// XDG_STATE_HOME pointed at a private folder for one test.
class ScopedStateHome : public ScopedEnvironment {
 public:
  ScopedStateHome() {
    std::string pattern = (fs::temp_directory_path() / "history.XXXXXX").string();
    dir_ = ::mkdtemp(pattern.data());
    Set("XDG_STATE_HOME", dir_.c_str());
  }
  ~ScopedStateHome() { fs::remove_all(dir_); }
  const fs::path& Path() const { return dir_; }

 private:
  fs::path dir_;
};

Entry Transfer() {
  Entry e;
  e.time = std::chrono::system_clock::from_time_t(1772431203);  // whole seconds: the line keeps no more
  e.from = "command-line";
  e.command = "send";
  e.side = "access";
  e.table = "Orders";
  e.access = "/data/week10.mdb";
  e.mysql = "shop";
  e.rows = history::RowCounts{1200, 1198, 2};
  e.seconds = 3.42;
  e.outcome = Outcome::kPartial;
  e.error = "Duplicate entry '5' for key 'PRIMARY'";
  return e;
}

void ExpectSame(const Entry& a, const Entry& b) {
  EXPECT_EQ(a.time, b.time);
  EXPECT_EQ(a.from, b.from);
  EXPECT_EQ(a.command, b.command);
  EXPECT_EQ(a.side, b.side);
  EXPECT_EQ(a.table, b.table);
  EXPECT_EQ(a.newName, b.newName);
  EXPECT_EQ(a.access, b.access);
  EXPECT_EQ(a.mysql, b.mysql);
  ASSERT_EQ(a.rows.has_value(), b.rows.has_value());
  if (a.rows) {
    EXPECT_EQ(a.rows->read, b.rows->read);
    EXPECT_EQ(a.rows->sent, b.rows->sent);
    EXPECT_EQ(a.rows->refused, b.rows->refused);
    EXPECT_EQ(a.rows->verified, b.rows->verified);
    EXPECT_EQ(a.rows->keptTypes, b.rows->keptTypes);
  }
  EXPECT_DOUBLE_EQ(a.seconds, b.seconds);
  EXPECT_EQ(a.outcome, b.outcome);
  EXPECT_EQ(a.error, b.error);
}

TEST(HistoryLine, ReadsBackAsWrittenWhateverTheValuesHold) {
  struct Case {
    const char* what;
    std::string table;
    std::string error;
  } cases[] = {
      {"plain", "Orders", ""},
      {"blanks and an equals sign", "Order lines = 2024", "a b"},
      {"quotes and backslashes", "say \"hi\" \\ there", "C:\\data\\\"x\""},
      {"line ends, tabs and other control characters", "a\nb\tc\rd\x01" "e", "first\nsecond"},
      {"UTF-8", "Stra\xC3\x9F" "e \xE2\x9C\x93 \xF0\x9F\x98\x80", "\xC3\xA9"},
      {"a lone key-like text", "from=window", "outcome=succeeded"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Entry e = Transfer();
    e.table = c.table;
    e.error = c.error;
    std::string line = history::FormatLine(e);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    std::optional<Entry> back = history::ParseLine(line);
    ASSERT_TRUE(back) << line;
    ExpectSame(e, *back);
  }
  Entry rename;
  rename.time = std::chrono::system_clock::from_time_t(1772431203);
  rename.from = "window";
  rename.command = "rename";
  rename.side = "mysql";
  rename.table = "old";
  rename.newName = "new name";
  rename.outcome = Outcome::kCancelled;
  std::optional<Entry> back = history::ParseLine(history::FormatLine(rename));
  ASSERT_TRUE(back);
  ExpectSame(rename, *back);
  Entry verified = Transfer();
  verified.rows->verified = true;
  verified.rows->keptTypes = true;
  back = history::ParseLine(history::FormatLine(verified));
  ASSERT_TRUE(back);
  ExpectSame(verified, *back);
}

TEST(HistoryLine, KeepsItsFormat) {
  ScopedEnvironment environment;
  environment.Set("TZ", "UTC");
  EXPECT_EQ(history::FormatLine(Transfer()),
            "2026-03-02T06:00:03+0000 from=command-line command=send to=access table=Orders "
            "access=/data/week10.mdb mysql=shop read=1200 sent=1198 refused=2 seconds=3.42 outcome=partial "
            "error=\"Duplicate entry '5' for key 'PRIMARY'\"");
  // A line written in another time zone reads as the same moment.
  std::optional<Entry> e = history::ParseLine(
      "2026-03-02T07:00:03+0100 from=window command=delete side=mysql table=x seconds=0.01 outcome=failed");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->time, Transfer().time);
  EXPECT_EQ(e->side, "mysql");
  EXPECT_FALSE(e->rows);
  for (const char* bad : {"", "not a line", "2026-03-02T07:00:03+0100 from=window",
                          "2026-03-02T07:00:03+0100 command=send outcome=maybe seconds=1",
                          "2026-03-02T07:00:03+0100 command=send table=\"open outcome=failed"})
    EXPECT_FALSE(history::ParseLine(bad)) << bad;
}

TEST(HistoryLog, LivesInTheUsersStateFolder) {
  ScopedStateHome home;
  EXPECT_EQ(history::LogPath(), home.Path() / "tabloria" / "history.log");
  home.Set("HOME", "/home/someone");
  home.Set("XDG_STATE_HOME", "relative/state");  // ignored: XDG state paths count only when absolute
  EXPECT_EQ(history::LogPath(), fs::path("/home/someone/.local/state/tabloria/history.log"));
  home.Set("XDG_STATE_HOME", nullptr);
  EXPECT_EQ(history::LogPath(), fs::path("/home/someone/.local/state/tabloria/history.log"));
}

TEST(HistoryLog, AppendsFromSeveralProcessesStayWholeLines) {
  ScopedStateHome home;
  constexpr int kProcesses = 4, kEach = 200;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = ::fork();
    if (pid == 0) {
      Entry e = Transfer();
      e.error = std::string(3000, 'x');  // longer than a pipe's atomic write
      for (int i = 0; i < kEach; ++i) {
        e.table = "p" + std::to_string(p) + "-" + std::to_string(i);
        if (history::Append(e)) ::_exit(1);
      }
      ::_exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::vector<Entry> entries = history::ReadLog();
  EXPECT_EQ(entries.size(), std::size_t{kProcesses * kEach});
  std::ifstream in(history::LogPath());
  std::size_t lines = 0;
  for (std::string line; std::getline(in, line); ++lines) EXPECT_TRUE(history::ParseLine(line)) << line.substr(0, 80);
  EXPECT_EQ(lines, entries.size());
}

TEST(HistoryLog, SaysWhyItCannotWrite) {
  ScopedStateHome home;
  std::ofstream(home.Path() / "tabloria") << "a file where the folder should be";
  std::optional<std::string> failure = history::Append(Transfer());
  ASSERT_TRUE(failure);
  EXPECT_NE(failure->find("tabloria"), std::string::npos) << *failure;
  EXPECT_TRUE(history::ReadLog().empty());
}

}  // namespace
