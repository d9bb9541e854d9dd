// The chooser on a camera roll of 100,000 small JPEGs and a folder of
// 100,000 subfolders (bench/make-big-folder.sh makes both), on the
// offscreen platform, with a thumbnail cache of its own. Each round:
//
//   list     the folder change to the big folder in the list view, until
//            the file list has painted its first rows;
//   fill     the grid filled with an empty cache: time, first screen of
//            thumbnails, the longest gap between 1 ms timer ticks on the
//            UI thread, and resident memory before (the list shown),
//            during (every fifth of the fill) and after; the slope between
//            the first and the fourth fifth is the cost of one more
//            thumbnail, the rise over the whole fill per thumbnail the
//            cost beyond the base;
//   scroll   paging down the grid by the scroll bar every 16 ms, far
//            jumps, line steps and paging back up: the longest gap, the
//            visible thumbnails left without pixels after a step and how
//            long they took to show, resident memory after it;
//   refill   the grid filled again from the cache the first fill left;
//   leave    the folder change away from the filled grid;
//   lists    typing, wheel scrolling, paging and clicking in the file list
//            of 100,000 names and in the folder list of 100,000
//            subfolders, and the drive box opened and stepped through while
//            they are that big: the longest time one input held the UI
//            thread, and the longest gap between ticks meanwhile.
//
//   usage: [BIG_FOLDER_PHASES=list,fill,...] [BIG_FOLDER_CACHE=DIR] big_folder_bench [FOLDER]
//   [ROUNDS]
// FOLDER holds pictures/ and folders/ (default /work/bench-data/big-folder).
// Medians over the rounds are printed at the end; /proc/loadavg is printed
// with each round, as the gaps mean little on a busy machine.
#include <time.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "chooser/get_img_form.h"
#include "viewer/form1.h"

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

double rssMiB() {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return -1;
}

std::string loadAverage() {
  std::ifstream f("/proc/loadavg");
  std::string a, b, c;
  f >> a >> b >> c;
  return a + " " + b + " " + c;
}

// Runs the event loop as the program does, blocking between events.
void settle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Runs the event loop until `done` holds (looked at every 2 ms) or `ms`
// have passed; false on the timeout.
bool runUntil(const std::function<bool()>& done, int ms) {
  if (done()) return true;
  QEventLoop loop;
  QTimer poll;
  const auto start = Clock::now();
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (done() || msSince(start) > ms) loop.quit();
  });
  poll.start(2);
  loop.exec();
  return done();
}

// Processor time of the whole process, in milliseconds.
double processCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Processor time of the calling thread, in milliseconds.
double threadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The longest time between ticks of a 1 ms timer: how long the UI thread
// was away from its event loop at most. On a shared machine that includes
// the time the thread waited for a core; the processor time the UI thread
// itself spent between two ticks is the gap an idle machine would show
// (less the time it waited for the disk or a lock, which it rarely does).
class GapMeter {
 public:
  GapMeter() {
    tick_.setTimerType(Qt::PreciseTimer);
    tick_.setInterval(1);
    QObject::connect(&tick_, &QTimer::timeout, [this] {
      const double cpu = threadCpuMs();
      longest_ = std::max(longest_, msSince(last_));
      longestCpu_ = std::max(longestCpu_, cpu - lastCpu_);
      last_ = Clock::now();
      lastCpu_ = cpu;
    });
  }
  void start() {
    longest_ = longestCpu_ = 0;
    last_ = Clock::now();
    lastCpu_ = threadCpuMs();
    tick_.start();
  }
  double stop() {
    tick_.stop();
    return longest_;
  }
  // The longest processor time of the UI thread between two ticks.
  double longestCpu() const { return longestCpu_; }

 private:
  QTimer tick_;
  Clock::time_point last_;
  double lastCpu_ = 0;
  double longest_ = 0;
  double longestCpu_ = 0;
};

// One figure per round, by name, in the order first seen.
struct Figures {
  std::vector<std::string> order;
  std::map<std::string, std::vector<double>> values;
  void add(const std::string& name, double v) {
    if (!values.count(name)) order.push_back(name);
    values[name].push_back(v);
  }
  void print() const {
    std::printf("\nmedians over %zu round(s):\n",
                order.empty() ? std::size_t{0} : values.at(order.front()).size());
    for (const std::string& n : order) {
      const auto& v = values.at(n);
      std::printf("  %-68s %10.2f  (min %.2f, max %.2f)\n", n.c_str(), median(v),
                  *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()));
    }
  }
};

struct Bench {
  TForm1* viewer;
  TGetImgForm* c;
  std::string pictures, folders, empty, cacheHome;
  Figures fig;

