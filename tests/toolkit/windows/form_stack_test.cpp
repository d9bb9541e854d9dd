// Forms and the stacking model: every show, hide, click and restacking goes
// through the model and is mirrored to the windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>

#include "windows/desktop.h"
#include "windows/form.h"

namespace vistel {
namespace {

using Ids = std::vector<WindowId>;

struct StackTest : ::testing::Test {
  Desktop desktop;
  Form viewer{BorderStyle::None, &desktop};
  Form panel{BorderStyle::None, &desktop};
  Form help{BorderStyle::Dialog, &desktop};
  Form chooser{BorderStyle::None, &desktop};
  WindowStack& stack = desktop.stack();

  void SetUp() override {
    for (Form* f : {&viewer, &panel, &help, &chooser}) {
      f->setClientSize(80, 60);
      f->setStayOnTop(true);
    }
    stack.setMainWindow(viewer.windowId());
    panel.setVisible(true);
    chooser.setVisible(true);
    viewer.setVisible(true);
  }
  Ids ids(std::initializer_list<Form*> forms) {
    Ids v;
    for (Form* f : forms) v.push_back(f->windowId());
    return v;
  }
  std::vector<Form*> raised() const { return desktop.lastRaiseOrder(); }
  // Lets the window system's answers come in; true once the last
  // restacking has been checked against its stacking list.
  bool answered() {
    for (QDeadlineTimer t(150); !t.hasExpired();)
      QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return !desktop.awaitingStacking();
  }
};

TEST_F(StackTest, StartUpOrderIsMirroredByRaisingBottomUp) {
  EXPECT_EQ(stack.visibleOrder(), ids({&viewer, &chooser, &panel}));
  EXPECT_EQ(stack.active(), viewer.windowId());
  // Each window shown went on top of the order sent before it, which the
  // window manager has not answered yet: only the new one is raised.
  EXPECT_EQ(raised(), (std::vector<Form*>{&viewer}));
  for (Form* f : {&viewer, &panel, &chooser}) {
    EXPECT_TRUE(f->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(f->isVisible());
  }
  EXPECT_FALSE(help.isVisible());
}

TEST_F(StackTest, BatchesRestackOnceAndChangeTheBandInPlace) {
  const WId before = viewer.winId();
  const int restacks = desktop.restackCount();
  stack.applyBatch({{viewer.windowId(), InsertAfter::noTopmost(), false},
                    {chooser.windowId(), InsertAfter::noTopmost(), false},
                    {help.windowId(), InsertAfter::noTopmost(), false},
                    {panel.windowId(), InsertAfter::noTopmost(), false}});
  EXPECT_EQ(desktop.restackCount(), restacks + 1);
  for (Form* f : {&viewer, &panel, &chooser})
    EXPECT_FALSE(f->windowFlags() & Qt::WindowStaysOnTopHint);
  // The flag changed on the existing windows: still shown, not re-created.
  EXPECT_TRUE(viewer.isVisible());
  EXPECT_EQ(viewer.winId(), before);
  EXPECT_EQ(raised(), (std::vector<Form*>{&viewer, &chooser, &panel}));
  // A stay-on-top style stays what it was; only the band changed.
  EXPECT_TRUE(viewer.stayOnTop());
}

TEST_F(StackTest, UnderAHoldTheModelMovesAndTheScreenFollowsOnceAtTheEnd) {
  const int restacks = desktop.restackCount();
  {
    const Desktop::MirrorHold outer(desktop);
    const Desktop::MirrorHold inner(desktop);
    panel.setWindowPos(InsertAfter::top(), true);
    help.setVisible(true);
    EXPECT_EQ(stack.visibleOrder(), ids({&help, &panel, &viewer, &chooser}));
    EXPECT_EQ(desktop.restackCount(), restacks);
  }
  EXPECT_EQ(desktop.restackCount(), restacks + 1);
  EXPECT_EQ(raised(), (std::vector<Form*>{&chooser, &viewer, &panel, &help}));
}

TEST(FirstFrame, AWindowJustShownPaintsBeforeTheWaitForItEnds) {
  Desktop desktop;
  Form first{BorderStyle::None, &desktop};
  Form hidden{BorderStyle::None, &desktop};
  for (Form* f : {&first, &hidden}) f->setClientSize(80, 60);
  first.setVisible(true);
  EXPECT_FALSE(first.paintedSinceShown()) << "no event loop has run";
  desktop.awaitFirstPaint(&first);
  EXPECT_TRUE(first.paintedSinceShown());
  // A window not on the screen is not waited for.
  QElapsedTimer waited;
  waited.start();
  desktop.awaitFirstPaint(&hidden);
  EXPECT_LT(waited.elapsed(), Desktop::kFirstFrameWaitMs);
  EXPECT_FALSE(hidden.paintedSinceShown());
}

TEST_F(StackTest, PressingOnAWindowRaisesAndActivatesIt) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), panel.mapToGlobal(QPointF(3, 3)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&panel, &press);
  EXPECT_EQ(stack.visibleOrder().front(), panel.windowId());
  EXPECT_EQ(stack.active(), panel.windowId());
  EXPECT_EQ(raised().back(), &panel);
}

TEST_F(StackTest, InsertAfterMovesTheRealWindowsToo) {
  viewer.setWindowPos(InsertAfter::below(panel.windowId()), false);
  EXPECT_EQ(stack.visibleOrder(), ids({&chooser, &panel, &viewer}));
  EXPECT_EQ(raised(), (std::vector<Form*>{&viewer, &panel, &chooser}));
  EXPECT_EQ(stack.active(), viewer.windowId()) << "no activation asked for";
}

TEST_F(StackTest, HidingHandsTheActivationOnAndShowNoActivateKeepsTheFlagOff) {
  viewer.setVisible(false);
  EXPECT_FALSE(viewer.visible());
  EXPECT_FALSE(viewer.isVisible());
  EXPECT_EQ(stack.active(), chooser.windowId());

  viewer.showNoActivate();
  EXPECT_TRUE(viewer.isVisible()) << "on the screen";
  EXPECT_FALSE(viewer.visible()) << "the window's own flag stays off";
  EXPECT_EQ(stack.active(), chooser.windowId());
  EXPECT_EQ(stack.visibleOrder(), ids({&viewer, &chooser, &panel})) << "where it lay";

  // Setting the flag later shows it properly: raised and active.
  chooser.setWindowPos(InsertAfter::top(), false);
  ASSERT_EQ(stack.visibleOrder().front(), chooser.windowId());
  viewer.setVisible(true);
  EXPECT_EQ(stack.visibleOrder().front(), viewer.windowId());
  EXPECT_EQ(stack.active(), viewer.windowId());
  // Setting it again does nothing at all.
  chooser.activate();
  viewer.setVisible(true);
  EXPECT_EQ(stack.active(), chooser.windowId());
}

TEST_F(StackTest, ADisabledWindowIsNeverActivated) {
  Form backdrop(BorderStyle::None, &desktop);
  backdrop.setStayOnTop(true);
  backdrop.setEnabled(false);
  backdrop.setVisible(true);
  EXPECT_EQ(stack.visibleOrder().front(), backdrop.windowId());
  EXPECT_EQ(stack.active(), viewer.windowId());
  EXPECT_FALSE(stack.isEnabled(backdrop.windowId()));
}

TEST_F(StackTest, ActivationReportsFeedTheModelButStaleEchoesAreIgnored) {
  // Right after the viewer was activated, a report of the chooser is an
  // echo of an earlier request.
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&chooser, &activate);
  EXPECT_EQ(stack.active(), viewer.windowId());
  // The report of the window asked for clears the request. A report of
  // another of ours that was just raised, before the window manager has
  // answered the restacking, is its own move, and ours is put back; a
  // manager that insists a few times in a row has its way. Each new order
  // of ours starts that count afresh.
  QApplication::sendEvent(&viewer, &activate);
  chooser.setWindowPos(InsertAfter::top(), false);
  ASSERT_TRUE(desktop.awaitingStacking());
  for (int i = 0; i < 3; ++i) QApplication::sendEvent(&chooser, &activate);
  EXPECT_EQ(stack.active(), viewer.windowId());
  panel.setWindowPos(InsertAfter::top(), false);
  for (int i = 0; i < 3; ++i) QApplication::sendEvent(&panel, &activate);
  EXPECT_EQ(stack.active(), viewer.windowId());
  QApplication::sendEvent(&panel, &activate);
  EXPECT_EQ(stack.active(), panel.windowId());
  EXPECT_EQ(stack.visibleOrder().front(), panel.windowId());
}

