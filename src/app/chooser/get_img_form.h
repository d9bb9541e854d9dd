#pragma once

#include <QFrame>

#include "windows/form.h"

namespace vistel {

// The image chooser: a window of the viewer's size, all of it blue (its
// colour key) but for one silver panel, wholepanel, that carries the
// browsing controls. Shown from creation, yet invisible until the chooser
// toggle shows wholepanel.
class TGetImgForm : public Form {
  Q_OBJECT

 public:
  TGetImgForm();
  ~TGetImgForm() override;

  QFrame* wholepanel = nullptr;

  // Hands every key to the viewer's command map, unchanged.
  void FormKeyDown(QObject* sender, int& key, int shift);
  void keyDown(int& key, int shift) override;

 private:
  void FormCreate();
  void FormDestroy();
};

}  // namespace vistel
