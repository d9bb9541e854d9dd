#include "device/window_attributes.h"

#include "windows/form.h"

namespace vistel {

void applyDeviceAttributes(Form& form, Rgb color) {
  form.setClientSize(kDeviceWidth, kDeviceHeight);
  form.setPosition(kDeviceLeft, kDeviceTop);
  form.setColor(color);
  form.setAlphaBlend(true);
  form.setAlphaBlendValue(kDeviceAlpha);
  form.setTransparentColor(true);
  form.setTransparentColorValue(color);
  form.setStayOnTop(true);
  form.setKeyPreview(true);
  form.setFormCursor(CursorShape::MultiDrag);
}

}  // namespace vistel
