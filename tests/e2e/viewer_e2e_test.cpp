// The viewer's mouse gestures on a real X desktop: dragging the device by
// its wreath, the popup menu at the pointer and its Exit item, and the
// both-buttons gesture, driven with xdotool and checked on window
// geometries and root screenshots.
#include <gtest/gtest.h>

#include <QProcess>
#include <cstdlib>

#include "assets/embedded_assets.h"
#include "desktop_driver.h"
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

}  // namespace
