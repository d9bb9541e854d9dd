#pragma once

// Painted flowers, leaves and butterflies in one consistent style, used by
// the wreath, the help picture and the sample pictures. Everything is drawn
// with antialiasing into whatever the painter is set up on; positions are in
// the painter's current coordinates.

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <vector>

#include "paint_kit.h"

namespace assetgen {

struct LeafStyle {
  QColor light{96, 168, 70};
  QColor dark{36, 98, 40};
  QColor vein{150, 200, 110};
  bool veins = true;
};

// A leaf from `base` to `tip`; `width` is the widest breadth and `bend`
// curves the midrib sideways (a fraction of the length, sign picks the side).
QPainterPath leafPath(QPointF base, QPointF tip, double width, double bend);
void paintLeaf(QPainter& p, QPointF base, QPointF tip, double width, double bend,
               const LeafStyle& style);

struct FlowerStyle {
  QColor inner;   // petal colour at the heart
  QColor outer;   // petal colour at the rim
  QColor edge;    // thin outline
  QColor centre;  // disc
  QColor centreRing;
};
FlowerStyle blueFlower();
FlowerStyle yellowFlower();
FlowerStyle pinkFlower();

// Five rounded petals around a disc. `rotation` in degrees; `fullness` (0..1)
// widens the petals until they overlap into an almost round flower.
void paintFivePetal(QPainter& p, QPointF centre, double radius, double rotation,
                    const FlowerStyle& style, double fullness = 0.5);
// A red rose seen from above: rings of cupped petals around a spiral heart.
void paintRose(QPainter& p, QPointF centre, double radius, double rotation, Rng& rng);
// A closed bud on the end of a stalk direction.
void paintBud(QPainter& p, QPointF base, QPointF tip, double width, const QColor& colour);
// A curved stalk.
void paintStem(QPainter& p, const QPainterPath& path, double width, const QColor& colour);

struct Spot {
  QPointF centre;
  double radius;
  QColor colour;
};

struct WingStyle {
  QColor root;    // colour near the body
  QColor middle;  // main field
  QColor rim;     // outer band
  QColor vein;    // vein and outline colour
};

// One wing as a closed path with its fill and decorations; the root point
// is where the wing meets the body and fans the veins.
// `fill` replaces the radial root-to-rim gradient when given.
void paintWing(QPainter& p, const QPainterPath& outline, QPointF root, const WingStyle& style,
               const std::vector<Spot>& spots, int veins = 6, const QBrush* fill = nullptr);

// A segmented body from tail to head with a round head and clubbed antennae
// ending at the two given points.
void paintButterflyBody(QPainter& p, QPointF tail, QPointF head, double thickness,
                        const QColor& colour, QPointF antennaTip1, QPointF antennaTip2,
                        const QColor& antennae);

}  // namespace assetgen
