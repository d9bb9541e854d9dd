// Showing and hiding the chooser over the viewer, and the picture-name hints
// of its thumbnails.
#include "chooser/get_img_form.h"
#include "viewer/form1.h"
#include "windows/desktop.h"
#include "windows/platform.h"

namespace vistel {

void TForm1::SelectImg1Click() {
  // One restacking for the whole command, sent when it is done.
  const Desktop::MirrorHold hold(desktop());
  try {
    TGetImgForm* c = FChooser;
    if (FChooserShown) {
      FChooserShown = false;
      c->wholepanel->setVisible(false);
      c->setVisible(false);
      return;
    }
    FChooserShown = true;
    c->setVisible(true);
    c->setPosition(left(), top());
    c->setWindowPos(InsertAfter::top(), true);
    c->wholepanel->setVisible(true);
    if (c->listViewShowing()) {
      c->FileListBox1->setFocus();
    } else {
      // The viewer keeps the keys, so the arrows reach the thumbnail
      // stepping; the chooser stays above it.
      activate();
      c->setWindowPos(InsertAfter::top(), false);
    }
    platform::flushWindowSystem();
  } catch (...) {
    // The toggle swallows any failure and leaves things as far as it got.
  }
}

void TForm1::ImgName1Click() {
  TGetImgForm* c = FChooser;
  if (c == nullptr || c->FLoading) return;
  ImgName1->setChecked(!ImgName1->isChecked());
  c->ShowThumbNames(ImgName1->isChecked());
}

}  // namespace vistel
