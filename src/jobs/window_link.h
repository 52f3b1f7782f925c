// Carries calls from a job's worker thread to the window's thread, where
// every widget lives. Calls run in the order they were made, as queued
// events of one object of the window's thread. The window's side closes the
// link when it leaves a job behind or the program ends: from then on a call
// does nothing, and a call that waits for its answer gets its fallback at once.
#pragma once

#include <QObject>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace jobs {

class WindowLink : public std::enable_shared_from_this<WindowLink> {
 public:
  // `window` lives on the window's thread and stays alive while the link is open.
  static std::shared_ptr<WindowLink> Open(QObject& window);

  // Runs `call` on the window's thread; returns at once.
  void Post(std::function<void()> call);

  // Runs `start` on the window's thread and waits until it has answered
  // through the function it is handed, at once or later (when a box
  // closes); `fallback` when the link closes first. Never from the window's thread.
  template <typename T>
  T Ask(std::function<void(std::function<void(T)> answer)> start, T fallback);

  // Reads a value on the window's thread.
  template <typename T>
  T Read(std::function<T()> read, T fallback) {
    return Ask<T>([read = std::move(read)](std::function<void(T)> answer) { answer(read()); }, std::move(fallback));
  }

  // On the window's thread: no call runs after this, waiting calls return.
  void Close();
  bool IsOpen();

 private:
  explicit WindowLink(QObject& window) : window_(window) {}

  QObject& window_;
  std::mutex mutex_;
  std::condition_variable answered_;
  bool closed_ = false;
};

template <typename T>
T WindowLink::Ask(std::function<void(std::function<void(T)> answer)> start, T fallback) {
  auto reply = std::make_shared<std::optional<T>>();
  auto self = shared_from_this();
  Post([self, reply, start = std::move(start)] {
    start([self, reply](T value) {
      std::lock_guard lock(self->mutex_);
      *reply = std::move(value);
      self->answered_.notify_all();
    });
  });
  std::unique_lock lock(mutex_);
  answered_.wait(lock, [&] { return reply->has_value() || closed_; });
  return reply->has_value() ? std::move(**reply) : std::move(fallback);
}

}  // namespace jobs
