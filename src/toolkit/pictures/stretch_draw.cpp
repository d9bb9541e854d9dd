#include "stretch_draw.h"

#include <cstring>
#include <vector>

namespace vistel {
namespace {

struct Source {
  const std::uint32_t* pixels;
  std::ptrdiff_t stride;
  Rect rect;  // the part of the source that maps onto the destination rectangle
};

void drawImpl(const Surface& dst, const Rect& dstRect, const Rect& clip, const Source& src,
              std::optional<Rgb> key) {
  const int dw = dstRect.width();
  const int dh = dstRect.height();
  const int sw = src.rect.width();
  const int sh = src.rect.height();
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const Rect area = dstRect.intersected(clip).intersected(dst.bounds());
  if (area.isEmpty()) return;

  const bool sameWidth = dw == sw;
  // Column lookup for the visible columns only: the cost follows the visible
  // area, not the picture's size.
  std::vector<int> cols;
  if (!sameWidth) {
    cols.resize(static_cast<std::size_t>(area.width()));
    for (int x = area.left; x < area.right; ++x) {
      cols[static_cast<std::size_t>(x - area.left)] =
          src.rect.left + nearestSourceIndex(x - dstRect.left, dw, sw);
    }
  }
  const std::uint32_t keyPixel = key ? toPixel(*key) : 0;
  const int n = area.width();
  for (int y = area.top; y < area.bottom; ++y) {
    const int sy =
        src.rect.top + (dh == sh ? y - dstRect.top : nearestSourceIndex(y - dstRect.top, dh, sh));
    const std::uint32_t* srow = src.pixels + static_cast<std::ptrdiff_t>(sy) * src.stride;
    std::uint32_t* out = dst.row(y) + area.left;
    if (sameWidth) {
      const std::uint32_t* in = srow + src.rect.left + (area.left - dstRect.left);
      if (!key) {
        std::memcpy(out, in, static_cast<std::size_t>(n) * sizeof(std::uint32_t));
      } else {
        for (int i = 0; i < n; ++i) {
          const std::uint32_t p = in[i] | kOpaque;
          if (p != keyPixel) out[i] = p;
        }
      }
    } else if (!key) {
      for (int i = 0; i < n; ++i) out[i] = srow[cols[static_cast<std::size_t>(i)]];
    } else {
      for (int i = 0; i < n; ++i) {
        const std::uint32_t p = srow[cols[static_cast<std::size_t>(i)]] | kOpaque;
        if (p != keyPixel) out[i] = p;
      }
    }
  }
}

}  // namespace

void stretchDraw(const Surface& dst, const Rect& dstRect, const Rect& clip, const Bitmap& src,
                 std::optional<Rgb> key) {
  stretchDraw(dst, dstRect, clip, src, Rect{0, 0, src.width(), src.height()}, key);
}

void stretchDraw(const Surface& dst, const Rect& dstRect, const Rect& clip, const Bitmap& src,
                 const Rect& srcRect, std::optional<Rgb> key) {
  if (src.isEmpty()) return;
  const Rect r = srcRect.intersected({0, 0, src.width(), src.height()});
  if (r != srcRect) return;  // a source rectangle outside the bitmap draws nothing
  drawImpl(dst, dstRect, clip, Source{src.scanLine(0), src.width(), r}, key);
}

void stretchCopy(const Surface& dst, const Rect& dstRect, const Rect& clip, const Surface& src,
                 const Rect& srcRect) {
  if (src.pixels == nullptr) return;
  const Rect r = srcRect.intersected(src.bounds());
  if (r != srcRect) return;
  drawImpl(dst, dstRect, clip, Source{src.pixels, src.stride, r}, std::nullopt);
}

}  // namespace vistel
