#include "windows/desktop.h"

#include <QGuiApplication>
#include <QPointer>
#include <QWindow>
#include <algorithm>

#include "windows/form.h"
#include "windows/platform.h"

namespace vistel {
namespace {

// The window system's activation report is trusted again after this long,
// even if the activation we asked for never came.
constexpr int kStaleActivationMs = 500;
// Activation moves between our own windows through a moment in which none
// of them is active; only a longer absence means another application.
constexpr int kDeactivationDelayMs = 100;
// How long after a window was mapped the window manager's own focus and
// placement moves are undone rather than followed.
constexpr int kSettleMs = 1000;
constexpr int kRemirrorDelayMs = 60;

}  // namespace

Desktop::Desktop() {
  stack_.onChanged = [this] { mirror(); };
  deactivation_.setSingleShot(true);
  deactivation_.setInterval(kDeactivationDelayMs);
  connect(&deactivation_, &QTimer::timeout, this, &Desktop::confirmDeactivation);
  remirror_.setSingleShot(true);
  remirror_.setInterval(kRemirrorDelayMs);
  connect(&remirror_, &QTimer::timeout, this, &Desktop::forceMirror);
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    connect(app, &QGuiApplication::applicationStateChanged, this,
            &Desktop::applicationStateChanged);
}

Desktop::~Desktop() { stack_.onChanged = nullptr; }

Desktop& Desktop::instance() {
  // Lives as long as the application object, which owns it.
  static QPointer<Desktop> desktop;
  if (desktop.isNull()) {
    desktop = new Desktop;
    desktop->setParent(QCoreApplication::instance());
  }
  return *desktop;
}

Form* Desktop::form(WindowId id) const {
  const auto it = forms_.find(id);
  return it == forms_.end() ? nullptr : it->second;
}

WindowId Desktop::attach(Form* form, bool stayOnTop) {
  const WindowId id = stack_.add(stayOnTop);
  forms_[id] = form;
  return id;
}

void Desktop::detach(Form* form) {
  const WindowId id = form->windowId();
  forms_.erase(id);
  std::erase(mirroredOrder_, id);
  if (requested_ == id) requested_ = kNoWindow;
  if (mirroredActive_ == id) mirroredActive_ = kNoWindow;
  stack_.remove(id);
}

void Desktop::mirror() {
  if (mirroring_) return;
  mirroring_ = true;

  // Activation first: window managers raise the window they activate, and
  // the order that follows puts any window we keep above it back on top.
  bool activated = false;
  const WindowId active = stack_.active();
  if (active != kNoWindow && active != mirroredActive_) {
    Form* f = form(active);
    if (f != nullptr && f->isVisible()) {
      requested_ = active;
      requestedAt_.restart();
      f->activateWindow();
      activated = true;
    }
  } else if (active == kNoWindow && mirroredActive_ != kNoWindow && !stack_.appActive() &&
             platform::foreignActiveWindow() == 0) {
    // We gave the activation up ourselves (our active window went off the
    // screen): it goes to the top window of another program, rather than to
    // whichever of ours the window manager would fall back on.
    if (const std::uint32_t other = platform::topForeignWindow(); other != 0) {
      requested_ = kForeignWindows;
      requestedAt_.restart();
      platform::activateForeignWindow(other);
    }
  }
  mirroredActive_ = active;

  bool flagsChanged = false;
  for (const auto& [id, form] : forms_) flagsChanged |= form->applyTopmost(stack_.isTopmost(id));

  std::vector<WindowId> order;
  for (WindowId id : stack_.fullOrder())
    if (id == kForeignWindows || (form(id) != nullptr && stack_.isVisible(id))) order.push_back(id);

  if (activated || flagsChanged || order != mirroredOrder_) {
    mirroredOrder_ = order;
    const auto foreign = std::find(order.begin(), order.end(), kForeignWindows);
    // Below other applications' windows: directly below the one that has
    // the activation (the top one). Window managers do not all honour a
    // sibling in a restacking request, so ours are raised, bottom one first,
    // and that window after them. Without such a window they are lowered,
    // top one first, which keeps their order at the bottom.
    std::uint32_t anchor = platform::foreignActiveWindow();
    if (anchor == 0) anchor = platform::topForeignWindow();
    if (anchor != 0 && foreign + 1 < order.end()) {
      for (auto it = order.end() - 1; it > foreign; --it) form(*it)->raise();
      platform::raiseForeignWindow(anchor);
    } else {
      for (auto it = foreign + 1; it < order.end(); ++it) form(*it)->lower();
    }
    // Above them: raised from the bottom up, so the top one ends on top.
    lastRaised_.clear();
    for (auto it = std::make_reverse_iterator(foreign); it != order.rend(); ++it) {
      Form* f = form(*it);
      f->raise();
      lastRaised_.push_back(f);
    }
    ++restacks_;
    platform::flushWindowSystem();
  }
  mirroring_ = false;
}

void Desktop::windowMapped(Form*) {
  // Window managers take new windows on asynchronously and place and focus
  // them by their own rules (openbox puts a window it does not focus below
  // the focused one). Once they have settled, our order and activation are
  // put back, and focus reports meanwhile are taken as that placement noise.
  lastMapped_.restart();
  remirror_.start();
}

void Desktop::forceMirror() {
  mirroredOrder_.clear();
  mirroredActive_ = kNoWindow;
  mirror();
}

void Desktop::windowActivated(Form* form) {
  const WindowId id = form->windowId();
  if (lastMapped_.isValid() && lastMapped_.elapsed() < kSettleMs && stack_.appActive() &&
      id != stack_.active()) {
    remirror_.start();
    return;
  }
  // A report of another window while ours is on its way is an echo of an
  // earlier request. After we gave the activation to another program, the
  // window manager may still fall back on one of ours: it goes back there.
  if (requested_ != kNoWindow && id != requested_ && requestedAt_.elapsed() < kStaleActivationMs) {
    if (requested_ == kForeignWindows) platform::activateForeignWindow(platform::topForeignWindow());
    return;
  }
  deactivation_.stop();
  if (id == requested_) {
    // Window managers raise the window they activate, which need not be
    // the top one of ours (a window kept above the active one): put the
    // order back.
    requested_ = kNoWindow;
    mirroredOrder_.clear();
    stack_.noteActivated(id);
    mirror();
    return;
  }
  stack_.noteActivated(id);
}

void Desktop::applicationStateChanged(Qt::ApplicationState state) {
  if (state != Qt::ApplicationActive) {
    deactivation_.start();
    return;
  }
  deactivation_.stop();
  if (stack_.appActive()) return;
  if (QWindow* focus = QGuiApplication::focusWindow()) {
    for (const auto& [id, f] : forms_) {
      if (f->windowHandle() == focus) {
        stack_.noteActivated(id);
        return;
      }
    }
  }
  stack_.setAppActive(true);
}

void Desktop::confirmDeactivation() {
  if (QGuiApplication::applicationState() == Qt::ApplicationActive) return;
  // The window system has activated another application's window, which
  // came to the top of the normal band. A press in progress has lost its
  // release to it.
  for (const auto& [id, f] : forms_) f->cancelPress();
  stack_.foreignActivated();
}

}  // namespace vistel
