// The thumbnail grid: scrolling, the locator and clicks on thumbnails.
#include "chooser/get_img_form.h"
#include "chooser/grid_geometry.h"
#include "chooser/thumb_residency.h"

namespace vistel {

void TGetImgForm::ScrollBar1Change() {
  const int p = ScrollBar1->value();
  const int accepted =
      acceptedScrollOffset(p, FScrollPos, ScrollBar1->maximum(), filepanel->height());
  if (accepted == FScrollPos) return;
  filepanel->scrollBy(FScrollPos - accepted);
  FScrollPos = accepted;
  FResidency->follow(gridView());
}

void TGetImgForm::ScrollToThumb(int t) {
  const int columns = std::max(1, FColumns);
  const int p = ScrollBar1->value();
  const int next = positionForThumb(t, columns, p, filepanel->height());
  if (next != p) ScrollBar1->setValue(next);
  // Drawn with the rest of the step, not on the spot: a synchronous paint
  // here, in the middle of the key's handler, lost the locator's paint that
  // follows it under mutter (about one step in two).
  ScrollBar1->update();
}

void TGetImgForm::PlaceLocator() {
  bool placed = false;
  try {
    const int i = FileListBox1->itemIndex();
    if (i >= 0 && i < static_cast<int>(FListToThumb.size())) {
      const int t = FListToThumb[static_cast<std::size_t>(i)];
      if (t >= 0 && t <= FLastThumb && t < static_cast<int>(FThumbs.size()) &&
          FThumbs[static_cast<std::size_t>(t)] != nullptr) {
        const ThumbControl* thumb = FThumbs[static_cast<std::size_t>(t)];
        FileLocateBtn->setBounds(thumb->left() + 1, thumb->top() + 1, 30, 8);
        placed = true;
      }
    }
  } catch (...) {
    placed = false;  // any failure leaves the locator unplaced (Tag 0)
  }
  FLocatorPlaced = placed;
  if (!listViewShowing()) FileLocateBtn->setVisible(placed);
}

void TGetImgForm::ThumbMouseDown(Control& sender, const MouseEvent& m) {
  if (m.button == MouseButton::Right) {
    filepanelMouseDown(m);
    return;
  }
  if (m.button != MouseButton::Left) return;
  try {
    auto& thumb = dynamic_cast<ThumbControl&>(sender);
    FileListBox1->setItemIndex(thumb.HelpContext);
    FileLocateBtn->setVisible(false);
    FileLocateBtn->setBounds(thumb.left() + 1, thumb.top() + 1, 30, 8);
    FLocatorPlaced = true;
    FileLocateBtn->setVisible(true);
    ShowSelected();
  } catch (...) {
    // A thumbnail click swallows its failures, leaving what was done.
  }
}

}  // namespace vistel
