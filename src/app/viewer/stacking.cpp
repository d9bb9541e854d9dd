// How see-through the device is and how it lies among the other windows:
// fading, the opaque switch, the chooser's order, the black backdrop,
// sending the set back and bringing it forward again.
#include <QSystemTrayIcon>

#include "backdrop/form3.h"
#include "chooser/get_img_form.h"
#include "device/window_attributes.h"
#include "help/help_form.h"
#include "panel/form2.h"
#include "viewer/form1.h"
#include "windows/desktop.h"

namespace vistel {

void TForm1::SetFadeLevel(int level) {
  // The panel and the chooser always share the viewer's level.
  for (Form* f : std::initializer_list<Form*>{this, FPanel, FChooser}) f->setAlphaBlendValue(level);
}

void TForm1::FadeIn() {
  int level = alphaBlendValue() + 15;
  if (level > 255) level = 0;
  SetFadeLevel(level);
}

void TForm1::FadeOut() {
  int level = alphaBlendValue() - 15;
  if (level < 0) level = 255;
  SetFadeLevel(level);
}

void TForm1::OpaqueSwitch() {
  if (!FState.opaque) {
    // Opaque; the colour keys stay in force.
    for (Form* f : std::initializer_list<Form*>{this, FPanel, FChooser}) f->setAlphaBlend(false);
    FState.opaque = true;
    return;
  }
  // Back to translucent, always at the start level.
  SetFadeLevel(kDeviceAlpha);
  for (Form* f : std::initializer_list<Form*>{this, FPanel, FChooser}) f->setAlphaBlend(true);
  FState.opaque = false;
}

void TForm1::ChooserOrderSwitch() {
  if (!FChooserShown) return;
  // One restacking for the whole command, sent when it is done.
  const Desktop::MirrorHold hold(desktop());
  if (!FState.chooserBehind) {
    // Behind the picture: panel, viewer, chooser from the top, chooser active.
    FState.chooserBehind = true;
    FChooser->setWindowPos(InsertAfter::top(), true);
    setWindowPos(InsertAfter::top(), false);
    FPanel->setWindowPos(InsertAfter::top(), false);
  } else {
    // In front of the picture: panel, chooser, viewer from the top.
    FState.chooserBehind = false;
    setWindowPos(InsertAfter::top(), false);
    FChooser->setWindowPos(InsertAfter::top(), false);
    FPanel->setWindowPos(InsertAfter::top(), false);
  }
}

void TForm1::ReturnFocus() {
  if (!FChooserShown) {
    activate();
    return;
  }
  FChooser->activate();
  if (FChooser->listViewShowing()) FChooser->FileListBox1->setFocus();
}

void TForm1::BackdropToggle() {
  // One restacking for the whole command, sent when it is done.
  const Desktop::MirrorHold hold(desktop());
  if (FBackdrop != nullptr) {
    FBackdrop->closeBackdrop();
    FBackdrop = nullptr;
    ReturnFocus();
    return;
  }
  FBackdrop = new TForm3();
  ConnectBackdrop(*FBackdrop);
  FBackdrop->setPosition(left(), top());
  FBackdrop->setVisible(true);
  // The viewer directly below the panel, the backdrop directly below it.
  setWindowPos(InsertAfter::below(FPanel->windowId()), false);
  FBackdrop->setWindowPos(InsertAfter::below(windowId()), false);
  ReturnFocus();
}

void TForm1::ChooserBehindBackdrop() {
  if (FBackdrop == nullptr || !FChooser->visible()) return;
  FChooser->setWindowPos(InsertAfter::below(FBackdrop->windowId()), false);
}

void TForm1::Back1Click() {
  const Desktop::MirrorHold hold(desktop());
  // One batch: the four leave the stay-on-top band and lie above all
  // ordinary windows.
  desktop().stack().applyBatch({{windowId(), InsertAfter::noTopmost(), false},
                                {FChooser->windowId(), InsertAfter::noTopmost(), false},
                                {FHelpForm->windowId(), InsertAfter::noTopmost(), false},
                                {FPanel->windowId(), InsertAfter::noTopmost(), false}});
  FChooser->wholepanel->hide();
  FChooser->setVisible(false);
  FHelpForm->setVisible(false);
  FChooserShown = false;
  FPanelShown = false;
  // The panel and the viewer are hidden and back on the screen without
  // being activated, their own visibility flags off until the next
  // activation sets them.
  FPanel->hideLeavingOnScreen();
  hideLeavingOnScreen();
  showNoActivate();
  FPanel->showNoActivate();
  AddIcon();
}

void TForm1::WMActivateApp(bool active) {
  if (FState.iconShown) DeleteIcon();
  if (FClosing || FChooser == nullptr || FHelpForm == nullptr || !active) return;
  const Desktop::MirrorHold hold(desktop());
  desktop().stack().applyBatch({{windowId(), InsertAfter::topmost(), false},
                                {FChooser->windowId(), InsertAfter::topmost(), false},
                                {FHelpForm->windowId(), InsertAfter::topmost(), false},
                                {FPanel->windowId(), InsertAfter::topmost(), false}});
  setVisible(true);
  FPanel->setVisible(true);
}

void TForm1::WMTrayIcon() {
  DeleteIcon();
  const Desktop::MirrorHold hold(desktop());
  // Activating the viewer activates the application, which restores the
  // stacking; the chooser toggled twice lands where the viewer is.
  setVisible(true);
  setWindowPos(InsertAfter::top(), true);
  SelectImg1Click();
  SelectImg1Click();
}

}  // namespace vistel
