#pragma once

#include "pictures/geometry.h"

namespace vistel {

class Form;

// The device's windows (viewer, panel, chooser) share their layout: 792 by
// 611 at (200, 100), borderless, stay-on-top, translucent at 150 and
// see-through wherever they paint their own colour, which is also their
// background. Only the colour differs.
void applyDeviceAttributes(Form& form, Rgb color);

constexpr int kDeviceLeft = 200;
constexpr int kDeviceTop = 100;
constexpr int kDeviceWidth = 792;
constexpr int kDeviceHeight = 611;
constexpr int kDeviceAlpha = 150;

}  // namespace vistel
