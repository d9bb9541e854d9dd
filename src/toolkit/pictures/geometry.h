#pragma once

#include <cstddef>
#include <cstdint>

namespace vistel {

// Colour as 0x00RRGGBB. Pixels in memory are 0xFFRRGGBB (the layout of a
// 32-bit XRGB image on a little-endian machine), so a pixel compares with a
// colour after masking with kRgbMask.
using Rgb = std::uint32_t;
constexpr std::uint32_t kRgbMask = 0x00FFFFFFu;
constexpr std::uint32_t kOpaque = 0xFF000000u;

constexpr std::uint32_t toPixel(Rgb c) { return (c & kRgbMask) | kOpaque; }
constexpr Rgb rgb(int r, int g, int b) {
  return (static_cast<Rgb>(r & 0xFF) << 16) | (static_cast<Rgb>(g & 0xFF) << 8) |
         static_cast<Rgb>(b & 0xFF);
}

constexpr Rgb kBlack = 0x000000;
constexpr Rgb kWhite = 0xFFFFFF;
constexpr Rgb kBlue = 0x0000FF;

// Half-open rectangle [left, right) x [top, bottom), like the platform's RECT.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  static constexpr Rect fromSize(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
  constexpr int width() const { return right - left; }
  constexpr int height() const { return bottom - top; }
  constexpr bool isEmpty() const { return right <= left || bottom <= top; }
  constexpr bool contains(int x, int y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  constexpr Rect intersected(const Rect& o) const {
    Rect r{left > o.left ? left : o.left, top > o.top ? top : o.top,
           right < o.right ? right : o.right, bottom < o.bottom ? bottom : o.bottom};
    if (r.isEmpty()) return {};
    return r;
  }
  constexpr Rect translated(int dx, int dy) const {
    return {left + dx, top + dy, right + dx, bottom + dy};
  }
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// A window onto 32-bit pixels owned by someone else (a bitmap, a window's
// back buffer). Stride is counted in pixels.
struct Surface {
  std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;

  std::uint32_t* row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
  Rect bounds() const { return {0, 0, width, height}; }
};

}  // namespace vistel
