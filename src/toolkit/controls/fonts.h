#pragma once

#include <QFont>
#include <QString>
#include <thread>

namespace vistel {

// Faces the layouts ask for by their Windows names, mapped once to faces a
// Linux desktop has: "宋体" (and "SimSun") to the Ming face "AR PL UMing CN",
// "MS Sans Serif" to "DejaVu Sans".
void registerFontSubstitutions();

// A font of `pixelHeight` pixels of character height, drawn without
// antialiasing for the crisp look of a bitmap face.
QFont controlFont(const QString& family, int pixelHeight, bool bold = false);

// Reads the system's font configuration (fontconfig's files and caches,
// which the first text a program draws waits for) on a thread of its own,
// so that it overlaps the program's other start-up work, such as connecting
// to the window system. wait() before the first text; the destructor waits
// too.
class FontConfigPreload {
 public:
  FontConfigPreload();
  ~FontConfigPreload();
  FontConfigPreload(const FontConfigPreload&) = delete;
  FontConfigPreload& operator=(const FontConfigPreload&) = delete;
  void wait();

 private:
  std::thread thread_;
};

}  // namespace vistel
