#include "canvas.h"

#include <optional>

#include "picture_control.h"
#include "pictures/stretch_draw.h"

namespace vistel {
namespace {

bool overlaps(const Bitmap& a, const Bitmap& b) { return &a == &b; }

// The nearest-neighbour copy for a source rectangle that reaches outside its
// bitmap: only destination pixels whose source pixel exists are written,
// with the mapping of the whole rectangles.
void copyPartialSource(const Surface& dst, const Rect& dstRect, const Surface& src,
                       const Rect& srcRect) {
  const int dw = dstRect.width();
  const int dh = dstRect.height();
  const int sw = srcRect.width();
  const int sh = srcRect.height();
  const Rect area = dstRect.intersected(dst.bounds());
  if (area.isEmpty()) return;
  for (int y = area.top; y < area.bottom; ++y) {
    const int sy = srcRect.top + nearestSourceIndex(y - dstRect.top, dh, sh);
    if (sy < 0 || sy >= src.height) continue;
    const std::uint32_t* in = src.row(sy);
    std::uint32_t* out = dst.row(y);
    for (int x = area.left; x < area.right; ++x) {
      const int sx = srcRect.left + nearestSourceIndex(x - dstRect.left, dw, sw);
      if (sx >= 0 && sx < src.width) out[x] = in[sx];
    }
  }
}

void copyScaled(Bitmap& dst, const Rect& dstRect, const Bitmap& src, const Rect& srcRect) {
  if (dstRect.isEmpty() || srcRect.isEmpty() || dst.isEmpty() || src.isEmpty()) return;
  if (overlaps(dst, src)) {
    // Reading rows that this copy has already written would smear them:
    // copy the part of the source that can be read first.
    const Rect readable = srcRect.intersected({0, 0, src.width(), src.height()});
    if (readable.isEmpty()) return;
    Bitmap part(readable.width(), readable.height(), src.format());
    for (int y = 0; y < readable.height(); ++y) {
      const std::uint32_t* in = src.scanLine(readable.top + y) + readable.left;
      std::copy(in, in + readable.width(), part.scanLine(y));
    }
    copyScaled(dst, dstRect, part, srcRect.translated(-readable.left, -readable.top));
    return;
  }
  Surface out = dst.surface();
  const Surface in = const_cast<Bitmap&>(src).surface();
  if (srcRect.intersected(in.bounds()) == srcRect) {
    stretchCopy(out, dstRect, out.bounds(), in, srcRect);
  } else {
    copyPartialSource(out, dstRect, in, srcRect);
  }
}

}  // namespace

Bitmap& Canvas::bitmap() const {
  if (owner_ != nullptr) return owner_->canvasBitmap();
  return *bitmap_;
}

void Canvas::draw(int x, int y, Picture& picture) {
  if (picture.width() <= 0 || picture.height() <= 0) return;
  Bitmap& target = bitmap();
  const Rect dest = Rect::fromSize(x, y, picture.width(), picture.height());
  auto* own = dynamic_cast<BitmapPicture*>(&picture);
  if (own != nullptr && overlaps(own->bitmap(), target)) {
    // Drawing a bitmap onto itself: draw from a copy, not from the rows
    // being overwritten.
    BitmapPicture copy(own->bitmap().clone());
    copy.setTransparent(own->transparent());
    copy.draw(target.surface(), dest, {0, 0, target.width(), target.height()});
  } else {
    picture.draw(target.surface(), dest, {0, 0, target.width(), target.height()});
  }
  changed();
}

void Canvas::copyRect(const Rect& destRect, const Canvas& source, const Rect& sourceRect) {
  stretchBlt(destRect, source, sourceRect);
  changed();
}

void Canvas::stretchBlt(const Rect& destRect, const Canvas& source, const Rect& sourceRect) const {
  copyScaled(bitmap(), destRect, source.bitmap(), sourceRect);
}

void Canvas::changed() const {
  if (owner_ != nullptr) owner_->pictureChanged();
}

}  // namespace vistel
