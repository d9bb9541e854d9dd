#include "viewer/display_state.h"

#include "viewer/picture_rect.h"

namespace vistel {

const char* zoomCaption(ZoomMode mode) {
  using namespace picture_rect;
  switch (mode) {
    case ZoomMode::FullSize:
      return kFullSize;
    case ZoomMode::WholePicture:
      return kWholePicture;
    case ZoomMode::Cropped:
      return kCropped;
    case ZoomMode::ProportionalShrink:
      return kProportionalShrink;
    case ZoomMode::ProportionalScaling:
      return kProportionalScaling;
    case ZoomMode::FreeScaling:
      return kFreeScaling;
  }
  return kFullSize;
}

const char* centreCaption(bool centred) {
  return centred ? picture_rect::kCentred : picture_rect::kNotCentred;
}

}  // namespace vistel
