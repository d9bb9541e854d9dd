// Form: construction, placement, layering attributes, visibility and
// stacking. Painting, mouse and keys live in form_paint.cpp,
// form_mouse.cpp and form_keys.cpp.
#include "windows/form.h"

#include <QChildEvent>
#include <QCloseEvent>
#include <QEvent>
#include <QWindow>
#include <algorithm>

#include "windows/desktop.h"
#include "windows/platform.h"

namespace vistel {
namespace {

Qt::WindowFlags flagsFor(BorderStyle border) {
  // A dialog frame on a window of its own: a Qt dialog would be made
  // transient for the whole application, and window managers then keep it
  // above every other window of ours, which our stacking must be free to
  // put above it.
  if (border == BorderStyle::Dialog)
    return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
           Qt::MSWindowsFixedSizeDialogHint;
  // No frame and no placement of the window manager's own: the windows of
  // the device must lie exactly over each other.
  return Qt::Window | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint;
}

}  // namespace

void installKeyPreview();  // form_keys.cpp

Form::Form(BorderStyle border, Desktop* desktop)
    : QWidget(nullptr, flagsFor(border)),
      desktop_(desktop != nullptr ? desktop : &Desktop::instance()),
      border_(border) {
  // Every pixel comes from the back buffer.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // Moves without a button held reach the controls (hints, cursors).
  setMouseTracking(true);
  // The buffer of the window's size comes with its first painting.
  dirty_ = rect();
  installKeyPreview();
  id_ = desktop_->attach(this, false);
}

Form::~Form() {
  desktop_->detach(this);
  capture_ = nullptr;
  // The controls go while the form is whole: they may still ask it for
  // repaints on their way out.
  controls_.clear();
}

// --- placement ---------------------------------------------------------------

void Form::setPosition(int left, int top) {
  position_ = QPoint(left, top);
  move(left, top);
}

void Form::setClientSize(int width, int height) {
  if (border_ == BorderStyle::Dialog) {
    setFixedSize(width, height);
  } else {
    resize(width, height);
  }
  syncBufferSize();
  scheduleRefresh();
}

void Form::setColor(Rgb color) {
  color &= kRgbMask;
  if (color == color_) return;
  color_ = color;
  invalidate();
}

// --- layering ------------------------------------------------------------------

void Form::setAlphaBlend(bool on) {
  if (on == alphaBlend_) return;
  alphaBlend_ = on;
  applyLayering();
}

void Form::setAlphaBlendValue(int value) {
  value = std::clamp(value, 0, 255);
  if (value == alphaBlendValue_) return;
  alphaBlendValue_ = value;
  applyLayering();
}

void Form::setTransparentColor(bool on) {
  if (on == transparentColor_) return;
  transparentColor_ = on;
  contentChangedEverywhere();
  applyLayering();
}

void Form::setTransparentColorValue(Rgb key) {
  key &= kRgbMask;
  if (key == transparentColorValue_) return;
  transparentColorValue_ = key;
  contentChangedEverywhere();
  applyLayering();
}

void Form::applyLayering() {
  // Before the window exists the values are only stored; creation applies
  // them once.
  if (!created_) return;
  applyOpacity();
  updateShape();
  // Neither attribute: an ordinary window again, painted afresh.
  if (!alphaBlend_ && !transparentColor_) update();
}

void Form::applyOpacity() {
  ++calls_.opacity;
  setWindowOpacity(alphaBlend_ ? alphaBlendValue_ / 255.0 : 1.0);
}

void Form::setStayOnTop(bool on) {
  if (on == stayOnTop_) return;
  stayOnTop_ = on;
  desktop_->stack().setStayOnTop(id_, on);
}

bool Form::applyTopmost(bool topmost) {
  if (topmost == platformTopmost_) return false;
  platformTopmost_ = topmost;
  ++calls_.stayOnTop;
  setPlatformFlag(Qt::WindowStaysOnTopHint, topmost);
  return true;
}

bool Form::restoreWindowState() {
  return isVisible() && platform::restoreWindowState(this, platformTopmost_, !taskBarEntry_);
}

void Form::setPlatformFlag(Qt::WindowType flag, bool on) {
  Qt::WindowFlags flags = windowFlags();
  flags.setFlag(flag, on);
  if (QWindow* window = windowHandle()) {
    // Through the QWidget the flag change would hide the window and make a
    // new one; the QWindow changes it in place.
    overrideWindowFlags(flags);
    window->setFlag(flag, on);
  } else {
    setWindowFlags(flags);
  }
}

// --- visibility and stacking ---------------------------------------------------

void Form::ensureCreated() {
  if (created_) return;
  created_ = true;
  applyTopmost(desktop_->stack().isTopmost(id_));
  winId();
  // The first exposure after a show tells that the window manager has taken
  // the window on; only from then on does it honour our restacking.
  if (QWindow* w = windowHandle()) w->installEventFilter(this);
  applyLayering();
}

void Form::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (!visible) mapped_ = false;
  if (visible) {
    map();
    desktop_->stack().show(id_);
  } else {
    QWidget::setVisible(false);
    desktop_->stack().hide(id_);
  }
}

void Form::showNoActivate() {
  setAttribute(Qt::WA_ShowWithoutActivating, true);
  map();
  setAttribute(Qt::WA_ShowWithoutActivating, false);
  desktop_->stack().showNoActivate(id_);
}

void Form::hideLeavingOnScreen() {
  visible_ = false;
  desktop_->stack().hide(id_);
}

void Form::map() {
  painted_ = false;
  ensureCreated();
  refresh();  // the shape is in place before the window appears
  if (!taskBarEntry_) platform::keepOffTaskBar(this);
  QWidget::setVisible(true);
}

void Form::closeEvent(QCloseEvent* e) {
  e->ignore();
  if (border_ == BorderStyle::Dialog) setVisible(false);
}

void Form::setWindowPos(InsertAfter after, bool activate) {
  desktop_->stack().setWindowPos(id_, after, activate);
}

void Form::activate() { desktop_->stack().activate(id_); }

void Form::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange) {
    desktop_->stack().setEnabled(id_, isEnabled());
    // A disabled window takes no input of any kind: the window manager must
    // not give it the keyboard focus either.
    setPlatformFlag(Qt::WindowDoesNotAcceptFocus, !isEnabled());
  }
  QWidget::changeEvent(e);
}

bool Form::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) desktop_->windowActivated(this);
  if (e->type() == QEvent::ChildAdded) {
    // Child widgets paint over the controls; the shape follows them.
    if (QObject* child = static_cast<QChildEvent*>(e)->child(); child->isWidgetType()) {
      child->installEventFilter(this);
      watchChildren(child);
    }
  }
  return QWidget::event(e);
}

// --- controls --------------------------------------------------------------------

void Form::destroyControl(Control* control) {
  if (!controls_.holds(control)) return;
  if (capture_ == control) {
    capture_ = nullptr;
    capturing_ = false;
    clickArmed_ = false;
  }
  controls_.destroy(control);
}

}  // namespace vistel
