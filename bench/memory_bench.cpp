// Memory of the chooser and the viewer over time, on the offscreen platform
// (bench/README.md says how to build it):
//
//   soak     in one process, LOADS folder loads in the grid view, each
//            followed by SHOWS pictures of the folder chosen one after
//            another and painted in the viewer (200 loads and 1,000
//            pictures by default). Every other load runs without the
//            thumbnail cache, so that it decodes every thumbnail; the others
//            use a cache of the benchmark's own. The resident size is
//            printed after every 100 pictures, and the last figure against
//            the first: memory that leaks, or that the allocator keeps and
//            never reuses, shows as a curve that keeps climbing.
//   sparse   the peak resident size that a grid fill of a folder of sparse
//            files adds: sample pictures, files of nothing but a hole and
//            headers that claim big pictures, each made SPARSE_GIB gibibytes
//            long (4 by default; 0 leaves this part out).
//
//   usage: memory_bench [FOLDER] [LOADS] [SHOWS] [SPARSE_GIB]
// FOLDER defaults to the samples; a few pictures of the photo corpus give
// the figures of big ones. VISTEL_THUMBNAIL_WORKERS sets the number of
// decoding threads as it does for the program.
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "chooser/get_img_form.h"
#include "chooser/img_thread.h"
#include "viewer/form1.h"

namespace {

namespace fs = std::filesystem;
using namespace vistel;
using Clock = std::chrono::steady_clock;

double mibOf(const char* field) {
  std::ifstream f("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(f, line))
    if (line.rfind(key, 0) == 0) return std::atof(line.c_str() + key.size()) / 1024.0;
  return -1;
}

// Resets the peak resident size to the current one.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Runs the event loop as the program does (blocking between events).
void settle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

struct Session {
  TForm1* viewer;
  TGetImgForm* chooser;

  explicit Session(const std::string& folder) {
    if (chdir(folder.c_str()) != 0) {
      std::perror(folder.c_str());
      std::exit(1);
    }
    viewer = new TForm1();
    chooser = viewer->FChooser;
    viewer->SelectImg1Click();  // the chooser on show, as the user sees it
    MouseEvent m;
    m.button = MouseButton::Right;
    chooser->FileListBox1MouseDown(m);  // the grid view: the first load
    waitForLoad();
  }
  ~Session() { delete viewer; }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void waitForLoad() {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!chooser->FLoading) loop.quit();
    });
    poll.start(2);
    if (chooser->FLoading) loop.exec();
  }
  // The folder loaded anew in the grid view, as a change of folder does.
  void load() {
    chooser->DirectoryListBox1Change();
    waitForLoad();
  }
  // File i of the list chosen, and painted in the viewer (which decodes it).
  void show(int i) {
    chooser->FileListBox1->setCurrentRow(i);
    viewer->repaint();
  }
};

void soak(const std::string& folder, int loads, int shows) {
  const std::string cacheHome = std::getenv("XDG_CACHE_HOME");
  Session s(folder);
  const int files = s.chooser->FileListBox1->count();
  if (files == 0) {
    std::printf("soak: no pictures in %s\n", folder.c_str());
    return;
  }
  std::printf("soak: %s, %d files, %d decoding threads, %d loads, %d pictures each\n",
              folder.c_str(), files, TImgThread::workerCount(), loads, shows);
  std::printf("  resident after start and the first load: %.1f MiB\n", mibOf("VmRSS"));
  const auto start = Clock::now();
  int shown = 0;
  double first = 0, last = 0, highest = 0;
  for (int l = 1; l <= loads; ++l) {
    if (l % 2 == 1) {
      setenv("VISTEL_NO_THUMBNAIL_CACHE", "1", 1);
    } else {
      unsetenv("VISTEL_NO_THUMBNAIL_CACHE");
    }
    s.load();
    for (int k = 0; k < shows; ++k) {
      s.show(shown % files);
      if (++shown % 100 != 0) continue;
      settle(20);  // the loader's threads hand their memory back after a load
      last = mibOf("VmRSS");
      if (first == 0) first = last;
      highest = std::max(highest, last);
      std::printf("  %5d pictures, %4d loads: resident %7.1f MiB (%+.1f %%), %.0f s\n", shown, l,
                  last, (last / first - 1) * 100,
                  std::chrono::duration<double>(Clock::now() - start).count());
      std::fflush(stdout);
    }
  }
  unsetenv("VISTEL_NO_THUMBNAIL_CACHE");
  std::printf("  last against the first 100 pictures: %+.1f %% (highest %+.1f %%)\n",
              (last / first - 1) * 100, (highest / first - 1) * 100);
  fs::remove_all(cacheHome + "/vistel");
}

