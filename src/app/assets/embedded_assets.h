#pragma once

// The pictures built into the program. Each function returns the bytes of
// one file exactly as stored under assets/ in the source tree; they live for
// the whole run. Decode them with the BMP and JPEG readers (or Qt for the
// icon and the cursor).

#include <cstdint>
#include <span>

namespace vistel::assets {

using Bytes = std::span<const std::uint8_t>;

// The viewer's picture frame: BMP, 840 x 620, 1 bit per pixel, palette
// entry 0 black, entry 1 white. White is the picture opening (bounding box
// x 136..695, y 40..558); everything else is black.
Bytes frameMaskBmp();

// The control panel's skin: progressive JFIF JPEG, 836 x 595, three
// components with 2x2 chroma sampling. A flower wreath on pure white whose
// inner outline is the frame mask's opening; the panel's hot spots lie on
// the dots of the butterfly at its top right.
Bytes panelSkinJpg();

}  // namespace vistel::assets
