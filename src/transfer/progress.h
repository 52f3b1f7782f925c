// The progress of a long row pass: a modal dialog with the rows done of the
// total and a Cancel button. The commands report through this seam so tests
// can see what was shown and cancel at a chosen row.
#pragma once

#include <QString>
#include <cstdint>

namespace transfer {

// A row pass of more rows than this shows its progress.
inline constexpr std::int64_t kProgressThreshold = 500;

class Progress {
 public:
  virtual ~Progress() = default;
  // Shows the dialog for `total` rows, titled `title`.
  virtual void Begin(const QString& title, std::int64_t total) = 0;
  // After each row; false once the user has asked to cancel.
  virtual bool Step(std::int64_t done) = 0;
  // Closes the dialog.
  virtual void End() = 0;
};

// Begin when there are enough rows to show, End on every way out.
class ProgressScope {
 public:
  ProgressScope(Progress& progress, const QString& title, std::int64_t total)
      : progress_(progress), shown_(total > kProgressThreshold) {
    if (shown_) progress_.Begin(title, total);
  }
  ~ProgressScope() {
    if (shown_) progress_.End();
  }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

  // False when the user cancelled.
  bool Step(std::int64_t done) { return !shown_ || progress_.Step(done); }

 private:
  Progress& progress_;
  bool shown_;
};

}  // namespace transfer
