#include "chooser/thumb_workers.h"

#include <algorithm>

#include "chooser/file_mask.h"
#include "chooser/thumb_maker.h"
#include "pictures/picture.h"

namespace vistel {

bool WholePictureToken::enter(const std::atomic<bool>& stop) {
  std::unique_lock lock(mutex_);
  ++waiting_;
  cv_.wait(lock, [&] { return !held_ || stop.load(); });
  --waiting_;
  if (stop.load()) return false;
  held_ = true;
  return true;
}

void WholePictureToken::leave() {
  {
    std::lock_guard lock(mutex_);
    held_ = false;
  }
  cv_.notify_all();
}

void WholePictureToken::wake() {
  {
    std::lock_guard lock(mutex_);  // no wait is between its check and its sleep
  }
  cv_.notify_all();
}

int WholePictureToken::waiting() const {
  std::lock_guard lock(mutex_);
  return waiting_;
}

bool WholePictureToken::held() const {
  std::lock_guard lock(mutex_);
  return held_;
}

// The whole-picture buffer goes to the first worker only, when no other
// decode of the chooser's holds one; it waits for that.
class ThumbWorkers::Gate : public WholePictureGate {
 public:
  Gate(const ThumbWorkers& w, bool mayHold) : w_(w), mayHold_(mayHold) {}
  bool tryEnter() override {
    WholePictureToken* token = w_.settings_.wholePicture.get();
    entered_ = mayHold_ && (token == nullptr || token->enter(w_.channel_->stopFlag()));
    return entered_;
  }
  void leave() override {
    if (entered_ && w_.settings_.wholePicture) w_.settings_.wholePicture->leave();
    entered_ = false;
  }

