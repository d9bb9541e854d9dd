// The viewer's mouse gestures on a real X desktop: dragging the device by
// its wreath, the popup menu at the pointer and its Exit item, and the
// both-buttons gesture, driven with xdotool and checked on window
// geometries and root screenshots.
#include <gtest/gtest.h>

#include <QProcess>
#include <cstdlib>

#include "assets/embedded_assets.h"
#include "desktop_driver.h"
#include "pictures/bmp_reader.h"
#include "pictures/jpeg_picture.h"

namespace {

using namespace e2e;

constexpr int kLeft = 200;
constexpr int kTop = 100;

QString env(const char* name) { return QString::fromLocal8Bit(std::getenv(name)); }

void xdotool(const QStringList& args) { run(QStringLiteral("xdotool"), args); }
void press(int button) { xdotool({QStringLiteral("mousedown"), QString::number(button)}); }
void release(int button) { xdotool({QStringLiteral("mouseup"), QString::number(button)}); }

// The skin's own colours, decoded the way the panel draws them.
const vistel::Bitmap& skin() {
  static const auto picture = [] {
    const auto bytes = vistel::assets::panelSkinJpg();
    return std::make_unique<vistel::JpegPicture>(
        std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }();
  return picture->decoded();
}

bool wreathAt(int x, int y) {
  for (int dy = -3; dy <= 3; ++dy)
    for (int dx = -3; dx <= 3; ++dx)
      if ((skin().pixel(x + dx, y + dy) & 0xFFFFFF) == 0xFFFFFF) return false;
  return true;
}

// A point of the wreath's left side, well inside a flower or leaf and far
// from the hot spots, where a press reaches the panel's skin.
QPoint grabPoint() {
  for (int y = 300; y < 400; y += 5)
    for (int x = 50; x < 130; ++x)
      if (wreathAt(x, y)) return {x, y};
  return {};
}

// Visible windows of the program that are neither the device's nor the help
// window: the popup menu when it is open.
std::vector<Geometry> popups() {
  std::vector<Geometry> found;
  const QString ids =
      run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                      QStringLiteral("--classname"), QStringLiteral("^vistel$")});
  for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    const Geometry g = windowGeometry(id);
    if ((g.width == 792 && g.height == 611) || (g.width == 345 && g.height == 242)) continue;
    found.push_back(g);
  }
  return found;
}

struct Viewer : ::testing::Test {
  std::unique_ptr<Program> underlay;
  std::unique_ptr<Program> vistel;
  QPoint grab;

  void SetUp() override {
    ASSERT_FALSE(env("VISTEL_BIN").isEmpty());
    grab = grabPoint();
    ASSERT_FALSE(grab.isNull());
    underlay = std::make_unique<Program>(env("VISTEL_UNDERLAY"));
    ASSERT_FALSE(waitForWindow(QStringLiteral("vistel-underlay")).isEmpty());
    sleepMs(300);
    vistel = std::make_unique<Program>(env("VISTEL_BIN"), QStringList{}, env("VISTEL_SAMPLES"));
    for (const char* name : {"Form1", "Form2", "GetImgForm"})
      ASSERT_FALSE(waitForWindow(QString::fromLatin1(name)).isEmpty()) << name;
    sleepMs(800);
  }
  void TearDown() override {
    release(1);
    release(3);
    vistel.reset();
    underlay.reset();
  }
  Geometry geometryOf(const char* name) {
    return windowGeometry(waitForWindow(QString::fromLatin1(name)));
  }
};

TEST_F(Viewer, LeftDragOfTheWreathMovesTheDeviceAndPutsThePanelBack) {
  const QPoint start(kLeft + grab.x(), kTop + grab.y());
  moveMouse(start.x(), start.y());
  sleepMs(200);
  press(1);
  sleepMs(300);
  for (int i = 1; i <= 6; ++i) {
    moveMouse(start.x() + 10 * i, start.y() + (40 * i) / 6);
    sleepMs(60);
  }
  sleepMs(400);
  // Mid-drag: the viewer has moved and shows the wreath through its skin
  // copy, while the panel window is off the screen.
  EXPECT_EQ(geometryOf("Form1").x, kLeft + 60);
  EXPECT_EQ(geometryOf("Form1").y, kTop + 40);
  EXPECT_TRUE(
      run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                      QStringLiteral("--name"), QStringLiteral("^Form2$")})
          .isEmpty());
  QImage shot = screenshot();
  EXPECT_EQ(shot.pixel(kLeft + 60 + grab.x(), kTop + 40 + grab.y()) & 0xFFFFFF,
            skin().pixel(grab.x(), grab.y()) & 0xFFFFFF);

  release(1);
  sleepMs(600);
  for (const char* name : {"Form1", "Form2"}) {
    const Geometry g = geometryOf(name);
    EXPECT_EQ(g.x, kLeft + 60) << name;
    EXPECT_EQ(g.y, kTop + 40) << name;
  }
  shot = screenshot();
  EXPECT_EQ(shot.pixel(kLeft + 60 + grab.x(), kTop + 40 + grab.y()) & 0xFFFFFF,
            skin().pixel(grab.x(), grab.y()) & 0xFFFFFF);
  EXPECT_TRUE(popups().empty());
}

