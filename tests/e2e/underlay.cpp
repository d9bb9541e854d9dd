// An ordinary application window that covers the screen with one flat
// colour, so that the end-to-end test can tell what shows through the device
// and whether a click went through to the window beneath. The run script's
// virtual desktop uses it as its wallpaper, in the colour given as argument.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget w;
  w.setWindowTitle(QStringLiteral("vistel-underlay"));
  w.setWindowFlag(Qt::FramelessWindowHint);
  QPalette p = w.palette();
  const QColor asked = argc > 1 ? QColor(QString::fromLocal8Bit(argv[1])) : QColor();
  p.setColor(QPalette::Window, asked.isValid() ? asked : QColor(0x33, 0x66, 0x99));
  w.setPalette(p);
  w.setAutoFillBackground(true);
  // Not the whole screen: a window manager would take it for a full-screen
  // window and lift it above every other, stay-on-top ones included.
  w.setGeometry(20, 20, 1200, 950);
  w.show();
  return QApplication::exec();
}
