#pragma once

namespace vistel {

class FontPreload;

// What the whole program shares, set up once the application object
// exists: its name "Vistel", the font substitutions, the panel's label faces
// and fits handed to the font thread (the first text on the screen) and the
// multi-drag cursor. The viewer sets the windows' icon once its first frame
// is out.
void setUpApplication(FontPreload& fonts);

}  // namespace vistel
