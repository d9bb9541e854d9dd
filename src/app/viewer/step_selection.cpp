// Arrow-key stepping through the chooser's thumbnail grid.
#include "viewer/form1.h"

namespace vistel {

// The grid and its loader are not built yet: nothing to step through, so the
// key is left for the focused control.
void TForm1::StepSelection(int&, int) {}

}  // namespace vistel
