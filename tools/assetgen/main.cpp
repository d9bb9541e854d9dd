// vistel-assetgen: draws the pictures the viewer embeds and the sample
// pictures, and writes them into the given folders.
//
//   vistel-assetgen <assets folder> <samples folder>

#include <QBuffer>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "file_writers.h"
#include "glyphs.h"
#include "keyed_jpeg.h"
#include "samples.h"
#include "wreath.h"

using namespace assetgen;

namespace {

// Prints what matters about the skin, for whoever tunes the drawing.
void reportSkin(const char* what, const QImage& skin, const QImage& mask) {
  long white = 0;
  QRect ink;
  for (int y = 0; y < skin.height(); ++y) {
    const auto* px = reinterpret_cast<const QRgb*>(skin.constScanLine(y));
    for (int x = 0; x < skin.width(); ++x) {
      if ((px[x] & 0xFFFFFF) == 0xFFFFFF)
        ++white;
      else if (qGray(px[x]) < 200)
        ink |= QRect(x, y, 1, 1);
    }
  }
  std::fprintf(stderr, "skin %s: %.2f %% exactly white, wreath within %d..%d x %d..%d\n", what,
               100.0 * white / (skin.width() * skin.height()), ink.left(), ink.right(), ink.top(),
               ink.bottom());
  struct Named {
    const char* name;
    QRect r;
  };
  const Named labels[] = {{"FZoom", QRect(102, 349, 62, 16)}, {"FCenter", QRect(109, 302, 40, 16)}};
  for (const Named& l : labels) {
    double sum = 0;
    int open = 0;
    for (int y = l.r.top(); y <= l.r.bottom(); ++y)
      for (int x = l.r.left(); x <= l.r.right(); ++x) {
        sum += qGray(skin.pixel(x, y));
        open += mask.pixelIndex(x, y);
      }
    std::fprintf(stderr, "  %s: mean grey %.1f, %d pixels in the opening\n", l.name,
                 sum / (l.r.width() * l.r.height()), open);
  }
}

// The white key shows every pixel that is not exactly white. Near the
// outline two kinds of such pixels spoil the device on a dark desktop:
// almost white ones touching the key (a light rim) and ones standing nearly
// alone in it (loose specks). Counts both and says whether the skin passes.
bool checkSkinEdge(const QImage& drawn, const QImage& decoded) {
  auto white = [&](int x, int y) { return (decoded.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF; };
  long rim = 0, specks = 0;
  for (int y = 0; y < decoded.height(); ++y)
    for (int x = 0; x < decoded.width(); ++x) {
      if (white(x, y)) continue;
      int neighbours = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          neighbours +=
              (dx || dy) && decoded.rect().contains(x + dx, y + dy) && white(x + dx, y + dy);
      const QRgb c = decoded.pixel(x, y);
      rim += neighbours > 0 && qRed(c) >= 235 && qGreen(c) >= 235 && qBlue(c) >= 235;
      specks += neighbours >= 6;
    }
  const long lost = lostKeyPixels(drawn, decoded);
  std::fprintf(stderr,
               "skin edge: %ld rim pixels (at most 200), %ld specks (none), %ld white "
               "pixels decoded otherwise\n",
               rim, specks, lost);
  return rim <= 200 && specks == 0 && lost == 0;
}

Bytes encodePng(const QImage& image) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) throw std::runtime_error("cannot encode PNG");
  return Bytes(data.begin(), data.end());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <assets folder> <samples folder>\n", argv[0]);
    return 2;
  }
  // Text and fonts need a GUI application; no window is ever shown.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  const std::string assets = argv[1];

  const Wreath wreath = drawWreath();
  writeFile(assets + "/frame_mask.bmp", encodeBmp(wreath.mask, 1));
  // The keyed writer keeps every white pixel exactly white, so the panel's
  // colour key cuts the wreath out cleanly. Full quality gives it the finest
  // grid to fit the blocks along the outline on, and full-size chroma keeps
  // the outline coloured: at half size every chroma sample that reaches a
  // white pixel must be neutral, which greys the wreath's edge for two or
  // three pixels all round.
  JpegOptions skin;
  skin.quality = 100;
  skin.progressive = true;
  skin.chroma420 = false;
  const Bytes skinJpeg = encodeKeyedJpeg(wreath.skin, skin);
  writeFile(assets + "/panel_skin.jpg", skinJpeg);
  const QImage decodedSkin = decodeJpeg(skinJpeg);
  reportSkin("as drawn", wreath.skin, wreath.mask);
  reportSkin("decoded", decodedSkin, wreath.mask);
  if (!checkSkinEdge(wreath.skin, decodedSkin)) {
    std::fprintf(stderr, "the skin's outline is not clean\n");
    return 1;
  }

  const Icon icon = drawProgramIcon();
  writeFile(assets + "/vistel.ico", encodeIco4(icon.indexed, icon.transparent));
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    writeFile(assets + "/icons/vistel-" + std::to_string(size) + ".png",
              encodePng(drawThemeIcon(size)));
  const Cursor cursor = drawMultiDragCursor();
  writeFile(assets + "/multidrag_cursor.png", encodePng(cursor.image));
  writeFile(assets + "/help_picture.bmp", encodeBmp(drawHelpPicture(), 24));
  writeFile(assets + "/locator.bmp", encodeBmp(drawLocator(), 24));
  for (const Glyph& g : drawDriveAndFolderGlyphs())
    writeFile(assets + "/" + g.name + ".bmp", encodeBmp(g.indexed, 4));

  const std::string samples = argv[2];
  for (const SampleFile& f : drawSamples()) writeFile(samples + "/" + f.name, f.bytes);
  return 0;
}
