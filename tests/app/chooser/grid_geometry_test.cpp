// The grid's arithmetic: cells, scroll range, the scroll bar's asymmetric
// limit, bringing a row into view and arrow steps.
#include "chooser/grid_geometry.h"

#include <gtest/gtest.h>

namespace vistel {
namespace {

TEST(GridGeometry, CellsRowByRow) {
  EXPECT_EQ(thumbCell(0, 3), (CellPos{2, 2}));
  EXPECT_EQ(thumbCell(1, 3), (CellPos{97, 2}));
  EXPECT_EQ(thumbCell(2, 3), (CellPos{192, 2}));
  EXPECT_EQ(thumbCell(3, 3), (CellPos{2, 97}));
  EXPECT_EQ(thumbCell(4, 3), (CellPos{97, 97}));
}

TEST(GridGeometry, ColumnsAndScrollRange) {
  EXPECT_EQ(rawColumnsForWidth(289), 3);
  EXPECT_EQ(rawColumnsForWidth(96), 0);  // clamped to 1 by the caller
  EXPECT_EQ(rawColumnsForWidth(0), 0);
  EXPECT_EQ(scrollMaximum(24, 3), 857);  // 25 thumbnails
  EXPECT_EQ(scrollMaximum(1, 3), 97);    // two
  EXPECT_EQ(thumbCapacityFor(0, 0), 10);
  EXPECT_EQ(thumbCapacityFor(9, 10), 10);
  EXPECT_EQ(thumbCapacityFor(10, 10), 20);
}

TEST(GridGeometry, PageStepsStopShortOfTheLimit) {
  // M = 857, H = 330: moves down apply only below 857 - 330 + 50 = 577.
  int offset = 0;
  std::vector<int> seen;
  for (int p = 110; p <= 660; p += 110) {
    offset = acceptedScrollOffset(p, offset, 857, 330);
    seen.push_back(offset);
  }
  EXPECT_EQ(seen, (std::vector<int>{110, 220, 330, 440, 550, 550}));
  EXPECT_EQ(acceptedScrollOffset(576, 575, 857, 330), 576);
  EXPECT_EQ(acceptedScrollOffset(577, 576, 857, 330), 576);
  // Upwards always applies, even from a bar that ran ahead of the content.
  EXPECT_EQ(acceptedScrollOffset(100, 550, 857, 330), 100);
}

TEST(GridGeometry, AllRowsFitYetLineStepsShiftSixPixels) {
  int offset = 0;
  for (int p = 1; p <= 20; ++p) offset = acceptedScrollOffset(p, offset, 287, 330);
  EXPECT_EQ(offset, 6);
  EXPECT_EQ(acceptedScrollOffset(110, 0, 287, 330), 0);
}

TEST(GridGeometry, ScrollToThumbBringsTheRowIntoView) {
  EXPECT_EQ(positionForThumb(15, 3, 0, 330), 242);
  EXPECT_EQ(positionForThumb(15, 3, 500, 330), 477);
  EXPECT_EQ(positionForThumb(15, 3, 300, 330), 300);
  EXPECT_EQ(positionForThumb(2, 3, 300, 330), 0);  // first row
  // Rows any part of which is on the panel, and a margin.
  EXPECT_EQ(rowsNear(0, 330, 0), (RowSpan{0, 3}));
  EXPECT_EQ(rowsNear(94, 330, 0), (RowSpan{0, 4}));
  EXPECT_EQ(rowsNear(95, 330, 2), (RowSpan{0, 6}));
  EXPECT_EQ(rowsNear(950, 330, 2), (RowSpan{8, 15}));
}

TEST(GridGeometry, StepsInThumbnailIndexSpace) {
  const std::vector<int> map{0, -1, 1, 2, 3, 4, 5, 6};  // file 1 has none
  EXPECT_EQ(stepTarget(2, map, 3, 6, 4), 2);
  EXPECT_EQ(stepTarget(4, map, 3, 6, 4), 4);  // end of row 0 to start of row 1
  EXPECT_EQ(stepTarget(5, map, 3, 6, 3), 3);
  EXPECT_EQ(stepTarget(5, map, 3, 6, 1), 1);
  EXPECT_EQ(stepTarget(2, map, 3, 6, 1), -1);  // first row, up
  EXPECT_EQ(stepTarget(0, map, 3, 6, 3), -1);  // thumbnail 0, back
  EXPECT_EQ(stepTarget(7, map, 3, 6, 4), -1);  // last, on
  EXPECT_EQ(stepTarget(6, map, 3, 6, 2), -1);  // nothing below
  // A file without a thumbnail: Right to 0, Down to columns - 1.
  EXPECT_EQ(stepTarget(1, map, 3, 6, 4), 0);
  EXPECT_EQ(stepTarget(1, map, 3, 6, 2), 2);
  EXPECT_EQ(stepTarget(1, map, 3, 6, 1), -1);
  // No selection: thumbnail 0 whatever the direction.
  EXPECT_EQ(stepTarget(-1, map, 3, 6, 1), 0);
  EXPECT_EQ(stepTarget(-1, map, 3, -1, 4), -1);  // and none without thumbnails
}

}  // namespace
}  // namespace vistel
