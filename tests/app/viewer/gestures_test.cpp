// Mouse gestures on the viewer's mask, its skin copy and the panel's skin:
// device drag with the skin copy, frame slide, picture drags and rolling
// with the cursor lock, the both-buttons gesture and the popup menu.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMenu>
#include <map>

#include "backdrop/form3.h"
#include "chooser/get_img_form.h"
#include "panel/form2.h"
#include "pictures/bitmap.h"
#include "viewer/form1.h"
#include "windows/platform.h"

namespace vistel {
namespace {

constexpr int kLeftOnly = kLeftButton;
constexpr int kRightOnly = kRightButton;

// Counts the paints each window gets.
struct PaintCounter : QObject {
  std::map<QObject*, int> paints;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints[o];
    return false;
  }
};

struct Gestures : ::testing::Test {
  TForm1* v = nullptr;
  void SetUp() override {
    v = new TForm1();
    picture(400, 300);
    QCoreApplication::processEvents();
  }
  void TearDown() override {
    v->PopupMenu1->hide();
    delete v;
  }

  void picture(int w, int h) {
    v->ImgBottoMov->setPicture(
        std::make_unique<BitmapPicture>(Bitmap::filled(w, h, PixelFormat::Rgb24, 0x808080)));
    v->FAspect = static_cast<double>(h) / w;
  }
  // The surface that takes the mouse now: the skin copy while it is shown.
  Control& surface() const { return v->FPanelShown ? *v->ImgMask : *v->ImgBorder; }
  // Events at screen positions, delivered in the surface's client
  // coordinates as the window would deliver them.
  void down(MouseButton b, int sx, int sy, Control* s = nullptr) {
    const QPoint c = v->mapFromGlobal(QPoint(sx, sy));
    v->ImgBorderMouseDown(s ? *s : surface(), b, 0, c.x(), c.y());
  }
  void move(int shift, int sx, int sy, Control* s = nullptr) {
    const QPoint c = v->mapFromGlobal(QPoint(sx, sy));
    v->ImgBorderMouseMove(s ? *s : surface(), shift, c.x(), c.y());
  }
  void up(MouseButton b, int sx, int sy, Control* s = nullptr) {
    const QPoint c = v->mapFromGlobal(QPoint(sx, sy));
    v->ImgBorderMouseUp(s ? *s : surface(), b, 0, c.x(), c.y());
  }
  Rect frame() const { return v->ImgBottoMov->boundsRect(); }
  bool panelOnScreen() const { return v->FPanel->isVisible(); }
  void openChooser() {
    v->FChooserShown = true;
    v->FChooser->setVisible(true);
    v->FChooser->wholepanel->setVisible(true);
  }
};

TEST_F(Gestures, LeftDragMovesTheDeviceWithTheSkinCopyInThePanelsPlace) {
  v->FBackdrop = new TForm3();
  down(MouseButton::Left, 300, 200);
  EXPECT_TRUE(v->FTracking);
  EXPECT_EQ(v->FLastX, 300);
  EXPECT_EQ(v->FLastY, 200);
  EXPECT_FALSE(v->FPanelShown);
  EXPECT_TRUE(v->ImgBorder->visible());
  EXPECT_FALSE(panelOnScreen());
  EXPECT_TRUE(v->FPanel->visible());  // its own flag stays, as the platform call leaves it

  move(kLeftOnly, 330, 220);
  move(kLeftOnly, 360, 240);
  EXPECT_EQ(v->pos(), QPoint(260, 140));
  EXPECT_EQ(v->FBackdrop->pos(), QPoint(260, 140));
  EXPECT_EQ(v->FPanel->pos(), QPoint(200, 100));  // not moved during the drag
  EXPECT_FALSE(v->FMoved);                        // the chooser is closed

  up(MouseButton::Left, 360, 240);
  EXPECT_TRUE(v->FPanelShown);
  EXPECT_FALSE(v->ImgBorder->visible());
  EXPECT_TRUE(panelOnScreen());
  EXPECT_EQ(v->FPanel->pos(), QPoint(260, 140));
  EXPECT_FALSE(v->PopupMenu1->isVisible());
  EXPECT_EQ(frame(), Rect::fromSize(0, 0, 400, 300));
}

TEST_F(Gestures, ALeftDragStepRepaintsNoWindow) {
  PaintCounter counter;
  for (QWidget* w : std::initializer_list<QWidget*>{v, v->FPanel, v->FChooser})
    w->installEventFilter(&counter);
  down(MouseButton::Left, 300, 200);
  QCoreApplication::processEvents();
  counter.paints.clear();
  for (int i = 1; i <= 5; ++i) {
    move(kLeftOnly, 300 + 7 * i, 200 + 3 * i);
    QCoreApplication::processEvents();
  }
  EXPECT_EQ(v->pos(), QPoint(235, 115));
  EXPECT_EQ(counter.paints[v], 0);
  EXPECT_EQ(counter.paints[v->FPanel], 0);
  EXPECT_EQ(counter.paints[v->FChooser], 0);
  up(MouseButton::Left, 335, 215);
}

TEST_F(Gestures, RightClickOpensTheMenuAtThePointerAndClosesTheChooser) {
  openChooser();
  down(MouseButton::Right, 400, 300);
  EXPECT_TRUE(v->FPanelShown);  // the right press leaves the panel
  up(MouseButton::Right, 400, 300);
  EXPECT_TRUE(v->PopupMenu1->isVisible());
  EXPECT_EQ(v->PopupMenu1->pos(), QPoint(400, 300));
  EXPECT_FALSE(v->FChooserShown);
  EXPECT_FALSE(v->FChooser->visible());
  EXPECT_FALSE(v->FChooser->wholepanel->isVisibleTo(v->FChooser));
  EXPECT_FALSE(v->FTracking);
  EXPECT_TRUE(v->FPanelShown);
}

TEST_F(Gestures, OneAxisRightDragMovesTheViewerButIsNoDrag) {
  down(MouseButton::Right, 400, 300);
  move(kRightOnly, 410, 300);
  move(kRightOnly, 410, 290);
  EXPECT_EQ(v->pos(), QPoint(210, 90));
  EXPECT_EQ(frame(), Rect::fromSize(-10, 10, 400, 300));
  EXPECT_FALSE(v->FMoved);
  EXPECT_TRUE(v->FPanelShown);
  EXPECT_EQ(v->FPanel->pos(), QPoint(200, 100));
  up(MouseButton::Right, 410, 290);
  EXPECT_TRUE(v->PopupMenu1->isVisible());
}

TEST_F(Gestures, RightDragSlidesTheFrameOverAPictureThatStaysOnTheScreen) {
  v->FBackdrop = new TForm3();
  const QPoint pictureOnScreen = v->mapToGlobal(QPoint(frame().left, frame().top));
  down(MouseButton::Right, 400, 300);
  move(kRightOnly | kCtrl | kShift, 425, 280);
  EXPECT_EQ(v->pos(), QPoint(225, 80));
  EXPECT_EQ(v->FBackdrop->pos(), QPoint(225, 80));
  EXPECT_EQ(v->mapToGlobal(QPoint(frame().left, frame().top)), pictureOnScreen);
  EXPECT_TRUE(v->FMoved);
  EXPECT_FALSE(v->FPanelShown);
  EXPECT_EQ(v->FPanel->BeLeft->left(), -25);
  up(MouseButton::Right, 425, 280);
  EXPECT_FALSE(v->PopupMenu1->isVisible());
  EXPECT_TRUE(v->FPanelShown);
  EXPECT_EQ(v->FPanel->pos(), QPoint(225, 80));
  EXPECT_FALSE(v->FMoved);
}

TEST_F(Gestures, BothButtonsOpenTheChooserOnceAndSwallowTwoReleases) {
  v->ImgRoll1->setChecked(true);
  v->FLockMouse = true;
  down(MouseButton::Left, 400, 300);
  down(MouseButton::Right, 400, 300);
  move(kLeftButton | kRightButton, 405, 305);
  EXPECT_EQ(v->FIgnoreUps, 2);
  EXPECT_FALSE(v->ImgRoll1->isChecked());
  EXPECT_FALSE(v->FLockMouse);
  EXPECT_FALSE(v->FTracking);
  move(kLeftButton | kRightButton, 420, 320);  // cannot fire again
  EXPECT_EQ(v->FIgnoreUps, 2);
  EXPECT_EQ(v->pos(), QPoint(200, 100));  // drags do nothing meanwhile
  move(kRightOnly, 430, 340);
  move(kLeftOnly, 440, 350);
  EXPECT_EQ(v->pos(), QPoint(200, 100));
  EXPECT_EQ(frame(), Rect::fromSize(0, 0, 400, 300));

  openChooser();  // as the toggle leaves it
  up(MouseButton::Right, 440, 350);
  EXPECT_EQ(v->FIgnoreUps, 1);
  EXPECT_TRUE(v->FPanelShown);
  up(MouseButton::Left, 440, 350);
  EXPECT_EQ(v->FIgnoreUps, 0);
  EXPECT_FALSE(v->PopupMenu1->isVisible());
  EXPECT_TRUE(v->FChooserShown);
  // A third release behaves normally.
  up(MouseButton::Right, 440, 350);
  EXPECT_TRUE(v->PopupMenu1->isVisible());
  EXPECT_FALSE(v->FChooserShown);
}

TEST_F(Gestures, BothButtonsWithTheChooserOpenDoNothing) {
  openChooser();
  v->ImgRoll1->setChecked(true);
  move(kLeftButton | kRightButton | kMiddleButton, 405, 305);
  EXPECT_EQ(v->FIgnoreUps, 0);
  EXPECT_TRUE(v->ImgRoll1->isChecked());
  EXPECT_TRUE(v->FChooserShown);
}

TEST_F(Gestures, LeftClickClosesTheChooserButALeftDragKeepsItOverTheViewer) {
  openChooser();
  down(MouseButton::Left, 400, 300);
  EXPECT_FALSE(v->FChooser->wholepanel->isVisibleTo(v->FChooser));
  move(kLeftOnly, 450, 330);
  EXPECT_TRUE(v->FMoved);
  up(MouseButton::Left, 450, 330);
  EXPECT_TRUE(v->FChooserShown);
  EXPECT_EQ(v->FChooser->pos(), QPoint(250, 130));
  EXPECT_TRUE(v->FChooser->wholepanel->isVisibleTo(v->FChooser));

  down(MouseButton::Left, 450, 330);
  up(MouseButton::Left, 450, 330);
  EXPECT_FALSE(v->FChooserShown);
  EXPECT_FALSE(v->FChooser->visible());
  down(MouseButton::Middle, 450, 330);
  up(MouseButton::Middle, 450, 330);
  EXPECT_FALSE(v->PopupMenu1->isVisible());
}

TEST_F(Gestures, CtrlMoveArmsFirstThenThePictureFollows) {
  v->FTracking = false;
  move(kCtrl, 400, 300);
  EXPECT_EQ(frame(), Rect::fromSize(0, 0, 400, 300));
  EXPECT_TRUE(v->FTracking);
  move(kCtrl | kAlt, 412, 295);
  EXPECT_EQ(frame(), Rect::fromSize(12, -5, 400, 300));
  EXPECT_EQ(v->FPanel->BeTop->top(), -5);
  move(0, 420, 300);  // no key, roll mode off: tracking stops
  EXPECT_FALSE(v->FTracking);
  move(kCtrl, 430, 300);
  EXPECT_EQ(frame(), Rect::fromSize(12, -5, 400, 300));
}

TEST_F(Gestures, CtrlLeftDragMovesThePictureAtAMultipliedRate) {
  picture(640, 480);  // (640+200) div 396 = 2, (480+200) div 305 = 2
  down(MouseButton::Left, 400, 300);
  move(kCtrl | kLeftButton, 403, 301);
  EXPECT_EQ(v->FFastX, 2);
  EXPECT_EQ(v->FFastY, 2);
  EXPECT_EQ(frame(), Rect::fromSize(6, 2, 640, 480));
  EXPECT_EQ(v->pos(), QPoint(200, 100));
  up(MouseButton::Left, 403, 301);

  picture(2000, 1500);
  v->ImgBottoMov->setBounds(0, 0, 2000, 1500);
  down(MouseButton::Left, 400, 300);
  move(kCtrl | kLeftButton, 401, 299);
  EXPECT_EQ(frame(), Rect::fromSize(5, -5, 2000, 1500));
  up(MouseButton::Left, 401, 299);

  picture(150, 150);
  v->ImgBottoMov->setBounds(0, 0, 150, 150);
  down(MouseButton::Left, 400, 300);
  move(kCtrl | kLeftButton, 420, 420);
  EXPECT_EQ(v->FFastX, 0);
  EXPECT_EQ(v->FFastY, 1);  // (150+200) div 305
  EXPECT_EQ(frame(), Rect::fromSize(0, 120, 150, 150));
}

TEST_F(Gestures, ShiftMoveResetsTheViewAtEveryMove) {
  v->ImgRoll1->setChecked(true);
  v->FLockMouse = true;
  v->ImgBottoMov->setBounds(7, 9, 400, 300);
  move(kShift, 400, 300);
  EXPECT_EQ(frame(), Rect::fromSize(196, 155, 400, 300));
  EXPECT_FALSE(v->ImgRoll1->isChecked());
  EXPECT_FALSE(v->FLockMouse);
  EXPECT_FALSE(v->FTracking);
}

TEST_F(Gestures, RollingWithoutTheLockFollowsTheMouse) {
  v->ImgRoll1->setChecked(true);
  v->FTracking = false;
  for (int i = 0; i <= 8; ++i) move(0, 400 + 5 * i, 300);
  EXPECT_EQ(frame(), Rect::fromSize(40, 0, 400, 300));
  EXPECT_EQ(v->FRollCount, 0);
}

TEST_F(Gestures, RollLockPullsTheCursorBackEveryFourthStep) {
  v->ImgBottoMov->setAutoSize(false);
  v->ImgBottoMov->setBounds(100, 100, 600, 400);
  v->ImgRoll1->setChecked(true);
  v->FLockMouse = true;
  v->FTracking = false;
  platform::setCursorPos(QPoint(500, 400));
  move(0, 500, 400);  // arms; the cycle's anchor
  EXPECT_EQ(v->FAnchorX, 500);
  EXPECT_EQ(v->FRollCount, 1);
  move(0, 510, 400);
  move(0, 520, 400);
  EXPECT_EQ(v->FRollCount, 3);
  move(0, 530, 400);
  EXPECT_EQ(v->FRollCount, 0);
  EXPECT_EQ(frame(), Rect::fromSize(130, 100, 600, 400));
  EXPECT_EQ(v->FLastX, 500);
  EXPECT_EQ(v->FLastY, 400);
  EXPECT_EQ(platform::cursorPos(), QPoint(500, 400));
  // The move the platform reports for the new cursor position moves nothing.
  move(0, 500, 400);
  EXPECT_EQ(frame(), Rect::fromSize(130, 100, 600, 400));
}

TEST_F(Gestures, RollLockNearAnEdgePullsBackOnlyAwayFromIt) {
  v->ImgBottoMov->setAutoSize(false);
  v->ImgRoll1->setChecked(true);
  v->FLockMouse = true;
  // Anchor client (350, 150): in the right margin (300 and beyond) of a
  // 400-wide picture at 0, inside the vertical band (100..200).
  auto cycle = [&](int dx) {
    v->ImgBottoMov->setBounds(0, 0, 400, 300);
    v->FTracking = false;
    v->FRollCount = 0;
    move(0, 550, 250);
    move(0, 550 + dx, 250);
    move(0, 550 + dx, 250);
    move(0, 550 + dx, 250);
  };
  cycle(-6);  // moving left, away from the right margin: no pull-back
  EXPECT_EQ(v->FLastX, 544);
  EXPECT_EQ(v->FLastY, 250);
  EXPECT_EQ(platform::cursorPos(), QPoint(544, 250));
  cycle(6);  // moving on into the margin: pulled back
  EXPECT_EQ(v->FLastX, 550);
  EXPECT_EQ(platform::cursorPos(), QPoint(550, 250));
  EXPECT_EQ(frame().left, 6);
}

TEST_F(Gestures, DoubleClickOnTheMaskTogglesRollingAndPutsThePanelBack) {
  v->HidePanel();
  v->FRollCount = 2;
  v->ImgMask->onDblClick(*v->ImgMask);
  EXPECT_TRUE(v->ImgRoll1->isChecked());
  EXPECT_EQ(v->FRollCount, 0);
  EXPECT_TRUE(v->FPanelShown);
  v->FRollCount = 2;
  v->ImgRoll1->trigger();  // the menu item toggles only the mark
  EXPECT_FALSE(v->ImgRoll1->isChecked());
  EXPECT_EQ(v->FRollCount, 2);
}

TEST_F(Gestures, ThePanelSkinForwardsItsMouseToTheViewer) {
  PictureControl& skin = *v->FPanel->ImgBStock;
  MouseEvent m{MouseButton::Left, 0, 100, 100};
  skin.onMouseDown(skin, m);
  EXPECT_EQ(v->FLastX, 300);
  EXPECT_EQ(v->FLastY, 200);
  EXPECT_FALSE(v->FPanelShown);
  m.shift = kLeftButton;
  m.x = 160;
  m.y = 140;
  skin.onMouseMove(skin, m);
  EXPECT_EQ(v->pos(), QPoint(260, 140));
  m.shift = 0;
  skin.onMouseUp(skin, m);
  EXPECT_TRUE(v->FPanelShown);
  EXPECT_EQ(v->FPanel->pos(), QPoint(260, 140));
}

TEST_F(Gestures, MaskAndSkinCopyAreWiredToTheHandlers) {
  MouseEvent m{MouseButton::Right, 0, 50, 60};
  v->ImgMask->onMouseDown(*v->ImgMask, m);
  EXPECT_EQ(v->FLastX, 250);
  EXPECT_EQ(v->FLastY, 160);
  m.shift = kRightButton;
  m.x = 70;
  m.y = 90;
  v->ImgMask->onMouseMove(*v->ImgMask, m);
  EXPECT_FALSE(v->FPanelShown);
  m.shift = 0;
  v->ImgBorder->onMouseUp(*v->ImgBorder, m);
  EXPECT_TRUE(v->FPanelShown);
  EXPECT_FALSE(v->PopupMenu1->isVisible());
}

}  // namespace
}  // namespace vistel
