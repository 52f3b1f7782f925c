#include "cli/terminal_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace cli {
namespace {

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr int kBarWidth = 24;

std::string Grouped(std::int64_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0 && digits[i - 1] != '-') out += ',';
    out += digits[i];
  }
  return out;
}

// Cuts a UTF-8 text to at most `columns` characters (one column each is
// close enough for names), marking the cut with "...".
std::string Fit(const std::string& text, int columns) {
  std::vector<std::size_t> starts;  // where each character begins
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  if (columns < 0) columns = 0;
  if (starts.size() <= static_cast<std::size_t>(columns)) return text;
  if (columns < 3) return std::string(static_cast<std::size_t>(columns), '.');
  return text.substr(0, starts[static_cast<std::size_t>(columns - 3)]) + "...";
}

}  // namespace

std::string ProgressLine(const std::string& title, const std::string& phase, std::int64_t done, std::int64_t total,
                         int width) {
  std::string tail;
  if (!phase.empty()) {
    tail = phase;
  } else if (done >= 0 && total > 0) {
    std::int64_t filled = std::min<std::int64_t>(kBarWidth, done * kBarWidth / total);
    tail = "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] " + Grouped(done) + " of " +
           Grouped(total) + " rows";
  } else if (done >= 0) {
    tail = Grouped(done) + " rows";
  }
  if (tail.empty()) return Fit(title, width);
  int room = width - static_cast<int>(tail.size()) - 2;
  if (room < 8) return Fit(tail, width);
  return Fit(title, room) + "  " + tail;
}

TerminalProgress::TerminalProgress(int fd) : fd_(fd), terminal_(::isatty(fd) == 1) {}

TerminalProgress::~TerminalProgress() { Clear(); }

void TerminalProgress::SetTitle(const std::string& title) {
  title_ = title;
  phase_.clear();
  done_ = total_ = -1;
  Draw(true);
}

void TerminalProgress::SetPhase(const std::string& phase) {
  phase_ = phase;
  Draw(true);
}

void TerminalProgress::SetRows(std::int64_t done, std::int64_t total) {
  phase_.clear();
  done_ = done;
  total_ = total;
  Draw(done == total);
}

void TerminalProgress::Draw(bool force) {
  if (!terminal_) return;
  auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < kRedrawEvery) return;
  lastDraw_ = now;
  winsize size{};
  int width = ::ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
  std::string line = "\r" + ProgressLine(title_, phase_, done_, total_, width - 1) + "\x1b[K";
  (void)!::write(fd_, line.data(), line.size());
  shown_ = true;
}

void TerminalProgress::Clear() {
  if (!shown_) return;
  static const char kErase[] = "\r\x1b[K";
  (void)!::write(fd_, kErase, sizeof kErase - 1);
  shown_ = false;
}

}  // namespace cli
