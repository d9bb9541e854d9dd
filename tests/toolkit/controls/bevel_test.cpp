#include "controls/bevel.h"

#include <gtest/gtest.h>

#include "support.h"

namespace vistel {
namespace {

using testing::backBuffer;
using testing::pixelAt;

constexpr Rgb kBg = 0x123456;
constexpr Rgb G = Bevel::kShadow;
constexpr Rgb W = Bevel::kHighlight;

std::vector<std::vector<Rgb>> grid(const QImage& image) {
  std::vector<std::vector<Rgb>> rows;
  for (int y = 0; y < image.height(); ++y) {
    rows.emplace_back();
    for (int x = 0; x < image.width(); ++x) rows.back().push_back(pixelAt(image, x, y));
  }
  return rows;
}

TEST(Bevel, LoweredFrameHasShadowAboveLeftAndHighlightBelowRight) {
  Bevel bevel;
  bevel.setBounds(1, 1, 5, 4);
  QImage target = backBuffer(7, 6, kBg);
  bevel.paint(target, Rect{0, 0, 7, 6});
  const std::vector<std::vector<Rgb>> expected = {
      {kBg, kBg, kBg, kBg, kBg, kBg, kBg}, {kBg, G, G, G, G, kBg, kBg},
      {kBg, G, W, W, G, W, kBg},           {kBg, G, G, G, G, W, kBg},
      {kBg, kBg, W, W, W, W, kBg},         {kBg, kBg, kBg, kBg, kBg, kBg, kBg},
  };
  EXPECT_EQ(grid(target), expected);
}

TEST(Bevel, OnePixelThinBevelIsALine) {
  // The guide lines: 1 high or 1 wide, starting left of the window.
  Bevel across;
  across.setBounds(-2, 1, 6, 1);
  QImage target = backBuffer(5, 3, kBg);
  across.paint(target, Rect{0, 0, 5, 3});
  EXPECT_EQ(grid(target),
            (std::vector<std::vector<Rgb>>{
                {kBg, kBg, kBg, kBg, kBg}, {G, G, G, W, kBg}, {kBg, kBg, kBg, kBg, kBg}}));

  Bevel down;
  down.setBounds(1, 0, 1, 3);
  target = backBuffer(3, 3, kBg);
  down.paint(target, Rect{0, 0, 3, 3});
  EXPECT_EQ(grid(target),
            (std::vector<std::vector<Rgb>>{{kBg, G, kBg}, {kBg, G, kBg}, {kBg, W, kBg}}));
}

TEST(Bevel, HiddenBevelAndClipLeaveOtherPixelsAlone) {
  Bevel bevel;
  bevel.setBounds(0, 0, 4, 4);
  QImage target = backBuffer(4, 4, kBg);
  bevel.paint(target, Rect{2, 0, 4, 4});
  EXPECT_EQ(pixelAt(target, 0, 0), kBg);
  EXPECT_EQ(pixelAt(target, 2, 0), G);
  bevel.setVisible(false);
  target = backBuffer(4, 4, kBg);
  bevel.paint(target, Rect{0, 0, 4, 4});
  EXPECT_EQ(pixelAt(target, 0, 0), kBg);
}

}  // namespace
}  // namespace vistel
