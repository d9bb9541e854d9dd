// The panel's hot spots (keys of the command map), the arrow pads (edge
// moves repeated while held), the "+" guide-line switch and the
// whole-picture switch.

#include "panel/form2.h"
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
  if (events.focusFileList) events.focusFileList();
}

void TForm2::LabLine4Click() {
  if (events.guidesSwitch) events.guidesSwitch();
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
  // Tag 1 up, 2 down, 3 left, 4 right, 5 the centre toggle (left button
  // only).
  const int tag = holdTag_;
  if (tag >= 1 && tag <= 4) {
    if (events.padStep) events.padStep(tag, holdButton_);
  } else if (holdButton_ == MouseButton::Left && tag == 5) {
    if (events.centreSwitch) events.centreSwitch();
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
  if (events.hotSpot) events.hotSpot(kHotSpotKeys[tag - 1].key, kHotSpotKeys[tag - 1].shift);
}

void TForm2::WholeImgClick() {
  if (events.wholePictureSwitch && events.wholePictureSwitch()) FocusHandBack();
}

}  // namespace vistel
