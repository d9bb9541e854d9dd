#include "chooser/thumb_workers.h"

#include <algorithm>

#include "chooser/file_mask.h"
#include "chooser/thumb_maker.h"
#include "pictures/picture.h"

namespace vistel {

// The whole-picture buffer, for one job of one worker: held from the moment
// the decode asks for it (or from the start, for a job that was passed by
// for want of it) until the job is over.
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
      // Enough files ahead that a file passed by for want of the whole-picture
      // buffer does not leave a worker idle; each one waiting costs 34 KB.
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

int ThumbWorkers::pickable() const {
  const int end = std::min(static_cast<int>(jobs_.size()), next_ + window_);
  for (int j = next_; j < end; ++j) {
    const JobState s = jobs_[static_cast<std::size_t>(j)].state;
    if (s == JobState::Pending || (s == JobState::NeedsWhole && !wholeBusy_)) return j;
  }
  return -1;
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

void ThumbWorkers::runWorker() {
  std::unique_lock lock(mutex_);
  for (;;) {
    cv_.wait(lock, [this] { return stopping() || finished_ || pickable() >= 0; });
    if (stopping() || finished_) return;
    const auto j = static_cast<std::size_t>(pickable());
    Job& job = jobs_[j];
    Gate gate(*this, job.state == JobState::NeedsWhole);
    if (job.state == JobState::NeedsWhole) wholeBusy_ = true;
    job.state = JobState::Working;
    const int generation = job.generation;
    const std::string path = job.path;
    ++busy_;
    lock.unlock();

    enum { Made, Failed, Deferred, Stopped } outcome = Failed;
    Bitmap thumb;
    try {
      thumb = makeOne(path, gate);
      outcome = Made;
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
    } else if (outcome == Deferred) {
      job.state = JobState::NeedsWhole;
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
