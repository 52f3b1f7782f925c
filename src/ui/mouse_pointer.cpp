#include "ui/mouse_pointer.h"

#include <QWidget>

namespace ui {

void ApplyMousePointer(QWidget& window, int shape) {
  switch (shape) {
    case kArrow:
      window.setCursor(Qt::ArrowCursor);
      break;
    case kHourglass:
      window.setCursor(Qt::WaitCursor);
      break;
    default:
      window.unsetCursor();
      break;
  }
}

}  // namespace ui
