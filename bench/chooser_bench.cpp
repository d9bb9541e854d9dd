// The chooser on the photo corpus (bench/README.md says how to build it),
// on the offscreen platform:
//
//   grid fill   the loader filling the grid for the whole folder, first
//               with an empty thumbnail cache, then again with the cache it
//               filled, each against djpeg decoding the folder's JPEGs one
//               by one to /dev/null in the same round; the longest hand-off
//               the loader ran on the UI thread, the longest gap between
//               1 ms timer ticks there, and the peak resident memory while
//               filling;
//   stop        stopping a load while every decoding thread is in the
//               middle of a 50-megapixel JPEG (all baseline, and one of them
//               progressive), at several points of the decodes;
//   show        choosing a 12-megapixel JPEG in the list until the viewer
//               has painted it, against djpeg for the same file.
//
//   usage: chooser_bench [CORPUS_FOLDER] [ROUNDS]
// Medians are printed; each line says what it compares. The thumbnail cache
// lives in a scratch folder of its own; VISTEL_THUMBNAIL_WORKERS sets the
// number of decoding threads as it does for the program.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "chooser/get_img_form.h"
#include "chooser/img_thread.h"
#include "viewer/form1.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace vistel;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0 : (n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

// Runs djpeg on `file` with its output to /dev/null; wall milliseconds.
double djpeg(const std::string& file) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const char* argv[] = {"djpeg", file.c_str(), nullptr};
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "djpeg", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
    std::fprintf(stderr, "cannot run djpeg\n");
    std::exit(1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return msSince(start);
}

long statusKb(const char* field) {
  std::ifstream f("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(f, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + key.size());
  return -1;
}

// Resets the peak resident size to the current one.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

struct Chooser {
  TForm1* viewer;
  TGetImgForm* chooser;

  explicit Chooser(const std::string& folder) {
    if (chdir(folder.c_str()) != 0) {
      std::perror(folder.c_str());
      std::exit(1);
    }
    viewer = new TForm1();
    chooser = viewer->FChooser;
    viewer->SelectImg1Click();  // the chooser on show, as the user sees it
    settle(200);
  }
  ~Chooser() { delete viewer; }

  // Runs the event loop as the program does (blocking between events, not
  // spinning beside the loader) for `ms`.
  static void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
  }
  // Runs the event loop until the load has ended.
  void waitForLoad() {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!chooser->FLoading) loop.quit();
    });
    poll.start(2);
    if (chooser->FLoading) loop.exec();
  }

  void toGrid() {
    MouseEvent m;
    m.button = MouseButton::Right;
    chooser->FileListBox1MouseDown(m);
  }

  // One fill of the grid from scratch; the longest gap between timer ticks
  // in `gapMs`.
  double fill(double& gapMs) {
    QTimer tick;
    tick.setInterval(1);
    Clock::time_point last = Clock::now();
    gapMs = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
      gapMs = std::max(gapMs, msSince(last));
      last = Clock::now();
    });
    const auto start = Clock::now();
    tick.start();
    last = Clock::now();
    chooser->DirectoryListBox1Change();  // grid showing: starts the load
    waitForLoad();
    const double ms = msSince(start);
    tick.stop();
    return ms;
  }
};

struct FillFigures {
  std::vector<double> ms, ratios, gaps, handoffs, peaks;
  void add(Chooser& c, double fillMs, double djpegMs, double gap) {
    peaks.push_back(static_cast<double>(statusKb("VmHWM")) / 1024.0);
    handoffs.push_back(static_cast<double>(c.chooser->FLoader->channel().longestRunMicros()) /
                       1000.0);
    ms.push_back(fillMs);
    ratios.push_back(fillMs / djpegMs);
    gaps.push_back(gap);
  }
  void print(const char* what) const {
    auto max = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); };
    std::printf("%s: fill median %.0f ms; fill / djpeg median %.3f (max %.3f)\n", what, median(ms),
                median(ratios), max(ratios));
    std::printf("  longest hand-off on the UI thread: median %.2f ms (max %.2f)\n",
                median(handoffs), max(handoffs));
    std::printf("  longest gap between 1 ms ticks: median %.2f ms (max %.2f)\n", median(gaps),
                max(gaps));
    std::printf("  peak resident while filling: median %.1f MiB (max %.1f)\n", median(peaks),
                max(peaks));
  }
};

