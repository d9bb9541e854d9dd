// Fading, the opaque switch, the chooser's order, the backdrop, sending the
// set back and bringing it forward.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>

#include "backdrop/form3.h"
#include "chooser/get_img_form.h"
#include "help/help_form.h"
#include "panel/form2.h"
#include "viewer/form1.h"
#include "windows/desktop.h"

namespace vistel {
namespace {

struct Stacking : ::testing::Test {
  TForm1* viewer = nullptr;
  void SetUp() override { viewer = new TForm1(); }
  void TearDown() override { delete viewer; }

  WindowStack& stack() { return viewer->desktop().stack(); }
  WindowId id(Form* f) { return f->windowId(); }
  std::vector<int> levels() {
    return {viewer->alphaBlendValue(), viewer->FPanel->alphaBlendValue(),
            viewer->FChooser->alphaBlendValue()};
  }
  // Position of a window in the z-order, 0 at the top.
  int depth(Form* f) {
    const auto order = stack().order();
    return static_cast<int>(std::find(order.begin(), order.end(), id(f)) - order.begin());
  }
};

TEST_F(Stacking, FadeCyclesThroughEighteenLevelsOnAllThreeWindows) {
  for (int i = 0; i < 7; ++i) viewer->FadeIn();
  EXPECT_EQ(levels(), (std::vector<int>{255, 255, 255}));
  viewer->FadeIn();
  EXPECT_EQ(levels(), (std::vector<int>{0, 0, 0}));
  viewer->FadeOut();
  EXPECT_EQ(viewer->alphaBlendValue(), 255);
  // From the start level, ten fade-outs reach 0 and the eleventh wraps.
  delete viewer;
  viewer = new TForm1();
  for (int i = 0; i < 10; ++i) viewer->FadeOut();
  EXPECT_EQ(viewer->alphaBlendValue(), 0);
  viewer->FadeOut();
  EXPECT_EQ(levels(), (std::vector<int>{255, 255, 255}));
}

TEST_F(Stacking, KeysReachTheCommandsWithAnyModifiersAndAreNeverConsumed) {
  for (int shift : {0, int{kShift}, kCtrl | kAlt}) {
    int key = 114;  // F3
    viewer->FormKeyDown(nullptr, key, shift);
    EXPECT_EQ(key, 114);
  }
  EXPECT_EQ(viewer->alphaBlendValue(), 195);
  int esc = 27;
  viewer->FormKeyDown(nullptr, esc, 0);
  EXPECT_TRUE(viewer->FState.opaque);
  EXPECT_EQ(esc, 27);
  int f6 = 117;
  viewer->FormKeyDown(nullptr, f6, 0);
  EXPECT_NE(viewer->FBackdrop, nullptr);
  int f2 = 113;
  viewer->FormKeyDown(nullptr, f2, 0);
  EXPECT_TRUE(viewer->FState.iconShown);
}

TEST_F(Stacking, OpaqueSwitchKeepsTheKeysAndComesBackAtTheStartLevel) {
  viewer->OpaqueSwitch();
  EXPECT_TRUE(viewer->FState.opaque);
  for (Form* f : std::initializer_list<Form*>{viewer, viewer->FPanel, viewer->FChooser}) {
    EXPECT_FALSE(f->alphaBlend());
    EXPECT_TRUE(f->transparentColor());
  }
  viewer->FadeIn();
  viewer->FadeIn();
  EXPECT_EQ(viewer->alphaBlendValue(), 180);  // stored, not shown
  viewer->OpaqueSwitch();
  EXPECT_FALSE(viewer->FState.opaque);
  EXPECT_EQ(levels(), (std::vector<int>{150, 150, 150}));
  EXPECT_TRUE(viewer->FChooser->alphaBlend());
}

TEST_F(Stacking, ChooserOrderSwitchWorksOnlyWhileTheChooserIsShown) {
  viewer->ChooserOrderSwitch();
  EXPECT_FALSE(viewer->FState.chooserBehind);
  viewer->FChooserShown = true;
  viewer->ChooserOrderSwitch();
  EXPECT_TRUE(viewer->FState.chooserBehind);
  // Panel, viewer, chooser from the top; the chooser is active.
  EXPECT_EQ(depth(viewer->FPanel), 0);
  EXPECT_EQ(depth(viewer), 1);
  EXPECT_EQ(depth(viewer->FChooser), 2);
  EXPECT_EQ(stack().active(), id(viewer->FChooser));
  viewer->ChooserOrderSwitch();
  EXPECT_FALSE(viewer->FState.chooserBehind);
  EXPECT_EQ(depth(viewer->FPanel), 0);
  EXPECT_EQ(depth(viewer->FChooser), 1);
  EXPECT_EQ(depth(viewer), 2);
  EXPECT_EQ(stack().active(), id(viewer->FChooser)) << "the activation does not change";
}

TEST_F(Stacking, BackdropLiesBehindTheViewerAndEachOpeningMakesANewOne) {
  // F7 without a backdrop does nothing.
  const auto before = stack().order();
  viewer->ChooserBehindBackdrop();
  EXPECT_EQ(stack().order(), before);

  viewer->setPosition(260, 140);
  viewer->BackdropToggle();
  TForm3* first = viewer->FBackdrop;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->left(), 260);
  EXPECT_EQ(first->top(), 140);
  EXPECT_TRUE(first->visible());
  EXPECT_EQ(depth(viewer), depth(viewer->FPanel) + 1);
  EXPECT_EQ(depth(first), depth(viewer) + 1);
  EXPECT_NE(stack().active(), id(first)) << "a disabled window is never activated";
  EXPECT_EQ(stack().active(), id(viewer)) << "focus returns to the viewer";

