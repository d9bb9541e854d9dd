// Popup-menu operations of the picture rectangle.
#include "viewer/form1.h"

namespace vistel {

void TForm1::Reset1Click() { ResetView(); }

}  // namespace vistel
