#include "icon_picture.h"

#include <stdexcept>

#include "stretch_draw.h"

namespace vistel {

IconPicture::IconPicture(Bitmap image, std::vector<std::uint8_t> mask)
    : image_(std::move(image)), mask_(std::move(mask)) {
  if (mask_.size() != static_cast<std::size_t>(image_.width()) * image_.height()) {
    throw std::invalid_argument("icon mask size differs from the image");
  }
}

void IconPicture::draw(const Surface& dst, const Rect& dest, const Rect& clip) {
  if (image_.isEmpty() || dest.isEmpty()) return;
  const Rect area = dest.intersected(clip).intersected(dst.bounds());
  for (int y = area.top; y < area.bottom; ++y) {
    const int sy = nearestSourceIndex(y - dest.top, dest.height(), image_.height());
    const std::uint32_t* in = image_.scanLine(sy);
    std::uint32_t* out = dst.row(y);
    for (int x = area.left; x < area.right; ++x) {
      const int sx = nearestSourceIndex(x - dest.left, dest.width(), image_.width());
      if (!masked(sx, sy)) out[x] = in[sx] | kOpaque;
    }
  }
}

}  // namespace vistel
