#include "windows/window_stack.h"

#include <algorithm>

namespace vistel {

WindowStack::WindowStack() {
  // Other applications' windows: never ours to activate or hide.
  entries_.push_back({kForeignWindows, false, false, true, false});
}

WindowStack::Change::~Change() {
  if (--s_.depth_ > 0) return;
  // Activation observers restack too; their changes join this notification.
  while (!s_.pendingActivations_.empty()) {
    const bool active = s_.pendingActivations_.front();
    s_.pendingActivations_.erase(s_.pendingActivations_.begin());
    ++s_.depth_;
    if (s_.onAppActivation) s_.onAppActivation(active);
    --s_.depth_;
  }
  if (!s_.dirty_) return;
  s_.dirty_ = false;
  ++s_.changeCount_;
  if (s_.onChanged) s_.onChanged();
}

// --- lookup -------------------------------------------------------------

int WindowStack::indexOf(WindowId w) const {
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].id == w) return static_cast<int>(i);
  return -1;
}

WindowStack::Entry* WindowStack::find(WindowId w) {
  const int i = indexOf(w);
  return i < 0 ? nullptr : &entries_[static_cast<std::size_t>(i)];
}

const WindowStack::Entry* WindowStack::find(WindowId w) const {
  const int i = indexOf(w);
  return i < 0 ? nullptr : &entries_[static_cast<std::size_t>(i)];
}

int WindowStack::normalStart() const {
  int n = 0;
  while (n < static_cast<int>(entries_.size()) && entries_[static_cast<std::size_t>(n)].topmost)
    ++n;
  return n;
}

bool WindowStack::contains(WindowId w) const { return w != kForeignWindows && find(w) != nullptr; }

bool WindowStack::stayOnTop(WindowId w) const {
  const Entry* e = find(w);
  return e != nullptr && e->stayOnTop;
}

bool WindowStack::isEnabled(WindowId w) const {
  const Entry* e = find(w);
  return e != nullptr && e->enabled;
}

bool WindowStack::isTopmost(WindowId w) const {
  const Entry* e = find(w);
  return e != nullptr && e->topmost;
}

bool WindowStack::isVisible(WindowId w) const {
  const Entry* e = find(w);
  return e != nullptr && w != kForeignWindows && e->visible;
}

std::vector<WindowId> WindowStack::order() const {
  std::vector<WindowId> out;
  for (const Entry& e : entries_)
    if (e.id != kForeignWindows) out.push_back(e.id);
  return out;
}

std::vector<WindowId> WindowStack::fullOrder() const {
  std::vector<WindowId> out;
  for (const Entry& e : entries_) out.push_back(e.id);
  return out;
}

std::vector<WindowId> WindowStack::visibleOrder() const {
  std::vector<WindowId> out;
  for (const Entry& e : entries_)
    if (e.id != kForeignWindows && e.visible) out.push_back(e.id);
  return out;
}

// --- z-order primitives ---------------------------------------------------

void WindowStack::place(WindowId w, int index, bool topmost) {
  const int from = indexOf(w);
  if (from < 0) return;
  Entry e = entries_[static_cast<std::size_t>(from)];
  const bool wasTopmost = e.topmost;
  entries_.erase(entries_.begin() + from);
  e.topmost = topmost;
  // Keep the bands apart whatever the caller asked for.
  const int start = normalStart();
  index = topmost ? std::clamp(index, 0, start)
                  : std::clamp(index, start, static_cast<int>(entries_.size()));
  entries_.insert(entries_.begin() + index, e);
  if (index != from || wasTopmost != topmost) dirty_ = true;
}

void WindowStack::toTopOfBand(WindowId w) {
  const Entry* e = find(w);
  if (e == nullptr) return;
  const bool topmost = e->topmost;
  // After taking the window out, the top of the normal band is the number
  // of topmost windows left.
  const int start = normalStart() - (topmost ? 1 : 0);
  place(w, topmost ? 0 : start, topmost);
}

