// The chooser's everyday road on a real X desktop: Alt brings the chooser
// up, a click in the file list shows that picture centred in the opening, a
// right click on the list turns it into the thumbnail grid, which fills
// with thumbnails, the arrow keys step through them and show each one's
// picture, and Shift+Page Down shrinks the picture shown. Input goes through
// xdotool; everything is checked on root screenshots against the sample
// files decoded here.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRect>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "assets/embedded_assets.h"
#include "desktop_driver.h"
#include "pictures/bmp_reader.h"
#include "pictures/jpeg_picture.h"

namespace {

using namespace e2e;

// The device's windows stand at this screen position; the viewer's client
// area is 792 x 611.
constexpr int kLeft = 200;
constexpr int kTop = 100;
constexpr int kViewerWidth = 792;
constexpr int kViewerHeight = 611;

// The chooser's silver panel, in viewer coordinates, and its file panel:
// 95 for the folder side plus the 5-pixel splitter, up to the 12-pixel bar,
// so three 95-pixel columns of thumbnails.
const QRect kChooserPanel(220, 118, 401, 330);
constexpr int kFilePanelLeft = 220 + 100;
constexpr int kFilePanelTop = 118;
constexpr int kFilePanelWidth = 289;
constexpr int kFilePanelHeight = 330;
constexpr int kColumns = 3;
constexpr int kThumb = 93;
constexpr int kPitch = 95;
constexpr int kRowHeight = 13;  // a file list row

constexpr QRgb kUnderlay = 0x336699;
constexpr QRgb kSilver = 0xC0C0C0;
constexpr QRgb kViewerKey = 0x000000;
constexpr QRgb kChooserKey = 0x0000FF;
constexpr QRgb kThumbBackground = 0xFFFFFF;

// The samples folder as the file list shows it with its default filter
// (*.Bmp;*.Jpg, letter case ignored in matching and in sorting): dunes.jpeg
// is left out.
const char* const kListed[] = {"garden.bmp",       "Lighthouse.Jpg",    "Meadow.JPG",
                               "misty_lake.jpg",   "moonlit_night.bmp", "mosaic.bmp",
                               "piano_keys.bmp",   "rose.jpg",          "Stained_Glass.BMP",
                               "sunset_bands.bmp", "tulips.Bmp"};
constexpr int kFiles = sizeof kListed / sizeof kListed[0];

QString env(const char* name) { return QString::fromLocal8Bit(std::getenv(name)); }
void key(const char* keys) {
  run(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(keys)});
}
QRgb seen(const QImage& shot, int x, int y) { return shot.pixel(x, y) & 0xFFFFFF; }

QImage toImage(const vistel::Bitmap& b) {
  QImage img(b.width(), b.height(), QImage::Format_RGB32);
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) img.setPixel(x, y, 0xFF000000u | b.pixel(x, y));
  return img;
}

QImage decodeSample(const QString& name) {
  const std::string path = (env("VISTEL_SAMPLES") + QLatin1Char('/') + name).toStdString();
  if (name.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive))
    return toImage(vistel::JpegPicture::fromFile(path)->decoded());
  return toImage(vistel::readBmpFile(path));
}

// A thumbnail made the way the grid makes them, worked out here on its own:
// the square of the picture's longer side with the picture in its top-left
// corner, each thumbnail pixel the one source pixel under its centre.
QImage thumbnailOf(const QImage& picture) {
  QImage t(kThumb, kThumb, QImage::Format_RGB32);
  t.fill(0xFF000000u | kThumbBackground);
  const int side = std::max(picture.width(), picture.height());
  for (int y = 0; y < kThumb; ++y) {
    const int sy = static_cast<int>((2LL * y + 1) * side / (2 * kThumb));
    for (int x = 0; x < kThumb; ++x) {
      const int sx = static_cast<int>((2LL * x + 1) * side / (2 * kThumb));
      if (sx < picture.width() && sy < picture.height()) t.setPixel(x, y, picture.pixel(sx, sy));
    }
  }
  return t;
}

const QImage& frameMask() {
  static const QImage mask = toImage(vistel::readBmp(vistel::assets::frameMaskBmp()));
  return mask;
}

