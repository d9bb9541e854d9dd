// Popup-menu operations whose behaviour comes with the stacking commands and
// the picture rectangle.
#include "viewer/form1.h"

namespace vistel {

void TForm1::Back1Click() {}
void TForm1::Reset1Click() {}

}  // namespace vistel
