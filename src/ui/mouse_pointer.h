// The busy pointer. A window that commands work on offers its mouse pointer
// shape as a number (0 default, 1 arrow, 11 hourglass). A command arms an
// ArrowOnExit when it sets the hourglass; the arrow then returns when the
// command ends by any path, a failure included. A command that stops before
// setting the hourglass never arms it and leaves the pointer alone.
#pragma once

class QWidget;

namespace ui {

inline constexpr int kDefaultPointer = 0;
inline constexpr int kArrow = 1;
inline constexpr int kHourglass = 11;

class PointerHost {
 public:
  virtual ~PointerHost() = default;
  virtual void SetMousePointer(int shape) = 0;
  virtual int MousePointer() const = 0;
};

// Shows `shape` over `window` (0 gives the window back its own cursor).
void ApplyMousePointer(QWidget& window, int shape);

class ArrowOnExit {
 public:
  explicit ArrowOnExit(PointerHost& host) : host_(host) {}
  ~ArrowOnExit() {
    if (armed_) host_.SetMousePointer(kArrow);
  }
  ArrowOnExit(const ArrowOnExit&) = delete;
  ArrowOnExit& operator=(const ArrowOnExit&) = delete;

  void SetHourglass() {
    host_.SetMousePointer(kHourglass);
    armed_ = true;
  }

 private:
  PointerHost& host_;
  bool armed_ = false;
};

}  // namespace ui
