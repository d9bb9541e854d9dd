// The viewer's side of the picture rectangle: applies the arithmetic of
// picture_rect.h to ImgBottoMov, keeps the panel's guide lines on its edges,
// and changes the zoom and centring state that the panel's labels show.
#include "chooser/get_img_form.h"
#include "panel/form2.h"
#include "viewer/form1.h"
#include "viewer/picture_rect.h"

namespace vistel {
namespace {

picture_rect::Frame frameOf(const Control& c) { return {c.left(), c.top(), c.width(), c.height()}; }

void setFontColor(Label& l, Rgb c) {
  LabelFont f = l.font();
  f.color = c;
  l.setFont(f);
}

constexpr Rgb kGreen = 0x008000;
constexpr Rgb kRed = 0xFF0000;

}  // namespace

void TForm1::ResizeFrame(picture_rect::RectCode code) {
  using namespace picture_rect;
  if (code == RectCode::NaturalSize) {
    if (ImgBottoMov->autoSize()) return;
    ImgBottoMov->setAutoSize(true);  // takes the picture's natural size
    ImgBottoMov->setProportional(false);
    ImgBottoMov->setStretch(false);
    FState.zoom = ZoomMode::FullSize;
    ShowState();
    CenterFrame();
    SyncGuides();
    return;
  }
  // Even when nothing else changes, the control stops following the
  // picture's size.
  ImgBottoMov->setAutoSize(false);
  const std::optional<Frame> n =
      resized(frameOf(*ImgBottoMov), code, FAspect, clientWidth(), clientHeight());
  if (!n) return;
  ImgBottoMov->setBounds(n->left, n->top, n->width, n->height);
  SyncGuides();
  if (FState.zoom == ZoomMode::FullSize) {
    FState.zoom = ZoomMode::Cropped;
    ShowState();
  }
}

void TForm1::ShowState() {
  if (FPanel == nullptr) return;
  FPanel->FZoom->setCaption(QString::fromUtf8(zoomCaption(FState.zoom)));
  FPanel->FCenter->setCaption(QString::fromUtf8(centreCaption(FState.centred)));
  // The "+" switch is red while the lines are shown, green while not.
  setFontColor(*FPanel->LabLine4, FState.guides ? kRed : kGreen);
  for (Bevel* b : {FPanel->BeLeft, FPanel->BeRight, FPanel->BeTop, FPanel->BeBottom})
    b->setVisible(FState.guides);
}

void TForm1::GuidesSwitch() {
  FState.guides = !FState.guides;
  // Shown lines start on the picture's edges.
  if (FState.guides) SyncGuides();
  ShowState();
}

void TForm1::CentringSwitch() {
  ImgBottoMov->setCenter(!ImgBottoMov->center());
  FState.centred = ImgBottoMov->center();
  ShowState();
}

bool TForm1::WholePictureSwitch() {
  PictureControl& picture = *ImgBottoMov;
  if (!FState.wholePicture) {
    FState.wholePicture = true;
    picture.setAutoSize(false);
    picture.setProportional(true);
    picture.setStretch(false);
    picture.setCenter(true);
    FState.centred = true;
    FState.zoom = ZoomMode::WholePicture;
    ShowState();
    PlaceWholePicture();
    SyncGuides();
    return true;
  }
  FState.wholePicture = false;
  if (picture.autoSize()) return false;
  picture.setAutoSize(true);
  picture.setProportional(false);
  picture.setStretch(false);
  FState.zoom = ZoomMode::FullSize;
  ShowState();
  CenterFrame();
  SyncGuides();
  return true;
}

void TForm1::SyncGuides() {
  // Left and top lines on the first column and row, right and bottom lines
  // one pixel past the last; hidden lines move too.
  const int l = ImgBottoMov->left();
  const int t = ImgBottoMov->top();
  FPanel->BeLeft->setLeft(l);
  FPanel->BeRight->setLeft(l + ImgBottoMov->width());
  FPanel->BeTop->setTop(t);
  FPanel->BeBottom->setTop(t + ImgBottoMov->height());
}

void TForm1::CenterFrame() {
  const picture_rect::Frame f =
      picture_rect::centred(frameOf(*ImgBottoMov), clientWidth(), clientHeight());
  ImgBottoMov->setBounds(f.left, f.top, f.width, f.height);
}

void TForm1::PlaceWholePicture() {
  const picture_rect::Frame f = picture_rect::wholePicture(FAspect);
  ImgBottoMov->setBounds(f.left, f.top, f.width, f.height);
}

void TForm1::ResetView() {
  ImgRoll1->setChecked(false);
  FTracking = false;
  FLockMouse = false;
  // The chooser's folder side goes back to its layout width with the view.
  FChooser->setTreeWidth(95);
  CenterFrame();
  SyncGuides();
}

void TForm1::ToggleDisplayMode(picture_rect::Toggle which) {
  const picture_rect::DisplayFlags now{ImgBottoMov->autoSize(), ImgBottoMov->stretch(),
                                       ImgBottoMov->proportional(), ImgBottoMov->center()};
  const auto r = picture_rect::toggled(now, which);
  if (!r) return;
  ImgBottoMov->setStretch(r->flags.stretch);
  ImgBottoMov->setProportional(r->flags.proportional);
  ImgBottoMov->setCenter(r->flags.center);
  if (r->zoomLabel)
    FState.zoom = r->zoom;
  else
    FState.centred = r->flags.center;
  ShowState();
}

}  // namespace vistel
