#include "windows/cursors.h"

#include <map>

namespace vistel {
namespace {

std::map<CursorShape, QCursor>& pictures() {
  static std::map<CursorShape, QCursor> p;
  return p;
}

}  // namespace

void setCursorPicture(CursorShape shape, const QCursor& cursor) { pictures()[shape] = cursor; }

QCursor cursorFor(CursorShape shape) {
  if (const auto it = pictures().find(shape); it != pictures().end()) return it->second;
  switch (shape) {
    case CursorShape::SizeWE:
      return QCursor(Qt::SizeHorCursor);
    case CursorShape::AppStart:
      return QCursor(Qt::BusyCursor);
    case CursorShape::Default:
    case CursorShape::Arrow:
    case CursorShape::MultiDrag:
      break;
  }
  return QCursor(Qt::ArrowCursor);
}

}  // namespace vistel
