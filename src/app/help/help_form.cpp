#include "help/help_form.h"

#include <QKeyEvent>
#include <functional>

#include "assets/embedded_assets.h"
#include "controls/fonts.h"
#include "help/help_text.h"
#include "pictures/bmp_reader.h"
#include "windows/cursors.h"
#include "windows/key_codes.h"

namespace vistel {
namespace {

// The read-only text box. Its key handler runs after the window's key
// preview has seen the key, like any focused control's.
class MemoBox : public QPlainTextEdit {
 public:
  MemoBox(QWidget* parent, std::function<void(int&, int)> onKeyDown)
      : QPlainTextEdit(parent), onKeyDown_(std::move(onKeyDown)) {}

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    KeyStroke k = translateKey(*e);
    if (k.key != 0) onKeyDown_(k.key, k.shift);
    QPlainTextEdit::keyPressEvent(e);
  }

 private:
  std::function<void(int&, int)> onKeyDown_;
};

}  // namespace

THelpForm::THelpForm(Contents contents) : Form(BorderStyle::Dialog) {
  setWindowTitle(QStringLiteral("帮助"));
  // The viewer's task-bar entry stands for the whole set.
  setTaskBarEntry(false);
  setClientSize(345, 242);
  setPosition(405, 194);
  setColor(palette().color(QPalette::Button).rgb() & kRgbMask);
  setStayOnTop(true);
  setKeyPreview(true);
  // The window itself holds the focus while the text box is hidden.
  setFocusPolicy(Qt::ClickFocus);
  // A click on the window itself (only reachable while the text is hidden).
  onMouseUp = [this](Form&, const MouseEvent& e) {
    if (e.button == MouseButton::Left) Image1Click();
  };
  if (contents == Contents::Now) buildContents();
}

void THelpForm::buildContents() {
  if (Memo1 != nullptr) return;
  Image1 = create<PictureControl>();
  Image1->setName(QStringLiteral("Image1"));
  Image1->setBounds(65, 45, 212, 151);
  Image1->setPicture(std::make_unique<BitmapPicture>(readBmp(assets::helpPictureBmp())));
  Image1->setHint(QStringLiteral("PGlimra006"));
  Image1->setShowHint(true);
  Image1->onClick = [this](Control&) { Image1Click(); };

  Memo1 = new MemoBox(this, [this](int& key, int shift) { Memo1KeyDown(Memo1, key, shift); });
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setGeometry(0, 0, 345, 242);
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setFont(controlFont(QStringLiteral("MS Sans Serif"), 12));
  Memo1->setPlainText(helpTextLines().join(QLatin1Char('\n')));
  Memo1->viewport()->setCursor(cursorFor(CursorShape::MultiDrag));
  Memo1->setFocus();
}

void THelpForm::setVisible(bool visible) {
  if (visible) buildContents();
  Form::setVisible(visible);
}

void THelpForm::keyDown(int& key, int shift) { FormKeyDown(this, key, shift); }

void THelpForm::FormKeyDown(QObject*, int& key, int) {
  if (key == vk::kF1) setVisible(!visible());
}

void THelpForm::Memo1KeyDown(QObject*, int& key, int shift) {
  if (sequence_.keyDown(key, shift)) {
    Memo1->setVisible(false);
    Image1->setVisible(true);
    // The hidden text box gives the focus up to the window itself, so keys
    // pressed meanwhile reach only the window's own handler.
    setFocus();
  }
}

void THelpForm::Image1Click() {
  if (Memo1 == nullptr) return;
  Image1->setVisible(false);
  Memo1->setVisible(true);
}

bool THelpForm::event(QEvent* e) {
  // On activation the text box, the window's first focusable control, takes
  // the focus again when it is shown.
  if (e->type() == QEvent::WindowActivate && Memo1 != nullptr && Memo1->isVisible())
    Memo1->setFocus();
  return Form::event(e);
}

}  // namespace vistel
