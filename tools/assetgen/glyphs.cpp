#include "glyphs.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cmath>
#include <cstring>
#include <iterator>
#include <stdexcept>

#include "file_writers.h"
#include "flora.h"
#include "paint_kit.h"

namespace assetgen {

namespace {

// VGA palette indices by letter, for pixel art written as text.
int vgaIndex(char c) {
  switch (c) {
    case 'k':
      return 0;  // black
    case 'm':
      return 1;  // maroon
    case 'g':
      return 2;  // green
    case 'o':
      return 3;  // olive
    case 'n':
      return 4;  // navy
    case 'p':
      return 5;  // purple
    case 't':
      return 6;  // teal
    case 's':
      return 7;  // silver
    case 'd':
      return 8;  // grey
    case 'r':
      return 9;  // red
    case 'l':
      return 10;  // lime
    case 'y':
      return 11;  // yellow
    case '.':
      return 12;  // blue: the transparent background
    case 'f':
      return 13;  // fuchsia
    case 'c':
      return 14;  // aqua
    case 'w':
      return 15;  // white
    default:
      throw std::invalid_argument(std::string("unknown pixel letter ") + c);
  }
}

QImage fromPixelArt(const std::vector<const char*>& rows) {
  const int w = static_cast<int>(std::strlen(rows.front()));
  QImage img(w, static_cast<int>(rows.size()), QImage::Format_Indexed8);
  img.setColorTable(vgaPalette());
  for (int y = 0; y < img.height(); ++y) {
    if (static_cast<int>(std::strlen(rows[y])) != w) throw std::logic_error("ragged pixel art");
    for (int x = 0; x < w; ++x) img.scanLine(y)[x] = static_cast<uchar>(vgaIndex(rows[y][x]));
  }
  return img;
}

}  // namespace

// The magnifying glass on a 32 by 32 grid: whatever size it is drawn at,
// the painter's scale maps that grid onto it.
void paintMagnifier(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF centre(12.5, 12.5);
  // Handle first, so the rim covers its end.
  QPainterPath handle;
  handle.moveTo(19, 21.5);
  handle.lineTo(21.5, 19);
  handle.lineTo(30, 27.5);
  handle.quadTo(30.6, 30.6, 27.5, 30);
  handle.closeSubpath();
  QLinearGradient hg(QPointF(22, 27), QPointF(27, 22));
  hg.setColorAt(0, QColor(128, 128, 0));
  hg.setColorAt(0.45, QColor(255, 255, 0));
  hg.setColorAt(1, QColor(255, 255, 0));
  p.setPen(QPen(Qt::black, 1.1));
  p.setBrush(hg);
  p.drawPath(handle);
  // Lens: light grey with a white glint at the upper left.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(192, 192, 192));
  p.drawEllipse(centre, 8.2, 8.2);
  p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(7, 7, 11, 11), 100 * 16, 70 * 16);
  // Rim: yellow ring with a dark outline on both sides.
  QPainterPath rim;
  rim.addEllipse(centre, 11, 11);
  rim.addEllipse(centre, 8.2, 8.2);
  rim.setFillRule(Qt::OddEvenFill);
  QLinearGradient rg(QPointF(3, 3), QPointF(22, 22));
  rg.setColorAt(0, QColor(255, 255, 0));
  rg.setColorAt(0.6, QColor(255, 255, 0));
  rg.setColorAt(1, QColor(128, 128, 0));
  p.setPen(QPen(Qt::black, 1.0));
  p.setBrush(rg);
  p.drawPath(rim);
}

