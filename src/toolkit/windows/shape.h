#pragma once

#include <QImage>
#include <QRegion>

#include "pictures/geometry.h"

namespace vistel {

// The shape of a colour-keyed window: every pixel of `image` (32-bit) whose
// colour is not exactly `key`. Built from runs of such pixels, row by row,
// with equal neighbouring rows joined into one band.
QRegion keyedShape(const QImage& image, Rgb key);

// The same region by way of Qt's colour mask and bitmap region (slower; kept
// to check keyedShape against and to measure).
QRegion keyedShapeViaBitmap(const QImage& image, Rgb key);

// Regions compare equal by area, whatever rectangles they are made of.
inline bool sameRegion(const QRegion& a, const QRegion& b) { return (a ^ b).isEmpty(); }

}  // namespace vistel
