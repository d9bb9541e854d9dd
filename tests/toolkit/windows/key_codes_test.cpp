#include "windows/key_codes.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

#include "controls/control.h"

namespace vistel {
namespace {

KeyStroke plain(int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  return translateKey(qtKey, 0, mods);
}

TEST(KeyCodes, EveryKeyOfTheCommandMapHasItsCode) {
  const std::vector<std::pair<int, int>> table{
      {Qt::Key_Control, 17},     {Qt::Key_Alt, 18},      {Qt::Key_Escape, 27},
      {Qt::Key_PageUp, 33},      {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
      {Qt::Key_Home, 36},        {Qt::Key_Left, 37},     {Qt::Key_Up, 38},
      {Qt::Key_Right, 39},       {Qt::Key_Down, 40},     {Qt::Key_Insert, 45},
      {Qt::Key_1, 49},           {Qt::Key_2, 50},        {Qt::Key_3, 51},
      {Qt::Key_F1, 112},         {Qt::Key_F2, 113},      {Qt::Key_F3, 114},
      {Qt::Key_F4, 115},         {Qt::Key_F5, 116},      {Qt::Key_F6, 117},
      {Qt::Key_F7, 118},         {Qt::Key_Shift, 16},    {Qt::Key_A, 65},
      {Qt::Key_Z, 90},           {Qt::Key_0, 48},        {Qt::Key_F24, 135},
      {Qt::Key_Return, 13},      {Qt::Key_Delete, 46},   {Qt::Key_Semicolon, 186},
      {Qt::Key_Apostrophe, 222},
  };
  for (const auto& [qt, code] : table) EXPECT_EQ(plain(qt).key, code) << "Qt key " << qt;
  EXPECT_EQ(plain(Qt::Key_unknown).key, 0);
}

TEST(KeyCodes, ShiftFlagsOfModifiersAndButtons) {
  EXPECT_EQ(shiftFlags(Qt::ShiftModifier), kShift);
  EXPECT_EQ(shiftFlags(Qt::AltModifier | Qt::ControlModifier), kAlt | kCtrl);
  EXPECT_EQ(shiftFlags(Qt::KeypadModifier | Qt::MetaModifier), 0);
  EXPECT_EQ(shiftFlags(Qt::NoModifier, Qt::LeftButton | Qt::RightButton | Qt::MiddleButton),
            kLeftButton | kRightButton | kMiddleButton);
  EXPECT_EQ(plain(Qt::Key_Up, Qt::ShiftModifier | Qt::ControlModifier),
            (KeyStroke{38, kShift | kCtrl}));
}

TEST(KeyCodes, AModifierKeyArrivesWithItsOwnFlagHeld) {
  // X11 reports the state from before the press: Ctrl comes without Ctrl.
  EXPECT_EQ(plain(Qt::Key_Control), (KeyStroke{17, kCtrl}));
  EXPECT_EQ(plain(Qt::Key_Alt), (KeyStroke{18, kAlt}));
  EXPECT_EQ(plain(Qt::Key_Shift), (KeyStroke{16, kShift}));
  EXPECT_EQ(plain(Qt::Key_Alt, Qt::ControlModifier), (KeyStroke{18, kAlt | kCtrl}));
  EXPECT_EQ(plain(Qt::Key_AltGr), (KeyStroke{18, kAlt | kCtrl}));
}

TEST(KeyCodes, DigitRowIsRecognisedByPhysicalKeyWhateverTheLayoutPrints) {
  // US layout: Shift+1 prints "!" on the key with XKB code 10.
  EXPECT_EQ(translateKey(Qt::Key_Exclam, 10, Qt::ShiftModifier), (KeyStroke{49, kShift}));
  EXPECT_EQ(translateKey(Qt::Key_At, 11, Qt::ShiftModifier).key, 50);
  EXPECT_EQ(translateKey(Qt::Key_NumberSign, 12, Qt::ShiftModifier).key, 51);
  // French layout: the same keys print "&", "é" and '"' unshifted.
  EXPECT_EQ(translateKey(Qt::Key_Ampersand, 10, Qt::NoModifier).key, 49);
  EXPECT_EQ(translateKey(Qt::Key_Eacute, 11, Qt::NoModifier).key, 50);
  EXPECT_EQ(translateKey(Qt::Key_QuoteDbl, 12, Qt::NoModifier).key, 51);
  EXPECT_EQ(translateKey(Qt::Key_ParenRight, 19, Qt::ShiftModifier).key, 48);
  // A scan code outside the digit row does not make a digit.
  EXPECT_EQ(translateKey(Qt::Key_Q, 24, Qt::NoModifier).key, 65 + ('Q' - 'A'));
  EXPECT_EQ(translateKey(Qt::Key_Asterisk, 17, Qt::ShiftModifier).key, 56);
  // Without a scan code (synthetic events) the key itself decides.
  EXPECT_EQ(plain(Qt::Key_1, Qt::ShiftModifier), (KeyStroke{49, kShift}));
  EXPECT_EQ(plain(Qt::Key_Exclam, Qt::ShiftModifier).key, 49);
  EXPECT_EQ(plain(Qt::Key_ParenLeft, Qt::ShiftModifier).key, 57);
}

TEST(KeyCodes, KeypadKeysHaveCodesOfTheirOwn) {
  // The keypad's 1 (XKB code 87) is not the digit-row 1.
  EXPECT_EQ(translateKey(Qt::Key_1, 87, Qt::KeypadModifier).key, 97);
  EXPECT_EQ(plain(Qt::Key_1, Qt::KeypadModifier | Qt::ShiftModifier), (KeyStroke{97, kShift}));
  EXPECT_EQ(plain(Qt::Key_Asterisk, Qt::KeypadModifier).key, 106);
  EXPECT_EQ(plain(Qt::Key_Minus, Qt::KeypadModifier).key, 109);
  EXPECT_EQ(plain(Qt::Key_Slash, Qt::KeypadModifier).key, 111);
  // Without Num Lock the keypad's keys navigate like the named ones.
  EXPECT_EQ(translateKey(Qt::Key_End, 87, Qt::KeypadModifier).key, 35);
  EXPECT_EQ(plain(Qt::Key_Enter, Qt::KeypadModifier).key, 13);
}

TEST(KeyCodes, TranslatesKeyEvents) {
  // On the test platform native codes mean nothing: the key decides.
  QKeyEvent shift1(QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier, 10, 0x21, 0, "!");
  EXPECT_EQ(translateKey(shift1), (KeyStroke{49, kShift}));
  QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::AltModifier);
  EXPECT_EQ(translateKey(f5), (KeyStroke{116, kAlt}));
}

}  // namespace
}  // namespace vistel
