// Flat-colour posters and patterns: the palette, RLE and 1-bit samples.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

#include "flora.h"
#include "sample_drawings.h"

namespace assetgen {

// Gives a picture drawn in few flat colours a palette of exactly its colours.
QImage indexExact(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  std::map<QRgb, int> index;
  QList<QRgb> palette;
  QImage out(image.size(), QImage::Format_Indexed8);
  for (int y = 0; y < image.height(); ++y) {
    const auto* px = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = px[x] | 0xFF000000u;
      auto it = index.find(c);
      if (it == index.end()) {
        if (palette.size() == 256) throw std::logic_error("more than 256 colours");
        it = index.emplace(c, static_cast<int>(palette.size())).first;
        palette.push_back(c);
      }
      out.scanLine(y)[x] = static_cast<uchar>(it->second);
    }
  }
  out.setColorTable(palette);
  return out;
}

QImage drawSunsetBands() {
  // A poster: flat bands of colour, which run-length encoding packs well.
  const int w = 640, h = 400, horizon = 250;
  QImage img = newCanvas(w, h);
  QPainter p(&img);
  const QColor sky[] = {QColor(44, 22, 84),   QColor(72, 30, 110),  QColor(110, 40, 120),
                        QColor(150, 50, 120), QColor(196, 64, 104), QColor(230, 90, 90),
                        QColor(244, 130, 80), QColor(250, 170, 80), QColor(252, 206, 100)};
  const int bands = static_cast<int>(std::size(sky));
  for (int i = 0; i < bands; ++i) {
    const int y0 = static_cast<int>(horizon * std::pow(static_cast<double>(i) / bands, 0.8));
    const int y1 = static_cast<int>(horizon * std::pow(static_cast<double>(i + 1) / bands, 0.8));
    p.fillRect(QRect(0, y0, w, y1 - y0), sky[i]);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 236, 150));
  p.drawEllipse(QPointF(400, horizon), 56, 56);
  // Mountains.
  QPolygon hills;
  hills << QPoint(0, horizon) << QPoint(0, 200) << QPoint(70, 170) << QPoint(130, 205)
        << QPoint(200, 160) << QPoint(290, 215) << QPoint(330, horizon);
  p.setBrush(QColor(60, 24, 70));
  p.drawPolygon(hills);
  // Sea in bands, with the sun's reflection.
  const QColor sea[] = {QColor(40, 30, 90), QColor(32, 24, 76), QColor(24, 18, 62),
                        QColor(16, 12, 48)};
  for (int i = 0; i < 4; ++i) {
    const int y0 = horizon + (h - horizon) * i / 4, y1 = horizon + (h - horizon) * (i + 1) / 4;
    p.fillRect(QRect(0, y0, w, y1 - y0), sea[i]);
  }
  for (int i = 0; i < 14; ++i) {
    const int y = horizon + 6 + i * 10;
    const int half = 50 - i * 2 + (i % 3) * 8;
    p.fillRect(QRect(400 - half, y, 2 * half, 3),
               i % 2 ? QColor(250, 170, 80) : QColor(252, 206, 100));
  }
  // A sailing boat and birds in silhouette.
  p.setBrush(QColor(10, 6, 20));
  p.drawPolygon(QPolygon({QPoint(150, 300), QPoint(230, 300), QPoint(218, 314), QPoint(162, 314)}));
  p.drawPolygon(QPolygon({QPoint(190, 296), QPoint(190, 220), QPoint(232, 296)}));
  p.drawPolygon(QPolygon({QPoint(186, 296), QPoint(186, 236), QPoint(158, 296)}));
  p.setPen(QPen(QColor(10, 6, 20), 2));
  for (auto [x, y] : {std::pair{480, 90}, {510, 70}, {540, 100}}) {
    p.drawLine(x - 8, y - 4, x, y);
    p.drawLine(x, y, x + 8, y - 4);
  }
  p.end();
  return indexExact(img);
}

