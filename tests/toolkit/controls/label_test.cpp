#include "controls/label.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <memory>
#include <set>

#include "controls/fonts.h"
#include "support.h"

namespace vistel {
namespace {

using testing::backBuffer;
using testing::pixelAt;
using testing::RecordingHost;

constexpr Rgb kRed = 0xFF0000;
constexpr Rgb kYellow = 0xFFFF00;
constexpr Rgb kSkin = 0x336633;

// The pixels of `image` inside `r` that differ from `background`.
struct Ink {
  int count = 0;
  Rect box;  // bounding box of the changed pixels
  std::set<Rgb> colours;
};

Ink inkIn(const QImage& image, const Rect& r, Rgb background) {
  Ink ink;
  ink.box = {r.right, r.bottom, r.left, r.top};
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const Rgb c = pixelAt(image, x, y);
      if (c == background) continue;
      ++ink.count;
      ink.colours.insert(c);
      ink.box = {std::min(ink.box.left, x), std::min(ink.box.top, y),
                 std::max(ink.box.right, x + 1), std::max(ink.box.bottom, y + 1)};
    }
  }
  return ink;
}

std::unique_ptr<Label> makeLabel(const Rect& r, const QString& caption, Rgb textColour) {
  auto label = std::make_unique<Label>();
  label->setBounds(r.left, r.top, r.width(), r.height());
  label->setCaption(caption);
  LabelFont font;
  font.color = textColour;
  label->setFont(font);
  return label;
}

TEST(Label, HotSpotIsInvisibleWhileTransparentAndARedSquareOtherwise) {
  Label spot;
  spot.setBounds(660, 82, 3, 3);
  spot.setColor(kRed);
  spot.setTransparent(true);
  QImage target = backBuffer(700, 100, kSkin);
  spot.paint(target, Rect{0, 0, 700, 100});
  EXPECT_EQ(inkIn(target, Rect{650, 72, 680, 100}, kSkin).count, 0);

  spot.setTransparent(false);
  spot.paint(target, Rect{0, 0, 700, 100});
  const Ink ink = inkIn(target, Rect{650, 72, 680, 100}, kSkin);
  EXPECT_EQ(ink.count, 9);
  EXPECT_EQ(ink.box, Rect::fromSize(660, 82, 3, 3));
  EXPECT_EQ(ink.colours, std::set<Rgb>{kRed});
}

TEST(Label, TransparentCaptionPaintsOnlyItsCharactersInOneColour) {
  auto owned = makeLabel(Rect::fromSize(10, 10, 60, 16), QStringLiteral("Zoom"), kYellow);
  Label& label = *owned;
  label.setTransparent(true);
  QImage target = backBuffer(100, 40, kSkin);
  label.paint(target, Rect{0, 0, 100, 40});
  const Ink inside = inkIn(target, label.boundsRect(), kSkin);
  EXPECT_GT(inside.count, 10);
  EXPECT_LT(inside.count, 60 * 16 / 2);
  // Drawn without antialiasing: no blended pixels.
  EXPECT_EQ(inside.colours, std::set<Rgb>{kYellow});
  EXPECT_EQ(inkIn(target, Rect{0, 0, 100, 40}, kSkin).count, inside.count);
}

TEST(Label, OpaqueLabelFillsItsRectangleThenDrawsTheCaption) {
  auto owned = makeLabel(Rect::fromSize(5, 5, 40, 16), QStringLiteral("Ab"), kBlack);
  Label& label = *owned;
  label.setColor(kYellow);
  QImage target = backBuffer(60, 30, kSkin);
  label.paint(target, Rect{0, 0, 60, 30});
  const Ink ink = inkIn(target, Rect{0, 0, 60, 30}, kSkin);
  EXPECT_EQ(ink.box, label.boundsRect());
  EXPECT_EQ(ink.count, 40 * 16);
  EXPECT_EQ(ink.colours, (std::set<Rgb>{kBlack, kYellow}));

  // A clip limits the fill as well.
  target = backBuffer(60, 30, kSkin);
  label.paint(target, Rect{0, 0, 20, 30});
  EXPECT_EQ(inkIn(target, Rect{0, 0, 60, 30}, kSkin).box.right, 20);
}

