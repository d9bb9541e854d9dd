#include "bevel.h"

namespace vistel {
namespace {

void fillRect(const Surface& s, const Rect& r, const Rect& area, Rgb colour) {
  const Rect part = r.intersected(area);
  const std::uint32_t pixel = toPixel(colour);
  for (int y = part.top; y < part.bottom; ++y) {
    std::uint32_t* row = s.row(y);
    for (int x = part.left; x < part.right; ++x) row[x] = pixel;
  }
}

// The outline of the rectangle with corners (x0, y0) and (x1, y1), both
// inclusive. A rectangle of no height (y1 < y0) still has its bottom line,
// one of no width its right line, so a thin frame draws as a line.
void outline(const Surface& s, int x0, int y0, int x1, int y1, const Rect& area, Rgb colour) {
  fillRect(s, {x0, y0, x1 + 1, y0 + 1}, area, colour);  // top
  fillRect(s, {x0, y0, x0 + 1, y1 + 1}, area, colour);  // left
  fillRect(s, {x0, y1, x1 + 1, y1 + 1}, area, colour);  // bottom
  fillRect(s, {x1, y0, x1 + 1, y1 + 1}, area, colour);  // right
}

}  // namespace

Bevel::Bevel(ControlHost* host) : Control(host) { setBounds(0, 0, 50, 50); }

void Bevel::setStyle(BevelStyle s) {
  if (s == style_) return;
  style_ = s;
  invalidate();
}

void Bevel::paint(QImage& target, const Rect& clip) {
  if (!visible()) return;
  const Surface surface = surfaceOf(target);
  const Rect area = clip.intersected(boundsRect()).intersected(surface.bounds());
  if (area.isEmpty() || surface.pixels == nullptr) return;
  const Rgb outer = style_ == BevelStyle::Lowered ? kShadow : kHighlight;
  const Rgb inner = style_ == BevelStyle::Lowered ? kHighlight : kShadow;
  const int l = left();
  const int t = top();
  const int r = l + width() - 1;   // last column
  const int b = t + height() - 1;  // last row
  // The inner line first, one pixel in from the top-left corner; the outer
  // line over it, ending one pixel short of the right and bottom edges.
  outline(surface, l + 1, t + 1, r, b, area, inner);
  outline(surface, l, t, r - 1, b - 1, area, outer);
}

}  // namespace vistel
