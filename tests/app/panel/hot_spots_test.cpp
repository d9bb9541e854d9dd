// The panel's hot spots, arrow pads and switches acting on the viewer.
#include <gtest/gtest.h>

#include "chooser/get_img_form.h"
#include "panel/form2.h"
#include "pictures/picture.h"
#include "viewer/form1.h"

namespace vistel {
namespace {

struct HotSpots : ::testing::Test {
  TForm1* viewer = nullptr;
  TForm2* panel = nullptr;
  void SetUp() override {
    viewer = new TForm1();
    panel = viewer->FPanel;
  }
  void TearDown() override { delete viewer; }

  // A picture of the given size shown at natural size at (left, top).
  void show(int w, int h, int left = 100, int top = 80) {
    viewer->ImgBottoMov->setPicture(
        std::make_unique<BitmapPicture>(Bitmap::filled(w, h, PixelFormat::Rgb24, 0x808080)));
    viewer->ImgBottoMov->setBounds(left, top, w, h);
    viewer->FAspect = static_cast<double>(h) / w;
  }
  Rect frame() const { return viewer->ImgBottoMov->boundsRect(); }
  void press(Label* pad, MouseButton b) {
    pad->onMouseDown(*pad, MouseEvent{b, 0, 1, 1});
    pad->onMouseUp(*pad, MouseEvent{b, 0, 1, 1});
  }
};

TEST_F(HotSpots, PlusShowsTheGuidesOnThePictureEdgesAndHidesThemAgain) {
  show(200, 100);
  panel->LabLine4->onClick(*panel->LabLine4);
  EXPECT_EQ(panel->LabLine4->font().color, 0xFF0000u);
  for (Bevel* b : {panel->BeLeft, panel->BeRight, panel->BeTop, panel->BeBottom})
    EXPECT_TRUE(b->visible());
  EXPECT_EQ(panel->BeLeft->left(), 100);
  EXPECT_EQ(panel->BeRight->left(), 300);
  EXPECT_EQ(panel->BeTop->top(), 80);
  EXPECT_EQ(panel->BeBottom->top(), 180);
  panel->LabLine4->onClick(*panel->LabLine4);
  EXPECT_EQ(panel->LabLine4->font().color, 0x008000u);
  EXPECT_FALSE(panel->BeLeft->visible());
}

TEST_F(HotSpots, SwitchesHandTheFocusToTheChoosersFileListOnlyWhileItIsShown) {
  TGetImgForm* chooser = viewer->FChooser;
  auto listHasFocus = [&] { return chooser->focusWidget() == chooser->FileListBox1; };
  chooser->FileListBox1->clearFocus();
  panel->LabLine4->onClick(*panel->LabLine4);  // chooser hidden: the focus stays
  EXPECT_FALSE(listHasFocus());
  viewer->SelectImg1Click();
  chooser->FileListBox1->clearFocus();
  ASSERT_FALSE(listHasFocus());
  panel->LabLine4->onClick(*panel->LabLine4);
  EXPECT_TRUE(listHasFocus());
}

TEST_F(HotSpots, AShortClickOnAPadMovesOneEdgeByOneStep) {
  show(200, 100);
  press(panel->LabBottom, MouseButton::Left);  // top edge down
  EXPECT_EQ(frame(), Rect::fromSize(100, 84, 200, 96));
  EXPECT_FALSE(panel->FRepeating);
  press(panel->LabRight, MouseButton::Right);  // right edge right
  EXPECT_EQ(frame(), Rect::fromSize(100, 84, 204, 96));
  press(panel->LabTop, MouseButton::Middle);  // the middle button does nothing
  EXPECT_EQ(frame(), Rect::fromSize(100, 84, 204, 96));
  // The centre pad toggles centring and its label.
  press(panel->LabCenter, MouseButton::Left);
  EXPECT_TRUE(viewer->ImgBottoMov->center());
  EXPECT_EQ(panel->FCenter->caption(), QStringLiteral("居中"));
  // Pads leave the roll mode alone.
  EXPECT_FALSE(viewer->ImgRoll1->isChecked());
}

TEST_F(HotSpots, HoverMakesSpotsAndTheCentrePadVisibleAndPadTextYellow) {
  panel->LabF6->onMouseEnter(*panel->LabF6);
  EXPECT_FALSE(panel->LabF6->transparent());
  panel->LabF6->onMouseLeave(*panel->LabF6);
  EXPECT_TRUE(panel->LabF6->transparent());
  panel->LabCenter->onMouseEnter(*panel->LabCenter);
  EXPECT_FALSE(panel->LabCenter->transparent());
  panel->LabLeft->onMouseEnter(*panel->LabLeft);
  EXPECT_EQ(panel->LabLeft->font().color, 0xFFFF00u);
  panel->LabLeft->onMouseLeave(*panel->LabLeft);
  EXPECT_EQ(panel->LabLeft->font().color, kBlack);
}

TEST_F(HotSpots, SpotsSynthesiseTheirKeys) {
  show(200, 100);
  panel->LabShfPd->onClick(*panel->LabShfPd);  // Shift+Page Down: zoom out
  EXPECT_LT(frame().width(), 200);
  panel->LabShfEnd->onClick(*panel->LabShfEnd);  // Shift+End: natural size
  EXPECT_EQ(frame().width(), 200);
  EXPECT_EQ(frame().height(), 100);
  panel->LabShfHm->onClick(*panel->LabShfHm);  // Shift+Home: mouse lock
  EXPECT_TRUE(viewer->FLockMouse);
  panel->LabEsc->onClick(*panel->LabEsc);  // Esc: opaque
  EXPECT_TRUE(viewer->FState.opaque);
  panel->LabF6->onClick(*panel->LabF6);  // F6: backdrop
  EXPECT_NE(viewer->FBackdrop, nullptr);
}

TEST_F(HotSpots, CtrlSpotStopsRollingByRecentringThePicture) {
  show(200, 100, 10, 10);
  viewer->ImgRoll1->setChecked(true);
  panel->LabCtrl->onClick(*panel->LabCtrl);
  EXPECT_FALSE(viewer->ImgRoll1->isChecked());
  EXPECT_EQ(frame(), Rect::fromSize(296, 255, 200, 100));
}

TEST_F(HotSpots, WholePictureSwitchPlacesThePictureAndSwitchingOffRestoresNaturalSize) {
  show(800, 600);
  viewer->ImgBottoMov->setAutoSize(true);
  panel->WholeImg->onClick(*panel->WholeImg);
  EXPECT_TRUE(viewer->FState.wholePicture);
  EXPECT_EQ(frame(), Rect::fromSize(215, 150, 400, 300));
  EXPECT_EQ(panel->FZoom->caption(), QStringLiteral("图像全貌"));
  EXPECT_EQ(panel->FCenter->caption(), QStringLiteral("居中"));
  EXPECT_TRUE(viewer->ImgBottoMov->proportional());
  panel->WholeImg->onClick(*panel->WholeImg);
  EXPECT_FALSE(viewer->FState.wholePicture);
  EXPECT_TRUE(viewer->ImgBottoMov->autoSize());
  EXPECT_EQ(frame(), Rect::fromSize(-4, 5, 800, 600));
  EXPECT_EQ(panel->FZoom->caption(), QStringLiteral("原图显示"));
  // Off while AutoSize is already on only resets the switch.
  viewer->FState.wholePicture = true;
  panel->WholeImg->onClick(*panel->WholeImg);
  EXPECT_FALSE(viewer->FState.wholePicture);
  EXPECT_EQ(frame(), Rect::fromSize(-4, 5, 800, 600));
}

}  // namespace
}  // namespace vistel
