#include "program/open_request.h"

#include "chooser/get_img_form.h"
#include "viewer/form1.h"
#include "windows/window_stack.h"

namespace vistel::program {

void openHandedPath(TForm1& viewer, const std::string& path) {
  if (viewer.FClosing || viewer.FChooser == nullptr) return;
  if (viewer.FState.iconShown) {
    // Sent back: the way a press on the icon brings it forward.
    viewer.WMTrayIcon();
  } else {
    // Activating the viewer activates the application, which puts the set
    // back on top of everything.
    viewer.setVisible(true);
    viewer.setWindowPos(InsertAfter::top(), true);
  }
  if (!path.empty()) viewer.FChooser->OpenPath(path);
}

}  // namespace vistel::program
