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
  // When the contents are built: with the window, or when it is first shown
  // (for a program that starts with it hidden: the start does not wait for
  // the text box and the picture). The window itself, with its place, size,
  // caption and attributes, is built at once either way.
  enum class Contents { Now, OnFirstShow };
  explicit THelpForm(Contents contents = Contents::Now);

  // None until the contents are built.
  QPlainTextEdit* Memo1 = nullptr;
  PictureControl* Image1 = nullptr;

  void setVisible(bool visible) override;

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
  void buildContents();
  HiddenSequence sequence_;
};

}  // namespace vistel
