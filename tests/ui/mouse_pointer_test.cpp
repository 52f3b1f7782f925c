// The busy pointer: the arrow comes back on every exit once the hourglass is
// set, and never when a command stops before setting it.
#include "ui/mouse_pointer.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

class RecordingHost : public ui::PointerHost {
 public:
  void SetMousePointer(int shape) override { shapes.push_back(shape); }
  int MousePointer() const override { return shapes.empty() ? ui::kDefaultPointer : shapes.back(); }
  std::vector<int> shapes;
};

TEST(ArrowOnExit, ArrowAfterHourglassOnEveryPath) {
  RecordingHost stopsEarly;
  { ui::ArrowOnExit guard(stopsEarly); }
  EXPECT_TRUE(stopsEarly.shapes.empty()) << "no hourglass, pointer left alone";

  RecordingHost completes;
  {
    ui::ArrowOnExit guard(completes);
    guard.SetHourglass();
    EXPECT_EQ(completes.MousePointer(), ui::kHourglass);
  }
  EXPECT_EQ(completes.shapes, (std::vector<int>{ui::kHourglass, ui::kArrow}));

  RecordingHost fails;
  EXPECT_THROW(
      {
        ui::ArrowOnExit guard(fails);
        guard.SetHourglass();
        throw std::runtime_error("statement failed");
      },
      std::runtime_error);
  EXPECT_EQ(fails.shapes, (std::vector<int>{ui::kHourglass, ui::kArrow}));
}

TEST(ApplyMousePointer, ShowsTheShapeOverTheWindow) {
  QWidget window;
  ui::ApplyMousePointer(window, ui::kHourglass);
  EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
  ui::ApplyMousePointer(window, ui::kArrow);
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
  ui::ApplyMousePointer(window, ui::kHourglass);
  ui::ApplyMousePointer(window, ui::kDefaultPointer);
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor) << "a window's own cursor";
}

}  // namespace
