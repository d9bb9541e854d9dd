#include "chooser/grid_geometry.h"

#include <algorithm>

namespace vistel {

CellPos thumbCell(int t, int columns) {
  return {(t % columns) * kCellPitch + kGridMargin, (t / columns) * kCellPitch + kGridMargin};
}

int rawColumnsForWidth(int clientWidth) { return (clientWidth - kGridMargin) / kCellPitch; }

int scrollMaximum(int lastThumb, int columns) {
  return (lastThumb / columns) * kCellPitch + kCellPitch + kGridMargin;
}

int acceptedScrollOffset(int position, int offset, int maximum, int height) {
  if (position > offset && position < maximum - height + 50) return position;
  if (position < offset) return position;
  return offset;
}

int positionForThumb(int t, int columns, int position, int height) {
  if (t < columns) return 0;
  const int row = t / columns;
  const int top = row * kCellPitch + kGridMargin;
  if (top < position) return top;
  const int next = (row + 1) * kCellPitch + kGridMargin;
  if (next - position - height > 0) return next - height;
  return position;
}

RowSpan rowsNear(int offset, int height, int margin) {
  // Row r covers [r * 95 + 2, r * 95 + 95) of the content.
  const int first = std::max(0, offset) / kCellPitch;
  const int last = (std::max(0, offset) + std::max(1, height) - kGridMargin - 1) / kCellPitch;
  return {std::max(0, first - margin), last + margin};
}

int stepTarget(int selected, const std::vector<int>& listToThumb, int columns, int lastThumb,
               int direction) {
  int t = 0;
  if (selected >= 0 && selected < static_cast<int>(listToThumb.size())) {
    t = listToThumb[static_cast<std::size_t>(selected)];
    switch (direction) {
      case 1:
        t -= columns;
        break;
      case 2:
        t += columns;
        break;
      case 3:
        t -= 1;
        break;
      case 4:
        t += 1;
        break;
      default:
        break;
    }
  }
  if (t < 0 || t > lastThumb) return -1;
  return t;
}

int thumbCapacityFor(int t, int size) { return size <= t ? t + 10 : size; }

}  // namespace vistel
