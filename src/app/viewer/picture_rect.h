#pragma once

// The arithmetic of the picture rectangle: edge moves, zoom steps, centring
// and the whole-picture placement. No windows here, so every rule can be
// checked on its own; the viewer applies the results to ImgBottoMov.
#include <optional>

#include "panel/status_texts.h"
#include "viewer/display_state.h"

namespace vistel::picture_rect {

// ImgBottoMov's bounds in viewer client pixels.
struct Frame {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Frame&, const Frame&) = default;
};

// Operation codes of ResizeFrame: an edge move by 4 pixels, a zoom step or
// the natural size. Any other value is a zoom step by its sign.
enum class RectCode : int {
  TopUp = 11,
  TopDown = 12,
  LeftLeft = 13,
  LeftRight = 14,
  BottomUp = 21,
  BottomDown = 22,
  RightLeft = 23,
  RightRight = 24,
  ZoomIn = -20,
  ZoomOut = 20,
  NaturalSize = 30,
};

// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4); saturates at the
// int range so that a silly aspect ratio cannot overflow.
int roundHalfEven(double x);

// (viewer - size) div 2, truncating toward zero: -209 div 2 is -104.
int centredOffset(int viewerSize, int size);

// Width removed by one zoom step: -10 for zooming in (negative codes), 10 %
// of the width below half the viewer's width, 25 % from there on.
int zoomStep(RectCode code, int width, int viewerWidth);

// The rectangle after an edge move or zoom step (any code but natural size),
// or nothing when its width or height would be 0 or less.
std::optional<Frame> resized(const Frame& current, RectCode code, double aspect, int viewerWidth,
                             int viewerHeight);

// Centred in the viewer, size kept.
Frame centred(const Frame& current, int viewerWidth, int viewerHeight);

// The whole picture: centred on (415, 300) of the viewer, the picture's
// aspect ratio, a diagonal of 500 pixels. Width and height come from the
// rounded left and top, so the centre stays exact.
Frame wholePicture(double aspect);

// Display flags of the picture control and the texts of the two status
// labels that the display-mode toggles write.
struct DisplayFlags {
  bool autoSize = true;
  bool stretch = false;
  bool proportional = false;
  bool center = false;
  friend bool operator==(const DisplayFlags&, const DisplayFlags&) = default;
};

enum class Toggle { Proportional, ProportionalStretch, Stretch, Center };

struct ToggleResult {
  DisplayFlags flags;
  bool zoomLabel = true;  // the zoom mode changed (else the centring)
  ZoomMode zoom = ZoomMode::Cropped;
  const char* text = "";  // the changed label's new text, UTF-8
};

// One display-mode toggle; nothing when it is ignored (the three scaling
// toggles while AutoSize is on).
std::optional<ToggleResult> toggled(const DisplayFlags& flags, Toggle which);

// Status label texts.
using status_texts::kCentred;
using status_texts::kCropped;
using status_texts::kFreeScaling;
using status_texts::kFullSize;
using status_texts::kNotCentred;
using status_texts::kProportionalScaling;
using status_texts::kProportionalShrink;
using status_texts::kWholePicture;

}  // namespace vistel::picture_rect
