#pragma once

#include <QString>

namespace vistel {

// The text of an error shown to the user: a full stop is appended when the
// message's last character sorts after "." (so "JPEG error #53" reads
// "JPEG error #53."), while "Done." or "Stop!" stay as they are. The window
// layer shows it in a message box captioned with the application's title.
QString errorMessageText(const QString& message);

}  // namespace vistel
