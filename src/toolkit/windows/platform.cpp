#include "windows/platform.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

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

namespace {

// The names this file asks the window system about. Their atoms are asked
// for together, the first time any is needed: one round trip to the server
// rather than one per name, several of them on the way to the first frame.
constexpr const char* kAtomNames[] = {
    "_NET_ACTIVE_WINDOW",
    "_NET_CLIENT_LIST_STACKING",
    "_NET_WM_PID",
    "_NET_WM_STATE",
    "_NET_WM_STATE_ABOVE",
    "_NET_WM_STATE_SKIP_PAGER",
    "_NET_WM_STATE_SKIP_TASKBAR",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_NORMAL",
    "_NET_WM_WINDOW_TYPE_DIALOG",
};

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
  // An atom stands as long as the server does: each is asked for once.
  static std::mutex mutex;
  static xcb_connection_t* askedOn = nullptr;
  static std::unordered_map<std::string, xcb_atom_t> known;
  const std::lock_guard lock(mutex);
  if (askedOn != c) {
    known.clear();
    askedOn = c;
  }
  if (const auto it = known.find(name); it != known.end()) return it->second;
  std::vector<std::pair<const char*, xcb_intern_atom_cookie_t>> asked;
  const auto ask = [&](const char* n) {
    asked.emplace_back(n, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(n)), n));
  };
  if (known.empty())
    for (const char* n : kAtomNames)
      if (std::strcmp(n, name) != 0) ask(n);
  ask(name);
  xcb_atom_t atom = XCB_ATOM_NONE;
  for (const auto& [n, cookie] : asked) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, cookie, nullptr);
    if (r == nullptr) continue;  // asked again next time
    known.emplace(n, r->atom);
    if (n == asked.back().first) atom = r->atom;
    std::free(r);
  }
  return atom;
}

xcb_window_t rootOf(xcb_connection_t* c) {
  return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

std::vector<std::uint32_t> property32(xcb_connection_t* c, xcb_window_t w, const char* name,
                                      xcb_atom_t type) {
  std::vector<std::uint32_t> values;
  xcb_get_property_reply_t* r = xcb_get_property_reply(
      c, xcb_get_property(c, 0, w, internAtom(c, name), type, 0, 4096), nullptr);
  if (r != nullptr) {
    const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
    if (r->format == 32) values.assign(v, v + xcb_get_property_value_length(r) / 4);
    std::free(r);
  }
  return values;
}

// A request to the window manager about `window` (EWMH client message), sent
// as a pager would send it: the user asked for it.
void askWindowManager(xcb_connection_t* c, xcb_window_t window, const char* message,
                      std::uint32_t d1, std::uint32_t d2) {
  xcb_client_message_event_t e = {};
  e.response_type = XCB_CLIENT_MESSAGE;
  e.format = 32;
  e.window = window;
  e.type = internAtom(c, message);
  e.data.data32[0] = 2;  // source: a pager, i.e. on the user's behalf
  e.data.data32[1] = d1;
  e.data.data32[2] = d2;
  xcb_send_event(c, 0, rootOf(c),
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&e));
  xcb_flush(c);
}

bool ownWindow(xcb_connection_t* c, xcb_window_t w) {
  const auto pid = property32(c, w, "_NET_WM_PID", XCB_ATOM_CARDINAL);
  return !pid.empty() && pid[0] == static_cast<std::uint32_t>(QCoreApplication::applicationPid());
}

}  // namespace

void flushWindowSystem() {
  if (xcb_connection_t* c = xcbConnection()) xcb_flush(c);
}