Icon drawProgramIcon() {
  // Drawn eight times larger, then reduced and mapped to the 16 colours.
  const int s = 8;
  QImage big(32 * s, 32 * s, QImage::Format_ARGB32_Premultiplied);
  big.fill(Qt::transparent);
  QPainter p(&big);
  p.scale(s, s);
  paintMagnifier(p);
  p.end();

  const QImage small = shrink(big, s);
  Icon icon;
  icon.indexed = QImage(32, 32, QImage::Format_Indexed8);
  icon.indexed.setColorTable(vgaPalette());
  icon.indexed.fill(0);
  icon.transparent.assign(32 * 32, true);
  QImage opaque(32, 32, QImage::Format_RGB32);
  opaque.fill(Qt::black);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      // Edge pixels count as covered from about half coverage on and take
      // the colour they would have if fully covered.
      const QRgb px = small.pixel(x, y);
      const int a = qAlpha(px);
      if (a < 110) continue;
      icon.transparent[static_cast<std::size_t>(y) * 32 + x] = false;
      opaque.setPixel(x, y,
                      qRgb(qMin(255, qRed(px) * 255 / a), qMin(255, qGreen(px) * 255 / a),
                           qMin(255, qBlue(px) * 255 / a)));
    }
  const QImage mapped = toPaletteExact(opaque, vgaPalette());
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (!icon.transparent[static_cast<std::size_t>(y) * 32 + x])
        icon.indexed.setPixel(x, y, mapped.pixelIndex(x, y));
  return icon;
}

QImage drawThemeIcon(int size) {
  // The same drawing in full colour with smooth edges, four times larger
  // and then reduced, so small sizes keep their shape rather than their
  // pixels.
  const int s = 4;
  QImage big(size * s, size * s, QImage::Format_ARGB32_Premultiplied);
  big.fill(Qt::transparent);
  QPainter p(&big);
  p.scale(size * s / 32.0, size * s / 32.0);
  paintMagnifier(p);
  p.end();
  return shrink(big, s).convertToFormat(QImage::Format_ARGB32);
}

Cursor drawMultiDragCursor() {
  // The arrow as pixel art (k outline, w fill), tip at the top-left corner,
  // and three pages stacked below it to the right.
  const char* arrow[] = {
      "k...........", "kk..........", "kwk.........", "kwwk........", "kwwwk.......",
      "kwwwwk......", "kwwwwwk.....", "kwwwwwwk....", "kwwwwwwwk...", "kwwwwwwwwk..",
      "kwwwwwkkkkk.", "kwwkwwk.....", "kwk.kwwk....", "kk..kwwk....", "k....kwwk...",
      ".....kwwk...", "......kk....",
  };
  QImage img(32, 32, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  auto put = [&](int x, int y, QRgb c) {
    if (x >= 0 && y >= 0 && x < 32 && y < 32) img.setPixel(x, y, c);
  };
  const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255), grey = qRgb(128, 128, 128);
  // Pages: 10 x 12 sheets, each 2 pixels further down and right.
  for (int sheet = 0; sheet < 3; ++sheet) {
    const int x0 = 12 + 2 * sheet, y0 = 14 + 2 * sheet;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 10; ++x) {
        const bool edge = x == 0 || y == 0 || x == 9 || y == 11;
        put(x0 + x, y0 + y, edge ? black : white);
      }
    if (sheet == 2)  // lines of text on the top sheet
      for (int line = 0; line < 4; ++line)
        for (int x = 2; x < (line == 3 ? 6 : 8); ++x) put(x0 + x, y0 + 3 + 2 * line, grey);
  }
  for (int y = 0; y < static_cast<int>(std::size(arrow)); ++y)
    for (int x = 0; arrow[y][x]; ++x) {
      if (arrow[y][x] == 'k') put(x, y, black);
      if (arrow[y][x] == 'w') put(x, y, white);
    }
  return {img, QPoint(0, 0)};
}

