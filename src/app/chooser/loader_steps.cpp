// Starting and stopping the thumbnail loader, and the steps it hands to the
// user-interface thread.
#include <QApplication>
#include <QFile>

#include "chooser/get_img_form.h"
#include "chooser/grid_geometry.h"
#include "chooser/img_thread.h"
#include "chooser/loader_threads.h"
#include "chooser/thumb_cache.h"
#include "chooser/thumb_residency.h"
#include "windows/platform.h"

namespace vistel {

namespace {

// The application-starting cursor of a running load, taken off when the
// load ends or is stopped. True when it changed.
bool appStartCursorOn = false;

bool setAppStartCursor(bool on) {
  if (on == appStartCursorOn) return false;
  appStartCursorOn = on;
  if (on) {
    QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
  } else {
    QApplication::restoreOverrideCursor();
  }
  return true;
}

// Moving the pointer by a pixel makes the window system show the new cursor
// at once rather than at the next mouse move.
void nudgePointer(int dx) {
  const QPoint p = platform::cursorPos();
  platform::setCursorPos(QPoint(p.x() + dx, p.y()));
}

}  // namespace

void TGetImgForm::ResetScrollBar() {
  ScrollBar1->setEnabled(false);
  FScrollPage = 0;
  ScrollBar1->setRange(0, 0);  // the position falls to 0: ScrollBar1Change
  ScrollBar1->repaint();
}

void TGetImgForm::StopLoader() {
  if (!FLoading) return;
  FLoading = false;
  if (FLoader) FLoader->Stop();
  // A stopped load must not leave the busy cursor up until some later load
  // ends; the nudge shows the change at once, as at a load's end.
  if (setAppStartCursor(false)) nudgePointer(-1);
}

void TGetImgForm::DiscardThumbs() {
  // Nothing fetched for these thumbnails reaches them any more.
  if (FResidency) FResidency->clear();
  // Freeing a control cannot fail: all go, in one pass over the panel's
  // controls.
  std::vector<Control*> going;
  going.reserve(static_cast<std::size_t>(std::max(0, FLastThumb + 1)));
  for (int t = 0; t <= FLastThumb && t < static_cast<int>(FThumbs.size()); ++t)
    going.push_back(FThumbs[static_cast<std::size_t>(t)]);
  filepanel->destroyControls(going);
  FThumbs.clear();
  FLastThumb = -1;
}

void TGetImgForm::StartLoader() {
  // A finished loader's thread may still be returning from its last hand-off.
  FLoader.reset();
  FLoading = true;
  FLastThumb = -1;
  FListToThumb.assign(static_cast<std::size_t>(FileListBox1->count()), -1);
  FResidency->begin(FileListBox1->directory(), ThumbCache::folderFromEnvironment());
  // Given-up threads (stuck in reads on a dead mount) are capped at twice
  // the workers.
  if (!FLoaderThreads)
    FLoaderThreads = std::make_shared<LoaderThreads>(2 * TImgThread::workerCount());
  FLoader = std::make_unique<TImgThread>(this, FLoaderThreads);
  // No thread to be had: the load ends at once, with no thumbnail.
  if (!FLoader->started()) {
    FLoading = false;
    PlaceLocator();
  }
}

void TGetImgForm::LoaderBegin(int& count) {
  setAppStartCursor(true);
  nudgePointer(1);
  count = FileListBox1->count();
}

void TGetImgForm::LoaderFileNames(int i, int most, std::string& folder,
                                  std::vector<std::string>& names) {
  folder = FileListBox1->directory();
  names.clear();
  for (int j = i; j < FileListBox1->count() && j < i + most; ++j)
    names.push_back(FileListBox1->item(j));
}

int TGetImgForm::LoaderPixelFiles() const { return FResidency->nearThumbs(gridView()); }

bool TGetImgForm::LoaderListed(int i, const std::string& name) const {
  return i < FileListBox1->count() && FileListBox1->item(i) == name;
}

void TGetImgForm::LoaderFileNames(std::string& folder, std::vector<std::string>& names) {
  folder = FileListBox1->directory();
  names = FileListBox1->items();
}

void TGetImgForm::LoaderAddThumb(int i, const std::string& name, Bitmap thumb) {
  // One unit: the re-layout never sees FLastThumb ahead of its control.
  const int t = FLastThumb + 1;
  ThumbControl* control = nullptr;
  try {
    FThumbs.resize(static_cast<std::size_t>(thumbCapacityFor(t, static_cast<int>(FThumbs.size()))));
    // Hidden and in its cell before the panel has it: a new control's
    // default place is the panel's corner, which would be repainted for
    // every thumbnail made however far off the view it goes.
    auto made = std::make_unique<ThumbControl>();
    control = made.get();
    control->setVisible(false);
    const CellPos cell = thumbCell(t, std::max(1, FColumns));
    control->setBounds(cell.left, cell.top - FScrollPos, kThumbSide, kThumbSide);
    filepanel->adoptCell(std::move(made), static_cast<std::size_t>(t));
    control->setShowHint(FShowNames);
    control->setHint(
        QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size()))));
    control->setTag(t);
    control->HelpContext = i;
    control->setCursor(CursorShape::MultiDrag);
    control->onMouseDown = [this](Control& c, const MouseEvent& m) { ThumbMouseDown(c, m); };
    FThumbs[static_cast<std::size_t>(t)] = control;
    // The pixels stay only if the thumbnail lies near the view.
    FResidency->added(t, name, std::move(thumb), gridView());
    FLastThumb = t;
    if (i < static_cast<int>(FListToThumb.size())) FListToThumb[static_cast<std::size_t>(i)] = t;
    control->setVisible(true);
  } catch (...) {
    // A failure after the decode counts as a failed file: no thumbnail.
    if (control != nullptr) filepanel->destroyControl(control);
    if (t < static_cast<int>(FThumbs.size())) FThumbs[static_cast<std::size_t>(t)] = nullptr;
  }
}

void TGetImgForm::LoaderEnd() {
  if (FLastThumb >= 0) {
    const int columns = std::max(1, FColumns);
    const int maximum = scrollMaximum(FLastThumb, columns);
    FScrollPage = std::min(filepanel->height(), maximum);
    ScrollBar1->setRange(0, maximum);
    ScrollBar1->setEnabled(true);
  }
  PlaceLocator();
  setAppStartCursor(false);
  nudgePointer(-1);
  FLoading = false;
}

}  // namespace vistel
