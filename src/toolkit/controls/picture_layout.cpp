#include "picture_layout.h"

namespace vistel {
namespace {

// The results never exceed the control's sides, so they always fit an int.
int truncated(long double v) { return static_cast<int>(v); }

}  // namespace

Rect pictureDestination(int w, int h, int cw, int ch, const PictureLayout& layout) {
  int width = w;
  int height = h;
  if (layout.stretch || (layout.proportional && (w > cw || h > ch))) {
    if (layout.proportional && w > 0 && h > 0) {
      // The ratio itself is rounded to a double; only the arithmetic with it
      // runs at extended precision.
      const double ratio = static_cast<double>(w) / static_cast<double>(h);
      const long double r = ratio;
      if (h < w) {
        width = cw;
        height = truncated(static_cast<long double>(cw) / r);
        if (height > ch) {
          height = ch;
          width = truncated(static_cast<long double>(ch) * r);
        }
      } else {
        height = ch;
        width = truncated(static_cast<long double>(ch) * r);
        if (width > cw) {
          width = cw;
          height = truncated(static_cast<long double>(cw) / r);
        }
      }
    } else {
      width = cw;
      height = ch;
    }
  }
  Rect dest = Rect::fromSize(0, 0, width, height);
  // Integer division truncates toward zero, which is the centring rule.
  if (layout.center) dest = dest.translated((cw - width) / 2, (ch - height) / 2);
  return dest;
}

}  // namespace vistel
