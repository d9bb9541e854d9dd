#pragma once

#include <memory>
#include <string>

#include "picture.h"

namespace vistel {

// Loads a picture file, choosing its kind by the extension compared without
// case: "bmp" a bitmap, "jpg" and "jpeg" a JPEG picture. Any other extension
// throws PictureError("Unknown picture file extension (.ext)"); a file that
// cannot be read throws the reader's error.
std::unique_ptr<Picture> loadPictureFile(const std::string& path);

}  // namespace vistel
