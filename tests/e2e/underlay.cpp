// An ordinary application window that covers the screen with one flat
// colour, so that the end-to-end test can tell what shows through the device
// and whether a click went through to the window beneath.
//   vistel-underlay [COLOUR]                 the screen-wide one (the run
//                                            script's wallpaper gives a colour)
//   vistel-underlay TITLE X Y WIDTH HEIGHT   another plain window of a case's own
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList a = app.arguments();
  const bool own = a.size() == 6;
  QWidget w;
  w.setWindowTitle(own ? a[1] : QStringLiteral("vistel-underlay"));
  w.setWindowFlag(Qt::FramelessWindowHint);
  QPalette p = w.palette();
  const QColor asked = a.size() == 2 ? QColor(a[1]) : QColor();
  p.setColor(QPalette::Window, own               ? QColor(0x99, 0x66, 0x33)
                               : asked.isValid() ? asked
                                                 : QColor(0x33, 0x66, 0x99));
  w.setPalette(p);
  w.setAutoFillBackground(true);
  // Not the whole screen: a window manager would take it for a full-screen
  // window and lift it above every other, stay-on-top ones included.
  if (own)
    w.setGeometry(a[2].toInt(), a[3].toInt(), a[4].toInt(), a[5].toInt());
  else
    w.setGeometry(20, 20, 1200, 950);
  w.show();
  return QApplication::exec();
}
