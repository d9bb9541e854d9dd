#include "controls/control.h"

#include <gtest/gtest.h>

#include "controls/error_message.h"
#include "support.h"

namespace vistel {
namespace {

using testing::RecordingHost;

class PlainControl : public Control {
 public:
  using Control::Control;
  void paint(QImage&, const Rect&) override {}
};

TEST(Control, ClientAlignedControlFollowsItsHostAndIgnoresOtherBounds) {
  RecordingHost host(300, 200);
  PlainControl c(&host);
  c.setBounds(5, 5, 10, 10);
  c.setAlign(Align::Client);
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(0, 0, 300, 200));
  c.setBounds(5, 5, 10, 10);
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(0, 0, 300, 200));
  host.resize(400, 100);
  c.hostResized();
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(0, 0, 400, 100));
  c.setAlign(Align::None);
  c.setBounds(5, 5, 10, 10);
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(5, 5, 10, 10));
}

TEST(Control, ScrolledHostShowsItsControlsHigherButClientAlignedOnesInPlace) {
  RecordingHost host(300, 200);
  host.scroll = 40;
  PlainControl c(&host), filler(&host);
  c.setBounds(5, 5, 10, 10);
  filler.setAlign(Align::Client);
  host.scroll = 100;
  EXPECT_EQ(c.boundsRect(), Rect::fromSize(5, -55, 10, 10));
  EXPECT_EQ(c.contentRect(), Rect::fromSize(5, 45, 10, 10));
  EXPECT_EQ(filler.boundsRect(), Rect::fromSize(0, 0, 300, 200));
  EXPECT_EQ(filler.contentRect(), Rect::fromSize(0, 100, 300, 200));
  filler.setAlign(Align::None);  // stays where it shows, then scrolls with the rest
  host.scroll = 0;
  EXPECT_EQ(filler.boundsRect(), Rect::fromSize(0, 100, 300, 200));
}

TEST(Control, MovingRepaintsTheOldAndTheNewAreaOnlyWhileVisible) {
  RecordingHost host;
  PlainControl c(&host);
  c.setBounds(0, 0, 10, 10);
  host.invalidated.clear();
  c.setBounds(20, 0, 10, 10);
  EXPECT_EQ(host.invalidated,
            (std::vector<Rect>{Rect::fromSize(0, 0, 10, 10), Rect::fromSize(20, 0, 10, 10)}));
  host.invalidated.clear();
  c.setBounds(20, 0, 10, 10);
  EXPECT_TRUE(host.invalidated.empty());

  c.setVisible(false);  // uncovers what lies beneath
  EXPECT_EQ(host.invalidated, std::vector<Rect>{Rect::fromSize(20, 0, 10, 10)});
  host.invalidated.clear();
  c.setLeft(40);
  c.invalidate();
  c.setVisible(false);
  EXPECT_TRUE(host.invalidated.empty());
  c.setVisible(true);
  EXPECT_EQ(host.invalidated, std::vector<Rect>{Rect::fromSize(40, 0, 10, 10)});
}

TEST(Control, SurfaceOfAnImageWritesItsOwnPixelsWithItsStride) {
  QImage image(3, 2, QImage::Format_RGB32);
  image.fill(0u);
  const QImage shared = image;  // shares the pixels until written
  const Surface s = surfaceOf(image);
  ASSERT_NE(s.pixels, nullptr);
  EXPECT_EQ(s.width, 3);
  EXPECT_EQ(s.height, 2);
  EXPECT_EQ(s.stride, image.bytesPerLine() / 4);
  s.row(1)[2] = toPixel(0xABCDEF);
  EXPECT_EQ(image.pixel(2, 1) & kRgbMask, 0xABCDEFu);
  EXPECT_EQ(shared.pixel(2, 1) & kRgbMask, 0u);

  QImage packed(3, 2, QImage::Format_RGB888);
  EXPECT_EQ(surfaceOf(packed).pixels, nullptr);
}

TEST(ErrorMessage, FullStopIsAppendedWhenTheLastCharacterSortsAfterIt) {
  EXPECT_EQ(errorMessageText(QStringLiteral("JPEG error #53")), QStringLiteral("JPEG error #53."));
  EXPECT_EQ(errorMessageText(QStringLiteral("Bitmap image is not valid")),
            QStringLiteral("Bitmap image is not valid."));
  EXPECT_EQ(errorMessageText(QStringLiteral("Unknown picture file extension (.gif)")),
            QStringLiteral("Unknown picture file extension (.gif)"));  // ')' < '.'
  EXPECT_EQ(errorMessageText(QStringLiteral("abc.")), QStringLiteral("abc."));
  EXPECT_EQ(errorMessageText(QStringLiteral("x!")), QStringLiteral("x!"));
  EXPECT_EQ(errorMessageText(QStringLiteral("a/")), QStringLiteral("a/."));  // '/' follows '.'
  EXPECT_EQ(errorMessageText(QStringLiteral("文件")), QStringLiteral("文件."));
  EXPECT_EQ(errorMessageText(QString()), QString());
}

}  // namespace
}  // namespace vistel
