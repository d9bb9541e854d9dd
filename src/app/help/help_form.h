#pragma once

#include <QPlainTextEdit>

#include "controls/picture_control.h"
#include "help/hidden_sequence.h"
#include "windows/form.h"

namespace vistel {

// The help window: the key and mouse reference in a read-only text box, and
// a hidden picture beneath it that a secret key sequence uncovers.
class THelpForm : public Form {
  Q_OBJECT

 public:
  THelpForm();

  QPlainTextEdit* Memo1 = nullptr;
  PictureControl* Image1 = nullptr;

  // F1 inverts the window's own visibility; other keys are ignored and no
  // key is consumed or handed on.
  void FormKeyDown(QObject* sender, int& key, int shift);
  // The text box's key handler: the hidden sequence.
  void Memo1KeyDown(QObject* sender, int& key, int shift);
  // Back to the text: picture hidden, text shown.
  void Image1Click();

  const HiddenSequence& sequence() const { return sequence_; }
  void keyDown(int& key, int shift) override;

 protected:
  bool event(QEvent* e) override;

 private:
  HiddenSequence sequence_;
};

}  // namespace vistel
