#pragma once

#include <chrono>
#include <memory>

#include "chooser/handoff.h"

namespace vistel {

class LoaderThreads;
class TGetImgForm;
class ThumbWorkers;

// The thumbnail loader: a thread that makes a thumbnail for every file of
// the chooser's file list and hands them over in file order, one at a time.
// Worker threads (ThumbWorkers) read and decode the files ahead of it; every
// read of the file list and every change to the chooser runs on the UI
// thread as a hand-off. Created running, on threads the chooser keeps from
// one load to the next (LoaderThreads), as many as they have room for; the
// chooser owns it.
class TImgThread {
 public:
  TImgThread(TGetImgForm* chooser, std::shared_ptr<LoaderThreads> threads);
  // Stops (request, then a bounded wait) if still running.
  ~TImgThread();
  TImgThread(const TImgThread&) = delete;
  TImgThread& operator=(const TImgThread&) = delete;

  // Requests the stop and waits until every thread of the load has ended
  // its part, at most kStopWait: threads that have not by then (a read
  // that never returns, on a dead network mount) are abandoned. They hold only
  // the load's own shared state, and its stopped channel delivers nothing
  // of theirs. Called on the UI thread; a hand-off the loader has queued is
  // discarded. Returns false when threads were abandoned.
  bool Stop();

  // A healthy load answers a stop within a few milliseconds: every wait of
  // its threads wakes at the request, and the decoders look at it at least
  // once per row of blocks and the file reader once per megabyte. The
  // bound leaves that room several times over on a busy machine, and is
  // still too short for a person to take the window for frozen.
  static constexpr std::chrono::milliseconds kStopWait{100};

  // Decoding threads for this machine: one per core, at most 8.
  // VISTEL_THUMBNAIL_WORKERS overrides the count (tests run several).
  static int workerCount();

  // False when the system refused the loader its thread and no given-up
  // one will come back to run it: nothing of this load ever runs.
  bool started() const { return started_; }
  const HandOffChannel& channel() const { return *channel_; }
  // Workers decoding at this moment.
  int busyWorkers() const;
  // Threads that decode for this load: its workers, or the loader's own
  // when it has none; 0 while it waits for a given-up thread to come back.
  int decoders() const;

 private:
  // The loader thread's body, and its per-file loop. They reach the chooser
  // only inside hand-offs, never on their own thread. The loop tells
  // whether the load went through to its end.
  static void Execute(const std::shared_ptr<ThumbWorkers>& workers, TGetImgForm* chooser);
  static bool LoadThumbnails(ThumbWorkers& workers, TGetImgForm* chooser);
  // Files handed over in one step at most, and how long a run waits for
  // the files after its first: not long enough to be seen.
  static constexpr int kRun = 64;
  static constexpr std::chrono::milliseconds kRunWait{4};

  std::shared_ptr<HandOffChannel> channel_;
  std::shared_ptr<ThumbWorkers> workers_;
  std::shared_ptr<LoaderThreads> threads_;
  bool started_ = true;
  bool stopped_ = false;
  bool answered_ = true;
};

}  // namespace vistel
