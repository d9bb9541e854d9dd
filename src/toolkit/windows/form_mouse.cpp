// Form mouse input: presses, moves, releases, clicks and double clicks go to
// the last-created visible, enabled control under the pointer (or to the one
// that took the press while a button is held); hints and cursors follow the
// control under the pointer.
#include <QMouseEvent>
#include <QPointer>
#include <optional>

#include "windows/cursors.h"
#include "windows/desktop.h"
#include "windows/error_box.h"
#include "windows/form.h"

namespace vistel {
namespace {

// Runs a handler; an error escaping it is shown, and input goes on.
template <typename F>
void guarded(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    showErrorBox(e);
  }
}

// Notes the window's origin as the window system saw it for the event in
// hand, until the event has been handled.
class EventOrigin {
 public:
  EventOrigin(std::optional<QPoint>& slot, const QMouseEvent& e) : slot_(slot), saved_(slot) {
    slot_ = (e.globalPosition() - e.position()).toPoint();
  }
  ~EventOrigin() { slot_ = saved_; }
  EventOrigin(const EventOrigin&) = delete;
  EventOrigin& operator=(const EventOrigin&) = delete;

 private:
  std::optional<QPoint>& slot_;
  std::optional<QPoint> saved_;
};

}  // namespace

QPoint Form::clientToScreen(const QPoint& client) const {
  return eventOrigin_ ? *eventOrigin_ + client : mapToGlobal(client);
}

QPoint Form::screenToClient(const QPoint& screen) const {
  return eventOrigin_ ? screen - *eventOrigin_ : mapFromGlobal(screen);
}

void Form::mousePressEvent(QMouseEvent* e) { dispatchDown(e, false); }

void Form::mouseDoubleClickEvent(QMouseEvent* e) { dispatchDown(e, true); }

void Form::dispatchDown(QMouseEvent* e, bool doubleClick) {
  const std::optional<MouseButton> button = controlButton(e->button());
  if (!button) return;
  EventOrigin origin(eventOrigin_, *e);
  controls_.hideHint();
  QPointer<Form> self(this);
  // The press raises and activates the window before any handler runs.
  desktop_->stack().click(id_);
  if (!self) return;

  const QPoint p = e->position().toPoint();
  Control* target = capturing_ ? capture_ : controlAt(p.x(), p.y());
  capture_ = target;
  capturing_ = true;
  if (*button == MouseButton::Left) clickArmed_ = !doubleClick;
  const MouseEvent m = controlMouseEvent(*e, *button, target, doubleClick ? kDoubleClick : 0);
  auto alive = [&] { return self && controls_.holds(target); };

  if (target == nullptr) {
    if (onMouseDown) guarded([&] { onMouseDown(*this, m); });
    return;
  }
  // The second press of a left double click: the double-click handler first,
  // then the press with the double-click flag.
  if (doubleClick && *button == MouseButton::Left && target->onDblClick)
    guarded([&] { target->onDblClick(*target); });
  if (alive() && target->onMouseDown) guarded([&] { target->onMouseDown(*target, m); });
}

void Form::mouseMoveEvent(QMouseEvent* e) {
  EventOrigin origin(eventOrigin_, *e);
  // A move with no button held while a press is on: its release went
  // somewhere else.
  if (capturing_ && e->buttons() == Qt::NoButton) cancelPress();
  const QPoint p = e->position().toPoint();
  Control* target = capturing_ ? capture_ : controlAt(p.x(), p.y());
  if (!capturing_) hover(target);
  const MouseEvent m = controlMouseEvent(*e, MouseButton::Left, target, 0);
  if (target == nullptr) {
    if (onMouseMove) guarded([&] { onMouseMove(*this, m); });
    return;
  }
  if (target->onMouseMove) guarded([&] { target->onMouseMove(*target, m); });
}

void Form::mouseReleaseEvent(QMouseEvent* e) {
  const std::optional<MouseButton> button = controlButton(e->button());
  if (!button) return;
  EventOrigin origin(eventOrigin_, *e);
  const QPoint p = e->position().toPoint();
  Control* target = capturing_ ? capture_ : controlAt(p.x(), p.y());
  // The capture lasts while any button is held.
  if (e->buttons() == Qt::NoButton) endCapture();
  const bool click = *button == MouseButton::Left && clickArmed_ && target != nullptr &&
                     target->boundsRect().contains(p.x(), p.y());
  if (*button == MouseButton::Left) clickArmed_ = false;
  const MouseEvent m = controlMouseEvent(*e, *button, target, 0);
  QPointer<Form> self(this);
  auto alive = [&] { return self && controls_.holds(target); };

  if (target == nullptr) {
    if (onMouseUp) guarded([&] { onMouseUp(*this, m); });
  } else {
    // A release over the pressed control is a click, reported before the
    // release itself.
    if (click && target->onClick) guarded([&] { target->onClick(*target); });
    if (alive() && target->onMouseUp) guarded([&] { target->onMouseUp(*target, m); });
  }
  if (self && !capturing_) hover(controlAt(p.x(), p.y()));
}

void Form::captureMouse(Control* control) {
  capture_ = control;
  capturing_ = true;
  clickArmed_ = false;
  grabMouse();
}

void Form::endCapture() {
  capturing_ = false;
  capture_ = nullptr;
  // Every grab meets its release, or other programs could not take the
  // pointer any more.
  if (mouseGrabber() == this) releaseMouse();
}

void Form::cancelPress() {
  if (!capturing_) return;
  Control* lost = capture_;
  clickArmed_ = false;
  endCapture();
  if (lost != nullptr && lost->onPressLost) guarded([&] { lost->onPressLost(*lost); });
}

void Form::hideEvent(QHideEvent* e) {
  // Off the screen no release can reach the window; the next showing is a
  // new mapping, which the window manager may place and focus its own way.
  mapped_ = false;
  cancelPress();
  hover(nullptr);
  QWidget::hideEvent(e);
}

void Form::leaveEvent(QEvent* e) {
  if (!capturing_) hover(nullptr);
  QWidget::leaveEvent(e);
}

void Form::hover(Control* control) {
  if (controls_.hover(control)) updateCursor();
}

void Form::setFormCursor(CursorShape shape) {
  formCursor_ = shape;
  updateCursor();
}

void Form::updateCursor() {
  CursorShape shape = formCursor_;
  const Control* hovered = controls_.hovered();
  if (hovered != nullptr && hovered->cursor() != CursorShape::Default) shape = hovered->cursor();
  setCursor(cursorFor(shape));
}

}  // namespace vistel
