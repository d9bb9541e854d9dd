#pragma once

#include "pictures/geometry.h"

namespace vistel {

// The display flags of a picture control that decide where its picture goes.
struct PictureLayout {
  bool stretch = false;
  bool proportional = false;
  bool center = false;
};

// Where a picture of w by h pixels is drawn inside a control of cw by ch
// pixels, in the control's own coordinates.
//
// Stretch, or Proportional with a picture that does not fit, scales the
// picture; Proportional keeps its aspect ratio r = w / h (a double) and fits
// it to the control. The products and quotients with r are taken in 80-bit
// extended precision and truncated toward zero, so that exact-looking cases
// land where they always have: a 200 by 300 picture fitted into 300 by 300 is
// 199 pixels wide, not 200. Center moves the rectangle by half the spare
// room, truncated toward zero (negative when the picture is larger).
Rect pictureDestination(int w, int h, int cw, int ch, const PictureLayout& layout);

}  // namespace vistel
