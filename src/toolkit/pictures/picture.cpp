#include "picture.h"

#include "stretch_draw.h"

namespace vistel {

void BitmapPicture::draw(const Surface& dst, const Rect& dest, const Rect& clip) {
  if (bitmap_.isEmpty()) return;
  std::optional<Rgb> key;
  if (transparent()) key = bitmap_.transparentColor();
  stretchDraw(dst, dest, clip, bitmap_, key);
}

}  // namespace vistel
