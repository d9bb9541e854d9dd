// Arrow-key stepping through the thumbnail grid, and the picture names over
// the thumbnails.
#include "chooser/get_img_form.h"
#include "chooser/grid_geometry.h"

namespace vistel {

bool TGetImgForm::StepSelection(GridStep step) {
  // In the list view the key goes on to the list, which moves its own
  // selection; while a load runs the grid is still changing.
  if (listViewShowing() || FLoading) return false;
  const int i = FileListBox1->itemIndex();
  const std::vector<int> map =
      i >= 0 && i < FileListBox1->count() ? FListToThumb : std::vector<int>{};
  const int t = stepTarget(map.empty() ? -1 : i, map, std::max(1, FColumns), FLastThumb,
                           static_cast<int>(step));
  if (t < 0 || t >= static_cast<int>(FThumbs.size()) || FThumbs[t] == nullptr) return true;
  ThumbControl* thumb = FThumbs[static_cast<std::size_t>(t)];
  FileLocateBtn->setVisible(false);
  FileListBox1->setItemIndex(thumb->HelpContext);
  FileLocateBtn->setBounds(thumb->left() + 1, thumb->top() + 1, 30, 8);
  ScrollToThumb(t);
  // The locator moved with the grid if the step scrolled it.
  FileLocateBtn->setBounds(thumb->left() + 1, thumb->top() + 1, 30, 8);
  FLocatorPlaced = true;
  FileLocateBtn->setVisible(true);
  ShowSelected();
  return true;
}

void TGetImgForm::ShowThumbNames(bool on) {
  FShowNames = on;
  for (int t = 0; t <= FLastThumb && t < static_cast<int>(FThumbs.size()); ++t) {
    try {
      if (FThumbs[static_cast<std::size_t>(t)] != nullptr)
        FThumbs[static_cast<std::size_t>(t)]->setShowHint(on);
    } catch (...) {
      // A failure on one thumbnail is ignored; the others still switch.
    }
  }
}

}  // namespace vistel
