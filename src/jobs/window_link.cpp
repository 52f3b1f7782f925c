#include "jobs/window_link.h"

namespace jobs {

std::shared_ptr<WindowLink> WindowLink::Open(QObject& window) {
  return std::shared_ptr<WindowLink>(new WindowLink(window));
}

void WindowLink::Post(std::function<void()> call) {
  // Posted under the lock, so that nothing is queued once Close() has returned.
  std::lock_guard lock(mutex_);
  if (closed_) return;
  QMetaObject::invokeMethod(
      &window_,
      [self = shared_from_this(), call = std::move(call)] {
        if (self->IsOpen()) call();
      },
      Qt::QueuedConnection);
}

void WindowLink::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  answered_.notify_all();
}

bool WindowLink::IsOpen() {
  std::lock_guard lock(mutex_);
  return !closed_;
}

}  // namespace jobs
