#pragma once

#include <memory>
#include <thread>

#include "chooser/handoff.h"

namespace vistel {

class TGetImgForm;

// The thumbnail loader: one thread that makes a thumbnail for every file of
// the chooser's file list, in order. It reads and decodes files itself;
// every read of the file list and every change to the chooser runs on the
// UI thread as a hand-off. Created running; the chooser owns it.
class TImgThread {
 public:
  explicit TImgThread(TGetImgForm* chooser);
  // Stops (request, then wait) if still running.
  ~TImgThread();
  TImgThread(const TImgThread&) = delete;
  TImgThread& operator=(const TImgThread&) = delete;

  // Requests the stop and waits until the thread has ended. Called on the
  // UI thread; a hand-off the loader has queued is discarded.
  void Stop();

  const HandOffChannel& channel() const { return *channel_; }

 private:
  void Execute();
  void LoadThumbnails();

  TGetImgForm* chooser_;
  std::shared_ptr<HandOffChannel> channel_;
  std::thread thread_;
};

}  // namespace vistel
