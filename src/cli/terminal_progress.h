// Progress drawn on a terminal: one line on standard error, redrawn in place
// (carriage return, then erase to the line's end) at most ten times a
// second, and erased when the work ends so that the summary lines stand
// alone. When standard error is no terminal (a pipe, a file) nothing at all
// is written.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace cli {

// The line for `title` in `phase` ("Reading Orders..."), or with `done` of
// `total` rows (total < 0: not known), fitted to `width` columns.
std::string ProgressLine(const std::string& title, const std::string& phase, std::int64_t done, std::int64_t total,
                         int width);

class TerminalProgress {
 public:
  // `fd` is where to draw; drawing happens only when it is a terminal.
  explicit TerminalProgress(int fd = 2);
  ~TerminalProgress();

  void SetTitle(const std::string& title);
  void SetPhase(const std::string& phase);
  void SetRows(std::int64_t done, std::int64_t total);
  // Erases the line.
  void Clear();

 private:
  void Draw(bool force);

  int fd_;
  bool terminal_;
  bool shown_ = false;
  std::string title_, phase_;
  std::int64_t done_ = -1, total_ = -1;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace cli
