#include "desktop_driver.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <functional>

// Xlib after Qt: its macros (Status, None, ...) would break Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

namespace e2e {

QString run(const QString& program, const QStringList& args, int timeoutMs) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished(1000);
  }
  return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

void xdotool(const QStringList& args) { run(QStringLiteral("xdotool"), args); }

void sleepMs(int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }

Desk::Desk() : dpy_(XOpenDisplay(nullptr)) {}

Desk::~Desk() {
  if (dpy_ != nullptr) XCloseDisplay(dpy_);
}

std::vector<unsigned long> Desk::property(WindowId w, const char* name) const {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> values;
  if (XGetWindowProperty(dpy_, w, XInternAtom(dpy_, name, False), 0, 4096, False, AnyPropertyType,
                         &type, &format, &count, &after, &data) == Success &&
      data != nullptr) {
    if (format == 32) {
      const auto* v = reinterpret_cast<const unsigned long*>(data);
      values.assign(v, v + count);
    } else if (format == 8) {
      values.assign(data, data + count);
    }
    XFree(data);
  }
  return values;
}

std::vector<WindowId> Desk::clients() const {
  return property(DefaultRootWindow(dpy_), "_NET_CLIENT_LIST");
}

QString Desk::name(WindowId w) const {
  const std::vector<unsigned long> utf8 = property(w, "_NET_WM_NAME");
  QByteArray bytes;
  for (unsigned long c : utf8.empty() ? property(w, "WM_NAME") : utf8)
    bytes.append(static_cast<char>(c));
  return QString::fromUtf8(bytes);
}

namespace {

bool viewable(Display* dpy, WindowId w) {
  XWindowAttributes a;
  return XGetWindowAttributes(dpy, w, &a) != 0 && a.map_state == IsViewable;
}

// Whether `w` or a window below it satisfies `test` (depth first).
WindowId findBelow(Display* dpy, WindowId w, const std::function<bool(WindowId)>& test) {
  if (test(w)) return w;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  if (XQueryTree(dpy, w, &root, &parent, &children, &n) == 0) return 0;
  WindowId found = 0;
  for (unsigned int i = 0; i < n && found == 0; ++i) found = findBelow(dpy, children[i], test);
  if (children != nullptr) XFree(children);
  return found;
}

}  // namespace

WindowId Desk::window(const QString& title) const {
  for (WindowId w : clients())
    if (name(w) == title && viewable(dpy_, w)) return w;
  return 0;
}

Geometry Desk::geometry(WindowId w) const {
  XWindowAttributes a;
  if (XGetWindowAttributes(dpy_, w, &a) == 0) return {};
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(dpy_, w, DefaultRootWindow(dpy_), 0, 0, &x, &y, &child);
  return {x, y, a.width, a.height};
}

std::vector<WindowId> Desk::stacking() const {
  return property(DefaultRootWindow(dpy_), "_NET_CLIENT_LIST_STACKING");
}

WindowId Desk::active() const {
  const auto v = property(DefaultRootWindow(dpy_), "_NET_ACTIVE_WINDOW");
  return v.empty() ? 0 : v[0];
}

WindowId Desk::clientOf(WindowId w) const {
  const std::vector<WindowId> all = clients();
  // The focus may sit on a client, on a window inside it, or on a frame.
  for (WindowId at = w; at != 0;) {
    if (std::find(all.begin(), all.end(), at) != all.end()) return at;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    if (XQueryTree(dpy_, at, &root, &parent, &children, &n) == 0) break;
    if (children != nullptr) XFree(children);
    if (parent == root) {
      for (WindowId c : all)
        if (findBelow(dpy_, at, [c](WindowId x) { return x == c; }) != 0) return c;
      break;
    }
    at = parent;
  }
  return 0;
}

WindowId Desk::focused() const {
  Window w = 0;
  int revert = 0;
  XGetInputFocus(dpy_, &w, &revert);
  return w == None || w == PointerRoot ? 0 : clientOf(w);
}

