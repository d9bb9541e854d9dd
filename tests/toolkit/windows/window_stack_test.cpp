#include "windows/window_stack.h"

#include <gtest/gtest.h>

namespace vistel {
namespace {

using Ids = std::vector<WindowId>;

// The device's window set as the program creates it: the viewer first (the
// main window), then panel, help and chooser; the backdrop on demand.
struct Device : ::testing::Test {
  WindowStack s;
  WindowId viewer = s.add(true);
  WindowId panel = s.add(true);
  WindowId help = s.add(true);
  WindowId chooser = s.add(true);

  void SetUp() override {
    s.setMainWindow(viewer);
    s.show(panel);
    s.show(chooser);
    s.show(viewer);
  }
  // The top `n` visible windows.
  Ids top(std::size_t n) const {
    Ids v = s.visibleOrder();
    v.resize(std::min(n, v.size()));
    return v;
  }
};

TEST_F(Device, StartUpShowsViewerOverChooserOverPanelWithTheViewerActive) {
  EXPECT_EQ(s.visibleOrder(), (Ids{viewer, chooser, panel}));
  EXPECT_EQ(s.active(), viewer);
  for (WindowId w : {viewer, panel, help, chooser}) EXPECT_TRUE(s.isTopmost(w));
  EXPECT_FALSE(s.isVisible(help));
  // Every one of ours lies above the other applications.
  EXPECT_EQ(s.fullOrder().back(), kForeignWindows);
}

TEST_F(Device, TopOfBandWithAndWithoutActivation) {
  // Chooser behind the picture: chooser to the top activating, then the
  // viewer and the panel above it without activation.
  s.setWindowPos(chooser, InsertAfter::top(), true);
  s.setWindowPos(viewer, InsertAfter::top(), false);
  s.setWindowPos(panel, InsertAfter::top(), false);
  EXPECT_EQ(top(3), (Ids{panel, viewer, chooser}));
  EXPECT_EQ(s.active(), chooser);

  // And back in front: three moves without activation.
  s.setWindowPos(viewer, InsertAfter::top(), false);
  s.setWindowPos(chooser, InsertAfter::top(), false);
  s.setWindowPos(panel, InsertAfter::top(), false);
  EXPECT_EQ(top(3), (Ids{panel, chooser, viewer}));
  EXPECT_EQ(s.active(), chooser);
}

TEST_F(Device, InsertAfterPutsAWindowDirectlyBelowAnother) {
  const WindowId backdrop = s.add(true, /*enabled=*/false);
  s.show(backdrop);
  EXPECT_EQ(s.visibleOrder().front(), backdrop);
  EXPECT_EQ(s.active(), viewer) << "a disabled window never takes the activation";

  s.setWindowPos(viewer, InsertAfter::below(panel), false);
  s.setWindowPos(backdrop, InsertAfter::below(viewer), false);
  // The hidden help window keeps its place below them.
  EXPECT_EQ(s.order(), (Ids{chooser, panel, viewer, backdrop, help}));

  // The chooser hides behind the backdrop; moving up the list works too.
  s.setWindowPos(chooser, InsertAfter::below(backdrop), false);
  EXPECT_EQ(s.order(), (Ids{panel, viewer, backdrop, chooser, help}));
  s.setWindowPos(chooser, InsertAfter::below(panel), false);
  EXPECT_EQ(s.order(), (Ids{panel, chooser, viewer, backdrop, help}));

  // Below itself or below an unknown window: nothing moves.
  const int before = s.changeCount();
  s.setWindowPos(panel, InsertAfter::below(panel), false);
  s.setWindowPos(panel, InsertAfter::below(999), false);
  EXPECT_EQ(s.changeCount(), before);
}

TEST_F(Device, InsertAfterAcrossTheBands) {
  s.setWindowPos(panel, InsertAfter::noTopmost(), false);
  // A topmost window placed below a normal one leaves the topmost band.
  s.setWindowPos(chooser, InsertAfter::below(panel), false);
  EXPECT_FALSE(s.isTopmost(chooser));
  EXPECT_EQ(s.fullOrder(), (Ids{viewer, help, panel, chooser, kForeignWindows}));
  // A normal window placed below a topmost one goes to the top of the normal
  // band and stays normal.
  s.setWindowPos(chooser, InsertAfter::below(viewer), false);
  EXPECT_FALSE(s.isTopmost(chooser));
  EXPECT_EQ(s.fullOrder(), (Ids{viewer, help, chooser, panel, kForeignWindows}));
  // Below the other applications' windows.
  s.setWindowPos(panel, InsertAfter::below(kForeignWindows), false);
  EXPECT_EQ(s.fullOrder().back(), panel);
}

TEST_F(Device, DeferredBatchesAreOneChangeAppliedInOrder) {
  const int before = s.changeCount();
  s.applyBatch({{viewer, InsertAfter::noTopmost(), false},
                {chooser, InsertAfter::noTopmost(), false},
                {help, InsertAfter::noTopmost(), false},
                {panel, InsertAfter::noTopmost(), false}});
  EXPECT_EQ(s.changeCount(), before + 1);
  EXPECT_EQ(s.fullOrder(), (Ids{panel, help, chooser, viewer, kForeignWindows}));
  for (WindowId w : {viewer, panel, help, chooser}) EXPECT_FALSE(s.isTopmost(w));

  // Leaving the topmost band again moves nothing.
  s.setWindowPos(viewer, InsertAfter::noTopmost(), false);
  EXPECT_EQ(s.changeCount(), before + 1);

  s.applyBatch({{viewer, InsertAfter::topmost(), false},
                {chooser, InsertAfter::topmost(), false},
                {help, InsertAfter::topmost(), false},
                {panel, InsertAfter::topmost(), false}});
  EXPECT_EQ(s.changeCount(), before + 2);
  EXPECT_EQ(s.order(), (Ids{panel, help, chooser, viewer}));
  for (WindowId w : {viewer, panel, help, chooser}) EXPECT_TRUE(s.isTopmost(w));
  EXPECT_EQ(s.active(), viewer);
}

TEST_F(Device, ActivatingBatchLeavesTheLastVisibleMoveActive) {
  s.applyBatch({{viewer, InsertAfter::noTopmost(), true},
                {help, InsertAfter::noTopmost(), true},  // hidden: cannot take it
                {panel, InsertAfter::noTopmost(), true}});
  EXPECT_EQ(s.active(), panel);
}

TEST_F(Device, HidingTheActiveWindowPrefersNormalOverTopmostSuccessors) {
  s.setWindowPos(panel, InsertAfter::noTopmost(), false);
  // The chooser lies above the panel but is topmost: the panel wins.
  s.hide(viewer);
  EXPECT_EQ(s.active(), panel);
  // Hiding an inactive window changes no activation.
  s.hide(chooser);
  EXPECT_EQ(s.active(), panel);
  s.show(chooser);
  EXPECT_EQ(s.active(), chooser);
  // No normal window left: the first topmost one in z-order.
  s.hide(panel);
  s.show(viewer);
  s.setWindowPos(chooser, InsertAfter::top(), false);
  s.hide(viewer);
  EXPECT_EQ(s.active(), chooser);
}

TEST_F(Device, HidingNeverHandsTheActivationToADisabledWindow) {
  const WindowId backdrop = s.add(true, false);
  s.show(backdrop);
  s.hide(chooser);
  s.hide(panel);
  ASSERT_EQ(s.active(), viewer);
  int deactivations = 0;
  s.onAppActivation = [&](bool active) { deactivations += active ? 0 : 1; };
  s.hide(viewer);
  EXPECT_EQ(s.active(), kNoWindow);
  EXPECT_FALSE(s.appActive()) << "nothing of ours can take it, another application does";
  EXPECT_EQ(deactivations, 1);
}

TEST_F(Device, ShowRaisesAndActivatesShowNoActivateDoesNeither) {
  s.hide(panel);
  s.showNoActivate(panel);
  EXPECT_EQ(s.visibleOrder(), (Ids{viewer, chooser, panel}));
  EXPECT_EQ(s.active(), viewer);
  // Showing a window that is already visible still raises and activates it.
  s.show(panel);
  EXPECT_EQ(s.visibleOrder().front(), panel);
  EXPECT_EQ(s.active(), panel);
}

TEST_F(Device, ClickRaisesAndActivatesActivateRaisesOnlyAnInactiveWindow) {
  s.click(panel);
  EXPECT_EQ(s.visibleOrder().front(), panel);
  EXPECT_EQ(s.active(), panel);
  // Already active: focusing it again does not restack.
  s.setWindowPos(viewer, InsertAfter::top(), false);
  s.activate(panel);
  EXPECT_EQ(s.visibleOrder().front(), viewer);
  s.activate(chooser);
  EXPECT_EQ(s.visibleOrder().front(), chooser);
  EXPECT_EQ(s.active(), chooser);
  // The window system's own activation report does not restack.
  s.noteActivated(panel);
  EXPECT_EQ(s.visibleOrder().front(), chooser);
  EXPECT_EQ(s.active(), panel);
}

TEST_F(Device, DeactivationCollectsTopmostWindowsAboveTheMainWindow) {
  // Panel and help above the viewer, the chooser below it.
  s.applyBatch({{chooser, InsertAfter::topmost(), false},
                {viewer, InsertAfter::topmost(), false},
                {help, InsertAfter::topmost(), false},
                {panel, InsertAfter::topmost(), false}});
  s.foreignActivated();
  EXPECT_FALSE(s.appActive());
  EXPECT_EQ(s.active(), kNoWindow);
  EXPECT_EQ(s.collected(), (Ids{panel, help}));
  // The main window and what lies below it stay topmost; the collected ones
  // lead the normal band in their order, not activated.
  EXPECT_EQ(s.fullOrder(), (Ids{viewer, chooser, kForeignWindows, panel, help}));
  EXPECT_TRUE(s.isTopmost(viewer));
  EXPECT_FALSE(s.isTopmost(panel));

  // Reactivation puts them back on top of the topmost band, in order.
  s.setAppActive(true);
  EXPECT_EQ(s.fullOrder(), (Ids{panel, help, viewer, chooser, kForeignWindows}));
  EXPECT_TRUE(s.isTopmost(panel));
  EXPECT_TRUE(s.collected().empty());
  EXPECT_EQ(s.active(), viewer) << "the window that was active returns";
}

TEST(WindowStack, DeactivationStopsAtTheFirstNormalWindow) {
  // A (topmost) above a normal window N, with other applications between.
  WindowStack t;
  const WindowId a = t.add(true);
  const WindowId n = t.add(false);
  t.show(n);
  t.show(a);
  t.setWindowPos(n, InsertAfter::below(kForeignWindows), false);
  ASSERT_EQ(t.fullOrder(), (Ids{a, kForeignWindows, n}));
  t.setAppActive(false);
  EXPECT_EQ(t.collected(), (Ids{a}));
  // The window above the stopping one (the foreign block) is not topmost:
  // the collected window goes directly behind it, not above it.
  EXPECT_EQ(t.fullOrder(), (Ids{kForeignWindows, a, n}));
}

TEST_F(Device, AnotherApplicationsWindowComesAboveTheCollectedOnes) {
  s.click(panel);
  s.foreignActivated();
  // Only the panel lay above the main window; the hidden help window below
  // it stays topmost.
  EXPECT_EQ(s.fullOrder(), (Ids{viewer, chooser, help, kForeignWindows, panel}));
  // Clicking one of ours brings the application back: the clicked window
  // comes up, then the collected panel returns above it.
  s.click(chooser);
  EXPECT_TRUE(s.appActive());
  EXPECT_EQ(s.fullOrder(), (Ids{panel, chooser, viewer, help, kForeignWindows}));
}

TEST_F(Device, DeactivationsNestAndOnlyTheMatchingActivationRestores) {
  s.click(panel);
  s.normalizeTopmosts();
  EXPECT_EQ(s.collected(), (Ids{panel}));
  // The second one collects nothing more, even with a new candidate above.
  s.setWindowPos(chooser, InsertAfter::topmost(), false);
  s.normalizeTopmosts();
  EXPECT_EQ(s.collected(), (Ids{panel}));
  EXPECT_TRUE(s.isTopmost(chooser));
  s.restoreTopmosts();
  EXPECT_FALSE(s.isTopmost(panel));
  s.restoreTopmosts();
  EXPECT_TRUE(s.isTopmost(panel));
  EXPECT_EQ(s.order().front(), panel);
  // An unmatched restore is harmless.
  s.restoreTopmosts();
  EXPECT_EQ(s.order().front(), panel);
}

TEST_F(Device, ActivationObserverRunsOncePerTransitionInsideOneChange) {
  std::vector<bool> seen;
  s.onAppActivation = [&](bool active) {
    seen.push_back(active);
    if (active) s.setWindowPos(panel, InsertAfter::top(), false);
  };
  s.click(panel);
  s.foreignActivated();
  s.setAppActive(false);  // repeated report
  const int before = s.changeCount();
  s.click(viewer);
  EXPECT_EQ(seen, (std::vector<bool>{false, true}));
  EXPECT_EQ(s.changeCount(), before + 1) << "the observer's restacking joins the change";
  // The click raised the viewer, the restore put the panel back on top, then
  // the observer raised the panel once more.
  EXPECT_EQ(s.visibleOrder(), (Ids{panel, viewer, chooser}));
  EXPECT_EQ(s.active(), viewer);
}

TEST_F(Device, RemovingWindowsHandsOnActivationAndForgetsThem) {
  s.click(panel);
  s.normalizeTopmosts();
  s.remove(panel);
  EXPECT_TRUE(s.collected().empty());
  EXPECT_FALSE(s.contains(panel));
  s.restoreTopmosts();
  EXPECT_EQ(s.active(), viewer);
  s.remove(viewer);
  EXPECT_EQ(s.mainWindow(), kNoWindow);
  EXPECT_EQ(s.active(), chooser);
}

TEST_F(Device, StayOnTopStyleMovesBetweenBandsWithoutActivation) {
  const WindowId plain = s.add(false);
  s.show(plain);
  EXPECT_EQ(s.active(), plain);
  EXPECT_EQ(s.fullOrder(), (Ids{viewer, chooser, panel, help, plain, kForeignWindows}));
  s.setStayOnTop(plain, true);
  EXPECT_TRUE(s.isTopmost(plain));
  EXPECT_EQ(s.order().front(), plain);
  s.click(viewer);
  s.setStayOnTop(plain, false);
  EXPECT_FALSE(s.isTopmost(plain));
  EXPECT_EQ(s.active(), viewer);
}

}  // namespace
}  // namespace vistel
