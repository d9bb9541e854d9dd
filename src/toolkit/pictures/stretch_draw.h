#pragma once

#include <optional>

#include "bitmap.h"
#include "geometry.h"

namespace vistel {

// Copies `src` (the whole bitmap, or `srcRect` of it) into `dstRect` of `dst`,
// scaling by dropping or repeating whole rows and columns: each destination
// pixel takes the colour of exactly one source pixel, the one under its
// centre. Only pixels inside `clip` (and the surface) are written.
//
// With `key` set, source pixels of that colour are skipped, so whatever lies
// beneath shows through.
void stretchDraw(const Surface& dst, const Rect& dstRect, const Rect& clip, const Bitmap& src,
                 std::optional<Rgb> key = std::nullopt);
void stretchDraw(const Surface& dst, const Rect& dstRect, const Rect& clip, const Bitmap& src,
                 const Rect& srcRect, std::optional<Rgb> key = std::nullopt);

// The same rule between two surfaces (the canvas copy-rectangle operation).
void stretchCopy(const Surface& dst, const Rect& dstRect, const Rect& clip, const Surface& src,
                 const Rect& srcRect);

// Source index picked for destination index `d` of a run of `dstLen` pixels
// mapped onto `srcLen` source pixels: the source pixel under the centre of the
// destination pixel. Exposed so that callers that decode only the rows they
// need (thumbnails) pick exactly the rows drawing would pick.
inline int nearestSourceIndex(int d, int dstLen, int srcLen) {
  return static_cast<int>((2 * static_cast<long long>(d) + 1) * srcLen /
                          (2 * static_cast<long long>(dstLen)));
}

}  // namespace vistel
