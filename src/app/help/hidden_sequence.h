#pragma once

#include <string>

namespace vistel {

// The help window's hidden sequence: key presses made with both Ctrl and Alt
// held are collected, 22 at a time; when the 22nd arrives the collected
// characters are compared with the stored sequence and the collection starts
// over, match or not.
class HiddenSequence {
 public:
  static constexpr int kLength = 22;
  static constexpr const char* kStored = "MOVEBRIGHTPANELSONWARD";

  // One key-down event reaching the text box. Returns true when it completes
  // the stored sequence.
  bool keyDown(int key, int shift);

  const std::string& typed() const { return typed_; }
  int typedCount() const { return typedCount_; }

 private:
  std::string typed_;   // FTyped
  int typedCount_ = 0;  // FTypedCount
};

}  // namespace vistel
