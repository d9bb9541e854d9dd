// The program icon, the multi-drag cursor, the help picture, the locator
// glyph and the chooser's drive and folder glyphs.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "app/assets/picture_probe.h"
#include "embedded_assets.h"

namespace {

using probe::Rgb;
using vistel::assets::DriveGlyph;
using vistel::assets::FolderGlyph;

QImage loadWithQt(probe::Bytes bytes, const char* format) {
  QImage img;
  img.loadFromData(bytes.data(), static_cast<int>(bytes.size()), format);
  return img.convertToFormat(QImage::Format_ARGB32);
}

bool yellowish(QRgb c) { return qRed(c) > 150 && qGreen(c) > 150 && qBlue(c) < 80; }

TEST(ProgramIcon, IsOne32By32SixteenColourImageWithAnAndMask) {
  const auto b = vistel::assets::programIconIco();
  ASSERT_GE(b.size(), 6u + 16u + 40u);
  EXPECT_EQ(probe::u16(b, 0), 0u);
  EXPECT_EQ(probe::u16(b, 2), 1u);  // icon, not cursor
  EXPECT_EQ(probe::u16(b, 4), 1u);  // one image
  EXPECT_EQ(b[6], 32);
  EXPECT_EQ(b[7], 32);
  EXPECT_EQ(b[8], 16);               // colours
  EXPECT_EQ(probe::u16(b, 12), 4u);  // bits per pixel
  const std::uint32_t size = probe::u32(b, 14), offset = probe::u32(b, 18);
  ASSERT_EQ(offset + size, b.size());
  // The image: a 40-byte header, twice the height for colour bits and mask.
  EXPECT_EQ(probe::u32(b, offset), 40u);
  EXPECT_EQ(probe::u32(b, offset + 4), 32u);
  EXPECT_EQ(probe::u32(b, offset + 8), 64u);
  EXPECT_EQ(probe::u16(b, offset + 14), 4u);
  // 16 palette entries, 32 rows of 16 bytes, 32 mask rows of 4 bytes.
  EXPECT_EQ(size, 40u + 16 * 4 + 32 * 16 + 32 * 4);
}

TEST(ProgramIcon, LoadsAsAMagnifyingGlassWithTransparentSurroundings) {
  const QImage icon = loadWithQt(vistel::assets::programIconIco(), "ICO");
  ASSERT_EQ(icon.size(), QSize(32, 32));
  for (auto [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {28, 4}, {4, 28}})
    EXPECT_EQ(qAlpha(icon.pixel(x, y)), 0) << x << "," << y;
  // Light grey lens at the upper left.
  const QRgb lens = icon.pixel(14, 14);
  EXPECT_EQ(qAlpha(lens), 255);
  EXPECT_GT(qGray(lens), 150);
  EXPECT_LT(std::abs(qRed(lens) - qBlue(lens)), 20);
  // Yellow rim round the lens, yellow handle towards the lower right.
  int rim = 0, handle = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const QRgb c = icon.pixel(x, y);
      if (qAlpha(c) < 255 || !yellowish(c)) continue;
      if (x + y >= 40) ++handle;
      const double r = std::hypot(x + 0.5 - 12.5, y + 0.5 - 12.5);
      if (r > 8 && r < 11.5) ++rim;
    }
  EXPECT_GT(rim, 50);
  EXPECT_GT(handle, 12);
  std::set<QRgb> colours;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) colours.insert(icon.pixel(x, y));
  EXPECT_LE(colours.size(), 17u);  // 16 colours and transparent
}

TEST(ProgramIcon, ThemeSizesAreTheSameDrawingAtEachSize) {
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE(size);
    const QImage icon(QStringLiteral(VISTEL_ASSETS "/icons/vistel-%1.png").arg(size));
    ASSERT_EQ(icon.size(), QSize(size, size));
    ASSERT_TRUE(icon.hasAlphaChannel());
    // The pixel whose centre lies nearest to (x, y) on the 32 by 32 grid.
    auto at = [&](double x, double y) {
      auto index = [&](double v) {
        return std::clamp(static_cast<int>(std::lround(v * size / 32 - 0.5)), 0, size - 1);
      };
      return icon.pixel(index(x), index(y));
    };
    for (auto [x, y] : {std::pair{0.0, 0.0}, {31.0, 0.0}, {0.0, 31.0}, {28.0, 4.0}})
      EXPECT_EQ(qAlpha(at(x, y)), 0) << x << "," << y;
    EXPECT_GT(qGray(at(14, 14)), 150);      // lens
    EXPECT_TRUE(yellowish(at(12.5, 2.9)));  // rim, at the top
    EXPECT_TRUE(yellowish(at(25, 25)));     // handle
    // Drawn at its size, not enlarged from a smaller one: in an enlarged
    // picture the two pixels of each aligned pair would be alike.
    int differing = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x + 1 < size; x += 2) differing += icon.pixel(x, y) != icon.pixel(x + 1, y);
    EXPECT_GT(differing, size);
  }
}

