#include "windows/desktop.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QPointer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <utility>

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
// Some window managers focus a window that is raised: a report of one we
// raised, while they have not yet answered that restacking and no longer
// ago than this, is taken as that.
constexpr int kRaiseEchoMs = 500;
// The window manager's stacking list is read this often after a
// restacking, until it shows our order, at most so many times; a list
// that stays the same for so many reads without it is its final answer.
constexpr int kCheckIntervalMs = 40;
constexpr int kMaxChecks = 25;
constexpr int kSettledChecks = 2;

// VISTEL_TRACE_DESKTOP=1: what the window system reports and what we ask
// of it, on stderr, for finding out how a window manager behaves.
template <typename... Args>
void trace(const char* format, Args... args) {
  static const bool on = qEnvironmentVariableIsSet("VISTEL_TRACE_DESKTOP");
  if (!on) return;
  std::fprintf(stderr, "desktop %lld: ", QDateTime::currentMSecsSinceEpoch() % 100000);
  if constexpr (sizeof...(args) == 0)
    std::fputs(format, stderr);
  else
    std::fprintf(stderr, format, args...);
  std::fputc('\n', stderr);
}

}  // namespace

Desktop::Desktop() {
  stack_.onChanged = [this] {
    // A new order or activation of our own: the window manager's echoes of
    // the raises it takes count afresh, not against corrections of an
    // earlier one (xfwm4 focuses each window raised, so a few commands in
    // quick succession would otherwise use them up).
    corrections_ = 0;
    mirror();
  };
  deactivation_.setSingleShot(true);
  deactivation_.setInterval(kDeactivationDelayMs);
  connect(&deactivation_, &QTimer::timeout, this, &Desktop::confirmDeactivation);
  remirror_.setSingleShot(true);
  remirror_.setInterval(kRemirrorDelayMs);
  connect(&remirror_, &QTimer::timeout, this, &Desktop::forceMirror);
  check_.setInterval(kCheckIntervalMs);
  connect(&check_, &QTimer::timeout, this, &Desktop::checkStacking);
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    connect(app, &QGuiApplication::applicationStateChanged, this,
            &Desktop::applicationStateChanged);
}

Desktop::~Desktop() {
  stack_.onChanged = nullptr;
  platform::watchPresses({});
}

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
  mappedAt_.erase(id);
  if (awaitedFrame_ == form) {
    awaitedFrame_ = nullptr;
    if (frameWait_ != nullptr) frameWait_->quit();
  }
  std::erase(lastRaised_, form);
  std::erase(sentAbove_, form);
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
    // An activation we asked for that has not been answered yet still
    // lands later (a press asked for the panel, and the gesture took it off
    // the screen at once): the window wanted now is asked for after it,
    // even where the window system still reports it active.
    const bool otherPending = requested_ != kNoWindow && requested_ != kForeignWindows &&
                              requested_ != active && requestedAt_.elapsed() < kStaleActivationMs;
    if (f != nullptr && f->isVisible() && !f->isMinimized() &&
        (otherPending || platform::activeWindow() != static_cast<std::uint32_t>(f->winId()))) {
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
      givenBelowOurs_ = true;
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
    // Looked up only when some window of ours is there to go below it: each
    // look-up waits for the window system.
    std::uint32_t anchor = 0;
    if (foreign + 1 < order.end()) {
      anchor = platform::foreignActiveWindow();
      if (anchor == 0) anchor = platform::topForeignWindow();
    }
    if (anchor != 0) {
      for (auto it = order.end() - 1; it > foreign; --it) form(*it)->raise();
      // Activated again rather than only raised: some window managers hand
      // the focus to a window that is raised.
      requested_ = kForeignWindows;
      requestedAt_.restart();
      givenBelowOurs_ = false;
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
    std::vector<Form*> raised;
    for (std::size_t i = inPlaceAtBottom(above); i < above.size(); ++i) {
      trace("raise %s", qPrintable(above[i]->windowTitle()));
      above[i]->raise();
      raised.push_back(above[i]);
    }
    // A pass that raises nothing (an activation answered, the order already
    // on its way) leaves the manager's echoes of the raises just before it
    // still to come: xfwm4 focuses each window it raises.
    if (!raised.empty() || !restackedAt_.isValid() || restackedAt_.elapsed() >= kRaiseEchoMs)
      lastRaised_ = std::move(raised);
    sentAbove_ = above;
    ++restacks_;
    platform::flushWindowSystem();
    // The window manager answers in its own time: until its stacking list
    // shows this order, nothing is decided from that list.
    restackedAt_.restart();
    if (!resending_) resends_ = 0;
    awaiting_ = true;
    checkTicks_ = 0;
    unchangedTicks_ = 0;
    lastList_.clear();
    check_.start();
  }
  mirroring_ = false;
}

