#pragma once

#include <QCursor>

#include "controls/control.h"

namespace vistel {

// The screen cursor for a control's cursor shape. Shapes whose picture the
// application supplies (the multi-drag arrow with its stack of pages) come
// from setCursorPicture(); until then they show the arrow. Default has no
// picture of its own: the caller resolves it to the window's cursor first.
QCursor cursorFor(CursorShape shape);

void setCursorPicture(CursorShape shape, const QCursor& cursor);

}  // namespace vistel
