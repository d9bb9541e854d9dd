#include "controls/picture_control.h"

#include <gtest/gtest.h>

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

TEST(PictureControl, StartsAt105By105WithEveryFlagOffAndNoPicture) {
  PictureControl c;
  EXPECT_EQ(c.width(), 105);
  EXPECT_EQ(c.height(), 105);
  EXPECT_FALSE(c.autoSize() || c.stretch() || c.proportional() || c.center() || c.transparent());
  EXPECT_EQ(c.picture(), nullptr);
  EXPECT_EQ(c.pictureWidth(), 0);
  EXPECT_EQ(c.pictureHeight(), 0);
  EXPECT_EQ(c.destinationRect(), Rect{});
}

TEST(PictureControl, AutoSizeOverridesTheRequestedSizeButNotThePosition) {
  PictureControl c;
  c.setPicture(flatPicture(640, 480, kRed));
  c.setAutoSize(true);
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(0, 0, 640, 480));
  c.setBounds(10, 20, 50, 50);
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(10, 20, 640, 480));
  c.setWidth(7);
  EXPECT_EQ(c.width(), 640);

  PictureControl empty;
  empty.setAutoSize(true);
  EXPECT_EQ(empty.boundsRect(), Rect::fromSize(0, 0, 0, 0));
  empty.setBounds(10, 20, 50, 50);
  EXPECT_EQ(empty.boundsRect(), Rect::fromSize(10, 20, 0, 0));
}

TEST(PictureControl, SwitchingAutoSizeOffKeepsTheSizeAndOnAgainRestoresIt) {
  PictureControl c;
  c.setPicture(flatPicture(64, 48, kRed));
  c.setAutoSize(true);
  c.setAutoSize(false);
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(0, 0, 64, 48));
  c.setBounds(5, 6, 30, 20);
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(5, 6, 30, 20));
  c.setAutoSize(true);
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(5, 6, 64, 48));
}

TEST(PictureControl, NewPictureResizesUnderAutoSizeUnlessItIsEmpty) {
  PictureControl c;
  c.setAutoSize(true);
  c.setPicture(flatPicture(30, 40, kRed));
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(0, 0, 30, 40));
  // An empty picture leaves the size alone until the bounds are set again.
  c.setPicture(std::make_unique<BitmapPicture>());
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(0, 0, 30, 40));
  c.setLeft(3);
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(3, 0, 0, 0));
}

TEST(PictureControl, ClientAlignedControlFillsItsHostEvenWithAutoSize) {
  RecordingHost host(792, 611);
  PictureControl c(&host);
  c.setPicture(flatPicture(840, 620, kBlack));
  c.setAlign(Align::Client);
  c.setAutoSize(true);
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(0, 0, 792, 611));
}

TEST(PictureControl, FlagSetToItsValueDoesNothingAndAChangeRunsThePictureChangeStep) {
  RecordingHost host;
  PictureControl c(&host);
  c.setBounds(10, 10, 50, 50);
  c.setPicture(flatPicture(20, 20, kRed));
  host.invalidated.clear();

  c.setStretch(false);
  c.setProportional(false);
  c.setCenter(false);
  c.setTransparent(false);
  c.setAutoSize(false);
  EXPECT_TRUE(host.invalidated.empty());

  c.setTransparent(true);
  EXPECT_TRUE(c.picture()->transparent());
  ASSERT_EQ(host.invalidated.size(), 1u);
  EXPECT_EQ(host.invalidated[0], Rect::fromSize(10, 10, 50, 50));
  c.setStretch(true);
  c.setCenter(true);
  c.setProportional(true);
  EXPECT_EQ(host.invalidated.size(), 4u);
}

TEST(PictureControl, TransparentFlagGoesToEveryNewPictureButNotToAnIcon) {
  PictureControl c;
  c.setTransparent(true);
  c.setPicture(flatPicture(4, 4, kRed));
  EXPECT_TRUE(c.picture()->transparent());

  auto icon = std::make_unique<IconPicture>(Bitmap::filled(2, 2, PixelFormat::Pal4, kRed),
                                            std::vector<std::uint8_t>(4, 0));
  c.setPicture(std::move(icon));
  EXPECT_FALSE(c.picture()->transparent());
  c.setTransparent(false);
  c.setTransparent(true);
  EXPECT_FALSE(c.picture()->transparent());
}

