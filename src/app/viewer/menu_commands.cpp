// Popup-menu operations whose behaviour is built out with the gestures, the
// chooser and the stacking commands.
#include "viewer/form1.h"

namespace vistel {

void TForm1::SelectImg1Click() {}
void TForm1::Back1Click() {}
void TForm1::ImgName1Click() {}
void TForm1::Reset1Click() {}

}  // namespace vistel