QStringList Desk::taskBarEntries(qint64 pid) const {
  static const char* const kNotListed[] = {
      "_NET_WM_WINDOW_TYPE_DESKTOP", "_NET_WM_WINDOW_TYPE_DOCK",    "_NET_WM_WINDOW_TYPE_TOOLBAR",
      "_NET_WM_WINDOW_TYPE_MENU",    "_NET_WM_WINDOW_TYPE_UTILITY", "_NET_WM_WINDOW_TYPE_SPLASH"};
  const Atom skip = XInternAtom(dpy_, "_NET_WM_STATE_SKIP_TASKBAR", False);
  QStringList entries;
  for (WindowId w : clients()) {
    const auto owner = property(w, "_NET_WM_PID");
    if (owner.empty() || static_cast<qint64>(owner[0]) != pid) continue;
    const auto state = property(w, "_NET_WM_STATE");
    if (std::find(state.begin(), state.end(), skip) != state.end()) continue;
    const auto types = property(w, "_NET_WM_WINDOW_TYPE");
    const bool special = std::any_of(types.begin(), types.end(), [this](unsigned long t) {
      return std::any_of(std::begin(kNotListed), std::end(kNotListed),
                         [&](const char* n) { return t == XInternAtom(dpy_, n, False); });
    });
    Window transientFor = 0;
    if (special || XGetTransientForHint(dpy_, w, &transientFor) != 0) continue;
    entries << name(w);
  }
  entries.sort();
  return entries;
}

WindowId Desk::trayIcon(qint64) const {
  // The icon is a small window of the program's class embedded in the
  // notification area (so not a child of the root, as tooltips are),
  // wherever that keeps its icons.
  return findBelow(dpy_, DefaultRootWindow(dpy_), [&](WindowId w) {
    XWindowAttributes a;
    XClassHint hint{};
    if (XGetWindowAttributes(dpy_, w, &a) == 0 || a.map_state != IsViewable || a.width > 64 ||
        a.height > 64 || XGetClassHint(dpy_, w, &hint) == 0)
      return false;
    const bool ours = hint.res_name != nullptr && QByteArray(hint.res_name) == "vistel";
    XFree(hint.res_name);
    XFree(hint.res_class);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    if (!ours || XQueryTree(dpy_, w, &root, &parent, &children, &n) == 0) return false;
    if (children != nullptr) XFree(children);
    return parent != root;
  });
}

std::vector<Geometry> Desk::popupMenus(qint64 pid) const {
  // Menus are the program's override-redirect windows (no window manager
  // places them) other than its tooltips.
  const Atom tooltip = XInternAtom(dpy_, "_NET_WM_WINDOW_TYPE_TOOLTIP", False);
  std::vector<Geometry> menus;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  if (XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &n) == 0) return menus;
  for (unsigned int i = 0; i < n; ++i) {
    XWindowAttributes a;
    const auto owner = property(children[i], "_NET_WM_PID");
    const auto types = property(children[i], "_NET_WM_WINDOW_TYPE");
    if (!owner.empty() && static_cast<qint64>(owner[0]) == pid &&
        std::find(types.begin(), types.end(), tooltip) == types.end() &&
        XGetWindowAttributes(dpy_, children[i], &a) != 0 && a.override_redirect &&
        a.map_state == IsViewable)
      menus.push_back(geometry(children[i]));
  }
  if (children != nullptr) XFree(children);
  return menus;
}