TEST(Label, AlignmentAndLayoutPlaceTheText) {
  const Rect r = Rect::fromSize(0, 0, 80, 40);
  auto inkFor = [&](TextAlign a, TextLayout l) {
    auto owned = makeLabel(r, QStringLiteral("+"), kBlack);
    Label& label = *owned;
    label.setTransparent(true);
    label.setAlignment(a);
    label.setLayout(l);
    QImage target = backBuffer(80, 40, kWhite);
    label.paint(target, r);
    return inkIn(target, r, kWhite);
  };
  const Ink topLeft = inkFor(TextAlign::Left, TextLayout::Top);
  const Ink centred = inkFor(TextAlign::Center, TextLayout::Center);
  const Ink bottomRight = inkFor(TextAlign::Right, TextLayout::Bottom);
  EXPECT_LT(topLeft.box.right, 15);
  EXPECT_LT(topLeft.box.bottom, 15);
  EXPECT_GT(bottomRight.box.left, 65);
  EXPECT_GT(bottomRight.box.top, 25);
  const int cx = (centred.box.left + centred.box.right) / 2;
  const int cy = (centred.box.top + centred.box.bottom) / 2;
  EXPECT_NEAR(cx, 40, 3);
  EXPECT_NEAR(cy, 20, 4);
}

TEST(Label, SongTypefaceNameMapsToTheInstalledMingFace) {
  // Resolved first on the start-up thread that gets fonts ready, the faces
  // draw as ever on this one.
  FontPreload preload;
  preload.applicationReady({controlFont(QStringLiteral("宋体"), 12), controlFont({}, 12)});
  preload.wait();
  EXPECT_EQ(QFontInfo(controlFont(QStringLiteral("宋体"), 12)).family(),
            QStringLiteral("AR PL UMing CN"));
  EXPECT_EQ(controlFont(QStringLiteral("宋体"), 12).styleStrategy() & QFont::NoAntialias,
            QFont::NoAntialias);

  auto owned = makeLabel(Rect::fromSize(0, 0, 62, 16), QStringLiteral("原图显示"), kYellow);
  Label& label = *owned;
  LabelFont song;
  song.family = QStringLiteral("宋体");
  song.color = kYellow;
  label.setFont(song);
  label.setTransparent(true);
  label.setAlignment(TextAlign::Center);
  QImage target = backBuffer(62, 16, kSkin);
  label.paint(target, Rect{0, 0, 62, 16});
  const Ink ink = inkIn(target, Rect{0, 0, 62, 16}, kSkin);
  EXPECT_EQ(ink.colours, std::set<Rgb>{kYellow});
  // Four characters of about 12 pixels each, centred.
  EXPECT_GE(ink.box.width(), 40);
  EXPECT_LE(ink.box.width(), 50);
  EXPECT_GT(ink.count, 80);
}

TEST(Label, UnchangedPropertiesDoNotRepaint) {
  RecordingHost host;
  Label label(&host);
  label.setCaption(QStringLiteral("x"));
  label.setColor(kRed);
  host.invalidated.clear();
  label.setCaption(QStringLiteral("x"));
  label.setColor(kRed);
  label.setTransparent(false);
  label.setFont(LabelFont{});
  label.setAlignment(TextAlign::Left);
  label.setLayout(TextLayout::Top);
  EXPECT_TRUE(host.invalidated.empty());
  label.setCaption(QStringLiteral("y"));
  label.setTransparent(true);
  EXPECT_EQ(host.invalidated.size(), 2u);
}

TEST(Label, HiddenLabelPaintsNothing) {
  auto owned = makeLabel(Rect::fromSize(0, 0, 10, 10), QStringLiteral("x"), kBlack);
  Label& label = *owned;
  label.setVisible(false);
  QImage target = backBuffer(10, 10, kSkin);
  label.paint(target, Rect{0, 0, 10, 10});
  EXPECT_EQ(inkIn(target, Rect{0, 0, 10, 10}, kSkin).count, 0);
}

}  // namespace
}  // namespace vistel