void benchFill(const std::string& folder, const std::string& cacheHome, int rounds) {
  std::vector<std::string> jpegs;
  int files = 0;
  for (const auto& e : fs::directory_iterator(folder)) {
    ++files;
    if (e.path().extension() == ".jpg") jpegs.push_back(e.path().string());
  }
  std::sort(jpegs.begin(), jpegs.end());

  Chooser c(folder);
  const long startRss = statusKb("VmRSS");
  c.toGrid();
  c.waitForLoad();
  std::printf("decoding threads: %d\n", TImgThread::workerCount());
  FillFigures cold, warm;
  std::vector<double> djpegs;
  for (int r = 0; r < rounds; ++r) {
    double d = 0;
    for (const std::string& f : jpegs) d += djpeg(f);
    djpegs.push_back(d);
    fs::remove_all(cacheHome);  // an empty cache: every thumbnail decoded
    resetPeak();
    double coldGap = 0;
    const double coldMs = c.fill(coldGap);
    cold.add(c, coldMs, d, coldGap);
    resetPeak();
    double warmGap = 0;
    const double warmMs = c.fill(warmGap);  // the cache the first fill left
    warm.add(c, warmMs, d, warmGap);
    std::printf(
        "round %d: djpeg %zu JPEGs %.0f ms; first fill %.0f ms (%d thumbnails, ratio %.3f, "
        "gap %.1f ms, peak %.0f MiB); second fill %.1f ms (ratio %.4f, gap %.1f ms, peak %.0f "
        "MiB)\n",
        r + 1, jpegs.size(), d, coldMs, c.chooser->FLastThumb + 1, coldMs / d, coldGap,
        cold.peaks.back(), warmMs, warmMs / d, warmGap, warm.peaks.back());
  }
  std::printf("%d files; djpeg, %zu JPEGs: median %.0f ms\n", files, jpegs.size(), median(djpegs));
  std::printf("resident before the first fill %.1f MiB\n", static_cast<double>(startRss) / 1024.0);
  cold.print("first fill (empty cache)");
  warm.print("second fill (cache warm)");
}

// A 50-megapixel JPEG of busy content, made with cjpeg.
std::string bigJpeg(const std::string& dir, bool progressive) {
  const std::string ppm = dir + "/big.ppm";
  if (!fs::exists(ppm)) {
    std::ofstream f(ppm, std::ios::binary);
    const int w = 8660, h = 5774;
    f << "P6\n" << w << " " << h << "\n255\n";
    std::string row(static_cast<std::size_t>(w) * 3, '\0');
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        row[x * 3] = static_cast<char>(x * 7 + y);
        row[x * 3 + 1] = static_cast<char>(y * 3 + (x >> 4));
        row[x * 3 + 2] = static_cast<char>((x ^ y) & 0xFF);
      }
      f << row;
    }
  }
  const std::string sub = dir + (progressive ? "/progressive" : "/baseline");
  fs::create_directories(sub);
  const std::string jpg = sub + "/big.jpg";
  const std::string cmd = std::string("cjpeg -quality 90 ") + (progressive ? "-progressive " : "") +
                          "'" + ppm + "' > '" + jpg + "'";
  if (!fs::exists(jpg) && std::system(cmd.c_str()) != 0) {
    std::fprintf(stderr, "cjpeg failed\n");
    std::exit(1);
  }
  return sub;
}

