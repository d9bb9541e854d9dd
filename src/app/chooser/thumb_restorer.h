#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "pictures/bitmap.h"

class QObject;

namespace vistel {

// Gets back the pixels of thumbnails the grid let go: from the thumbnail
// cache, where the loader put them, or else by making them again from the
// picture file (the same pixels: making a thumbnail is exact). One thread of
// its own works through the thumbnails wanted, most wanted first; what it
// made comes back on the UI thread, in batches, through the event loop of
// `context`. It never touches a control.
//
// Each round of thumbnails (one fill of the grid) has its number; a new
// round drops what is waiting and stops a make under way, and what was
// made for an earlier round is not delivered.
class ThumbRestorer {
 public:
  struct Request {
    int thumb = -1;
    std::string path;
  };
  // Runs on the UI thread for each thumbnail made; `pixels` is empty when
  // the file can no longer give them (gone, changed into something else).
  using Deliver = std::function<void(int thumb, Bitmap pixels)>;

  ThumbRestorer(QObject* context, Deliver deliver);
  // Stops the make under way and waits for the thread a short while; one
  // that does not come back (a read on a dead network mount) is left to end
  // on its own, and delivers nothing.
  ~ThumbRestorer();
  ThumbRestorer(const ThumbRestorer&) = delete;
  ThumbRestorer& operator=(const ThumbRestorer&) = delete;

  // A new round, with the cache folder the loader of that round uses
  // (empty for none).
  void newRound(const std::string& cacheFolder);
  // The thumbnails wanted now, most wanted first; they replace those still
  // waiting.
  void want(std::vector<Request> requests);
  // Thumbnails waiting or being made.
  bool busy() const;

 private:
  struct State;
  static void run(const std::shared_ptr<State>& state);
  static void drain(const std::shared_ptr<State>& state);

  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace vistel
