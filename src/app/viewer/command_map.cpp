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

using picture_rect::RectCode;
using picture_rect::Toggle;

void ctrlKey(TForm1& v, int&, const Arg&) {
  v.ShowPanel();
  v.ImgRoll1->setChecked(!v.ImgRoll1->isChecked());
  v.FRollCount = 0;
}

void resize(TForm1& v, int&, const Arg& a) { v.ResizeFrame(std::get<RectCode>(a)); }

// Ctrl+arrow edge moves stop rolling first.
void resizeNoRoll(TForm1& v, int&, const Arg& a) {
  v.ImgRoll1->setChecked(false);
  v.ResizeFrame(std::get<RectCode>(a));
}

void step(TForm1& v, int& key, const Arg& a) {
  if (v.FChooser != nullptr && v.FChooser->StepSelection(std::get<GridStep>(a))) key = 0;
}

void toggleMode(TForm1& v, int&, const Arg& a) { v.ToggleDisplayMode(std::get<Toggle>(a)); }
void toggleLock(TForm1& v, int&, const Arg&) { v.FLockMouse = !v.FLockMouse; }
void chooser(TForm1& v, int&, const Arg&) { v.SelectImg1Click(); }
void help(TForm1& v, int&, const Arg&) { v.Help1Click(); }
void opaque(TForm1& v, int&, const Arg&) { v.OpaqueSwitch(); }
void sendBack(TForm1& v, int&, const Arg&) { v.Back1Click(); }
void fadeIn(TForm1& v, int&, const Arg&) { v.FadeIn(); }
void fadeOut(TForm1& v, int&, const Arg&) { v.FadeOut(); }
void behindBackdrop(TForm1& v, int&, const Arg&) { v.ChooserBehindBackdrop(); }
void backdrop(TForm1& v, int&, const Arg&) { v.BackdropToggle(); }
void chooserOrder(TForm1& v, int&, const Arg&) { v.ChooserOrderSwitch(); }

using enum When;
constexpr Consumes kNo = Consumes::No;
constexpr Consumes kYes = Consumes::Yes;
constexpr Consumes kActs = Consumes::WhenActs;
constexpr Arg kNone{};

constexpr Row kRows[] = {
    {vk::kControl, Any, kNo, ctrlKey, kNone,
     "show the panel; switch rolling (the picture follows the mouse) on or off"},
    {vk::k1, Shift, kNo, toggleMode, Toggle::Proportional,
     "shrink a picture that does not fit, keeping its proportions (on or off)"},
    {vk::k2, Shift, kNo, toggleMode, Toggle::ProportionalStretch,
     "scale the picture to the frame, keeping its proportions (on or off)"},
    {vk::k3, Shift, kNo, toggleMode, Toggle::Stretch,
     "stretch the picture to the frame (on or off)"},
    {vk::kPrior, Shift, kYes, resize, RectCode::ZoomIn, "zoom in"},
    {vk::kNext, Shift, kYes, resize, RectCode::ZoomOut, "zoom out"},
    {vk::kEnd, Shift, kYes, resize, RectCode::NaturalSize, "the picture at its natural size"},
    {vk::kHome, Shift, kYes, toggleLock, kNone, "lock the mouse pointer while rolling (on or off)"},
    {vk::kInsert, Shift, kYes, toggleMode, Toggle::Center, "centre the picture (on or off)"},
    {vk::kEscape, Any, kNo, opaque, kNone, "opaque or translucent"},
    {vk::kMenu, Any, kNo, chooser, kNone, "show or hide the image chooser"},
    {vk::kF1, Any, kNo, help, kNone, "show or hide the help window"},
    {vk::kF2, Any, kNo, sendBack, kNone,
     "send the viewer behind other windows; a click on its notification-area icon brings it back"},
    {vk::kF3, Any, kNo, fadeIn, kNone,
     "less see-through, one step (after opaque, wraps to invisible)"},
    {vk::kF4, Any, kNo, fadeOut, kNone,
     "more see-through, one step (after invisible, wraps to opaque)"},
    {vk::kUp, Shift, kYes, resize, RectCode::TopUp, "move the picture's top edge up"},
    {vk::kDown, Shift, kYes, resize, RectCode::TopDown, "move the picture's top edge down"},
    {vk::kLeft, Shift, kYes, resize, RectCode::LeftLeft, "move the picture's left edge left"},
    {vk::kRight, Shift, kYes, resize, RectCode::LeftRight, "move the picture's left edge right"},
    {vk::kUp, Ctrl, kYes, resizeNoRoll, RectCode::BottomUp,
     "stop rolling; move the picture's bottom edge up"},
    {vk::kDown, Ctrl, kYes, resizeNoRoll, RectCode::BottomDown,
     "stop rolling; move the picture's bottom edge down"},
    {vk::kLeft, Ctrl, kYes, resizeNoRoll, RectCode::RightLeft,
     "stop rolling; move the picture's right edge left"},
    {vk::kRight, Ctrl, kYes, resizeNoRoll, RectCode::RightRight,
     "stop rolling; move the picture's right edge right"},
    {vk::kUp, Any, kActs, step, GridStep::Up, "in the thumbnail grid: show the picture one row up"},
    {vk::kDown, Any, kActs, step, GridStep::Down,
     "in the thumbnail grid: show the picture one row down"},
    {vk::kLeft, Any, kActs, step, GridStep::Back,
     "in the thumbnail grid: show the previous picture"},
    {vk::kRight, Any, kActs, step, GridStep::On, "in the thumbnail grid: show the next picture"},
    {vk::kF7, Any, kNo, behindBackdrop, kNone, "put the image chooser behind the black backdrop"},
    {vk::kF6, Any, kNo, backdrop, kNone, "show or hide a black backdrop behind the viewer"},
    {vk::kF5, Any, kNo, chooserOrder, kNone,
     "put the image chooser behind or in front of the picture"},
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
  if (row->run != nullptr) row->run(*this, key, row->arg);
  if (row->consumes == command_map::Consumes::Yes) key = 0;
}

}  // namespace vistel
