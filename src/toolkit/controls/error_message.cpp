#include "error_message.h"

namespace vistel {

QString errorMessageText(const QString& message) {
  if (message.isEmpty()) return message;
  // Every non-ASCII character sorts after "." too, in any encoding of it.
  if (message.back().unicode() > u'.') return message + u'.';
  return message;
}

}  // namespace vistel
