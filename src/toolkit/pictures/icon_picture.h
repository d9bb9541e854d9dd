#pragma once

#include <cstdint>
#include <vector>

#include "bitmap.h"
#include "picture.h"

namespace vistel {

// An icon: a small colour image with a mask of its own. Masked pixels are
// never drawn; the picture's transparent flag has no effect on it.
class IconPicture final : public Picture {
 public:
  IconPicture() = default;
  // `mask` holds one entry per pixel, row by row: non-zero where the icon is
  // see-through. Throws std::invalid_argument when its size does not match.
  IconPicture(Bitmap image, std::vector<std::uint8_t> mask);

  PictureKind kind() const override { return PictureKind::Icon; }
  int width() const override { return image_.width(); }
  int height() const override { return image_.height(); }
  void draw(const Surface& dst, const Rect& dest, const Rect& clip) override;

  const Bitmap& image() const { return image_; }
  bool masked(int x, int y) const {
    return mask_[static_cast<std::size_t>(y) * image_.width() + x] != 0;
  }

 private:
  Bitmap image_;
  std::vector<std::uint8_t> mask_;
};

}  // namespace vistel
