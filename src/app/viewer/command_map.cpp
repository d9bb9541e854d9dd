// The command map of the whole window set: the viewer's key handler, which
// the panel and the chooser hand their keys to.
#include "viewer/form1.h"
#include "windows/key_codes.h"

namespace vistel {

void TForm1::FormKeyDown(QObject*, int& key, int) {
  if (key == vk::kF1) Help1Click();
}

}  // namespace vistel
