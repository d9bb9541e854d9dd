#pragma once

// What the device currently shows and how, in one place: the commands change
// it, the windows draw from it (the panel's status labels, the "+" switch and
// the guide lines, the chooser's placement of a chosen picture). Nothing is
// read back from a caption, a colour or a tag.

namespace vistel {

// How the picture is sized; each mode has its own text in the panel's zoom
// label.
enum class ZoomMode {
  FullSize,             // natural size
  WholePicture,         // the whole-picture placement
  Cropped,              // sized by hand, drawn unscaled
  ProportionalShrink,   // shrunk to fit, proportions kept
  ProportionalScaling,  // scaled to the frame, proportions kept
  FreeScaling,          // stretched to the frame
};

struct DisplayState {
  ZoomMode zoom = ZoomMode::FullSize;
  bool centred = false;        // the picture is drawn centred in its rectangle
  bool guides = false;         // the guide lines are shown
  bool wholePicture = false;   // the whole-picture switch is on
  bool opaque = false;         // the opaque switch is on
  bool chooserBehind = false;  // the chooser lies behind the picture
  bool iconShown = false;      // the notification-area icon stands for the set
  friend bool operator==(const DisplayState&, const DisplayState&) = default;
};

// The status label texts (UTF-8).
const char* zoomCaption(ZoomMode mode);
const char* centreCaption(bool centred);

}  // namespace vistel
