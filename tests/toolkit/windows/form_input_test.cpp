// Form input: mouse routing to controls, clicks, capture, key preview,
// hints and cursors.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolTip>
#include <stdexcept>

#include "windows/cursors.h"
#include "windows/desktop.h"
#include "windows/error_box.h"
#include "windows/form.h"

namespace vistel {
namespace {

class Plain : public Control {
 public:
  void paint(QImage&, const Rect&) override {}
};

// Records every handler call of its controls as text.
struct InputTest : ::testing::Test {
  Desktop desktop;
  Form form{BorderStyle::None, &desktop};
  std::vector<std::string> log;

  Plain* add(const std::string& name, int x, int y, int w, int h) {
    auto* c = form.create<Plain>();
    c->setBounds(x, y, w, h);
    c->onMouseDown = [this, name](Control&, const MouseEvent& m) {
      log.push_back(name + " down " + std::to_string(m.x) + "," + std::to_string(m.y) + " s" +
                    std::to_string(m.shift));
    };
    c->onMouseMove = [this, name](Control&, const MouseEvent& m) {
      log.push_back(name + " move " + std::to_string(m.x) + "," + std::to_string(m.y));
    };
    c->onMouseUp = [this, name](Control&, const MouseEvent& m) {
      log.push_back(name + " up s" + std::to_string(m.shift));
    };
    c->onClick = [this, name](Control&) { log.push_back(name + " click"); };
    c->onDblClick = [this, name](Control&) { log.push_back(name + " dblclick"); };
    return c;
  }

  void mouse(QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons held,
             Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent e(type, QPointF(x, y), form.mapToGlobal(QPointF(x, y)), button, held, mods);
    QApplication::sendEvent(&form, &e);
  }
  void press(int x, int y, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = {}) {
    mouse(QEvent::MouseButtonPress, x, y, b, b, m);
  }
  void release(int x, int y, Qt::MouseButton b = Qt::LeftButton) {
    mouse(QEvent::MouseButtonRelease, x, y, b, Qt::NoButton);
  }
  void move(int x, int y, Qt::MouseButtons held = Qt::NoButton) {
    mouse(QEvent::MouseMove, x, y, Qt::NoButton, held);
  }

