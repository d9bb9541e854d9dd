// Showing and hiding the chooser over the viewer, and the picture-name hints
// of its thumbnails.
#include "viewer/form1.h"

namespace vistel {

void TForm1::SelectImg1Click() {}
void TForm1::ImgName1Click() {}

}  // namespace vistel
