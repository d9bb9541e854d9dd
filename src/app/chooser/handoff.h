#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace vistel {

// Synchronous hand-offs from a worker thread to the user-interface thread,
// with a stop request that never deadlocks:
//
// - call() queues an operation for the UI thread's event loop and blocks
//   until it has run there. A throw inside the operation comes back as
//   Failed.
// - requestStop() (UI thread) sets the stop flag and wakes the worker. An
//   operation still queued is then discarded, never run: the worker returns
//   Stopped at once, so the UI thread can wait for the worker's end without
//   the worker waiting for the UI thread.
// - The UI thread runs operations only from its event loop, so it is never
//   inside one when it requests a stop.
class HandOffChannel : public std::enable_shared_from_this<HandOffChannel> {
 public:
  enum class Result { Done, Failed, Stopped };

  // `context` lives on the UI thread; operations run in its thread.
  static std::shared_ptr<HandOffChannel> create(QObject* context);

  Result call(const std::function<void()>& operation);
  void requestStop();
  bool stopRequested() const { return stop_.load(std::memory_order_acquire); }
  const std::atomic<bool>& stopFlag() const { return stop_; }

  // Longest time an operation took on the UI thread, in microseconds.
  long long longestRunMicros() const { return longest_.load(); }

 private:
  explicit HandOffChannel(QObject* context);
  void runPending();

  enum class State { Idle, Queued, Running, Done, Failed };
  // Used only until the stop: its owner stops the channel before it goes.
  QObject* context_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::function<void()> pending_;
  State state_ = State::Idle;
  std::atomic<bool> stop_{false};
  std::atomic<long long> longest_{0};
};

}  // namespace vistel
