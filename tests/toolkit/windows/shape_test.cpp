#include "windows/shape.h"

#include <gtest/gtest.h>

#include <random>

namespace vistel {
namespace {

QImage filled(int w, int h, Rgb c) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(toPixel(c));
  return img;
}

void set(QImage& img, int x, int y, Rgb c) { img.setPixel(x, y, toPixel(c)); }

// Every pixel is in the region exactly when it is not the key colour.
void expectShapeMatchesPixels(const QImage& img, Rgb key, const QRegion& region) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      ASSERT_EQ(region.contains(QPoint(x, y)), (img.pixel(x, y) & kRgbMask) != key)
          << "pixel " << x << "," << y;
}

TEST(Shape, HoldsExactlyTheNonKeyPixels) {
  QImage img = filled(9, 7, kBlack);
  set(img, 0, 0, kWhite);
  set(img, 8, 6, kWhite);
  for (int x = 2; x < 7; ++x) set(img, x, 3, 0x010000);  // nearly black is not black
  set(img, 4, 4, kBlue);
  const QRegion r = keyedShape(img, kBlack);
  expectShapeMatchesPixels(img, kBlack, r);
  EXPECT_TRUE(sameRegion(r, keyedShapeViaBitmap(img, kBlack)));
}

TEST(Shape, QtColourMaskInColorGivesTheVisiblePixels) {
  // The trap: MaskInColor keeps what differs from the colour.
  QImage img = filled(4, 1, kWhite);
  set(img, 1, 0, kBlack);
  const QRegion r = keyedShapeViaBitmap(img, kWhite);
  EXPECT_TRUE(r.contains(QPoint(1, 0)));
  EXPECT_FALSE(r.contains(QPoint(0, 0)));
  EXPECT_FALSE(r.contains(QPoint(3, 0)));
}

TEST(Shape, AllKeyIsEmptyNoKeyIsTheWholeImage) {
  EXPECT_TRUE(keyedShape(filled(20, 10, kBlue), kBlue).isEmpty());
  const QRegion whole = keyedShape(filled(20, 10, kWhite), kBlue);
  EXPECT_TRUE(sameRegion(whole, QRegion(0, 0, 20, 10)));
  EXPECT_EQ(whole.rectCount(), 1) << "equal rows make one band";
  EXPECT_TRUE(keyedShape(QImage(), kBlack).isEmpty());
}

TEST(Shape, OnlyTheColourCountsNotTheAlphaByte) {
  QImage img(3, 1, QImage::Format_ARGB32);
  img.setPixel(0, 0, 0x00000000u);  // black with alpha 0: still the key
  img.setPixel(1, 0, 0x80000000u);
  img.setPixel(2, 0, 0xFF0000FFu);
  const QRegion r = keyedShape(img, kBlack);
  EXPECT_TRUE(sameRegion(r, QRegion(2, 0, 1, 1)));
  // Wide enough to be scanned several pixels a step: the alpha byte is
  // ignored there too, and a row differing from the one above only in it
  // has the same runs.
  QImage wide(13, 2, QImage::Format_ARGB32);
  for (int x = 0; x < 13; ++x) {
    wide.setPixel(x, 0, (x == 9 ? 0x00123456u : 0x00000000u) | (static_cast<unsigned>(x) << 28));
    wide.setPixel(x, 1, (x == 9 ? 0xFF123456u : 0xFF000000u));
  }
  EXPECT_TRUE(sameRegion(keyedShape(wide, kBlack), QRegion(9, 0, 1, 2)));
}

TEST(Shape, JaggedRandomShapesAgreeWithQtsBitmapRegion) {
  std::mt19937 rng(7);
  QImage img = filled(97, 61, kWhite);
  for (int y = 0; y < img.height(); ++y) {
    // Rows repeat now and then, so bands of several rows occur too.
    if (y > 0 && rng() % 3 == 0) {
      for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, img.pixel(x, y - 1));
      continue;
    }
    for (int x = 0; x < img.width(); ++x)
      if (rng() % 4 == 0) set(img, x, y, rng() % 2 ? kBlack : 0x336699);
  }
  const QRegion mine = keyedShape(img, kWhite);
  expectShapeMatchesPixels(img, kWhite, mine);
  EXPECT_TRUE(sameRegion(mine, keyedShapeViaBitmap(img, kWhite)));
  // A region built band by band combines with others correctly.
  const QRegion shifted = mine.translated(3, 2);
  EXPECT_TRUE(sameRegion(shifted.translated(-3, -2), mine));
  EXPECT_FALSE(sameRegion(shifted, mine));
}

}  // namespace
}  // namespace vistel
