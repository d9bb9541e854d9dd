#include "chooser/thumb_workers.h"

#include <algorithm>

#include "chooser/file_mask.h"
#include "chooser/thumb_maker.h"
#include "pictures/picture.h"

namespace vistel {

// The whole-picture buffer, for one job of one worker: held from the moment
// the decode asks for it (or from the start, for a file known to need it)
// until the job is over.
class ThumbWorkers::Gate : public WholePictureGate {
 public:
  Gate(ThumbWorkers& owner, bool held) : owner_(owner), held_(held) {}
  bool tryEnter() override {
    if (held_) return true;
    std::lock_guard lock(owner_.mutex_);
    if (owner_.wholeBusy_) return false;
    owner_.wholeBusy_ = true;
    held_ = true;
    return true;
  }
  // Under mutex_.
  void release() {
    if (held_) owner_.wholeBusy_ = false;
    held_ = false;
  }

 private:
  ThumbWorkers& owner_;
  bool held_;
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

void ThumbWorkers::publish(std::vector<std::string> paths) {
  {
    std::lock_guard lock(mutex_);
    jobs_.resize(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) jobs_[i].path = std::move(paths[i]);
  }
  cv_.notify_all();
}

ThumbWorkers::Pick ThumbWorkers::pick() const {
  const int n = static_cast<int>(jobs_.size());
  if (next_ >= n) return {};
  const int windowEnd = std::min(n, next_ + window_);
  const int lookEnd = std::min(n, next_ + kLookahead);
  auto takeable = [this](const Job& j) {
    return j.state == JobState::Pending && (j.kind != Kind::Whole || !wholeBusy_);
  };
  auto at = [this](int j) -> const Job& { return jobs_[static_cast<std::size_t>(j)]; };
  // The file the loader waits for.
  if (takeable(at(next_))) return {next_, at(next_).kind == Kind::Whole, false};
  // The first file known to need the whole-picture buffer, while it is free.
  bool wholeWaiting = false;
  for (int j = next_ + 1; j < lookEnd && !wholeWaiting; ++j) {
    if (at(j).state != JobState::Pending || at(j).kind != Kind::Whole) continue;
    if (!wholeBusy_) return {j, true, false};
    wholeWaiting = true;
  }
  // With none waiting for it, look for the next one. A single worker has
  // the buffer to itself and nothing to gain.
  if (!wholeWaiting && settings_.workers > 1) {
    for (int j = windowEnd; j < lookEnd; ++j)
      if (at(j).state == JobState::Pending && at(j).kind == Kind::Unknown) return {j, false, true};
  }
  for (int j = next_ + 1; j < windowEnd; ++j)
    if (takeable(at(j))) return {j, at(j).kind == Kind::Whole, false};
  return {};
}

Bitmap ThumbWorkers::makeOne(const std::string& path, Gate& gate) {
  if (settings_.beforeRead) settings_.beforeRead(path);
  const std::atomic<bool>* stop = &channel_->stopFlag();
  if (stop->load()) throw ThumbnailStopped();
  ThumbCache* cache = settings_.cache.get();
  const std::optional<ThumbKey> key = cache != nullptr ? ThumbKey::of(path) : std::nullopt;
  if (key) {
    if (std::optional<Bitmap> hit = cache->find(*key)) return std::move(*hit);
  }
  const std::size_t slash = path.rfind('/');
  Bitmap thumb = makeThumbnail(path, isJpegName(path.substr(slash + 1)), stop, &gate);
  // Kept only if the file stayed as it was while it was decoded.
  if (key && ThumbKey::of(path) == key) {
    cache->store(*key, thumb);
    std::lock_guard lock(mutex_);
    storedAny_ = true;
  }
  return thumb;
}

std::optional<Bitmap> ThumbWorkers::scoutOne(const std::string& path, bool& whole) {
  if (settings_.beforeRead) settings_.beforeRead(path);
  if (stopping()) throw ThumbnailStopped();
  if (ThumbCache* cache = settings_.cache.get()) {
    if (const std::optional<ThumbKey> key = ThumbKey::of(path))
      if (std::optional<Bitmap> hit = cache->find(*key)) return hit;
  }
  const std::size_t slash = path.rfind('/');
  whole = thumbnailNeedsWholePicture(path, isJpegName(path.substr(slash + 1)));
  return std::nullopt;
}

void ThumbWorkers::runWorker() {
  std::unique_lock lock(mutex_);
  for (;;) {
    Pick p;
    cv_.wait(lock, [&] {
      if (stopping() || finished_) return true;
      p = pick();
      return p.job >= 0;
    });
    if (stopping() || finished_) return;
    Job& job = jobs_[static_cast<std::size_t>(p.job)];
    Gate gate(*this, p.withGate);
    if (p.withGate) wholeBusy_ = true;
    job.state = JobState::Working;
    const int generation = job.generation;
    const std::string path = job.path;
    ++busy_;
    lock.unlock();

    enum { Made, Failed, Deferred, Scouted, Stopped } outcome = Failed;
    Bitmap thumb;
    bool whole = false;
    try {
      if (p.scout) {
        std::optional<Bitmap> hit = scoutOne(path, whole);
        outcome = hit ? Made : Scouted;
        if (hit) thumb = std::move(*hit);
      } else {
        thumb = makeOne(path, gate);
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
    gate.release();
    if (outcome == Stopped || stopping()) {
      cv_.notify_all();
      return;
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
    }
    cv_.notify_all();
  }
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
  cv_.wait(lock, [&] { return stopping() || job.state == JobState::Done; });
  if (stopping()) return Outcome::Stopped;
  job.state = JobState::Gone;
  next_ = i + 1;
  cv_.notify_all();
  if (!job.made) return Outcome::Failed;
  thumb = std::move(job.thumb);
  return Outcome::Made;
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
}

bool ThumbWorkers::storedAny() const {
  std::lock_guard lock(mutex_);
  return storedAny_;
}

int ThumbWorkers::busyWorkers() const {
  std::lock_guard lock(mutex_);
  return busy_;
}

}  // namespace vistel