QImage drawHelpPicture() {
  // Drawn at twice the size and reduced, for smooth small details.
  const int s = 2;
  QImage big(201 * s, 151 * s, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&big);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(s, s);
  QLinearGradient sky(QPointF(0, 0), QPointF(0, 151));
  sky.setColorAt(0, QColor(120, 180, 240));
  sky.setColorAt(0.55, QColor(200, 228, 250));
  sky.setColorAt(0.75, QColor(206, 236, 190));
  sky.setColorAt(1, QColor(120, 184, 90));
  p.fillRect(QRectF(0, 0, 201, 151), sky);
  // Soft out-of-focus blossoms in the background.
  Rng rng(4711);
  for (int i = 0; i < 14; ++i) {
    const QPointF c(rng.range(0, 201), rng.range(10, 140));
    const double r = rng.range(5, 14);
    const QColor tints[] = {QColor(255, 200, 220, 90), QColor(255, 250, 190, 90),
                            QColor(200, 210, 255, 90)};
    QRadialGradient g(c, r);
    g.setColorAt(0, tints[i % 3]);
    g.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(c, r, r);
  }
  // Meadow at the bottom.
  for (int i = 0; i < 60; ++i) {
    const double x = rng.range(-5, 206);
    const QPointF base(x, 156);
    const QPointF tip(x + rng.range(-10, 10), rng.range(118, 140));
    paintLeaf(p, base, tip, rng.range(3, 5), rng.range(-0.1, 0.1),
              LeafStyle{QColor(110, 180, 70), QColor(50, 120, 40), QColor(150, 200, 110), false});
  }
  // The flower on its stalk, with two leaves.
  QPainterPath stalk(QPointF(92, 156));
  stalk.cubicTo(QPointF(96, 130), QPointF(88, 108), QPointF(96, 86));
  paintStem(p, stalk, 3.2, QColor(70, 132, 50));
  const LeafStyle leaf{QColor(120, 186, 76), QColor(40, 110, 40), QColor(176, 214, 120), true};
  paintLeaf(p, QPointF(93, 132), QPointF(60, 112), 16, -0.08, leaf);
  paintLeaf(p, QPointF(92, 118), QPointF(128, 104), 14, 0.08, leaf);
  paintBud(p, QPointF(118, 150), QPointF(132, 118), 6, QColor(226, 96, 150));
  paintFivePetal(p, QPointF(96, 80), 24, -12, pinkFlower(), 0.7);
  // A smaller yellow flower to the side.
  QPainterPath stalk2(QPointF(160, 156));
  stalk2.cubicTo(QPointF(158, 136), QPointF(166, 122), QPointF(162, 108));
  paintStem(p, stalk2, 2.4, QColor(70, 132, 50));
  paintFivePetal(p, QPointF(162, 104), 13, 20, yellowFlower(), 0.5);
  paintFivePetal(p, QPointF(30, 112), 11, 5, blueFlower(), 0.5);

  // The butterfly resting on the pink flower, wings open.
  p.save();
  p.translate(101, 52);
  p.rotate(12);
  const WingStyle fore{QColor(120, 30, 150), QColor(246, 120, 24), QColor(40, 18, 50),
                       QColor(30, 10, 30)};
  const WingStyle hind{QColor(36, 60, 180), QColor(40, 176, 196), QColor(196, 28, 120),
                       QColor(30, 10, 40)};
  const double k = 0.7;
  for (int side : {-1, 1}) {
    auto m = [&](double x, double y) { return QPointF(side * x * k, y * k); };
    QPainterPath h(m(2, 0));
    h.cubicTo(m(18, 4), m(38, 14), m(36, 34));
    h.cubicTo(m(34, 50), m(16, 58), m(8, 44));
    h.cubicTo(m(4, 34), m(2, 18), m(2, 0));
    h.closeSubpath();
    paintWing(p, h, m(2, 2), hind,
              {{m(24, 30), 3.2, QColor(250, 170, 30)}, {m(24, 30), 1.4, QColor(40, 20, 60)}}, 5);
    QPainterPath f(m(2, -6));
    f.cubicTo(m(14, -26), m(34, -48), m(46, -46));
    f.cubicTo(m(52, -40), m(48, -18), m(40, -6));
    f.cubicTo(m(30, 4), m(12, 4), m(2, 0));
    f.closeSubpath();
    paintWing(p, f, m(2, -4), fore,
              {{m(42, -40), 1.8, QColor(252, 232, 60)},
               {m(45, -30), 1.6, QColor(252, 232, 60)},
               {m(24, -22), 2.3, QColor(230, 40, 60)}},
              6);
  }
  paintButterflyBody(p, QPointF(0, 16), QPointF(0, -14), 5.5, QColor(70, 40, 30), QPointF(-7, -36),
                     QPointF(7, -37), QColor(40, 24, 20));
  p.restore();
  p.end();
  return flattenOnto(shrink(big, s), Qt::white);
}

