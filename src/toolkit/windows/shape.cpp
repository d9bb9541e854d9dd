#include "windows/shape.h"

#include <QBitmap>
#include <vector>

namespace vistel {
namespace {

// Appends the runs of non-key pixels of one row as [x0, x1) pairs.
void rowRuns(const std::uint32_t* row, int width, std::uint32_t key, std::vector<int>& out) {
  out.clear();
  int x = 0;
  while (x < width) {
    while (x < width && (row[x] & kRgbMask) == key) ++x;
    if (x == width) break;
    const int start = x;
    while (x < width && (row[x] & kRgbMask) != key) ++x;
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
  for (int y = 0; y < height; ++y) {
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
