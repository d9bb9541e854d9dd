#pragma once

#include <QFont>
#include <QString>

namespace vistel {

// Faces the layouts ask for by their Windows names, mapped once to faces a
// Linux desktop has: "宋体" (and "SimSun") to the Ming face "AR PL UMing CN",
// "MS Sans Serif" to "DejaVu Sans".
void registerFontSubstitutions();

// A font of `pixelHeight` pixels of character height, drawn without
// antialiasing for the crisp look of a bitmap face.
QFont controlFont(const QString& family, int pixelHeight, bool bold = false);

}  // namespace vistel