  // F7: the chooser (visible from the start) goes directly below the backdrop.
  viewer->ChooserBehindBackdrop();
  EXPECT_EQ(depth(viewer->FChooser), depth(first) + 1);

  QPointer<TForm3> gone(first);
  viewer->BackdropToggle();
  EXPECT_EQ(viewer->FBackdrop, nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(gone.isNull());
  viewer->setPosition(300, 150);
  viewer->BackdropToggle();
  ASSERT_NE(viewer->FBackdrop, nullptr);
  EXPECT_EQ(viewer->FBackdrop->left(), 300);

  // F6 in the backdrop itself closes it too.
  int key = 117;
  viewer->FBackdrop->keyDown(key, 0);
  EXPECT_EQ(viewer->FBackdrop, nullptr);
}

TEST_F(Stacking, SendingBackLeavesViewerAndPanelShownButNotOnTopAndAddsTheIcon) {
  viewer->FChooserShown = true;
  viewer->FHelpForm->setVisible(true);
  viewer->Back1Click();
  EXPECT_FALSE(viewer->FChooserShown);
  EXPECT_FALSE(viewer->FPanelShown);
  EXPECT_TRUE(viewer->FState.iconShown);
  EXPECT_FALSE(viewer->FChooser->visible());
  EXPECT_FALSE(viewer->FHelpForm->visible());
  for (Form* f :
       std::initializer_list<Form*>{viewer, viewer->FPanel, viewer->FChooser, viewer->FHelpForm})
    EXPECT_FALSE(stack().isTopmost(id(f)));
  EXPECT_TRUE(stack().isVisible(id(viewer)));
  EXPECT_TRUE(stack().isVisible(id(viewer->FPanel)));
  EXPECT_FALSE(viewer->visible()) << "own visibility flag stays off until activation";
  EXPECT_NE(stack().active(), id(viewer));

  // The next activation removes the icon and puts the four back on top.
  viewer->WMActivateApp(true);
  EXPECT_FALSE(viewer->FState.iconShown);
  for (Form* f :
       std::initializer_list<Form*>{viewer, viewer->FPanel, viewer->FChooser, viewer->FHelpForm})
    EXPECT_TRUE(stack().isTopmost(id(f)));
  EXPECT_TRUE(viewer->visible());
  EXPECT_TRUE(viewer->FPanel->visible());
  EXPECT_FALSE(viewer->FChooser->visible());
}

TEST_F(Stacking, DeactivationRemovesTheIconButRestoresNothing) {
  viewer->AddIcon();
  viewer->FPanel->setVisible(false);
  viewer->WMActivateApp(false);
  EXPECT_FALSE(viewer->FState.iconShown);
  EXPECT_FALSE(viewer->FPanel->visible());
}

}  // namespace
}  // namespace vistel