TEST_F(Viewer, RightClickOnTheWreathOpensTheMenuAtThePointerAndExitEndsTheProgram) {
  const QPoint at(kLeft + grab.x(), kTop + grab.y());
  click(at.x(), at.y(), 3);
  sleepMs(500);
  const std::vector<Geometry> menus = popups();
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_EQ(menus[0].x, at.x());
  EXPECT_EQ(menus[0].y, at.y());
  // Exit is the item with the mnemonic E.
  xdotool({QStringLiteral("key"), QStringLiteral("e")});
  ASSERT_TRUE(vistel->process().waitForFinished(5000));
  EXPECT_EQ(vistel->process().exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(vistel->process().exitCode(), 0);
  for (const char* name : {"Form1", "Form2", "GetImgForm", "帮助"})
    EXPECT_FALSE(windowExists(QString::fromUtf8(name))) << name;
}

TEST_F(Viewer, BothButtonsTogetherOpenNoMenuAtTheirReleases) {
  const QPoint at(kLeft + grab.x(), kTop + grab.y());
  moveMouse(at.x(), at.y());
  sleepMs(200);
  press(1);
  sleepMs(100);
  press(3);
  sleepMs(100);
  moveMouse(at.x() + 2, at.y() + 1);
  sleepMs(300);
  release(3);
  sleepMs(200);
  release(1);
  sleepMs(500);
  EXPECT_TRUE(popups().empty());
  // The device stayed where it was: the swallowed releases only put the
  // panel back.
  for (const char* name : {"Form1", "Form2"}) {
    const Geometry g = geometryOf(name);
    EXPECT_EQ(g.x, kLeft) << name;
    EXPECT_EQ(g.y, kTop) << name;
  }
  // A later right click behaves normally again.
  click(at.x(), at.y(), 3);
  sleepMs(500);
  EXPECT_EQ(popups().size(), 1u);
  xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
}

// With a picture on show. The chooser lists the samples folder, sorted as
// the list shows them; mosaic.bmp (320 x 240) is its sixth entry. Small
// enough to lie wholly inside the opening at natural size, where every
// edge of it can be seen.
constexpr int kRowHeight = 13;
constexpr int kMosaicRow = 5;
constexpr QRgb kUnderlay = 0x336699;

struct ShownPicture : Viewer {
  vistel::Bitmap mosaic =
      vistel::readBmpFile((env("VISTEL_SAMPLES") + "/mosaic.bmp").toStdString());
  int row = 0;  // a picture row whose pixels at both ends are not the key

  void SetUp() override {
    Viewer::SetUp();
    if (HasFatalFailure()) return;
    // Black is the viewer's colour key: those pixels are never seen.
    auto seenAt = [this](int y) {
      for (int x : {2, 200, 288 - 3, 320 - 3})
        if (mosaic.pixel(x, y) == 0) return false;
      return true;
    };
    for (row = 100; row < 200 && !seenAt(row); ++row) {
    }
    ASSERT_LT(row, 200);
    xdotool({QStringLiteral("key"), QStringLiteral("alt")});  // the chooser
    sleepMs(800);
    click(kLeft + 220 + 130, kTop + 118 + 5 + kRowHeight * kMosaicRow + kRowHeight / 2);
    sleepMs(800);
    xdotool({QStringLiteral("key"), QStringLiteral("alt")});  // and away again
    sleepMs(800);
  }
  QRgb seen(const QImage& shot, int x, int y) { return shot.pixel(x, y) & 0xFFFFFF; }
  // The picture is drawn unscaled from the top-left corner of a rectangle
  // whose left edge lies at screen x `left`, `width` pixels wide, with the
  // picture row `row` at screen y `y`: both ends of that row are seen, and
  // the underlay just outside them.
  void expectRowAt(const QImage& shot, int left, int width, int y) {
    EXPECT_EQ(seen(shot, left + 2, y), mosaic.pixel(2, row)) << left;
    EXPECT_EQ(seen(shot, left - 3, y), kUnderlay) << left;
    EXPECT_EQ(seen(shot, left + width - 3, y), mosaic.pixel(width - 3, row)) << width;
    EXPECT_EQ(seen(shot, left + width + 2, y), kUnderlay) << width;
  }
};

TEST_F(ShownPicture, ZoomAboutTheCentreAndBackToNaturalSize) {
  // Natural size, centred: (792-320) div 2 = 236, (611-240) div 2 = 185.
  expectRowAt(screenshot(), kLeft + 236, 320, kTop + 185 + row);
  xdotool({QStringLiteral("key"), QStringLiteral("shift+Next")});
  sleepMs(600);
  // 10 % off the width: 288 x 216 at (252, 197), the picture cropped.
  expectRowAt(screenshot(), kLeft + 252, 288, kTop + 197 + row);
  xdotool({QStringLiteral("key"), QStringLiteral("shift+End")});
  sleepMs(600);
  expectRowAt(screenshot(), kLeft + 236, 320, kTop + 185 + row);
}

TEST_F(ShownPicture, RightDragSlidesTheFrameAndCtrlRollsThePicture) {
  const QPoint p(kLeft + 236 + 200, kTop + 185 + row);
  moveMouse(p.x(), p.y());
  sleepMs(200);
  press(3);
  sleepMs(200);
  for (int i = 1; i <= 6; ++i) {
    moveMouse(p.x() + 5 * i, p.y() + 4 * i);
    sleepMs(60);
  }
  release(3);
  sleepMs(800);
  EXPECT_EQ(geometryOf("Form1").x, kLeft + 30);
  EXPECT_EQ(geometryOf("Form1").y, kTop + 24);
  EXPECT_EQ(geometryOf("Form2").x, kLeft + 30);
  EXPECT_TRUE(popups().empty());
  // The picture kept its place on the screen.
  QImage shot = screenshot();
  EXPECT_EQ(seen(shot, kLeft + 236 + 2, kTop + 185 + row), mosaic.pixel(2, row));
  EXPECT_EQ(seen(shot, kLeft + 236 + 200, kTop + 185 + row), mosaic.pixel(200, row));

  // A plain move stops tracking; Ctrl switches rolling on, and the first
  // move after that only arms it.
  const QPoint q(p.x() + 30, p.y() + 24);
  moveMouse(q.x(), q.y());
  sleepMs(200);
  xdotool({QStringLiteral("key"), QStringLiteral("ctrl")});
  sleepMs(300);
  moveMouse(q.x() + 1, q.y());
  sleepMs(300);
  for (int i = 1; i <= 5; ++i) {
    moveMouse(q.x() + 1 + 4 * i, q.y() + 2 * i);
    sleepMs(60);
  }
  sleepMs(600);
  shot = screenshot();
  EXPECT_EQ(seen(shot, kLeft + 236 + 20 + 2, kTop + 185 + 10 + row), mosaic.pixel(2, row));
  EXPECT_EQ(seen(shot, kLeft + 236 + 20 + 200, kTop + 185 + 10 + row), mosaic.pixel(200, row));
  xdotool({QStringLiteral("key"), QStringLiteral("ctrl")});  // rolling off
}

TEST_F(ShownPicture, BothButtonsOpenTheChooser) {
  const QPoint p(kLeft + 236 + 200, kTop + 185 + row);
  // Where the chooser's file list will be: the picture shows there now.
  const QPoint list(kLeft + 220 + 300, kTop + 118 + 300);
  const QRgb before = seen(screenshot(), list.x(), list.y());
  moveMouse(p.x(), p.y());
  sleepMs(200);
  press(1);
  sleepMs(100);
  press(3);
  sleepMs(100);
  moveMouse(p.x() + 2, p.y() + 1);
  sleepMs(300);
  release(3);
  sleepMs(200);
  release(1);
  sleepMs(800);
  EXPECT_TRUE(popups().empty());
  EXPECT_NE(seen(screenshot(), list.x(), list.y()), before);
}

}  // namespace
