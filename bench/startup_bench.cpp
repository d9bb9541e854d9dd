// Start-up as the user sees it: from exec to the first frame on the screen,
// read off the X server, for Vistel against a trivial Qt Widgets window built
// by the same project (trivial_window.cpp), started in turns in one run. A
// third program, Vistel's start-up up to its panel alone (panel_window.cpp),
// shows how much of the time the first frame itself needs.
//
// Each start forks and execs the program, then reads rows of the screen
// across the device's place every millisecond until they show the first
// frame: for Vistel every pixel on those rows that the wreath skin paints, in
// the skin's own colours (the viewer and the chooser lie over the panel
// see-through at start, so the screen shows the skin there); for the trivial
// window its colour. The program is then ended (SIGTERM) and the rows must
// show the bare screen again before the next start. Both run with the
// start-up trace on (VISTEL_TRACE_START=1), whose marks give the median time
// from exec to each step (the trivial window marks the steps it shares). The
// first start of each program is a warm-up and is not counted.
//
//   usage: startup_bench [ROUNDS [VISTEL_PROGRAM...]]   (needs DISPLAY)
// ROUNDS defaults to 11; the programs to the Vistel of this build, and
// several builds (before and after a change) can be timed in one run.
// bench/startup-xvfb.sh BUILD_DIR [ARGS...] runs it on Xvfb with openbox.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "assets/embedded_assets.h"
#include "pictures/jpeg_picture.h"
#include "startup_probe.h"

namespace {

namespace probe = startup_probe;
using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0 : (n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

// The first frame of a program as pixels of the probe rows: for each row,
// (x, colour) pairs that must all be on the screen.
using Frame = std::vector<std::vector<std::pair<int, unsigned>>>;

Frame trivialFrame() {
  Frame f;
  for ([[maybe_unused]] int row : probe::kRows) {
    std::vector<std::pair<int, unsigned>> pixels;
    for (int x = 0; x < probe::kWidth; ++x) pixels.emplace_back(x, probe::kTrivialColour);
    f.push_back(std::move(pixels));
  }
  return f;
}

Frame wreathFrame() {
  const auto bytes = vistel::assets::panelSkinJpg();
  vistel::JpegPicture skin(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  const vistel::Bitmap& b = skin.decoded();
  Frame f;
  for (int row : probe::kRows) {
    std::vector<std::pair<int, unsigned>> pixels;
    for (int x = 0; x < std::min(probe::kWidth, b.width()); ++x)
      if (b.pixel(x, row) != 0xFFFFFF) pixels.emplace_back(x, b.pixel(x, row));
    f.push_back(std::move(pixels));
  }
  return f;
}

class ScreenRows {
 public:
  ScreenRows() : display_(XOpenDisplay(nullptr)) {
    if (display_ == nullptr) {
      std::fprintf(stderr, "startup_bench: no X display (DISPLAY=%s)\n", std::getenv("DISPLAY"));
      std::exit(1);
    }
    root_ = DefaultRootWindow(display_);
  }
  ~ScreenRows() { XCloseDisplay(display_); }
  ScreenRows(const ScreenRows&) = delete;
  ScreenRows& operator=(const ScreenRows&) = delete;

  // The probe rows as the X server has them now.
  std::vector<std::vector<unsigned>> rows() {
    std::vector<std::vector<unsigned>> out;
    for (int row : probe::kRows) {
      XImage* image = XGetImage(display_, root_, probe::kLeft, probe::kTop + row, probe::kWidth, 1,
                                AllPlanes, ZPixmap);
      std::vector<unsigned> pixels(probe::kWidth, 0);
      if (image != nullptr) {
        for (int x = 0; x < probe::kWidth; ++x)
          pixels[x] = static_cast<unsigned>(XGetPixel(image, x, 0)) & 0xFFFFFFu;
        XDestroyImage(image);
      }
      out.push_back(std::move(pixels));
    }
    return out;
  }

  bool shows(const Frame& frame) {
    const auto now = rows();
    for (std::size_t r = 0; r < frame.size(); ++r)
      for (const auto& [x, colour] : frame[r])
        if (now[r][x] != colour) return false;
    return true;
  }

 private:
  Display* display_;
  Window root_;
};

long residentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// Processor time all threads of `pid` have used, from the scheduler's own
// accounting (nanoseconds, unlike the tick counts of /proc/PID/stat).
double processorMs(pid_t pid) {
  double ns = 0;
  const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code ec;
  for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
    std::ifstream stat(task.path() / "schedstat");
    double onCpu = 0;
    if (stat >> onCpu) ns += onCpu;
  }
  return ns / 1e6;
}

struct Program {
  Program(std::string n, std::string p, Frame f)
      : name(std::move(n)), path(std::move(p)), frame(std::move(f)) {}
  std::string name;
  std::string path;
  Frame frame;
  std::vector<double> firstFrame;
  std::vector<double> resident;
  std::vector<double> processor;
  std::map<std::string, std::vector<double>> marks;  // step -> ms after exec
  std::map<std::string, std::vector<double>> cpu;    // step -> processor ms by then
  std::vector<std::string> markOrder;
};

// Trace lines "vistel-start <monotonic ms> <processor ms> <step>" from the
// program's standard error; other lines are passed on.
void readMarks(int fd, Clock::time_point execAt, Program& p) {
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  const double execMs =
      std::chrono::duration<double, std::milli>(execAt.time_since_epoch()).count();
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    std::string tag, step;
    double at = 0;
    double cpu = 0;
    if (!(in >> tag >> at >> cpu) || tag != "vistel-start") {
      std::fprintf(stderr, "  [%s] %s\n", p.name.c_str(), line.c_str());
      continue;
    }
    std::getline(in >> std::ws, step);
    if (p.marks.find(step) == p.marks.end()) p.markOrder.push_back(step);
    p.marks[step].push_back(at - execMs);
    p.cpu[step].push_back(cpu);
  }
}

// One start; false when the frame did not show within 10 s.
bool start(ScreenRows& screen, Program& p, const std::string& folder, bool counted) {
  // The bare screen first: the previous program's windows are gone.
  const auto bareBy = Clock::now() + std::chrono::seconds(5);
  while (screen.shows(p.frame) && Clock::now() < bareBy)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(150));

