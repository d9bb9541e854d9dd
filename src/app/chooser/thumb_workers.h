#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "chooser/handoff.h"
#include "chooser/thumb_cache.h"
#include "pictures/bitmap.h"

namespace vistel {

// One decode at a time that holds the whole picture in memory, among all
// the loads of a chooser: the holder may be a thread given up in the middle
// of one, whose load is long over.
class WholePictureToken {
 public:
  // Waits until no other decode holds it, or `stop` is raised (false).
  bool enter(const std::atomic<bool>& stop);
  void leave();
  // Has every wait look at its stop flag again.
  void wake();
  // Decodes waiting in enter().
  int waiting() const;
  bool held() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool held_ = false;
  int waiting_ = 0;
};

// The decoding side of one load: worker threads that make the thumbnails of
// the folder's files ahead of the loader, which takes them one at a time in
// file order and hands them to the UI thread.
//
// Only the first worker decodes files that need a whole-picture buffer (a
// progressive JPEG), and only with the chooser's WholePictureToken: so there
// is at most one such buffer at a time, mostly in the same thread's memory,
// which the allocator then reuses instead of every worker keeping a
// picture-sized hole of its own. The others pass
// such a file by for the next one. So that those files are not left to the
// end, workers look at the headers of the files further ahead (cheap: the
// cache, or a few small reads), and the first worker, whenever it is free,
// takes the first file found to need the buffer. Otherwise a worker takes
// the file the loader waits for, else the lowest one within a short window
// past it. Results wait at most a lookahead of files ahead of the loader
// (34 KB each). A load that has no worker thread (the system refused them,
// or too many are given up) is decoded by the loader's own thread, one
// file at a time as it takes them.
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
    // Files from this index on are near no view when they come: of those
    // the cache already holds, the entry is only looked for and the pixels
    // stay there (the thumbnail is made, with no pixels) until the grid
    // wants them.
    int pixelFiles = std::numeric_limits<int>::max();
    // Shared with the chooser's other loads; without it the first worker
    // holds the whole picture whenever it needs to.
    std::shared_ptr<WholePictureToken> wholePicture;
  };

  ThumbWorkers(std::shared_ptr<HandOffChannel> channel, Settings settings);

  // The threads that will run a part of this load (workers and the
  // loader), counted before they start, so that waitForThreads never
  // misses one.
  void expectThreads(int n);
  // The workers that did start, when the system refused some: fewer than
  // the settings said, none making the loader decode itself.
  void workersStarted(int n);
  // Body of worker thread `index` (0 is the one that may hold a
  // whole-picture buffer): makes thumbnails until the load is over.
  void runWorker(int index);
  // What each thread does last in its part, from its own stack.
  void threadEnded();
  // Waits for every expected thread to have ended its part, at most `wait`.
  bool waitForThreads(std::chrono::milliseconds wait);

  // Loader side. The files in file order, as the loader read them at the
  // start from `folder`: the workers begin. A file of the folder's made
  // list that is near no view is made with no pixels, as one whose entry
  // the cache holds.
  void publish(const std::string& folder, std::vector<std::string> paths);
  // Stores the folder's made list once the loader's part is over: the files
  // made by a `complete` load, else those added to the list it had.
  void keepMadeList(bool complete);
  enum class Outcome { Made, Failed, Stopped };
  // The thumbnail of file i, now named `path`. Made ahead under another name
  // (the list changed meanwhile), it is dropped and made again.
  Outcome take(int i, const std::string& path, Bitmap& thumb);
  // Whether file i, named `path`, is made (or failed) by `until` (waiting
  // for it until then), so that take() would not wait for it.
  bool ready(int i, const std::string& path, std::chrono::steady_clock::time_point until);
  // Gives back what take() gave for file i (a thumbnail, or none when it
  // failed) unused: the next take() of the file under the same name has
  // it again.
  void putBack(int i, Outcome outcome, Bitmap thumb);
  // File i is passed over (it is no longer listed).
  void skip(int i);
  // No more files to make: the workers leave.
  void finish();
  // Raises the channel's stop and wakes every thread.
  void requestStop();

  HandOffChannel& channel() { return *channel_; }
  // Workers decoding or reading the cache at this moment.
  int busyWorkers() const;
  int workerCount() const;

 private:
  enum class JobState { Pending, Working, Done, Gone };
  // Whether the file needs the whole-picture buffer, once known.
  enum class Kind { Unknown, Plain, Whole };
  struct Job {
    std::string path;
    JobState state = JobState::Pending;
    Kind kind = Kind::Unknown;
    int generation = 0;  // moved on when the file's name changes
    bool made = false;
    Bitmap thumb;
  };
  // What a worker does next: make job `job`, or only look at its headers.
  struct Pick {
    int job = -1;
    bool scout = false;
  };
  class Gate;

  // Files past the loader's whose headers are looked at and whose results
  // may wait.
  static constexpr int kLookahead = 128;

  bool stopping() const { return channel_->stopRequested(); }
  // The next thing for worker `index` to do. Under mutex_.
  Pick pick(int index) const;
  // Does `p` with `lock` released meanwhile and records what came of it.
  // False once the load is stopping. Under mutex_.
  bool work(Pick p, Gate& gate, std::unique_lock<std::mutex>& lock);
  // Makes one thumbnail, from the cache when it has it (with no pixels
  // unless `pixels`). Throws what makeThumbnail throws.
  // `made` is the file's digest once it is made from the file as it is.
  Bitmap makeOne(const std::string& path, Gate& gate, bool pixels,
                 std::optional<ThumbDigest>& made);
  // The cached thumbnail of a file ahead (with no pixels unless `pixels`),
  // or else whether its decode needs the whole-picture buffer.
  std::optional<Bitmap> scoutOne(const std::string& path, bool& whole, bool pixels,
                                 std::optional<ThumbDigest>& made);
  // The thumbnail of `key` (whose digest is `digest`) when the cache holds it: with no pixels
  // unless `pixels`, and then also when the folder's made list has the file.
  std::optional<Bitmap> fromCache(const ThumbKey& key, const ThumbDigest& digest,
                                  bool pixels) const;

  std::shared_ptr<HandOffChannel> channel_;
  Settings settings_;
  int window_;

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<Job> jobs_;
  int next_ = 0;  // the file the loader waits for or will ask for next
  bool finished_ = false;
  int busy_ = 0;
  int threads_ = 0;
  std::condition_variable threadsCv_;
  // The folder and its made list as the load began (set before the
  // workers see any file, read-only after); the digests of the files made
  // since, under mutex_.
  std::string folder_;
  std::vector<ThumbDigest> known_;
  std::vector<ThumbDigest> made_;
};

}  // namespace vistel
