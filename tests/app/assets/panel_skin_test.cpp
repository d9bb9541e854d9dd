// The control panel's skin: a progressive JPEG of a flower wreath on white
// that frames the viewer's mask opening and carries the panel's hot spots.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <span>
#include <vector>

#include "app/assets/picture_probe.h"
#include "embedded_assets.h"

namespace {

using probe::Rgb;

const probe::Jpeg& skin() {
  static const probe::Jpeg decoded = probe::decodeJpeg(vistel::assets::panelSkinJpg());
  return decoded;
}

const probe::Pixels& mask() {
  static const probe::Pixels pixels = probe::readBmpPixels(vistel::assets::frameMaskBmp());
  return pixels;
}

bool inOpening(int x, int y) { return mask().at(x, y) == Rgb{255, 255, 255}; }

struct Spot {
  const char* name;
  int left, top, width, height;
};

// The panel's hot spots in its client coordinates, which are skin pixels.
const Spot kUpperWingDots[] = {{"LabF6", 660, 82, 3, 3},   {"LabEsc", 672, 77, 3, 3},
                               {"LabCtrl", 676, 85, 3, 3}, {"LabF7", 665, 91, 3, 3},
                               {"LabAlt", 670, 97, 3, 3},  {"LabShfHm", 681, 96, 3, 3},
                               {"LabF5", 673, 104, 3, 3}};
const Spot kLowerWingDots[] = {{"LabShf1", 681, 135, 3, 3},  {"LabShf2", 682, 143, 3, 3},
                               {"LabShf3", 683, 151, 3, 3},  {"LabShfEnd", 682, 159, 3, 3},
                               {"LabShfPu", 692, 131, 3, 3}, {"LabShfPd", 693, 140, 3, 3}};
const Spot kArrowPads[] = {{"LabLeft", 656, 176, 7, 12},
                           {"LabRight", 679, 172, 7, 12},
                           {"LabBottom", 668, 185, 7, 10},
                           {"LabTop", 664, 160, 7, 10}};

template <typename F>
int countIn(const Spot& s, F&& pred) {
  int n = 0;
  for (int y = s.top; y < s.top + s.height; ++y)
    for (int x = s.left; x < s.left + s.width; ++x) n += pred(skin().at(x, y), x, y) ? 1 : 0;
  return n;
}

bool reddish(Rgb c) { return c.r >= c.g + 60 && c.r >= c.b + 60; }
bool bluish(Rgb c) { return c.b >= c.r + 40 && c.b >= c.g + 20; }

TEST(PanelSkin, IsAProgressiveJfifJpegOf836By595WithFullResolutionChroma) {
  const auto bytes = vistel::assets::panelSkinJpg();
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);
  const probe::Jpeg& j = skin();
  EXPECT_EQ(j.width, 836);
  EXPECT_EQ(j.height, 595);
  EXPECT_TRUE(j.progressive);
  EXPECT_TRUE(j.jfif);
  ASSERT_EQ(j.components, 3);
  // Chroma at half size would blend the wreath's colours into the white
  // pixels next to it, and the colour key would show them.
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(j.hSamp[c], 1);
    EXPECT_EQ(j.vSamp[c], 1);
  }
}

TEST(PanelSkin, AboutEightyOnePercentDecodesToExactWhite) {
  // Exact white is the panel's colour key: only the wreath may be seen.
  const probe::Jpeg& j = skin();
  long white = 0;
  for (int y = 0; y < j.height; ++y)
    for (int x = 0; x < j.width; ++x) white += probe::isWhite(j.at(x, y));
  const double share = static_cast<double>(white) / (j.width * j.height);
  EXPECT_NEAR(share, 0.81, 0.01);
}

TEST(PanelSkin, OutlineHasNoLightRimAndNoLooseSpecks) {
  // On a dark desktop the key shows every pixel that is not exactly white:
  // almost white ones touching the white read as a light rim round the
  // wreath, and ones standing nearly alone in the white as loose specks.
  const probe::Jpeg& j = skin();
  long rim = 0, specks = 0;
  for (int y = 0; y < j.height; ++y)
    for (int x = 0; x < j.width; ++x) {
      if (probe::isWhite(j.at(x, y))) continue;
      int white = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          white += (dx || dy) && nx >= 0 && ny >= 0 && nx < j.width && ny < j.height &&
                   probe::isWhite(j.at(nx, ny));
        }
      rim += white > 0 && probe::nearWhite(j.at(x, y));
      specks += white >= 6;
    }
  EXPECT_LE(rim, 200);
  EXPECT_EQ(specks, 0);
}