  Bench(const std::string& root, const std::string& cache)
      : pictures(root + "/pictures"),
        folders(root + "/folders"),
        empty(cache + "-empty"),
        cacheHome(cache + "/vistel") {
    fs::create_directories(empty);
    if (chdir(empty.c_str()) != 0) std::exit(1);
    viewer = new TForm1();
    c = viewer->FChooser;
    viewer->SelectImg1Click();  // the chooser on show, as the user sees it
    settle(200);
  }
  ~Bench() { delete viewer; }

  bool gridShowing() const { return !c->listViewShowing(); }
  void rightClickList() {
    MouseEvent m;
    m.button = MouseButton::Right;
    c->FileListBox1MouseDown(m);
  }
  void rightClickPanel() {
    MouseEvent m;
    m.button = MouseButton::Right;
    c->filepanelMouseDown(m);
  }
  int thumbs() const { return c->FLastThumb + 1; }

  // Visible thumbnails (rows on the panel now) that have no pixels.
  int visibleWithoutPixels() const {
    const int columns = std::max(1, c->FColumns);
    const int first = std::max(0, (c->FScrollPos - 2) / 95) * columns;
    const int last = ((c->FScrollPos + c->filepanel->height()) / 95 + 1) * columns - 1;
    int missing = 0;
    for (int t = first; t <= std::min(last, c->FLastThumb); ++t) {
      const ThumbControl* th = c->FThumbs[static_cast<std::size_t>(t)];
      if (th != nullptr && th->picture() == nullptr) ++missing;
    }
    return missing;
  }

  void list() {
    if (gridShowing()) rightClickPanel();
    c->DirectoryListBox1->setDirectory(empty);
    settle(100);
    const auto start = Clock::now();
    c->DirectoryListBox1->setDirectory(pictures);
    c->FileListBox1->repaint();
    fig.add("list: folder change to the list painted, ms", msSince(start));
    std::printf("  list: %d files listed\n", c->FileListBox1->count());
    settle(300);
  }

  void fill() {
    fs::remove_all(cacheHome);  // every thumbnail decoded
    settle(300);
    const double base = rssMiB();
    const int n = c->FileListBox1->count();
    std::vector<double> fifths;
    GapMeter gap;
    gap.start();
    const auto start = Clock::now();
    const double cpu = processCpuMs();
    rightClickList();  // the pending rebuild starts the load
    double firstScreen = -1;
    runUntil(
        [&] {
          if (firstScreen < 0 && thumbs() >= 12) firstScreen = msSince(start);
          while (fifths.size() < 4 && thumbs() >= n * static_cast<int>(fifths.size() + 1) / 5)
            fifths.push_back(rssMiB());
          return !c->FLoading;
        },
        3'600'000);
    const double ms = msSince(start);
    const double longest = gap.stop();
    settle(500);
    const double after = rssMiB();
    const int made = thumbs();
    fig.add("fill (empty cache): time, s", ms / 1000);
    fig.add("fill (empty cache): processor time of all threads, s", (processCpuMs() - cpu) / 1000);
    fig.add("fill (empty cache): first screen of thumbnails, ms", firstScreen);
    fig.add("fill (empty cache): longest gap, ms", longest);
    fig.add("fill (empty cache): longest UI-thread processor time in a gap, ms", gap.longestCpu());
    fig.add("memory: resident with the list shown, MiB", base);
    fig.add("memory: resident after the fill, MiB", after);
    fig.add("memory: rise over the fill per thumbnail, KiB", (after - base) * 1024 / made);
    if (fifths.size() == 4)
      fig.add("memory: one more thumbnail (1/5 to 4/5 of the fill), KiB",
              (fifths[3] - fifths[0]) * 1024 / (n * 3 / 5));
    std::printf("  fill: %d thumbnails in %.1f s, gap %.1f ms, resident %.0f -> %.0f MiB (", made,
                ms / 1000, longest, base, after);
    for (double f : fifths) std::printf(" %.0f", f);
    std::printf(" at each fifth)\n");
  }

  // Runs `steps` scroll bar actions, one every 16 ms; after each, the
  // visible thumbnails still without pixels are counted once painted.
  void scrollSteps(QAbstractSlider::SliderAction action, int steps, int& worstMissing) {
    QEventLoop loop;
    QTimer step;
    int done = 0;
    QObject::connect(&step, &QTimer::timeout, [&] {
      worstMissing = std::max(worstMissing, visibleWithoutPixels());
      if (done++ == steps) {
        loop.quit();
        return;
      }
      c->ScrollBar1->triggerAction(action);
    });
    step.start(16);
    loop.exec();
  }

