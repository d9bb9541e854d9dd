#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "bitmap.h"

namespace vistel {

// A compact form of a bitmap's pixels that reads back at memory speed, for
// pictures decoded once when the program is built: row by row, runs of one
// repeated colour and runs of pixels given one by one, 24 bits a pixel.
// A picture on a plain background packs to little more than its drawn part.
std::vector<std::uint8_t> packPixelRuns(const Bitmap& bitmap);

// The bitmap back, with its format and palette. Throws PictureError on data
// that is not a whole, well-formed run form.
Bitmap unpackPixelRuns(std::span<const std::uint8_t> packed);

}  // namespace vistel
