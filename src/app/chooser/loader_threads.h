#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vistel {

class WholePictureToken;

// The threads of the thumbnail loader, kept from one load to the next. A
// thread keeps the allocator arena it started with. Threads made anew for
// every load would each pick up whichever arena happened to be free, and in
// a few loads every arena would keep a progressive picture's worth of freed
// memory at its top, where trimming does not reach; kept, the one thread
// that decodes such pictures reuses its own.
//
// A thread that does not come back from its task when the loader stops (a
// read on a dead network mount) is given up: it ends on its own once the
// task returns, touching nothing here but what it shares with the pool, and
// its place gets a new thread. Given-up threads are capped: a load runs no
// more threads than would keep them within the cap were it given up too,
// so the loads after a few stops on a dead mount run fewer workers, and at
// the cap a load waits for the first given-up thread that comes back, which
// then runs it.
//
// Used from the UI thread only.
class LoaderThreads {
 public:
  // Starts a thread running `body`; throws std::system_error when the
  // system refuses one. Tests put a starter here that refuses some.
  using StartThread = std::function<std::thread(std::function<void()> body)>;

  explicit LoaderThreads(int givenUpCap, StartThread start = {});
  // Ends the idle threads and waits for them; given-up ones are left be.
  ~LoaderThreads();
  LoaderThreads(const LoaderThreads&) = delete;
  LoaderThreads& operator=(const LoaderThreads&) = delete;

  // How many of `wanted` threads a load may run now.
  int room(int wanted) const;
  // Runs `task` on thread `slot`, starting one if there is none. A task
  // still finishing there runs to its end first; never waits. False when
  // the system refuses to start the thread: the task is dropped unrun.
  bool run(std::size_t slot, std::function<void()> task);

  // A load's first task: run() while the cap leaves room, otherwise (and
  // when the system refuses a thread) run by the first given-up thread that
  // comes back. Refused when no thread can be had at all.
  enum class Start { Now, WhenOneIsBack, Refused };
  Start runFirst(std::size_t slot, std::function<void()> task, const void* owner);
  // Whether `owner`'s task still waits for a given-up thread to come back.
  bool waiting(const void* owner) const;
  // Drops `owner`'s task if it still waits; true when it did (it never runs).
  bool dropWaiting(const void* owner);

  // Gives up every thread that is still inside a task.
  void abandonBusy();
  // Given-up threads that have not come back.
  int givenUp() const;

  // One whole-picture decode at a time across the loads, given-up ones too.
  const std::shared_ptr<WholePictureToken>& wholePicture() const { return wholePicture_; }

 private:
  struct Mailbox {
    std::deque<std::function<void()>> tasks;  // handed in, not begun
    int pending = 0;                          // handed in and not yet returned
    bool quit = false;
    bool givenUp = false;
  };
  // What the threads share with the pool; they outlive it when given up.
  struct Shared {
    std::mutex mutex;
    std::condition_variable cv;
    int givenUp = 0;
    std::function<void()> waiting;  // a load's first task, for a thread that comes back
    const void* waitingOwner = nullptr;
    std::vector<std::shared_ptr<Mailbox>> adopted;  // came back and took it
  };
  struct Slot {
    std::shared_ptr<Mailbox> box;
    std::thread thread;
  };
  static void loop(const std::shared_ptr<Shared>& shared, const std::shared_ptr<Mailbox>& box);

  int cap_;
  StartThread start_;
  std::shared_ptr<Shared> shared_;
  std::shared_ptr<WholePictureToken> wholePicture_;
  std::vector<Slot> slots_;
};

}  // namespace vistel
