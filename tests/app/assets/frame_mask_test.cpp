// The viewer's frame mask: a 1-bit BMP whose single white opening is the
// picture window, with a leafy outline.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/assets/picture_probe.h"
#include "embedded_assets.h"

namespace {

using probe::Rgb;

struct Opening {
  int width = 0, height = 0;
  std::vector<std::uint8_t> white;
  bool at(int x, int y) const { return white[static_cast<std::size_t>(y) * width + x] != 0; }
};

Opening loadOpening() {
  const probe::Pixels p = probe::readBmpPixels(vistel::assets::frameMaskBmp());
  Opening o{p.width, p.height, {}};
  o.white.reserve(p.rgb.size());
  for (const Rgb& c : p.rgb) o.white.push_back(c == Rgb{255, 255, 255});
  return o;
}

TEST(FrameMask, IsAOneBitBlackAndWhiteBmpOf840By620) {
  const auto bytes = vistel::assets::frameMaskBmp();
  const probe::Bmp h = probe::parseBmp(bytes);
  EXPECT_EQ(h.fileSize, bytes.size());
  EXPECT_EQ(h.width, 840);
  EXPECT_EQ(h.height, 620);
  EXPECT_EQ(h.planes, 1);
  EXPECT_EQ(h.bits, 1);
  EXPECT_EQ(h.compression, 0);
  ASSERT_EQ(h.palette.size(), 2u);
  EXPECT_EQ(h.palette[0], (Rgb{0, 0, 0}));
  EXPECT_EQ(h.palette[1], (Rgb{255, 255, 255}));
}

TEST(FrameMask, OpeningHasTheBoundsSizeAndCentreOfThePictureWindow) {
  const Opening o = loadOpening();
  int left = o.width, right = -1, top = o.height, bottom = -1;
  long area = 0;
  double sx = 0, sy = 0;
  for (int y = 0; y < o.height; ++y)
    for (int x = 0; x < o.width; ++x) {
      if (!o.at(x, y)) continue;
      ++area;
      sx += x;
      sy += y;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  EXPECT_EQ(left, 136);
  EXPECT_EQ(right, 695);
  EXPECT_EQ(top, 40);
  EXPECT_EQ(bottom, 558);
  EXPECT_NEAR(area, 205600, 2056);
  ASSERT_GT(area, 0);
  EXPECT_NEAR(sx / area, 416, 5);
  EXPECT_NEAR(sy / area, 295, 5);
}

TEST(FrameMask, OpeningIsOneConnectedRegionWithBlackCorners) {
  const Opening o = loadOpening();
  EXPECT_FALSE(o.at(0, 0));
  EXPECT_FALSE(o.at(o.width - 1, 0));
  EXPECT_FALSE(o.at(0, o.height - 1));
  EXPECT_FALSE(o.at(o.width - 1, o.height - 1));
  // Every white pixel is reachable from the centre: no stray specks for the
  // picture to show through outside the frame.
  std::vector<std::uint8_t> seen(o.white.size(), 0);
  std::vector<std::pair<int, int>> stack{{416, 300}};
  long reached = 0;
  while (!stack.empty()) {
    const auto [x, y] = stack.back();
    stack.pop_back();
    if (x < 0 || y < 0 || x >= o.width || y >= o.height) continue;
    const std::size_t i = static_cast<std::size_t>(y) * o.width + x;
    if (!o.white[i] || seen[i]) continue;
    seen[i] = 1;
    ++reached;
    stack.push_back({x + 1, y});
    stack.push_back({x - 1, y});
    stack.push_back({x, y + 1});
    stack.push_back({x, y - 1});
  }
  long total = 0;
  for (auto w : o.white) total += w;
  EXPECT_EQ(reached, total);
}

// Black pixels well inside the smooth ellipse spanned by the opening's
// bounding box: that is where leaves, flowers and the butterfly intrude.
long intrusionsIn(const Opening& o, int x0, int y0, int x1, int y1, double inset) {
  const double cx = (136 + 696) / 2.0, cy = (40 + 559) / 2.0, a = 280, b = 259.5;
  long n = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const double dx = (x + 0.5 - cx) / (a - inset), dy = (y + 0.5 - cy) / (b - inset);
      if (dx * dx + dy * dy < 1 && !o.at(x, y)) ++n;
    }
  return n;
}

TEST(FrameMask, LeafAtTopRightAndButterflyAtLowerLeftIntrude) {
  const Opening o = loadOpening();
  // A leaf hangs down at about x 480..520, y 50..110.
  EXPECT_GT(intrusionsIn(o, 480, 60, 520, 105, 12), 600);
  // The butterfly on its stem at about x 230..300, y 420..500.
  EXPECT_GT(intrusionsIn(o, 230, 420, 300, 500, 12), 1500);
  // Just below the leaf and above the butterfly the opening is clear.
  EXPECT_EQ(intrusionsIn(o, 480, 125, 520, 160, 0), 0);
  EXPECT_EQ(intrusionsIn(o, 250, 370, 300, 400, 0), 0);
}

TEST(FrameMask, OutlineIsBittenAllRound) {
  const Opening o = loadOpening();
  // Split the outline into sixteen sectors around the centre; each has
  // black bites reaching at least 6 pixels inside the smooth ellipse.
  const double cx = 416, cy = 299.5;
  std::vector<long> bites(16, 0);
  for (int y = 40; y <= 558; ++y)
    for (int x = 136; x <= 695; ++x) {
      const double dx = (x + 0.5 - cx) / (280 - 6), dy = (y + 0.5 - cy) / (259.5 - 6);
      if (dx * dx + dy * dy >= 1 || o.at(x, y)) continue;
      const double angle = std::atan2(dy, dx) + M_PI;
      bites[static_cast<int>(angle / (2 * M_PI) * 16) % 16]++;
    }
  for (int s = 0; s < 16; ++s) EXPECT_GT(bites[s], 40) << "sector " << s;
}

}  // namespace
