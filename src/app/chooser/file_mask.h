#pragma once

#include <string>
#include <string_view>

namespace vistel {

// File-name masks of the chooser's file list: patterns separated by ";",
// "*" for any run of characters and "?" for one, letters compared without
// case. Names are raw file-system bytes (they need not be valid UTF-8); "?"
// takes a whole UTF-8 sequence when there is one.

// An empty pattern matches nothing.
bool matchesPattern(std::string_view name, std::string_view pattern);

// True when any pattern of the mask matches; the empty mask matches nothing.
bool matchesMask(std::string_view name, std::string_view mask);

// The mask the two type boxes stand for: "*.Bmp" and/or ";*.Jpg".
std::string maskFor(bool bmpChecked, bool jpgChecked);

// The loader's choice of decoder: the extension, from the last ".", equals
// ".Jpg" without case. Everything else is read as a bitmap.
bool isJpegName(std::string_view name);

}  // namespace vistel