// A 24-bit BMP header that claims w by h pixels.
std::string bmpHeader(int w, int h) {
  std::string b(54, '\0');
  auto put32 = [&](int at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
  b[0] = 'B';
  b[1] = 'M';
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(w));
  put32(22, static_cast<std::uint32_t>(h));
  b[26] = 1;
  b[28] = 24;
  return b;
}

// The same JPEG with the frame header's size set to w by h.
std::string claimSize(std::string jpeg, int w, int h) {
  for (std::size_t at = 2; at + 9 < jpeg.size();) {
    const auto marker = static_cast<unsigned char>(jpeg[at + 1]);
    if (marker >= 0xC0 && marker <= 0xC2) {
      jpeg[at + 5] = static_cast<char>(h >> 8);
      jpeg[at + 6] = static_cast<char>(h);
      jpeg[at + 7] = static_cast<char>(w >> 8);
      jpeg[at + 8] = static_cast<char>(w);
      break;
    }
    at += 2 + (static_cast<unsigned char>(jpeg[at + 2]) << 8 |
               static_cast<unsigned char>(jpeg[at + 3]));
  }
  return jpeg;
}

void sparse(int gib) {
  const std::string dir = "/tmp/vistel-bench-sparse";
  fs::remove_all(dir);
  fs::create_directories(dir);
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
  };
  auto sample = [](const std::string& name) {
    std::ifstream in(std::string(VISTEL_SAMPLES) + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  };
  for (const char* name : {"rose.jpg", "Meadow.JPG", "Lighthouse.Jpg", "misty_lake.jpg",
                           "garden.bmp", "tulips.Bmp", "Stained_Glass.BMP", "sunset_bands.bmp"})
    write(std::string("s_") + name, sample(name));
  for (int k = 0; k < 4; ++k) write("hole" + std::to_string(k) + ".jpg", "");
  write("hole.bmp", "");
  write("wide.bmp", bmpHeader(16000, 16000));
  write("claim.jpg", claimSize(sample("rose.jpg"), 16000, 16000));
  for (const auto& e : fs::directory_iterator(dir))
    fs::resize_file(e.path(), static_cast<std::uintmax_t>(gib) << 30);
  setenv("VISTEL_NO_THUMBNAIL_CACHE", "1", 1);
  {
    Session s(dir);  // the first load, with everything it makes once
    for (int round = 0; round < 3; ++round) {
      resetPeak();
      const double before = mibOf("VmHWM");
      const auto start = Clock::now();
      s.load();
      std::printf(
          "sparse: %d files of %d GiB, %d decoding threads: %d thumbnails, peak %+.1f MiB "
          "over the %.1f MiB before the fill, %.1f s\n",
          s.chooser->FileListBox1->count(), gib, TImgThread::workerCount(),
          s.chooser->FLastThumb + 1, mibOf("VmHWM") - before, before,
          std::chrono::duration<double>(Clock::now() - start).count());
    }
  }
  unsetenv("VISTEL_NO_THUMBNAIL_CACHE");
  fs::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const std::string folder = argc > 1 ? fs::absolute(argv[1]).string() : VISTEL_SAMPLES;
  const int loads = argc > 2 ? std::atoi(argv[2]) : 200;
  const int shows = argc > 3 ? std::atoi(argv[3]) : 5;
  const int gib = argc > 4 ? std::atoi(argv[4]) : 4;
  char cacheTmpl[] = "/tmp/vistel-bench-cache-XXXXXX";
  if (mkdtemp(cacheTmpl) == nullptr) return 1;
  setenv("XDG_CACHE_HOME", cacheTmpl, 1);
  unsetenv("VISTEL_NO_THUMBNAIL_CACHE");
  if (loads > 0) soak(folder, loads, shows);
  if (gib > 0) sparse(gib);
  fs::remove_all(cacheTmpl);
  return 0;
}
