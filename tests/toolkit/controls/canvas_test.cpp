#include "controls/canvas.h"

#include <gtest/gtest.h>

#include "controls/picture_control.h"
#include "pictures/icon_picture.h"
#include "support.h"

namespace vistel {
namespace {

using testing::backBuffer;
using testing::bitmapPicture;
using testing::flatPicture;
using testing::indexedBitmap;
using testing::pixelAt;
using testing::RecordingHost;

constexpr Rgb kRed = 0xFF0000;
constexpr Rgb kGreen = 0x00FF00;

Bitmap& shownBitmap(PictureControl& c) {
  return static_cast<BitmapPicture*>(c.picture())->bitmap();
}

TEST(Canvas, EmptyControlGetsAWhiteBitmapOfItsSizeThatLaterResizingKeeps) {
  RecordingHost host;
  PictureControl c(&host);
  c.setBounds(0, 0, 792, 611);
  c.canvas();
  ASSERT_NE(c.picture(), nullptr);
  ASSERT_EQ(c.picture()->kind(), PictureKind::Bitmap);
  const Bitmap& b = shownBitmap(c);
  EXPECT_EQ(b.width(), 792);
  EXPECT_EQ(b.height(), 611);
  EXPECT_EQ(b.pixel(0, 0), kWhite);
  EXPECT_EQ(b.pixel(791, 610), kWhite);
  EXPECT_FALSE(host.invalidated.empty());  // the new picture repaints

  Picture* first = c.picture();
  c.setBounds(0, 0, 100, 100);
  c.canvas();
  EXPECT_EQ(c.picture(), first);
  EXPECT_EQ(c.pictureWidth(), 792);
}

TEST(Canvas, ShorterPictureDrawnOnItLeavesAWhiteStripThatBecomesTransparent) {
  PictureControl c;
  c.setBounds(0, 0, 20, 12);
  Canvas canvas = c.canvas();
  auto photo = flatPicture(20, 9, kBlue);
  canvas.draw(0, 0, *photo);
  EXPECT_EQ(shownBitmap(c).transparentColor(), kWhite);

  c.setTransparent(true);
  QImage target = backBuffer(20, 12, kRed);
  c.paint(target, Rect{0, 0, 20, 12});
  EXPECT_EQ(pixelAt(target, 5, 8), kBlue);
  EXPECT_EQ(pixelAt(target, 5, 9), kRed);
  EXPECT_EQ(pixelAt(target, 19, 11), kRed);
}

TEST(Canvas, DrawIsClippedUnscaledAndHonoursThePicturesTransparency) {
  PictureControl c;
  c.setBounds(0, 0, 4, 4);
  Canvas canvas = c.canvas();
  auto src = bitmapPicture(indexedBitmap(3, 3));
  canvas.draw(2, -1, *src);
  const Bitmap& b = shownBitmap(c);
  EXPECT_EQ(b.pixel(2, 0), 0u + 256u);
  EXPECT_EQ(b.pixel(3, 1), 1u + 512u);
  EXPECT_EQ(b.pixel(1, 0), kWhite);
  EXPECT_EQ(b.pixel(2, 2), kWhite);

  // A transparent picture skips its bottom-left colour (here 0 + 256 * 2).
  src->setTransparent(true);
  Bitmap& bits = src->bitmap();
  bits.setPixel(1, 1, bits.pixel(0, 2));
  canvas.draw(0, 0, *src);
  EXPECT_EQ(b.pixel(1, 1), kWhite);
  EXPECT_EQ(b.pixel(0, 1), 256u);
}

TEST(Canvas, EachDrawingCallRunsThePictureChangeStep) {
  RecordingHost host;
  PictureControl c(&host);
  c.setBounds(0, 0, 8, 8);
  Canvas canvas = c.canvas();
  c.setTransparent(true);
  c.picture()->setTransparent(false);
  host.invalidated.clear();

  auto dot = flatPicture(1, 1, kRed);
  canvas.draw(3, 3, *dot);
  EXPECT_EQ(host.invalidated.size(), 1u);
  EXPECT_TRUE(c.picture()->transparent());

  canvas.copyRect(Rect{0, 0, 2, 2}, canvas, Rect{3, 3, 4, 4});
  EXPECT_EQ(host.invalidated.size(), 2u);

  // An empty picture draws nothing, and nothing changes.
  BitmapPicture empty;
  canvas.draw(0, 0, empty);
  EXPECT_EQ(host.invalidated.size(), 2u);
}

TEST(Canvas, DrawingStraightOntoTheHandleSkipsTheStepButShowsAtTheNextRepaint) {
  RecordingHost host;
  PictureControl c(&host);
  c.setBounds(0, 0, 4, 4);
  Canvas canvas = c.canvas();
  host.invalidated.clear();

  Bitmap source = Bitmap::filled(2, 2, PixelFormat::Rgb24, kRed);
  canvas.stretchBlt(Rect{0, 0, 4, 4}, Canvas(source), Rect{0, 0, 2, 2});
  canvas.surface().row(0)[0] = toPixel(kGreen);
  EXPECT_TRUE(host.invalidated.empty());

  QImage target = backBuffer(4, 4, kBlack);
  c.paint(target, Rect{0, 0, 4, 4});
  EXPECT_EQ(pixelAt(target, 0, 0), kGreen);
  EXPECT_EQ(pixelAt(target, 3, 3), kRed);
}

TEST(Canvas, CopyRectScalesByWholeRowsAndColumns) {
  Bitmap src = indexedBitmap(4, 4);
  Bitmap dst = Bitmap::filled(8, 8, PixelFormat::Rgb24, kWhite);
  Canvas to(dst);
  to.copyRect(Rect{0, 0, 2, 2}, Canvas(src), Rect{0, 0, 4, 4});
  EXPECT_EQ(dst.pixel(0, 0), 1u + 256u);
  EXPECT_EQ(dst.pixel(1, 1), 3u + 3 * 256u);
  to.copyRect(Rect{4, 4, 8, 8}, Canvas(src), Rect{2, 2, 4, 4});
  EXPECT_EQ(dst.pixel(4, 4), 2u + 2 * 256u);
  EXPECT_EQ(dst.pixel(5, 5), 2u + 2 * 256u);
  EXPECT_EQ(dst.pixel(7, 6), 3u + 3 * 256u);
  EXPECT_EQ(dst.pixel(3, 3), kWhite);
}

TEST(Canvas, SourceSquareBeyondALandscapePictureLeavesTheRestOfTheThumbnailAlone) {
  // A 40 x 20 picture copied as its 40 x 40 square into 10 x 10: the top
  // half shows the picture, the bottom half keeps its white.
  Bitmap wide = indexedBitmap(40, 20);
  PictureControl thumb;
  thumb.setBounds(0, 0, 10, 10);
  Canvas canvas = thumb.canvas();
  canvas.stretchBlt(Rect{0, 0, 10, 10}, Canvas(wide), Rect{0, 0, 40, 40});
  const Bitmap& b = shownBitmap(thumb);
  EXPECT_EQ(b.pixel(0, 0), 2u + 2 * 256u);
  EXPECT_EQ(b.pixel(9, 4), 38u + 18 * 256u);
  EXPECT_EQ(b.pixel(0, 5), kWhite);
  EXPECT_EQ(b.pixel(9, 9), kWhite);
}

TEST(Canvas, CopyWithinOneCanvasReadsTheSourceBeforeWritingIt) {
  // Rows copied one down: a copy row by row would repeat the first row.
  Bitmap b = indexedBitmap(3, 4);
  Canvas canvas(b);
  canvas.copyRect(Rect{0, 1, 3, 4}, canvas, Rect{0, 0, 3, 3});
  for (int y = 1; y < 4; ++y) EXPECT_EQ(b.pixel(1, y), static_cast<Rgb>(1 + 256 * (y - 1)));
  // Drawing a picture onto its own bitmap, shifted.
  BitmapPicture self(indexedBitmap(4, 1));
  Canvas own(self.bitmap());
  own.draw(1, 0, self);
  EXPECT_EQ(self.bitmap().pixel(3, 0), 2u);
}

TEST(Canvas, CanvasOfAPictureThatIsNotABitmapIsRefused) {
  PictureControl c;
  c.setPicture(std::make_unique<IconPicture>(Bitmap::filled(2, 2, PixelFormat::Pal4, kRed),
                                             std::vector<std::uint8_t>(4, 0)));
  try {
    c.canvas();
    FAIL() << "expected a PictureError";
  } catch (const PictureError& e) {
    EXPECT_STREQ(e.what(), "Can only modify an image if it contains a bitmap");
  }
  // A canvas kept from before refuses as well once the picture changed kind.
  PictureControl d;
  Canvas kept = d.canvas();
  d.setPicture(std::make_unique<IconPicture>(Bitmap::filled(1, 1, PixelFormat::Pal4, kRed),
                                             std::vector<std::uint8_t>(1, 0)));
  auto dot = flatPicture(1, 1, kRed);
  EXPECT_THROW(kept.draw(0, 0, *dot), PictureError);
}

TEST(Canvas, SkinCopyIntoAClientAlignedControlWithoutPicture) {
  // A temporary bitmap with a shorter picture on it, copied whole into an
  // empty client-aligned control: the control gets a bitmap of its own size.
  RecordingHost host(12, 8);
  PictureControl border(&host);
  border.setAlign(Align::Client);
  border.setTransparent(true);
  Bitmap temp = Bitmap::filled(12, 8, PixelFormat::Rgb24, kWhite);
  Canvas tempCanvas(temp);
  auto skin = flatPicture(14, 6, kGreen);
  tempCanvas.draw(0, 0, *skin);
  border.canvas().copyRect(Rect{0, 0, 12, 8}, tempCanvas, Rect{0, 0, 12, 8});
  EXPECT_EQ(border.pictureWidth(), 12);
  EXPECT_EQ(border.pictureHeight(), 8);

  QImage target = backBuffer(12, 8, kRed);
  border.paint(target, Rect{0, 0, 12, 8});
  EXPECT_EQ(pixelAt(target, 11, 5), kGreen);
  EXPECT_EQ(pixelAt(target, 11, 6), kRed);  // the white bottom rows see through
}

TEST(Canvas, AutoSizingControlTakesTheSizeOfTheBitmapItIsGiven) {
  PictureControl scratch;
  scratch.setVisible(false);
  scratch.setAutoSize(true);
  scratch.setPicture(flatPicture(30, 20, kWhite));
  auto photo = bitmapPicture(indexedBitmap(30, 20));
  scratch.canvas().draw(0, 0, *photo);
  EXPECT_EQ(scratch.boundsRect(), Rect::fromSize(0, 0, 30, 20));
  EXPECT_EQ(shownBitmap(scratch).pixel(29, 19), 29u + 19 * 256u);
}

}  // namespace
}  // namespace vistel
