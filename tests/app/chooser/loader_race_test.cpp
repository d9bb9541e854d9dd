// The loader against a changing chooser: stops mid-load, a thousand folder,
// filter and view changes, files that vanish, a folder of 10,000 files, a
// big JPEG stopped mid-decode. Run under ThreadSanitizer as well.
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <set>

#include "chooser_fixture.h"

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

class LoaderRace : public ChooserTest {
 protected:
  void SetUp() override {
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
  QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  delete viewer;  // the teardown stops the loader before anything is freed
  viewer = nullptr;
  SUCCEED();
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
  EXPECT_LT(longest, 250) << "the event loop stalled";
}

// Under ThreadSanitizer every access of ours is checked and many times
// slower; only the real build is held to the stop's time.
#if defined(__SANITIZE_THREAD__)
constexpr long long kStopBoundMs = 2000;
#else
constexpr long long kStopBoundMs = 100;
#endif

TEST_F(ChooserTest, StopInTheMiddleOfABigJpegIsQuick) {
  // A 6000 x 4000 JPEG made with cjpeg from a generated PPM, baseline and
  // progressive: the progressive one is read whole before its first row.
  if (std::system("command -v cjpeg >/dev/null") != 0) GTEST_SKIP() << "no cjpeg";
  const std::string ppm = dir_ + "/big.ppm";
  {
    std::ofstream f(ppm, std::ios::binary);
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
  for (const char* kind : {"", "-progressive"}) {
    SCOPED_TRACE(kind);
    std::system(("rm -f '" + dir_ + "'/sub/*").c_str());
    ASSERT_EQ(std::system(("cjpeg -quality 90 " + std::string(kind) + " '" + ppm + "' > '" + dir_ +
                           "/sub/big.jpg'")
                              .c_str()),
              0);
    chooser->DirectoryListBox1->setDirectory(dir_ + "/sub");
    rightClickList();
    ASSERT_TRUE(chooser->FLoading);
    // The loader's first steps are hand-offs to this thread: let them run.
    // The first one puts up the busy cursor, the file name follows at once,
    // and a few milliseconds later the loader is decoding the file.
    QElapsedTimer running;
    running.start();
    while (QApplication::overrideCursor() == nullptr && running.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    const qint64 begun = running.elapsed();
    while (running.elapsed() < begun + 10)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    ASSERT_TRUE(chooser->FLoading);
    ASSERT_EQ(chooser->FLastThumb, -1);
    const auto start = std::chrono::steady_clock::now();
    chooser->DirectoryListBox1->setDirectory(dir_);  // stops it, then starts anew
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_LT(ms, kStopBoundMs);
    ASSERT_TRUE(waitForLoad());
    expectConsistentGrid(chooser);
    rightClickList();  // back to the list for the next round
  }
}

}  // namespace
}  // namespace vistel
