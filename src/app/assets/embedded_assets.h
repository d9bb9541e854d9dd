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
// The skin's pixels exactly as the program's JPEG decoder gives them for a
// full-colour screen, decoded when the program was built, in the run form
// of pictures/pixel_runs.h.
Bytes panelSkinPixels();

// The program icon: a Windows icon file holding one 32 x 32, 16-colour image
// with its 1-bit transparency mask (a magnifying glass).
Bytes programIconIco();

// The multi-drag cursor (an arrow with a stack of three pages): 32 x 32 PNG
// with transparency. Its hot spot is the arrow's tip:
Bytes multiDragCursorPng();
inline constexpr int kMultiDragHotSpotX = 0;
inline constexpr int kMultiDragHotSpotY = 0;
// Its pixels, decoded by Qt when the program was built: 32-bit ARGB,
// unpremultiplied, row by row, each pixel little-endian.
Bytes multiDragCursorPixels();
inline constexpr int kMultiDragCursorSize = 32;

// The help window's hidden picture: BMP, 201 x 151, 24 bits per pixel.
Bytes helpPictureBmp();

// The chooser's locator glyph: BMP, 43 x 20, 24 bits per pixel, a yellow key
// on a dark-blue bevelled face, recognisable from its top-left 30 x 8 part.
Bytes locatorBmp();

// Glyphs of the chooser's drive and folder lists: 16-colour BMPs, 16 x 11
// for drives and 16 x 15 for folders, on pure blue (0, 0, 255), which is
// also their bottom-left pixel and their transparent colour.
enum class DriveGlyph { Floppy, Fixed, Network, CdRom, Ram };
enum class FolderGlyph { Open, Closed, Current };
Bytes driveGlyphBmp(DriveGlyph kind);
Bytes folderGlyphBmp(FolderGlyph kind);

}  // namespace vistel::assets
