#include "flora.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace assetgen {

namespace {

// A frame along a direction: s runs from `origin` towards `towards`, t to its left.
struct Frame {
  QPointF origin, u, v;
  Frame(QPointF o, QPointF towards) : origin(o) {
    QPointF d = towards - o;
    const double len = std::hypot(d.x(), d.y());
    u = len > 0 ? d / len : QPointF(1, 0);
    v = QPointF(-u.y(), u.x());
  }
  Frame(QPointF o, double degrees) : origin(o) {
    const double a = degrees * M_PI / 180;
    u = QPointF(std::cos(a), std::sin(a));
    v = QPointF(-u.y(), u.x());
  }
  QPointF operator()(double s, double t) const { return origin + u * s + v * t; }
};

double length(QPointF d) { return std::hypot(d.x(), d.y()); }

}  // namespace

QPainterPath leafPath(QPointF base, QPointF tip, double width, double bend) {
  const Frame f(base, tip);
  const double L = length(tip - base);
  const double W = width;
  const double m1 = bend * L * 0.85, m2 = bend * L * 0.7;
  QPainterPath path(base);
  path.cubicTo(f(0.28 * L, 0.80 * W + m1), f(0.74 * L, 0.56 * W + m2), tip);
  path.cubicTo(f(0.74 * L, -0.56 * W + m2), f(0.28 * L, -0.80 * W + m1), base);
  path.closeSubpath();
  return path;
}

void paintLeaf(QPainter& p, QPointF base, QPointF tip, double width, double bend,
               const LeafStyle& style) {
  const Frame f(base, tip);
  const double L = length(tip - base);
  const QPainterPath path = leafPath(base, tip, width, bend);
  QLinearGradient shade(f(0.5 * L, 0.55 * width + bend * L), f(0.5 * L, -0.55 * width + bend * L));
  shade.setColorAt(0, style.light);
  shade.setColorAt(0.48, mix(style.light, style.dark, 0.35));
  shade.setColorAt(0.52, style.dark);
  shade.setColorAt(1, darker(style.dark, 0.2));
  p.setPen(QPen(darker(style.dark, 0.35), std::max(0.6, width * 0.05)));
  p.setBrush(shade);
  p.drawPath(path);
  if (!style.veins || L < 10) return;

  // Midrib along the bent axis, then side veins slanting towards the tip.
  auto midrib = [&](double s) {
    const double x = s / L;
    return f(s, bend * L * 2.8 * x * (1 - x));
  };
  QPainterPath rib(base);
  rib.quadTo(f(0.5 * L, bend * L * 1.4), f(0.96 * L, 0));
  QColor vein = style.vein;
  vein.setAlpha(200);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(vein, std::max(0.5, width * 0.07), Qt::SolidLine, Qt::RoundCap));
  p.drawPath(rib);
  if (L < 18) return;
  vein.setAlpha(120);
  p.setPen(QPen(vein, std::max(0.4, width * 0.035), Qt::SolidLine, Qt::RoundCap));
  const int n = std::clamp(static_cast<int>(L / 9), 3, 7);
  for (int k = 1; k <= n; ++k) {
    const double s = L * (0.12 + 0.7 * k / (n + 1));
    const double x = s / L;
    const double half = width * 0.5 * std::sin(M_PI * std::min(0.97, x + 0.05)) * 0.8;
    for (int side : {-1, 1}) {
      const QPointF a = midrib(s);
      const QPointF b = f(s + 0.16 * L, side * half + bend * L * 2.8 * x * (1 - x));
      p.drawLine(a, b);
    }
  }
}

FlowerStyle blueFlower() {
  return {QColor(28, 52, 170), QColor(104, 146, 246), QColor(22, 38, 120), QColor(250, 214, 40),
          QColor(214, 120, 20)};
}
FlowerStyle yellowFlower() {
  return {QColor(222, 140, 0), QColor(255, 226, 60), QColor(170, 100, 0), QColor(150, 70, 10),
          QColor(100, 40, 0)};
}
FlowerStyle pinkFlower() {
  return {QColor(206, 50, 120), QColor(250, 156, 196), QColor(160, 30, 90), QColor(252, 220, 60),
          QColor(220, 130, 30)};
}

