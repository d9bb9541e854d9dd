#pragma once

#include <QIcon>
#include <memory>

#include "pictures/picture.h"

namespace vistel {

// The program icon (a magnifying glass, 32 by 32, 16 colours with a mask),
// as a picture for the viewer's hidden Image1 and as the platform icon of
// the windows and the notification area.
std::unique_ptr<Picture> programIconPicture();
QIcon programIcon();

// The multi-drag cursor (an arrow with a stack of three pages), registered
// for CursorShape::MultiDrag.
void registerMultiDragCursor();

}  // namespace vistel
