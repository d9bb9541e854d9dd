#include "windows/platform.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <algorithm>

namespace vistel::platform {

QPoint cursorPos() { return QCursor::pos(); }

void setCursorPos(const QPoint& p) { QCursor::setPos(p); }

std::uint32_t tickCount() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<std::uint32_t>(ms);
}

void processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

namespace {

// The X connection when running on X11, or none.
xcb_connection_t* xcbConnection() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

}  // namespace

void flushWindowSystem() {
  if (xcb_connection_t* c = xcbConnection()) xcb_flush(c);
}

void keepOffTaskBar(QWidget* window) {
  xcb_connection_t* c = xcbConnection();
  if (c == nullptr) return;
  auto atom = [c](const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = r != nullptr ? r->atom : XCB_ATOM_NONE;
    std::free(r);
    return a;
  };
  const auto id = static_cast<xcb_window_t>(window->winId());
  const xcb_atom_t state = atom("_NET_WM_STATE");
  // Added to what the window's state already holds: Qt keeps atoms it does
  // not manage when it maps the window.
  std::vector<xcb_atom_t> atoms;
  xcb_get_property_reply_t* r = xcb_get_property_reply(
      c, xcb_get_property(c, 0, id, state, XCB_ATOM_ATOM, 0, 64), nullptr);
  if (r != nullptr) {
    const auto* v = static_cast<const xcb_atom_t*>(xcb_get_property_value(r));
    atoms.assign(v, v + xcb_get_property_value_length(r) / 4);
    std::free(r);
  }
  for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
    const xcb_atom_t a = atom(name);
    if (std::find(atoms.begin(), atoms.end(), a) == atoms.end()) atoms.push_back(a);
  }
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32,
                      static_cast<std::uint32_t>(atoms.size()), atoms.data());
}

bool mouseButtonsDown() {
  xcb_connection_t* c = xcbConnection();
  if (c == nullptr) return QGuiApplication::mouseButtons() != Qt::NoButton;
  // Ask the server: a release that went to another window never reached Qt.
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_query_pointer_reply_t* reply = xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr);
  if (reply == nullptr) return QGuiApplication::mouseButtons() != Qt::NoButton;
  const bool down =
      (reply->mask & (XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3)) != 0;
  std::free(reply);
  return down;
}

PlatformChoice choosePlatform(const std::function<QString(const char*)>& env) {
  if (!env("QT_QPA_PLATFORM").isEmpty()) return {};  // the user chose
  const bool wayland = !env("WAYLAND_DISPLAY").isEmpty() ||
                       env("XDG_SESSION_TYPE").compare(QLatin1String("wayland")) == 0;
  if (!wayland) return {};
  if (!env("DISPLAY").isEmpty()) return {QStringLiteral("xcb"), {}};
  return {{},
          QStringLiteral("Vistel: this Wayland session offers no X11 display; the windows "
                         "cannot be placed exactly or kept on top of other windows.")};
}

void selectPlatform() {
  const PlatformChoice choice =
      choosePlatform([](const char* name) { return QString::fromLocal8Bit(std::getenv(name)); });
  if (!choice.platform.isEmpty()) setenv("QT_QPA_PLATFORM", choice.platform.toLocal8Bit(), 1);
  static bool told = false;
  if (!choice.notice.isEmpty() && !told) {
    told = true;
    std::fprintf(stderr, "%s\n", choice.notice.toLocal8Bit().constData());
  }
}

}  // namespace vistel::platform
