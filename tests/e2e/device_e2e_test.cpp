// The device on a real X desktop: the program under Xvfb with a window
// manager, over an ordinary window that covers the screen, driven with real
// input and checked on root screenshots.
#include <gtest/gtest.h>

#include <QDir>
#include <cstdlib>

#include "assets/embedded_assets.h"
#include "desktop_driver.h"
#include "pictures/jpeg_picture.h"

namespace {

using namespace e2e;

constexpr QRgb kUnderlay = 0x336699;
constexpr int kLeft = 200;
constexpr int kTop = 100;

QString env(const char* name) { return QString::fromLocal8Bit(std::getenv(name)); }

QRgb at(const QImage& img, int clientX, int clientY) {
  return img.pixel(kLeft + clientX, kTop + clientY) & 0xFFFFFF;
}

// The skin's own colour at a point, decoded the way the panel draws it.
QRgb skinPixel(int x, int y) {
  const auto bytes = vistel::assets::panelSkinJpg();
  vistel::JpegPicture skin(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  return skin.decoded().pixel(x, y);
}

struct Device : ::testing::Test {
  std::unique_ptr<Program> underlay;
  std::unique_ptr<Program> vistel;

  void SetUp() override {
    ASSERT_FALSE(env("VISTEL_BIN").isEmpty());
    underlay = std::make_unique<Program>(env("VISTEL_UNDERLAY"));
    ASSERT_FALSE(waitForWindow(QStringLiteral("vistel-underlay")).isEmpty());
    sleepMs(300);
    vistel = std::make_unique<Program>(env("VISTEL_BIN"), QStringList{}, env("VISTEL_SAMPLES"));
    for (const char* name : {"Form1", "Form2", "GetImgForm"})
      ASSERT_FALSE(waitForWindow(QString::fromLatin1(name)).isEmpty()) << name;
    sleepMs(800);  // let the windows paint and take their shapes
  }
  void TearDown() override {
    vistel.reset();
    underlay.reset();
  }
};

TEST_F(Device, ThreeWindowsLieExactlyOverEachOther) {
  for (const char* name : {"Form1", "Form2", "GetImgForm"}) {
    const Geometry g = windowGeometry(waitForWindow(QString::fromLatin1(name)));
    EXPECT_EQ(g.x, kLeft) << name;
    EXPECT_EQ(g.y, kTop) << name;
    EXPECT_EQ(g.width, 792) << name;
    EXPECT_EQ(g.height, 611) << name;
  }
}

// Window ids bottom to top, as the window manager stacks its clients.
QStringList stacking() {
  const QString out = run(QStringLiteral("xprop"),
                          {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
  QStringList ids;
  for (const QString& part : out.section(QLatin1Char('#'), 1).split(QLatin1Char(',')))
    ids << QString::number(part.trimmed().toULongLong(nullptr, 16));
  return ids;
}

TEST_F(Device, StartsWithViewerOnTopThenChooserThenPanelAndTheViewerActive) {
  const QStringList order = stacking();
  const auto pos = [&order](const char* name) {
    return order.indexOf(waitForWindow(QString::fromLatin1(name)));
  };
  EXPECT_GT(pos("Form1"), pos("GetImgForm"));
  EXPECT_GT(pos("GetImgForm"), pos("Form2"));
  EXPECT_GT(pos("Form2"), pos("vistel-underlay"));
  EXPECT_EQ(activeWindowName(), QStringLiteral("Form1"));
}

TEST_F(Device, OnlyTheWreathIsSeenAndTheRestShowsWhatLiesBeneath) {
  const QImage shot = screenshot();
  ASSERT_FALSE(shot.isNull());
  // Wreath: the butterfly's wing dot under the first hot spot.
  EXPECT_NE(at(shot, 661, 83), kUnderlay);
  EXPECT_EQ(at(shot, 661, 83), skinPixel(661, 83) & 0xFFFFFF)
      << "without a compositor the panel is opaque where it is seen";
  // The empty opening, the black frame, the white skin background and the
  // rows below the skin are all see-through.
  for (QPoint p : {QPoint(416, 300), QPoint(10, 10), QPoint(780, 600), QPoint(400, 605),
                   QPoint(150, 560)})
    EXPECT_EQ(at(shot, p.x(), p.y()), kUnderlay) << p.x() << "," << p.y();
}

TEST_F(Device, ClicksOnSeeThroughSpotsReachTheWindowBeneath) {
  click(kLeft + 416, kTop + 300);
  EXPECT_EQ(activeWindowName(), QStringLiteral("vistel-underlay"));
  // A click on the wreath (a leaf away from the hot spots) is taken by the
  // device: the panel takes the press and hands the gesture to the viewer,
  // which becomes active while the panel steps aside for the skin copy.
  click(kLeft + 740, kTop + 300);
  const QString taker = activeWindowName();
  EXPECT_TRUE(taker == QStringLiteral("Form1") || taker == QStringLiteral("Form2"))
      << taker.toStdString();
  click(kLeft + 20, kTop + 20);
  EXPECT_EQ(activeWindowName(), QStringLiteral("vistel-underlay"));
}

TEST_F(Device, WithACompositorTheDeviceIsTranslucentAtAlpha150) {
  Program compositor(QStringLiteral("xcompmgr"), {QStringLiteral("-n")});
  sleepMs(1500);
  const QImage shot = screenshot();
  const QRgb skin = skinPixel(661, 83);
  const QRgb seen = at(shot, 661, 83);
  auto blend = [](int top, int beneath) { return (150 * top + 105 * beneath) / 255; };
  EXPECT_NEAR(qRed(seen), blend(qRed(skin), qRed(kUnderlay)), 2);
  EXPECT_NEAR(qGreen(seen), blend(qGreen(skin), qGreen(kUnderlay)), 2);
  EXPECT_NEAR(qBlue(seen), blend(qBlue(skin), qBlue(kUnderlay)), 2);
  EXPECT_EQ(at(shot, 416, 300), kUnderlay);
  const QString keep = env("VISTEL_E2E_SCREENSHOT");
  if (!keep.isEmpty()) shot.save(keep);
}

TEST_F(Device, TermSignalClosesTheViewerCleanly) {
  EXPECT_EQ(vistel->terminate(), 0);
  sleepMs(300);
  for (const char* name : {"Form1", "Form2", "GetImgForm", "帮助"})
    EXPECT_FALSE(windowExists(QString::fromUtf8(name))) << name;
}

}  // namespace
