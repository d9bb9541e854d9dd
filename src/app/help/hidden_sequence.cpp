#include "help/hidden_sequence.h"

#include "controls/control.h"

namespace vistel {

bool HiddenSequence::keyDown(int key, int shift) {
  constexpr int kCtrlKey = 17;
  constexpr int kAltKey = 18;
  if (key == kCtrlKey || key == kAltKey) return false;
  if ((shift & kCtrl) == 0 || (shift & kAlt) == 0) return false;
  ++typedCount_;
  // The low byte of the key code: letter keys give upper-case letters
  // whatever Shift and Caps Lock say, F1 gives the character of code 112.
  typed_.push_back(static_cast<char>(key & 0xFF));
  if (typedCount_ != kLength) return false;
  const bool match = typed_ == kStored;
  typed_.clear();
  typedCount_ = 0;
  return match;
}

}  // namespace vistel
