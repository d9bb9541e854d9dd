#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vistel {

// The threads of the thumbnail loader, kept from one load to the next. A
// thread keeps the allocator arena it started with. Threads made anew for
// every load would each pick up whichever arena happened to be free, and in
// a few loads every arena would keep a progressive picture's worth of freed
// memory at its top, where trimming does not reach; kept, the one thread
// that decodes such pictures reuses its own.
//
// A thread that does not come back from its task when the loader stops (a
// read on a dead network mount) is given up: it ends on its own once the
// task returns, touching nothing here, and its place gets a new thread.
// Used from the UI thread only.
class LoaderThreads {
 public:
  LoaderThreads() = default;
  // Ends the idle threads and waits for them; given-up ones are left be.
  ~LoaderThreads();
  LoaderThreads(const LoaderThreads&) = delete;
  LoaderThreads& operator=(const LoaderThreads&) = delete;

  // Runs `task` on thread `slot`, starting it if there is none. A task
  // still finishing there runs to its end first; never waits.
  void run(std::size_t slot, std::function<void()> task);
  // Gives up every thread that is still inside a task.
  void abandonBusy();

 private:
  struct Mailbox {
    std::mutex mutex;
    std::condition_variable cv;
    std::function<void()> task;
    int pending = 0;  // tasks handed in and not yet returned
    bool quit = false;
  };
  struct Slot {
    std::shared_ptr<Mailbox> box;
    std::thread thread;
  };
  static void loop(const std::shared_ptr<Mailbox>& box);

  std::vector<Slot> slots_;
};

}  // namespace vistel
