// The floor the start-up benchmark holds Vistel against: the least a Qt
// Widgets program can do to put a window on the screen. One frameless top-level
// window of the device's size at the device's place, filled with one colour
// (kTrivialColour in startup_probe.h, which the benchmark looks for), and the
// event loop. SIGTERM ends it.
#include <QApplication>
#include <QWidget>

#include "startup_probe.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(startup_probe::kTrivialColour));
  window.setPalette(palette);
  window.setAutoFillBackground(true);
  window.setGeometry(startup_probe::kLeft, startup_probe::kTop, startup_probe::kWidth,
                     startup_probe::kHeight);
  window.show();
  return QApplication::exec();
}
