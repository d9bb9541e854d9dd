// The floor the start-up benchmark holds Vistel against: the least a Qt
// Widgets program can do to put a window on the screen. One frameless top-level
// window of the device's size at the device's place, filled with one colour
// (kTrivialColour in startup_probe.h, which the benchmark looks for), and the
// event loop. SIGTERM ends it. It marks the steps it shares with Vistel's
// start-up trace, for the benchmark to set side by side.
#include <QApplication>
#include <QWidget>

#include "startup_probe.h"
#include "windows/start_trace.h"

int main(int argc, char** argv) {
  vistel::traceStart("main");
  QApplication app(argc, argv);
  vistel::traceStart("application object");
  vistel::traceFirstPaints();
  QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(startup_probe::kTrivialColour));
  window.setPalette(palette);
  window.setAutoFillBackground(true);
  window.setGeometry(startup_probe::kLeft, startup_probe::kTop, startup_probe::kWidth,
                     startup_probe::kHeight);
  window.show();
  vistel::traceStart("window shown");
  return QApplication::exec();
}
