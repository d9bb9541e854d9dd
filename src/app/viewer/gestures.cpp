// Mouse gestures on the viewer's frame mask, its skin copy and the panel's
// skin: dragging the device, sliding the frame over the picture, moving and
// rolling the picture, the both-buttons gesture and the popup menu. Kept
// positions are screen positions; the picture rectangle is in viewer client
// coordinates.
#include <QGuiApplication>
#include <QMenu>

#include "backdrop/form3.h"
#include "chooser/get_img_form.h"
#include "panel/form2.h"
#include "viewer/form1.h"
#include "windows/desktop.h"
#include "windows/platform.h"

namespace vistel {
namespace {

QPoint toScreen(const Control& surface, int x, int y) {
  auto* form = dynamic_cast<Form*>(surface.host());
  const QPoint client(surface.left() + x, surface.top() + y);
  return form != nullptr ? form->clientToScreen(client) : client;
}

void moveBy(PictureControl& c, int dx, int dy) {
  c.setBounds(c.left() + dx, c.top() + dy, c.width(), c.height());
}

// What a mouse move does, by the buttons and keys held: the first row whose
// flags are all held runs. kRolling stands for the roll mode (the menu's
// check mark), which is no flag of the event.
constexpr int kRolling = 1 << 16;
static_assert((kRolling & (kShift | kCtrl | kAlt | kLeftButton | kRightButton)) == 0);

struct MoveGesture {
  int held;
  void (*run)(TForm1& v, int x, int y);  // x, y on the screen
};

constexpr MoveGesture kMoveGestures[] = {
    {kLeftButton | kRightButton, [](TForm1& v, int, int) { v.BothButtons(); }},
    {kRightButton, [](TForm1& v, int x, int y) { v.DragFrame(x, y); }},
    {kCtrl | kLeftButton, [](TForm1& v, int x, int y) { v.FastDragPicture(x, y); }},
    {kLeftButton, [](TForm1& v, int x, int y) { v.DragWindow(x, y); }},
    {kCtrl, [](TForm1& v, int x, int y) { v.DragPicture(x, y); }},
    {kShift, [](TForm1& v, int, int) { v.ResetView(); }},
    {kRolling, [](TForm1& v, int x, int y) { v.RollPicture(x, y); }},
    {0, [](TForm1& v, int, int) { v.FTracking = false; }},
};

// Hides a window the way the platform's window-position call does: the
// window leaves the screen, but its own visibility flag stays as it was.
void hideKeepingFlag(Form& f) {
  f.QWidget::setVisible(false);
  f.desktop().stack().hide(f.windowId());
}

}  // namespace

void TForm1::ImgBorderMouseDown(Control& surface, MouseButton button, int, int x, int y) {
  const QPoint p = toScreen(surface, x, y);
  FLastX = p.x();
  FLastY = p.y();
  FTracking = true;
  if (button == MouseButton::Left) HidePanel();
}

void TForm1::ImgBorderMouseMove(Control& surface, int shift, int x, int y) {
  const int held = shift | (ImgRoll1->isChecked() ? kRolling : 0);
  for (const MoveGesture& g : kMoveGestures) {
    if ((held & g.held) != g.held) continue;
    const QPoint p = toScreen(surface, x, y);
    g.run(*this, p.x(), p.y());
    return;
  }
}

void TForm1::BothButtons() {
  FTracking = false;
  if (FIgnoreUps > 0 || FChooserShown) return;
  // Both buttons open the chooser; the two releases that follow only put
  // the panel back.
  FIgnoreUps = 2;
  ImgRoll1->setChecked(false);
  FTracking = false;
  FLockMouse = false;
  SelectImg1Click();
}

void TForm1::ImgBorderMouseUp(Control&, MouseButton button, int, int x, int y) {
  if (FIgnoreUps > 0) {
    --FIgnoreUps;
    ShowPanel();
    FMoved = false;
    return;
  }
  auto closeChooser = [this] {
    FChooserShown = false;
    FChooser->wholepanel->setVisible(false);
    FChooser->setVisible(false);
  };
  if (button == MouseButton::Right && !FMoved) {
    FTracking = false;
    FMoved = false;
    if (FChooserShown) closeChooser();
    // Releases use the viewer's own mapping: the surfaces share its origin.
    PopupMenu1->popup(clientToScreen(QPoint(x, y)));
    return;
  }
  if (!FMoved && FChooserShown) closeChooser();
  ShowPanel();
  FMoved = false;
}

void TForm1::DragFrame(int x, int y) {
  if (FIgnoreUps > 0) return;
  // The window and the picture move by opposite amounts: the picture keeps
  // its place on the screen while the frame slides over it. The picture is
  // repainted before the window moves, so no old content travels with it.
  moveBy(*ImgBottoMov, FLastX - x, FLastY - y);
  refresh();
  SyncGuides();
  setPosition(left() + x - FLastX, top() + y - FLastY);
  if (FBackdrop != nullptr) FBackdrop->setPosition(left(), top());
  // A step along one axis only moves the window; it is no drag, so the
  // release still opens the menu.
  if (x != FLastX && y != FLastY) {
    FMoved = true;
    HidePanel();
  }
  FLastX = x;
  FLastY = y;
}

void TForm1::DragWindow(int x, int y) {
  if (FIgnoreUps > 0) return;
  setPosition(left() + x - FLastX, top() + y - FLastY);
  if (FBackdrop != nullptr) FBackdrop->setPosition(left(), top());
  if (FChooserShown && x != FLastX && y != FLastY) FMoved = true;
  FLastX = x;
  FLastY = y;
}

void TForm1::DragPicture(int x, int y) {
  // The first move after arming only records where the mouse is.
  if (FTracking) {
    moveBy(*ImgBottoMov, x - FLastX, y - FLastY);
  } else {
    FTracking = true;
  }
  SyncGuides();
  FLastX = x;
  FLastY = y;
}

void TForm1::FastDragPicture(int x, int y) {
  FFastX = (ImgBottoMov->width() + 200) / (clientWidth() / 2);
  FFastY = (ImgBottoMov->height() + 200) / (clientHeight() / 2);
  moveBy(*ImgBottoMov, (x - FLastX) * FFastX, (y - FLastY) * FFastY);
  SyncGuides();
  FLastX = x;
  FLastY = y;
}

void TForm1::RollPicture(int x, int y) {
  DragPicture(x, y);
  if (!FLockMouse) return;
  if (FRollCount == 0) {
    FAnchorX = FLastX;
    FAnchorY = FLastY;
  }
  if (++FRollCount <= 3) return;
  FRollCount = 0;

  const int l = ImgBottoMov->left();
  const int t = ImgBottoMov->top();
  const int w = ImgBottoMov->width();
  const int h = ImgBottoMov->height();
  const QPoint a = screenToClient(QPoint(FAnchorX, FAnchorY));
  const QPoint c = screenToClient(QPoint(x, y));
  // Pull the cursor back to the anchor unless that would move it, relative
  // to the picture, toward an edge it is already within 100 pixels of.
  auto pullBack = [](int anchor, int now, int start, int size) {
    const int low = start + 100;
    const int high = start + size - 100;
    return (low < anchor && anchor < high) || (anchor >= high && now >= anchor) ||
           (anchor <= low && now <= anchor);
  };
  if (pullBack(a.x(), c.x(), l, w)) FLastX = FAnchorX;
  if (pullBack(a.y(), c.y(), t, h)) FLastY = FAnchorY;
  // FLastX/FLastY already hold where the cursor goes, so the move event the
  // platform reports for it moves nothing.
  platform::setCursorPos(QPoint(FLastX, FLastY));
}

void TForm1::HidePanel() {
  if (!FPanelShown) return;
  FPanelShown = false;
  const Desktop::MirrorHold hold(desktop());
  // The skin copy takes the panel's place, painted before the panel goes.
  ImgBorder->setVisible(true);
  refresh();
  FPanel->setPosition(left(), top());
  FPanel->setWindowPos(InsertAfter::below(windowId()), false);
  hideKeepingFlag(*FPanel);
  if (FChooserShown) FChooser->wholepanel->setVisible(false);
  // A press on the panel's skin leaves the mouse with the panel window, and
  // a window that leaves the screen loses it: the skin copy takes the rest
  // of the gesture until the last button is up, wherever the pointer goes.
  if (QGuiApplication::mouseButtons() != Qt::NoButton) captureMouse(ImgBorder);
}

void TForm1::ShowPanel() {
  if (FPanelShown) return;
  FPanelShown = true;
  const Desktop::MirrorHold hold(desktop());
  FPanel->setPosition(left(), top());
  FPanel->setWindowPos(InsertAfter::below(windowId()), false);
  FPanel->showNoActivate();
  ImgBorder->setVisible(false);
  if (FChooserShown) {
    FChooser->setPosition(left(), top());
    FChooser->setWindowPos(InsertAfter::top(), true);
    FChooser->wholepanel->setVisible(true);
  }
}

void TForm1::ImgBorderPressLost() {
  // The release went elsewhere (the application lost the activation, or the
  // button went up where we could not see it): the gesture ends as at a
  // release, unless the device itself is leaving the screen.
  if (!isVisible()) return;
  FMoved = false;
  ShowPanel();
}

void TForm1::ImgMaskDblClick() {
  ShowPanel();
  ImgRoll1->setChecked(!ImgRoll1->isChecked());
  FRollCount = 0;
}

}  // namespace vistel
