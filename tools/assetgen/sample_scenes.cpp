// Landscapes and flowers: the photo-like samples.
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

double smoothstep(double a, double b, double x) {
  const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

QImage newCanvas(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::black);
  return img;
}

void fillVertical(QPainter& p, const QRectF& r,
                  std::initializer_list<std::pair<double, QColor>> stops) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  for (const auto& [at, c] : stops) g.setColorAt(at, c);
  p.fillRect(r, g);
}

// A hill line: fractal noise along x, closed down to `bottom`.
QPainterPath ridge(double width, double base, double amplitude, double scale, std::uint32_t seed,
                   double bottom) {
  QPainterPath path(QPointF(-10, bottom));
  for (double x = -10; x <= width + 10; x += 3)
    path.lineTo(x, base - amplitude * fbm(x / scale, 0.5, seed, 5));
  path.lineTo(width + 10, bottom);
  path.closeSubpath();
  return path;
}

// Soft clouds blended over the sky rows [0, horizon).
void paintClouds(QImage& img, int horizon, double sx, double sy, std::uint32_t seed, double cover) {
  for (int y = 0; y < horizon; ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    const double fade = 1.0 - 0.7 * y / horizon;
    for (int x = 0; x < img.width(); ++x) {
      const double n = fbm(x / sx, y / sy, seed, 5);
      const double a = smoothstep(cover, cover + 0.2, n) * fade;
      if (a <= 0) continue;
      const double shade =
          0.88 + 0.12 * smoothstep(0.3, 0.7, fbm(x / sx + 7.3, y / sy - 3.1, seed + 5, 3));
      const QRgb c = row[x];
      const double w = 255 * shade;
      row[x] = qRgb(static_cast<int>(qRed(c) + (w - qRed(c)) * a),
                    static_cast<int>(qGreen(c) + (w - qGreen(c)) * a),
                    static_cast<int>(qBlue(c) + (w * 1.01 - qBlue(c)) * std::min(1.0, a)));
    }
  }
}

void paintTree(QPainter& p, QPointF foot, double size, Rng& rng) {
  QPainterPath trunk(foot + QPointF(-size * 0.08, 0));
  trunk.cubicTo(foot + QPointF(-size * 0.05, -size * 0.4),
                foot + QPointF(-size * 0.04, -size * 0.6),
                foot + QPointF(-size * 0.02, -size * 0.8));
  trunk.lineTo(foot + QPointF(size * 0.03, -size * 0.8));
  trunk.cubicTo(foot + QPointF(size * 0.04, -size * 0.6), foot + QPointF(size * 0.06, -size * 0.4),
                foot + QPointF(size * 0.1, 0));
  trunk.closeSubpath();
  QLinearGradient tg(foot + QPointF(-size * 0.08, 0), foot + QPointF(size * 0.1, 0));
  tg.setColorAt(0, QColor(70, 46, 30));
  tg.setColorAt(1, QColor(120, 84, 52));
  p.setPen(Qt::NoPen);
  p.setBrush(tg);
  p.drawPath(trunk);
  const QPointF crown = foot + QPointF(0, -size * 0.85);
  for (int i = 0; i < 60; ++i) {
    const double a = rng.range(0, 2 * M_PI), d = std::sqrt(rng.uniform());
    const QPointF c = crown + QPointF(std::cos(a) * size * 0.45 * d, std::sin(a) * size * 0.32 * d);
    const double r = size * rng.range(0.1, 0.18);
    const double light =
        0.5 + 0.5 * ((crown.y() - c.y()) / (size * 0.32) - (c.x() - crown.x()) / (size * 0.45)) / 2;
    QRadialGradient g(c - QPointF(r * 0.3, r * 0.3), r * 1.2);
    g.setColorAt(0, mix(QColor(70, 130, 50), QColor(150, 200, 90), light));
    g.setColorAt(1, mix(QColor(30, 70, 30), QColor(60, 120, 40), light));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
  }
}