// The panel's skin, decoded the way the panel draws it. The panel lies
// under the viewer at the same place; its white is see-through.
const QImage& skin() {
  static const QImage img = [] {
    const auto bytes = vistel::assets::panelSkinJpg();
    vistel::JpegPicture picture(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    return toImage(picture.decoded());
  }();
  return img;
}

// What a point of the opening shows where the viewer is see-through: the
// skin's few off-white pixels there, otherwise the underlay.
QRgb behindViewer(int x, int y) {
  const QRgb s = skin().pixel(x, y) & 0xFFFFFF;
  return s == 0xFFFFFF ? kUnderlay : s;
}

// Inside the picture opening, clear of its outline by `margin` pixels.
bool inOpening(int x, int y, int margin) {
  const QImage& m = frameMask();
  for (int dy = -margin; dy <= margin; dy += margin)
    for (int dx = -margin; dx <= margin; dx += margin) {
      const int px = x + dx, py = y + dy;
      if (px < 0 || py < 0 || px >= m.width() || py >= m.height()) return false;
      if ((m.pixel(px, py) & 0xFFFFFF) != 0xFFFFFF) return false;
    }
  return true;
}

// A screen point and the colour it must show.
struct Probe {
  QPoint at;
  QRgb want;
};

// What the opening shows with `picture` drawn unscaled from the top-left
// corner of the rectangle `frame` (viewer coordinates), cropped to it: the
// picture inside, the underlay through the see-through viewer outside. Taken
// on a grid, away from the rectangle's edge lines (the panel's guide lines
// lie on them), from the opening's outline, from the picture's key-coloured
// pixels and, while the chooser is up, from its panel.
std::vector<Probe> openingProbes(const QImage& picture, const QRect& frame, bool chooserUp) {
  std::vector<Probe> probes;
  const QRect panel = kChooserPanel.adjusted(-3, -3, 3, 3);
  auto nearLine = [](int v, int line) { return v > line - 5 && v < line + 5; };
  for (int y = 0; y < kViewerHeight; y += 5) {
    for (int x = 0; x < kViewerWidth; x += 5) {
      if (!inOpening(x, y, 3)) continue;
      if (chooserUp && panel.contains(x, y)) continue;
      if (nearLine(x, frame.left()) || nearLine(x, frame.left() + frame.width()) ||
          nearLine(y, frame.top()) || nearLine(y, frame.top() + frame.height()))
        continue;
      QRgb want = behindViewer(x, y);
      if (frame.contains(x, y)) {
        const int px = x - frame.left(), py = y - frame.top();
        if (px >= picture.width() || py >= picture.height()) continue;
        want = picture.pixel(px, py) & 0xFFFFFF;
        if (want == kViewerKey) continue;
      }
      probes.push_back({{kLeft + x, kTop + y}, want});
    }
  }
  return probes;
}

// The picture at natural size, centred in the viewer.
QRect centredFrame(const QImage& picture) {
  return {(kViewerWidth - picture.width()) / 2, (kViewerHeight - picture.height()) / 2,
          picture.width(), picture.height()};
}

// Screen position of thumbnail t's cell with the grid scrolled by `scroll`.
QPoint cellOnScreen(int t, int scroll) {
  return {kLeft + kFilePanelLeft + (t % kColumns) * kPitch + 2,
          kTop + kFilePanelTop + (t / kColumns) * kPitch + 2 - scroll};
}

// The thumbnail's pixels in its cell, as far as the file panel shows them.
// The locator's corner is left out when it may lie on this thumbnail, and
// the chooser's key colour, which the screen never shows, always.
std::vector<Probe> thumbProbes(const QImage& thumb, int t, int scroll, bool skipLocator) {
  std::vector<Probe> probes;
  const QPoint cell = cellOnScreen(t, scroll);
  const int panelTop = kTop + kFilePanelTop, panelBottom = panelTop + kFilePanelHeight;
  for (int y = 0; y < kThumb; ++y) {
    if (cell.y() + y < panelTop || cell.y() + y >= panelBottom) continue;
    for (int x = 0; x < kThumb; ++x) {
      if (skipLocator && x < 33 && y < 11) continue;
      const QRgb want = thumb.pixel(x, y) & 0xFFFFFF;
      if (want == kChooserKey) continue;
      probes.push_back({{cell.x() + x, cell.y() + y}, want});
    }
  }
  return probes;
}

// The locator glyph's visible top-left 30 x 8, one pixel into thumbnail t.
std::vector<Probe> locatorProbes(int t, int scroll) {
  static const QImage glyph = toImage(vistel::readBmp(vistel::assets::locatorBmp()));
  std::vector<Probe> probes;
  const QPoint cell = cellOnScreen(t, scroll);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 30; ++x) {
      const QRgb want = glyph.pixel(x, y) & 0xFFFFFF;
      if (want != kChooserKey) probes.push_back({{cell.x() + 1 + x, cell.y() + 1 + y}, want});
    }
  return probes;
}

