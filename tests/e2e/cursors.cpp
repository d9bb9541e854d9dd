#include "cursors.h"

#include <QCoreApplication>
#include <QCursor>
#include <QPixmap>
#include <QRasterWindow>
#include <utility>

#include "assets/embedded_assets.h"

namespace e2e {

void Cursors::capture(Desk& desk) {
  QRasterWindow w;
  w.setFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  w.setGeometry(1150, 40, 60, 60);
  w.show();
  QPixmap drag;
  const auto bytes = vistel::assets::multiDragCursorPng();
  drag.loadFromData(bytes.data(), static_cast<uint>(bytes.size()), "PNG");
  const std::pair<const char*, QCursor> shapes[] = {
      {"arrow", QCursor(Qt::ArrowCursor)},
      {"busy", QCursor(Qt::BusyCursor)},
      {"multidrag",
       QCursor(drag, vistel::assets::kMultiDragHotSpotX, vistel::assets::kMultiDragHotSpotY)}};
  int nudge = 0;
  for (const auto& [name, cursor] : shapes) {
    w.setCursor(cursor);
    for (int i = 0; i < 10; ++i) {
      QCoreApplication::processEvents();
      sleepMs(30);
    }
    // A move inside the window makes the server show its new cursor.
    const QPoint c = w.geometry().center() + QPoint(nudge++ % 2, 0);
    xdotool({QStringLiteral("mousemove"), QString::number(c.x()), QString::number(c.y())});
    sleepMs(200);
    known[QString::fromLatin1(name)] = desk.cursor();
  }
  w.hide();
  QCoreApplication::processEvents();
}

QString Cursors::name(const QImage& seen) const {
  for (const auto& [n, img] : known)
    if (img == seen && img.offset() == seen.offset()) return n;
  // The busy cursor is animated: another frame of it has its size and hot
  // spot.
  const QImage& busy = known.at(QStringLiteral("busy"));
  if (seen.size() == busy.size() && seen.offset() == busy.offset()) return QStringLiteral("busy");
  return QStringLiteral("other");
}

}  // namespace e2e