void WindowStack::move(WindowId w, InsertAfter after) {
  Entry* e = find(w);
  if (e == nullptr || w == kForeignWindows) return;
  switch (after.kind) {
    case InsertAfter::Kind::Top:
      toTopOfBand(w);
      return;
    case InsertAfter::Kind::Topmost:
      place(w, 0, true);
      return;
    case InsertAfter::Kind::NoTopmost:
      // Leaving a band one is not in changes nothing.
      if (e->topmost) place(w, normalStart() - 1, false);
      return;
    case InsertAfter::Kind::Below: {
      const Entry* ref = find(after.window);
      if (ref == nullptr || after.window == w) return;
      if (e->topmost && !ref->topmost) {
        // Below a normal window: the window leaves the topmost band.
        const int at = indexOf(after.window);
        place(w, at, false);  // `at` is one less after removal: directly below
        return;
      }
      if (!e->topmost && ref->topmost) {
        // A normal window cannot sit among topmost ones: top of its band.
        toTopOfBand(w);
        return;
      }
      const int from = indexOf(w);
      int at = indexOf(after.window) + 1;
      if (from < at) --at;
      place(w, at, e->topmost);
      return;
    }
  }
}

// --- activation ------------------------------------------------------------

void WindowStack::makeActive(WindowId w) {
  if (active_ != w) dirty_ = true;
  active_ = w;
  if (!appActive_) appTransition(true);
}

WindowId WindowStack::successor(WindowId leaving) const {
  WindowId normal = kNoWindow;
  WindowId topmost = kNoWindow;
  for (const Entry& e : entries_) {
    if (e.id == leaving || e.id == kForeignWindows || !canActivate(e)) continue;
    if (!e.topmost && normal == kNoWindow) normal = e.id;
    if (e.topmost && topmost == kNoWindow) topmost = e.id;
  }
  return normal != kNoWindow ? normal : topmost;
}

void WindowStack::handOverFrom(WindowId hidden) {
  const WindowId next = successor(hidden);
  dirty_ = true;
  active_ = next;
  // Nothing of ours can take it: another application gets the activation.
  if (next == kNoWindow && appActive_) appTransition(false);
}

void WindowStack::appTransition(bool active) {
  appActive_ = active;
  dirty_ = true;
  if (active) {
    restoreTopmosts();
  } else {
    normalizeTopmosts();
  }
  pendingActivations_.push_back(active);
}

void WindowStack::normalizeTopmosts() {
  Change change(*this);
  if (normalizeDepth_++ > 0) return;
  collected_.clear();
  int stop = -1;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    if (e.id == kForeignWindows) continue;
    if (e.id == main_ || !e.topmost) {
      stop = static_cast<int>(i);
      break;
    }
    collected_.push_back(e.id);
  }
  if (collected_.empty()) return;
  // Directly behind the window above the stopping one when that window is
  // not topmost, else at the top of the normal band.
  WindowId above = kNoWindow;
  if (stop > 0 && !entries_[static_cast<std::size_t>(stop - 1)].topmost)
    above = entries_[static_cast<std::size_t>(stop - 1)].id;
  std::vector<Entry> taken;
  for (WindowId w : collected_) {
    const int i = indexOf(w);
    taken.push_back(entries_[static_cast<std::size_t>(i)]);
    entries_.erase(entries_.begin() + i);
  }
  int at = above != kNoWindow ? indexOf(above) + 1 : normalStart();
  for (Entry& e : taken) {
    e.topmost = false;
    entries_.insert(entries_.begin() + at++, e);
  }
  dirty_ = true;
}

void WindowStack::restoreTopmosts() {
  Change change(*this);
  if (normalizeDepth_ == 0 || --normalizeDepth_ > 0) return;
  int at = 0;
  for (WindowId w : collected_) {
    if (find(w) == nullptr) continue;
    place(w, at++, true);
  }
  collected_.clear();
}

// --- public operations ----------------------------------------------------------