TEST_F(StackTest, OnceTheManagerHasAnsweredAnActivationGivenToAnotherOfOursStands) {
  ASSERT_TRUE(answered()) << "the windows are on the screen";
  // Both have had an activation since, so neither is newly placed.
  chooser.activate();
  ASSERT_TRUE(answered());
  viewer.activate();
  ASSERT_TRUE(answered());
  ASSERT_EQ(stack.active(), viewer.windowId());
  // A click on a child control or a pager's choice: the first report counts.
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&chooser, &activate);
  EXPECT_EQ(stack.active(), chooser.windowId());
}

TEST_F(StackTest, AnActivationNeverAnsweredIsNotTakenForALaterReport) {
  // Both have had an activation since they were mapped.
  for (Form* f : {&viewer, &chooser}) {
    ASSERT_TRUE(answered());
    f->activate();
  }
  ASSERT_TRUE(answered());
  // Asked for, and no report comes (the window system had it so already).
  viewer.activate();
  QThread::msleep(600);
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&chooser, &activate);
  ASSERT_EQ(stack.active(), chooser.windowId());
  // A pager gives it back much later: the user's choice, with nothing to
  // restack, rather than the answer that puts the order back.
  const int restacks = desktop.restackCount();
  QApplication::sendEvent(&viewer, &activate);
  EXPECT_EQ(stack.active(), viewer.windowId());
  EXPECT_EQ(desktop.restackCount(), restacks);
}

TEST_F(StackTest, ADestroyedFormLeavesTheModel) {
  const WindowId id = panel.windowId();
  {
    Form extra(BorderStyle::None, &desktop);
    extra.setVisible(true);
    EXPECT_EQ(stack.active(), extra.windowId());
  }
  EXPECT_EQ(stack.active(), viewer.windowId());
  EXPECT_EQ(stack.order().size(), 4u);
  EXPECT_TRUE(stack.contains(id));
}

}  // namespace
}  // namespace vistel