TEST(PanelSkin, WreathSpansTheRingAroundTheOpeningAndLeavesTheMiddleWhite) {
  const probe::Jpeg& j = skin();
  int left = j.width, right = -1, top = j.height, bottom = -1;
  for (int y = 0; y < j.height; ++y)
    for (int x = 0; x < j.width; ++x)
      if (probe::luminance(j.at(x, y)) < 200) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  EXPECT_NEAR(left, 45, 10);
  EXPECT_NEAR(right, 790, 10);
  EXPECT_NEAR(top, 5, 8);
  EXPECT_NEAR(bottom, 590, 8);
  // The centre of the ring and the corners are exactly white.
  for (auto [x, y] :
       {std::pair{416, 300}, {300, 200}, {550, 420}, {0, 0}, {835, 0}, {0, 594}, {835, 594}})
    EXPECT_TRUE(probe::isWhite(j.at(x, y))) << x << "," << y;
}

TEST(PanelSkin, WreathHasRosesBlueYellowAndPinkFlowersAndGreenLeaves) {
  const probe::Jpeg& j = skin();
  long red = 0, blue = 0, yellow = 0, pink = 0, green = 0;
  for (int y = 0; y < j.height; ++y)
    for (int x = 0; x < j.width; ++x) {
      const Rgb c = j.at(x, y);
      if (c.r > 170 && c.g < 70 && c.b < 80) ++red;
      if (c.b > 170 && c.r < 130 && c.g < 170) ++blue;
      if (c.r > 220 && c.g > 180 && c.b < 90) ++yellow;
      if (c.r > 220 && c.g > 110 && c.g < 190 && c.b > 150 && c.b < 220) ++pink;
      if (c.g > c.r + 30 && c.g > c.b + 30) ++green;
    }
  EXPECT_GT(red, 2000);
  EXPECT_GT(blue, 2000);
  EXPECT_GT(yellow, 1000);
  EXPECT_GT(pink, 1000);
  EXPECT_GT(green, 20000);
}

TEST(PanelSkin, HotSpotsLieOnColouredDotsOfTheTopRightButterfly) {
  for (std::span<const Spot> group :
       {std::span<const Spot>(kUpperWingDots), std::span<const Spot>(kLowerWingDots)})
    for (const Spot& s : group) {
      // Every pixel of the spot is coloured, and the spot lies outside the
      // viewer's opening, so clicks reach the panel there.
      EXPECT_EQ(countIn(s, [](Rgb c, int, int) { return !probe::nearWhite(c); }), 9) << s.name;
      EXPECT_EQ(countIn(s, [](Rgb, int x, int y) { return inOpening(x, y); }), 0) << s.name;
      // A dot: yellow against the green wing around it.
      EXPECT_EQ(countIn(s, [](Rgb c, int, int) { return c.r > 180 && c.g > 150 && c.b < 110; }), 9)
          << s.name;
    }
}

TEST(PanelSkin, WholePictureSwitchLiesOnTheRedBodyAndPlusLabelOnDarkBlue) {
  const Spot body{"WholeImg", 685, 115, 32, 3};
  EXPECT_EQ(countIn(body, [](Rgb c, int, int) { return reddish(c); }), 32 * 3);
  const Spot plus{"LabLine4", 720, 132, 14, 29};
  EXPECT_EQ(countIn(plus, [](Rgb c, int, int) { return bluish(c) && probe::luminance(c) < 90; }),
            14 * 29);
  for (const Spot& s : {body, plus})
    EXPECT_EQ(countIn(s, [](Rgb, int x, int y) { return inOpening(x, y); }), 0) << s.name;
}

TEST(PanelSkin, ArrowPadsSurroundTheRedHeartOfABlueFlower) {
  const Spot centre{"LabCenter", 669, 176, 3, 4};
  EXPECT_EQ(countIn(centre, [](Rgb c, int, int) { return reddish(c); }), 12);
  for (const Spot& s : kArrowPads) {
    const int area = s.width * s.height;
    EXPECT_GE(countIn(s, [](Rgb c, int, int) { return bluish(c); }), area * 8 / 10) << s.name;
    EXPECT_EQ(countIn(s, [](Rgb, int x, int y) { return inOpening(x, y); }), 0) << s.name;
  }
  EXPECT_EQ(countIn(centre, [](Rgb, int x, int y) { return inOpening(x, y); }), 0);
}

TEST(PanelSkin, StatusLabelsStandOnDarkLeavesOutsideTheOpening) {
  const Spot labels[] = {{"FZoom", 102, 349, 62, 16}, {"FCenter", 109, 302, 40, 16}};
  for (const Spot& s : labels) {
    double sum = 0;
    countIn(s, [&](Rgb c, int, int) {
      sum += probe::luminance(c);
      return true;
    });
    // Yellow 12-pixel text needs a dark ground.
    EXPECT_LT(sum / (s.width * s.height), 70) << s.name;
    EXPECT_EQ(countIn(s, [](Rgb c, int, int) { return probe::luminance(c) > 150; }), 0) << s.name;
    EXPECT_EQ(countIn(s, [](Rgb, int x, int y) { return inOpening(x, y); }), 0) << s.name;
  }
}

