#include "windows/shape.h"

#include <QBitmap>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vistel {
namespace {

// The first x from `x` on whose pixel is not (kKey true) or is (kKey false)
// the key. Four pixels a step where the processor has SSE2: the windows
// are keyed whole at start and after every picture, most of a row is one
// long run.
template <bool kKey>
int runEnd(const std::uint32_t* row, int x, int width, std::uint32_t key) {
#if defined(__SSE2__)
  const __m128i rgb = _mm_set1_epi32(static_cast<int>(kRgbMask));
  const __m128i k = _mm_set1_epi32(static_cast<int>(key));
  for (; x + 4 <= width; x += 4) {
    const __m128i p =
        _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x)), rgb);
    const int keyed = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(p, k)));
    const int stop = kKey ? (~keyed & 0xF) : keyed;
    if (stop != 0) return x + __builtin_ctz(static_cast<unsigned>(stop));
  }
#endif
  while (x < width && ((row[x] & kRgbMask) == key) == kKey) ++x;
  return x;
}

// Appends the runs of non-key pixels of one row as [x0, x1) pairs.
void rowRuns(const std::uint32_t* row, int width, std::uint32_t key, std::vector<int>& out) {
  out.clear();
  int x = 0;
  while (x < width) {
    x = runEnd<true>(row, x, width, key);
    if (x == width) break;
    const int start = x;
    x = runEnd<false>(row, x, width, key);
    out.push_back(start);
    out.push_back(x);
  }
}

}  // namespace

QRegion keyedShape(const QImage& source, Rgb key) {
  const QImage image =
      source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
          ? source
          : source.convertToFormat(QImage::Format_RGB32);
  const int width = image.width();
  const int height = image.height();
  key &= kRgbMask;

  // Rectangles in the y-x banded order QRegion keeps internally: bands top to
  // bottom, runs left to right within a band, all of a band equally tall.
  // The buffers outlive the call: a jagged window needs tens of thousands of
  // rectangles, and fresh memory for them each time costs more than the scan.
  thread_local std::vector<QRect> rects;
  thread_local std::vector<int> band;  // runs of the open band
  thread_local std::vector<int> runs;
  rects.clear();
  band.clear();
  int bandTop = 0;
  auto closeBand = [&](int bottom) {
    for (std::size_t i = 0; i < band.size(); i += 2)
      rects.emplace_back(band[i], bandTop, band[i + 1] - band[i], bottom - bandTop);
  };
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  for (int y = 0; y < height; ++y) {
    // A row the same as the one above it has its runs: the band goes on.
    if (y > 0 && std::memcmp(image.constScanLine(y), image.constScanLine(y - 1), rowBytes) == 0)
      continue;
    rowRuns(reinterpret_cast<const std::uint32_t*>(image.constScanLine(y)), width, key, runs);
    if (y > 0 && runs == band) continue;
    closeBand(y);
    band.swap(runs);
    bandTop = y;
  }
  closeBand(height);

  QRegion region;
  if (!rects.empty()) region.setRects(rects.data(), static_cast<int>(rects.size()));
  return region;
}

QRegion keyedShapeViaBitmap(const QImage& image, Rgb key) {
  // MaskInColor marks the pixels that are NOT the colour (MaskOutColor marks
  // the key pixels themselves), whatever the names suggest.
  const QImage mask = image.createMaskFromColor(toPixel(key), Qt::MaskInColor);
  return QRegion(QBitmap::fromImage(mask));
}

}  // namespace vistel
