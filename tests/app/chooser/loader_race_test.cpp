// The loader against a changing chooser: stops mid-load, a thousand folder,
// filter and view changes, files that vanish, a folder of 10,000 files, big
// JPEGs stopped mid-decode, a read that never returns. Several decoding
// threads race here, on any machine. Run under ThreadSanitizer as well.
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <set>

#include "chooser/file_mask.h"
#include "chooser/loader_threads.h"
#include "chooser/thumb_maker.h"
#include "chooser/thumb_workers.h"
#include "chooser_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
// The exit test's child ends with the QApplication still up: fontconfig's
// caches, which Qt frees only on its own way down, then count as leaks.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

namespace vistel {
namespace {

using testing_support::ChooserTest;
using testing_support::solidBmp;

// Every thumbnail belongs to a file of the list as it is now, in order, and
// the map agrees with the thumbnails.
void expectConsistentGrid(TGetImgForm* c) {
  const int n = c->FileListBox1->count();
  ASSERT_EQ(static_cast<int>(c->FListToThumb.size()), n);
  int expected = 0;
  for (int i = 0; i < n; ++i) {
    const int t = c->FListToThumb[static_cast<std::size_t>(i)];
    if (t < 0) continue;
    ASSERT_EQ(t, expected++);
    const ThumbControl* th = c->FThumbs[static_cast<std::size_t>(t)];
    ASSERT_NE(th, nullptr);
    EXPECT_EQ(th->HelpContext, i);
    EXPECT_EQ(th->hint().toStdString(), c->FileListBox1->item(i));
  }
  EXPECT_EQ(c->FLastThumb + 1, expected);
  EXPECT_EQ(c->filepanel->controlCount(), static_cast<std::size_t>(expected) + 1);  // + locator
}

// Under a sanitizer every access of ours is checked and several times
// slower; only the real build is held to the stop's time.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
constexpr long long kStopBoundMs = 2000;
// ThreadSanitizer cannot see Qt's lock around a posted hand-off and reports
// it (suppressed, tests/tsan.supp); symbolising the first such report of
// each stack holds the UI thread for a few hundred milliseconds.
constexpr long long kStallBoundMs = 1000;
#else
constexpr bool kSanitized = false;
constexpr long long kStopBoundMs = 100;
constexpr long long kStallBoundMs = 250;
#endif

class LoaderRace : public ChooserTest {
 protected:
  void SetUp() override {
    setenv("VISTEL_THUMBNAIL_WORKERS", "4", 1);
    ChooserTest::SetUp();
    // The sub folder: five small pictures with names of their own.
    for (int i = 0; i < 5; ++i)
      std::ofstream(dir_ + "/sub/s" + std::to_string(i) + ".bmp", std::ios::binary)
          << solidBmp(50, 40, 0x00FF00);
    // Make the main folder big enough that a load is still running when
    // the test acts: 40 copies of a real photo.
    for (int i = 0; i < 30; ++i)
      std::system(("cp '" + dir_ + "/rose.jpg' '" + dir_ + "/r" + std::to_string(10 + i) + ".jpg'")
                      .c_str());
    chooser->FileListBox1->refresh();
  }
  void TearDown() override {
    ChooserTest::TearDown();
    unsetenv("VISTEL_THUMBNAIL_WORKERS");
  }
  // Waits, running the event loop, until the busy cursor of a load is up.
  static bool waitForBusyCursor() {
    QElapsedTimer t;
    t.start();
    while (QApplication::overrideCursor() == nullptr && t.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return QApplication::overrideCursor() != nullptr;
  }
};

// A read that blocks until the test lets it go, as on a dead network mount:
// every picture whose name starts with `prefix` is held.
struct StuckReads {
  std::mutex m;
  std::condition_variable cv;
  bool released = false;
  int held = 0, returned = 0;

