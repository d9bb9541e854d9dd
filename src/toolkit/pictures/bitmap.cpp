#include "bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vistel {

int bitsPerPixel(PixelFormat f) { return static_cast<int>(f); }

bool pictureSizeAllowed(std::int64_t width, std::int64_t height) {
  if (width < 0 || height < 0) return false;
  if (width > kMaxPictureSide || height > kMaxPictureSide) return false;
  return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <=
         kMaxPicturePixels;
}

Bitmap::Bitmap(int width, int height, PixelFormat format) : format_(format) {
  if (!pictureSizeAllowed(width, height)) throw std::bad_alloc();
  if (width == 0 || height == 0) return;
  width_ = width;
  height_ = height;
  buffer_ = PixelBuffer(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
}

Bitmap Bitmap::filled(int width, int height, PixelFormat format, Rgb colour) {
  Bitmap b(width, height, format);
  b.fill(colour);
  return b;
}

Bitmap Bitmap::clone() const {
  Bitmap b(width_, height_, format_);
  if (!isEmpty()) {
    std::memcpy(b.buffer_.data(), buffer_.data(),
                static_cast<std::size_t>(width_) * height_ * sizeof(std::uint32_t));
  }
  b.palette_ = palette_;
  return b;
}

void Bitmap::fill(Rgb c) {
  if (isEmpty()) return;
  std::fill_n(buffer_.data(), static_cast<std::size_t>(width_) * height_, toPixel(c));
}

Rgb Bitmap::transparentColor() const {
  if (format_ == PixelFormat::Mono1 || isEmpty()) return kWhite;
  return pixel(0, height_ - 1);
}

}  // namespace vistel
