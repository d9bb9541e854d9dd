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
  ThumbWorkers::Settings settings;
  settings.workers = workerCount();
  // Looked up at every start, so that a change of the environment counts.
  if (std::string folder = ThumbCache::folderFromEnvironment(); !folder.empty())
    settings.cache = std::make_shared<ThumbCache>(std::move(folder));
  settings.beforeRead = chooser->FLoaderReadHook;
  workers_ = std::make_shared<ThumbWorkers>(channel_, std::move(settings));

  const int workerThreads = workers_->workerCount();
  workers_->expectThreads(workerThreads + 1);
  // Each task gets its own share of the load's state and nothing else.
  threads_->run(0, [w = workers_, chooser] { Execute(w, chooser); });
  for (int k = 0; k < workerThreads; ++k) {
    threads_->run(static_cast<std::size_t>(k) + 1, [w = workers_, k] {
      w->runWorker(k);
      w->threadEnded();
    });
  }
}

TImgThread::~TImgThread() { Stop(); }

bool TImgThread::Stop() {
  workers_->requestStop();
  if (stopped_) return answered_;
  stopped_ = true;
  answered_ = workers_->waitForThreads(kStopWait);
  // Left to end on their own, whenever their reads return.
  if (!answered_) threads_->abandonBusy();
  return answered_;
}

int TImgThread::busyWorkers() const { return workers_->busyWorkers(); }

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
