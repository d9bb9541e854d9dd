#pragma once

#include <functional>
#include <vector>

namespace vistel {

// Identifies one top-level window of the application inside a WindowStack.
using WindowId = int;
constexpr WindowId kNoWindow = 0;
// Stands for every window of other applications: one block in the normal band.
constexpr WindowId kForeignWindows = -1;

// Where a restacking move puts a window (the insert-after argument of the
// platform's window-position call).
struct InsertAfter {
  enum class Kind {
    Below,      // directly below `window`
    Top,        // top of the window's own band
    Topmost,    // into the topmost band, at its top
    NoTopmost,  // out of the topmost band, to the top of the normal band
  };
  Kind kind = Kind::Top;
  WindowId window = kNoWindow;

  static constexpr InsertAfter below(WindowId w) { return {Kind::Below, w}; }
  static constexpr InsertAfter top() { return {Kind::Top, kNoWindow}; }
  static constexpr InsertAfter topmost() { return {Kind::Topmost, kNoWindow}; }
  static constexpr InsertAfter noTopmost() { return {Kind::NoTopmost, kNoWindow}; }
};

// One move of a deferred batch.
struct StackMove {
  WindowId window = kNoWindow;
  InsertAfter after;
  bool activate = false;
};

// The z-order and activation of the application's top-level windows, kept
// without any window system so that the stacking rules can be checked on
// their own. The desktop is two bands, topmost above normal; the windows of
// other applications are one block (kForeignWindows) in the normal band.
//
// Every change ends in one call of the change observer (a batch or a nested
// change included), which mirrors the model to the screen. Transitions of
// the application's activation also call the activation observer, after the
// model's own restacking for that transition.
class WindowStack {
 public:
  WindowStack();

  // --- windows ---------------------------------------------------------
  // A new window starts hidden at the top of its band (topmost if it stays
  // on top).
  WindowId add(bool stayOnTop, bool enabled = true);
  // Takes the window away; if it was active, the activation is handed on as
  // for hiding.
  void remove(WindowId w);
  bool contains(WindowId w) const;
  // The main window ends the collection of stay-on-top windows when the
  // application loses activation and never leaves the topmost band then.
  void setMainWindow(WindowId w) { main_ = w; }
  WindowId mainWindow() const { return main_; }

  // The window's own stay-on-top style. Switching it moves the window into
  // or out of the topmost band (at that band's top) without activating it.
  void setStayOnTop(WindowId w, bool on);
  bool stayOnTop(WindowId w) const;
  void setEnabled(WindowId w, bool on);
  bool isEnabled(WindowId w) const;

  // --- observation -----------------------------------------------------
  // Application windows, top to bottom.
  std::vector<WindowId> order() const;
  // Application windows and the foreign block, top to bottom.
  std::vector<WindowId> fullOrder() const;
  // Visible application windows, top to bottom.
  std::vector<WindowId> visibleOrder() const;
  bool isTopmost(WindowId w) const;
  bool isVisible(WindowId w) const;
  // The application's active window; kNoWindow while the application is
  // inactive or no window could take the activation.
  WindowId active() const { return appActive_ ? active_ : kNoWindow; }
  bool appActive() const { return appActive_; }
  // Windows that the last deactivation took out of the topmost band.
  const std::vector<WindowId>& collected() const { return collected_; }
  // Counts change notifications, for tests of batching.
  int changeCount() const { return changeCount_; }

  std::function<void()> onChanged;
  std::function<void(bool active)> onAppActivation;

  // --- restacking --------------------------------------------------------
  // Moves one window like the platform's window-position call; with
  // `activate` the (visible, enabled) window also becomes the active one.
  void setWindowPos(WindowId w, InsertAfter after, bool activate);
  // A deferred batch: the moves are made in order and reach the observer as
  // one change.
  void applyBatch(const std::vector<StackMove>& moves);

  // --- visibility and activation ----------------------------------------
  // Shows the window in its normal state, raises it to the top of its band
  // and activates it.
  void show(WindowId w);
  // Shows the window where it lies in the z-order, without activating it.
  void showNoActivate(WindowId w);
  // Hides the window. If it was the active one, the activation goes to the
  // first window in z-order, other than it, that is visible, enabled and not
  // topmost, else to the first such topmost one; with none, the application
  // loses activation.
  void hide(WindowId w);
  // Activates the window (giving it the keyboard focus): it comes to the top
  // of its band unless it already is the active window.
  void activate(WindowId w);
  // The window system reports that the window became active: no restacking,
  // the system has done its own.
  void noteActivated(WindowId w);
  // A mouse press on the window raises it to the top of its band and
  // activates it.
  void click(WindowId w);

  // --- application activation --------------------------------------------
  // The application gains or loses activation; repeated reports of the same
  // state change nothing.
  void setAppActive(bool active);
  // The user activates a window of another application: this application
  // loses activation, then that window comes to the top of the normal band.
  void foreignActivated();
  // Takes the application's stay-on-top windows above the main window out of
  // the topmost band. Nested calls collect nothing more.
  void normalizeTopmosts();
  // Undoes the matching normalizeTopmosts(): the collected windows return to
  // the top of the topmost band in their order.
  void restoreTopmosts();

 private:
  struct Entry {
    WindowId id = kNoWindow;
    bool topmost = false;
    bool stayOnTop = false;
    bool visible = false;
    bool enabled = true;
  };

  // Groups changes into one notification; app-activation observers run
  // inside the group so that their restacking joins it.
  class Change {
   public:
    explicit Change(WindowStack& s) : s_(s) { ++s_.depth_; }
    ~Change();
    Change(const Change&) = delete;
    Change& operator=(const Change&) = delete;

   private:
    WindowStack& s_;
  };

  int indexOf(WindowId w) const;
  Entry* find(WindowId w);
  const Entry* find(WindowId w) const;
  // Index of the first normal-band entry (== number of topmost entries).
  int normalStart() const;
  // Takes the entry out and puts it back at `index` (counted after removal),
  // with the given band.
  void place(WindowId w, int index, bool topmost);
  void toTopOfBand(WindowId w);
  void move(WindowId w, InsertAfter after);
  void makeActive(WindowId w);
  // The window the activation goes to when `leaving` gives it up.
  WindowId successor(WindowId leaving) const;
  void handOverFrom(WindowId hidden);
  void appTransition(bool active);
  bool canActivate(const Entry& e) const { return e.visible && e.enabled; }

  std::vector<Entry> entries_;  // top to bottom
  WindowId nextId_ = 1;
  WindowId main_ = kNoWindow;
  WindowId active_ = kNoWindow;
  bool appActive_ = true;
  int normalizeDepth_ = 0;
  std::vector<WindowId> collected_;
  int depth_ = 0;
  bool dirty_ = false;
  std::vector<bool> pendingActivations_;
  int changeCount_ = 0;
};

}  // namespace vistel