bool Desk::pointerGrabbed() const {
  const int status = XGrabPointer(dpy_, DefaultRootWindow(dpy_), False, ButtonPressMask,
                                  GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
  if (status == GrabSuccess) XUngrabPointer(dpy_, CurrentTime);
  XSync(dpy_, False);
  return status == AlreadyGrabbed;
}

QImage Desk::cursor() const {
  XFixesCursorImage* c = XFixesGetCursorImage(dpy_);
  if (c == nullptr) return {};
  QImage img(c->width, c->height, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < c->height; ++y)
    for (int x = 0; x < c->width; ++x)
      img.setPixel(x, y, static_cast<QRgb>(c->pixels[y * c->width + x]));
  img.setOffset(QPoint(c->xhot, c->yhot));
  XFree(c);
  return img;
}

QImage Desk::screenshot() const {
  // import reads what the screen shows, composited or not.
  const QString path = QDir::temp().filePath(
      QStringLiteral("vistel-e2e-%1.png").arg(QCoreApplication::applicationPid()));
  run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
  QImage img(path);
  QFile::remove(path);
  return img.convertToFormat(QImage::Format_RGB32);
}

std::vector<unsigned long> Desk::layout() const {
  const Window root = DefaultRootWindow(dpy_);
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(dpy_, &focus, &revert);
  std::vector<unsigned long> all{active(), focus};
  for (WindowId w : stacking()) all.push_back(w);
  all.push_back(0);
  Window r = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  if (XQueryTree(dpy_, root, &r, &parent, &children, &n) != 0) {
    for (unsigned int i = 0; i < n; ++i)
      if (viewable(dpy_, children[i])) all.push_back(children[i]);
    if (children != nullptr) XFree(children);
  }
  return all;
}

bool Desk::ping(WindowId w, int timeoutMs) const {
  // The answer goes to the root window, for those who listen to its
  // structure (Qt) or its children's (other toolkits): the window manager,
  // and us while we ask. The stamp, far beyond the server's times, tells
  // ours from the manager's own pings.
  static long count = 0;
  const long stamp = 0x7e000000L + ++count;
  const Window root = DefaultRootWindow(dpy_);
  const Atom protocols = XInternAtom(dpy_, "WM_PROTOCOLS", False);
  const Atom pingAtom = XInternAtom(dpy_, "_NET_WM_PING", False);
  XSelectInput(dpy_, root, StructureNotifyMask | SubstructureNotifyMask);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = protocols;
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(pingAtom);
  e.xclient.data.l[1] = stamp;
  e.xclient.data.l[2] = static_cast<long>(w);
  XSendEvent(dpy_, w, False, NoEventMask, &e);
  XFlush(dpy_);
  QElapsedTimer t;
  t.start();
  bool answered = false;
  while (!answered && t.elapsed() < timeoutMs) {
    while (!answered && XPending(dpy_) > 0) {
      XEvent got;
      XNextEvent(dpy_, &got);
      answered = got.type == ClientMessage && got.xclient.message_type == protocols &&
                 static_cast<Atom>(got.xclient.data.l[0]) == pingAtom &&
                 got.xclient.data.l[1] == stamp;
    }
    if (!answered) sleepMs(1);
  }
  XSelectInput(dpy_, root, NoEventMask);
  XSync(dpy_, True);
  return answered;
}

Program::Program(const QString& path, const QStringList& args, const QString& workDir,
                 const QString& outputFile)
    : process_(std::make_unique<QProcess>()) {
  if (outputFile.isEmpty()) {
    process_->setProcessChannelMode(QProcess::ForwardedChannels);
  } else {
    // A file rather than pipes: nothing here reads them while the program
    // runs, and a full pipe would stop it.
    process_->setStandardOutputFile(outputFile, QIODevice::Append);
    process_->setStandardErrorFile(outputFile, QIODevice::Append);
  }
  if (!workDir.isEmpty()) process_->setWorkingDirectory(workDir);
  process_->start(path, args);
  process_->waitForStarted(5000);
  pid_ = process_->processId();
}

Program::~Program() {
  if (running() && terminate(3000) < 0 && running()) {
    process_->kill();
    process_->waitForFinished(2000);
  }
}

bool Program::running() const { return process_->state() != QProcess::NotRunning; }

int Program::exitStatus(int timeoutMs) {
  if (running() && !process_->waitForFinished(timeoutMs)) return -1;
  return process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -1;
}

int Program::terminate(int timeoutMs) {
  process_->terminate();
  return exitStatus(timeoutMs);
}

long Program::cpuMs() const {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid_));
  if (!stat.open(QIODevice::ReadOnly)) return 0;
  // Fields 14 and 15, after the command name in parentheses.
  const QList<QByteArray> f = stat.readAll().split(')').last().trimmed().split(' ');
  if (f.size() < 13) return 0;
  return (f[11].toLong() + f[12].toLong()) * 1000 / sysconf(_SC_CLK_TCK);
}

}  // namespace e2e
