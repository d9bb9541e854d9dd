#include "chooser/handoff.h"

#include <QMetaObject>
#include <QObject>
#include <chrono>

namespace vistel {

std::shared_ptr<HandOffChannel> HandOffChannel::create(QObject* context) {
  return std::shared_ptr<HandOffChannel>(new HandOffChannel(context));
}

HandOffChannel::HandOffChannel(QObject* context) : context_(context) {}

HandOffChannel::Result HandOffChannel::call(const std::function<void()>& operation) {
  std::unique_lock lock(mutex_);
  if (stopRequested()) return Result::Stopped;
  pending_ = operation;
  state_ = State::Queued;
  if (context_ == nullptr) {
    pending_ = nullptr;
    state_ = State::Idle;
    return Result::Stopped;
  }
  // Posted under the lock: a worker abandoned by a stop may call in after
  // its context is gone, and the stop (taken under this lock) is what tells
  // it so. The event holds the channel alive even if the worker is gone by
  // the time it runs; Qt drops it if the context goes first.
  QMetaObject::invokeMethod(
      context_, [self = shared_from_this()] { self->runPending(); }, Qt::QueuedConnection);
  cv_.wait(lock, [this] {
    return state_ == State::Done || state_ == State::Failed ||
           (state_ == State::Queued && stopRequested());
  });
  const State finished = state_;
  pending_ = nullptr;
  state_ = State::Idle;
  if (finished == State::Queued) return Result::Stopped;  // discarded, never run
  if (finished == State::Failed) return Result::Failed;
  return stopRequested() ? Result::Stopped : Result::Done;
}

void HandOffChannel::runPending() {
  std::function<void()> operation;
  {
    std::lock_guard lock(mutex_);
    if (state_ != State::Queued || stopRequested()) return;
    operation = std::move(pending_);
    pending_ = nullptr;
    state_ = State::Running;
  }
  const auto start = std::chrono::steady_clock::now();
  bool ok = true;
  try {
    operation();
  } catch (...) {
    ok = false;  // passed back to the loader that handed the operation off
  }
  const long long us = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
  if (us > longest_.load()) longest_.store(us);
  {
    std::lock_guard lock(mutex_);
    state_ = ok ? State::Done : State::Failed;
  }
  cv_.notify_all();
}

void HandOffChannel::requestStop() {
  {
    std::lock_guard lock(mutex_);
    stop_.store(true, std::memory_order_release);
  }
  cv_.notify_all();
}

}  // namespace vistel
