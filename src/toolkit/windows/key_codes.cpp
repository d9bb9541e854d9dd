#include "windows/key_codes.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <array>
#include <utility>

#include "controls/control.h"

namespace vistel {
namespace {

// XKB key codes of the main keyboard's digit row: "1" is 10 ... "9" is 18,
// "0" is 19 (evdev code + 8, the same under X11 and Wayland).
constexpr std::uint32_t kScanDigit1 = 10;
constexpr std::uint32_t kScanDigit0 = 19;

int digitFromScanCode(std::uint32_t scan) {
  if (scan < kScanDigit1 || scan > kScanDigit0) return -1;
  return scan == kScanDigit0 ? 0 : static_cast<int>(scan - kScanDigit1) + 1;
}

// Shifted digit-row symbols of the US layout, for events without a scan code.
int digitFromShiftedSymbol(int key) {
  constexpr std::array<std::pair<int, int>, 10> kSymbols{{
      {Qt::Key_ParenRight, 0},
      {Qt::Key_Exclam, 1},
      {Qt::Key_At, 2},
      {Qt::Key_NumberSign, 3},
      {Qt::Key_Dollar, 4},
      {Qt::Key_Percent, 5},
      {Qt::Key_AsciiCircum, 6},
      {Qt::Key_Ampersand, 7},
      {Qt::Key_Asterisk, 8},
      {Qt::Key_ParenLeft, 9},
  }};
  for (const auto& [symbol, digit] : kSymbols)
    if (symbol == key) return digit;
  return -1;
}

int keypadCode(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return vk::kNumpad0 + (key - Qt::Key_0);
  switch (key) {
    case Qt::Key_Asterisk:
      return vk::kMultiply;
    case Qt::Key_Plus:
      return vk::kAdd;
    case Qt::Key_Comma:
      return vk::kSeparator;
    case Qt::Key_Minus:
      return vk::kSubtract;
    case Qt::Key_Period:
      return vk::kDecimal;
    case Qt::Key_Slash:
      return vk::kDivide;
    default:
      return 0;  // navigation keys of the keypad keep their own codes
  }
}

int namedKeyCode(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return vk::kA + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return vk::k0 + (key - Qt::Key_0);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return vk::kF1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return vk::kBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return vk::kTab;
    case Qt::Key_Clear:
      return vk::kClear;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vk::kReturn;
    case Qt::Key_Shift:
      return vk::kShift;
    case Qt::Key_Control:
      return vk::kControl;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
      return vk::kMenu;
    case Qt::Key_Pause:
      return vk::kPause;
    case Qt::Key_CapsLock:
      return vk::kCapital;
    case Qt::Key_Escape:
      return vk::kEscape;
    case Qt::Key_Space:
      return vk::kSpace;
    case Qt::Key_PageUp:
      return vk::kPrior;
    case Qt::Key_PageDown:
      return vk::kNext;
    case Qt::Key_End:
      return vk::kEnd;
    case Qt::Key_Home:
      return vk::kHome;
    case Qt::Key_Left:
      return vk::kLeft;
    case Qt::Key_Up:
      return vk::kUp;
    case Qt::Key_Right:
      return vk::kRight;
    case Qt::Key_Down:
      return vk::kDown;
    case Qt::Key_Print:
    case Qt::Key_SysReq:
      return vk::kSnapshot;
    case Qt::Key_Insert:
      return vk::kInsert;
    case Qt::Key_Delete:
      return vk::kDelete;
    case Qt::Key_Help:
      return vk::kHelp;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
      return vk::kLWin;
    case Qt::Key_Menu:
      return vk::kApps;
    case Qt::Key_NumLock:
      return vk::kNumLock;
    case Qt::Key_ScrollLock:
      return vk::kScroll;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
      return vk::kOem1;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
      return vk::kOemPlus;
    case Qt::Key_Comma:
    case Qt::Key_Less:
      return vk::kOemComma;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
      return vk::kOemMinus;
    case Qt::Key_Period:
    case Qt::Key_Greater:
      return vk::kOemPeriod;
    case Qt::Key_Slash:
    case Qt::Key_Question:
      return vk::kOem2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
      return vk::kOem3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
      return vk::kOem4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
      return vk::kOem5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
      return vk::kOem6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
      return vk::kOem7;
    default:
      return 0;
  }
}

}  // namespace

int shiftFlags(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  int flags = 0;
  if (modifiers & Qt::ShiftModifier) flags |= kShift;
  if (modifiers & Qt::AltModifier) flags |= kAlt;
  if (modifiers & Qt::ControlModifier) flags |= kCtrl;
  if (buttons & Qt::LeftButton) flags |= kLeftButton;
  if (buttons & Qt::RightButton) flags |= kRightButton;
  if (buttons & Qt::MiddleButton) flags |= kMiddleButton;
  return flags;
}

KeyStroke translateKey(int qtKey, std::uint32_t scanCode, Qt::KeyboardModifiers modifiers) {
  KeyStroke out;
  out.shift = shiftFlags(modifiers);
  // X11 reports the modifier state from before the event, so a modifier's
  // own press would arrive without its flag; the handlers expect it held.
  switch (qtKey) {
    case Qt::Key_Shift:
      out.shift |= kShift;
      break;
    case Qt::Key_Control:
      out.shift |= kCtrl;
      break;
    case Qt::Key_Alt:
      out.shift |= kAlt;
      break;
    case Qt::Key_AltGr:
      out.shift |= kAlt | kCtrl;  // AltGr is Ctrl+Alt on the original platform
      break;
    default:
      break;
  }

  if (modifiers & Qt::KeypadModifier) {
    if (const int code = keypadCode(qtKey); code != 0) {
      out.key = code;
      return out;
    }
  } else if (const int digit = digitFromScanCode(scanCode); digit >= 0) {
    out.key = vk::k0 + digit;
    return out;
  } else if (scanCode == 0) {
    if (const int shifted = digitFromShiftedSymbol(qtKey); shifted >= 0) {
      out.key = vk::k0 + shifted;
      return out;
    }
  }
  out.key = namedKeyCode(qtKey);
  return out;
}

KeyStroke translateKey(const QKeyEvent& event) {
  const QString platform = QGuiApplication::platformName();
  // Only X11 and Wayland give XKB key codes; elsewhere the scan code means
  // something else (or nothing, for synthetic events).
  const bool xkb = platform == QLatin1String("xcb") || platform == QLatin1String("wayland");
  if (platform == QLatin1String("windows") && event.nativeVirtualKey() != 0) {
    return {static_cast<int>(event.nativeVirtualKey() & 0xFFFF), shiftFlags(event.modifiers())};
  }
  return translateKey(event.key(), xkb ? event.nativeScanCode() : 0, event.modifiers());
}

}  // namespace vistel
