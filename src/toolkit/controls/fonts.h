#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace vistel {

// Faces the layouts ask for by their Windows names, mapped once to faces a
// Linux desktop has: "宋体" (and "SimSun") to the Ming face "AR PL UMing CN",
// "MS Sans Serif" to "DejaVu Sans".
void registerFontSubstitutions();

// A font of `pixelHeight` pixels of character height, drawn without
// antialiasing for the crisp look of a bitmap face.
QFont controlFont(const QString& family, int pixelHeight, bool bold = false);

// Where the characters of `text` fall when drawn with `font` in `box` with
// the alignment `flags`, with nothing clipped. The text is drawn, not
// measured from metrics, so the face the font really resolves to and its
// hinting count.
QRect textInk(const QFont& font, const QRect& box, int flags, const QString& text);

// `font` at the largest pixel size, at most its own, at which every one of
// `texts`, drawn in `box`, keeps its ink inside `bounds` (the box itself when
// `bounds` is empty). The faces a layout names are stand-ins for narrower
// bitmap faces, so a caption measured for those may not fit the stand-in at
// the asked size; it then gets a smaller one rather than losing its edge.
// Half the asked size is the floor.
QFont fittingFont(QFont font, const QRect& box, int flags, const QStringList& texts,
                  const QRect& bounds = {});

}  // namespace vistel
