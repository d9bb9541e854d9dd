#include "windows/desktop.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QPointer>
#include <QWindow>
#include <algorithm>
#include <cstdio>

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
constexpr int kRemirrorDelayMs = 60;
// How long after a window was mapped the window manager places and focuses
// it by its own rules; corrections of its moves later on, at most so many
// within the span.
constexpr int kSettleMs = 1000;
constexpr int kCorrectionSpanMs = 1500;
constexpr int kMaxCorrections = 3;

// VISTEL_TRACE_DESKTOP=1: what the window system reports and what we ask
// of it, on stderr, for finding out how a window manager behaves.
template <typename... Args>
void trace(const char* format, Args... args) {
  static const bool on = qEnvironmentVariableIsSet("VISTEL_TRACE_DESKTOP");
  if (!on) return;
  std::fprintf(stderr, "desktop %lld: ", QDateTime::currentMSecsSinceEpoch() % 100000);
  std::fprintf(stderr, format, args...);
  std::fputc('\n', stderr);
}

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
  if (holds_ > 0) {
    heldMirror_ = true;
    return;
  }
  if (mirroring_) return;
  mirroring_ = true;

  // Activation first: window managers raise the window they activate, and
  // the order that follows puts any window we keep above it back on top.
  bool activated = false;
  const WindowId active = stack_.active();
  // While the window system reports another program active, and we wait to
  // see whether that lasts, we take nothing back.
  const bool leaving = deactivation_.isActive();
  if (active != kNoWindow && active != mirroredActive_ && !leaving) {
    Form* f = form(active);
    // Asked for only when the window system does not have it so already:
    // some window managers answer every request with focus moves of their
    // own, which would come back here as reports.
    // A minimised window is not asked: activating it would restore it.
    if (f != nullptr && f->isVisible() && !f->isMinimized() &&
        platform::activeWindow() != static_cast<std::uint32_t>(f->winId())) {
      requested_ = active;
      requestedAt_.restart();
      trace("activate %s", qPrintable(f->windowTitle()));
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
      trace("activate another program's window %u", other);
      platform::activateForeignWindow(other);
    }
  }
  mirroredActive_ = active;

  bool flagsChanged = false;
  for (const auto& [id, form] : forms_) {
    if (form->applyTopmost(stack_.isTopmost(id))) {
      trace("%s %s the stay-on-top band", qPrintable(form->windowTitle()),
            stack_.isTopmost(id) ? "joins" : "leaves");
      flagsChanged = true;
    }
  }

  std::vector<WindowId> order;
  for (WindowId id : stack_.fullOrder())
    if (id == kForeignWindows || (form(id) != nullptr && stack_.isVisible(id))) order.push_back(id);

  if (activated || flagsChanged || order != mirroredOrder_) {
    mirroredOrder_ = order;
    const auto foreign = std::find(order.begin(), order.end(), kForeignWindows);
    // Below other applications' windows: directly below the one that has
    // the activation (the top one). Window managers do not all honour a
    // sibling in a restacking request, so ours are raised, bottom one first,
    // and that window comes up after them. Without such a window they are lowered,
    // top one first, which keeps their order at the bottom.
    std::uint32_t anchor = platform::foreignActiveWindow();
    if (anchor == 0) anchor = platform::topForeignWindow();
    if (anchor != 0 && foreign + 1 < order.end()) {
      for (auto it = order.end() - 1; it > foreign; --it) form(*it)->raise();
      // Activated again rather than only raised: some window managers hand
      // the focus to a window that is raised.
      requested_ = kForeignWindows;
      requestedAt_.restart();
      platform::activateForeignWindow(anchor);
    } else {
      for (auto it = foreign + 1; it < order.end(); ++it) {
        trace("lower %s", qPrintable(form(*it)->windowTitle()));
        form(*it)->lower();
      }
    }
    // Above them: raised from the bottom up, so the top one ends on top;
    // those at the bottom that already lie in their order stay as they are.
    std::vector<Form*> above;
    for (auto it = std::make_reverse_iterator(foreign); it != order.rend(); ++it)
      above.push_back(form(*it));
    lastRaised_.clear();
    for (std::size_t i = inPlaceAtBottom(above); i < above.size(); ++i) {
      trace("raise %s", qPrintable(above[i]->windowTitle()));
      above[i]->raise();
      lastRaised_.push_back(above[i]);
    }
    ++restacks_;
    platform::flushWindowSystem();
  }
  mirroring_ = false;
}

