#include "wreath.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "flora.h"
#include "paint_kit.h"

namespace assetgen {

namespace {

// The geometry every element is placed by: `opening` is the base of the
// picture opening (fitted), `outer` the foliage band's outer edge, a fixed
// margin outside it (wider at the sides than at the top and bottom).
struct Geometry {
  Oval opening;
  Oval outer;
  void setOpening(const Oval& o) {
    opening = o;
    outer = o;
    outer.left -= kSideMargin;
    outer.right += kSideMargin;
    outer.top -= kTopMargin;
    outer.bottom += kTopMargin;
  }
  static constexpr double kSideMargin = 36, kTopMargin = 19;
};

Geometry nominalGeometry() {
  Geometry g;
  g.setOpening({136, 40, 696, 559, 2.1, 0.1, 0});
  return g;
}

// Every element draws its randomness from its own generator, so that the
// fit, which nudges the geometry, never reshuffles the elements.
Rng elementRng(std::uint64_t layer, int index) {
  return Rng(0x5EED0000ull * layer + 7919ull * static_cast<std::uint64_t>(index) + 20240611ull);
}

// Extents the outward-pointing leaf tips aim for.
const QRectF kOuterExtent(QPointF(45, 5), QPointF(790, 590));

// Places where the generic flowers stay away: the two butterflies, the
// flower under the top-right butterfly and the leaf cluster behind the
// status labels.
const QRectF kQuietZones[] = {
    QRectF(QPointF(640, 48), QPointF(752, 204)),
    QRectF(QPointF(196, 416), QPointF(312, 548)),
    QRectF(QPointF(80, 280), QPointF(182, 388)),
};

bool inQuietZone(QPointF p, double margin) {
  for (const QRectF& z : kQuietZones)
    if (z.adjusted(-margin, -margin, margin, margin).contains(p)) return true;
  return false;
}

LeafStyle leafVariant(Rng& rng, double darkness) {
  // Greens from yellowish to bluish, darker deeper in the band.
  const QColor lights[] = {QColor(116, 178, 70), QColor(92, 160, 72), QColor(130, 186, 92),
                           QColor(80, 150, 90)};
  const QColor darks[] = {QColor(40, 104, 36), QColor(30, 90, 44), QColor(52, 112, 40),
                          QColor(26, 84, 56)};
  const int i = rng.below(4);
  LeafStyle s;
  s.light = darker(jitter(lights[i], rng, 10), darkness);
  s.dark = darker(jitter(darks[i], rng, 8), darkness);
  s.vein = mix(s.light, QColor(200, 230, 150), 0.35);
  return s;
}

QPointF lerp(QPointF a, QPointF b, double t) { return a + (b - a) * t; }

// Point at fraction f across the band (0 on the opening, 1 on the outer edge)
// for the given angle.
QPointF across(const Geometry& g, double angle, double f) {
  return lerp(g.opening.at(angle), g.outer.at(angle), f);
}

double bandWidth(const Geometry& g, double angle) {
  const QPointF d = g.outer.at(angle) - g.opening.at(angle);
  return std::hypot(d.x(), d.y());
}

void paintBand(QPainter& p, const Geometry& g) {
  QPainterPath ring = g.outer.path();
  ring.addPath(g.opening.path());
  ring.setFillRule(Qt::OddEvenFill);
  QRadialGradient shade(g.opening.centre(), 400);
  shade.setColorAt(0.6, QColor(26, 72, 34));
  shade.setColorAt(1.0, QColor(40, 96, 40));
  p.setPen(Qt::NoPen);
  p.setBrush(shade);
  p.drawPath(ring);
}

// Leaves all over the band, lying mostly along it like a woven garland:
// the foliage the flowers sit in.
void paintFoliage(QPainter& p, const Geometry& g) {
  const CurveWalker walk(g.opening);
  const QPointF c = g.outer.centre();
  const int count = 1100;
  for (int i = 0; i < count; ++i) {
    Rng rng = elementRng(1, i);
    const double angle = walk.angleAt(walk.length() * (i + rng.uniform()) / count);
    const double f = rng.range(0.08, 0.92);
    const double len = rng.range(12, 22);
    const double turn = rng.range(-0.7, 0.7) + (rng.chance(0.5) ? 0 : M_PI);
    const double width = rng.range(0.36, 0.46), bend = rng.range(-0.12, 0.12);
    const LeafStyle style = leafVariant(rng, rng.range(0.0, 0.35));
    const QPointF at = across(g, angle, f);
    const QPointF n = g.opening.outwardNormal(angle);
    const QPointF t(-n.y(), n.x());
    const QPointF tip = at + (t * std::cos(turn) + n * std::sin(turn)) * len;
    // Keep these inside the band: the edges get their own leaves.
    const QPointF d = tip - c;
    const double a = std::atan2(d.y(), d.x());
    const QPointF o = g.outer.at(a) - c, in = g.opening.at(a) - c;
    const double r = std::hypot(d.x(), d.y());
    if (r > std::hypot(o.x(), o.y()) + 2 || r < std::hypot(in.x(), in.y()) + 2) continue;
    paintLeaf(p, at, tip, len * width, bend, style);
  }
}

// Short leaves along the outer edge pointing outwards: the wreath's rim.
void paintOuterLeaves(QPainter& p, const Geometry& g) {
  const CurveWalker walk(g.outer);
  const int count = 60;
  for (int i = 0; i < count; ++i) {
    Rng rng = elementRng(2, i);
    const double angle = walk.angleAt(walk.length() * (i + rng.range(0.2, 0.8)) / count);
    const double inset = rng.range(5, 9), tilt = rng.range(-0.7, 0.7), len = rng.range(14, 22);
    const double width = rng.range(0.34, 0.42), bend = rng.range(-0.1, 0.1);
    const LeafStyle style = leafVariant(rng, rng.range(0.0, 0.2));
    const QPointF at = g.outer.at(angle);
    const QPointF n = g.outer.outwardNormal(angle);
    const QPointF dir(n.x() * std::cos(tilt) - n.y() * std::sin(tilt),
                      n.x() * std::sin(tilt) + n.y() * std::cos(tilt));
    const QPointF base = at - n * inset;
    if (!inQuietZone(base, 0)) paintLeaf(p, base, base + dir * len, len * width, bend, style);
  }
}

// Sprays of three long leaves where the wreath reaches furthest out: right,
// top and bottom (the leaf cluster reaches out on the left).
void paintSprays(QPainter& p, const Geometry& g) {
  struct Spray {
    double angle;  // on the outer edge
    double turn;   // of the middle leaf against the outward normal
  };
  const Spray sprays[] = {{0.02, 0.1}, {-M_PI / 2 - 0.25, -0.25}, {M_PI / 2 + 0.3, 0.2}};
  int index = 0;
  for (const Spray& s : sprays) {
    Rng rng = elementRng(7, index++);
    const QPointF at = g.outer.at(s.angle);
    const QPointF n = g.outer.outwardNormal(s.angle);
    const QPointF base = at - n * 8;
    // Length to the extent along the middle leaf's direction.
    const QPointF mid(n.x() * std::cos(s.turn) - n.y() * std::sin(s.turn),
                      n.x() * std::sin(s.turn) + n.y() * std::cos(s.turn));
    double reach = 8;
    while (reach < 90 && kOuterExtent.contains(base + mid * (reach + 0.5))) reach += 0.5;
    for (double side : {-1.0, 1.0, 0.0}) {
      const double turn = s.turn + side * 0.55;
      const QPointF dir(n.x() * std::cos(turn) - n.y() * std::sin(turn),
                        n.x() * std::sin(turn) + n.y() * std::cos(turn));
      const double len = side == 0 ? reach : reach * 0.68;
      paintLeaf(p, base, base + dir * len, len * 0.36, side * 0.06, leafVariant(rng, 0.0));
    }
  }
}

// Leaves along the inner edge leaning inwards: they bite into the opening.
void paintInnerLeaves(QPainter& p, const Geometry& g) {
  const CurveWalker walk(g.opening);
  const int count = 60;
  for (int i = 0; i < count; ++i) {
    Rng rng = elementRng(3, i);
    const double angle = walk.angleAt(walk.length() * (i + rng.range(0.25, 0.75)) / count);
    const double len = rng.range(15, 30);
    const double lean = rng.range(0.35, 0.9) * (rng.chance(0.5) ? 1 : -1);
    const double offset = rng.range(2, 6);
    const double width = rng.range(0.36, 0.46), bend = rng.range(-0.1, 0.1);
    const LeafStyle style = leafVariant(rng, rng.range(0.0, 0.15));
    const QPointF at = g.opening.at(angle);
    const QPointF n = g.opening.outwardNormal(angle);
    const QPointF t(-n.y(), n.x());
    const QPointF dir = -n * std::cos(lean) + t * std::sin(lean);
    const QPointF base = at + n * offset;
    if (!inQuietZone(base, 6)) paintLeaf(p, base, base + dir * len, len * width, bend, style);
  }
}

// Flowers along the band, straddling its inner edge so that they bite into
// the opening too.
void paintFlowers(QPainter& p, const Geometry& g) {
  const CurveWalker walk(g.opening);
  const int count = 42;
  const int order[] = {0, 1, 2, 0, 3, 1, 0, 2, 3, 0, 1, 3};
  for (int i = 0; i < count; ++i) {
    Rng rng = elementRng(4, i);
    const double angle = walk.angleAt(walk.length() * (i + rng.range(0.35, 0.65)) / count);
    const double sizing = rng.range(0.7, 0.85);
    const double place = i % 3 == 1 ? rng.range(0.0, 0.2) : rng.range(0.3, 0.6);
    // Larger at the sides, where the band is wide, than at the top and bottom.
    const double r = (14 + 12 * std::pow(std::abs(std::cos(angle)), 1.5)) * sizing;
    const QPointF at = g.opening.at(angle) + g.opening.outwardNormal(angle) * (r * place);
    if (inQuietZone(at, r * 0.8)) continue;
    // Leaves under each flower give it a setting.
    for (int k = 0; k < 3; ++k) {
      const double a = rng.range(0, 2 * M_PI);
      const QPointF tip = at + QPointF(std::cos(a), std::sin(a)) * r * 1.4;
      paintLeaf(p, at, tip, r * 0.62, rng.range(-0.1, 0.1), leafVariant(rng, 0.05));
    }
    const double turn = rng.range(0, 72), fullness = rng.range(0.3, 0.7);
    switch (order[i % 12]) {
      case 0:
        paintRose(p, at, r * 1.05, turn * 5, rng);
        break;
      case 1:
        paintFivePetal(p, at, r, turn, blueFlower(), fullness);
        break;
      case 2:
        paintFivePetal(p, at, r * 0.95, turn, yellowFlower(), fullness);
        break;
      default:
        paintFivePetal(p, at, r * 0.95, turn, pinkFlower(), fullness);
        break;
    }
  }
}

// A second row of flowers near the outer edge where the band is wide.
void paintOuterFlowers(QPainter& p, const Geometry& g) {
  const CurveWalker walk(g.opening);
  const int count = 40;
  const int order[] = {2, 0, 3, 1, 0, 3, 2, 1};
  for (int i = 0; i < count; ++i) {
    Rng rng = elementRng(6, i);
    const double angle = walk.angleAt(walk.length() * (i + rng.range(0.0, 0.2)) / count);
    const double w = bandWidth(g, angle);
    const double r = std::min(w * 0.42, 15.0) * rng.range(0.85, 1.0);
    const double turn = rng.range(0, 72), fullness = rng.range(0.3, 0.7);
    const double lean = rng.range(0, 2 * M_PI);
    const QPointF at = across(g, angle, rng.range(0.62, 0.72));
    if (w < 30 || inQuietZone(at, r)) continue;
    paintLeaf(p, at, at + QPointF(std::cos(lean), std::sin(lean)) * r * 1.5, r * 0.6, 0,
              leafVariant(rng, 0.05));
    switch (order[i % 8]) {
      case 0:
        paintRose(p, at, r, turn * 5, rng);
        break;
      case 1:
        paintFivePetal(p, at, r, turn, blueFlower(), fullness);
        break;
      case 2:
        paintFivePetal(p, at, r, turn, yellowFlower(), fullness);
        break;
      default:
        paintFivePetal(p, at, r, turn, pinkFlower(), fullness);
        break;
    }
  }
}

// Small flowers and buds between the big ones.
void paintFillers(QPainter& p, const Geometry& g) {
  const CurveWalker walk(g.opening);
  const int count = 42;
  const FlowerStyle styles[] = {blueFlower(), yellowFlower(), pinkFlower()};
  for (int i = 0; i < count; ++i) {
    Rng rng = elementRng(5, i);
    const double angle = walk.angleAt(walk.length() * (i + rng.range(0.1, 0.3)) / count);
    const QPointF at = across(g, angle, rng.range(0.5, 0.9));
    const bool flower = rng.chance(0.5);
    const double turn = rng.range(0, 72), a = rng.range(0, 2 * M_PI);
    const int style = rng.below(3);
    if (inQuietZone(at, 10)) continue;
    const double r = rng.range(6, 9);
    if (flower) {
      paintFivePetal(p, at, r, turn, styles[style], 0.5);
    } else {
      const QPointF tip = at + QPointF(std::cos(a), std::sin(a)) * r * 1.6;
      paintBud(p, at, tip, r * 0.55, style == 0 ? QColor(200, 24, 44) : QColor(226, 96, 150));
    }
  }
}

// A cluster of dark leaves on a short stalk on the left side of the ring:
// the yellow status labels stand on it, so it must be dark and cover them.
void paintLabelCluster(QPainter& p) {
  const LeafStyle shades[] = {
      {QColor(44, 90, 48), QColor(14, 44, 22), QColor(60, 106, 62), true},
      {QColor(34, 76, 40), QColor(10, 36, 18), QColor(50, 92, 54), true},
      {QColor(40, 84, 56), QColor(12, 40, 28), QColor(58, 100, 70), true},
  };
  QPainterPath stalk(QPointF(98, 282));
  stalk.cubicTo(QPointF(104, 310), QPointF(98, 350), QPointF(106, 388));
  paintStem(p, stalk, 3.0, QColor(34, 74, 36));
  struct L {
    QPointF base, tip;
    double width, bend;
    int shade;
  };
  const L leaves[] = {
      // Outward first, so the inward ones lie over them.
      {{99, 292}, {58, 268}, 24, 0.06, 0},    {{100, 316}, {46, 324}, 28, -0.05, 1},
      {{101, 342}, {48, 358}, 28, 0.05, 2},   {{104, 378}, {62, 400}, 24, -0.06, 0},
      {{103, 372}, {164, 394}, 30, 0.05, 1},  {{100, 298}, {160, 280}, 30, -0.06, 2},
      {{101, 336}, {178, 336}, 38, 0.03, 0},  {{102, 356}, {182, 362}, 38, 0.02, 1},
      {{100, 316}, {174, 310}, 36, -0.03, 2},
  };
  for (const L& l : leaves) paintLeaf(p, l.base, l.tip, l.width, l.bend, shades[l.shade]);
}

// The leaf hanging into the opening from the top edge, right of centre.
void paintTopLeaf(QPainter& p) {
  const LeafStyle s{QColor(120, 184, 76), QColor(42, 106, 40), QColor(176, 214, 120), true};
  QPainterPath stalk(QPointF(486, 30));
  stalk.quadTo(QPointF(490, 40), QPointF(494, 48));
  paintStem(p, stalk, 2.2, QColor(70, 130, 50));
  paintLeaf(p, QPointF(494, 46), QPointF(508, 110), 32, 0.07, s);
}

// The green-and-blue butterfly at the top right whose wing dots carry the
// panel's hot spots, and the blue flower under it whose red heart and
// petals carry the centring spot and the arrow pads.
void paintTopRightButterfly(QPainter& p) {
  FlowerStyle padFlower = blueFlower();
  padFlower.centre = QColor(228, 32, 32);
  padFlower.centreRing = QColor(150, 10, 14);
  // Leaves behind the flower tie it into the wreath.
  const LeafStyle s{QColor(100, 170, 72), QColor(34, 96, 40), QColor(160, 206, 110), true};
  paintLeaf(p, QPointF(676, 182), QPointF(702, 204), 16, 0.05, s);
  // Leaves from the ring up under the wings: the butterfly rests on them.
  paintLeaf(p, QPointF(640, 136), QPointF(688, 118), 15, -0.06, s);
  paintLeaf(p, QPointF(642, 128), QPointF(660, 96), 13, 0.06, s);
  paintLeaf(p, QPointF(668, 184), QPointF(646, 206), 15, -0.05, s);
  paintFivePetal(p, QPointF(670.5, 178), 22.5, -103, padFlower, 1.0);

  const QColor dotColour(250, 214, 30);
  const WingStyle green{QColor(20, 90, 70), QColor(58, 176, 92), QColor(30, 84, 190),
                        QColor(14, 40, 50)};
  const WingStyle blue{QColor(20, 50, 120), QColor(40, 110, 210), QColor(20, 40, 130),
                       QColor(10, 24, 60)};

  // Hind wing of the upper side, partly hidden by the fore wing.
  QPainterPath hind(QPointF(702, 113));
  hind.cubicTo(QPointF(712, 112), QPointF(728, 108), QPointF(730, 96));
  hind.cubicTo(QPointF(732, 86), QPointF(718, 82), QPointF(708, 88));
  hind.cubicTo(QPointF(700, 94), QPointF(698, 106), QPointF(702, 113));
  hind.closeSubpath();
  paintWing(p, hind, QPointF(704, 113), blue, {{QPointF(722, 96), 2.5, QColor(120, 220, 120)}}, 4);

  // Upper (fore) wing: seven dots.
  QPainterPath upper(QPointF(706, 112));
  upper.cubicTo(QPointF(708, 96), QPointF(701, 74), QPointF(689, 65));
  upper.cubicTo(QPointF(678, 57), QPointF(661, 60), QPointF(653, 71));
  upper.cubicTo(QPointF(646, 80), QPointF(646, 99), QPointF(655, 107));
  upper.cubicTo(QPointF(663, 114), QPointF(676, 114), QPointF(684, 113));
  upper.closeSubpath();
  const double r = 3.3;
  auto dot = [&](int x, int y) { return Spot{QPointF(x + 1.5, y + 1.5), r, dotColour}; };
  paintWing(p, upper, QPointF(700, 113), green,
            {dot(660, 82), dot(672, 77), dot(676, 85), dot(665, 91), dot(670, 97), dot(681, 96),
             dot(673, 104)},
            7);

  // Lower wing: green on the left with two columns of dots, dark blue on the right.
  QPainterPath lower(QPointF(686, 121));
  lower.cubicTo(QPointF(676, 128), QPointF(671, 146), QPointF(676, 160));
  lower.cubicTo(QPointF(680, 169), QPointF(696, 169), QPointF(706, 163));
  lower.cubicTo(QPointF(716, 171), QPointF(737, 171), QPointF(745, 159));
  lower.cubicTo(QPointF(750, 146), QPointF(745, 127), QPointF(733, 122));
  lower.cubicTo(QPointF(726, 119), QPointF(716, 120), QPointF(712, 121));
  lower.closeSubpath();
  QLinearGradient across(QPointF(674, 0), QPointF(746, 0));
  across.setColorAt(0, QColor(40, 150, 84));
  across.setColorAt(0.3, QColor(62, 180, 96));
  across.setColorAt(0.42, QColor(30, 120, 130));
  across.setColorAt(0.52, QColor(18, 34, 128));
  across.setColorAt(1, QColor(12, 22, 96));
  const QBrush lowerFill(across);
  paintWing(
      p, lower, QPointF(700, 121), green,
      {dot(681, 135), dot(682, 143), dot(683, 151), dot(682, 159), dot(692, 131), dot(693, 140)}, 7,
      &lowerFill);

  paintButterflyBody(p, QPointF(676, 116.5), QPointF(726, 116.5), 11, QColor(214, 28, 36),
                     QPointF(744, 86), QPointF(740, 74), QColor(40, 20, 30));
}

// The many-coloured butterfly on a stem at the lower left of the ring.
void paintLowerLeftButterfly(QPainter& p) {
  // The stalk rises from the ring to the right of the butterfly and curls
  // in under its body.
  QPainterPath stem(QPointF(322, 556));
  stem.cubicTo(QPointF(314, 526), QPointF(290, 504), QPointF(262, 494));
  paintStem(p, stem, 3.0, QColor(74, 130, 52));
  const LeafStyle s{QColor(110, 176, 70), QColor(40, 104, 38), QColor(170, 210, 120), true};
  paintLeaf(p, QPointF(306, 520), QPointF(334, 500), 13, -0.08, s);
  paintLeaf(p, QPointF(290, 508), QPointF(296, 484), 10, 0.08, s);

  p.save();
  p.translate(258, 476);
  p.rotate(16);
  // Local frame: body along the y axis, head up.
  const WingStyle fore{QColor(120, 30, 150), QColor(246, 120, 24), QColor(40, 18, 50),
                       QColor(30, 10, 30)};
  const WingStyle hind{QColor(36, 60, 180), QColor(40, 176, 196), QColor(196, 28, 120),
                       QColor(30, 10, 40)};
  for (int side : {-1, 1}) {
    auto m = [side](double x, double y) { return QPointF(side * x, y); };
    QPainterPath h(m(2, 0));
    h.cubicTo(m(18, 4), m(38, 14), m(36, 34));
    h.cubicTo(m(34, 50), m(16, 58), m(8, 44));
    h.cubicTo(m(4, 34), m(2, 18), m(2, 0));
    h.closeSubpath();
    paintWing(p, h, m(2, 2), hind,
              {{m(24, 30), 4.5, QColor(250, 170, 30)},
               {m(24, 30), 2.0, QColor(40, 20, 60)},
               {m(16, 44), 2.6, QColor(250, 220, 40)}},
              5);
    QPainterPath f(m(2, -6));
    f.cubicTo(m(14, -26), m(34, -48), m(46, -46));
    f.cubicTo(m(52, -40), m(48, -18), m(40, -6));
    f.cubicTo(m(30, 4), m(12, 4), m(2, 0));
    f.closeSubpath();
    paintWing(p, f, m(2, -4), fore,
              {{m(42, -40), 2.6, QColor(252, 232, 60)},
               {m(45, -30), 2.2, QColor(252, 232, 60)},
               {m(40, -20), 2.0, QColor(252, 232, 60)},
               {m(24, -22), 3.2, QColor(230, 40, 60)}},
              6);
  }
  paintButterflyBody(p, QPointF(0, 22), QPointF(0, -20), 7.5, QColor(70, 40, 30), QPointF(-9, -50),
                     QPointF(10, -52), QColor(40, 24, 20));
  p.restore();
}

QImage paintScene(const Geometry& g) {
  QImage canvas(kSkinWidth, kSkinHeight, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  QPainter p(&canvas);
  p.setRenderHint(QPainter::Antialiasing);
  paintBand(p, g);
  paintFoliage(p, g);
  paintOuterLeaves(p, g);
  paintSprays(p, g);
  paintInnerLeaves(p, g);
  paintOuterFlowers(p, g);
  paintFlowers(p, g);
  paintFillers(p, g);
  paintLabelCluster(p);
  paintTopLeaf(p);
  paintTopRightButterfly(p);
  paintLowerLeftButterfly(p);
  p.end();
  return canvas;
}

// The opening: every pixel the scene left (mostly) unpainted that connects
// to the centre.
QImage openingMask(const QImage& scene, QPoint seed) {
  QImage mask(kMaskWidth, kMaskHeight, QImage::Format_Indexed8);
  mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  mask.fill(0);
  auto open = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < scene.width() && y < scene.height() &&
           qAlpha(reinterpret_cast<const QRgb*>(scene.constScanLine(y))[x]) < 128;
  };
  std::vector<QPoint> stack{seed};
  while (!stack.empty()) {
    const QPoint q = stack.back();
    stack.pop_back();
    if (!open(q.x(), q.y()) || mask.scanLine(q.y())[q.x()]) continue;
    mask.scanLine(q.y())[q.x()] = 1;
    stack.push_back({q.x() + 1, q.y()});
    stack.push_back({q.x() - 1, q.y()});
    stack.push_back({q.x(), q.y() + 1});
    stack.push_back({q.x(), q.y() - 1});
  }
  return mask;
}

// The skin: the scene wherever it covers at least a quarter of a pixel
// (thin strokes such as antennae included), and outside the opening one
// pixel more all round every pixel it covers at least half, all laid over
// the band's dark shade instead of over white: the wreath's antialiased edge
// darkens into the wreath instead of fading into the white key, which on a
// dark desktop showed as a light rim. Everything else is exactly white. A
// pixel that would stand nearly alone in the white (the last pixel of a thin
// tip) is left out, or the key would show it as a loose speck.
QImage keyedSkin(const QImage& scene, const QImage& mask) {
  const QColor edge(26, 72, 34);
  const int w = scene.width(), h = scene.height();
  auto at = [&](int x, int y) { return reinterpret_cast<const QRgb*>(scene.constScanLine(y))[x]; };
  auto index = [w](int x, int y) { return static_cast<std::size_t>(y) * w + x; };
  auto inside = [w, h](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h; };
  std::vector<char> drawn(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int alpha = qAlpha(at(x, y));
      if (alpha >= 64) drawn[index(x, y)] = 1;
      if (alpha < 128) continue;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (inside(x + dx, y + dy) && mask.pixelIndex(x + dx, y + dy) == 0)
            drawn[index(x + dx, y + dy)] = 1;
    }
  for (bool dropped = true; dropped;) {
    dropped = false;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        if (!drawn[index(x, y)]) continue;
        int white = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            white += (dx || dy) && inside(nx, ny) && !drawn[index(nx, ny)];
          }
        if (white >= 6) drawn[index(x, y)] = 0, dropped = true;
      }
  }
  QImage skin(w, h, QImage::Format_RGB32);
  skin.fill(Qt::white);
  for (int y = 0; y < h; ++y) {
    auto* out = reinterpret_cast<QRgb*>(skin.scanLine(y));
    for (int x = 0; x < w; ++x) {
      if (!drawn[index(x, y)]) continue;
      const QRgb p = at(x, y);  // premultiplied
      const int rest = 255 - qAlpha(p);
      out[x] = qRgb(qRed(p) + (rest * edge.red() + 127) / 255,
                    qGreen(p) + (rest * edge.green() + 127) / 255,
                    qBlue(p) + (rest * edge.blue() + 127) / 255);
    }
  }
  return skin;
}

}  // namespace

