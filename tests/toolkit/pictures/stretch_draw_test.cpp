#include "pictures/stretch_draw.h"

#include <gtest/gtest.h>

namespace vistel {
namespace {

// A bitmap whose pixel (x, y) has the colour x + 16 * y, so that every drawn
// pixel tells which source pixel it came from.
Bitmap indexed(int w, int h) {
  Bitmap b(w, h, PixelFormat::Rgb24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setPixel(x, y, static_cast<Rgb>(x + 16 * y));
  return b;
}

TEST(StretchDraw, SameSizeCopiesPixelForPixelAndClips) {
  Bitmap src = indexed(4, 3);
  Bitmap dst = Bitmap::filled(6, 6, PixelFormat::Rgb24, kWhite);
  stretchDraw(dst.surface(), Rect::fromSize(3, 2, 4, 3), Rect{0, 0, 6, 6}, src);
  EXPECT_EQ(dst.pixel(3, 2), 0u);
  EXPECT_EQ(dst.pixel(5, 4), 2u + 32u);
  EXPECT_EQ(dst.pixel(2, 2), kWhite);  // left of the rectangle untouched
  EXPECT_EQ(dst.pixel(5, 5), kWhite);  // below the picture untouched
}

TEST(StretchDraw, ShrinkTakesOneSourcePixelPerDestinationPixel) {
  Bitmap src = indexed(8, 8);
  Bitmap dst = Bitmap::filled(4, 4, PixelFormat::Rgb24, kWhite);
  stretchDraw(dst.surface(), Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4}, src);
  // Halving picks the source pixel under each destination centre: 1, 3, 5, 7.
  EXPECT_EQ(dst.pixel(0, 0), 1u + 16u);
  EXPECT_EQ(dst.pixel(3, 3), 7u + 16u * 7);
  EXPECT_EQ(dst.pixel(1, 2), 3u + 16u * 5);
}

TEST(StretchDraw, EnlargeRepeatsWholeRowsAndColumns) {
  Bitmap src = indexed(2, 2);
  Bitmap dst = Bitmap::filled(4, 4, PixelFormat::Rgb24, kWhite);
  stretchDraw(dst.surface(), Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4}, src);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.pixel(x, y), static_cast<Rgb>(x / 2 + 16 * (y / 2)));
}

TEST(StretchDraw, NegativeOffsetShowsTheMiddleAndMappingIgnoresTheClip) {
  Bitmap src = indexed(10, 1);
  Bitmap dst = Bitmap::filled(4, 1, PixelFormat::Rgb24, kWhite);
  // A 10-wide picture centred in a 4-wide control sits at -3.
  stretchDraw(dst.surface(), Rect::fromSize(-3, 0, 10, 1), Rect{0, 0, 4, 1}, src);
  EXPECT_EQ(dst.pixel(0, 0), 3u);
  EXPECT_EQ(dst.pixel(3, 0), 6u);
  // Scaled with a clip: the clipped part keeps the mapping of the whole rectangle.
  Bitmap wide = Bitmap::filled(8, 1, PixelFormat::Rgb24, kWhite);
  stretchDraw(wide.surface(), Rect{0, 0, 8, 1}, Rect{6, 0, 8, 1}, indexed(4, 1));
  EXPECT_EQ(wide.pixel(5, 0), kWhite);
  EXPECT_EQ(wide.pixel(6, 0), 3u);
}

TEST(StretchDraw, KeyColourPixelsAreSkippedScaledOrNot) {
  Bitmap src = Bitmap::filled(2, 2, PixelFormat::Rgb24, kWhite);
  src.setPixel(0, 0, kBlack);
  for (int size : {2, 4}) {
    Bitmap dst = Bitmap::filled(size, size, PixelFormat::Rgb24, 0x123456);
    stretchDraw(dst.surface(), Rect{0, 0, size, size}, Rect{0, 0, size, size}, src, kWhite);
    EXPECT_EQ(dst.pixel(0, 0), kBlack);
    EXPECT_EQ(dst.pixel(size - 1, size - 1), 0x123456u) << size;
  }
}

TEST(StretchDraw, EmptyOrDegenerateRectanglesDrawNothing) {
  Bitmap dst = Bitmap::filled(3, 3, PixelFormat::Rgb24, kWhite);
  stretchDraw(dst.surface(), Rect{0, 0, 3, 3}, Rect{0, 0, 3, 3}, Bitmap());
  stretchDraw(dst.surface(), Rect{2, 2, 2, 5}, Rect{0, 0, 3, 3}, indexed(2, 2));
  stretchDraw(dst.surface(), Rect{0, 0, 3, 3}, Rect{0, 0, 3, 3}, indexed(2, 2), Rect{1, 1, 5, 5});
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.pixel(x, y), kWhite);
}

TEST(Bitmap, TransparentColourIsWhiteForMonochromeElseBottomLeft) {
  Bitmap mono = Bitmap::filled(3, 2, PixelFormat::Mono1, kBlack);
  EXPECT_EQ(mono.transparentColor(), kWhite);
  Bitmap rgb = Bitmap::filled(3, 2, PixelFormat::Rgb24, kBlue);
  rgb.setPixel(0, 1, 0x00FF00);
  rgb.setPixel(0, 0, 0xFF0000);
  EXPECT_EQ(rgb.transparentColor(), 0x00FF00u);
  EXPECT_EQ(Bitmap().transparentColor(), kWhite);
}

TEST(Bitmap, SizeLimitRefusesHugeAndNegativeSizes) {
  EXPECT_TRUE(pictureSizeAllowed(16384, 16384));
  EXPECT_TRUE(pictureSizeAllowed(0, 0));
  EXPECT_FALSE(pictureSizeAllowed(-1, 10));
  EXPECT_FALSE(pictureSizeAllowed(70000, 70000));
  EXPECT_FALSE(pictureSizeAllowed(kMaxPictureSide + 1, 1));
  EXPECT_THROW(Bitmap(1 << 20, 1 << 20, PixelFormat::Rgb24), std::bad_alloc);
}

TEST(PixelBuffer, ReleasedLargeBufferIsReusedForTheNextPicture) {
  PixelBuffer::releaseSpare();
  const std::uint32_t* first = nullptr;
  {
    PixelBuffer a(4000 * 3000);
    first = a.data();
    a.data()[0] = 1;
    a.data()[a.size() - 1] = 2;
  }
  EXPECT_GT(PixelBuffer::spareBytes(), 0u);
  PixelBuffer b(4000 * 3000);
  EXPECT_EQ(b.data(), first);
  // Large buffers start on a huge-page boundary, so huge pages can back them.
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.data()) % (std::uintptr_t{2} << 20), 0u);
  EXPECT_EQ(PixelBuffer::spareBytes(), 0u);
  // Much smaller requests do not pin the large mapping.
  PixelBuffer::releaseSpare();
}

}  // namespace
}  // namespace vistel