int mismatches(const QImage& shot, const std::vector<Probe>& probes, QString* first = nullptr) {
  int bad = 0;
  for (const Probe& p : probes) {
    const QRgb got = seen(shot, p.at.x(), p.at.y());
    if (got == p.want) continue;
    if (bad++ == 0 && first != nullptr)
      *first = QStringLiteral("at (%1, %2) saw %3, want %4")
                   .arg(p.at.x())
                   .arg(p.at.y())
                   .arg(got, 6, 16, QLatin1Char('0'))
                   .arg(p.want, 6, 16, QLatin1Char('0'));
  }
  return bad;
}

// Takes screenshots until one satisfies `done`, or `timeoutMs` passed;
// returns the last one. The machine may be busy: poll rather than sleep.
QImage waitForScreen(const std::function<bool(const QImage&)>& done, int timeoutMs = 6000) {
  QElapsedTimer timer;
  timer.start();
  QImage shot;
  do {
    shot = screenshot();
    if (!shot.isNull() && done(shot)) return shot;
    sleepMs(100);
  } while (timer.elapsed() < timeoutMs);
  return shot;
}

QImage waitUntilShown(const std::vector<Probe>& probes, int timeoutMs = 6000) {
  return waitForScreen([&](const QImage& shot) { return mismatches(shot, probes) == 0; },
                       timeoutMs);
}

// Fails unless `shot` shows every probe; keeps the screenshot for a look.
void expectShown(const QImage& shot, const std::vector<Probe>& probes, const char* what) {
  QString first;
  const int bad = mismatches(shot, probes, &first);
  EXPECT_EQ(bad, 0) << what << ": " << bad << " of " << probes.size() << " pixels differ, first "
                    << first.toStdString();
  if (bad != 0)
    shot.save(QDir::temp().filePath(QStringLiteral("vistel-e2e-chooser-%1.png")
                                        .arg(QString::fromLatin1(what).replace(' ', '-'))));
}

// The program starts in a folder of its own with no pictures in it, only a
// subfolder holding copies of the samples: the user picks that folder in
// the chooser, as a folder change is what makes the grid load thumbnails.
struct ChooserRoad : ::testing::Test {
  QTemporaryDir home;
  int picturesRow = 0;  // the subfolder's row in the folder list
  std::unique_ptr<Program> underlay;
  std::unique_ptr<Program> vistel;
  std::vector<QImage> pictures;  // in list order
  std::vector<QImage> thumbs;