QImage drawLocator() {
  // A dark-blue bevelled button face with a yellow key lying on its side.
  // The chooser shows it on a 30 x 8 button, i.e. only its top-left part,
  // so the key sits there whole.
  const int s = 4;
  QImage big(43 * s, 20 * s, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&big);
  p.scale(s, s);
  QLinearGradient face(QPointF(0, 0), QPointF(0, 20));
  face.setColorAt(0, QColor(30, 48, 150));
  face.setColorAt(1, QColor(10, 20, 100));
  p.fillRect(QRectF(0, 0, 43, 20), face);
  // Bevel: light top and left, dark bottom and right.
  p.fillRect(QRectF(0, 0, 43, 1), QColor(120, 150, 240));
  p.fillRect(QRectF(0, 0, 1, 20), QColor(120, 150, 240));
  p.fillRect(QRectF(1, 1, 41, 1), QColor(70, 96, 200));
  p.fillRect(QRectF(1, 1, 1, 18), QColor(70, 96, 200));
  p.fillRect(QRectF(0, 19, 43, 1), QColor(0, 0, 40));
  p.fillRect(QRectF(42, 0, 1, 20), QColor(0, 0, 40));
  p.fillRect(QRectF(1, 18, 41, 1), QColor(6, 10, 70));
  p.fillRect(QRectF(41, 1, 1, 18), QColor(6, 10, 70));

  p.setRenderHint(QPainter::Antialiasing);
  const QColor gold(255, 214, 0), goldDark(176, 120, 0);
  QPainterPath key;
  key.addEllipse(QPointF(6.5, 4.5), 3.6, 3.6);
  key.addRect(QRectF(9.5, 3.5, 18.0, 2.0));  // shaft
  key.addRect(QRectF(20.0, 5.0, 2.0, 2.5));  // teeth
  key.addRect(QRectF(24.0, 5.0, 2.0, 2.5));
  key = key.simplified();
  QPainterPath hole;
  hole.addEllipse(QPointF(6.5, 4.5), 1.4, 1.4);
  key = key.subtracted(hole);
  QLinearGradient kg(QPointF(0, 1), QPointF(0, 8));
  kg.setColorAt(0, QColor(255, 246, 150));
  kg.setColorAt(0.5, gold);
  kg.setColorAt(1, goldDark);
  p.setPen(QPen(QColor(120, 80, 0), 0.5));
  p.setBrush(kg);
  p.drawPath(key);
  p.end();
  return flattenOnto(shrink(big, s), Qt::black);
}

