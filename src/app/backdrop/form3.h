#pragma once

#include "windows/form.h"

namespace vistel {

// The black backdrop behind the device: nearly opaque, takes no input,
// created by each opening and destroyed by each closing.
class TForm3 : public Form {
  Q_OBJECT

 public:
  TForm3();

  // F6 closes the backdrop (reached only if it ever had the focus).
  void FormKeyDown(QObject* sender, int& key, int shift);
  void keyDown(int& key, int shift) override;

  // Takes the backdrop off the screen and destroys it (later, from the
  // event loop, so that a handler of its own may call this).
  void closeBackdrop();
};

}  // namespace vistel