void keepOffTaskBar(QWidget* window) {
  xcb_connection_t* c = xcbConnection();
  if (c == nullptr) return;
  auto atom = [c](const char* name) { return internAtom(c, name); };
  const auto id = static_cast<xcb_window_t>(window->winId());
  const xcb_atom_t state = atom("_NET_WM_STATE");
  // Added to what the window's state already holds: Qt keeps atoms it does
  // not manage when it maps the window.
  std::vector<xcb_atom_t> atoms;
  xcb_get_property_reply_t* r =
      xcb_get_property_reply(c, xcb_get_property(c, 0, id, state, XCB_ATOM_ATOM, 0, 64), nullptr);
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

bool restoreWindowState(QWidget* window, bool above, bool offTaskBar) {
  xcb_connection_t* c = xcbConnection();
  if (c == nullptr) return false;
  const auto id = static_cast<xcb_window_t>(window->winId());
  const std::vector<std::uint32_t> has = property32(c, id, "_NET_WM_STATE", XCB_ATOM_ATOM);
  std::vector<const char*> wanted;
  if (above) wanted.push_back("_NET_WM_STATE_ABOVE");
  if (offTaskBar)
    wanted.insert(wanted.end(), {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"});
  bool missing = false;
  for (const char* name : wanted) {
    const xcb_atom_t a = internAtom(c, name);
    if (std::find(has.begin(), has.end(), a) != has.end()) continue;
    missing = true;
    xcb_client_message_event_t e = {};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = id;
    e.type = internAtom(c, "_NET_WM_STATE");
    e.data.data32[0] = 1;  // add
    e.data.data32[1] = a;
    e.data.data32[3] = 1;  // source: an application
    xcb_send_event(c, 0, rootOf(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&e));
  }
  if (missing) xcb_flush(c);
  return missing;
}

std::uint32_t activeWindow() {
  xcb_connection_t* c = xcbConnection();
  if (c == nullptr) return 0;
  const auto active = property32(c, rootOf(c), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
  return active.empty() ? 0 : active[0];
}

std::vector<std::uint32_t> stackingOrder() {
  xcb_connection_t* c = xcbConnection();
  if (c == nullptr) return {};
  return property32(c, rootOf(c), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW);
}

std::uint32_t foreignActiveWindow() {
  xcb_connection_t* c = xcbConnection();
  if (c == nullptr) return 0;
  const auto active = property32(c, rootOf(c), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
  return active.empty() || active[0] == 0 || ownWindow(c, active[0]) ? 0 : active[0];
}

std::uint32_t topForeignWindow() {
  xcb_connection_t* c = xcbConnection();
  if (c == nullptr) return 0;
  const xcb_atom_t normal = internAtom(c, "_NET_WM_WINDOW_TYPE_NORMAL");
  const xcb_atom_t dialog = internAtom(c, "_NET_WM_WINDOW_TYPE_DIALOG");
  const auto order = property32(c, rootOf(c), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW);
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    if (ownWindow(c, *it)) continue;
    // Ordinary windows and dialogs only: no docks, desktops or panels.
    const auto types = property32(c, *it, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM);
    if (!types.empty() && std::find(types.begin(), types.end(), normal) == types.end() &&
        std::find(types.begin(), types.end(), dialog) == types.end())
      continue;
    xcb_get_window_attributes_reply_t* a =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, *it), nullptr);
    const bool viewable = a != nullptr && a->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(a);
    if (viewable) return *it;
  }
  return 0;
}

void activateForeignWindow(std::uint32_t window) {
  if (xcb_connection_t* c = xcbConnection(); c != nullptr && window != 0)
    askWindowManager(c, window, "_NET_ACTIVE_WINDOW", XCB_CURRENT_TIME, 0);
}

namespace {

// X input's raw button presses, which the server sends to every client that
// asks on the root window, whoever the press itself goes to.
class PressWatch : public QAbstractNativeEventFilter {
 public:
  std::function<void()> pressed;
  std::uint8_t opcode = 0;

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (!pressed || type != "xcb_generic_event_t") return false;
    const auto* e = static_cast<const xcb_generic_event_t*>(message);
    if ((e->response_type & 0x7f) != XCB_GE_GENERIC) return false;
    const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(e);
    if (ge->extension != opcode || ge->event_type != XCB_INPUT_RAW_BUTTON_PRESS) return false;
    // Buttons 1 to 3; the wheel's steps come as buttons 4 to 7.
    const auto* raw = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(e);
    if (raw->detail >= 1 && raw->detail <= 3) pressed();
    return false;  // Qt has its own look at it
  }
};

}  // namespace

bool watchPresses(std::function<void()> pressed) {
  static PressWatch* watch = nullptr;
  if (watch != nullptr) {
    watch->pressed = std::move(pressed);
    return true;
  }
  xcb_connection_t* c = xcbConnection();
  if (c == nullptr || !pressed) return false;
  const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_input_id);
  if (ext == nullptr || ext->present == 0) return false;
  // Qt has agreed on a version of X input 2 on this connection already.
  struct {
    xcb_input_event_mask_t head;
    std::uint32_t bits;
  } mask = {{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS};
  xcb_generic_error_t* error =
      xcb_request_check(c, xcb_input_xi_select_events_checked(c, rootOf(c), 1, &mask.head));
  if (error != nullptr) {
    std::free(error);
    return false;
  }
  // Lives as long as the process: the application object keeps a pointer.
  watch = new PressWatch;
  watch->opcode = ext->major_opcode;
  watch->pressed = std::move(pressed);
  QCoreApplication::instance()->installNativeEventFilter(watch);
  return true;
}

bool pointerOver(std::uint32_t window) {
  xcb_connection_t* c = xcbConnection();
  if (c == nullptr || window == 0) return false;
  const xcb_window_t root = rootOf(c);
  xcb_query_pointer_reply_t* p = xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr);
  if (p == nullptr) return false;
  const xcb_window_t under = p->child;
  std::free(p);
  // Up from the window to the root's child that holds it.
  xcb_window_t w = window;
  for (int depth = 0; depth < 16 && w != XCB_WINDOW_NONE; ++depth) {
    if (w == under) return true;
    xcb_query_tree_reply_t* t = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
    if (t == nullptr) return false;
    const xcb_window_t parent = t->parent;
    std::free(t);
    if (parent == root) return false;
    w = parent;
  }
  return false;
}

void focusForeignWindow(std::uint32_t window) {
  if (xcb_connection_t* c = xcbConnection(); c != nullptr && window != 0) {
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    xcb_flush(c);
  }
}

bool mouseButtonsDown() {
  xcb_connection_t* c = xcbConnection();
  if (c == nullptr) return QGuiApplication::mouseButtons() != Qt::NoButton;
  // Ask the server: a release that went to another window never reached Qt.
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_query_pointer_reply_t* reply =
      xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr);
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