QImage drawStainedGlass() {
  // A rose window in the sixteen VGA colours, with heavy black leading.
  const int s = 400;
  QImage img = newCanvas(s, s);
  QPainter p(&img);
  const QList<QRgb>& vga = vgaPalette();
  auto c = [&](int i) { return QColor(vga[i]); };
  p.fillRect(QRect(0, 0, s, s), c(4));
  // Corner panes.
  for (int i = 0; i < 8; ++i) {
    p.setBrush(i % 2 ? c(6) : c(1));
    p.setPen(QPen(Qt::black, 5));
    const double a0 = i * 45.0;
    p.drawPie(QRectF(-200, -200, 800, 800), static_cast<int>(a0 * 16), 45 * 16);
  }
  const QPointF o(200, 200);
  p.setPen(QPen(Qt::black, 6));
  p.setBrush(c(12));
  p.drawEllipse(o, 185, 185);
  // Twelve petals around, in alternating colours.
  for (int i = 0; i < 12; ++i) {
    p.save();
    p.translate(o);
    p.rotate(30.0 * i);
    QPainterPath petal(QPointF(0, 0));
    petal.cubicTo(QPointF(60, -40), QPointF(150, -30), QPointF(175, 0));
    petal.cubicTo(QPointF(150, 30), QPointF(60, 40), QPointF(0, 0));
    p.setBrush(i % 3 == 0 ? c(9) : i % 3 == 1 ? c(11) : c(13));
    p.drawPath(petal);
    p.setBrush(c(10));
    p.drawEllipse(QPointF(160, 62), 14, 14);
    p.restore();
  }
  p.setBrush(c(14));
  p.drawEllipse(o, 60, 60);
  for (int i = 0; i < 6; ++i) {
    p.save();
    p.translate(o);
    p.rotate(60.0 * i);
    p.setBrush(c(15));
    p.drawEllipse(QPointF(32, 0), 16, 16);
    p.restore();
  }
  p.setBrush(c(9));
  p.drawEllipse(o, 16, 16);
  p.end();
  return toPaletteExact(img, vga);
}

QImage drawMosaic() {
  // Tiles of eight-pointed stars, uncompressed 16 colours.
  const int w = 320, h = 240, tile = 40;
  QImage img = newCanvas(w, h);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  const QList<QRgb>& vga = vgaPalette();
  const int grounds[] = {4, 6, 1, 2};
  const int stars[] = {11, 14, 9, 15};
  for (int ty = 0; ty < h / tile; ++ty)
    for (int tx = 0; tx < w / tile; ++tx) {
      const QRect r(tx * tile, ty * tile, tile, tile);
      const int k = (tx + ty) % 4;
      p.fillRect(r, QColor(vga[grounds[k]]));
      const QPointF c = r.center() + QPointF(0.5, 0.5);
      QPolygonF star;
      for (int i = 0; i < 16; ++i) {
        const double a = i * M_PI / 8;
        const double rr = i % 2 ? 9 : 17;
        star << c + QPointF(std::cos(a) * rr, std::sin(a) * rr);
      }
      p.setPen(QPen(QColor(vga[0]), 1));
      p.setBrush(QColor(vga[stars[k]]));
      p.drawPolygon(star);
      p.setBrush(QColor(vga[stars[(k + 2) % 4]]));
      p.drawEllipse(c, 5, 5);
      p.setPen(QColor(vga[7]));
      p.setBrush(Qt::NoBrush);
      p.drawRect(r.adjusted(0, 0, -1, -1));
    }
  p.end();
  return toPaletteExact(img, vga);
}

QImage drawMoonlitNight() {
  // One bit: a crescent moon, stars, hills and a cottage with a lit window.
  const int w = 640, h = 480;
  QImage img(w, h, QImage::Format_Indexed8);
  img.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  img.fill(0);
  QImage art = newCanvas(w, h);
  QPainter p(&art);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::NoPen);
  QPainterPath moon;
  moon.addEllipse(QPointF(470, 120), 62, 62);
  QPainterPath bite;
  bite.addEllipse(QPointF(498, 100), 56, 56);
  p.setBrush(Qt::white);
  p.drawPath(moon.subtracted(bite));
  Rng rng(2024);
  for (int i = 0; i < 180; ++i) {
    const int x = rng.below(w), y = rng.below(300);
    if (std::hypot(x - 470, y - 120) < 80) continue;
    if (rng.chance(0.15)) {
      p.fillRect(QRect(x - 3, y, 7, 1), Qt::white);
      p.fillRect(QRect(x, y - 3, 1, 7), Qt::white);
    } else {
      p.fillRect(QRect(x, y, rng.chance(0.3) ? 2 : 1, 1), Qt::white);
    }
  }
  // Hills outlined in white, the cottage and the moon's path on the water.
  QPainterPath hills = ridge(w, 360, 70, 200, 51, h);
  p.setBrush(Qt::black);
  p.setPen(QPen(Qt::white, 2));
  p.drawPath(hills);
  p.setPen(Qt::NoPen);
  p.fillRect(QRect(0, 400, w, h - 400), Qt::black);
  p.fillRect(QRect(0, 400, w, 2), Qt::white);
  for (int i = 0; i < 12; ++i) {
    const int y = 410 + i * 6, half = 30 - i * 2 + rng.below(10);
    p.fillRect(QRect(470 - half, y, 2 * half, 2), Qt::white);
  }
  p.setPen(QPen(Qt::white, 2));
  p.setBrush(Qt::black);
  p.drawRect(QRect(120, 330, 70, 50));
  p.drawPolygon(QPolygon({QPoint(110, 332), QPoint(155, 296), QPoint(200, 332)}));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(QRect(136, 345, 16, 14));
  p.drawRect(QRect(170, 300, 8, 20));
  p.end();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.scanLine(y)[x] = qGray(art.pixel(x, y)) > 127 ? 1 : 0;
  return img;
}

}  // namespace assetgen
