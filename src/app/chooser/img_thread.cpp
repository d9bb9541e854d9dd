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
  if (std::string folder = ThumbCache::folderFromEnvironment(); !folder.empty()) {
    // Its cap holds at every store, this load's entries included: the grid
    // of a folder larger than the cap gets its far thumbnails back from the
    // files when the cache no longer has them.
    settings.cache = std::make_shared<ThumbCache>(std::move(folder));
  }
  settings.beforeRead = chooser->FLoaderReadHook;
  settings.pixelFiles = chooser->LoaderPixelFiles();
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
  bool complete = false;
  try {
    complete = LoadThumbnails(*workers, chooser);
  } catch (...) {
    // A failure ends the load early, with nothing escaping the thread.
  }
  workers->finish();
  try {
    workers->keepMadeList(complete);
  } catch (...) {
    // Out of memory for the list: the next load decodes what it must.
  }
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

bool TImgThread::LoadThumbnails(ThumbWorkers& workers, TGetImgForm* chooser) {
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
  if (begun != Result::Done) return false;
  std::vector<std::string> paths(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < paths.size() && i < names.size(); ++i)
    paths[i] = joinPath(folder, names[i]);
  names.clear();
  workers.publish(folder, std::move(paths));

  // Files go over in runs: one step reads the names of the next files as
  // the list has them now, the run takes the first file's thumbnail and
  // those after it that are made within kRunWait, and one step adds them in
  // file order. A run is one file while the decoding is what takes the
  // time; from the cache, where two steps on the UI thread would cost more
  // than the thumbnail, a run takes up to kRun files. The list may change between
  // the two steps: the first file is added as its step began, as a single
  // file's would be, and from the first file after it whose name the list
  // no longer has there, the run is given back and read anew.
  using Outcome = ThumbWorkers::Outcome;
  struct Taken {
    int i;
    std::string name;
    Outcome made;
    Bitmap thumb;
  };
  std::vector<Taken> run;
  for (int i = 0; i < count;) {
    if (channel.stopRequested()) return false;
    const Result read = channel.call([&] { chooser->LoaderFileNames(i, kRun, folder, names); });
    if (read == Result::Stopped) return false;
    if (read == Result::Failed || names.empty()) {  // the list changed: a failed file
      workers.skip(i++);
      continue;
    }
    run.clear();
    std::chrono::steady_clock::time_point until;
    for (const std::string& name : names) {
      const int file = i + static_cast<int>(run.size());
      const std::string path = joinPath(folder, name);
      if (!run.empty() && !workers.ready(file, path, until)) break;
      Bitmap thumb;
      const Outcome made = workers.take(file, path, thumb);
      if (made == Outcome::Stopped) return false;
      if (run.empty()) until = std::chrono::steady_clock::now() + kRunWait;
      run.push_back({file, name, made, std::move(thumb)});
    }
    // A single failed file needs no step: no thumbnail, its map entry -1.
    std::size_t done = 1;
    if (run.size() > 1 || run.front().made == Outcome::Made) {
      if (channel.stopRequested()) return false;
      done = 0;
      const Result added = channel.call([&] {
        for (Taken& t : run) {
          if (done > 0 && !chooser->LoaderListed(t.i, t.name)) break;
          if (t.made == Outcome::Made) chooser->LoaderAddThumb(t.i, t.name, std::move(t.thumb));
          ++done;
        }
      });
      if (added == Result::Stopped) return false;
      done = std::max<std::size_t>(done, 1);
    }
    for (std::size_t k = done; k < run.size(); ++k)
      workers.putBack(run[k].i, run[k].made, std::move(run[k].thumb));
    i += static_cast<int>(done);
  }
  workers.finish();
  return channel.call([&] { chooser->LoaderEnd(); }) == Result::Done;
}

}  // namespace vistel