std::vector<Glyph> drawDriveAndFolderGlyphs() {
  std::vector<Glyph> out;
  // Drives, 16 x 11. Letters: k black, d grey, s silver, w white, n navy,
  // l lime, g green, y yellow, o olive, c aqua, t teal, '.' blue background.
  out.push_back({"drive_floppy", fromPixelArt({
                                     "................",
                                     "..kkkkkkkkkkkk..",
                                     "..knsssssdsnnk..",
                                     "..knsssssdsnnk..",
                                     "..knsssssssnnk..",
                                     "..knnnnnnnnnnk..",
                                     "..knwwwwwwwwnk..",
                                     "..knwddddddwnk..",
                                     "..knwwwwwwwwnk..",
                                     "..kkkkkkkkkkkk..",
                                     "................",
                                 })});
  out.push_back({"drive_fixed", fromPixelArt({
                                    "................",
                                    "................",
                                    "..kkkkkkkkkkkkk.",
                                    ".kwwwwwwwwwwwkdk",
                                    "kkkkkkkkkkkkkddk",
                                    "kwsssssssssssdk.",
                                    "kwskkkkkkkksgdk.",
                                    "kwsssssssssssdk.",
                                    "kddddddddddddk..",
                                    ".kkkkkkkkkkkkk..",
                                    "................",
                                })});
  out.push_back({"drive_network", fromPixelArt({
                                      "................",
                                      "..kkkkkkkkkkkkk.",
                                      ".kwwwwwwwwwwwkdk",
                                      "kkkkkkkkkkkkkddk",
                                      "kwsssssssssssdk.",
                                      "kwskkkkkkkksldk.",
                                      "kddddddddddddk..",
                                      ".kkkkkkkkkkkkk..",
                                      "......kk........",
                                      "..kkkkkkkkkkkk..",
                                      "................",
                                  })});
  out.push_back({"drive_cdrom", fromPixelArt({
                                    "................",
                                    ".....kkkkkk.....",
                                    "...kkswwwwckk...",
                                    "..kswwwwwccsdk..",
                                    ".kswwwwkkccssdk.",
                                    ".kswwwk..kssddk.",
                                    ".ksyywwkkwssddk.",
                                    "..ksyywwwwsddk..",
                                    "...kkssssddkk...",
                                    ".....kkkkkk.....",
                                    "................",
                                })});
  out.push_back({"drive_ram", fromPixelArt({
                                  "................",
                                  "................",
                                  ".kkkkkkkkkkkkkk.",
                                  ".kgggggggggggggk",
                                  ".kgkkkgkkkgkkkgk",
                                  ".kgkkkgkkkgkkkgk",
                                  ".kgggggggggggggk",
                                  ".kkkkkkkkkkkkkkk",
                                  "..y.y.y.y.y.y.y.",
                                  "................",
                                  "................",
                              })});
  // Folders, 16 x 15.
  out.push_back({"folder_closed", fromPixelArt({
                                      "................",
                                      "................",
                                      "................",
                                      "..kkkkk.........",
                                      ".kyywyyk........",
                                      "kyyyyyyykkkkkkk.",
                                      "kywwwwwwwwwwwwok",
                                      "kywyyyyyyyyyyyok",
                                      "kywyyyyyyyyyyyok",
                                      "kywyyyyyyyyyyyok",
                                      "kywyyyyyyyyyyyok",
                                      "kywyyyyyyyyyyyok",
                                      "kyoooooooooooook",
                                      ".kkkkkkkkkkkkkkk",
                                      "................",
                                  })});
  out.push_back({"folder_open", fromPixelArt({
                                    "................",
                                    "................",
                                    "................",
                                    "..kkkkk.........",
                                    ".kyywyyk........",
                                    "kyyyyyyykkkkkk..",
                                    "kywyyyyyyyyyyok.",
                                    "kywykkkkkkkkkkkk",
                                    "kywkwwwwwwwwwwok",
                                    "kyykwyyyyyyyyok.",
                                    "kykwyyyyyyyyyok.",
                                    "kykwyyyyyyyyok..",
                                    "kkwyyyyyyyyyok..",
                                    "kkkkkkkkkkkkk...",
                                    "................",
                                })});
  out.push_back({"folder_current", fromPixelArt({
                                       "................",
                                       "................",
                                       "..kkkkk.........",
                                       ".kyywyyk.kkkkk..",
                                       "kyyyyyyykwwwwk..",
                                       "kywyyyyykwddwkk.",
                                       "kywyyyyykwwwwok.",
                                       "kywykkkkkkkkkkkk",
                                       "kywkwwwwwwwwwwok",
                                       "kyykwyyyyyyyyok.",
                                       "kykwyyyyyyyyyok.",
                                       "kykwyyyyyyyyok..",
                                       "kkwyyyyyyyyyok..",
                                       "kkkkkkkkkkkkk...",
                                       "................",
                                   })});
  return out;
}

}  // namespace assetgen
