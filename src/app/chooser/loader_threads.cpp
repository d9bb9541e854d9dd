#include "chooser/loader_threads.h"

namespace vistel {

LoaderThreads::~LoaderThreads() {
  for (Slot& s : slots_) {
    if (!s.box) continue;
    {
      std::lock_guard lock(s.box->mutex);
      s.box->quit = true;
    }
    s.box->cv.notify_all();
  }
  // The loader has been stopped before: at most a task's last steps remain.
  for (Slot& s : slots_)
    if (s.thread.joinable()) s.thread.join();
}

void LoaderThreads::loop(const std::shared_ptr<Mailbox>& box) {
  std::unique_lock lock(box->mutex);
  for (;;) {
    box->cv.wait(lock, [&] { return box->quit || box->task; });
    if (!box->task) return;  // quit, and nothing left to run
    std::function<void()> task = std::move(box->task);
    box->task = nullptr;
    lock.unlock();
    task();
    task = nullptr;  // what the task holds goes now, not at the next one
    lock.lock();
    --box->pending;
    if (box->quit && !box->task) return;
  }
}

void LoaderThreads::run(std::size_t slot, std::function<void()> task) {
  if (slots_.size() <= slot) slots_.resize(slot + 1);
  Slot& s = slots_[slot];
  if (s.box) {
    std::lock_guard lock(s.box->mutex);
    // A task handed in before and not even begun: the thread is still in
    // the one before that. It runs what it has on its own; this one goes
    // to a new thread rather than wait.
    if (s.box->task) s.box->quit = true;
  }
  if (s.box && s.box->quit) {
    s.thread.detach();
    s.box.reset();
  }
  if (!s.box) {
    s.box = std::make_shared<Mailbox>();
    // The thread owns its share of the mailbox, never the pool.
    s.thread = std::thread([box = s.box] { loop(box); });
  }
  {
    std::lock_guard lock(s.box->mutex);
    s.box->task = std::move(task);
    ++s.box->pending;
  }
  s.box->cv.notify_all();
}

void LoaderThreads::abandonBusy() {
  for (Slot& s : slots_) {
    if (!s.box) continue;
    {
      std::lock_guard lock(s.box->mutex);
      if (s.box->pending == 0) continue;
      s.box->quit = true;  // ends once its task returns
    }
    s.thread.detach();
    s.box.reset();
  }
}

}  // namespace vistel
