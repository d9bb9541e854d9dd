// The one place where the windows of the set are connected: the panel, the
// chooser and the backdrop say what happened through their events, and the
// viewer, which holds them, decides what that does. None of them knows
// another window.
#include "backdrop/form3.h"
#include "chooser/get_img_form.h"
#include "panel/form2.h"
#include "viewer/form1.h"
#include "viewer/picture_rect.h"
#include "windows/key_codes.h"
#include "windows/platform.h"

namespace vistel {

void TForm1::ConnectWindows() {
  auto key = [this](QObject* sender, int& k, int shift) { FormKeyDown(sender, k, shift); };

  TForm2::Events& panel = FPanel->events;
  panel.key = key;
  panel.skinDown = [this](Control& c, const MouseEvent& m) {
    ImgBorderMouseDown(c, m.button, m.shift, m.x, m.y);
  };
  panel.skinMove = [this](Control& c, const MouseEvent& m) {
    ImgBorderMouseMove(c, m.shift, m.x, m.y);
  };
  panel.skinUp = [this](Control& c, const MouseEvent& m) {
    ImgBorderMouseUp(c, m.button, m.shift, m.x, m.y);
  };
  // A double click on the skin sends the set back.
  panel.skinDoubleClick = [this] { Back1Click(); };
  panel.padStep = [this](Pad pad, MouseButton b) { PadStep(pad, b); };
  panel.centreSwitch = [this] { CentringSwitch(); };
  panel.guidesSwitch = [this] { GuidesSwitch(); };
  panel.wholePictureSwitch = [this] { return WholePictureSwitch(); };
  panel.hotSpot = [this](int k, int shift) { HotSpotKey(k, shift); };
  panel.focusFileList = [this] { FChooser->focusFileList(); };

  TGetImgForm::Events& chooser = FChooser->events;
  chooser.key = key;
  chooser.showPicture = [this](const std::string& path) { return ShowChosenPicture(path); };
}

void TForm1::ConnectBackdrop(TForm3& backdrop) {
  backdrop.events.closedByKey = [this, b = &backdrop] {
    if (FBackdrop == b) FBackdrop = nullptr;
  };
}

bool TForm1::ShowChosenPicture(const std::string& path) {
  // Any failure leaves the previous picture, FAspect and the guide lines as
  // they were.
  PictureControl& picture = *ImgBottoMov;
  picture.loadFromFile(path);
  const int w = picture.pictureWidth();
  const int h = picture.pictureHeight();
  if (w == 0) return false;
  FAspect = static_cast<double>(h) / static_cast<double>(w);
  // The whole-picture and natural-size modes place the new picture; any
  // other mode leaves the rectangle where it was.
  if (FState.zoom == ZoomMode::WholePicture) {
    PlaceWholePicture();
  } else if (FState.zoom == ZoomMode::FullSize) {
    CenterFrame();
  }
  SyncGuides();
  return true;
}

void TForm1::HotSpotKey(int key, int shift) {
  FormKeyDown(nullptr, key, shift);
  if (key != vk::kControl) return;
  PictureControl& picture = *ImgBottoMov;
  if (ImgRoll1->isChecked()) {
    // Rolling starts from the picture's centre.
    const QPoint centre(picture.left() + picture.width() / 2, picture.top() + picture.height() / 2);
    platform::setCursorPos(mapToGlobal(centre));
  } else {
    CenterFrame();
    SyncGuides();
  }
}

void TForm1::PadStep(Pad pad, MouseButton button) {
  using picture_rect::RectCode;
  struct PadRow {
    Pad pad;
    RectCode left;   // the left button's edge move
    RectCode right;  // the right button's
  };
  static constexpr PadRow kPadRows[] = {
      {Pad::Up, RectCode::TopUp, RectCode::BottomUp},
      {Pad::Down, RectCode::TopDown, RectCode::BottomDown},
      {Pad::Left, RectCode::LeftLeft, RectCode::RightLeft},
      {Pad::Right, RectCode::LeftRight, RectCode::RightRight},
  };
  for (const PadRow& row : kPadRows) {
    if (row.pad != pad) continue;
    if (button == MouseButton::Left) ResizeFrame(row.left);
    if (button == MouseButton::Right) ResizeFrame(row.right);
    return;
  }
}

}  // namespace vistel
