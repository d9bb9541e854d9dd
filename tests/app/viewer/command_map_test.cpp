// The keyboard command map: its rows in order, which of them act yet, the
// consume rules and the order's consequences, through the viewer's and the
// other windows' key handlers.
#include "viewer/command_map.h"

#include <gtest/gtest.h>

#include "chooser/get_img_form.h"
#include "help/help_form.h"
#include "panel/form2.h"
#include "pictures/bitmap.h"
#include "viewer/form1.h"
#include "windows/key_codes.h"

namespace vistel {
namespace {

using command_map::Consumes;
using command_map::When;

TEST(CommandMapTable, ThirtyRowsInTheirOrderEachWithItsOperation) {
  struct Expected {
    int key;
    When when;
    Consumes consumes;
  };
  constexpr When A = When::Any, S = When::Shift, C = When::Ctrl;
  constexpr Consumes N = Consumes::No, Y = Consumes::Yes, W = Consumes::WhenActs;
  const Expected expected[] = {
      {17, A, N},  {49, S, N},  {50, S, N},  {51, S, N},  {33, S, Y},  {34, S, Y},
      {35, S, Y},  {36, S, Y},  {45, S, Y},  {27, A, N},  {18, A, N},  {112, A, N},
      {113, A, N}, {114, A, N}, {115, A, N}, {38, S, Y},  {40, S, Y},  {37, S, Y},
      {39, S, Y},  {38, C, Y},  {40, C, Y},  {37, C, Y},  {39, C, Y},  {38, A, W},
      {40, A, W},  {37, A, W},  {39, A, W},  {118, A, N}, {117, A, N}, {116, A, N},
  };
  const auto rows = command_map::rows();
  ASSERT_EQ(rows.size(), std::size(expected));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "row " << i + 1 << " " << rows[i].name);
    EXPECT_EQ(rows[i].key, expected[i].key);
    EXPECT_EQ(rows[i].when, expected[i].when);
    EXPECT_EQ(rows[i].consumes, expected[i].consumes);
    EXPECT_NE(rows[i].run, nullptr);
  }
  // The rows' arguments: the toggles, the rectangle codes and the grid steps.
  using picture_rect::RectCode;
  using picture_rect::Toggle;
  const std::pair<int, command_map::Arg> args[] = {
      {2, Toggle::Proportional},  {3, Toggle::ProportionalStretch},
      {4, Toggle::Stretch},       {5, RectCode::ZoomIn},
      {6, RectCode::ZoomOut},     {7, RectCode::NaturalSize},
      {9, Toggle::Center},        {16, RectCode::TopUp},
      {17, RectCode::TopDown},    {18, RectCode::LeftLeft},
      {19, RectCode::LeftRight},  {20, RectCode::BottomUp},
      {21, RectCode::BottomDown}, {22, RectCode::RightLeft},
      {23, RectCode::RightRight}, {24, GridStep::Up},
      {25, GridStep::Down},       {26, GridStep::Back},
      {27, GridStep::On}};
  std::size_t withArg = 0;
  for (const auto& [row, arg] : args) EXPECT_EQ(rows[row - 1].arg, arg) << "row " << row;
  for (const auto& row : rows) withArg += std::holds_alternative<std::monostate>(row.arg) ? 0 : 1;
  EXPECT_EQ(withArg, std::size(args));
}

TEST(CommandMapTable, FirstMatchWinsAndAltIsNeverTested) {
  auto index = [](int key, int shift) {
    const command_map::Row* r = command_map::match(key, shift);
    return r == nullptr ? 0 : static_cast<int>(r - command_map::rows().data()) + 1;
  };
  EXPECT_EQ(index(vk::kUp, kShift | kCtrl), 16);  // Shift wins over Ctrl
  EXPECT_EQ(index(vk::kLeft, kShift | kCtrl), 18);
  EXPECT_EQ(index(vk::kUp, kAlt | kShift), 16);
  EXPECT_EQ(index(vk::kUp, kAlt), 24);
  EXPECT_EQ(index(vk::kRight, kAlt), 27);
  EXPECT_EQ(index(vk::kRight, kCtrl), 23);
  EXPECT_EQ(index(vk::kF1, kShift | kCtrl | kAlt), 12);
  EXPECT_EQ(index(vk::kPrior, 0), 0);
  EXPECT_EQ(index(vk::kPrior, kCtrl), 0);
  EXPECT_EQ(index(vk::k1, 0), 0);
  EXPECT_EQ(index(vk::kNumpad0 + 1, kShift), 0);  // the keypad's 1 is another key
  EXPECT_EQ(index(vk::kControl, kCtrl | kShift), 1);
  EXPECT_EQ(index(vk::kF5, kLeftButton), 30);
}

struct Keys : ::testing::Test {
  TForm1* v = nullptr;
  void SetUp() override {
    v = new TForm1();
    v->ImgBottoMov->setPicture(
        std::make_unique<BitmapPicture>(Bitmap::filled(400, 300, PixelFormat::Rgb24, 0x808080)));
    v->FAspect = 0.75;
  }
  void TearDown() override { delete v; }

  // Presses a key in the viewer; returns the key as the handler left it.
  int press(int key, int shift = 0) {
    v->FormKeyDown(v, key, shift);
    return key;
  }
  Rect frame() const { return v->ImgBottoMov->boundsRect(); }
};

