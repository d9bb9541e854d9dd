#include "paint_kit.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

namespace assetgen {

std::uint64_t Rng::next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double Rng::uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

namespace {
int clampByte(double v) { return std::clamp(static_cast<int>(std::lround(v)), 0, 255); }
}  // namespace

QColor mix(const QColor& a, const QColor& b, double t) {
  return QColor(clampByte(a.red() + (b.red() - a.red()) * t),
                clampByte(a.green() + (b.green() - a.green()) * t),
                clampByte(a.blue() + (b.blue() - a.blue()) * t),
                clampByte(a.alpha() + (b.alpha() - a.alpha()) * t));
}

QColor lighter(const QColor& c, double t) {
  QColor white(255, 255, 255, c.alpha());
  return mix(c, white, t);
}

QColor darker(const QColor& c, double t) {
  QColor black(0, 0, 0, c.alpha());
  return mix(c, black, t);
}

QColor jitter(const QColor& c, Rng& rng, double amount) {
  auto j = [&](int v) { return clampByte(v + rng.range(-amount, amount)); };
  return QColor(j(c.red()), j(c.green()), j(c.blue()), c.alpha());
}

namespace {
double hashToUnit(int x, int y, std::uint32_t seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                    static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / static_cast<double>(0xFFFFFF);
}
double smooth(double t) { return t * t * (3 - 2 * t); }
}  // namespace

double valueNoise(double x, double y, std::uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  const double tx = smooth(x - fx), ty = smooth(y - fy);
  const double a = hashToUnit(ix, iy, seed), b = hashToUnit(ix + 1, iy, seed);
  const double c = hashToUnit(ix, iy + 1, seed), d = hashToUnit(ix + 1, iy + 1, seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

double fbm(double x, double y, std::uint32_t seed, int octaves) {
  double sum = 0, amplitude = 0.5, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * valueNoise(x, y, seed + 31u * i);
    norm += amplitude;
    x *= 2.03;
    y *= 2.03;
    amplitude *= 0.5;
  }
  return sum / norm;
}

QPointF Oval::at(double angle) const {
  const double c = std::cos(angle), s = std::sin(angle);
  const double n = this->n + (s < 0 ? fullTop : -fullTop) + (c < 0 ? fullLeft : -fullLeft);
  const double a = (right - left) / 2, b = (bottom - top) / 2;
  const QPointF o = centre();
  const double px = std::copysign(std::pow(std::abs(c), 2 / n), c);
  const double py = std::copysign(std::pow(std::abs(s), 2 / n), s);
  return {o.x() + a * px, o.y() + b * py};
}

QPointF Oval::outwardNormal(double angle) const {
  const double h = 1e-3;
  const QPointF d = at(angle + h) - at(angle - h);
  // Clockwise on screen, so the outward side of the tangent (dx, dy) is (dy, -dx).
  QPointF n(d.y(), -d.x());
  const double len = std::hypot(n.x(), n.y());
  return len > 0 ? n / len : QPointF(1, 0);
}

QPainterPath Oval::path(int steps) const {
  QPainterPath p;
  p.moveTo(at(0));
  for (int i = 1; i < steps; ++i) p.lineTo(at(2 * M_PI * i / steps));
  p.closeSubpath();
  return p;
}

CurveWalker::CurveWalker(const Oval& oval, int samples) {
  cumulative_.reserve(samples + 1);
  angles_.reserve(samples + 1);
  QPointF prev = oval.at(0);
  cumulative_.push_back(0);
  angles_.push_back(0);
  for (int i = 1; i <= samples; ++i) {
    const double a = 2 * M_PI * i / samples;
    const QPointF p = oval.at(a);
    total_ += std::hypot(p.x() - prev.x(), p.y() - prev.y());
    cumulative_.push_back(total_);
    angles_.push_back(a);
    prev = p;
  }
}

double CurveWalker::angleAt(double s) const {
  s = std::fmod(s, total_);
  if (s < 0) s += total_;
  const auto it = std::upper_bound(cumulative_.begin(), cumulative_.end(), s);
  const std::size_t i =
      std::clamp<std::size_t>(it - cumulative_.begin(), 1, cumulative_.size() - 1);
  const double span = cumulative_[i] - cumulative_[i - 1];
  const double t = span > 0 ? (s - cumulative_[i - 1]) / span : 0;
  return angles_[i - 1] + (angles_[i] - angles_[i - 1]) * t;
}

QImage flattenOnto(const QImage& argb, QColor background) {
  QImage out(argb.size(), QImage::Format_RGB32);
  out.fill(background);
  QPainter p(&out);
  p.drawImage(0, 0, argb);
  return out;
}

QImage shrink(const QImage& image, int factor) {
  const QImage src = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QImage out(src.width() / factor, src.height() / factor, QImage::Format_ARGB32_Premultiplied);
  const int n = factor * factor;
  for (int y = 0; y < out.height(); ++y) {
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      int r = 0, g = 0, b = 0, a = 0;
      for (int yy = 0; yy < factor; ++yy) {
        const auto* row = reinterpret_cast<const QRgb*>(src.constScanLine(y * factor + yy));
        for (int xx = 0; xx < factor; ++xx) {
          const QRgb px = row[x * factor + xx];
          r += qRed(px);
          g += qGreen(px);
          b += qBlue(px);
          a += qAlpha(px);
        }
      }
      dst[x] = qRgba((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n, (a + n / 2) / n);
    }
  }
  return out;
}

}  // namespace assetgen
