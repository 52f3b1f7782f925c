// The busy pointer: the arrow comes back on every exit once the hourglass is
// set, and never when a command stops before setting it.
#include "app/mouse_pointer.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

class RecordingHost : public app::PointerHost {
 public:
  void SetMousePointer(int shape) override { shapes.push_back(shape); }
  int MousePointer() const override { return shapes.empty() ? app::kDefaultPointer : shapes.back(); }
  std::vector<int> shapes;
};

TEST(ArrowOnExit, ArrowAfterHourglassOnEveryPath) {
  RecordingHost stopsEarly;
  { app::ArrowOnExit guard(stopsEarly); }
  EXPECT_TRUE(stopsEarly.shapes.empty()) << "no hourglass, pointer left alone";

  RecordingHost completes;
  {
    app::ArrowOnExit guard(completes);
    guard.SetHourglass();
    EXPECT_EQ(completes.MousePointer(), app::kHourglass);
  }
  EXPECT_EQ(completes.shapes, (std::vector<int>{app::kHourglass, app::kArrow}));

  RecordingHost fails;
  EXPECT_THROW(
      {
        app::ArrowOnExit guard(fails);
        guard.SetHourglass();
        throw std::runtime_error("statement failed");
      },
      std::runtime_error);
  EXPECT_EQ(fails.shapes, (std::vector<int>{app::kHourglass, app::kArrow}));
}

TEST(ApplyMousePointer, ShowsTheShapeOverTheWindow) {
  QWidget window;
  app::ApplyMousePointer(window, app::kHourglass);
  EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
  app::ApplyMousePointer(window, app::kArrow);
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
  app::ApplyMousePointer(window, app::kHourglass);
  app::ApplyMousePointer(window, app::kDefaultPointer);
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor) << "a window's own cursor";
}

}  // namespace
