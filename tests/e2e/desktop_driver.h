#pragma once

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

// Drives the real desktop of the end-to-end tests: X tools for input and
// window queries, root screenshots for what the user sees.
namespace e2e {

struct Geometry {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Runs a command to its end (at most `timeoutMs`) and returns its stdout.
QString run(const QString& program, const QStringList& args, int timeoutMs = 10000);

// The id of the first window whose name is exactly `name`, waiting up to
// `timeoutMs`; empty when none appeared.
QString waitForWindow(const QString& name, int timeoutMs = 10000);
bool windowExists(const QString& name);
Geometry windowGeometry(const QString& id);
QString activeWindowName();

void moveMouse(int x, int y);
void click(int x, int y, int button = 1);
void sleepMs(int ms);

QImage screenshot();

// A program started for a test, ended (SIGTERM, then SIGKILL) on scope exit.
class Program {
 public:
  Program(const QString& path, const QStringList& args = {}, const QString& workDir = {});
  ~Program();
  bool running() const;
  // Sends SIGTERM and waits; returns the exit status, or -1 when it did not end
  // normally within `timeoutMs`.
  int terminate(int timeoutMs = 10000);
  QProcess& process() { return *process_; }

 private:
  std::unique_ptr<QProcess> process_;
};

}  // namespace e2e