void Desktop::endHold() {
  if (--holds_ > 0 || !heldMirror_) return;
  heldMirror_ = false;
  mirror();
}

std::size_t Desktop::inPlaceAtBottom(const std::vector<Form*>& wanted) const {
  // Our windows as the window manager stacks them, bottom to top.
  std::vector<Form*> seen;
  bool foreignAbove = false;
  for (std::uint32_t x : platform::stackingOrder()) {
    Form* ours = nullptr;
    // A window that has never been shown has no native window to compare
    // (and asking winId() would make one).
    for (const auto& [id, f] : forms_)
      if (static_cast<std::uint32_t>(f->internalWinId()) == x) ours = f;
    if (ours == nullptr) {
      // Another program's window above the lowest of ours that should lie
      // above it: everything goes up again.
      foreignAbove = foreignAbove || !seen.empty();
      continue;
    }
    if (std::find(wanted.begin(), wanted.end(), ours) != wanted.end()) seen.push_back(ours);
  }
  if (foreignAbove && !wanted.empty() && !stack_.isTopmost(wanted.front()->windowId())) return 0;
  std::size_t n = 0;
  while (n < wanted.size() && n < seen.size() && wanted[n] == seen[n]) ++n;
  return n;
}

bool Desktop::givingAway() {
  if (requested_ != kForeignWindows || requestedAt_.elapsed() >= kStaleActivationMs) return false;
  // We gave the activation to another program, and the window manager fell
  // back on one of ours meanwhile: it goes back there.
  platform::activateForeignWindow(platform::topForeignWindow());
  return true;
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
  for (const auto& [id, f] : forms_)
    if (f->restoreWindowState()) trace("state of %s restored", qPrintable(f->windowTitle()));
  mirroredOrder_.clear();
  // Our activation is re-asserted only while we have it: with another
  // program active, that would be stealing the focus.
  if (QGuiApplication::applicationState() == Qt::ApplicationActive) mirroredActive_ = kNoWindow;
  mirror();
}

void Desktop::windowActivated(Form* form) {
  const WindowId id = form->windowId();
  trace("reported active: %s (ours %d, asked %d, application %s)", qPrintable(form->windowTitle()),
        stack_.active(), requested_, stack_.appActive() ? "active" : "inactive");
  // While the application is active, activation moves between our windows
  // only by our own hand (a click goes through the model first): a report
  // of another of ours is the window manager's own placement or fallback,
  // and our activation is put back. Some managers answer each correction
  // with a move of their own: after a few in a row their choice stands, as
  // every window of ours takes the keys alike. Mapping noise does not count.
  if (stack_.appActive() && id != stack_.active() && id != requested_) {
    if (!correcting_.isValid() || correcting_.elapsed() > kCorrectionSpanMs) {
      correcting_.restart();
      corrections_ = 0;
    }
    const bool settling = lastMapped_.isValid() && lastMapped_.elapsed() < kSettleMs;
    if (settling || ++corrections_ <= kMaxCorrections) {
      remirror_.start();
      return;
    }
  }
  if (givingAway()) return;
  if (requested_ != kNoWindow && id != requested_ && requestedAt_.elapsed() < kStaleActivationMs)
    return;
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
  trace("application %s", state == Qt::ApplicationActive ? "active" : "inactive");
  if (state != Qt::ApplicationActive) {
    deactivation_.start();
    return;
  }
  deactivation_.stop();
  if (stack_.appActive()) return;
  if (givingAway()) return;
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