OpeningFigures measureOpening(const QImage& mask) {
  OpeningFigures f;
  int left = mask.width(), top = mask.height(), right = -1, bottom = -1;
  double sx = 0, sy = 0;
  for (int y = 0; y < mask.height(); ++y) {
    const uchar* row = mask.constScanLine(y);
    for (int x = 0; x < mask.width(); ++x) {
      if (!row[x]) continue;
      ++f.area;
      sx += x;
      sy += y;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  f.bounds = QRect(QPoint(left, top), QPoint(right, bottom));
  if (f.area) {
    f.centreX = sx / f.area;
    f.centreY = sy / f.area;
  }
  return f;
}

namespace {

struct Fit {
  QImage scene;
  QImage mask;
  OpeningFigures figures;
};

Fit render(const Geometry& g) {
  Fit f;
  f.scene = paintScene(g);
  f.mask = openingMask(f.scene, QPoint(416, 300));
  f.figures = measureOpening(f.mask);
  return f;
}

// Solves a 3x3 system by Cramer's rule; false when singular.
bool solve3(const double m[3][3], const double r[3], double x[3]) {
  auto det = [](const double a[3][3]) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  const double d = det(m);
  if (std::abs(d) < 1e-12) return false;
  for (int k = 0; k < 3; ++k) {
    double t[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) t[i][j] = j == k ? r[i] : m[i][j];
    x[k] = det(t) / d;
  }
  return true;
}

}  // namespace

Wreath drawWreath() {
  Geometry g = nominalGeometry();
  for (int round = 0; round < 40; ++round) {
    const Fit fit = render(g);
    const OpeningFigures& f = fit.figures;
    const QRect& b = f.bounds;
    std::fprintf(stderr, "wreath fit %d: bounds %d..%d x %d..%d area %ld centre (%.2f, %.2f)\n",
                 round, b.left(), b.right(), b.top(), b.bottom(), f.area, f.centreX, f.centreY);
    if (b != kOpeningBounds) {
      // Move each side of the base oval against the remaining error; half
      // steps avoid overshooting where the extreme sits on a shallow curve.
      auto nudge = [](double& side, int measured, int target) {
        const int e = measured - target;
        if (e != 0) side -= 0.5 * e + (e > 0 ? 0.25 : -0.25);
      };
      Oval o = g.opening;
      nudge(o.left, b.left(), kOpeningBounds.left());
      nudge(o.top, b.top(), kOpeningBounds.top());
      nudge(o.right, b.right(), kOpeningBounds.right());
      nudge(o.bottom, b.bottom(), kOpeningBounds.bottom());
      g.setOpening(o);
      continue;
    }
    const double error[3] = {kOpeningArea - static_cast<double>(f.area),
                             kOpeningCentreX - f.centreX, kOpeningCentreY - f.centreY};
    if (std::abs(error[0]) < 250 && std::abs(error[1]) < 0.4 && std::abs(error[2]) < 0.4) {
      Wreath w;
      w.skin = keyedSkin(fit.scene, fit.mask);
      w.mask = fit.mask;
      w.figures = f;
      return w;
    }
    // Shape: the exponent sets the area, the fullness of the top and left
    // halves the centre. Numeric slopes, one Newton step, damped.
    Oval o = g.opening;
    double* params[3] = {&o.n, &o.fullTop, &o.fullLeft};
    double jac[3][3];
    const double h = 0.02;
    for (int k = 0; k < 3; ++k) {
      Oval po = o;
      double* pp[3] = {&po.n, &po.fullTop, &po.fullLeft};
      *pp[k] += h;
      Geometry probe;
      probe.setOpening(po);
      const OpeningFigures pf = render(probe).figures;
      jac[0][k] = (pf.area - f.area) / h;
      jac[1][k] = (pf.centreX - f.centreX) / h;
      jac[2][k] = (pf.centreY - f.centreY) / h;
    }
    double step[3];
    if (!solve3(jac, error, step)) throw std::runtime_error("wreath fit: singular slopes");
    for (int k = 0; k < 3; ++k) *params[k] += std::clamp(0.8 * step[k], -0.2, 0.2);
    g.setOpening(o);
    std::fprintf(stderr, "  shape n %.4f top %.4f left %.4f\n", g.opening.n, g.opening.fullTop,
                 g.opening.fullLeft);
  }
  throw std::runtime_error("the wreath's opening does not reach its figures");
}

}  // namespace assetgen
