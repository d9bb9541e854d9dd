// Handing the chosen picture to the viewer.
#include "chooser/folder_listing.h"
#include "chooser/get_img_form.h"
#include "controls/label.h"
#include "panel/form2.h"
#include "viewer/form1.h"
#include "viewer/picture_rect.h"

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
  if (Form1 == nullptr) return;
  TForm1& viewer = *Form1;
  PictureControl& picture = *viewer.ImgBottoMov;
  picture.loadFromFile(path);
  const int w = picture.pictureWidth();
  const int h = picture.pictureHeight();
  if (w == 0) return;
  viewer.FAspect = static_cast<double>(h) / static_cast<double>(w);

  const QString zoom = viewer.FPanel != nullptr && viewer.FPanel->FZoom != nullptr
                           ? viewer.FPanel->FZoom->caption()
                           : QString();
  if (zoom == QString::fromUtf8(picture_rect::kWholePicture)) {
    const picture_rect::Frame f = picture_rect::wholePicture(viewer.FAspect);
    picture.setBounds(f.left, f.top, f.width, f.height);
  } else if (zoom == QString::fromUtf8(picture_rect::kFullSize)) {
    const int pw = picture.width(), ph = picture.height();
    picture.setBounds(picture_rect::centredOffset(width(), pw),
                      picture_rect::centredOffset(height(), ph), pw, ph);
  }

  if (!listViewShowing() && listIndex >= 0 && listIndex < static_cast<int>(FListToThumb.size())) {
    const int t = FListToThumb[static_cast<std::size_t>(listIndex)];
    if (t >= 0) ScrollToThumb(t);
  }
  viewer.SyncGuides();
}

}  // namespace vistel