TEST(MultiDragCursor, IsA32By32ArrowWithPagesAndItsTipAtTheHotSpot) {
  const QImage cursor = loadWithQt(vistel::assets::multiDragCursorPng(), "PNG");
  ASSERT_EQ(cursor.size(), QSize(32, 32));
  const int hx = vistel::assets::kMultiDragHotSpotX, hy = vistel::assets::kMultiDragHotSpotY;
  EXPECT_EQ(qAlpha(cursor.pixel(hx, hy)), 255);
  // Nothing above or left of the tip: it is the arrow's point.
  for (int x = hx + 1; x < 32; ++x) EXPECT_EQ(qAlpha(cursor.pixel(x, hy)), 0) << x;
  EXPECT_EQ(qAlpha(cursor.pixel(31, 0)), 0);
  EXPECT_EQ(qAlpha(cursor.pixel(0, 31)), 0);
  // Pages below and to the right of the arrow: black outlines, white sheets.
  int outline = 0, sheet = 0;
  for (int y = 16; y < 32; ++y)
    for (int x = 12; x < 32; ++x) {
      const QRgb c = cursor.pixel(x, y);
      if (qAlpha(c) != 255) continue;
      if (qGray(c) < 40) ++outline;
      if (qGray(c) > 200) ++sheet;
    }
  EXPECT_GT(outline, 40);
  EXPECT_GT(sheet, 40);
  // The pixels decoded when the program was built, which it shows, are the
  // file's.
  const auto pixels = vistel::assets::multiDragCursorPixels();
  ASSERT_EQ(pixels.size(), 32u * 32u * 4u);
  const QImage argb = cursor.convertToFormat(QImage::Format_ARGB32);
  for (int i = 0; i < 32 * 32; ++i) {
    const std::uint8_t* p = pixels.data() + i * 4;
    ASSERT_EQ(p[0] | p[1] << 8 | p[2] << 16 | static_cast<QRgb>(p[3]) << 24,
              argb.pixel(i % 32, i / 32))
        << i;
  }
}

TEST(HelpPicture, Is201By151TwentyFourBitAndColourful) {
  const auto b = vistel::assets::helpPictureBmp();
  const probe::Bmp h = probe::parseBmp(b);
  EXPECT_EQ(h.headerSize, 40u);
  EXPECT_EQ(h.width, 201);
  EXPECT_EQ(h.height, 151);
  EXPECT_EQ(h.bits, 24);
  EXPECT_EQ(h.compression, 0);
  EXPECT_EQ(h.fileSize, b.size());
  const probe::Pixels p = probe::readBmpPixels(b);
  std::set<int> colours;
  for (const Rgb& c : p.rgb) colours.insert((c.r << 16) | (c.g << 8) | c.b);
  EXPECT_GT(colours.size(), 2000u);
}

TEST(Locator, Is43By20TwentyFourBitWithAKeyInTheVisibleCorner) {
  const auto b = vistel::assets::locatorBmp();
  const probe::Bmp h = probe::parseBmp(b);
  EXPECT_EQ(h.width, 43);
  EXPECT_EQ(h.height, 20);
  EXPECT_EQ(h.bits, 24);
  EXPECT_EQ(h.compression, 0);
  const probe::Pixels p = probe::readBmpPixels(b);
  // The 30 x 8 button shows the top-left corner: the key must be there,
  // yellow on dark blue.
  int key = 0, face = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 30; ++x) {
      const Rgb c = p.at(x, y);
      if (c.r > 150 && c.g > 120 && c.b < 90) ++key;
      if (c.b > 80 && c.r < 60 && c.g < 80) ++face;
    }
  EXPECT_GT(key, 30);
  EXPECT_GT(face, 50);
  // Bevelled: lit along the top and left, shaded along the bottom and right.
  EXPECT_GT(probe::luminance(p.at(0, 12)), probe::luminance(p.at(42, 12)) + 40);
  EXPECT_GT(probe::luminance(p.at(35, 0)), probe::luminance(p.at(35, 19)) + 40);
}

struct GlyphCase {
  const char* name;
  probe::Bytes bytes;
  int height;
};

std::vector<GlyphCase> glyphs() {
  using namespace vistel::assets;
  return {{"floppy", driveGlyphBmp(DriveGlyph::Floppy), 11},
          {"fixed", driveGlyphBmp(DriveGlyph::Fixed), 11},
          {"network", driveGlyphBmp(DriveGlyph::Network), 11},
          {"cdrom", driveGlyphBmp(DriveGlyph::CdRom), 11},
          {"ram", driveGlyphBmp(DriveGlyph::Ram), 11},
          {"open", folderGlyphBmp(FolderGlyph::Open), 15},
          {"closed", folderGlyphBmp(FolderGlyph::Closed), 15},
          {"current", folderGlyphBmp(FolderGlyph::Current), 15}};
}

TEST(ChooserGlyphs, AreSixteenColourBmpsOnPureBlueWithBlueAtTheBottomLeft) {
  std::set<std::vector<int>> distinct;
  for (const GlyphCase& g : glyphs()) {
    const probe::Bmp h = probe::parseBmp(g.bytes);
    EXPECT_EQ(h.width, 16) << g.name;
    EXPECT_EQ(h.height, g.height) << g.name;
    EXPECT_EQ(h.bits, 4) << g.name;
    EXPECT_EQ(h.compression, 0) << g.name;
    EXPECT_EQ(h.palette.size(), 16u) << g.name;
    const probe::Pixels p = probe::readBmpPixels(g.bytes);
    const Rgb blue{0, 0, 255};
    EXPECT_EQ(p.at(0, p.height - 1), blue) << g.name;
    EXPECT_EQ(p.at(0, 0), blue) << g.name;  // background all round
    int drawn = 0;
    for (const Rgb& c : p.rgb) drawn += !(c == blue);
    EXPECT_GT(drawn, 40) << g.name;
    EXPECT_LT(drawn, 16 * g.height - 20) << g.name;
    distinct.insert(p.index);
  }
  EXPECT_EQ(distinct.size(), glyphs().size());  // no two glyphs alike
}

}  // namespace