TEST(PictureControl, PaintsTheStretchedPictureAtItsPositionClippedToItsRectangle) {
  RecordingHost host;
  PictureControl c(&host);
  c.setBounds(10, 5, 8, 4);
  c.setPicture(bitmapPicture(indexedBitmap(4, 2)));
  c.setStretch(true);
  QImage target = backBuffer(30, 20, kGreen);
  c.paint(target, Rect{0, 0, 30, 20});
  // Each source pixel becomes a 2 x 2 block.
  EXPECT_EQ(pixelAt(target, 10, 5), 0u);
  EXPECT_EQ(pixelAt(target, 11, 6), 0u);
  EXPECT_EQ(pixelAt(target, 12, 5), 1u);
  EXPECT_EQ(pixelAt(target, 17, 8), 3u + 256u);
  EXPECT_EQ(pixelAt(target, 9, 5), kGreen);
  EXPECT_EQ(pixelAt(target, 18, 8), kGreen);
  EXPECT_EQ(pixelAt(target, 10, 9), kGreen);

  // Unscaled and larger than the control: cropped at the control's edge.
  c.setStretch(false);
  c.setPicture(flatPicture(100, 100, kRed));
  target = backBuffer(30, 20, kGreen);
  c.paint(target, Rect{0, 0, 30, 20});
  EXPECT_EQ(pixelAt(target, 17, 8), kRed);
  EXPECT_EQ(pixelAt(target, 18, 8), kGreen);
  EXPECT_EQ(pixelAt(target, 17, 9), kGreen);

  // Only the clip is touched.
  target = backBuffer(30, 20, kGreen);
  c.paint(target, Rect{12, 0, 14, 30});
  EXPECT_EQ(pixelAt(target, 11, 6), kGreen);
  EXPECT_EQ(pixelAt(target, 12, 6), kRed);
  EXPECT_EQ(pixelAt(target, 14, 6), kGreen);
}

TEST(PictureControl, CentredPictureFiveWiderShowsFromItsThirdColumn) {
  PictureControl c;
  c.setBounds(0, 0, 10, 1);
  c.setPicture(bitmapPicture(indexedBitmap(15, 1)));
  c.setCenter(true);
  QImage target = backBuffer(10, 1, kGreen);
  c.paint(target, Rect{0, 0, 10, 1});
  EXPECT_EQ(pixelAt(target, 0, 0), 2u);
  EXPECT_EQ(pixelAt(target, 9, 0), 11u);
}

TEST(PictureControl, MonochromeMaskWithTransparentLetsTheEarlierPictureShowThroughWhite) {
  // The frame arrangement: a picture, then a black-and-white mask above it.
  PictureControl photo;
  photo.setBounds(0, 0, 4, 2);
  photo.setPicture(flatPicture(4, 2, kRed));
  Bitmap maskBits(4, 2, PixelFormat::Mono1);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) maskBits.setPixel(x, y, x < 2 ? kBlack : kWhite);
  PictureControl mask;
  mask.setBounds(0, 0, 4, 2);
  mask.setPicture(bitmapPicture(std::move(maskBits)));
  mask.setTransparent(true);

  QImage target = backBuffer(4, 2, kGreen);
  photo.paint(target, Rect{0, 0, 4, 2});
  mask.paint(target, Rect{0, 0, 4, 2});
  EXPECT_EQ(pixelAt(target, 0, 0), kBlack);
  EXPECT_EQ(pixelAt(target, 1, 1), kBlack);
  EXPECT_EQ(pixelAt(target, 2, 0), kRed);
  EXPECT_EQ(pixelAt(target, 3, 1), kRed);

  // Switched off, the white part is drawn white.
  mask.setTransparent(false);
  mask.paint(target, Rect{0, 0, 4, 2});
  EXPECT_EQ(pixelAt(target, 3, 1), kWhite);
}