QImage drawMeadow() {
  const int w = 1600, h = 1200, horizon = 560;
  QImage img = newCanvas(w, h);
  {
    QPainter p(&img);
    fillVertical(
        p, QRectF(0, 0, w, horizon + 200),
        {{0, QColor(48, 106, 196)}, {0.75, QColor(170, 208, 240)}, {1, QColor(214, 232, 246)}});
  }
  paintClouds(img, horizon + 100, 300, 95, 11, 0.52);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient sun(QPointF(340, 200), 380);
  sun.setColorAt(0, QColor(255, 250, 225, 170));
  sun.setColorAt(1, QColor(255, 250, 225, 0));
  p.fillRect(QRectF(0, 0, w, horizon + 100), sun);
  p.setPen(Qt::NoPen);
  QLinearGradient far(QPointF(0, horizon - 120), QPointF(0, horizon + 60));
  far.setColorAt(0, QColor(126, 160, 176));
  far.setColorAt(1, QColor(150, 180, 170));
  p.setBrush(far);
  p.drawPath(ridge(w, horizon + 40, 150, 420, 21, h));
  QLinearGradient mid(QPointF(0, horizon - 40), QPointF(0, horizon + 200));
  mid.setColorAt(0, QColor(112, 168, 84));
  mid.setColorAt(1, QColor(66, 128, 54));
  p.setBrush(mid);
  p.drawPath(ridge(w, horizon + 130, 140, 380, 22, h));
  Rng rng(7);
  paintTree(p, QPointF(1180, horizon + 40), 300, rng);
  paintTree(p, QPointF(1330, horizon + 70), 200, rng);
  QLinearGradient near(QPointF(0, horizon + 150), QPointF(0, h));
  near.setColorAt(0, QColor(128, 190, 76));
  near.setColorAt(1, QColor(56, 124, 36));
  p.setBrush(near);
  p.drawPath(ridge(w, horizon + 240, 70, 500, 23, h));
  // Grass blades and flowers, larger towards the viewer.
  for (int i = 0; i < 4200; ++i) {
    const double t = std::pow(rng.uniform(), 0.7);
    const double y = horizon + 230 + t * (h - horizon - 200);
    const double x = rng.range(-20, w + 20);
    const double len = 6 + 50 * t * rng.range(0.6, 1.2);
    const LeafStyle blade{QColor(140, 200, 90), QColor(50, 120, 40), QColor(170, 220, 120), false};
    paintLeaf(p, QPointF(x, y), QPointF(x + rng.range(-0.4, 0.4) * len, y - len), len * 0.12,
              rng.range(-0.15, 0.15), blade);
  }
  const FlowerStyle styles[] = {
      blueFlower(),
      yellowFlower(),
      pinkFlower(),
      {QColor(230, 230, 220), QColor(255, 255, 250), QColor(190, 190, 180), QColor(250, 200, 30),
       QColor(200, 130, 20)}};
  for (int i = 0; i < 900; ++i) {
    const double t = std::pow(rng.uniform(), 0.8);
    const double y = horizon + 250 + t * (h - horizon - 230);
    const double x = rng.range(0, w);
    const double r = 3 + 16 * t * rng.range(0.7, 1.2);
    if (rng.chance(0.12))
      paintRose(p, QPointF(x, y), r, rng.range(0, 360), rng);
    else
      paintFivePetal(p, QPointF(x, y), r, rng.range(0, 72), styles[rng.below(4)],
                     rng.range(0.3, 0.7));
  }
  return img;
}

