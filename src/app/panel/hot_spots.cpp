// The panel's hot spots (keys of the command map), the arrow pads (edge
// moves repeated while held), the "+" guide-line switch and the
// whole-picture switch.

#include "chooser/get_img_form.h"
#include "panel/form2.h"
#include "viewer/form1.h"
#include "viewer/picture_rect.h"
#include "windows/key_codes.h"
#include "windows/platform.h"

namespace vistel {
namespace {

constexpr Rgb kYellow = 0xFFFF00;
constexpr Rgb kWindowText = kBlack;
// Pause between two steps of a held pad: more than 10 ms.
constexpr int kRepeatPauseMs = 11;

struct SynthesisedKey {
  int key;
  int shift;
};

// Hot spot tag 1..13 to the key it stands for.
constexpr SynthesisedKey kHotSpotKeys[] = {
    {vk::kF6, 0},        {vk::kF7, 0},      {vk::kMenu, 0},      {vk::kF5, 0},
    {vk::kEscape, 0},    {vk::kControl, 0}, {vk::kHome, kShift}, {vk::k1, kShift},
    {vk::k2, kShift},    {vk::k3, kShift},  {vk::kEnd, kShift},  {vk::kPrior, kShift},
    {vk::kNext, kShift},
};

void setFontColor(Label& l, Rgb c) {
  LabelFont f = l.font();
  f.color = c;
  l.setFont(f);
}

}  // namespace

void TForm2::wireHotSpots() {
  holdTimer_.setInterval(kRepeatPauseMs);
  holdTimer_.setTimerType(Qt::PreciseTimer);
  connect(&holdTimer_, &QTimer::timeout, this, &TForm2::PadHoldTick);
  LabLine4->onClick = [this](Control&) { LabLine4Click(); };
  for (Label* pad : {LabCenter, LabLeft, LabRight, LabBottom, LabTop}) {
    pad->onMouseEnter = [this](Control& c) { LabLeftMouseEnter(c); };
    pad->onMouseLeave = [this](Control& c) { LabLeftMouseLeave(c); };
    pad->onMouseDown = [this](Control& c, const MouseEvent& e) { LabLeftMouseDown(c, e); };
    pad->onMouseUp = [this](Control&, const MouseEvent&) { LabLeftMouseUp(); };
    pad->onPressLost = [this](Control&) { LabLeftMouseUp(); };
  }
  for (Label* spot : {LabF6, LabF7, LabAlt, LabF5, LabEsc, LabCtrl, LabShfHm, LabShf1, LabShf2,
                      LabShf3, LabShfEnd, LabShfPu, LabShfPd}) {
    spot->onClick = [this](Control& c) { LabF6Click(c); };
    spot->onMouseEnter = [this](Control& c) { LabF6MouseEnter(c); };
    spot->onMouseLeave = [this](Control& c) { LabF6MouseLeave(c); };
  }
  WholeImg->onClick = [this](Control&) { WholeImgClick(); };
  WholeImg->onMouseEnter = [this](Control& c) { LabF6MouseEnter(c); };
  WholeImg->onMouseLeave = [this](Control& c) { LabF6MouseLeave(c); };
}

void TForm2::FocusHandBack() {
  // To the chooser's file list; when the chooser or the list is not shown
  // nothing happens.
  TGetImgForm* chooser = Form1->FChooser;
  if (chooser == nullptr || !chooser->visible()) return;
  auto* list = chooser->findChild<QWidget*>(QStringLiteral("FileListBox1"));
  if (list == nullptr || !list->isVisible()) return;
  chooser->activate();
  list->setFocus();
}

void TForm2::LabLine4Click() {
  Form1->GuidesSwitch();
  FocusHandBack();
}

void TForm2::LabLeftMouseEnter(Control& pad) {
  auto& l = static_cast<Label&>(pad);
  if (l.tag() == 5)
    l.setTransparent(false);
  else
    setFontColor(l, kYellow);
}

void TForm2::LabLeftMouseLeave(Control& pad) {
  auto& l = static_cast<Label&>(pad);
  if (l.tag() == 5)
    l.setTransparent(true);
  else
    setFontColor(l, kWindowText);
}

void TForm2::LabLeftMouseDown(Control& pad, const MouseEvent& e) {
  // The first step at the press, then one more every pause until the hold
  // ends: at the release, or when the press is lost.
  holdTag_ = pad.tag();
  holdButton_ = e.button;
  FRepeating = true;
  PadStep();
  if (FRepeating) holdTimer_.start();
}

void TForm2::PadStep() {
  using namespace picture_rect;
  // Left button moves the top or left edge, right button the bottom or
  // right one; tag 1 up, 2 down, 3 left, 4 right, 5 the centre toggle.
  static constexpr int kLeftCodes[] = {kTopUp, kTopDown, kLeftLeft, kLeftRight};
  static constexpr int kRightCodes[] = {kBottomUp, kBottomDown, kRightLeft, kRightRight};
  const int tag = holdTag_;
  if (holdButton_ == MouseButton::Left && tag >= 1 && tag <= 4) {
    Form1->ResizeFrame(kLeftCodes[tag - 1]);
  } else if (holdButton_ == MouseButton::Right && tag >= 1 && tag <= 4) {
    Form1->ResizeFrame(kRightCodes[tag - 1]);
  } else if (holdButton_ == MouseButton::Left && tag == 5) {
    Form1->CentringSwitch();
  }
}

void TForm2::PadHoldTick() {
  // A release that never reached us (the button let go over another
  // program's window) ends the hold as well.
  if (!FRepeating || !platform::mouseButtonsDown()) {
    LabLeftMouseUp();
    return;
  }
  PadStep();
}

void TForm2::LabLeftMouseUp() {
  FRepeating = false;
  holdTimer_.stop();
}

void TForm2::LabF6MouseEnter(Control& spot) { static_cast<Label&>(spot).setTransparent(false); }

void TForm2::LabF6MouseLeave(Control& spot) { static_cast<Label&>(spot).setTransparent(true); }

void TForm2::LabF6Click(Control& spot) {
  FocusHandBack();
  const int tag = spot.tag();
  if (tag < 1 || tag > 13) return;
  int key = kHotSpotKeys[tag - 1].key;
  Form1->FormKeyDown(nullptr, key, kHotSpotKeys[tag - 1].shift);
  if (key != vk::kControl) return;
  PictureControl& picture = *Form1->ImgBottoMov;
  if (Form1->ImgRoll1->isChecked()) {
    // Rolling starts from the picture's centre.
    const QPoint centre(picture.left() + picture.width() / 2, picture.top() + picture.height() / 2);
    platform::setCursorPos(Form1->mapToGlobal(centre));
  } else {
    Form1->CenterFrame();
    Form1->SyncGuides();
  }
}

void TForm2::WholeImgClick() {
  if (Form1->WholePictureSwitch()) FocusHandBack();
}

}  // namespace vistel