TEST(PanelSkin, ButterfliesAreGreenAndBlueAtTopRightAndManyColouredAtLowerLeft) {
  auto hues = [](int x0, int y0, int x1, int y1) {
    std::set<int> seen;
    std::array<long, 12> counts{};
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        const Rgb c = skin().at(x, y);
        const int hi = std::max({c.r, c.g, c.b}), lo = std::min({c.r, c.g, c.b});
        if (hi - lo < 80) continue;  // only clearly coloured pixels
        double h;
        if (hi == c.r)
          h = 60.0 * (c.g - c.b) / (hi - lo);
        else if (hi == c.g)
          h = 120 + 60.0 * (c.b - c.r) / (hi - lo);
        else
          h = 240 + 60.0 * (c.r - c.g) / (hi - lo);
        if (h < 0) h += 360;
        counts[static_cast<int>(h / 30) % 12]++;
      }
    return counts;
  };
  // Top right: green (hue 90..150) and blue (210..270) dominate the wings.
  const auto tr = hues(650, 55, 740, 165);
  EXPECT_GT(tr[3] + tr[4], 800);
  EXPECT_GT(tr[7] + tr[8], 800);
  // Lower left: at least five of the twelve hue sectors are well represented.
  const auto ll = hues(205, 425, 300, 540);
  EXPECT_GE(std::count_if(ll.begin(), ll.end(), [](long n) { return n > 150; }), 5);
}

// Chessboard distance of each mask pixel to the nearest pixel of the other
// kind (white for black pixels, black for white ones).
std::vector<int> distanceToOtherSide() {
  const probe::Pixels& m = mask();
  const int w = m.width, h = m.height;
  const int far = w + h;
  std::vector<int> d(static_cast<std::size_t>(w) * h, far);
  auto white = [&](int x, int y) { return m.at(x, y).r == 255; };
  for (int pass = 0; pass < 2; ++pass) {
    // Distance to white for black pixels (pass 0), to black for white (pass 1).
    std::vector<int> t(d.size(), far);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (white(x, y) == (pass == 0)) t[static_cast<std::size_t>(y) * w + x] = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        int& v = t[static_cast<std::size_t>(y) * w + x];
        for (auto [dx, dy] : {std::pair{-1, 0}, {-1, -1}, {0, -1}, {1, -1}})
          if (x + dx >= 0 && x + dx < w && y + dy >= 0)
            v = std::min(v, t[static_cast<std::size_t>(y + dy) * w + x + dx] + 1);
      }
    for (int y = h - 1; y >= 0; --y)
      for (int x = w - 1; x >= 0; --x) {
        int& v = t[static_cast<std::size_t>(y) * w + x];
        for (auto [dx, dy] : {std::pair{1, 0}, {1, 1}, {0, 1}, {-1, 1}})
          if (x + dx >= 0 && x + dx < w && y + dy < h)
            v = std::min(v, t[static_cast<std::size_t>(y + dy) * w + x + dx] + 1);
      }
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (white(x, y) == (pass == 1))
          d[static_cast<std::size_t>(y) * w + x] = t[static_cast<std::size_t>(y) * w + x];
  }
  return d;
}

TEST(PanelSkin, WreathFramesTheMaskOpeningExactly) {
  // With the panel under the viewer at the same place, the wreath must start
  // right where the opening ends: wreath just outside its edge, white just
  // inside, all along the outline.
  const std::vector<int> d = distanceToOtherSide();
  const probe::Pixels& m = mask();
  long outside = 0, outsideInked = 0, inside = 0, insideWhite = 0;
  for (int y = 0; y < 595; ++y)
    for (int x = 0; x < 836; ++x) {
      const int dist = d[static_cast<std::size_t>(y) * m.width + x];
      const Rgb c = skin().at(x, y);
      if (!inOpening(x, y) && dist <= 2) {
        ++outside;
        outsideInked += !probe::nearWhite(c);
      } else if (inOpening(x, y) && dist == 3) {
        ++inside;
        insideWhite += probe::nearWhite(c);
      }
    }
  ASSERT_GT(outside, 2000);
  ASSERT_GT(inside, 1000);
  EXPECT_GT(static_cast<double>(outsideInked) / outside, 0.98);
  EXPECT_GT(static_cast<double>(insideWhite) / inside, 0.95);
}

}  // namespace
