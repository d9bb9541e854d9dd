#include "desktop_driver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

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

QString waitForWindow(const QString& name, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  const QString pattern = QStringLiteral("^%1$").arg(name);
  while (t.elapsed() < timeoutMs) {
    const QString ids = run(QStringLiteral("xdotool"),
                            {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                             QStringLiteral("--name"), pattern});
    if (!ids.isEmpty()) return ids.split(QLatin1Char('\n')).first();
    sleepMs(100);
  }
  return {};
}

bool windowExists(const QString& name) {
  return !run(QStringLiteral("xdotool"),
              {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^%1$").arg(name)})
              .isEmpty();
}

Geometry windowGeometry(const QString& id) {
  // xwininfo reports the absolute position of the client area itself,
  // whatever frame a window manager put around it.
  const QString out = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
  Geometry g;
  for (const QString& raw : out.split(QLatin1Char('\n'))) {
    const QString line = raw.trimmed();
    auto value = [&line] { return line.section(QLatin1Char(':'), 1).trimmed().toInt(); };
    if (line.startsWith(QLatin1String("Absolute upper-left X:"))) g.x = value();
    if (line.startsWith(QLatin1String("Absolute upper-left Y:"))) g.y = value();
    if (line.startsWith(QLatin1String("Width:"))) g.width = value();
    if (line.startsWith(QLatin1String("Height:"))) g.height = value();
  }
  return g;
}

QString activeWindowName() {
  return run(QStringLiteral("xdotool"),
             {QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")});
}

void moveMouse(int x, int y) {
  run(QStringLiteral("xdotool"),
      {QStringLiteral("mousemove"), QString::number(x), QString::number(y)});
}

void click(int x, int y, int button) {
  moveMouse(x, y);
  sleepMs(100);
  run(QStringLiteral("xdotool"), {QStringLiteral("click"), QString::number(button)});
  sleepMs(300);
}

void sleepMs(int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }

QImage screenshot() {
  const QString path = QDir::temp().filePath(QStringLiteral("vistel-e2e-%1.png")
                                                 .arg(QCoreApplication::applicationPid()));
  run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
  QImage img(path);
  QFile::remove(path);
  return img.convertToFormat(QImage::Format_RGB32);
}

Program::Program(const QString& path, const QStringList& args, const QString& workDir)
    : process_(std::make_unique<QProcess>()) {
  process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  if (!workDir.isEmpty()) process_->setWorkingDirectory(workDir);
  process_->start(path, args);
  process_->waitForStarted(5000);
}

Program::~Program() {
  if (running()) {
    terminate(3000);
    if (running()) {
      process_->kill();
      process_->waitForFinished(2000);
    }
  }
}

bool Program::running() const { return process_->state() != QProcess::NotRunning; }

int Program::terminate(int timeoutMs) {
  process_->terminate();
  if (!process_->waitForFinished(timeoutMs)) return -1;
  if (process_->exitStatus() != QProcess::NormalExit) return -1;
  return process_->exitCode();
}

}  // namespace e2e