  void scroll() {
    if (!gridShowing()) rightClickList();
    settle(200);
    GapMeter gap;
    gap.start();
    int missing = 0;
    const auto start = Clock::now();
    scrollSteps(QAbstractSlider::SliderPageStepAdd, 300, missing);
    scrollSteps(QAbstractSlider::SliderSingleStepAdd, 100, missing);
    // Far jumps, as a drag of the bar's thumb: how long until the visible
    // thumbnails all have their pixels.
    std::vector<double> shows;
    const int maximum = c->ScrollBar1->maximum();
    for (int to : {maximum / 2, maximum - c->scrollPageSize(), maximum / 4, 0, maximum / 3}) {
      const auto jump = Clock::now();
      c->ScrollBar1->setValue(to);
      runUntil([&] { return visibleWithoutPixels() == 0; }, 5000);
      shows.push_back(msSince(jump));
      settle(50);
    }
    scrollSteps(QAbstractSlider::SliderPageStepAdd, 100, missing);
    scrollSteps(QAbstractSlider::SliderPageStepSub, 200, missing);
    const double ms = msSince(start);
    const double longest = gap.stop();
    c->ScrollBar1->setValue(0);
    settle(300);
    fig.add("scroll: longest gap, ms", longest);
    fig.add("scroll: longest UI-thread processor time in a gap, ms", gap.longestCpu());
    fig.add("scroll: visible thumbnails without pixels after a step, most", missing);
    fig.add("scroll: far jump until the visible thumbnails show, ms (max)",
            *std::max_element(shows.begin(), shows.end()));
    fig.add("memory: resident after scrolling, MiB", rssMiB());
    std::printf("  scroll: %.1f s, gap %.1f ms, jumps shown after", ms / 1000, longest);
    for (double s : shows) std::printf(" %.1f", s);
    std::printf(" ms\n");
  }

  void refill() {
    if (!gridShowing()) rightClickList();
    settle(200);
    GapMeter gap;
    gap.start();
    const auto start = Clock::now();
    const double cpu = processCpuMs();
    c->DirectoryListBox1Change();  // grid showing: discards and loads anew
    runUntil([&] { return !c->FLoading; }, 3'600'000);
    const double ms = msSince(start);
    const double longest = gap.stop();
    fig.add("refill (cache warm): time, s", ms / 1000);
    fig.add("refill (cache warm): processor time of all threads, s", (processCpuMs() - cpu) / 1000);
    fig.add("refill (cache warm): longest gap, ms", longest);
    fig.add("refill (cache warm): longest UI-thread processor time in a gap, ms", gap.longestCpu());
    settle(500);
    fig.add("memory: resident after the refill, MiB", rssMiB());
    std::printf("  refill: %d thumbnails in %.2f s, gap %.1f ms\n", thumbs(), ms / 1000, longest);
  }