WindowId WindowStack::add(bool stayOnTop, bool enabled) {
  Change change(*this);
  const WindowId id = nextId_++;
  Entry e{id, stayOnTop, stayOnTop, false, enabled};
  const int at = stayOnTop ? 0 : normalStart();
  entries_.insert(entries_.begin() + at, e);
  dirty_ = true;
  return id;
}

void WindowStack::remove(WindowId w) {
  if (!contains(w)) return;
  Change change(*this);
  if (active_ == w) {
    if (appActive_) {
      handOverFrom(w);
    } else {
      active_ = kNoWindow;
    }
  }
  entries_.erase(entries_.begin() + indexOf(w));
  std::erase(collected_, w);
  if (main_ == w) main_ = kNoWindow;
  dirty_ = true;
}

void WindowStack::setStayOnTop(WindowId w, bool on) {
  Entry* e = find(w);
  if (e == nullptr || w == kForeignWindows) return;
  Change change(*this);
  e->stayOnTop = on;
  move(w, on ? InsertAfter::topmost() : InsertAfter::noTopmost());
}

void WindowStack::setEnabled(WindowId w, bool on) {
  Entry* e = find(w);
  if (e == nullptr || w == kForeignWindows || e->enabled == on) return;
  Change change(*this);
  e->enabled = on;
  dirty_ = true;
}

void WindowStack::setWindowPos(WindowId w, InsertAfter after, bool activate) {
  if (!contains(w)) return;
  Change change(*this);
  move(w, after);
  const Entry* e = find(w);
  if (activate && canActivate(*e)) makeActive(w);
}

void WindowStack::applyBatch(const std::vector<StackMove>& moves) {
  Change change(*this);
  for (const StackMove& m : moves) setWindowPos(m.window, m.after, m.activate);
}

void WindowStack::show(WindowId w) {
  Entry* e = find(w);
  if (e == nullptr || w == kForeignWindows) return;
  Change change(*this);
  if (!e->visible) dirty_ = true;
  e->visible = true;
  toTopOfBand(w);
  // A disabled window takes no input, so it never becomes the active one.
  if (canActivate(*find(w))) makeActive(w);
}

void WindowStack::showNoActivate(WindowId w) {
  Entry* e = find(w);
  if (e == nullptr || w == kForeignWindows || e->visible) return;
  Change change(*this);
  e->visible = true;
  dirty_ = true;
}

void WindowStack::hide(WindowId w) {
  Entry* e = find(w);
  if (e == nullptr || w == kForeignWindows || !e->visible) return;
  Change change(*this);
  e->visible = false;
  dirty_ = true;
  if (active_ != w) return;
  if (appActive_) {
    handOverFrom(w);
  } else {
    active_ = kNoWindow;  // chosen again when the application returns
  }
}

void WindowStack::activate(WindowId w) {
  const Entry* e = find(w);
  if (e == nullptr || w == kForeignWindows || !canActivate(*e)) return;
  if (appActive_ && active_ == w) return;
  Change change(*this);
  toTopOfBand(w);
  makeActive(w);
}

void WindowStack::noteActivated(WindowId w) {
  if (!contains(w) || (appActive_ && active_ == w)) return;
  Change change(*this);
  makeActive(w);
}

void WindowStack::click(WindowId w) {
  const Entry* e = find(w);
  if (e == nullptr || w == kForeignWindows || !canActivate(*e)) return;
  Change change(*this);
  toTopOfBand(w);
  makeActive(w);
}

void WindowStack::setAppActive(bool active) {
  if (active == appActive_) return;
  Change change(*this);
  if (active) {
    // The window that was active before returns, or the one the hand-over
    // rule picks when that one can no longer take it.
    const Entry* e = find(active_);
    if (e == nullptr || !canActivate(*e)) active_ = successor(kNoWindow);
  }
  appTransition(active);
}

void WindowStack::foreignActivated() {
  Change change(*this);
  // The application hears of its deactivation before the other window is
  // brought up, so that window ends above the windows just collected.
  setAppActive(false);
  place(kForeignWindows, normalStart(), false);
}

}  // namespace vistel
