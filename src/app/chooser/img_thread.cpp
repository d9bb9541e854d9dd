#include "chooser/img_thread.h"

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "chooser/file_mask.h"
#include "chooser/folder_listing.h"
#include "chooser/get_img_form.h"
#include "chooser/loader_threads.h"
#include "chooser/thumb_cache.h"
#include "chooser/thumb_workers.h"

namespace vistel {

int TImgThread::workerCount() {
  if (const char* forced = std::getenv("VISTEL_THUMBNAIL_WORKERS")) {
    const int n = std::atoi(forced);
    if (n > 0) return std::min(n, 64);
  }
  const auto cores = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(cores, 1, 8);
}

TImgThread::TImgThread(TGetImgForm* chooser, std::shared_ptr<LoaderThreads> threads)
    : channel_(HandOffChannel::create(chooser)), threads_(std::move(threads)) {
  // Fewer threads while given-up ones are not back: the loader's own, and
  // workers as the room allows.
  const int room = threads_->room(workerCount() + 1);
  ThumbWorkers::Settings settings;
  settings.workers = std::max(room - 1, 0);
  // Looked up at every start, so that a change of the environment counts.
  if (std::string folder = ThumbCache::folderFromEnvironment(); !folder.empty())
    settings.cache = std::make_shared<ThumbCache>(std::move(folder));
  settings.beforeRead = chooser->FLoaderReadHook;
  settings.wholePicture = threads_->wholePicture();
  workers_ = std::make_shared<ThumbWorkers>(channel_, settings);

  // Each task gets its own share of the load's state and nothing else.
  // Every thread is counted before it starts, and uncounted when the
  // system refuses it: waitForThreads never waits for one that never runs.
  workers_->expectThreads(1);
  const LoaderThreads::Start first = threads_->runFirst(
      0, [w = workers_, chooser] { Execute(w, chooser); }, workers_.get());
  if (first == LoaderThreads::Start::Refused) {
    workers_->threadEnded();
    started_ = false;
    return;
  }
  int workers = 0;
  while (first == LoaderThreads::Start::Now && workers < settings.workers) {
    workers_->expectThreads(1);
    const bool started =
        threads_->run(static_cast<std::size_t>(workers) + 1, [w = workers_, k = workers] {
          w->runWorker(k);
          w->threadEnded();
        });
    if (!started) {
      workers_->threadEnded();
      break;
    }
    ++workers;
  }
  workers_->workersStarted(workers);
}

TImgThread::~TImgThread() { Stop(); }

bool TImgThread::Stop() {
  workers_->requestStop();
  if (stopped_) return answered_;
  stopped_ = true;
  // A load still waiting for a thread never runs.
  if (threads_->dropWaiting(workers_.get())) workers_->threadEnded();
  answered_ = workers_->waitForThreads(kStopWait);
  // Left to end on their own, whenever their reads return.
  if (!answered_) threads_->abandonBusy();
  return answered_;
}

int TImgThread::busyWorkers() const { return workers_->busyWorkers(); }
int TImgThread::decoders() const {
  if (!started_ || threads_->waiting(workers_.get())) return 0;
  return std::max(workers_->workerCount(), 1);
}

void TImgThread::Execute(const std::shared_ptr<ThumbWorkers>& workers, TGetImgForm* chooser) {
  try {
    LoadThumbnails(*workers, chooser);
  } catch (...) {
    // A failure ends the load early, with nothing escaping the thread.
  }
  workers->finish();
  workers->threadEnded();
#if defined(__GLIBC__)
  // The pictures this load decoded were freed into the workers' allocator
  // arenas, which keep free memory resident until it is handed back; the
  // arena that holds a progressive picture's coefficients would keep tens
  // of megabytes, and each worker's arena its share. Handed back here,
  // after the load's part is over (a stop does not wait for it), before
  // this thread takes the next load.
  malloc_trim(0);
#endif
}

void TImgThread::LoadThumbnails(ThumbWorkers& workers, TGetImgForm* chooser) {
  using Result = HandOffChannel::Result;
  HandOffChannel& channel = workers.channel();
  int count = 0;
  // The names of the whole list, read with the first step, let the workers
  // start on the files while each file's own step below still reads the
  // name the list has then.
  std::string folder;
  std::vector<std::string> names;
  const Result begun = channel.call([&] {
    chooser->LoaderBegin(count);
    chooser->LoaderFileNames(folder, names);
  });
  if (begun != Result::Done) return;
  std::vector<std::string> paths(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < paths.size() && i < names.size(); ++i)
    paths[i] = joinPath(folder, names[i]);
  names.clear();
  workers.publish(std::move(paths));

  for (int i = 0; i < count; ++i) {
    if (channel.stopRequested()) return;
    std::string name;
    bool listed = false;
    const Result read = channel.call([&] { listed = chooser->LoaderFileName(i, folder, name); });
    if (read == Result::Stopped) return;
    if (read == Result::Failed || !listed) {  // the list changed: a failed file
      workers.skip(i);
      continue;
    }
    Bitmap thumb;
    const ThumbWorkers::Outcome made = workers.take(i, joinPath(folder, name), thumb);
    if (made == ThumbWorkers::Outcome::Stopped) return;
    if (made == ThumbWorkers::Outcome::Failed) continue;  // no thumbnail, map entry -1
    if (channel.stopRequested()) return;
    const Result added = channel.call([&] { chooser->LoaderAddThumb(i, name, std::move(thumb)); });
    if (added == Result::Stopped) return;
  }
  workers.finish();
  channel.call([&] { chooser->LoaderEnd(); });
}

}  // namespace vistel
