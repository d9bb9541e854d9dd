// Handing the chosen picture on to be shown.
#include "chooser/folder_listing.h"
#include "chooser/get_img_form.h"

namespace vistel {

void TGetImgForm::FileListBox1Change() {
  PlaceLocator();
  ShowSelected();
}

void TGetImgForm::ShowSelected() {
  // Any failure ends here silently: a picture that cannot be read leaves the
  // previous picture, FAspect and the guide lines as they were.
  try {
    const int i = FileListBox1->itemIndex();
    if (i < 0) return;
    ShowPicture(joinPath(FileListBox1->directory(), FileListBox1->item(i)), i);
  } catch (...) {
    // Silently: the viewer keeps what it showed, and what was done stays.
  }
}

void TGetImgForm::ShowPicture(const std::string& path, int listIndex) {
  if (!events.showPicture || !events.showPicture(path)) return;
  if (!listViewShowing() && listIndex >= 0 && listIndex < static_cast<int>(FListToThumb.size())) {
    const int t = FListToThumb[static_cast<std::size_t>(listIndex)];
    if (t >= 0) ScrollToThumb(t);
  }
}

}  // namespace vistel
