#pragma once

#include <functional>

namespace vistel {

class FontPreload;

// Takes the panel's fits kept by an earlier run under this run's font
// set-up (program/caption_cache.h) for this run's: the first frame needs no
// font work. True when there were any; the preload then waits for the first
// frame and checks them.
bool adoptKeptCaptions();

// What the whole program shares, set up once the application object
// exists: its name "Vistel", the font substitutions, the panel's label faces
// and fits handed to the font thread (the first text on the screen) and the
// multi-drag cursor. The viewer sets the windows' icon once its first frame
// is out. The fits worked out are kept for the next run; where they differ
// from the ones adopted, `refit` runs on the UI thread.
void setUpApplication(FontPreload& fonts, std::function<void()> refit = {});

}  // namespace vistel