QImage drawDunes() {
  const int w = 1024, h = 640, horizon = 300;
  QImage img = newCanvas(w, h);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  fillVertical(p, QRectF(0, 0, w, horizon + 40),
               {{0, QColor(64, 40, 110)},
                {0.5, QColor(214, 110, 90)},
                {0.9, QColor(255, 196, 120)},
                {1, QColor(255, 214, 150)}});
  QRadialGradient glow(QPointF(720, horizon - 20), 260);
  glow.setColorAt(0, QColor(255, 240, 190, 200));
  glow.setColorAt(1, QColor(255, 240, 190, 0));
  p.fillRect(QRectF(0, 0, w, horizon + 40), glow);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 244, 206));
  p.drawEllipse(QPointF(720, horizon - 20), 34, 34);
  // Dune ranges from back to front, each lit on its sun-facing slopes.
  struct Layer {
    double base, amp, freq, phase;
    QColor lit, shade;
  };
  const Layer layers[] = {
      {horizon + 20, 40, 0.0042, 0.3, QColor(226, 150, 100), QColor(176, 100, 84)},
      {horizon + 110, 70, 0.0031, 0.55, QColor(236, 160, 96), QColor(164, 86, 62)},
      {horizon + 220, 90, 0.0024, 0.1, QColor(244, 172, 100), QColor(152, 72, 50)},
      {horizon + 350, 110, 0.0018, 0.7, QColor(250, 186, 110), QColor(140, 64, 40)}};
  for (const Layer& L : layers) {
    // Dunes rise gently on the windward side and drop steeply on the lee.
    auto crest = [&](double x) {
      const double u = x * L.freq + L.phase + 0.45 * fbm(x / 260.0, L.base * 0.01, 91, 3);
      const double t = u - std::floor(u);
      const double profile =
          t < 0.72 ? std::sin(t / 0.72 * M_PI / 2) : std::cos((t - 0.72) / 0.28 * M_PI / 2);
      return L.base - L.amp * (0.35 + 0.65 * profile) * (0.8 + 0.2 * std::sin(x * 0.002 + L.phase));
    };
    for (int x = 0; x < w; ++x) {
      const double top = crest(x + 0.5), slope = crest(x + 1.5) - crest(x - 0.5);
      // Faces climbing towards the sun on the right catch its light; the
      // steep lee faces lie in shade.
      const double light = std::clamp(0.55 - slope * 0.9, 0.0, 1.0);
      QLinearGradient g(QPointF(0, top), QPointF(0, h));
      g.setColorAt(0, mix(L.shade, L.lit, light));
      g.setColorAt(1, darker(mix(L.shade, L.lit, light), 0.3));
      p.fillRect(QRectF(x, top, 1, h - top), g);
    }
    // Wind ripples.
    Rng rng(static_cast<std::uint64_t>(L.base));
    p.setPen(QPen(QColor(120, 60, 40, 50), 1.2));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 40; ++i) {
      const double x = rng.range(0, w), y = crest(x) + rng.range(15, 120);
      QPainterPath ripple(QPointF(x - 40, y));
      ripple.cubicTo(QPointF(x - 15, y - 6), QPointF(x + 15, y + 6), QPointF(x + 40, y));
      p.drawPath(ripple);
    }
  }
  return img;
}

QImage drawMistyLake() {
  const int w = 800, h = 600, shore = 330;
  QImage scene = newCanvas(w, shore);
  {
    QPainter p(&scene);
    p.setRenderHint(QPainter::Antialiasing);
    fillVertical(p, QRectF(0, 0, w, shore),
                 {{0, QColor(196, 196, 196)}, {1, QColor(236, 236, 236)}});
    const int greys[] = {196, 168, 136, 96};
    for (int i = 0; i < 4; ++i) {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(greys[i], greys[i], greys[i]));
      p.drawPath(ridge(w, shore - 40 + 18 * i, 170 - 35 * i, 260 + 40 * i, 31 + i, shore + 10));
      // Mist settling in the valleys in front of each range.
      QLinearGradient mist(QPointF(0, shore - 120 + 20 * i), QPointF(0, shore));
      mist.setColorAt(0, QColor(240, 240, 240, 0));
      mist.setColorAt(1, QColor(240, 240, 240, 150));
      p.fillRect(QRectF(0, 0, w, shore), mist);
    }
    // Pines on the left shore.
    Rng rng(99);
    p.setBrush(QColor(40, 40, 40));
    for (int i = 0; i < 16; ++i) {
      const double x = rng.range(0, 260), hgt = rng.range(50, 120), bw = hgt * 0.32;
      QPainterPath tree;
      for (int k = 0; k < 4; ++k) {
        const double top = shore - hgt + k * hgt * 0.2, bot = top + hgt * 0.38;
        tree.moveTo(x, top);
        tree.lineTo(x + bw * (0.5 + 0.15 * k), bot);
        tree.lineTo(x - bw * (0.5 + 0.15 * k), bot);
        tree.closeSubpath();
      }
      tree.addRect(QRectF(x - 2, shore - 10, 4, 10));
      p.drawPath(tree.simplified());
    }
  }
  QImage img = newCanvas(w, h);
  QPainter p(&img);
  p.drawImage(0, 0, scene);
  p.end();
  // The lake mirrors the scene, darker and broken by small ripples.
  for (int y = shore; y < h; ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    const int d = y - shore;
    const int src = std::max(0, shore - 1 - static_cast<int>(d * 1.1));
    const auto* from = reinterpret_cast<const QRgb*>(scene.constScanLine(src));
    for (int x = 0; x < w; ++x) {
      const int sx = std::clamp(x + static_cast<int>(3 * std::sin(y * 0.9 + x * 0.02)), 0, w - 1);
      const int g = static_cast<int>(qGray(from[sx]) * (0.82 - 0.15 * d / (h - shore)));
      row[x] = qRgb(g, g, g);
    }
  }
  return img;
}