  void SetUp() override {
    form.setClientSize(100, 80);
    form.show();
  }
};

TEST_F(InputTest, TheLastCreatedVisibleEnabledControlUnderThePointerIsHit) {
  Plain* back = add("back", 0, 0, 100, 80);
  Plain* front = add("front", 10, 10, 20, 20);
  EXPECT_EQ(form.controlAt(15, 15), front);
  EXPECT_EQ(form.controlAt(30, 30), back) << "right and bottom edges are outside";
  front->setVisible(false);
  EXPECT_EQ(form.controlAt(15, 15), back);
  front->setVisible(true);
  front->setEnabled(false);
  EXPECT_EQ(form.controlAt(15, 15), back);
  back->setEnabled(false);
  EXPECT_EQ(form.controlAt(15, 15), nullptr);
}

TEST_F(InputTest, PressMoveReleaseAndClickInControlCoordinatesWithShiftFlags) {
  add("back", 0, 0, 100, 80);
  add("pad", 10, 20, 30, 30);
  press(15, 25, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
  move(16, 27, Qt::LeftButton);
  release(16, 27);
  EXPECT_EQ(log, (std::vector<std::string>{"pad down 5,5 s13", "pad move 6,7", "pad click",
                                           "pad up s0"}));
}

TEST_F(InputTest, TheControlPressedKeepsTheMouseUntilTheButtonsAreUp) {
  add("back", 0, 0, 100, 80);
  add("pad", 10, 10, 10, 10);
  press(12, 12);
  move(60, 70, Qt::LeftButton);  // far outside the pad
  mouse(QEvent::MouseButtonPress, 60, 70, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
  mouse(QEvent::MouseButtonRelease, 60, 70, Qt::LeftButton, Qt::RightButton);
  mouse(QEvent::MouseButtonRelease, 60, 70, Qt::RightButton, Qt::NoButton);
  move(61, 70);
  // Released outside: no click. Both buttons were reported in the flags.
  EXPECT_EQ(log,
            (std::vector<std::string>{"pad down 2,2 s8", "pad move 50,60", "pad down 50,60 s24",
                                      "pad up s16", "pad up s0", "back move 61,70"}));
}

TEST_F(InputTest, DoubleClickRunsTheDoubleClickHandlerThenAPressWithTheFlag) {
  add("skin", 0, 0, 100, 80);
  press(5, 5);
  release(5, 5);
  mouse(QEvent::MouseButtonDblClick, 5, 5, Qt::LeftButton, Qt::LeftButton);
  release(5, 5);
  EXPECT_EQ(log, (std::vector<std::string>{"skin down 5,5 s8", "skin click", "skin up s0",
                                           "skin dblclick", "skin down 5,5 s72", "skin up s0"}));
}

TEST_F(InputTest, RightClicksMakeNoClickAndPressesOnNoControlGoToTheForm) {
  add("pad", 10, 10, 10, 10);
  press(12, 12, Qt::RightButton);
  release(12, 12, Qt::RightButton);
  std::vector<std::string> formLog;
  form.onMouseDown = [&](Form&, const MouseEvent& m) {
    formLog.push_back("form down " + std::to_string(m.x) + "," + std::to_string(m.y));
  };
  press(50, 60);
  release(50, 60);
  EXPECT_EQ(log, (std::vector<std::string>{"pad down 2,2 s16", "pad up s0"}));
  EXPECT_EQ(formLog, (std::vector<std::string>{"form down 50,60"}));
}

TEST_F(InputTest, AHandlerMayDestroyItsControlAndErrorsAreShown) {
  Plain* pad = add("pad", 0, 0, 50, 50);
  pad->onClick = [&](Control& c) { form.destroyControl(&c); };
  press(5, 5);
  release(5, 5);  // the click destroys it; the release must not reach it
  EXPECT_EQ(log, (std::vector<std::string>{"pad down 5,5 s8"}));
  EXPECT_EQ(form.controlAt(5, 5), nullptr);

  std::vector<QString> shown;
  setErrorPresenter([&](const QString&, const QString& text) { shown.push_back(text); });
  Plain* bad = add("bad", 0, 0, 50, 50);
  bad->onMouseDown = [](Control&, const MouseEvent&) { throw std::runtime_error("broken"); };
  press(5, 5);
  release(5, 5);
  setErrorPresenter(nullptr);
  EXPECT_EQ(shown, (std::vector<QString>{"broken."}));
  EXPECT_EQ(log.back(), "bad up s0") << "input goes on after the error";
}

TEST_F(InputTest, APressRaisesAndActivatesTheWindowBeforeTheHandlersRun) {
  Form other(BorderStyle::None, &desktop);
  other.show();
  ASSERT_EQ(desktop.stack().active(), other.windowId());
  Plain* pad = add("pad", 0, 0, 50, 50);
  WindowId activeInHandler = kNoWindow;
  pad->onMouseDown = [&](Control&, const MouseEvent&) {
    activeInHandler = desktop.stack().active();
  };
  press(5, 5);
  release(5, 5);
  EXPECT_EQ(activeInHandler, form.windowId());
  EXPECT_EQ(desktop.stack().visibleOrder().front(), form.windowId());
}

TEST_F(InputTest, HintsShowAfterTheirPauseAndCursorsFollowTheControl) {
  Plain* spot = add("spot", 10, 10, 5, 5);
  spot->setHint(QStringLiteral("显示(隐藏)黑色背景"));
  spot->setShowHint(true);
  spot->setCursor(CursorShape::SizeWE);
  setCursorPicture(CursorShape::MultiDrag, QCursor(Qt::DragCopyCursor));
  form.setFormCursor(CursorShape::MultiDrag);
  EXPECT_EQ(form.cursor().shape(), Qt::DragCopyCursor);

  move(12, 12);
  EXPECT_EQ(form.cursor().shape(), Qt::SizeHorCursor);
  QElapsedTimer t;
  t.start();
  while (!QToolTip::isVisible() && t.elapsed() < 2000) QApplication::processEvents();
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_GE(t.elapsed(), Form::kHintPause - 50);
  EXPECT_EQ(QToolTip::text(), spot->hint());
  // Resting there, the hint goes away by itself after its display time.
  t.restart();
  while (QToolTip::isVisible() && t.elapsed() < 5000) QApplication::processEvents();
  EXPECT_FALSE(QToolTip::isVisible());
  // Qt's tooltip timer is a coarse one: it may end up to 5% early.
  EXPECT_GE(t.elapsed(), Form::kHintHidePause * 95 / 100 - 50);
  EXPECT_LT(t.elapsed(), Form::kHintHidePause + 2500);  // generous: the machine may be busy
  move(13, 12);  // moving within the control brings no second hint
  EXPECT_FALSE(QToolTip::isVisible());

  move(50, 50);  // off the control: the hint goes, the window's cursor returns
  t.restart();
  while (QToolTip::isVisible() && t.elapsed() < 1000) QApplication::processEvents();
  EXPECT_FALSE(QToolTip::isVisible());
  EXPECT_EQ(form.cursor().shape(), Qt::DragCopyCursor);
}

// A form whose key handler records keys and consumes those it is told to.
class KeyForm : public Form {
 public:
  explicit KeyForm(Desktop* d) : Form(BorderStyle::None, d) {}
  void keyDown(int& key, int shift) override {
    seen.emplace_back(key, shift);
    if (key == consume) key = 0;
  }
  std::vector<std::pair<int, int>> seen;
  int consume = -1;
};

void sendKey(QWidget* to, int qtKey, Qt::KeyboardModifiers mods, const QString& text = {}) {
  QKeyEvent e(QEvent::KeyPress, qtKey, mods, text);
  QApplication::sendEvent(to, &e);
}

TEST(FormKeys, KeyPreviewSeesKeysBeforeTheFocusedChildAndMayConsumeThem) {
  Desktop desktop;
  KeyForm form(&desktop);
  form.setKeyPreview(true);
  auto* edit = new QLineEdit(&form);
  form.show();
  edit->setFocus();
  ASSERT_EQ(form.focusWidget(), edit);

  form.consume = 33;  // Page Up
  sendKey(edit, Qt::Key_A, Qt::NoModifier, "a");
  sendKey(edit, Qt::Key_PageUp, Qt::ShiftModifier);
  sendKey(edit, Qt::Key_F5, Qt::NoModifier);  // ignored by the edit: travels up
  EXPECT_EQ(form.seen, (std::vector<std::pair<int, int>>{{65, 0}, {33, 1}, {116, 0}}))
      << "each key once, however far it travels";
  EXPECT_EQ(edit->text(), "a") << "unconsumed keys reach the child";

  form.consume = 65;
  sendKey(edit, Qt::Key_A, Qt::NoModifier, "a");
  EXPECT_EQ(edit->text(), "a") << "a consumed key goes no further";

  // Without preview the form does not see its child's keys.
  form.setKeyPreview(false);
  form.seen.clear();
  sendKey(edit, Qt::Key_F6, Qt::NoModifier);
  EXPECT_TRUE(form.seen.empty());
}

TEST(FormKeys, AFormWithoutAFocusedChildGetsItsKeysOnce) {
  Desktop desktop;
  KeyForm form(&desktop);
  form.setKeyPreview(true);
  form.show();
  sendKey(&form, Qt::Key_Control, Qt::NoModifier);
  sendKey(&form, Qt::Key_unknown, Qt::NoModifier);  // no code: not handed on
  EXPECT_EQ(form.seen, (std::vector<std::pair<int, int>>{{17, 4}}));
}

}  // namespace
}  // namespace vistel