TEST_F(Keys, ZoomKeysAreConsumedOnlyWithShift) {
  EXPECT_EQ(press(vk::kNext, kShift), 0);
  EXPECT_EQ(frame(), Rect::fromSize(246, 193, 300, 225));
  EXPECT_EQ(press(vk::kPrior, kShift), 0);
  EXPECT_EQ(frame().width(), 310);
  EXPECT_EQ(press(vk::kEnd, kShift), 0);
  EXPECT_EQ(frame(), Rect::fromSize(196, 155, 400, 300));
  // Without Shift: nothing, and the key goes on to the focused control.
  for (int key : {vk::kPrior, vk::kNext, vk::kEnd, vk::kInsert, vk::kHome}) {
    EXPECT_EQ(press(key), key);
    EXPECT_EQ(press(key, kCtrl), key);
  }
  EXPECT_EQ(frame(), Rect::fromSize(196, 155, 400, 300));
  EXPECT_FALSE(v->FLockMouse);
  EXPECT_FALSE(v->ImgBottoMov->center());
}

TEST_F(Keys, CtrlInvertsRollingAtEveryPressAndIsNotConsumed) {
  v->FRollCount = 3;
  EXPECT_EQ(press(vk::kControl, kCtrl), vk::kControl);
  EXPECT_TRUE(v->ImgRoll1->isChecked());
  EXPECT_EQ(v->FRollCount, 0);
  press(vk::kControl, kCtrl);  // an automatic repetition
  EXPECT_FALSE(v->ImgRoll1->isChecked());
}

TEST_F(Keys, CtrlArrowEndsWithRollingOff) {
  for (bool rollingBefore : {false, true}) {
    v->ImgRoll1->setChecked(rollingBefore);
    const Rect before = frame();
    press(vk::kControl, kCtrl);
    EXPECT_EQ(press(vk::kUp, kCtrl), 0);
    EXPECT_FALSE(v->ImgRoll1->isChecked());
    EXPECT_EQ(frame(),
              Rect::fromSize(before.left, before.top, before.width(), before.height() - 4));
  }
}

TEST_F(Keys, ShiftCtrlLeftMovesTheLeftEdge) {
  EXPECT_EQ(press(vk::kLeft, kShift | kCtrl), 0);
  EXPECT_EQ(frame(), Rect::fromSize(-4, 0, 404, 300));
  EXPECT_EQ(press(vk::kRight, kCtrl), 0);  // right edge right
  EXPECT_EQ(frame(), Rect::fromSize(-4, 0, 408, 300));
}

TEST_F(Keys, ShiftDigitTogglesAreNotConsumed) {
  press(vk::kDown, kShift);  // AutoSize off, so the toggles act
  EXPECT_EQ(press(vk::k3, kShift), vk::k3);
  EXPECT_TRUE(v->ImgBottoMov->stretch());
  EXPECT_EQ(press(vk::k1, kShift), vk::k1);
  EXPECT_TRUE(v->ImgBottoMov->proportional());
  EXPECT_FALSE(v->ImgBottoMov->stretch());
  EXPECT_EQ(press(vk::kInsert, kShift), 0);
  EXPECT_TRUE(v->ImgBottoMov->center());
  EXPECT_EQ(press(vk::k2), vk::k2);  // without Shift: nothing
  EXPECT_FALSE(v->ImgBottoMov->stretch());
}

TEST_F(Keys, ShiftHomeSwitchesTheMouseLock) {
  EXPECT_EQ(press(vk::kHome, kShift), 0);
  EXPECT_TRUE(v->FLockMouse);
  press(vk::kHome, kShift);
  EXPECT_FALSE(v->FLockMouse);
}

TEST_F(Keys, FunctionKeysAreNeverConsumed) {
  EXPECT_EQ(press(vk::kF1, kShift), vk::kF1);
  EXPECT_TRUE(v->FHelpForm->visible());
  EXPECT_EQ(press(vk::kF1), vk::kF1);
  EXPECT_FALSE(v->FHelpForm->visible());
  for (int key : {vk::kEscape, vk::kF2, vk::kF3, vk::kF4, vk::kF5, vk::kF6, vk::kF7})
    EXPECT_EQ(press(key, kShift), key);
  const Rect before = frame();
  EXPECT_EQ(press(vk::kF5, kShift), vk::kF5);
  EXPECT_EQ(frame(), before);
}

TEST_F(Keys, PlainArrowsWithoutAGridReachTheFocusedControl) {
  const Rect before = frame();
  for (int key : {vk::kUp, vk::kDown, vk::kLeft, vk::kRight}) {
    EXPECT_EQ(press(key), key);
    EXPECT_EQ(press(key, kAlt), key);
  }
  EXPECT_EQ(frame(), before);
}

TEST_F(Keys, PanelAndChooserHandTheirKeysOver) {
  int key = vk::kNext;
  v->FPanel->keyDown(key, kShift);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(frame().width(), 300);
  key = vk::kNext;
  v->FChooser->keyDown(key, kShift);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(frame().width(), 270);
  key = vk::kControl;
  v->FPanel->keyDown(key, 0);
  EXPECT_EQ(key, vk::kControl);  // the hot spot reads it back
  EXPECT_TRUE(v->ImgRoll1->isChecked());
}

TEST_F(Keys, CtrlPutsThePanelBack) {
  v->HidePanel();
  ASSERT_FALSE(v->FPanelShown);
  press(vk::kControl, kCtrl);
  EXPECT_TRUE(v->FPanelShown);
  EXPECT_FALSE(v->ImgBorder->visible());
}

}  // namespace
}  // namespace vistel
