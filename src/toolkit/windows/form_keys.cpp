// Form keys: the key handler of a form with key preview sees every key of
// its window before the focused child widget does.
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>

#include "windows/error_box.h"
#include "windows/form.h"
#include "windows/key_codes.h"

namespace vistel {

// One filter on the application catches key presses on their way to any
// widget of a form, however deep in the form it sits.
class KeyPreviewFilter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    auto* form = qobject_cast<Form*>(widget->window());
    // Only the first delivery, to the focused widget, is previewed; the
    // same event travelling up to the parents is not.
    if (form == nullptr || form == widget || !form->keyPreview() || form->focusWidget() != widget)
      return false;
    return form->previewKey(static_cast<QKeyEvent*>(e));
  }
};

void installKeyPreview() {
  static QPointer<KeyPreviewFilter> filter;
  if (!filter.isNull() || QCoreApplication::instance() == nullptr) return;
  filter = new KeyPreviewFilter;
  filter->setParent(QCoreApplication::instance());
  QCoreApplication::instance()->installEventFilter(filter);
}

bool Form::previewKey(QKeyEvent* e) {
  const KeyStroke stroke = translateKey(*e);
  if (stroke.key == 0) return false;
  int key = stroke.key;
  QPointer<Form> self(this);
  try {
    keyDown(key, stroke.shift);
  } catch (const std::exception& error) {
    showErrorBox(error);
  }
  // A key consumed, or a window gone with its widgets, ends here.
  return !self || key == 0;
}

void Form::keyPressEvent(QKeyEvent* e) {
  // A key that came up from a focused child was previewed already (or, with
  // preview off, is not the form's to see).
  if (focusWidget() != nullptr && focusWidget() != this) {
    e->ignore();
    return;
  }
  if (previewKey(e)) {
    e->accept();
  } else {
    e->ignore();
  }
}

void Form::keyDown(int& /*key*/, int /*shift*/) {}

}  // namespace vistel
