// Reading ahead of the writing inside one command's worker: a thread of its
// own makes the next items (rows read, their statements built) while the
// worker's thread writes the ones before, so that neither waits for the
// other's disk or server. The items wait in a queue bounded by count and by
// bytes; the reader stops when it is full, the writer when it is empty.
//
// The reader thread alone calls `produce` and so alone uses what it reads
// from. Destroying the ReadAhead stops the reader after the item it is
// making and waits for it, so a writer that stops early (a Cancel, a
// failure) is never held up by more than one item. Items cross between the
// threads in chunks, so that a row costs no lock and no wake-up of its own.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace transfer {

// The bytes of statements a send reads ahead of the one it writes (beside
// its limit of one batch's rows): enough to keep the target busy, bounded
// for rows of long memos.
inline constexpr std::size_t kReadAheadBytes = 8 << 20;

// Item: movable and default-constructible, with `std::size_t Bytes() const`.
template <typename Item>
class ReadAhead {
 public:
  // Fills the next item; false when there is none (the item is then unused).
  using Produce = std::function<bool(Item&)>;

  ReadAhead(std::size_t maxItems, std::size_t maxBytes, Produce produce)
      : maxItems_(maxItems), maxBytes_(maxBytes), produce_(std::move(produce)), reader_([this] { Read(); }) {}
  ~ReadAhead() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    roomFreed_.notify_one();
    reader_.join();
  }
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The next item in the reader's order; false after the last. What
  // `produce` threw is thrown here, after the items made before it.
  bool Next(Item& item) {
    if (taken_.empty() && !TakeChunks()) return false;
    item = std::move(taken_.front());
    taken_.pop_front();
    return true;
  }

 private:
  static constexpr std::size_t kChunkItems = 64;

  // Takes every item waiting, waiting for some when none is.
  bool TakeChunks() {
    std::unique_lock lock(mutex_);
    itemAdded_.wait(lock, [this] { return !queue_.empty() || finished_; });
    if (queue_.empty()) {
      if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
      return false;
    }
    taken_.swap(queue_);
    bytes_ = 0;
    lock.unlock();
    roomFreed_.notify_one();
    return true;
  }

  // Adds a chunk once there is room; false when told to stop.
  bool Publish(std::deque<Item>& chunk, std::size_t chunkBytes) {
    if (chunk.empty()) return true;
    std::unique_lock lock(mutex_);
    // A chunk always fits into an empty queue, however large.
    roomFreed_.wait(lock, [this] { return stop_ || queue_.empty() || (queue_.size() < maxItems_ && bytes_ < maxBytes_); });
    if (stop_) return false;
    bytes_ += chunkBytes;
    for (Item& item : chunk) queue_.push_back(std::move(item));
    chunk.clear();
    lock.unlock();
    itemAdded_.notify_one();
    return true;
  }

  void Read() {
    std::deque<Item> chunk;
    std::size_t chunkBytes = 0;
    std::exception_ptr failure;
    try {
      for (Item item; !stop_ && produce_(item); item = Item()) {
        chunkBytes += item.Bytes();
        chunk.push_back(std::move(item));
        if (chunk.size() < std::min(kChunkItems, maxItems_) && chunkBytes < maxBytes_) continue;
        if (!Publish(chunk, chunkBytes)) break;
        chunkBytes = 0;
      }
    } catch (...) {
      failure = std::current_exception();
    }
    Publish(chunk, chunkBytes);  // the items made before the end or the failure
    {
      std::lock_guard lock(mutex_);
      failure_ = failure;
      finished_ = true;
    }
    itemAdded_.notify_one();
  }

  const std::size_t maxItems_;
  const std::size_t maxBytes_;
  Produce produce_;
  std::mutex mutex_;
  std::condition_variable itemAdded_;
  std::condition_variable roomFreed_;
  std::deque<Item> queue_;
  std::size_t bytes_ = 0;  // of the items in queue_
  std::deque<Item> taken_;  // the writer's own: taken from queue_, not yet given out
  std::atomic<bool> stop_ = false;  // set under mutex_, read also without it
  bool finished_ = false;
  std::exception_ptr failure_;
  std::thread reader_;  // last: it starts once everything above is set up
};

}  // namespace transfer
