#include "chooser/thumb_restorer.h"

#include <QMetaObject>
#include <QObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "chooser/file_mask.h"
#include "chooser/thumb_cache.h"
#include "chooser/thumb_maker.h"

namespace vistel {

namespace {

// How long the chooser's end waits for a make under way; a healthy one
// answers its stop within a row of blocks.
constexpr std::chrono::milliseconds kEndWait{100};

// The thumbnail of `path` as the loader made it: the cache's entry while
// the file is as it was, else made anew (and put back into the cache).
Bitmap restoreOne(const std::string& path, ThumbCache* cache, const std::atomic<bool>* stop) {
  const std::optional<ThumbKey> key = cache != nullptr ? ThumbKey::of(path) : std::nullopt;
  if (key) {
    if (std::optional<Bitmap> hit = cache->find(*key)) return std::move(*hit);
  }
  Bitmap thumb = makeThumbnail(path, isJpegName(path.substr(path.rfind('/') + 1)), stop);
  if (key && ThumbKey::of(path) == key) cache->store(*key, thumb, stop);
  return thumb;
}

}  // namespace

struct ThumbRestorer::State {
  struct Made {
    std::uint64_t round;
    int thumb;
    Bitmap pixels;
  };

  std::mutex mutex;
  std::condition_variable cv;
  // Posted to only under the mutex and until quit: the chooser sets quit
  // before it goes.
  QObject* context = nullptr;
  // Called on the UI thread only.
  Deliver deliver;
  std::uint64_t round = 0;
  std::shared_ptr<ThumbCache> cache;
  std::deque<Request> queue;
  std::vector<Made> made;
  bool drainPosted = false;
  bool working = false;
  bool quit = false;
  bool ended = false;
  // Stops the make under way; raised by a new round and at the end.
  std::atomic<bool> stopMake{false};
};

ThumbRestorer::ThumbRestorer(QObject* context, Deliver deliver)
    : state_(std::make_shared<State>()) {
  state_->context = context;
  state_->deliver = std::move(deliver);
}

ThumbRestorer::~ThumbRestorer() {
  {
    std::lock_guard lock(state_->mutex);
    state_->quit = true;
    state_->queue.clear();
    state_->stopMake.store(true);
  }
  state_->cv.notify_all();
  if (!thread_.joinable()) return;
  bool ended = false;
  {
    std::unique_lock lock(state_->mutex);
    ended = state_->cv.wait_for(lock, kEndWait, [this] { return state_->ended; });
  }
  if (ended) {
    thread_.join();
  } else {
    thread_.detach();  // holds its own share of the state, and posts nothing more
  }
}

void ThumbRestorer::newRound(const std::string& cacheFolder) {
  std::lock_guard lock(state_->mutex);
  ++state_->round;
  state_->queue.clear();
  state_->made.clear();
  state_->stopMake.store(true);
  // Its stores trim as the loader's do.
  state_->cache = cacheFolder.empty() ? nullptr : std::make_shared<ThumbCache>(cacheFolder);
}

void ThumbRestorer::want(std::vector<Request> requests) {
  {
    std::lock_guard lock(state_->mutex);
    state_->queue.assign(std::make_move_iterator(requests.begin()),
                         std::make_move_iterator(requests.end()));
    if (state_->queue.empty()) return;
  }
  if (!thread_.joinable()) thread_ = std::thread([s = state_] { run(s); });
  state_->cv.notify_all();
}

bool ThumbRestorer::busy() const {
  std::lock_guard lock(state_->mutex);
  return state_->working || !state_->queue.empty() || !state_->made.empty();
}

void ThumbRestorer::run(const std::shared_ptr<State>& s) {
  std::unique_lock lock(s->mutex);
  for (;;) {
    s->cv.wait(lock, [&] { return s->quit || !s->queue.empty(); });
    if (s->quit) break;
    const Request request = std::move(s->queue.front());
    s->queue.pop_front();
    const std::uint64_t round = s->round;
    const std::shared_ptr<ThumbCache> cache = s->cache;
    s->stopMake.store(false);
    s->working = true;
    lock.unlock();

    Bitmap pixels;
    bool stopped = false;
    try {
      pixels = restoreOne(request.path, cache.get(), &s->stopMake);
    } catch (const ThumbnailStopped&) {
      stopped = true;
    } catch (...) {
      // Gone or no longer readable: delivered empty, so that it is not
      // asked for again.
    }

    lock.lock();
    s->working = false;
    if (s->quit) break;
    if (stopped || round != s->round) continue;
    s->made.push_back({round, request.thumb, std::move(pixels)});
    if (!s->drainPosted) {
      s->drainPosted = true;
      QMetaObject::invokeMethod(
          s->context, [s] { drain(s); }, Qt::QueuedConnection);
    }
  }
  s->ended = true;
  lock.unlock();
  s->cv.notify_all();
}

void ThumbRestorer::drain(const std::shared_ptr<State>& s) {
  std::vector<State::Made> batch;
  {
    std::lock_guard lock(s->mutex);
    if (s->quit) return;
    batch.swap(s->made);
    s->drainPosted = false;
    std::erase_if(batch, [&](const State::Made& m) { return m.round != s->round; });
  }
  for (State::Made& m : batch) s->deliver(m.thumb, std::move(m.pixels));
}

}  // namespace vistel
