// Browsing: folder and filter changes, the switch between the list view and
// the grid view, and the file panel's re-layout.
#include <QThread>

#include "chooser/file_mask.h"
#include "chooser/get_img_form.h"
#include "chooser/grid_geometry.h"
#include "chooser/thumb_residency.h"

namespace vistel {

bool TGetImgForm::listViewShowing() const { return FileListBox1->isVisibleTo(filepanel); }

void TGetImgForm::DirectoryListBox1Change() {
  try {
    ResetScrollBar();
    StopLoader();
    DiscardThumbs();
    FListToThumb.assign(static_cast<std::size_t>(FileListBox1->count()), -1);
    FileLocateBtn->setVisible(false);
    FLocatorPlaced = false;
    if (listViewShowing()) {
      FReloadPending = true;
      FileListBox1->setFocus();
    } else {
      StartLoader();
    }
  } catch (...) {
    // The folder could not be taken in: hold still for a moment, as the
    // user is told nothing else.
    QThread::msleep(3000);
  }
}

void TGetImgForm::Bmp1Click() {
  FileListBox1->setMask(maskFor(Bmp1->isChecked(), Jpg1->isChecked()));
  RestartLoader();
}

void TGetImgForm::RestartLoader() {
  if (listViewShowing()) {
    // A loader still running keeps running; the rebuild discards its work.
    FReloadPending = true;
    return;
  }
  ResetScrollBar();
  StopLoader();
  DiscardThumbs();
  StartLoader();
}

void TGetImgForm::filepanelMouseDown(const MouseEvent& m) {
  if (m.button != MouseButton::Right) return;
  ScrollBar1->hide();
  FileLocateBtn->setVisible(false);
  ScrollToThumb(0);
  FileListBox1->show();
  FileListBox1->setFocus();
}

void TGetImgForm::FileListBox1MouseDown(const MouseEvent& m) {
  if (m.button != MouseButton::Right) return;
  FileListBox1->hide();
  ScrollBar1->show();
  if (FLocatorPlaced) {
    FileLocateBtn->setVisible(true);
    const int i = FileListBox1->itemIndex();
    if (i >= 0 && i < static_cast<int>(FListToThumb.size()))
      ScrollToThumb(FListToThumb[static_cast<std::size_t>(i)]);
  }
  if (FReloadPending) {
    FReloadPending = false;
    ResetScrollBar();
    StopLoader();
    DiscardThumbs();
    StartLoader();
  }
}

void TGetImgForm::filepanelResize() {
  const int n = rawColumnsForWidth(filepanel->width());
  filepanel->setGrid({kGridMargin, kGridMargin, kCellPitch, kCellPitch, std::max(1, n)});
  if (n == FColumns) return;
  // Thumbnails are made on this thread, one whole unit at a time, so the
  // re-layout cannot fall between a thumbnail's index and its control: the
  // loader needs no pause here.
  if (!FLoading) {
    ResetScrollBar();
    FileLocateBtn->setVisible(false);
  }
  FColumns = n > 0 ? n : 1;
  for (int t = 0; t <= FLastThumb && t < static_cast<int>(FThumbs.size()); ++t) {
    try {
      ThumbControl* thumb = FThumbs[static_cast<std::size_t>(t)];
      if (thumb == nullptr) continue;
      const CellPos cell = thumbCell(t, FColumns);
      thumb->setBounds(cell.left, cell.top, kThumbSide, kThumbSide);
    } catch (...) {
      // A failure on one thumbnail is ignored; the others are still placed.
    }
  }
  // Other thumbnails are near the view now.
  FResidency->follow(gridView());
  if (FLoading) return;  // the loader sets the scroll range when it ends
  if (FLastThumb >= 0) {
    const int maximum = scrollMaximum(FLastThumb, FColumns);
    FScrollPage = std::min(filepanel->height(), maximum);
    ScrollBar1->setRange(0, maximum);
    ScrollBar1->setEnabled(true);
  }
  PlaceLocator();
}

}  // namespace vistel