TEST(PictureControl, TwentyFourBitPictureTakesItsBottomLeftColourAsTransparent) {
  Bitmap b = Bitmap::filled(3, 3, PixelFormat::Rgb24, kWhite);
  b.setPixel(0, 2, kBlue);  // bottom-left
  b.setPixel(2, 0, kBlue);
  b.setPixel(1, 1, kBlack);
  PictureControl c;
  c.setBounds(0, 0, 3, 3);
  c.setPicture(bitmapPicture(std::move(b)));
  c.setTransparent(true);
  QImage target = backBuffer(3, 3, kGreen);
  c.paint(target, Rect{0, 0, 3, 3});
  EXPECT_EQ(pixelAt(target, 0, 2), kGreen);
  EXPECT_EQ(pixelAt(target, 2, 0), kGreen);
  EXPECT_EQ(pixelAt(target, 0, 0), kWhite);  // white is an ordinary colour here
  EXPECT_EQ(pixelAt(target, 1, 1), kBlack);
}

TEST(PictureControl, IconIsDrawnThroughItsOwnMaskWhateverTheTransparentFlag) {
  Bitmap image = Bitmap::filled(2, 2, PixelFormat::Pal4, kRed);
  image.setPixel(0, 1, kBlack);
  PictureControl c;
  c.setBounds(0, 0, 4, 4);
  c.setPicture(
      std::make_unique<IconPicture>(std::move(image), std::vector<std::uint8_t>{0, 1, 0, 0}));
  c.setStretch(true);
  QImage target = backBuffer(4, 4, kGreen);
  c.paint(target, Rect{0, 0, 4, 4});
  EXPECT_EQ(pixelAt(target, 1, 1), kRed);
  EXPECT_EQ(pixelAt(target, 2, 0), kGreen);  // masked, scaled to a 2 x 2 block
  EXPECT_EQ(pixelAt(target, 3, 1), kGreen);
  EXPECT_EQ(pixelAt(target, 1, 3), kBlack);  // the bottom-left colour is drawn
  EXPECT_EQ(pixelAt(target, 3, 3), kRed);
}

TEST(PictureControl, HiddenControlPaintsNothing) {
  PictureControl c;
  c.setBounds(0, 0, 2, 2);
  c.setPicture(flatPicture(2, 2, kRed));
  c.setVisible(false);
  QImage target = backBuffer(2, 2, kGreen);
  c.paint(target, Rect{0, 0, 2, 2});
  EXPECT_EQ(pixelAt(target, 0, 0), kGreen);
}

// A picture whose first drawing fails, as a damaged JPEG's does, and which
// draws what it has afterwards.
class FailsOnceOnDrawing : public Picture {
 public:
  PictureKind kind() const override { return PictureKind::Jpeg; }
  int width() const override { return 4; }
  int height() const override { return 4; }
  void draw(const Surface& dst, const Rect& dest, const Rect& clip) override {
    if (!failed_) {
      failed_ = true;
      throw PictureError("JPEG error #68");
    }
    const Rect area = dest.intersected(clip);
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) dst.row(y)[x] = toPixel(kRed);
  }

 private:
  bool failed_ = false;
};

TEST(PictureControl, DrawingErrorReachesTheCallerOnceAndLeavesTheControlIntact) {
  RecordingHost host;
  PictureControl c(&host);
  c.setBounds(1, 1, 4, 4);
  c.setPicture(std::make_unique<FailsOnceOnDrawing>());
  Picture* installed = c.picture();
  QImage target = backBuffer(6, 6, kGreen);
  EXPECT_THROW(c.paint(target, Rect{0, 0, 6, 6}), PictureError);
  EXPECT_EQ(c.picture(), installed);
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(1, 1, 4, 4));
  EXPECT_NO_THROW(c.paint(target, Rect{0, 0, 6, 6}));
  EXPECT_EQ(pixelAt(target, 1, 1), kRed);
}

}  // namespace
}  // namespace vistel
