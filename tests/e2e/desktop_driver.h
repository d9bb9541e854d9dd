#pragma once

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

struct _XDisplay;

// The real desktop of the end-to-end runs: real input through xdotool,
// and what the user sees read back from the X server (windows, stacking,
// focus, pointer grab, cursor, task bar, tray, root screenshots).
namespace e2e {

using WindowId = unsigned long;

struct Geometry {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Runs a command to its end (at most `timeoutMs`) and returns its stdout.
QString run(const QString& program, const QStringList& args, int timeoutMs = 10000);
void xdotool(const QStringList& args);
void sleepMs(int ms);

class Desk {
 public:
  Desk();
  ~Desk();
  Desk(const Desk&) = delete;
  Desk& operator=(const Desk&) = delete;

  // The mapped top-level client window titled exactly `name`, or 0.
  WindowId window(const QString& name) const;
  QString name(WindowId w) const;
  Geometry geometry(WindowId w) const;
  // Client windows, bottom to top, as the window manager stacks them.
  std::vector<WindowId> stacking() const;
  WindowId active() const;
  // The top-level client window that has the keyboard focus, or 0.
  WindowId focused() const;
  // Titles of `pid`'s windows that the task bar lists.
  QStringList taskBarEntries(qint64 pid) const;
  // The notification-area icon window of `pid`, or 0.
  WindowId trayIcon(qint64 pid) const;
  // Open popup menus of `pid`.
  std::vector<Geometry> popupMenus(qint64 pid) const;
  // Another client could not take the pointer now.
  bool pointerGrabbed() const;
  // The cursor the pointer shows, its hot spot in the image's offset.
  QImage cursor() const;
  QImage screenshot() const;
  // What a settle waits on, to compare with an earlier look: the active
  // window, the focus, the stacking order and the windows mapped on the
  // root in the server's order (frames, menus, tooltips).
  std::vector<unsigned long> layout() const;
  // A _NET_WM_PING round trip to the program that made `w`: true once it
  // answered, which it does from its event loop, having handled the input
  // that came before.
  bool ping(WindowId w, int timeoutMs) const;

 private:
  std::vector<WindowId> clients() const;
  std::vector<unsigned long> property(WindowId w, const char* name) const;
  WindowId clientOf(WindowId w) const;
  ::_XDisplay* dpy_ = nullptr;
};

// A program started for a case, ended (SIGTERM, then SIGKILL) on scope exit.
// Its stdout and stderr go to `outputFile` when one is named (appended, in
// the order written), else to the driver's own.
class Program {
 public:
  Program(const QString& path, const QStringList& args = {}, const QString& workDir = {},
          const QString& outputFile = {});
  ~Program();
  bool running() const;
  qint64 pid() const { return process_->processId(); }
  // Waits for the end; the exit status, or -1 when it did not end normally.
  int exitStatus(int timeoutMs);
  int terminate(int timeoutMs = 10000);
  // Processor time used so far, in milliseconds.
  long cpuMs() const;

 private:
  std::unique_ptr<QProcess> process_;
  qint64 pid_ = 0;
};

}  // namespace e2e
