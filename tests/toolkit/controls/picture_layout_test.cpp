#include "controls/picture_layout.h"

#include <gtest/gtest.h>

namespace vistel {
namespace {

constexpr PictureLayout kNone{};
constexpr PictureLayout kStretch{.stretch = true};
constexpr PictureLayout kProportional{.proportional = true};
constexpr PictureLayout kFit{.stretch = true, .proportional = true};
constexpr PictureLayout kCenter{.center = true};

TEST(PictureLayout, ProportionalAloneShrinksWhatDoesNotFitAndNeverEnlarges) {
  EXPECT_EQ(pictureDestination(1000, 500, 400, 400, kProportional), Rect::fromSize(0, 0, 400, 200));
  EXPECT_EQ(pictureDestination(1000, 500, 400, 400, {.proportional = true, .center = true}),
            Rect::fromSize(0, 100, 400, 200));
  EXPECT_EQ(pictureDestination(200, 100, 400, 400, kProportional), Rect::fromSize(0, 0, 200, 100));
  // Too tall only: portrait branch, the height is the control's.
  EXPECT_EQ(pictureDestination(100, 500, 400, 400, kProportional), Rect::fromSize(0, 0, 80, 400));
}

TEST(PictureLayout, StretchFillsAndStretchWithProportionalFits) {
  EXPECT_EQ(pictureDestination(200, 100, 400, 400, kFit), Rect::fromSize(0, 0, 400, 200));
  EXPECT_EQ(pictureDestination(200, 100, 400, 400, kStretch), Rect::fromSize(0, 0, 400, 400));
  // A square picture in a wide control takes the control's height both ways.
  EXPECT_EQ(pictureDestination(50, 50, 300, 100, kFit), Rect::fromSize(0, 0, 100, 100));
  EXPECT_EQ(pictureDestination(50, 50, 100, 300, kFit), Rect::fromSize(0, 0, 100, 100));
}

TEST(PictureLayout, FittingFallsBackToTheOtherSideWhenTheFirstOverflows) {
  // 640 x 480 into 300 x 200: 300 wide would be 225 high, so 200 high and
  // trunc(200 * 4/3) = 266 wide.
  EXPECT_EQ(pictureDestination(640, 480, 300, 200, kFit), Rect::fromSize(0, 0, 266, 200));
  // Portrait that overflows the width: width first, then height from it.
  EXPECT_EQ(pictureDestination(500, 1000, 100, 400, kFit), Rect::fromSize(0, 0, 100, 200));
}

TEST(PictureLayout, ProductsAndQuotientsUseExtendedPrecisionAndTruncate) {
  // r = 2/3 rounded to a double is a little below 2/3; 300 * r is then a
  // little below 200, which only the extended-precision product keeps.
  EXPECT_EQ(pictureDestination(200, 300, 300, 300, kFit), Rect::fromSize(0, 0, 199, 300));
  // r = 5/3 rounds up, so 500 / r lies a little below 300.
  EXPECT_EQ(pictureDestination(500, 300, 500, 500, kFit), Rect::fromSize(0, 0, 500, 299));
  // A 1 x 3 picture fitted into 3 x 3 ends up 0 pixels wide.
  EXPECT_EQ(pictureDestination(1, 3, 3, 3, kFit), Rect::fromSize(0, 0, 0, 3));
  // Exactly representable ratios are not disturbed.
  EXPECT_EQ(pictureDestination(300, 200, 600, 600, kFit), Rect::fromSize(0, 0, 600, 400));
}

TEST(PictureLayout, CentreOffsetsTruncateTowardZero) {
  // 5 pixels wider than the control: moved left by 2, not 3.
  EXPECT_EQ(pictureDestination(105, 50, 100, 100, kCenter), Rect::fromSize(-2, 25, 105, 50));
  EXPECT_EQ(pictureDestination(107, 103, 100, 100, kCenter), Rect::fromSize(-3, -1, 107, 103));
  EXPECT_EQ(pictureDestination(51, 51, 100, 100, kCenter), Rect::fromSize(24, 24, 51, 51));
  EXPECT_EQ(pictureDestination(1000, 500, 400, 400,
                               {.stretch = true, .proportional = true, .center = true}),
            Rect::fromSize(0, 100, 400, 200));
}

TEST(PictureLayout, UnscaledPicturesKeepTheirSizeAndNoPictureIsEmptyUnlessStretched) {
  EXPECT_EQ(pictureDestination(640, 480, 300, 200, kNone), Rect::fromSize(0, 0, 640, 480));
  EXPECT_EQ(pictureDestination(0, 0, 300, 200, kNone), Rect::fromSize(0, 0, 0, 0));
  EXPECT_EQ(pictureDestination(0, 0, 300, 200, kProportional), Rect::fromSize(0, 0, 0, 0));
  EXPECT_EQ(pictureDestination(0, 0, 300, 200, kFit), Rect::fromSize(0, 0, 300, 200));
}

}  // namespace
}  // namespace vistel
