#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "bitmap.h"

namespace vistel {

// Reads a BMP file held in memory. Accepts the "BM" signature with a 12-byte
// or a 40-or-more-byte info header, plane count 1, 1/4/8 bits with a colour
// table, 16/24/32 bits (with bit-field masks after a 40-byte header), RLE4 and
// RLE8, bottom-up and top-down rows. Uncompressed pixel data cut short loads
// the rows that are there. An empty input is an empty 0 by 0 bitmap.
// Anything else throws PictureError("Bitmap image is not valid"), before any
// pixel memory is allocated when the header already tells.
Bitmap readBmp(std::span<const std::uint8_t> data);

// The same for a file; an unreadable file throws PictureError as well.
Bitmap readBmpFile(const std::string& path);

}  // namespace vistel