void paintFivePetal(QPainter& p, QPointF centre, double R, double rotation,
                    const FlowerStyle& style, double fullness) {
  const double hw = R * (0.30 + 0.26 * fullness);
  QRadialGradient fill(centre, R);
  fill.setColorAt(0, style.inner);
  fill.setColorAt(0.3, style.inner);
  fill.setColorAt(0.85, style.outer);
  fill.setColorAt(1, mix(style.outer, style.inner, 0.25));
  for (int i = 0; i < 5; ++i) {
    const Frame f(centre, rotation + 72.0 * i);
    QPainterPath petal(centre);
    petal.cubicTo(f(0.25 * R, 0.9 * hw), f(0.6 * R, 1.35 * hw), f(0.88 * R, 0.9 * hw));
    petal.cubicTo(f(1.02 * R, 0.7 * hw), f(1.05 * R, 0.25 * hw), f(0.95 * R, 0));
    petal.cubicTo(f(1.05 * R, -0.25 * hw), f(1.02 * R, -0.7 * hw), f(0.88 * R, -0.9 * hw));
    petal.cubicTo(f(0.6 * R, -1.35 * hw), f(0.25 * R, -0.9 * hw), centre);
    petal.closeSubpath();
    p.setPen(QPen(style.edge, std::max(0.5, R * 0.035)));
    p.setBrush(fill);
    p.drawPath(petal);
    if (R >= 9) {
      QColor vein = style.inner;
      vein.setAlpha(110);
      p.setPen(QPen(vein, std::max(0.4, R * 0.025), Qt::SolidLine, Qt::RoundCap));
      for (int k = -1; k <= 1; ++k)
        p.drawLine(f(0.3 * R, k * 0.15 * hw), f(0.72 * R, k * 0.5 * hw));
    }
  }
  const double cr = R * 0.27;
  QRadialGradient disc(centre + QPointF(-cr * 0.35, -cr * 0.35), cr * 1.3);
  disc.setColorAt(0, lighter(style.centre, 0.25));
  disc.setColorAt(0.6, style.centre);
  disc.setColorAt(1, style.centreRing);
  p.setPen(QPen(darker(style.centreRing, 0.2), std::max(0.4, R * 0.02)));
  p.setBrush(disc);
  p.drawEllipse(centre, cr, cr);
  if (R >= 10) {
    p.setPen(Qt::NoPen);
    p.setBrush(darker(style.centreRing, 0.25));
    for (int i = 0; i < 8; ++i) {
      const Frame f(centre, rotation + 45.0 * i + 20);
      p.drawEllipse(f(cr * 0.62, 0), cr * 0.13, cr * 0.13);
    }
  }
}

namespace {
QPainterPath rosePetal(QPointF centre, double rotation, double len, double hw) {
  const Frame f(centre, rotation);
  QPainterPath petal(f(0.15 * len, 0));
  petal.cubicTo(f(0.2 * len, 1.1 * hw), f(0.8 * len, 1.25 * hw), f(0.97 * len, 0.55 * hw));
  petal.cubicTo(f(1.06 * len, 0.2 * hw), f(1.06 * len, -0.2 * hw), f(0.97 * len, -0.55 * hw));
  petal.cubicTo(f(0.8 * len, -1.25 * hw), f(0.2 * len, -1.1 * hw), f(0.15 * len, 0));
  petal.closeSubpath();
  return petal;
}
}  // namespace