 private:
  const ThumbWorkers& w_;
  bool mayHold_;
  bool entered_ = false;
};

ThumbWorkers::ThumbWorkers(std::shared_ptr<HandOffChannel> channel, Settings settings)
    : channel_(std::move(channel)),
      settings_(std::move(settings)),
      // A few files per worker past the one the loader waits for: enough
      // that none idles while the loader hands a thumbnail over.
      window_(4 * std::max(1, settings_.workers)) {}

void ThumbWorkers::expectThreads(int n) {
  std::lock_guard lock(mutex_);
  threads_ += n;
}

void ThumbWorkers::workersStarted(int n) {
  std::lock_guard lock(mutex_);
  settings_.workers = n;
}

int ThumbWorkers::workerCount() const {
  std::lock_guard lock(mutex_);
  return settings_.workers;
}

void ThumbWorkers::threadEnded() {
  {
    std::lock_guard lock(mutex_);
    --threads_;
  }
  threadsCv_.notify_all();
}

bool ThumbWorkers::waitForThreads(std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  return threadsCv_.wait_for(lock, wait, [this] { return threads_ == 0; });
}

void ThumbWorkers::publish(const std::string& folder, std::vector<std::string> paths) {
  std::vector<ThumbDigest> known;
  if (settings_.cache) known = settings_.cache->madeIn(folder);
  {
    std::lock_guard lock(mutex_);
    folder_ = folder;
    known_ = std::move(known);
    jobs_.resize(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) jobs_[i].path = std::move(paths[i]);
  }
  cv_.notify_all();
}

ThumbWorkers::Pick ThumbWorkers::pick(int index) const {
  const int n = static_cast<int>(jobs_.size());
  if (next_ >= n) return {};
  const bool mayHoldWhole = index == 0;
  const int windowEnd = std::min(n, next_ + window_);
  const int lookEnd = std::min(n, next_ + kLookahead);
  auto at = [this](int j) -> const Job& { return jobs_[static_cast<std::size_t>(j)]; };
  auto takeable = [&](int j) {
    return at(j).state == JobState::Pending && (at(j).kind != Kind::Whole || mayHoldWhole);
  };
  // The file the loader waits for.
  if (takeable(next_)) return {next_, false};
  // The first file known to need the whole-picture buffer, unless another
  // load's decode holds it: then the first worker would only wait, while
  // the files before could be made.
  const WholePictureToken* token = settings_.wholePicture.get();
  const bool wholeFree = mayHoldWhole && (token == nullptr || !token->held());
  bool wholeWaiting = false;
  for (int j = next_ + 1; j < lookEnd && !wholeWaiting; ++j) {
    if (at(j).state != JobState::Pending || at(j).kind != Kind::Whole) continue;
    if (wholeFree) return {j, false};
    wholeWaiting = true;
  }
  // With none waiting for the first worker, look for the next one. A single
  // worker has nothing to gain.
  if (!wholeWaiting && settings_.workers > 1) {
    for (int j = windowEnd; j < lookEnd; ++j)
      if (at(j).state == JobState::Pending && at(j).kind == Kind::Unknown) return {j, true};
  }
  for (int j = next_ + 1; j < windowEnd; ++j)
    if (takeable(j)) return {j, false};
  return {};
}

std::optional<Bitmap> ThumbWorkers::fromCache(const ThumbKey& key, const ThumbDigest& digest,
                                              bool pixels) const {
  ThumbCache& cache = *settings_.cache;
  if (!pixels && (cache.has(key) || std::binary_search(known_.begin(), known_.end(), digest)))
    return Bitmap();
  return cache.find(key);
}

Bitmap ThumbWorkers::makeOne(const std::string& path, Gate& gate, bool pixels,
                             std::optional<ThumbDigest>& made) {
  if (settings_.beforeRead) settings_.beforeRead(path);
  const std::atomic<bool>* stop = &channel_->stopFlag();
  if (stop->load()) throw ThumbnailStopped();
  ThumbCache* cache = settings_.cache.get();
  const std::optional<ThumbKey> key = cache != nullptr ? ThumbKey::of(path) : std::nullopt;
  const ThumbDigest digest = key ? thumbDigest(*key) : ThumbDigest{};
  if (key) {
    if (std::optional<Bitmap> hit = fromCache(*key, digest, pixels)) {
      made = digest;
      return std::move(*hit);
    }
  }
  const std::size_t slash = path.rfind('/');
  Bitmap thumb = makeThumbnail(path, isJpegName(path.substr(slash + 1)), stop, &gate);
  // Kept only if the file stayed as it was while it was decoded.
  if (key && ThumbKey::of(path) == key) {
    cache->store(*key, thumb, stop);
    made = digest;
  }
  return thumb;
}

std::optional<Bitmap> ThumbWorkers::scoutOne(const std::string& path, bool& whole, bool pixels,
                                             std::optional<ThumbDigest>& made) {
  if (settings_.beforeRead) settings_.beforeRead(path);
  if (stopping()) throw ThumbnailStopped();
  if (settings_.cache) {
    if (const std::optional<ThumbKey> key = ThumbKey::of(path)) {
      const ThumbDigest digest = thumbDigest(*key);
      if (std::optional<Bitmap> hit = fromCache(*key, digest, pixels)) {
        made = digest;
        return hit;
      }
    }
  }
  const std::size_t slash = path.rfind('/');
  whole = thumbnailNeedsWholePicture(path, isJpegName(path.substr(slash + 1)));
  return std::nullopt;
}

void ThumbWorkers::runWorker(int index) {
  Gate gate(*this, index == 0);
  std::unique_lock lock(mutex_);
  for (;;) {
    Pick p;
    cv_.wait(lock, [&] {
      if (stopping() || finished_) return true;
      p = pick(index);
      return p.job >= 0;
    });
    if (stopping() || finished_ || !work(p, gate, lock)) return;
  }
}

bool ThumbWorkers::work(Pick p, Gate& gate, std::unique_lock<std::mutex>& lock) {
  Job& job = jobs_[static_cast<std::size_t>(p.job)];
  job.state = JobState::Working;
  const int generation = job.generation;
  const std::string path = job.path;
  ++busy_;
  lock.unlock();

  enum { Made, Failed, Deferred, Scouted, Stopped } outcome = Failed;
  Bitmap thumb;
  bool whole = false;
  std::optional<ThumbDigest> digest;
  try {
    const bool pixels = p.job < settings_.pixelFiles;
    if (p.scout) {
      std::optional<Bitmap> hit = scoutOne(path, whole, pixels, digest);
      outcome = hit ? Made : Scouted;
      if (hit) thumb = std::move(*hit);
    } else {
      thumb = makeOne(path, gate, pixels, digest);
      outcome = Made;
    }
  } catch (const ThumbnailStopped&) {
    outcome = Stopped;
  } catch (const ThumbnailDeferred&) {
    outcome = Deferred;
  } catch (...) {
    // Unreadable or undecodable: no thumbnail, and nothing stored.
    outcome = Failed;
  }

  lock.lock();
  --busy_;
  if (outcome == Stopped || stopping()) {
    cv_.notify_all();
    return false;
  }
  if (job.state == JobState::Gone) {
    // The loader passed the file by meanwhile.
  } else if (job.generation != generation) {
    job.state = JobState::Pending;  // renamed meanwhile: made again
    job.kind = Kind::Unknown;
  } else if (outcome == Scouted || outcome == Deferred) {
    job.state = JobState::Pending;
    job.kind = outcome == Deferred || whole ? Kind::Whole : Kind::Plain;
  } else {
    job.state = JobState::Done;
    job.made = outcome == Made;
    job.thumb = std::move(thumb);
    if (job.made && digest) made_.push_back(*digest);
  }
  cv_.notify_all();
  return true;
}

ThumbWorkers::Outcome ThumbWorkers::take(int i, const std::string& path, Bitmap& thumb) {
  std::unique_lock lock(mutex_);
  if (i < 0 || i >= static_cast<int>(jobs_.size())) return Outcome::Failed;
  next_ = i;
  Job& job = jobs_[static_cast<std::size_t>(i)];
  if (job.path != path) {
    job.path = path;
    ++job.generation;
    if (job.state != JobState::Working) job.state = JobState::Pending;
    job.kind = Kind::Unknown;
    job.made = false;
    job.thumb = Bitmap();
  }
  cv_.notify_all();  // the window moved on
  if (settings_.workers == 0) {
    // No worker thread: this one makes the file's thumbnail itself.
    Gate gate(*this, true);
    while (!stopping() && job.state == JobState::Pending)
      if (!work({i, false}, gate, lock)) break;
  }
  cv_.wait(lock, [&] { return stopping() || job.state == JobState::Done; });
  if (stopping()) return Outcome::Stopped;
  job.state = JobState::Gone;
  next_ = i + 1;
  cv_.notify_all();
  if (!job.made) return Outcome::Failed;
  thumb = std::move(job.thumb);
  return Outcome::Made;
}

bool ThumbWorkers::ready(int i, const std::string& path,
                         std::chrono::steady_clock::time_point until) {
  std::unique_lock lock(mutex_);
  if (i < 0 || i >= static_cast<int>(jobs_.size())) return false;
  const Job& job = jobs_[static_cast<std::size_t>(i)];
  if (job.path != path) return false;
  return cv_.wait_until(lock, until, [&] { return stopping() || job.state == JobState::Done; }) &&
         !stopping();
}

void ThumbWorkers::putBack(int i, Outcome outcome, Bitmap thumb) {
  {
    std::lock_guard lock(mutex_);
    if (i < 0 || i >= static_cast<int>(jobs_.size())) return;
    Job& job = jobs_[static_cast<std::size_t>(i)];
    job.state = JobState::Done;
    job.made = outcome == Outcome::Made;
    job.thumb = std::move(thumb);
    next_ = std::min(next_, i);
  }
  cv_.notify_all();
}

void ThumbWorkers::skip(int i) {
  {
    std::lock_guard lock(mutex_);
    if (i >= 0 && i < static_cast<int>(jobs_.size())) {
      Job& job = jobs_[static_cast<std::size_t>(i)];
      job.state = JobState::Gone;
      job.thumb = Bitmap();
    }
    next_ = i + 1;
  }
  cv_.notify_all();
}

void ThumbWorkers::keepMadeList(bool complete) {
  if (!settings_.cache) return;
  MadeList list;
  {
    std::lock_guard lock(mutex_);
    if (folder_.empty()) return;
    list.folder = folder_;
    list.digests = std::move(made_);
    made_.clear();
  }
  if (!complete) list.digests.insert(list.digests.end(), known_.begin(), known_.end());
  std::sort(list.digests.begin(), list.digests.end());
  list.digests.erase(std::unique(list.digests.begin(), list.digests.end()), list.digests.end());
  // Nothing new: the list read at the start is still the folder's.
  if (list.digests == known_) return;
  settings_.cache->storeMadeList(list, &channel_->stopFlag());
}

void ThumbWorkers::finish() {
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  cv_.notify_all();
}

void ThumbWorkers::requestStop() {
  channel_->requestStop();
  {
    std::lock_guard lock(mutex_);  // no thread is between its check and its wait
  }
  cv_.notify_all();
  if (settings_.wholePicture) settings_.wholePicture->wake();
}

int ThumbWorkers::busyWorkers() const {
  std::lock_guard lock(mutex_);
  return busy_;
}

}  // namespace vistel
