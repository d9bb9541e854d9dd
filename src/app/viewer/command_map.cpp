// The command map of the whole window set: the viewer's key handler, which
// the panel and the chooser hand their keys to, and the panel's hot spots
// call with keys of their own making.
#include "viewer/command_map.h"

#include "chooser/get_img_form.h"
#include "controls/control.h"
#include "viewer/form1.h"
#include "viewer/picture_rect.h"
#include "windows/key_codes.h"

namespace vistel::command_map {
namespace {

using picture_rect::kBottomDown;
using picture_rect::kBottomUp;
using picture_rect::kLeftLeft;
using picture_rect::kLeftRight;
using picture_rect::kNaturalSize;
using picture_rect::kRightLeft;
using picture_rect::kRightRight;
using picture_rect::kTopDown;
using picture_rect::kTopUp;
using picture_rect::kZoomIn;
using picture_rect::kZoomOut;

void ctrlKey(TForm1& v, int&) {
  v.ShowPanel();
  v.ImgRoll1->setChecked(!v.ImgRoll1->isChecked());
  v.FRollCount = 0;
}

template <int Code>
void resize(TForm1& v, int&) {
  v.ResizeFrame(Code);
}

// Ctrl+arrow edge moves stop rolling first.
template <int Code>
void resizeNoRoll(TForm1& v, int&) {
  v.ImgRoll1->setChecked(false);
  v.ResizeFrame(Code);
}

template <int Direction>
void step(TForm1& v, int& key) {
  if (v.FChooser != nullptr && v.FChooser->StepSelection(Direction)) key = 0;
}

void toggleMode(TForm1& v, int& key) { v.ToggleDisplayMode(key); }
void toggleLock(TForm1& v, int&) { v.FLockMouse = !v.FLockMouse; }
void chooser(TForm1& v, int&) { v.SelectImg1Click(); }
void help(TForm1& v, int&) { v.Help1Click(); }
void opaque(TForm1& v, int&) { v.OpaqueSwitch(); }
void sendBack(TForm1& v, int&) { v.Back1Click(); }
void fadeIn(TForm1& v, int&) { v.FadeIn(); }
void fadeOut(TForm1& v, int&) { v.FadeOut(); }
void behindBackdrop(TForm1& v, int&) { v.ChooserBehindBackdrop(); }
void backdrop(TForm1& v, int&) { v.BackdropToggle(); }
void chooserOrder(TForm1& v, int&) { v.ChooserOrderSwitch(); }

using enum When;
constexpr Consumes kNo = Consumes::No;
constexpr Consumes kYes = Consumes::Yes;
constexpr Consumes kActs = Consumes::WhenActs;

constexpr Row kRows[] = {
    {vk::kControl, Any, kNo, ctrlKey,
     "show the panel; switch rolling (the picture follows the mouse) on or off"},
    {vk::k1, Shift, kNo, toggleMode,
     "shrink a picture that does not fit, keeping its proportions (on or off)"},
    {vk::k2, Shift, kNo, toggleMode,
     "scale the picture to the frame, keeping its proportions (on or off)"},
    {vk::k3, Shift, kNo, toggleMode, "stretch the picture to the frame (on or off)"},
    {vk::kPrior, Shift, kYes, resize<kZoomIn>, "zoom in"},
    {vk::kNext, Shift, kYes, resize<kZoomOut>, "zoom out"},
    {vk::kEnd, Shift, kYes, resize<kNaturalSize>, "the picture at its natural size"},
    {vk::kHome, Shift, kYes, toggleLock, "lock the mouse pointer while rolling (on or off)"},
    {vk::kInsert, Shift, kYes, toggleMode, "centre the picture (on or off)"},
    {vk::kEscape, Any, kNo, opaque, "opaque or translucent"},
    {vk::kMenu, Any, kNo, chooser, "show or hide the image chooser"},
    {vk::kF1, Any, kNo, help, "show or hide the help window"},
    {vk::kF2, Any, kNo, sendBack,
     "send the viewer behind other windows; a click on its notification-area icon brings it back"},
    {vk::kF3, Any, kNo, fadeIn, "less see-through, one step (after opaque, wraps to invisible)"},
    {vk::kF4, Any, kNo, fadeOut, "more see-through, one step (after invisible, wraps to opaque)"},
    {vk::kUp, Shift, kYes, resize<kTopUp>, "move the picture's top edge up"},
    {vk::kDown, Shift, kYes, resize<kTopDown>, "move the picture's top edge down"},
    {vk::kLeft, Shift, kYes, resize<kLeftLeft>, "move the picture's left edge left"},
    {vk::kRight, Shift, kYes, resize<kLeftRight>, "move the picture's left edge right"},
    {vk::kUp, Ctrl, kYes, resizeNoRoll<kBottomUp>,
     "stop rolling; move the picture's bottom edge up"},
    {vk::kDown, Ctrl, kYes, resizeNoRoll<kBottomDown>,
     "stop rolling; move the picture's bottom edge down"},
    {vk::kLeft, Ctrl, kYes, resizeNoRoll<kRightLeft>,
     "stop rolling; move the picture's right edge left"},
    {vk::kRight, Ctrl, kYes, resizeNoRoll<kRightRight>,
     "stop rolling; move the picture's right edge right"},
    {vk::kUp, Any, kActs, step<1>, "in the thumbnail grid: show the picture one row up"},
    {vk::kDown, Any, kActs, step<2>, "in the thumbnail grid: show the picture one row down"},
    {vk::kLeft, Any, kActs, step<3>, "in the thumbnail grid: show the previous picture"},
    {vk::kRight, Any, kActs, step<4>, "in the thumbnail grid: show the next picture"},
    {vk::kF7, Any, kNo, behindBackdrop, "put the image chooser behind the black backdrop"},
    {vk::kF6, Any, kNo, backdrop, "show or hide a black backdrop behind the viewer"},
    {vk::kF5, Any, kNo, chooserOrder, "put the image chooser behind or in front of the picture"},
};

bool holds(When when, int shift) {
  switch (when) {
    case Any:
      return true;
    case Shift:
      return (shift & kShift) != 0;
    case Ctrl:
      return (shift & kCtrl) != 0;
  }
  return false;
}

}  // namespace

std::span<const Row> rows() { return kRows; }

const Row* match(int key, int shift) {
  for (const Row& row : kRows) {
    if (row.key == key && holds(row.when, shift)) return &row;
  }
  return nullptr;
}

}  // namespace vistel::command_map

namespace vistel {

void TForm1::FormKeyDown(QObject*, int& key, int shift) {
  const command_map::Row* row = command_map::match(key, shift);
  if (row == nullptr) return;
  if (row->run != nullptr) row->run(*this, key);
  if (row->consumes == command_map::Consumes::Yes) key = 0;
}

}  // namespace vistel