void Desktop::awaitFirstPaint(Form* form) {
  if (form == nullptr || frameWait_ != nullptr || !form->isVisible() || form->paintedSinceShown())
    return;
  // The show may still wait in the connection's buffer.
  platform::flushWindowSystem();
  QEventLoop wait;
  QTimer::singleShot(kFirstFrameWaitMs, &wait, &QEventLoop::quit);
  frameWait_ = &wait;
  awaitedFrame_ = form;
  wait.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
  frameWait_ = nullptr;
  awaitedFrame_ = nullptr;
}

void Desktop::formPainted(Form* form) {
  if (frameWait_ != nullptr && form == awaitedFrame_) frameWait_->quit();
  // Presses elsewhere count once a window of ours is on the screen. The
  // watch asks the window system and waits for its answer, which the first
  // frame does not: it starts once that frame has gone out.
  if (!watchingPresses_) {
    watchingPresses_ = true;
    QMetaObject::invokeMethod(
        this, [this] { platform::watchPresses([this] { pressedSomewhere(); }); },
        Qt::QueuedConnection);
  }
}

void Desktop::endHold() {
  if (--holds_ > 0 || !heldMirror_) return;
  heldMirror_ = false;
  mirror();
}

std::vector<Form*> Desktop::stackedByManager(const std::vector<std::uint32_t>& list,
                                             bool* foreignAbove) const {
  std::vector<Form*> seen;
  for (std::uint32_t x : list) {
    Form* ours = nullptr;
    // A window that has never been shown has no native window to compare
    // (and asking winId() would make one).
    for (const auto& [id, f] : forms_)
      if (static_cast<std::uint32_t>(f->internalWinId()) == x) ours = f;
    if (ours != nullptr)
      seen.push_back(ours);
    else if (foreignAbove != nullptr && !seen.empty())
      *foreignAbove = true;
  }
  return seen;
}

std::size_t Desktop::inPlaceAtBottom(const std::vector<Form*>& wanted) const {
  // Nothing to look for, and nothing to ask the window manager.
  if (resending_ || wanted.empty()) return 0;
  std::vector<Form*> seen;
  bool foreignAbove = false;
  if (awaiting_) {
    // A list read while our last requests are still on their way may show
    // the wanted order already, and those requests then undo it: the order
    // they will make is the one to start from, with the window the manager
    // has just activated on top of it, as managers raise it.
    seen = sentAbove_;
    if (const auto it = std::find(seen.begin(), seen.end(), managerRaised_); it != seen.end())
      std::rotate(it, it + 1, seen.end());
  } else {
    seen = stackedByManager(platform::stackingOrder(), &foreignAbove);
  }
  std::erase_if(
      seen, [&](Form* f) { return std::find(wanted.begin(), wanted.end(), f) == wanted.end(); });
  // Another program's window above the lowest of ours that should lie
  // above it: everything goes up again.
  if (foreignAbove && !wanted.empty() && !stack_.isTopmost(wanted.front()->windowId())) return 0;
  std::size_t n = 0;
  while (n < wanted.size() && n < seen.size() && wanted[n] == seen[n]) ++n;
  return n;
}

void Desktop::checkStacking() {
  if (holds_ > 0 || mirroring_) return;
  // What we sent, bottom to top; minimised windows are left out, as window
  // managers keep them where they were.
  std::vector<Form*> wanted;
  for (auto it = mirroredOrder_.rbegin(); it != mirroredOrder_.rend(); ++it) {
    Form* f = *it == kForeignWindows ? nullptr : form(*it);
    if (f != nullptr && f->isVisible() && !f->isMinimized()) wanted.push_back(f);
  }
  const std::vector<std::uint32_t> list = platform::stackingOrder();
  std::vector<Form*> seen = stackedByManager(list, nullptr);
  std::erase_if(
      seen, [&](Form* f) { return std::find(wanted.begin(), wanted.end(), f) == wanted.end(); });
  const bool done = list.empty() || seen == wanted;
  if (done || ++checkTicks_ > kMaxChecks) {
    if (!done) trace("the window manager's order still differs; left");
    awaiting_ = false;
    check_.stop();
    return;
  }
  unchangedTicks_ = list == lastList_ ? unchangedTicks_ + 1 : 0;
  lastList_ = list;
  // Still on its way, or a window not taken on yet: wait.
  if (unchangedTicks_ < kSettledChecks || seen.size() != wanted.size()) return;
  if (resends_ >= kMaxCorrections) {
    trace("the window manager keeps another order; left");
    awaiting_ = false;
    check_.stop();
    return;
  }
  // It has answered, and not with our order: the whole order goes again.
  QString names;
  for (Form* f : seen) names += f->windowTitle() + QLatin1Char(' ');
  trace("the window manager's order differs (%s); sent again", qPrintable(names));
  ++resends_;
  resending_ = true;
  mirroredOrder_.clear();
  mirror();
  resending_ = false;
}