  int err[2];
  if (pipe2(err, O_CLOEXEC) != 0) std::exit(1);
  const Clock::time_point execAt = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(err[1], 2);
    if (chdir(folder.c_str()) != 0) _exit(127);
    setenv("VISTEL_TRACE_START", "1", 1);
    execl(p.path.c_str(), p.path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(err[1]);
  fcntl(err[0], F_SETFL, O_NONBLOCK);

  std::optional<double> shown;
  long resident = -1;
  double processor = 0;
  for (auto tick = Clock::now(); msBetween(execAt, Clock::now()) < 10000;) {
    if (screen.shows(p.frame)) {
      shown = msBetween(execAt, Clock::now());
      resident = residentKiB(pid);
      processor = processorMs(pid);
      break;
    }
    tick += std::chrono::milliseconds(1);
    std::this_thread::sleep_until(tick);
  }
  // Let the program finish the step it is in (its trace marks the first
  // paints too) before it is ended.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  readMarks(err[0], execAt, p);
  close(err[0]);
  if (!shown) {
    std::fprintf(stderr, "startup_bench: %s showed no frame within 10 s\n", p.name.c_str());
    return false;
  }
  if (counted) {
    p.firstFrame.push_back(*shown);
    p.resident.push_back(static_cast<double>(resident));
    p.processor.push_back(processor);
  } else {
    for (auto& [step, at] : p.marks) at.clear();
    for (auto& [step, at] : p.cpu) at.clear();
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
  ScreenRows screen;
  // The trivial window, Vistel's start-up up to its panel alone, then
  // Vistel: the one built here, or the builds named on the command line (say,
  // before and after a change), all taken in turns in the same run.
  std::vector<Program> programs;
  programs.emplace_back("trivial Qt window", VISTEL_TRIVIAL_WINDOW, trivialFrame());
  const Frame wreath = wreathFrame();
  programs.emplace_back("the panel alone", VISTEL_PANEL_WINDOW, wreath);
  if (argc > 2) {
    for (int i = 2; i < argc; ++i) programs.emplace_back(argv[i], argv[i], wreath);
  } else {
    programs.emplace_back("Vistel", VISTEL_PROGRAM, wreath);
  }
  // The program's own tree of samples, as the run script starts it.
  const std::string folder = VISTEL_SAMPLES;
  // A scratch cache and runtime folder: nothing of the user's is touched.
  const std::filesystem::path scratch =
      std::filesystem::temp_directory_path() / ("vistel-startup-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(scratch / "runtime");
  std::filesystem::permissions(scratch / "runtime", std::filesystem::perms::owner_all);
  setenv("XDG_CACHE_HOME", (scratch / "cache").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (scratch / "runtime").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);

  bool ok = true;
  for (Program& p : programs) ok = ok && start(screen, p, folder, false);
  const std::size_t n = programs.size();
  for (int i = 0; ok && i < rounds; ++i) {
    // Each round begins with the next program, so that none always follows
    // the same other.
    for (std::size_t k = 0; ok && k < n; ++k)
      ok = start(screen, programs[(static_cast<std::size_t>(i) + k) % n], folder, true);
  }
  std::filesystem::remove_all(scratch);
  if (!ok) return 1;

  std::printf("exec to first frame on the X server, %d starts each, interleaved:\n", rounds);
  const double floor = median(programs[0].firstFrame);
  for (const Program& p : programs) {
    std::vector<double> sorted = p.firstFrame;
    std::sort(sorted.begin(), sorted.end());
    // Each start against the trivial window's of the same round: on a busy
    // machine the load drifts, and a round's starts lie close together.
    std::vector<double> ratios;
    for (std::size_t r = 0; r < p.firstFrame.size(); ++r)
      ratios.push_back(p.firstFrame[r] / programs[0].firstFrame[r]);
    std::printf(
        "  %s\n    median %6.1f ms (min %.1f, max %.1f), %.2f x the trivial window's median, "
        "median of the rounds' ratios %.2f; by the first frame %.1f ms of processor time and "
        "%.0f KiB resident\n",
        p.name.c_str(), median(p.firstFrame), sorted.front(), sorted.back(),
        median(p.firstFrame) / floor, median(ratios), median(p.processor), median(p.resident));
  }
  for (Program& p : programs) {
    std::printf("start-up trace of %s, medians: ms after exec, processor ms used by then\n",
                p.name.c_str());
    for (const std::string& step : p.markOrder)
      if (!p.marks[step].empty())
        std::printf("  %7.1f %7.1f  %s\n", median(p.marks[step]), median(p.cpu[step]),
                    step.c_str());
  }
  return 0;
}