  // One input to a widget, handled and painted: how long it held the UI
  // thread.
  double input(QWidget* target, QEvent* e, QWidget* paint) {
    const auto start = Clock::now();
    QApplication::sendEvent(target, e);
    paint->repaint();
    return msSince(start);
  }
  double key(QWidget* w, int k, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    const double ms = input(w, &press, w);
    QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
    return ms;
  }
  double wheel(QAbstractItemView* v, int delta) {
    const QPointF at(20, 20);
    QWheelEvent e(at, v->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    return input(v->viewport(), &e, v);
  }
  double click(QAbstractItemView* v, int y) {
    const QPointF at(20, y);
    QMouseEvent press(QEvent::MouseButtonPress, at, v->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    const double ms = input(v->viewport(), &press, v);
    QMouseEvent release(QEvent::MouseButtonRelease, at, v->viewport()->mapToGlobal(at),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(v->viewport(), &release);
    return ms;
  }

  // Typing, paging, stepping, the wheel and clicks on one list; the
  // longest of each kind under `what`.
  void exercise(QAbstractItemView* v, const char* what, const QString& typed) {
    std::map<std::string, double> worst;
    auto note = [&](const char* kind, double ms) {
      worst[kind] = std::max(worst[kind], ms);
      settle(4);  // the loop runs between inputs, as between key repeats
    };
    v->setFocus();
    for (QChar ch : typed) note("typing", key(v, ch.toUpper().unicode(), QString(ch)));
    for (int i = 0; i < 10; ++i) note("paging", key(v, Qt::Key_PageDown));
    note("paging", key(v, Qt::Key_End));
    note("paging", key(v, Qt::Key_Home));
    for (int i = 0; i < 20; ++i) note("stepping", key(v, Qt::Key_Down));
    for (int i = 0; i < 30; ++i) note("wheel", wheel(v, -120));
    for (int i = 0; i < 10; ++i) note("wheel", wheel(v, 120));
    for (int i = 0; i < 8; ++i) note("clicking", click(v, 16 * i + 6));
    for (const auto& [kind, ms] : worst)
      fig.add(std::string("lists: ") + what + ", " + kind + ", longest input, ms", ms);
  }

  void lists() {
    if (gridShowing()) rightClickPanel();
    if (c->FileListBox1->directory() != pictures) c->DirectoryListBox1->setDirectory(pictures);
    settle(200);
    GapMeter gap;
    gap.start();
    exercise(c->FileListBox1, "file list", QStringLiteral("img_05"));
    auto start = Clock::now();
    c->DirectoryListBox1->setDirectory(folders);
    c->DirectoryListBox1->repaint();
    fig.add("lists: folder change to the folder of subfolders, ms", msSince(start));
    exercise(c->DirectoryListBox1, "folder list", QStringLiteral("d05"));
    // Enter opens the selected subfolder; back to the big one by the list.
    fig.add("lists: folder list, Enter into a subfolder, ms",
            key(c->DirectoryListBox1, Qt::Key_Return));
    start = Clock::now();
    c->DirectoryListBox1->setDirectory(folders);
    c->DirectoryListBox1->repaint();
    fig.add("lists: folder change back to it, ms", msSince(start));
    // The drive box: its drop-down, and stepping through its drives (each
    // step goes to that drive's folder), while the folder list is big.
    QComboBox* drives = c->DriveComboBox1;
    double worst = 0;
    for (int i = 0; i < 3; ++i) {
      start = Clock::now();
      drives->showPopup();
      drives->view()->repaint();
      worst = std::max(worst, msSince(start));
      settle(20);
      drives->hidePopup();
      settle(20);
    }
    fig.add("lists: drive box, drop-down shown, longest, ms", worst);
    worst = 0;
    drives->setFocus();
    for (int i = 0; i < std::min(4, drives->count() - 1); ++i) {
      worst = std::max(worst, key(drives, Qt::Key_Down));
      settle(20);
    }
    fig.add("lists: drive box, stepping drives, longest, ms", worst);
    fig.add("lists: longest gap over all of the above, ms", gap.stop());
    fig.add("lists: longest UI-thread processor time in a gap, ms", gap.longestCpu());
    c->DirectoryListBox1->setDirectory(pictures);
    settle(200);
  }

  void leave() {
    settle(200);
    const auto start = Clock::now();
    c->DirectoryListBox1->setDirectory(empty);
    c->filepanel->repaint();
    fig.add("leave: folder change away from the filled grid, ms", msSince(start));
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const std::string root = argc > 1 ? argv[1] : "/work/bench-data/big-folder";
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  if (!fs::is_directory(root + "/pictures") || !fs::is_directory(root + "/folders")) {
    std::fprintf(stderr, "no big folder at %s (bench/make-big-folder.sh makes it)\n", root.c_str());
    return 1;
  }
  // BIG_FOLDER_PHASES=fill,refill,refill runs only those, in that order.
  const std::map<std::string, void (Bench::*)()> phaseFor{
      {"list", &Bench::list},     {"fill", &Bench::fill},   {"scroll", &Bench::scroll},
      {"refill", &Bench::refill}, {"leave", &Bench::leave}, {"lists", &Bench::lists}};
  std::vector<std::string> phases{"list", "fill", "scroll", "refill", "leave", "lists"};
  if (const char* only = std::getenv("BIG_FOLDER_PHASES")) {
    phases.clear();
    for (const QString& p : QString::fromLatin1(only).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
      if (!phaseFor.count(p.toStdString())) {
        std::fprintf(stderr, "no phase %s\n", qPrintable(p));
        return 1;
      }
      phases.push_back(p.toStdString());
    }
  }
  // BIG_FOLDER_CACHE=DIR keeps the thumbnail cache there from one run to
  // the next (a run of refills alone then starts warm).
  char cacheTmpl[] = "/tmp/vistel-bench-big-XXXXXX";
  const char* kept = std::getenv("BIG_FOLDER_CACHE");
  if (kept != nullptr) {
    fs::create_directories(kept);
  } else if (mkdtemp(cacheTmpl) == nullptr) {
    return 1;
  }
  const std::string cacheRoot = kept != nullptr ? kept : cacheTmpl;
  setenv("XDG_CACHE_HOME", cacheRoot.c_str(), 1);
  unsetenv("VISTEL_NO_THUMBNAIL_CACHE");
  {
    Bench b(root, cacheRoot);
    for (int r = 0; r < rounds; ++r) {
      std::printf("round %d (load average %s)\n", r + 1, loadAverage().c_str());
      std::fflush(stdout);
      for (const std::string& name : phases) {
        (b.*phaseFor.at(name))();
        std::fflush(stdout);
      }
      std::printf("  load average after the round %s\n", loadAverage().c_str());
      std::fflush(stdout);
    }
    b.fig.print();
  }
  if (kept == nullptr) fs::remove_all(cacheRoot);
  fs::remove_all(cacheRoot + "-empty");
  return 0;
}
