#pragma once

#include <QPoint>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

namespace vistel::platform {

// The mouse cursor's position on the screen, and moving it there.
QPoint cursorPos();
void setCursorPos(const QPoint& p);

// Milliseconds since an arbitrary start, from a monotonic clock. 32 bits, so
// it wraps after 49.7 days: compare ticks by their difference.
std::uint32_t tickCount();

// Lets the user interface handle what is pending (input, paints, timers)
// from inside a handler that runs for a while.
void processEvents();

// Whether a mouse button is held now, as the window system knows it (a
// release that went to another program's window counts).
bool mouseButtonsDown();

// Keeps a top-level window out of the task bar and the pager (and so out of
// Alt+Tab): call before each mapping, as window managers drop the hint when
// a window is withdrawn.
void keepOffTaskBar(QWidget* window);

// Asks the window manager again for the states a mapped window lost: some
// managers (kwin) drop them when the window is shown again soon after it
// was hidden, and it then falls to the bottom and into the task bar. True
// when any was missing.
bool restoreWindowState(QWidget* window, bool above, bool offTaskBar);

// The active window and the stacking order of the managed windows (bottom
// to top) as the window manager reports them, by window-system id; 0 and
// empty where there is no such report.
std::uint32_t activeWindow();
std::vector<std::uint32_t> stackingOrder();

// Other programs' windows, by their window-system ids (0 for none): the
// active one, and the top ordinary one; activating one (the window manager
// raises it too).
std::uint32_t foreignActiveWindow();
std::uint32_t topForeignWindow();
void activateForeignWindow(std::uint32_t window);
// Gives it the keyboard focus straight, without the window manager, which
// would raise it too.
void focusForeignWindow(std::uint32_t window);

// Calls `pressed` on each press of a mouse button anywhere on the screen,
// whichever program's window it goes to (an empty function stops that).
// False where the window system tells no such thing.
bool watchPresses(std::function<void()> pressed);

// Whether the pointer is over `window`: in the top-level window (the window
// manager's frame) that holds it.
bool pointerOver(std::uint32_t window);

// Sends queued requests to the window system at once. On X11 a restacking
// may otherwise wait in the connection's buffer until the next flush.
void flushWindowSystem();

// Which Qt platform to start on. Wayland lets no client place its windows
// or keep them on top, so a Wayland session that also offers X11 runs us
// through XWayland.
struct PlatformChoice {
  QString platform;  // value for QT_QPA_PLATFORM, empty to leave it alone
  QString notice;    // a line for stderr, empty for none
};
PlatformChoice choosePlatform(const std::function<QString(const char*)>& env);

// Applies choosePlatform() to this process: call it before the application
// object exists. Prints the notice, once.
void selectPlatform();

}  // namespace vistel::platform
