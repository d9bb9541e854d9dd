#include "chooser/loader_threads.h"

#include <algorithm>
#include <system_error>

#include "chooser/thumb_workers.h"

namespace vistel {

LoaderThreads::LoaderThreads(int givenUpCap, StartThread start)
    : cap_(givenUpCap),
      start_(std::move(start)),
      shared_(std::make_shared<Shared>()),
      wholePicture_(std::make_shared<WholePictureToken>()) {}

LoaderThreads::~LoaderThreads() {
  std::function<void()> waiting;  // freed outside the lock
  {
    std::lock_guard lock(shared_->mutex);
    waiting = std::move(shared_->waiting);
    shared_->waiting = nullptr;
    for (Slot& s : slots_)
      if (s.box) s.box->quit = true;
  }
  shared_->cv.notify_all();
  // The loader has been stopped before: at most a task's last steps remain.
  for (Slot& s : slots_)
    if (s.thread.joinable()) s.thread.join();
}

void LoaderThreads::loop(const std::shared_ptr<Shared>& shared,
                         const std::shared_ptr<Mailbox>& box) {
  std::unique_lock lock(shared->mutex);
  for (;;) {
    shared->cv.wait(lock, [&] { return box->quit || !box->tasks.empty(); });
    if (box->tasks.empty()) break;  // quit, and nothing left to run
    std::function<void()> task = std::move(box->tasks.front());
    box->tasks.pop_front();
    lock.unlock();
    task();
    task = nullptr;  // what the task holds goes now, not at the next one
    lock.lock();
    --box->pending;
    if (box->givenUp) {
      // Back from a task the loader gave up on: a load waiting for a thread
      // takes this one.
      box->givenUp = false;
      --shared->givenUp;
      if (shared->waiting && box->tasks.empty()) {
        box->tasks.push_back(std::move(shared->waiting));
        shared->waiting = nullptr;
        shared->waitingOwner = nullptr;
        ++box->pending;
        shared->adopted.push_back(box);
      }
    }
    if (box->quit && box->tasks.empty()) break;
  }
  std::erase(shared->adopted, box);
}

int LoaderThreads::room(int wanted) const {
  std::lock_guard lock(shared_->mutex);
  return std::clamp(cap_ - shared_->givenUp, 0, wanted);
}

bool LoaderThreads::run(std::size_t slot, std::function<void()> task) {
  if (slots_.size() <= slot) slots_.resize(slot + 1);
  Slot& s = slots_[slot];
  if (!s.box) {
    auto box = std::make_shared<Mailbox>();
    // The thread owns its share of the mailbox, never the pool.
    std::function<void()> body = [shared = shared_, box] { loop(shared, box); };
    try {
      s.thread = start_ ? start_(std::move(body)) : std::thread(std::move(body));
    } catch (const std::system_error&) {
      return false;  // the slot stays empty, for the next load to try again
    }
    s.box = std::move(box);
  }
  {
    std::lock_guard lock(shared_->mutex);
    s.box->tasks.push_back(std::move(task));
    ++s.box->pending;
  }
  shared_->cv.notify_all();
  return true;
}

LoaderThreads::Start LoaderThreads::runFirst(std::size_t slot, std::function<void()> task,
                                             const void* owner) {
  std::function<void()> replaced;  // freed outside the lock
  bool refused = false;
  for (;;) {
    if (!refused && room(1) > 0) {
      if (run(slot, task)) return Start::Now;  // a copy: a refused start drops it
      refused = true;
    }
    // Under the lock the threads coming back take: none passes it by.
    std::lock_guard lock(shared_->mutex);
    if (!refused && shared_->givenUp < cap_) continue;  // one came back meanwhile
    if (shared_->givenUp == 0) return Start::Refused;
    replaced = std::move(shared_->waiting);
    shared_->waiting = std::move(task);
    shared_->waitingOwner = owner;
    return Start::WhenOneIsBack;
  }
}

bool LoaderThreads::waiting(const void* owner) const {
  std::lock_guard lock(shared_->mutex);
  return shared_->waiting && shared_->waitingOwner == owner;
}

bool LoaderThreads::dropWaiting(const void* owner) {
  std::function<void()> dropped;  // freed outside the lock
  std::lock_guard lock(shared_->mutex);
  if (!shared_->waiting || shared_->waitingOwner != owner) return false;
  dropped = std::move(shared_->waiting);
  shared_->waiting = nullptr;
  shared_->waitingOwner = nullptr;
  return true;
}

void LoaderThreads::abandonBusy() {
  std::lock_guard lock(shared_->mutex);
  auto giveUp = [this](Mailbox& box) {
    if (box.pending == 0 || box.givenUp) return false;
    box.quit = true;  // ends once its tasks return
    box.givenUp = true;
    ++shared_->givenUp;
    return true;
  };
  for (Slot& s : slots_) {
    if (!s.box || !giveUp(*s.box)) continue;
    if (s.thread.joinable()) s.thread.detach();
    s.box.reset();
  }
  for (const std::shared_ptr<Mailbox>& box : shared_->adopted) giveUp(*box);
}

int LoaderThreads::givenUp() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->givenUp;
}

}  // namespace vistel
