#include "windows/start_trace.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>

namespace vistel {
namespace {

bool tracing() {
  static const bool on = [] {
    const char* v = std::getenv("VISTEL_TRACE_START");
    return v != nullptr && std::strcmp(v, "1") == 0;
  }();
  return on;
}

class FirstPaints : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint && o->isWidgetType() && static_cast<QWidget*>(o)->isWindow() &&
        seen_.insert(o).second) {
      const QByteArray step = "painted " + static_cast<QWidget*>(o)->windowTitle().toUtf8();
      traceStart(step.constData());
    }
    return false;
  }

 private:
  std::set<QObject*> seen_;
};

}  // namespace

void traceStart(const char* step) {
  if (!tracing()) return;
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  timespec cpu{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
  std::fprintf(
      stderr, "vistel-start %.3f %.3f %s\n", std::chrono::duration<double, std::milli>(now).count(),
      static_cast<double>(cpu.tv_sec) * 1e3 + static_cast<double>(cpu.tv_nsec) / 1e6, step);
}

void traceFirstPaints() {
  if (!tracing() || QCoreApplication::instance() == nullptr) return;
  QCoreApplication::instance()->installEventFilter(new FirstPaints(QCoreApplication::instance()));
}

}  // namespace vistel
