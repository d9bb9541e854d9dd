#include "windows/platform.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

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

using XcbFlush = int (*)(void*);

// libxcb is already in the process (the xcb platform plugin uses it); take
// its flush from there instead of linking the program against it.
XcbFlush xcbFlushFunction() {
  static const XcbFlush fn = [] {
    void* lib = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_NOLOAD);
    return lib != nullptr ? reinterpret_cast<XcbFlush>(dlsym(lib, "xcb_flush")) : nullptr;
  }();
  return fn;
}

}  // namespace

void flushWindowSystem() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return;
  if (XcbFlush flush = xcbFlushFunction()) flush(x11->connection());
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
