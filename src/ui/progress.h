// What a long command tells whoever watches it, and how it hears that the
// user wants it to stop. The window shows it in the progress dialog; tests
// and the command line supply their own.
#pragma once

#include <QString>
#include <cstdint>

namespace ui {

// How the user's Cancel reaches a phase. In a phase that changes nothing
// (connecting, reading, measuring) the window may leave the command at once:
// it finishes on its own, changes nothing more and its result is dropped.
// In a phase that changes a database the command stops at its next check,
// between two rows or two statements.
enum class CancelMode { kLeaveAtOnce, kAtNextCheck };

inline constexpr std::int64_t kUnknownTotal = -1;

class Progress {
 public:
  virtual ~Progress() = default;

  // The command's name for its work ("Sending towns to Access").
  virtual void Title(const QString& title) = 0;
  // Enters a phase named for the user ("Connecting to MySQL...", "Reading
  // towns..."; empty for a row pass, which shows only its rows). False when
  // the user has cancelled: the command then stops without starting it.
  virtual bool Phase(const QString& text, CancelMode mode) = 0;
  // `done` rows of the phase's `total` (kUnknownTotal while not known).
  virtual void Rows(std::int64_t done, std::int64_t total) = 0;
  // True once the user has asked to stop.
  virtual bool Cancelled() const = 0;

  // Rows, then whether to go on.
  bool Step(std::int64_t done, std::int64_t total) {
    Rows(done, total);
    return !Cancelled();
  }
};

// For commands nobody watches: nothing shown, never cancelled.
class QuietProgress : public Progress {
 public:
  void Title(const QString&) override {}
  bool Phase(const QString&, CancelMode) override { return true; }
  void Rows(std::int64_t, std::int64_t) override {}
  bool Cancelled() const override { return false; }
};

}  // namespace ui
