// Start-up of the window set: from creating the viewer (which creates the
// panel, the help window and the chooser) to the first painting of the three
// device windows; and resident memory after start-up and after 1,000
// show/hide cycles of the help window. Run it on the offscreen platform and
// on a real X server (QT_QPA_PLATFORM=xcb under Xvfb).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "chooser/get_img_form.h"
#include "controls/fonts.h"
#include "help/help_form.h"
#include "panel/form2.h"
#include "viewer/form1.h"
#include "viewer/program_icon.h"

namespace {

long residentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// Notes the first paint of each watched window.
class PaintWatch : public QObject {
 public:
  std::set<QObject*> painted;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint) painted.insert(o);
    return false;
  }
};

vistel::TForm1* startAndWaitForPaint() {
  PaintWatch watch;
  // Watch every widget created meanwhile: the forms install no filter of
  // their own before they are shown.
  qApp->installEventFilter(&watch);
  auto* viewer = new vistel::TForm1();
  QWidget* forms[] = {viewer, viewer->FPanel, viewer->FChooser};
  QElapsedTimer guard;
  guard.start();
  while (guard.elapsed() < 10000) {
    bool all = true;
    for (QWidget* f : forms) all = all && watch.painted.count(f) != 0;
    if (all) break;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  qApp->removeEventFilter(&watch);
  return viewer;
}

void BM_StartToFirstPaintedDevice(benchmark::State& state) {
  for (auto _ : state) {
    vistel::TForm1* viewer = startAndWaitForPaint();
    state.PauseTiming();
    delete viewer;
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartToFirstPaintedDevice)->Unit(benchmark::kMillisecond)->UseRealTime();

void reportMemory() {
  vistel::TForm1* viewer = startAndWaitForPaint();
  const long afterStart = residentKiB();
  long after100 = 0;
  for (int i = 1; i <= 1000; ++i) {
    viewer->Help1Click();
    QCoreApplication::processEvents();
    viewer->Help1Click();
    QCoreApplication::processEvents();
    if (i == 100) after100 = residentKiB();
  }
  const long afterCycles = residentKiB();
  // The first cycles warm caches (fonts, the help window's own buffers);
  // growth from cycle 100 to 1000 would be a leak.
  std::printf(
      "resident after start-up: %ld KiB; after 100 help show/hide cycles: %ld KiB; after 1000: "
      "%ld KiB\n",
      afterStart, after100, afterCycles);
  delete viewer;
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer appTimer;
  appTimer.start();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vistel"));
  vistel::registerFontSubstitutions();
  vistel::registerMultiDragCursor();
  std::printf("platform %s; application object and fonts: %lld ms\n",
              qPrintable(QGuiApplication::platformName()),
              static_cast<long long>(appTimer.elapsed()));
  reportMemory();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
