// The panel's hot spots (keys of the command map), the arrow pads (edge
// moves repeated while held), the "+" guide-line switch and the
// whole-picture switch.

#include <algorithm>
#include <iterator>

#include "panel/form2.h"
#include "windows/key_codes.h"
#include "windows/platform.h"

namespace vistel {
namespace {

constexpr Rgb kYellow = 0xFFFF00;
constexpr Rgb kWindowText = kBlack;
// Pause between two steps of a held pad: more than 10 ms.
constexpr int kRepeatPauseMs = 11;

// Each hot spot and the key it stands for.
struct HotSpotRow {
  Label* TForm2::*spot;
  int key;
  int shift;
};
constexpr HotSpotRow kHotSpots[] = {
    {&TForm2::LabF6, vk::kF6, 0},           {&TForm2::LabF7, vk::kF7, 0},
    {&TForm2::LabAlt, vk::kMenu, 0},        {&TForm2::LabF5, vk::kF5, 0},
    {&TForm2::LabEsc, vk::kEscape, 0},      {&TForm2::LabCtrl, vk::kControl, 0},
    {&TForm2::LabShfHm, vk::kHome, kShift}, {&TForm2::LabShf1, vk::k1, kShift},
    {&TForm2::LabShf2, vk::k2, kShift},     {&TForm2::LabShf3, vk::k3, kShift},
    {&TForm2::LabShfEnd, vk::kEnd, kShift}, {&TForm2::LabShfPu, vk::kPrior, kShift},
    {&TForm2::LabShfPd, vk::kNext, kShift},
};

// Each arrow pad and what it does.
struct PadRow {
  Label* TForm2::*pad;
  Pad which;
};
constexpr PadRow kPads[] = {
    {&TForm2::LabCenter, Pad::Centre}, {&TForm2::LabLeft, Pad::Left},
    {&TForm2::LabRight, Pad::Right},   {&TForm2::LabBottom, Pad::Down},
    {&TForm2::LabTop, Pad::Up},
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
  for (const PadRow& row : kPads) {
    Label* pad = this->*row.pad;
    pad->onMouseEnter = [this](Control& c) { LabLeftMouseEnter(c); };
    pad->onMouseLeave = [this](Control& c) { LabLeftMouseLeave(c); };
    pad->onMouseDown = [this](Control& c, const MouseEvent& e) { LabLeftMouseDown(c, e); };
    pad->onMouseUp = [this](Control&, const MouseEvent&) { LabLeftMouseUp(); };
    pad->onPressLost = [this](Control&) { LabLeftMouseUp(); };
  }
  for (const HotSpotRow& row : kHotSpots) {
    Label* spot = this->*row.spot;
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
  if (&l == LabCenter)
    l.setTransparent(false);
  else
    setFontColor(l, kYellow);
}

void TForm2::LabLeftMouseLeave(Control& pad) {
  auto& l = static_cast<Label&>(pad);
  if (&l == LabCenter)
    l.setTransparent(true);
  else
    setFontColor(l, kWindowText);
}

void TForm2::LabLeftMouseDown(Control& pad, const MouseEvent& e) {
  // The first step at the press, then one more every pause until the hold
  // ends: at the release, or when the press is lost.
  const auto row = std::find_if(std::begin(kPads), std::end(kPads),
                                [&](const PadRow& r) { return this->*r.pad == &pad; });
  if (row == std::end(kPads)) return;
  holdPad_ = row->which;
  holdButton_ = e.button;
  FRepeating = true;
  PadStep();
  if (FRepeating) holdTimer_.start();
}

void TForm2::PadStep() {
  // The centre pad answers the left button only.
  if (holdPad_ != Pad::Centre) {
    if (events.padStep) events.padStep(holdPad_, holdButton_);
  } else if (holdButton_ == MouseButton::Left) {
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
  for (const HotSpotRow& row : kHotSpots) {
    if (this->*row.spot != &spot) continue;
    if (events.hotSpot) events.hotSpot(row.key, row.shift);
    return;
  }
}

void TForm2::WholeImgClick() {
  if (events.wholePictureSwitch && events.wholePictureSwitch()) FocusHandBack();
}

}  // namespace vistel
