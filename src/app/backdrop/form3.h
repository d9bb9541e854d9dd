#pragma once

#include <functional>

#include "windows/form.h"

namespace vistel {

// The black backdrop behind the device: nearly opaque, takes no input,
// created by each opening and destroyed by each closing.
class TForm3 : public Form {
  Q_OBJECT

 public:
  TForm3();

  // What happens to the backdrop, told to the one place that wires the
  // window set: F6 closed it (reached only if it ever had the focus).
  struct Events {
    std::function<void()> closedByKey;
  } events;

  void FormKeyDown(QObject* sender, int& key, int shift);
  void keyDown(int& key, int shift) override;

  // Takes the backdrop off the screen and destroys it (later, from the
  // event loop, so that a handler of its own may call this).
  void closeBackdrop();
};

}  // namespace vistel