void paintRose(QPainter& p, QPointF c, double R, double rotation, Rng& rng) {
  const QColor deep(118, 0, 22), mid(196, 18, 40), bright(236, 64, 72), shadow(84, 0, 16);
  struct Ring {
    int petals;
    double len, hw, turn;
    QColor inner, outer;
  };
  const Ring rings[] = {{6, 1.0, 0.50, 0, deep, mid},
                        {5, 0.76, 0.46, 30, darker(mid, 0.15), bright},
                        {4, 0.52, 0.40, 62, darker(mid, 0.1), lighter(bright, 0.08)}};
  for (const Ring& ring : rings) {
    const double turn = rotation + ring.turn + rng.range(-8, 8);
    QRadialGradient g(c, R * ring.len);
    g.setColorAt(0, shadow);
    g.setColorAt(0.45, ring.inner);
    g.setColorAt(0.92, ring.outer);
    g.setColorAt(1, darker(ring.outer, 0.12));
    for (int i = 0; i < ring.petals; ++i) {
      const double a = turn + 360.0 * i / ring.petals + rng.range(-6, 6);
      p.setPen(QPen(shadow, std::max(0.5, R * 0.035)));
      p.setBrush(g);
      p.drawPath(rosePetal(c, a, R * ring.len, R * ring.hw));
      // A lit rim on each petal's outer edge.
      if (R >= 8) {
        const Frame f(c, a);
        QPainterPath rim(f(0.9 * R * ring.len, 0.62 * R * ring.hw));
        rim.quadTo(f(1.04 * R * ring.len, 0), f(0.9 * R * ring.len, -0.62 * R * ring.hw));
        QColor hl = lighter(ring.outer, 0.22);
        hl.setAlpha(170);
        p.setPen(QPen(hl, std::max(0.5, R * 0.05), Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(rim);
      }
    }
  }
  // The spiral heart: nested cupped arcs, each lit on its outer edge.
  const double hr = R * 0.34;
  QRadialGradient heart(c, hr);
  heart.setColorAt(0, shadow);
  heart.setColorAt(1, mid);
  p.setPen(QPen(shadow, std::max(0.5, R * 0.03)));
  p.setBrush(heart);
  p.drawEllipse(c, hr, hr);
  p.setBrush(Qt::NoBrush);
  double start = rotation + rng.range(0, 360);
  for (int i = 0; i < 4; ++i) {
    const double r = hr * (1.0 - 0.24 * i);
    const QPointF o =
        c + QPointF(std::cos(start * M_PI / 180), std::sin(start * M_PI / 180)) * (r * 0.12);
    const QRectF box(o.x() - r, o.y() - r, 2 * r, 2 * r);
    QColor hl = bright;
    hl.setAlpha(220);
    p.setPen(QPen(hl, std::max(0.5, R * 0.055), Qt::SolidLine, Qt::RoundCap));
    p.drawArc(box, static_cast<int>(-start * 16), 200 * 16);
    p.setPen(QPen(shadow, std::max(0.4, R * 0.035), Qt::SolidLine, Qt::RoundCap));
    p.drawArc(box.adjusted(r * 0.12, r * 0.12, -r * 0.12, -r * 0.12),
              static_cast<int>(-(start + 20) * 16), 160 * 16);
    start += 115;
  }
}

void paintBud(QPainter& p, QPointF base, QPointF tip, double width, const QColor& colour) {
  const Frame f(base, tip);
  const double L = length(tip - base);
  QPainterPath bud(base);
  bud.cubicTo(f(0.2 * L, 0.9 * width), f(0.75 * L, 0.6 * width), tip);
  bud.cubicTo(f(0.75 * L, -0.6 * width), f(0.2 * L, -0.9 * width), base);
  QLinearGradient g(f(0.5 * L, 0.5 * width), f(0.5 * L, -0.5 * width));
  g.setColorAt(0, lighter(colour, 0.25));
  g.setColorAt(1, darker(colour, 0.3));
  p.setPen(QPen(darker(colour, 0.45), std::max(0.5, width * 0.06)));
  p.setBrush(g);
  p.drawPath(bud);
  const LeafStyle sepal{QColor(90, 160, 60), QColor(40, 100, 40), QColor(140, 190, 100), false};
  for (int side : {-1, 1})
    paintLeaf(p, f(0, 0), f(0.55 * L, side * 0.55 * width), width * 0.45, 0, sepal);
}

void paintStem(QPainter& p, const QPainterPath& path, double width, const QColor& colour) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(darker(colour, 0.35), width + 1.0, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(path);
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(path);
  QColor hl = lighter(colour, 0.3);
  hl.setAlpha(150);
  p.setPen(QPen(hl, std::max(0.4, width * 0.3), Qt::SolidLine, Qt::RoundCap));
  p.drawPath(path.translated(-width * 0.2, -width * 0.2));
}

void paintWing(QPainter& p, const QPainterPath& outline, QPointF root, const WingStyle& style,
               const std::vector<Spot>& spots, int veins, const QBrush* fill) {
  // Reach and angular span of the wing as seen from its root.
  double reach = 0;
  double minAngle = 1e9, maxAngle = -1e9;
  const QPolygonF poly = outline.toFillPolygon();
  double refAngle = 0;
  {
    const QPointF mid = outline.boundingRect().center() - root;
    refAngle = std::atan2(mid.y(), mid.x());
  }
  for (const QPointF& q : poly) {
    const QPointF d = q - root;
    reach = std::max(reach, length(d));
    double a = std::atan2(d.y(), d.x()) - refAngle;
    while (a > M_PI) a -= 2 * M_PI;
    while (a < -M_PI) a += 2 * M_PI;
    if (length(d) > 2) {
      minAngle = std::min(minAngle, a);
      maxAngle = std::max(maxAngle, a);
    }
  }
  QRadialGradient g(root, reach);
  g.setColorAt(0, style.root);
  g.setColorAt(0.35, mix(style.root, style.middle, 0.7));
  g.setColorAt(0.7, style.middle);
  g.setColorAt(0.86, style.rim);
  g.setColorAt(1, darker(style.rim, 0.15));
  p.setPen(Qt::NoPen);
  p.setBrush(fill ? *fill : QBrush(g));
  p.drawPath(outline);

  // Veins fan from the root and stop short of the rim, inside the wing.
  p.save();
  p.setClipPath(outline);
  QColor vein = style.vein;
  vein.setAlpha(150);
  p.setPen(QPen(vein, std::max(0.5, reach * 0.022), Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < veins; ++i) {
    const double t = (i + 0.5) / veins;
    const double a = refAngle + minAngle + (maxAngle - minAngle) * t;
    const QPointF dir(std::cos(a), std::sin(a));
    // Distance to the outline along this direction.
    double far = reach;
    for (double s = 2; s < reach; s += 0.5) {
      if (!outline.contains(root + dir * s)) {
        far = s;
        break;
      }
    }
    QPainterPath v(root);
    v.quadTo(root + dir * (far * 0.5) + QPointF(-dir.y(), dir.x()) * (far * 0.06),
             root + dir * (far * 0.88));
    p.drawPath(v);
  }
  p.restore();

  for (const Spot& s : spots) {
    QRadialGradient sg(s.centre - QPointF(s.radius * 0.3, s.radius * 0.3), s.radius * 1.3);
    sg.setColorAt(0, lighter(s.colour, 0.2));
    sg.setColorAt(0.7, s.colour);
    sg.setColorAt(1, darker(s.colour, 0.2));
    p.setPen(QPen(darker(s.colour, 0.45), std::max(0.4, s.radius * 0.18)));
    p.setBrush(sg);
    p.drawEllipse(s.centre, s.radius, s.radius);
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(style.vein, std::max(0.7, reach * 0.03)));
  p.drawPath(outline);
}

void paintButterflyBody(QPainter& p, QPointF tail, QPointF head, double thickness,
                        const QColor& colour, QPointF antennaTip1, QPointF antennaTip2,
                        const QColor& antennae) {
  const Frame f(tail, head);
  const double L = length(head - tail);
  for (QPointF tipPoint : {antennaTip1, antennaTip2}) {
    const QPointF from = f(L * 0.98, 0);
    const QPointF d = tipPoint - from;
    const QPointF bendPoint = from + d * 0.5 + QPointF(-d.y(), d.x()) * 0.12;
    QPainterPath a(from);
    a.quadTo(bendPoint, tipPoint);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(antennae, std::max(0.8, thickness * 0.14), Qt::SolidLine, Qt::RoundCap));
    p.drawPath(a);
    p.setPen(Qt::NoPen);
    p.setBrush(antennae);
    p.drawEllipse(tipPoint, std::max(1.2, thickness * 0.28), std::max(1.2, thickness * 0.28));
  }
  QPainterPath body(f(0, 0));
  body.cubicTo(f(0.1 * L, thickness * 0.7), f(0.75 * L, thickness * 0.55), f(0.86 * L, 0));
  body.cubicTo(f(0.75 * L, -thickness * 0.55), f(0.1 * L, -thickness * 0.7), f(0, 0));
  QLinearGradient g(f(0.5 * L, thickness * 0.6), f(0.5 * L, -thickness * 0.6));
  g.setColorAt(0, lighter(colour, 0.3));
  g.setColorAt(0.5, colour);
  g.setColorAt(1, darker(colour, 0.35));
  p.setPen(QPen(darker(colour, 0.45), 0.7));
  p.setBrush(g);
  p.drawPath(body);
  p.setPen(QPen(darker(colour, 0.3), std::max(0.5, thickness * 0.1)));
  for (int i = 1; i <= 5; ++i) {
    const double s = L * (0.12 + 0.11 * i);
    const double w = thickness * 0.5 * std::sin(M_PI * s / (0.86 * L));
    p.drawLine(f(s, w * 0.9), f(s, -w * 0.9));
  }
  QRadialGradient hg(f(L * 0.9, -thickness * 0.1), thickness * 0.6);
  hg.setColorAt(0, lighter(colour, 0.2));
  hg.setColorAt(1, darker(colour, 0.4));
  p.setPen(QPen(darker(colour, 0.5), 0.7));
  p.setBrush(hg);
  p.drawEllipse(f(L * 0.9, 0), thickness * 0.55, thickness * 0.55);
}

}  // namespace assetgen