QImage drawLighthouse() {
  const int w = 600, h = 900, horizon = 560;
  QImage img = newCanvas(w, h);
  {
    QPainter p(&img);
    fillVertical(
        p, QRectF(0, 0, w, horizon),
        {{0, QColor(34, 70, 150)}, {0.6, QColor(150, 140, 180)}, {1, QColor(252, 190, 140)}});
  }
  paintClouds(img, horizon - 60, 160, 40, 41, 0.58);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  fillVertical(p, QRectF(0, horizon, w, h - horizon),
               {{0, QColor(46, 86, 130)}, {1, QColor(16, 40, 76)}});
  Rng rng(5);
  for (int i = 0; i < 500; ++i) {
    const double t = rng.uniform();
    const double y = horizon + 4 + t * t * (h - horizon);
    const double x = rng.range(0, w), len = 6 + 40 * t;
    p.setPen(QPen(QColor(180, 210, 240, 90), 1 + 1.5 * t, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(x, y), QPointF(x + len, y));
  }
  // Rocks.
  QPainterPath rocks(QPointF(0, h));
  rocks.lineTo(0, 700);
  rocks.cubicTo(QPointF(80, 660), QPointF(160, 690), QPointF(220, 640));
  rocks.cubicTo(QPointF(270, 610), QPointF(380, 620), QPointF(420, 660));
  rocks.cubicTo(QPointF(470, 700), QPointF(540, 760), QPointF(600, 780));
  rocks.lineTo(600, h);
  rocks.closeSubpath();
  QLinearGradient rg(QPointF(0, 620), QPointF(0, h));
  rg.setColorAt(0, QColor(96, 84, 80));
  rg.setColorAt(1, QColor(40, 34, 34));
  p.setPen(Qt::NoPen);
  p.setBrush(rg);
  p.drawPath(rocks);
  p.setPen(QPen(QColor(30, 26, 26, 160), 2));
  for (int i = 0; i < 24; ++i) {
    const double x = rng.range(10, 580), y = rng.range(700, 880);
    p.drawLine(QPointF(x, y), QPointF(x + rng.range(-30, 30), y + rng.range(8, 30)));
  }
  // Light beams behind the tower.
  const QPointF lamp(320, 292);
  for (int side : {-1, 1}) {
    QPainterPath beam(lamp);
    beam.lineTo(lamp + QPointF(side * 340, -90));
    beam.lineTo(lamp + QPointF(side * 340, 30));
    beam.closeSubpath();
    QLinearGradient bg(lamp, lamp + QPointF(side * 340, 0));
    bg.setColorAt(0, QColor(255, 240, 160, 150));
    bg.setColorAt(1, QColor(255, 240, 160, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawPath(beam);
  }
  // The tower: tapered, white with red bands, lit from the left.
  auto towerX = [](double y, double side) { return 320 + side * (30 + (y - 330) * 0.06); };
  QPainterPath tower(QPointF(towerX(330, -1), 330));
  tower.lineTo(towerX(640, -1), 640);
  tower.lineTo(towerX(640, 1), 640);
  tower.lineTo(towerX(330, 1), 330);
  tower.closeSubpath();
  QLinearGradient shade(QPointF(290, 0), QPointF(360, 0));
  shade.setColorAt(0, QColor(250, 248, 240));
  shade.setColorAt(1, QColor(170, 170, 180));
  p.setBrush(shade);
  p.drawPath(tower);
  QLinearGradient redShade(QPointF(290, 0), QPointF(360, 0));
  redShade.setColorAt(0, QColor(220, 40, 40));
  redShade.setColorAt(1, QColor(130, 20, 30));
  p.setBrush(redShade);
  for (int band = 0; band < 3; ++band) {
    const double y0 = 380 + band * 90, y1 = y0 + 40;
    QPainterPath b(QPointF(towerX(y0, -1), y0));
    b.lineTo(towerX(y1, -1), y1);
    b.lineTo(towerX(y1, 1), y1);
    b.lineTo(towerX(y0, 1), y0);
    b.closeSubpath();
    p.drawPath(b);
  }
  p.setBrush(QColor(60, 50, 50));
  p.drawRoundedRect(QRectF(308, 600, 24, 40), 10, 10);
  p.drawRect(QRectF(314, 430, 10, 16));
  // Gallery, lantern and roof.
  p.setBrush(QColor(40, 40, 48));
  p.drawRect(QRectF(276, 318, 88, 12));
  p.setBrush(QColor(255, 232, 120));
  p.drawRect(QRectF(296, 270, 48, 48));
  p.setPen(QPen(QColor(40, 40, 48), 3));
  for (double x : {308.0, 320.0, 332.0}) p.drawLine(QPointF(x, 270), QPointF(x, 318));
  p.setPen(Qt::NoPen);
  QPainterPath roof(QPointF(288, 272));
  roof.quadTo(QPointF(320, 220), QPointF(352, 272));
  roof.closeSubpath();
  p.setBrush(QColor(170, 30, 36));
  p.drawPath(roof);
  p.setBrush(QColor(40, 40, 48));
  p.drawEllipse(QPointF(320, 236), 5, 5);
  // Gulls.
  p.setPen(QPen(QColor(40, 40, 60), 2.2, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  for (auto [x, y, s] :
       {std::tuple{120.0, 180.0, 14.0}, {170.0, 150.0, 10.0}, {470.0, 120.0, 12.0}}) {
    QPainterPath gull(QPointF(x - s, y));
    gull.quadTo(QPointF(x - s / 2, y - s / 2), QPointF(x, y));
    gull.quadTo(QPointF(x + s / 2, y - s / 2), QPointF(x + s, y));
    p.drawPath(gull);
  }
  return img;
}

QImage drawRose() {
  const int s = 640;
  QImage img = newCanvas(s, s);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient bg(QPointF(320, 300), 460);
  bg.setColorAt(0, QColor(120, 160, 100));
  bg.setColorAt(1, QColor(20, 52, 30));
  p.fillRect(QRectF(0, 0, s, s), bg);
  Rng rng(12);
  for (int i = 0; i < 24; ++i) {
    const QPointF c(rng.range(0, s), rng.range(0, s));
    const double r = rng.range(20, 60);
    QRadialGradient b(c, r);
    b.setColorAt(0, QColor(230, 240, 200, 60));
    b.setColorAt(1, QColor(230, 240, 200, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(b);
    p.drawEllipse(c, r, r);
  }
  QPainterPath stem(QPointF(330, 640));
  stem.cubicTo(QPointF(340, 560), QPointF(310, 480), QPointF(322, 400));
  paintStem(p, stem, 10, QColor(70, 126, 50));
  const LeafStyle leaf{QColor(110, 176, 70), QColor(30, 94, 36), QColor(170, 210, 120), true};
  for (auto [bx, by, tx, ty] : {std::tuple{320.0, 330.0, 120.0, 250.0},
                                {320.0, 330.0, 520.0, 230.0},
                                {320.0, 330.0, 150.0, 470.0},
                                {320.0, 330.0, 500.0, 480.0},
                                {330.0, 560.0, 430.0, 600.0}}) {
    paintLeaf(p, QPointF(bx, by), QPointF(tx, ty), 90, rng.range(-0.08, 0.08), leaf);
  }
  paintRose(p, QPointF(320, 300), 180, 15, rng);
  paintBud(p, QPointF(470, 150), QPointF(520, 80), 22, QColor(200, 24, 44));
  return img;
}

QImage drawTulips() {
  const int w = 360, h = 480, horizon = 170;
  QImage img = newCanvas(w, h);
  {
    QPainter p(&img);
    fillVertical(p, QRectF(0, 0, w, horizon),
                 {{0, QColor(90, 150, 220)}, {1, QColor(200, 226, 246)}});
  }
  paintClouds(img, horizon, 110, 40, 61, 0.55);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  // Rows of tulips running to the horizon: bands of green with blossoms
  // that shrink with distance.
  const QColor rows[] = {QColor(220, 40, 50), QColor(250, 210, 40), QColor(236, 110, 170)};
  fillVertical(p, QRectF(0, horizon, w, h - horizon),
               {{0, QColor(96, 150, 70)}, {1, QColor(60, 120, 44)}});
  Rng rng(3);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 16; ++i) {
    const double y0 = horizon + std::pow(i / 16.0, 1.8) * (h - horizon);
    const double y1 = horizon + std::pow((i + 0.6) / 16.0, 1.8) * (h - horizon);
    const QColor c = rows[i % 3];
    const double r = std::max(0.8, (y1 - y0) * 0.35);
    for (double x = rng.range(0, r); x < w; x += r * rng.range(1.1, 1.6)) {
      const double y = rng.range(y0, y1);
      p.setBrush(jitter(c, rng, 25));
      p.drawEllipse(QPointF(x, y), r, r * 0.8);
    }
  }
  // Tulips in front, on their stalks.
  for (int i = 0; i < 18; ++i) {
    const double t = (i + rng.uniform()) / 18;
    const double y = 330 + t * 120;
    const double x = rng.range(16, w - 16);
    const double size = 18 + 26 * t;
    const QColor colour = rows[rng.below(3)];
    QPainterPath stalk(QPointF(x, h + 10));
    stalk.quadTo(QPointF(x + rng.range(-8, 8), (y + h) / 2), QPointF(x, y));
    paintStem(p, stalk, size * 0.1, QColor(70, 136, 52));
    const LeafStyle leaf{QColor(120, 186, 90), QColor(44, 110, 44), QColor(160, 206, 120), false};
    const double side = rng.chance(0.5) ? 1 : -1;
    paintLeaf(p, QPointF(x, h + 10), QPointF(x + side * size * 0.8, y + size * 0.6), size * 0.45,
              0.05 * side, leaf);
    // The cup: two outer petals and one in front.
    QLinearGradient cg(QPointF(x - size * 0.5, 0), QPointF(x + size * 0.5, 0));
    cg.setColorAt(0, lighter(colour, 0.2));
    cg.setColorAt(1, darker(colour, 0.3));
    p.setPen(QPen(darker(colour, 0.45), 0.8));
    p.setBrush(cg);
    QPainterPath cup(QPointF(x - size * 0.5, y - size * 1.1));
    cup.quadTo(QPointF(x - size * 0.62, y - size * 0.1), QPointF(x, y));
    cup.quadTo(QPointF(x + size * 0.62, y - size * 0.1), QPointF(x + size * 0.5, y - size * 1.1));
    cup.lineTo(QPointF(x + size * 0.25, y - size * 0.8));
    cup.lineTo(QPointF(x, y - size * 1.15));
    cup.lineTo(QPointF(x - size * 0.25, y - size * 0.8));
    cup.closeSubpath();
    p.drawPath(cup);
    p.setBrush(lighter(colour, 0.1));
    QPainterPath front(QPointF(x, y));
    front.quadTo(QPointF(x - size * 0.4, y - size * 0.6), QPointF(x, y - size * 1.05));
    front.quadTo(QPointF(x + size * 0.4, y - size * 0.6), QPointF(x, y));
    p.drawPath(front);
    p.setPen(Qt::NoPen);
  }
  return img;
}

QImage drawPianoKeys() {
  // Flat pure white keys and pure black keys: the two colours that windows
  // with colour keys treat specially.
  const int w = 512, h = 200, keyTop = 16, keyBottom = 188, white = 15, keyW = 34;
  QImage img = newCanvas(w, h);
  QPainter p(&img);
  fillVertical(p, QRectF(0, 0, w, keyTop), {{0, QColor(96, 14, 24)}, {1, QColor(150, 30, 40)}});
  const int left = (w - white * keyW) / 2;
  p.fillRect(QRect(0, keyTop, w, keyBottom - keyTop), Qt::black);
  for (int k = 0; k < white; ++k) {
    p.fillRect(QRect(left + k * keyW + 1, keyTop, keyW - 1, keyBottom - keyTop - 4), Qt::white);
    p.fillRect(QRect(left + k * keyW + 1, keyBottom - 4, keyW - 1, 4), QColor(200, 200, 200));
  }
  // Black keys over the gaps: after C, D, F, G, A of each octave.
  for (int k = 0; k < white - 1; ++k) {
    const int n = k % 7;
    if (n == 2 || n == 6) continue;
    const int x = left + (k + 1) * keyW - 11;
    p.fillRect(QRect(x, keyTop, 22, 106), Qt::black);
    p.fillRect(QRect(x + 3, keyTop + 96, 16, 6), QColor(70, 70, 70));
  }
  p.fillRect(QRect(0, keyBottom, w, h - keyBottom), QColor(96, 14, 24));
  return img;
}

QImage drawGarden() {
  const int w = 640, h = 480, horizon = 170;
  QImage img = newCanvas(w, h);
  {
    QPainter p(&img);
    fillVertical(p, QRectF(0, 0, w, horizon),
                 {{0, QColor(80, 140, 214)}, {1, QColor(196, 222, 244)}});
  }
  paintClouds(img, horizon, 160, 50, 71, 0.54);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  Rng rng(8);
  // Hedge and lawn.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(46, 100, 44));
  p.drawPath(ridge(w, horizon + 10, 40, 90, 81, horizon + 60));
  fillVertical(p, QRectF(0, horizon + 40, w, h - horizon - 40),
               {{0, QColor(110, 170, 70)}, {1, QColor(60, 130, 40)}});
  // Fence.
  for (int x = 4; x < w; x += 26) {
    QPainterPath post(QPointF(x, horizon + 70));
    post.lineTo(x + 5, horizon + 58);
    post.lineTo(x + 10, horizon + 70);
    post.lineTo(x + 10, horizon + 120);
    post.lineTo(x, horizon + 120);
    post.closeSubpath();
    p.setBrush(QColor(240, 236, 220));
    p.setPen(QPen(QColor(150, 140, 120), 1));
    p.drawPath(post);
  }
  p.fillRect(QRectF(0, horizon + 80, w, 6), QColor(226, 220, 200));
  p.fillRect(QRectF(0, horizon + 104, w, 6), QColor(226, 220, 200));
  // Path of stones converging on the gate.
  QPainterPath path(QPointF(270, h));
  path.lineTo(310, horizon + 120);
  path.lineTo(330, horizon + 120);
  path.lineTo(420, h);
  path.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(190, 170, 140));
  p.drawPath(path);
  for (int i = 0; i < 120; ++i) {
    const double t = rng.uniform();
    const double y = horizon + 125 + t * (h - horizon - 125);
    const double half = 10 + t * 65;
    const double x = 320 + (rng.uniform() - 0.5) * 2 * half * 0.95 + t * 15;
    const double r = 2 + 9 * t;
    p.setBrush(jitter(QColor(160, 150, 136), rng, 20));
    p.drawEllipse(QPointF(x, y), r * 1.3, r * 0.8);
  }
  // Beds of flowers on both sides.
  const FlowerStyle styles[] = {blueFlower(), yellowFlower(), pinkFlower()};
  for (int i = 0; i < 420; ++i) {
    const double t = std::pow(rng.uniform(), 0.8);
    const double y = horizon + 130 + t * (h - horizon - 120);
    const double edge = 300 - t * 40;
    double x = rng.range(0, edge);
    if (rng.chance(0.5)) x = w - x + 20;
    const double r = 3 + 12 * t;
    paintLeaf(p, QPointF(x, y), QPointF(x + rng.range(-1, 1) * r, y - r * 1.8), r * 0.6, 0,
              LeafStyle{QColor(110, 176, 70), QColor(40, 104, 38), QColor(170, 210, 120), false});
    if (rng.chance(0.2))
      paintRose(p, QPointF(x, y - r), r, rng.range(0, 360), rng);
    else
      paintFivePetal(p, QPointF(x, y - r), r, rng.range(0, 72), styles[rng.below(3)], 0.5);
  }
  return img;
}

}  // namespace assetgen
