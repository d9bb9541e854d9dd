#pragma once

// The small pictures: the program icon, the multi-drag cursor, the help
// window's hidden picture, the chooser's locator and its drive and folder
// glyphs.

#include <QImage>
#include <QPoint>
#include <string>
#include <vector>

namespace assetgen {

struct Icon {
  QImage indexed;                 // 32 x 32, Format_Indexed8 over the VGA palette
  std::vector<bool> transparent;  // row-major, true where the AND mask hides the pixel
};
Icon drawProgramIcon();
// The program icon for desktop icon themes: size x size, ARGB.
QImage drawThemeIcon(int size);

struct Cursor {
  QImage image;  // 32 x 32 ARGB with transparency
  QPoint hotSpot;
};
Cursor drawMultiDragCursor();

QImage drawHelpPicture();  // 201 x 151, opaque
QImage drawLocator();      // 43 x 20, opaque

struct Glyph {
  std::string name;  // file name stem, e.g. "drive_floppy"
  QImage indexed;    // Format_Indexed8 over the VGA palette, blue background
};
// Drive glyphs are 16 x 11, folder glyphs 16 x 15.
std::vector<Glyph> drawDriveAndFolderGlyphs();

}  // namespace assetgen