  // Held until released, or for `most` at the longest, so that a stop
  // that waits for them fails the test rather than hangs it.
  static std::function<void(const std::string&)> hook(const std::shared_ptr<StuckReads>& s,
                                                      std::chrono::seconds most,
                                                      std::string prefix = "r") {
    return [s, most, prefix](const std::string& path) {
      if (path.compare(path.rfind('/') + 1, prefix.size(), prefix) != 0) return;
      std::unique_lock lock(s->m);
      ++s->held;
      s->cv.notify_all();
      s->cv.wait_for(lock, most, [&] { return s->released; });
      ++s->returned;
      s->cv.notify_all();
    };
  }
  // Runs the event loop (the loader's first step is a hand-off) until n
  // reads are held.
  bool waitHeld(int n) {
    QElapsedTimer t;
    t.start();
    for (;;) {
      {
        std::lock_guard lock(m);
        if (held >= n) return true;
      }
      if (t.elapsed() > 20000) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
  }
  void release() {
    std::unique_lock lock(m);
    released = true;
    cv.notify_all();
    cv.wait_for(lock, std::chrono::seconds(20), [&] { return returned == held; });
  }
};

TEST_F(LoaderRace, FolderChangeMidLoadShowsOnlyTheNewFolder) {
  chooser->DirectoryListBox1Change();
  rightClickList();
  ASSERT_TRUE(chooser->FLoading);
  QElapsedTimer t;
  t.start();
  while (chooser->FLastThumb < 4 && t.elapsed() < 20000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  ASSERT_TRUE(chooser->FLoading) << "the load ended before the change";
  chooser->DirectoryListBox1->setDirectory(dir_ + "/sub");
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(chooser->FLastThumb, 4);
  expectConsistentGrid(chooser);
  for (int i = 0; i <= chooser->FLastThumb; ++i)
    EXPECT_EQ(chooser->FThumbs[static_cast<std::size_t>(i)]->hint()[0], QChar('s'));
}

TEST_F(LoaderRace, AThousandChangesWhileLoading) {
  rightClickList();  // grid view
  for (int i = 0; i < 1000; ++i) {
    switch (i % 5) {
      case 0:
        chooser->DirectoryListBox1->setDirectory(dir_ + "/sub");
        break;
      case 1:
        chooser->DirectoryListBox1->setDirectory(dir_);
        break;
      case 2:
        chooser->Jpg1->setChecked(!chooser->Jpg1->isChecked());
        chooser->Bmp1Click();
        break;
      case 3:
        rightClickPanel();
        break;
      case 4:
        rightClickList();
        break;
    }
    // Let some hand-offs through now and then, so stops meet loaders in
    // every state: decoding, waiting for a hand-off, between files.
    if (i % 3 == 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  chooser->Jpg1->setChecked(true);
  chooser->Bmp1Click();
  if (chooser->listViewShowing()) rightClickList();
  ASSERT_TRUE(waitForLoad(60000));
  expectConsistentGrid(chooser);
  EXPECT_EQ(chooser->FLastThumb + 1, chooser->FileListBox1->count() - 0);
}

TEST_F(LoaderRace, DestroyingTheChooserMidLoadStopsIt) {
  chooser->DirectoryListBox1Change();
  rightClickList();
  ASSERT_TRUE(chooser->FLoading);
  ASSERT_TRUE(waitForBusyCursor());
  delete viewer;  // the teardown stops the loader before anything is freed
  viewer = nullptr;
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(LoaderRace, StoppedLoadTakesTheBusyCursorOff) {
  chooser->DirectoryListBox1Change();
  rightClickList();
  ASSERT_TRUE(waitForBusyCursor());
  rightClickPanel();  // the list view: the load goes on
  ASSERT_TRUE(chooser->FLoading);
  EXPECT_NE(QApplication::overrideCursor(), nullptr);
  // A folder change in the list view stops the load and starts none.
  chooser->DirectoryListBox1->setDirectory(dir_ + "/sub");
  EXPECT_FALSE(chooser->FLoading);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // The next load puts it up again and takes it off at its end, once.
  rightClickList();
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(LoaderRace, ReadThatNeverReturnsIsAbandonedAtTheStop) {
  auto stuck = std::make_shared<StuckReads>();
  chooser->FLoaderReadHook = StuckReads::hook(stuck, std::chrono::seconds(10));
  chooser->DirectoryListBox1Change();
  rightClickList();
  ASSERT_TRUE(stuck->waitHeld(4));  // every decoding thread is held
  chooser->FLoaderReadHook = nullptr;
  const auto start = std::chrono::steady_clock::now();
  chooser->DirectoryListBox1->setDirectory(dir_ + "/sub");  // stops, starts anew
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  EXPECT_GE(ms, TImgThread::kStopWait.count() - 5);  // it did wait for them
  EXPECT_LT(ms, TImgThread::kStopWait.count() + kStopBoundMs);
  ASSERT_TRUE(waitForLoad());  // a fresh loader fills the new folder
  EXPECT_EQ(chooser->FLastThumb, 4);
  expectConsistentGrid(chooser);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // Let go, the abandoned threads end without showing anything.
  stuck->release();
  EXPECT_EQ(stuck->returned, stuck->held);
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  expectConsistentGrid(chooser);
  for (int i = 0; i <= chooser->FLastThumb; ++i)
    EXPECT_EQ(chooser->FThumbs[static_cast<std::size_t>(i)]->hint()[0], QChar('s'));
}

// The system refuses a thread (process or cgroup limits) at each of a
// load's first three starts in turn: no crash and no slot that never runs.
// The load runs on the threads it got, and without its own ends at once;
// the next load starts the threads it lacks.
TEST_F(LoaderRace, RefusedThreadStartsLeaveNoSlotThatNeverRuns) {
  for (int refused : {1, 2, 3}) {
    SCOPED_TRACE(refused);
    int starts = 0;
    chooser->FLoaderThreads = std::make_shared<LoaderThreads>(8, [&](std::function<void()> body) {
      if (++starts == refused) throw std::system_error(EAGAIN, std::generic_category());
      return std::thread(std::move(body));
    });
    for (const bool first : {true, false}) {
      if (!chooser->listViewShowing()) rightClickPanel();
      chooser->DirectoryListBox1->setDirectory(first ? dir_ + "/sub" : dir_);
      rightClickList();
      ASSERT_TRUE(waitForLoad());
      EXPECT_EQ(chooser->FLastThumb + 1,
                first && refused == 1 ? 0 : chooser->FileListBox1->count());
      expectConsistentGrid(chooser);
      EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
  }
}

// Reopening a folder whose reads never return (a dead network mount) gives
// up the threads stuck in them at every stop. No more than twice the
// workers stay given up: past that a load runs fewer threads of its own,
// and at the cap it waits for one to come back, which then runs it.
TEST_F(LoaderRace, GivenUpThreadsAreCapped) {
  auto threads = [] {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line) && line.rfind("Threads:", 0) != 0) {
    }
    return std::stoi(line.substr(8));
  };
  showGridAndLoad();
  const int before = threads();
  auto stuck = std::make_shared<StuckReads>();
  chooser->FLoaderReadHook = StuckReads::hook(stuck, std::chrono::seconds(30));
  int held = 0;
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    chooser->DirectoryListBox1Change();  // the grid shows: stops the load, starts anew
    held += chooser->FLoader->decoders();
    ASSERT_TRUE(stuck->waitHeld(held));  // every decoding thread of the load
    EXPECT_LE(threads(), before + 8);
  }
  EXPECT_EQ(chooser->FLoader->decoders(), 0);
  EXPECT_EQ(chooser->FLoaderThreads->givenUp(), 8);
  chooser->FLoaderReadHook = nullptr;
  stuck->release();
  ASSERT_TRUE(waitForLoad());
  expectConsistentGrid(chooser);
  EXPECT_EQ(chooser->FLastThumb + 1, chooser->FileListBox1->count());
  QElapsedTimer t;
  t.start();  // the others come back and end
  while (chooser->FLoaderThreads->givenUp() > 0 && t.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
  chooser->DirectoryListBox1Change();
  EXPECT_EQ(chooser->FLoader->decoders(), 4);
  ASSERT_TRUE(waitForLoad());
  expectConsistentGrid(chooser);
}

// One whole-picture decode at a time holds across loads: while another
// load's decode holds the buffer (a given-up one; here the test), the new
// load's first worker waits for it at the progressive file, after the
// files before it are made.
TEST_F(LoaderRace, WholePictureHeldElsewhereIsWaitedFor) {
  setenv("VISTEL_NO_THUMBNAIL_CACHE", "1", 1);
  chooser->FLoaderThreads = std::make_shared<LoaderThreads>(8);
  WholePictureToken& token = *chooser->FLoaderThreads->wholePicture();
  const std::atomic<bool> never{false};
  ASSERT_TRUE(token.enter(never));
  chooser->DirectoryListBox1Change();
  rightClickList();
  const int before = indexOf("Lighthouse.Jpg") - 1;
  QElapsedTimer t;
  t.start();
  while ((token.waiting() == 0 || chooser->FLastThumb < before) && t.elapsed() < 20000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
  EXPECT_EQ(token.waiting(), 1);
  EXPECT_EQ(chooser->FLastThumb, before);
  token.leave();
  ASSERT_TRUE(waitForLoad());
  expectConsistentGrid(chooser);
  EXPECT_EQ(chooser->FLastThumb + 1, chooser->FileListBox1->count());
  unsetenv("VISTEL_NO_THUMBNAIL_CACHE");
}

// Thumbnails made ahead under the names the list had at the start are not
// taken for files that have since come to stand at their places: each file
// step reads its name anew, and a thumbnail made for another name is made
// again.
TEST_F(LoaderRace, ThumbnailMadeAheadForAnOldNameIsMadeAgain) {
  auto stuck = std::make_shared<StuckReads>();
  chooser->FLoaderReadHook = StuckReads::hook(stuck, std::chrono::seconds(10), "garden");
  chooser->DirectoryListBox1Change();
  rightClickList();
  ASSERT_TRUE(stuck->waitHeld(1));  // the first file, garden.bmp
  QElapsedTimer t;
  t.start();  // the other threads fill their window past it
  while (chooser->FLoader->busyWorkers() > 1 && t.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
  rightClickPanel();  // the list view: the load goes on
  chooser->Bmp1->setChecked(false);
  chooser->Bmp1Click();  // every file from the first on moves up or away
  ASSERT_TRUE(chooser->FLoading);
  stuck->release();
  ASSERT_TRUE(waitForLoad());
  ASSERT_GE(chooser->FLastThumb, 30);
  for (int i = 0; i <= chooser->FLastThumb; ++i) {
    const ThumbControl* th = chooser->FThumbs[static_cast<std::size_t>(i)];
    const std::string name = th->hint().toStdString();
    SCOPED_TRACE(name);
    // garden.bmp's name may have been read before the change, as its step
    // began: then its thumbnail is garden's.
    if (name != "garden.bmp") {
      EXPECT_EQ(chooser->FileListBox1->item(th->HelpContext), name);
    }
    const Bitmap& pixels = static_cast<const BitmapPicture*>(th->picture())->bitmap();
    const Bitmap full = thumbnailByFullDecode(dir_ + "/" + name, isJpegName(name));
    EXPECT_EQ(std::memcmp(pixels.scanLine(0), full.scanLine(0), 93 * 93 * 4), 0);
  }
}

// Held for ever, abandoned threads neither keep the program from ending
// nor trip over what it frees on the way out.
TEST_F(LoaderRace, ProgramEndsWithAReadStillHeld) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        alarm(10);  // a hang fails as a signal, not as a stuck test run
        chooser->FLoaderReadHook =
            StuckReads::hook(std::make_shared<StuckReads>(), std::chrono::seconds(3600));
        chooser->DirectoryListBox1Change();
        rightClickList();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        delete viewer;
        viewer = nullptr;
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ChooserTest, VanishedAndChangedFilesAreSkipped) {
  // Listed, then gone or turned into something else before the load.
  std::system(("rm '" + dir_ + "/rose.jpg' '" + dir_ + "/garden.bmp'").c_str());
  std::system(("mkfifo '" + dir_ + "/mosaic.bmp.tmp' && mv -f '" + dir_ + "/mosaic.bmp.tmp' '" +
               dir_ + "/mosaic.bmp'")
                  .c_str());
  std::ofstream(dir_ + "/tulips.Bmp", std::ios::trunc) << "cut";
  chooser->DirectoryListBox1Change();
  rightClickList();
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(chooser->FListToThumb[static_cast<std::size_t>(indexOf("rose.jpg"))], -1);
  EXPECT_EQ(chooser->FListToThumb[static_cast<std::size_t>(indexOf("garden.bmp"))], -1);
  EXPECT_EQ(chooser->FListToThumb[static_cast<std::size_t>(indexOf("mosaic.bmp"))], -1);
  EXPECT_EQ(chooser->FListToThumb[static_cast<std::size_t>(indexOf("tulips.Bmp"))], -1);
  EXPECT_EQ(chooser->FLastThumb, 11 - 4 - 1);
  expectConsistentGrid(chooser);
}

TEST_F(ChooserTest, NonUtf8NameLoadsAndShows) {
  const std::string odd = "\xC9t\xE9.bmp";  // Latin-1 bytes
  write(odd, solidBmp(30, 20, 0x123456));
  chooser->FileListBox1->refresh();
  const int i = indexOf(odd);
  ASSERT_GE(i, 0);
  showGridAndLoad();
  EXPECT_GE(chooser->FListToThumb[static_cast<std::size_t>(i)], 0);
  rightClickPanel();
  userSelects(odd);
  EXPECT_EQ(viewer->ImgBottoMov->pictureWidth(), 30);
}

TEST_F(ChooserTest, UnreadableFolderAndSymlinkLoopListNothing) {
  ASSERT_EQ(symlink(".", (dir_ + "/sub/loop").c_str()), 0);
  ASSERT_EQ(symlink("self.bmp", (dir_ + "/sub/self.bmp").c_str()), 0);
  chooser->DirectoryListBox1->setDirectory(dir_ + "/sub");
  EXPECT_EQ(chooser->FileListBox1->count(), 0);
  chooser->DirectoryListBox1->setDirectory(dir_ + "/sub/loop/loop/loop");
  EXPECT_EQ(chooser->FileListBox1->count(), 0);
  chooser->DirectoryListBox1->setDirectory(dir_ + "/does-not-exist");
  EXPECT_EQ(chooser->FileListBox1->count(), 0);
  rightClickList();
  EXPECT_TRUE(waitForLoad());
  EXPECT_EQ(chooser->FLastThumb, -1);
}

TEST_F(ChooserTest, TenThousandFilesKeepTheInterfaceResponsive) {
  const std::string many = dir_ + "/sub";
  for (int i = 0; i < 10000; ++i) {
    std::ofstream f(many + "/f" + std::to_string(100000 + i) + ".bmp", std::ios::binary);
    if (i % 1000 == 0)
      f << solidBmp(4, 4, 0xFF0000);
    else
      f << "no";
  }
  chooser->DirectoryListBox1->setDirectory(many);
  ASSERT_EQ(chooser->FileListBox1->count(), 10000);
  // The longest gap between ticks of a 1 ms timer while the grid fills.
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0, longest = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  tick.start(1);
  rightClickList();
  last = clock.elapsed();
  ASSERT_TRUE(waitForLoad(120000));
  tick.stop();
  EXPECT_EQ(chooser->FLastThumb, 9);
  expectConsistentGrid(chooser);
  EXPECT_LT(longest, kStallBoundMs) << "the event loop stalled; longest hand-off "
                                    << chooser->FLoader->channel().longestRunMicros() << " us";
}

TEST_F(LoaderRace, StopWithEveryThreadInABigJpegIsQuick) {
  // As many decoding threads as the program runs here (more than the cores
  // would measure the scheduler), and 6000 x 4000 JPEGs made with cjpeg
  // from a generated PPM, one for each thread: all baseline, then the first
  // progressive (a progressive file is read whole before its first row).
  unsetenv("VISTEL_THUMBNAIL_WORKERS");
  const int threads = TImgThread::workerCount();
  if (std::system("command -v cjpeg >/dev/null") != 0) GTEST_SKIP() << "no cjpeg";
  const std::string big = dir_ + "/big";
  ASSERT_EQ(mkdir(big.c_str(), 0755), 0);
  {
    std::ofstream f(big + "/p.ppm", std::ios::binary);
    f << "P6\n6000 4000\n255\n";
    std::string row(6000 * 3, '\0');
    for (int y = 0; y < 4000; ++y) {
      for (int x = 0; x < 6000; ++x) {
        row[x * 3] = static_cast<char>(x * 7 + y);
        row[x * 3 + 1] = static_cast<char>(y * 3);
        row[x * 3 + 2] = static_cast<char>((x ^ y) & 0xFF);
      }
      f << row;
    }
  }
  ASSERT_EQ(std::system(("cd '" + big + "' && cjpeg -quality 90 p.ppm > b.jpg && " +
                         "cjpeg -quality 90 -progressive p.ppm > p.jpg")
                            .c_str()),
            0);
  // The bound scales with how busy the machine is now: a stop that waited
  // for the progressive decode would take about as long as making its
  // thumbnail takes here.
  const auto timing = std::chrono::steady_clock::now();
  makeThumbnail(big + "/p.jpg", true);
  const long long wholeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - timing)
                                .count();
  const long long boundMs = std::max(kStopBoundMs, wholeMs / 3);
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "one progressive" : "all baseline");
    // Each round decodes its files: nothing of the round before may come
    // out of the cache (a thumbnail finished as the stop came is kept).
    std::system(("rm -f '" + dir_ + "'/sub/*; rm -rf '" + cacheFolder() + "'").c_str());
    // One file more than threads: a worker that cannot take the progressive
    // file (only the first may hold a whole picture) has a baseline one to
    // make meanwhile instead of idling, so every thread gets to decode.
    for (int k = 0; k <= threads; ++k) {
      const std::string from = big + (progressive && k == 0 ? "/p.jpg" : "/b.jpg");
      ASSERT_EQ(link(from.c_str(), (dir_ + "/sub/big" + std::to_string(k) + ".jpg").c_str()), 0);
    }
    // Each thread is held at its file's first read until all are, then all
    // go into their decodes at once. Watched from here instead, threads
    // whose decodes skip most rows could finish one after the other while
    // this thread painted, and never be seen at work together.
    const auto reads = std::make_shared<StuckReads>();
    chooser->FLoaderReadHook = StuckReads::hook(reads, std::chrono::seconds(60), "big");
    chooser->DirectoryListBox1->setDirectory(dir_ + "/sub");
    rightClickList();
    ASSERT_TRUE(chooser->FLoading);
    ASSERT_TRUE(reads->waitHeld(threads));
    ASSERT_EQ(chooser->FLoader->busyWorkers(), threads);
    ASSERT_EQ(chooser->FLastThumb, -1);
    reads->release();
    const auto start = std::chrono::steady_clock::now();
    // Every thread answered in time, none was abandoned (a sanitizer's
    // checks may hold one up beyond the wait: then it is abandoned).
    const bool answered = chooser->FLoader->Stop();
    EXPECT_TRUE(answered || kSanitized);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_LT(ms, boundMs) << "a thumbnail of the progressive file took " << wholeMs << " ms";
    chooser->DirectoryListBox1->setDirectory(dir_);  // the chooser's own stop, and a new load
    ASSERT_TRUE(waitForLoad(60000));
    expectConsistentGrid(chooser);
    rightClickList();  // back to the list for the next round
  }
}

}  // namespace
}  // namespace vistel