  void SetUp() override {
    ASSERT_FALSE(env("VISTEL_BIN").isEmpty());
    ASSERT_TRUE(home.isValid());
    const QDir samples(env("VISTEL_SAMPLES"));
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("pictures")));
    for (const QString& name : samples.entryList(QDir::Files))
      ASSERT_TRUE(
          QFile::copy(samples.filePath(name), home.filePath(QStringLiteral("pictures/") + name)))
          << name.toStdString();
    // The folder list shows the root, each folder down to the current one,
    // then the current folder's subfolders.
    const QString real = QDir(home.path()).canonicalPath();
    picturesRow = static_cast<int>(real.split(QLatin1Char('/'), Qt::SkipEmptyParts).size()) + 1;
    ASSERT_LT(picturesRow, 16) << "the folder list would need scrolling";

    for (const char* name : kListed) {
      pictures.push_back(decodeSample(QString::fromLatin1(name)));
      ASSERT_FALSE(pictures.back().isNull()) << name;
      thumbs.push_back(thumbnailOf(pictures.back()));
    }
    underlay = std::make_unique<Program>(env("VISTEL_UNDERLAY"));
    ASSERT_FALSE(waitForWindow(QStringLiteral("vistel-underlay")).isEmpty());
    sleepMs(300);
    vistel = std::make_unique<Program>(env("VISTEL_BIN"), QStringList{}, real);
    for (const char* name : {"Form1", "Form2", "GetImgForm"})
      ASSERT_FALSE(waitForWindow(QString::fromLatin1(name)).isEmpty()) << name;
    sleepMs(800);
  }
  void TearDown() override {
    vistel.reset();
    underlay.reset();
  }

  static QPoint inPanel(int x, int y) {
    return {kLeft + kChooserPanel.left() + x, kTop + kChooserPanel.top() + y};
  }
  // The picture of list entry i, centred at natural size.
  std::vector<Probe> shownProbes(int i, bool chooserUp) {
    return openingProbes(pictures[static_cast<std::size_t>(i)],
                         centredFrame(pictures[static_cast<std::size_t>(i)]), chooserUp);
  }
  // Every thumbnail in its cell, the locator on thumbnail `locatorOn`, and
  // the file panel's bare silver in the cell after the last thumbnail.
  std::vector<Probe> gridProbes(int scroll, int locatorOn) {
    std::vector<Probe> all;
    for (int t = 0; t < kFiles; ++t) {
      const auto p = thumbProbes(thumbs[static_cast<std::size_t>(t)], t, scroll, t == locatorOn);
      all.insert(all.end(), p.begin(), p.end());
    }
    const auto marker = locatorProbes(locatorOn, scroll);
    all.insert(all.end(), marker.begin(), marker.end());
    QImage bare(kThumb, kThumb, QImage::Format_RGB32);
    bare.fill(0xFF000000u | kSilver);
    const auto empty = thumbProbes(bare, kFiles, scroll, false);
    all.insert(all.end(), empty.begin(), empty.end());
    return all;
  }

  // 1. Alt brings up the chooser's silver panel where the underlay showed:
  // points of the folder side's top strip, clear of its drive box and check
  // boxes. The user then picks the pictures folder (16-pixel rows below the
  // 46-pixel drive strip), and the file list fills: its first row holds
  // dark text.
  void openChooserOnThePictures() {
    std::vector<Probe> silver, before;
    for (const QPoint p : {QPoint(2, 2), QPoint(93, 2), QPoint(2, 44), QPoint(50, 26)}) {
      const QPoint at = inPanel(p.x(), p.y());
      silver.push_back({at, kSilver});
      before.push_back({at, behindViewer(at.x() - kLeft, at.y() - kTop)});
    }
    expectShown(screenshot(), before, "before Alt");
    key("alt");
    expectShown(waitUntilShown(silver), silver, "chooser panel");

    const QPoint folder = inPanel(40, 46 + 16 * picturesRow + 8);
    moveMouse(folder.x(), folder.y());
    sleepMs(100);
    run(QStringLiteral("xdotool"),
        {QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
         QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
    auto firstRowHasText = [](const QImage& shot) {
      for (int y = 5; y < 5 + kRowHeight; ++y)
        for (int x = 102; x < 200; ++x) {
          const QPoint p = inPanel(x, y);
          if (qGray(shot.pixel(p.x(), p.y())) < 64) return true;
        }
      return false;
    };
    EXPECT_TRUE(firstRowHasText(waitForScreen(firstRowHasText))) << "no files listed";
  }

  // 2. A click on the first row (garden.bmp, 640 x 480) shows it centred:
  // at (76, 65), so its top and bottom edges lie in the opening.
  void chooseTheFirstFile() {
    const QPoint row0 = inPanel(130, 5 + kRowHeight / 2);
    click(row0.x(), row0.y());
    const std::vector<Probe> garden = shownProbes(0, true);
    ASSERT_GT(garden.size(), 500u);
    expectShown(waitUntilShown(garden), garden, "garden centred");
  }

  // 3. A right click on the list turns it into the grid, and the loader
  // fills the cells one by one. Three columns: eleven thumbnails in four
  // rows, the fourth cut off by the panel's bottom. Once the load has ended
  // the locator marks the selected file's thumbnail.
  void switchToTheGrid() {
    const QPoint list = inPanel(200, 200);
    click(list.x(), list.y(), 3);
    const std::vector<Probe> first = thumbProbes(thumbs[0], 0, 0, true);
    expectShown(waitUntilShown(first), first, "first thumbnail");
    const std::vector<Probe> filled = gridProbes(0, 0);
    expectShown(waitUntilShown(filled, 10000), filled, "filled grid");
    // The picture on show has not changed meanwhile.
    expectShown(screenshot(), shownProbes(0, true), "garden still shown");
  }

  // An arrow key that selects `file`, its thumbnail then on screen with the
  // grid scrolled by `scroll`: its picture shows centred in the viewer, and
  // the locator moves onto the thumbnail.
  void step(const char* arrow, int file, int scroll) {
    key(arrow);
    std::vector<Probe> want = shownProbes(file, true);
    // Enough of the picture's own pixels to tell it from the others.
    const QRect frame = centredFrame(pictures[static_cast<std::size_t>(file)]);
    EXPECT_GT(
        std::count_if(want.begin(), want.end(),
                      [&](const Probe& p) { return frame.contains(p.at - QPoint(kLeft, kTop)); }),
        100)
        << kListed[file];
    const std::vector<Probe> marker = locatorProbes(file, scroll);
    want.insert(want.end(), marker.begin(), marker.end());
    const std::vector<Probe> cell =
        thumbProbes(thumbs[static_cast<std::size_t>(file)], file, scroll, true);
    want.insert(want.end(), cell.begin(), cell.end());
    expectShown(waitUntilShown(want), want, kListed[file]);
  }
};

TEST_F(ChooserRoad, PickAFolderChooseAFileStepThroughTheGridZoomOutAndExit) {
  openChooserOnThePictures();
  chooseTheFirstFile();
  switchToTheGrid();
  if (HasFailure()) return;

  // 4. The arrow keys step through the grid, each step showing its picture.
  // Down from rose (7) to tulips (10) brings the fourth row into view: the
  // grid scrolls by 382 - 330 = 52 pixels.
  step("Right", 1, 0);
  step("Down", 4, 0);
  step("Down", 7, 0);
  step("Down", 10, 52);
  step("Left", 9, 52);
  step("Up", 6, 52);
  if (HasFailure()) return;

  // 5. Alt puts the chooser away, uncovering the whole opening; Shift+Page
  // Down then shrinks piano_keys.bmp (512 x 200) about the viewer's centre:
  // a quarter off the width (it is wider than half the viewer) gives
  // 384 x 150 at (204, 230), the picture cropped, not scaled.
  key("alt");
  const QImage& piano = pictures[6];
  const std::vector<Probe> natural = openingProbes(piano, centredFrame(piano), false);
  expectShown(waitUntilShown(natural), natural, "piano keys uncovered");
  key("shift+Next");
  const QRect smaller(204, 230, 384, 150);
  const std::vector<Probe> shrunk = openingProbes(piano, smaller, false);
  // Much of what showed the picture shows what lies behind the viewer now.
  int uncovered = 0;
  for (const Probe& p : shrunk) {
    const QPoint at = p.at - QPoint(kLeft, kTop);
    if (centredFrame(piano).contains(at) && !smaller.contains(at)) ++uncovered;
  }
  EXPECT_GT(uncovered, 200);
  expectShown(waitUntilShown(shrunk), shrunk, "piano keys shrunk");

  // 6. The program ends cleanly on SIGTERM.
  EXPECT_EQ(vistel->terminate(), 0);
}

// Stained_Glass.BMP holds pure blue, the chooser's key colour: its
// thumbnail has see-through holes. Scrolling moves them; every cell must
// then show its own thumbnail, with no trace of where the holes were.
TEST_F(ChooserRoad, ScrollingTheGridRedrawsEveryCell) {
  openChooserOnThePictures();
  chooseTheFirstFile();
  switchToTheGrid();
  if (HasFailure()) return;
  step("Down", 3, 0);
  step("Down", 6, 0);
  step("Down", 9, 52);
  if (HasFailure()) return;
  const std::vector<Probe> scrolled = gridProbes(52, 9);
  expectShown(waitUntilShown(scrolled, 3000), scrolled, "scrolled grid");
}

// The user looks at the picture without the chooser, then brings the grid
// back to choose another: it shows above the picture as before.
TEST_F(ChooserRoad, AltHidesTheGridAndBringsItBackAboveThePicture) {
  openChooserOnThePictures();
  chooseTheFirstFile();
  switchToTheGrid();
  if (HasFailure()) return;
  step("Right", 1, 0);
  if (HasFailure()) return;
  key("alt");
  const std::vector<Probe> lighthouse = shownProbes(1, false);
  expectShown(waitUntilShown(lighthouse), lighthouse, "lighthouse uncovered");
  key("alt");
  const std::vector<Probe> grid = gridProbes(0, 1);
  expectShown(waitUntilShown(grid), grid, "grid back");
  // And the arrows step on from there.
  step("Right", 2, 0);
}

}  // namespace