void benchStop(int rounds) {
  const std::string dir = "/tmp/vistel-bench-stop";
  fs::create_directories(dir);
  // Every load here must decode: the stop is what is measured.
  setenv("VISTEL_NO_THUMBNAIL_CACHE", "1", 1);
  const int workers = TImgThread::workerCount();
  const std::string baseline = bigJpeg(dir, false) + "/big.jpg";
  const std::string progressive = bigJpeg(dir, true) + "/big.jpg";
  Chooser c(dir);
  c.toGrid();
  for (bool mixed : {false, true}) {
    // One file per decoding thread, so that each has one to be in the
    // middle of; in the mixed folder the first is progressive.
    const std::string sub = dir + (mixed ? "/mixed" : "/all-baseline");
    fs::create_directories(sub);
    for (int k = 0; k < workers; ++k) {
      const fs::path name = sub + "/big" + std::to_string(k) + ".jpg";
      if (!fs::exists(name)) fs::create_hard_link(mixed && k == 0 ? progressive : baseline, name);
    }
    std::vector<double> stops;
    int allBusy = 0;
    c.chooser->DirectoryListBox1->setDirectory(sub);  // starts a load
    c.waitForLoad();
    for (int r = 0; r < rounds; ++r) {
      for (int at : {20, 50, 100, 150}) {
        c.chooser->DirectoryListBox1Change();  // the grid shows: loads anew
        Chooser::settle(at);
        const bool mid = c.chooser->FLoading && c.chooser->FLastThumb < 0;
        const int busy = c.chooser->FLoader->busyWorkers();
        const auto start = Clock::now();
        c.chooser->StopLoader();
        if (!mid) continue;
        stops.push_back(msSince(start));
        if (busy == workers) ++allBusy;
      }
    }
    std::printf(
        "stop mid 50 MP JPEGs, %s, %d threads (djpeg %.0f ms baseline, %.0f ms progressive): "
        "median %.2f ms, max %.2f ms over %zu stops, %d of them with every thread decoding\n",
        mixed ? "one progressive" : "all baseline", workers, djpeg(baseline), djpeg(progressive),
        median(stops), stops.empty() ? 0.0 : *std::max_element(stops.begin(), stops.end()),
        stops.size(), allBusy);
  }
  unsetenv("VISTEL_NO_THUMBNAIL_CACHE");
}

void benchShow(const std::string& folder, int rounds) {
  // Two 12 MP baseline colour JPEGs of the corpus, shown in turn.
  std::vector<std::string> picks;
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("p12m_", 0) == 0 && e.path().extension() == ".jpg" &&
        fs::file_size(e.path()) > 1'500'000)
      picks.push_back(name);
  }
  std::sort(picks.begin(), picks.end());
  if (picks.size() < 2) {
    std::printf("show: no two large p12m_*.jpg files in %s\n", folder.c_str());
    return;
  }
  picks.resize(2);
  Chooser c(folder);
  auto indexOf = [&](const std::string& name) {
    const auto& items = c.chooser->FileListBox1->items();
    return static_cast<int>(std::find(items.begin(), items.end(), name) - items.begin());
  };
  std::vector<double> shows, djpegs, ratios;
  for (int r = 0; r < rounds * 2; ++r) {
    const std::string& name = picks[static_cast<std::size_t>(r % 2)];
    const double d = djpeg(folder + "/" + name);
    const auto start = Clock::now();
    c.chooser->FileListBox1->setCurrentRow(indexOf(name));  // the user's choice
    c.viewer->repaint();                                    // paints now, decoding the picture
    const double ms = msSince(start);
    shows.push_back(ms);
    djpegs.push_back(d);
    ratios.push_back(ms / d);
    Chooser::settle(20);
  }
  std::printf(
      "show 12 MP JPEG (%s, %s): median %.1f ms, djpeg median %.1f ms, ratio median "
      "%.3f\n",
      picks[0].c_str(), picks[1].c_str(), median(shows), median(djpegs), median(ratios));
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const std::string folder = argc > 1 ? argv[1] : "/tmp/vistel-corpus/pictures";
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  if (!fs::is_directory(folder)) {
    std::fprintf(stderr, "no corpus at %s (bench/README.md says how to make it)\n", folder.c_str());
    return 1;
  }
  // A thumbnail cache of the benchmark's own, emptied as each figure needs.
  char cacheTmpl[] = "/tmp/vistel-bench-cache-XXXXXX";
  if (mkdtemp(cacheTmpl) == nullptr) return 1;
  setenv("XDG_CACHE_HOME", cacheTmpl, 1);
  unsetenv("VISTEL_NO_THUMBNAIL_CACHE");
  // The fill first, so that its memory figures start from a fresh process.
  benchFill(folder, std::string(cacheTmpl) + "/vistel", rounds);
  benchStop(rounds);
  benchShow(folder, rounds * 3);
  fs::remove_all(cacheTmpl);
  return 0;
}
