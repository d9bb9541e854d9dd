#pragma once

#include <Qt>
#include <cstdint>

class QKeyEvent;

namespace vistel {

// Virtual-key codes of the command map (16-bit, the values of the original
// platform). Letters and main-keyboard digits use their ASCII capitals.
namespace vk {
constexpr int kBack = 8;
constexpr int kTab = 9;
constexpr int kClear = 12;
constexpr int kReturn = 13;
constexpr int kShift = 16;
constexpr int kControl = 17;
constexpr int kMenu = 18;  // Alt
constexpr int kPause = 19;
constexpr int kCapital = 20;
constexpr int kEscape = 27;
constexpr int kSpace = 32;
constexpr int kPrior = 33;  // Page Up
constexpr int kNext = 34;   // Page Down
constexpr int kEnd = 35;
constexpr int kHome = 36;
constexpr int kLeft = 37;
constexpr int kUp = 38;
constexpr int kRight = 39;
constexpr int kDown = 40;
constexpr int kSnapshot = 44;
constexpr int kInsert = 45;
constexpr int kDelete = 46;
constexpr int kHelp = 47;
constexpr int k0 = 48;  // '0'..'9' are 48..57
constexpr int k1 = 49;
constexpr int k2 = 50;
constexpr int k3 = 51;
constexpr int kA = 65;  // 'A'..'Z' are 65..90
constexpr int kLWin = 91;
constexpr int kApps = 93;
constexpr int kNumpad0 = 96;  // keypad digits 96..105
constexpr int kMultiply = 106;
constexpr int kAdd = 107;
constexpr int kSeparator = 108;
constexpr int kSubtract = 109;
constexpr int kDecimal = 110;
constexpr int kDivide = 111;
constexpr int kF1 = 112;  // F1..F24 are 112..135
constexpr int kF2 = 113;
constexpr int kF3 = 114;
constexpr int kF4 = 115;
constexpr int kF5 = 116;
constexpr int kF6 = 117;
constexpr int kF7 = 118;
constexpr int kF8 = 119;
constexpr int kF9 = 120;
constexpr int kF10 = 121;
constexpr int kF11 = 122;
constexpr int kF12 = 123;
constexpr int kNumLock = 144;
constexpr int kScroll = 145;
constexpr int kOem1 = 186;       // ;:
constexpr int kOemPlus = 187;    // =+
constexpr int kOemComma = 188;   // ,<
constexpr int kOemMinus = 189;   // -_
constexpr int kOemPeriod = 190;  // .>
constexpr int kOem2 = 191;       // /?
constexpr int kOem3 = 192;       // `~
constexpr int kOem4 = 219;       // [{
constexpr int kOem5 = 220;       // \|
constexpr int kOem6 = 221;       // ]}
constexpr int kOem7 = 222;       // '"
}  // namespace vk

// A key press as the windows' key handlers see it: the virtual-key code
// (0 when the key has none) and the shift flags (ShiftFlag bits of
// controls/control.h: Shift 1, Alt 2, Ctrl 4).
struct KeyStroke {
  int key = 0;
  int shift = 0;
  friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// Shift flags of keyboard modifiers and mouse buttons.
int shiftFlags(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);

// Translates a key press. `scanCode` is the XKB key code where the platform
// gives one (X11, Wayland) and 0 otherwise: the main keyboard's digit row is
// then recognised by its physical key, whatever the layout prints on it.
KeyStroke translateKey(int qtKey, std::uint32_t scanCode, Qt::KeyboardModifiers modifiers);
KeyStroke translateKey(const QKeyEvent& event);

}  // namespace vistel
