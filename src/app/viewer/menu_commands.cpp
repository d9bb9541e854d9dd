// Popup-menu operations whose behaviour comes with the stacking commands and
// the picture rectangle.
#include "viewer/form1.h"

namespace vistel {

// Sending the window set back is built with the stacking commands.
void TForm1::Back1Click() {}

void TForm1::Reset1Click() { ResetView(); }

}  // namespace vistel