bool Desktop::givingAway() {
  if (requested_ != kForeignWindows || requestedAt_.elapsed() >= kStaleActivationMs) return false;
  // We gave the activation to another program, and the window manager fell
  // back on one of ours meanwhile (xfwm4 focuses a window we raise, or map
  // without activating): it goes back there. Activating it again would
  // raise it too, above windows of ours that the order keeps over it.
  const std::uint32_t other = platform::topForeignWindow();
  if (givenBelowOurs_) {
    trace("the keys go back to another program's window %u", other);
    platform::focusForeignWindow(other);
  } else {
    platform::activateForeignWindow(other);
  }
  return true;
}

void Desktop::windowMapped(Form* form) {
  // Window managers take new windows on asynchronously and place and focus
  // them by their own rules (openbox puts a window it does not focus below
  // the focused one). Once they have settled, our order and activation are
  // put back, and focus reports meanwhile are taken as that placement noise.
  mappedAt_[form->windowId()].restart();
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
  // An activation asked for that never came (the window system had given
  // it already, and reported nothing) is no answer to a report this late:
  // taking it for one would restack, and xfwm4 focuses what is raised.
  if (requested_ != kNoWindow && requestedAt_.elapsed() >= kStaleActivationMs)
    requested_ = kNoWindow;
  trace("reported active: %s (ours %d, asked %d, application %s)", qPrintable(form->windowTitle()),
        stack_.active(), requested_, stack_.appActive() ? "active" : "inactive");
  // An activation the user gives (a click anywhere in a window, a task
  // bar, a pager) stands. Only the window manager's own placement is put
  // back: it focusing a window it has just mapped, or one we have just
  // raised. Some managers answer each correction with a move of their own:
  // after a few in a row their choice stands. Mapping noise does not count.
  if (stack_.appActive() && id != stack_.active() && id != requested_) {
    if (!correcting_.isValid() || correcting_.elapsed() > kCorrectionSpanMs) {
      correcting_.restart();
      corrections_ = 0;
    }
    // Until a window that was mapped has had its first activation, reports
    // of it are the manager's placement.
    const auto mapped = mappedAt_.find(id);
    const bool settling = mapped != mappedAt_.end() && mapped->second.elapsed() < kSettleMs;
    const bool raised =
        awaiting_ && restackedAt_.elapsed() < kRaiseEchoMs &&
        std::find(lastRaised_.begin(), lastRaised_.end(), form) != lastRaised_.end();
    if (settling || (raised && ++corrections_ <= kMaxCorrections)) {
      trace("taken as the window manager's own move; put back");
      remirror_.start();
      return;
    }
  }
  if (givingAway()) return;
  if (requested_ != kNoWindow && id != requested_ && requestedAt_.elapsed() < kStaleActivationMs)
    return;
  deactivation_.stop();
  // The window has had its activation: the manager's placement of it is
  // over, and what comes next is someone's choice.
  mappedAt_.erase(id);
  if (id == requested_) {
    // Window managers raise the window they activate, which need not be
    // the top one of ours (a window kept above the active one): put the
    // order back.
    requested_ = kNoWindow;
    mirroredOrder_.clear();
    stack_.noteActivated(id);
    managerRaised_ = form;
    mirror();
    managerRaised_ = nullptr;
    return;
  }
  // The window system has it so already: nothing to ask of it (a focus set
  // straight on the window leaves the manager's active-window property
  // behind, and asking it again would make it raise the window too).
  mirroredActive_ = id;
  stack_.noteActivated(id);
}

void Desktop::applicationStateChanged(Qt::ApplicationState state) {
  trace("application %s", state == Qt::ApplicationActive ? "active" : "inactive");
  if (state != Qt::ApplicationActive) {
    // Only a deactivation we have not taken note of yet waits to be
    // confirmed: one that follows a window manager's brief focus on a window
    // of ours must not hold back our next activation.
    if (stack_.appActive()) deactivation_.start();
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

void Desktop::pressedSomewhere() {
  // Sent back, our windows lie above the other program's window that has
  // the activation. Window managers take the focused window to be the top
  // one, and some (mutter) do not even look at a press on it: it would stay
  // below us. It comes up as a press on any other window would bring it.
  if (stack_.appActive()) return;
  const std::uint32_t other = platform::foreignActiveWindow();
  if (other == 0 || !platform::pointerOver(other)) return;
  const std::vector<std::uint32_t> list = platform::stackingOrder();
  const auto at = std::find(list.begin(), list.end(), other);
  if (at == list.end()) return;
  // Ours in the stay-on-top band lie above it anyway.
  const std::vector<Form*> above = stackedByManager({at + 1, list.end()}, nullptr);
  if (std::none_of(above.begin(), above.end(),
                   [&](Form* f) { return !stack_.isTopmost(f->windowId()); }))
    return;
  trace("a press on another program's active window below ours: it comes up");
  platform::activateForeignWindow(other);
}

}  // namespace vistel
