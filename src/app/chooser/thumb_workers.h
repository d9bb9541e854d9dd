#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "chooser/handoff.h"
#include "chooser/thumb_cache.h"
#include "pictures/bitmap.h"

namespace vistel {

// The decoding side of one load: worker threads that make the thumbnails of
// the folder's files ahead of the loader, which takes them one at a time in
// file order and hands them to the UI thread. Workers never go more than a
// window of files past the one the loader waits for, take the lowest file
// they may, and only one of them at a time decodes a file that needs a
// whole-picture buffer; the others pass such a file by for the next one.
//
// Every thread of a load, the loader's own included, holds this through a
// shared_ptr and nothing else of the chooser: a thread that Stop gives up on
// keeps this alive until it ends, and can reach no control. Their stop is
// the hand-off channel's, so it also reaches into the decoders.
class ThumbWorkers {
 public:
  struct Settings {
    int workers = 1;
    // Nothing when thumbnails are not kept on disk.
    std::shared_ptr<ThumbCache> cache;
    // Called by a worker with each file's path before it looks at the file.
    // A test puts a read that blocks here; empty otherwise.
    std::function<void(const std::string&)> beforeRead;
  };

  ThumbWorkers(std::shared_ptr<HandOffChannel> channel, Settings settings);

  // The threads that will run on this (workers and the loader), counted
  // before they start, so that waitForThreads never misses one.
  void expectThreads(int n);
  // Body of a worker thread: makes thumbnails until the load is over.
  void runWorker();
  // What each thread does last, from its own stack.
  void threadEnded();
  // Waits for every expected thread to have ended, at most `wait`.
  bool waitForThreads(std::chrono::milliseconds wait);

  // Loader side. The files in file order, as the loader read them at the
  // start: the workers begin.
  void publish(std::vector<std::string> paths);
  enum class Outcome { Made, Failed, Stopped };
  // The thumbnail of file i, now named `path`. Made ahead under another name
  // (the list changed meanwhile), it is dropped and made again.
  Outcome take(int i, const std::string& path, Bitmap& thumb);
  // File i is passed over (it is no longer listed).
  void skip(int i);
  // No more files to make: the workers leave.
  void finish();
  // Raises the channel's stop and wakes every thread.
  void requestStop();

  HandOffChannel& channel() { return *channel_; }
  ThumbCache* cache() { return settings_.cache.get(); }
  // Whether this load put any thumbnail into the cache.
  bool storedAny() const;
  // Workers decoding or reading the cache at this moment.
  int busyWorkers() const;
  int workerCount() const { return settings_.workers; }

 private:
  enum class JobState { Pending, NeedsWhole, Working, Done, Gone };
  struct Job {
    std::string path;
    JobState state = JobState::Pending;
    int generation = 0;  // moved on when the file's name changes
    bool made = false;
    Bitmap thumb;
  };
  class Gate;

  bool stopping() const { return channel_->stopRequested(); }
  // Lowest job a worker may take now, or -1. Under mutex_.
  int pickable() const;
  // Makes one thumbnail, from the cache when it has it. Throws what
  // makeThumbnail throws.
  Bitmap makeOne(const std::string& path, Gate& gate);

  std::shared_ptr<HandOffChannel> channel_;
  Settings settings_;
  int window_;

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<Job> jobs_;
  int next_ = 0;  // the file the loader waits for or will ask for next
  bool finished_ = false;
  bool wholeBusy_ = false;
  bool storedAny_ = false;
  int busy_ = 0;
  int threads_ = 0;
  std::condition_variable threadsCv_;
};

}  // namespace vistel
