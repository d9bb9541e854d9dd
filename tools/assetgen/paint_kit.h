#pragma once

// Small drawing helpers shared by every picture the generator makes: a
// seeded random source (so each run reproduces the same files), colour
// arithmetic, smooth noise and an oval curve with adjustable squareness.

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <cstdint>
#include <vector>

namespace assetgen {

// splitmix64: tiny, fast and identical on every platform, unlike the
// distributions of <random>.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next();
  double uniform();  // [0, 1)
  double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
  int below(int n) { return static_cast<int>(uniform() * n); }
  bool chance(double p) { return uniform() < p; }

 private:
  std::uint64_t state_;
};

QColor mix(const QColor& a, const QColor& b, double t);
QColor lighter(const QColor& c, double t);  // towards white by t
QColor darker(const QColor& c, double t);   // towards black by t
QColor jitter(const QColor& c, Rng& rng, double amount);

// Value noise in [0, 1] with smooth interpolation; fbm sums octaves.
double valueNoise(double x, double y, std::uint32_t seed);
double fbm(double x, double y, std::uint32_t seed, int octaves);

// A closed oval given by its extents. Each quadrant is a superellipse: the
// exponent n is 2 for an ellipse and larger for squarer; `fullTop` and
// `fullLeft` add to the exponent of the top and left halves (and take it
// from the others), so the oval can be fuller on one side while its extents
// stay put. Angles run clockwise on screen from the right-hand extreme.
struct Oval {
  double left = 0, top = 0, right = 0, bottom = 0;
  double n = 2, fullTop = 0, fullLeft = 0;

  QPointF centre() const { return {(left + right) / 2, (top + bottom) / 2}; }
  QPointF at(double angle) const;
  QPointF outwardNormal(double angle) const;
  QPainterPath path(int steps = 1440) const;
};

// Samples a closed curve at equal arc-length steps so that elements can be
// spread evenly along it.
class CurveWalker {
 public:
  CurveWalker(const Oval& oval, int samples = 4000);
  double length() const { return total_; }
  // The angle of the point at arc length s (wraps around).
  double angleAt(double s) const;

 private:
  std::vector<double> cumulative_;
  std::vector<double> angles_;
  double total_ = 0;
};

// Composites a premultiplied ARGB picture over an opaque background colour.
QImage flattenOnto(const QImage& argb, QColor background);

// Box-filtered reduction by an integer factor (drawing large, then
// shrinking, gives cleaner small pictures than drawing small).
QImage shrink(const QImage& image, int factor);

}  // namespace assetgen
