#pragma once

#include <cstdint>
#include <vector>

#include "geometry.h"
#include "pixel_buffer.h"

namespace vistel {

// The pixel format a bitmap was made with. Pixels are always kept expanded
// to 32 bits (one format to draw from); the format is what the bitmap reports
// and decides its automatic transparent colour.
enum class PixelFormat : std::uint8_t {
  Mono1 = 1,
  Pal4 = 4,
  Pal8 = 8,
  Rgb16 = 16,
  Rgb24 = 24,
  Rgb32 = 32,
};

int bitsPerPixel(PixelFormat f);

// Largest picture the toolkit agrees to hold: 2^28 pixels (268 megapixels,
// 1 GiB of pixels). Readers refuse larger pictures before allocating.
constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 28;
// Largest single side accepted, so that 64-bit products of sides and
// coordinates never overflow and every size fits an int comfortably.
constexpr int kMaxPictureSide = 1 << 20;

bool pictureSizeAllowed(std::int64_t width, std::int64_t height);

class Bitmap {
 public:
  Bitmap() = default;
  // Pixels are left uninitialised; the caller writes every one of them.
  Bitmap(int width, int height, PixelFormat format);
  static Bitmap filled(int width, int height, PixelFormat format, Rgb colour);

  Bitmap(Bitmap&&) noexcept = default;
  Bitmap& operator=(Bitmap&&) noexcept = default;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  Bitmap clone() const;

  int width() const { return width_; }
  int height() const { return height_; }
  bool isEmpty() const { return width_ == 0 || height_ == 0; }
  PixelFormat format() const { return format_; }

  std::uint32_t* scanLine(int y) { return buffer_.data() + static_cast<std::size_t>(y) * width_; }
  const std::uint32_t* scanLine(int y) const {
    return buffer_.data() + static_cast<std::size_t>(y) * width_;
  }
  Rgb pixel(int x, int y) const { return scanLine(y)[x] & kRgbMask; }
  void setPixel(int x, int y, Rgb c) { scanLine(y)[x] = toPixel(c); }
  void fill(Rgb c);

  // White for a monochrome bitmap, otherwise the colour of the bottom-left
  // pixel. An empty bitmap reports white.
  Rgb transparentColor() const;

  // The colour table of a palette bitmap (empty for 16/24/32 bits).
  const std::vector<Rgb>& palette() const { return palette_; }
  void setPalette(std::vector<Rgb> palette) { palette_ = std::move(palette); }

  Surface surface() { return {buffer_.data(), width_, height_, width_}; }

 private:
  int width_ = 0;
  int height_ = 0;
  PixelFormat format_ = PixelFormat::Rgb24;
  PixelBuffer buffer_;
  std::vector<Rgb> palette_;
};

}  // namespace vistel
