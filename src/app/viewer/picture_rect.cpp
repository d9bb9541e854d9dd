#include "viewer/picture_rect.h"

#include <cfenv>
#include <climits>
#include <cmath>

namespace vistel::picture_rect {

int roundHalfEven(double x) {
  if (std::isnan(x)) return 0;
  if (x >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (x <= static_cast<double>(INT_MIN)) return INT_MIN;
  // nearbyint follows the rounding mode; the default one rounds halves to
  // even, but do not depend on whoever ran before us.
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(x);
  std::fesetround(saved);
  return static_cast<int>(r);
}

int centredOffset(int viewerSize, int size) {
  // C++ division truncates toward zero, as the layout rules want.
  return static_cast<int>((static_cast<long long>(viewerSize) - size) / 2);
}

int zoomStep(RectCode code, int width, int viewerWidth) {
  if (static_cast<int>(code) < 0) return -10;
  if (width < viewerWidth / 2) return roundHalfEven(width * 0.1);
  return roundHalfEven(width * 0.25);
}

std::optional<Frame> resized(const Frame& c, RectCode code, double aspect, int viewerWidth,
                             int viewerHeight) {
  Frame n = c;
  switch (code) {
    case RectCode::TopUp:
      n.top = c.top - 4;
      n.height = c.height + 4;
      break;
    case RectCode::TopDown:
      n.top = c.top + 4;
      n.height = c.height - 4;
      break;
    case RectCode::LeftLeft:
      n.left = c.left - 4;
      n.width = c.width + 4;
      break;
    case RectCode::LeftRight:
      n.left = c.left + 4;
      n.width = c.width - 4;
      break;
    case RectCode::BottomUp:
      n.height = c.height - 4;
      break;
    case RectCode::BottomDown:
      n.height = c.height + 4;
      break;
    case RectCode::RightLeft:
      n.width = c.width - 4;
      break;
    case RectCode::RightRight:
      n.width = c.width + 4;
      break;
    default: {
      // Any other code zooms; the height always follows the picture's own
      // aspect ratio, which also undoes distortion left by edge moves.
      n.width = c.width - zoomStep(code, c.width, viewerWidth);
      n.height = roundHalfEven(n.width * aspect);
      n.left = centredOffset(viewerWidth, n.width);
      n.top = centredOffset(viewerHeight, n.height);
      break;
    }
  }
  if (n.width <= 0 || n.height <= 0) return std::nullopt;
  return n;
}

Frame centred(const Frame& c, int viewerWidth, int viewerHeight) {
  return {centredOffset(viewerWidth, c.width), centredOffset(viewerHeight, c.height), c.width,
          c.height};
}

Frame wholePicture(double aspect) {
  const double s = std::sqrt(aspect * aspect + 1.0);
  Frame f;
  f.left = roundHalfEven(415.0 - 250.0 / s);
  f.top = roundHalfEven(300.0 - 250.0 * aspect / s);
  f.width = 830 - 2 * f.left;
  f.height = 600 - 2 * f.top;
  return f;
}

std::optional<ToggleResult> toggled(const DisplayFlags& flags, Toggle which) {
  ToggleResult r{flags, true, ZoomMode::Cropped, ""};
  DisplayFlags& f = r.flags;
  switch (which) {
    case Toggle::Proportional:
      if (flags.autoSize) return std::nullopt;
      f.proportional = !f.proportional;
      f.stretch = false;
      r.zoom = f.proportional ? ZoomMode::ProportionalShrink : ZoomMode::Cropped;
      r.text = zoomCaption(r.zoom);
      return r;
    case Toggle::ProportionalStretch:
      if (flags.autoSize) return std::nullopt;
      f.stretch = !f.stretch;
      f.proportional = f.stretch;
      r.zoom = f.stretch ? ZoomMode::ProportionalScaling : ZoomMode::Cropped;
      r.text = zoomCaption(r.zoom);
      return r;
    case Toggle::Stretch:
      if (flags.autoSize) return std::nullopt;
      f.stretch = !f.stretch;
      f.proportional = false;
      r.zoom = f.stretch ? ZoomMode::FreeScaling : ZoomMode::Cropped;
      r.text = zoomCaption(r.zoom);
      return r;
    case Toggle::Center:
      f.center = !f.center;
      r.zoomLabel = false;
      r.text = centreCaption(f.center);
      return r;
  }
  return std::nullopt;
}

}  // namespace vistel::picture_rect
