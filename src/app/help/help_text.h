#pragma once

#include <QStringList>

namespace vistel {

// The 27 lines of the key and mouse reference shown in the help window.
QStringList helpTextLines();

}  // namespace vistel
