#pragma once

#include <vector>

namespace vistel {

// Arithmetic of the thumbnail grid: cells, columns, the scroll range and the
// scroll bar's rules. Grid coordinates are the file panel's content before
// scrolling.

constexpr int kThumbSide = 93;
constexpr int kCellPitch = 95;
constexpr int kGridMargin = 2;
constexpr int kScrollLargeStep = 110;

struct CellPos {
  int left = 0;
  int top = 0;
  friend bool operator==(const CellPos&, const CellPos&) = default;
};

// Cell of thumbnail t, row by row, left to right.
CellPos thumbCell(int t, int columns);

// Columns that fit a file panel of this client width, before the clamp to 1
// (the re-layout compares this raw value with the current column count).
int rawColumnsForWidth(int clientWidth);

// Scroll bar maximum for thumbnails 0..lastThumb: rows * 95 + 2.
int scrollMaximum(int lastThumb, int columns);

// The content offset after the scroll bar moved to `position`, from offset
// `offset`, with maximum `maximum` and panel height `height`. Moves towards
// the top always apply; moves down only below maximum - height + 50.
int acceptedScrollOffset(int position, int offset, int maximum, int height);

// The position that brings thumbnail t's row into view from `position`, or
// `position` itself when the row is already in view.
int positionForThumb(int t, int columns, int position, int height);

// Rows of the grid from `first` to `last`, both included.
struct RowSpan {
  int first = 0;
  int last = -1;
  bool holds(int row) const { return row >= first && row <= last; }
  friend bool operator==(const RowSpan&, const RowSpan&) = default;
};

// The rows any part of which lies on a file panel of height `height` with
// the content offset `offset`, widened by `margin` rows on either side
// (never above the first row).
RowSpan rowsNear(int offset, int height, int margin);

// The arrow steps through the grid.
enum class GridStep : int { Up = 1, Down = 2, Back = 3, On = 4 };

// Thumbnail index an arrow step leads to (direction 1 up, 2 down, 3 back,
// 4 on, as GridStep) from the selected file, or -1 when the step leads nowhere. Without
// a valid selection every direction leads to thumbnail 0.
int stepTarget(int selected, const std::vector<int>& listToThumb, int columns, int lastThumb,
               int direction);

// The thumbnail array's size once thumbnail t must fit into `size` entries.
int thumbCapacityFor(int t, int size);

}  // namespace vistel
