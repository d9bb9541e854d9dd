// Arrow-key stepping through the chooser's thumbnail grid.
#include "chooser/get_img_form.h"
#include "chooser/grid_geometry.h"
#include "viewer/form1.h"

namespace vistel {

void TForm1::StepSelection(int& key, int direction) {
  TGetImgForm* c = FChooser;
  if (c == nullptr) return;
  // In the list view the key goes on to the list, which moves its own
  // selection; while a load runs the grid is still changing.
  if (c->listViewShowing() || c->FLoading) return;
  key = 0;
  const int i = c->FileListBox1->itemIndex();
  const std::vector<int> map =
      i >= 0 && i < c->FileListBox1->count() ? c->FListToThumb : std::vector<int>{};
  const int t =
      stepTarget(map.empty() ? -1 : i, map, std::max(1, c->FColumns), c->FLastThumb, direction);
  if (t < 0 || t >= static_cast<int>(c->FThumbs.size()) || c->FThumbs[t] == nullptr) return;
  ThumbControl* thumb = c->FThumbs[static_cast<std::size_t>(t)];
  c->FileLocateBtn->setVisible(false);
  c->FileListBox1->setItemIndex(thumb->HelpContext);
  c->FileLocateBtn->setBounds(thumb->left() + 1, thumb->top() + 1, 30, 8);
  c->ScrollToThumb(t);
  // The locator moved with the grid if the step scrolled it.
  c->FileLocateBtn->setBounds(thumb->left() + 1, thumb->top() + 1, 30, 8);
  c->FileLocateBtn->setTag(1);
  c->FileLocateBtn->setVisible(true);
  c->ShowSelected();
}

}  // namespace vistel
