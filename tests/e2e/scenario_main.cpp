// Runs the end-to-end scenario tables against the real program on the
// X desktop it finds in DISPLAY: each case starts the program afresh, acts
// with real input and polls what the screen and the window system show.
//
//   vistel-scenarios TABLE... [--case TEXT]
//
// Environment: VISTEL_BIN, VISTEL_SAMPLES, VISTEL_UNDERLAY (the programs),
// VISTEL_E2E_WM (the window manager's name, for `skip`), VISTEL_E2E_COMPOSITED
// (a compositor blends the device), VISTEL_E2E_TRAY (a notification area runs).
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QRasterWindow>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

#include "assets/embedded_assets.h"
#include "cursors.h"
#include "desktop_driver.h"
#include "scenario.h"
#include "screen_model.h"

namespace e2e {
namespace {

QString env(const char* name) { return QString::fromLocal8Bit(qgetenv(name)); }

constexpr int kPollMs = 6000;
const QPoint kParking(1100, 900);  // over the underlay, away from the device

QString title(const QString& role) {
  static const std::map<QString, QString> titles = {
      {QStringLiteral("viewer"), QStringLiteral("Vistel")},
      {QStringLiteral("panel"), QStringLiteral("Form2")},
      {QStringLiteral("chooser"), QStringLiteral("GetImgForm")},
      {QStringLiteral("backdrop"), QStringLiteral("Form3")},
      {QStringLiteral("help"), QStringLiteral("帮助")},
      {QStringLiteral("underlay"), QStringLiteral("vistel-underlay")}};
  const auto it = titles.find(role);
  return it == titles.end() ? role : it->second;
}

QPoint pair(const QString& text, bool* ok) {
  const QStringList xy = text.split(QLatin1Char(','));
  bool okx = false, oky = false;
  const QPoint p(xy.value(0).toInt(&okx), xy.value(1).toInt(&oky));
  *ok = xy.size() == 2 && okx && oky;
  return p;
}

// The screen-wide plain window every case runs over; started again when
// something ended it.
class Underlay {
 public:
  explicit Underlay(Desk& desk) : desk_(desk) {}
  bool ensure() {
    if (program_ && program_->running() && desk_.window(QStringLiteral("vistel-underlay")) != 0)
      return true;
    program_ = std::make_unique<Program>(env("VISTEL_UNDERLAY"));
    for (int i = 0; i < 100; ++i) {
      if (desk_.window(QStringLiteral("vistel-underlay")) != 0) return true;
      sleepMs(100);
    }
    return false;
  }

 private:
  Desk& desk_;
  std::unique_ptr<Program> program_;
};

class Runner {
 public:
  Runner(const ScenarioFile& file, Desk& desk, ScreenModel& model, const Cursors& cursors,
         Underlay& underlay)
      : file_(file), desk_(desk), model_(model), cursors_(cursors), underlay_(underlay) {}

  // What the program of the last case wrote, and where it hung if it did.
  const QString& log() const { return log_; }

  // "ok", "skip ..." or "FAIL ...".
  QString run(const Case& c) {
    failure_.clear();
    skip_.clear();
    model_.setOrigin({kDeviceLeft, kDeviceTop});
    model_.setShown(QImage(), QRect());
    model_.setBackdrop(false);
    model_.setAlpha(composited() ? 150 : 255);
    xdotool({QStringLiteral("mousemove"), QString::number(kParking.x()),
             QString::number(kParking.y())});
    if (!underlay_.ensure()) return QStringLiteral("FAIL the underlay window does not start");
    // VISTEL_E2E_SHOTS=DIR keeps the screen after every step, for a look.
    const QString shots = env("VISTEL_E2E_SHOTS");
    for (const Step& s : c.steps) {
      const bool done = step(s);
      if (!shots.isEmpty())
        desk_.screenshot().save(
            QStringLiteral("%1/%2.png").arg(shots).arg(s.line, 4, 10, QLatin1Char('0')));
      if (!done) {
        if (!skip_.isEmpty()) break;
        failure_ = QStringLiteral("%1:%2: %3: %4")
                       .arg(QFileInfo(file_.path).fileName())
                       .arg(s.line)
                       .arg(s.text(), failure_);
        keepScreen();
        break;
      }
    }
    finish();
    if (!skip_.isEmpty()) return QStringLiteral("skip (%1)").arg(skip_);
    return failure_.isEmpty() ? QStringLiteral("ok") : QStringLiteral("FAIL ") + failure_;
  }

 private:
  void finish() {
    QString hang;
    // Nothing held over into the next case.
    xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl"), QStringLiteral("alt"),
             QStringLiteral("shift")});
    for (const char* b : {"1", "2", "3"}) xdotool({QStringLiteral("mouseup"), QLatin1String(b)});
    if (app_ && app_->running()) {
      const int status = app_->terminate(8000);
      if (app_->running()) {
        // Hung: say where, for whoever reads the log.
        hang =
            e2e::run(QStringLiteral("gdb"),
                     {QStringLiteral("-p"), QString::number(app_->pid()), QStringLiteral("-batch"),
                      QStringLiteral("-ex"), QStringLiteral("thread apply all bt 15")},
                     30000);
      }
      if (status != 0 && failure_.isEmpty() && skip_.isEmpty())
        failure_ = QStringLiteral("the program ended with status %1 on SIGTERM").arg(status);
    } else if (app_ && !exited_ && failure_.isEmpty() && skip_.isEmpty()) {
      failure_ = QStringLiteral("the program died (status %1)").arg(app_->exitStatus(0));
    }
    app_.reset();
    log_.clear();
    if (output_) {
      QFile f(output_->fileName());
      if (f.open(QIODevice::ReadOnly)) log_ = QString::fromUtf8(f.readAll());
      output_.reset();
    }
    if (!hang.isEmpty()) log_ += QStringLiteral("where it hung:\n") + hang + QLatin1Char('\n');
    // A sanitizer's report fails the case, whatever else it did.
    static const char* const kReports[] = {"ERROR: AddressSanitizer",
                                           "runtime error:", "ERROR: LeakSanitizer",
                                           "WARNING: ThreadSanitizer"};
    for (const QString& line : log_.split(QLatin1Char('\n'))) {
      if (std::none_of(std::begin(kReports), std::end(kReports),
                       [&](const char* r) { return line.contains(QLatin1String(r)); }))
        continue;
      skip_.clear();
      failure_ += (failure_.isEmpty() ? QString() : QStringLiteral("; and ")) +
                  QStringLiteral("a sanitizer reported: ") + line.trimmed();
      break;
    }
    pingTarget_ = 0;
    others_.clear();
    compositor_.reset();
    home_.reset();
    exited_ = false;
  }

  // The screen as the failing step left it, for a look.
  void keepScreen() {
    const QString path = QDir::temp().filePath(QStringLiteral("vistel-e2e-failed-%1-%2.png")
                                                   .arg(QCoreApplication::applicationPid())
                                                   .arg(++failures_));
    desk_.screenshot().save(path);
    failure_ += QStringLiteral(" (screen: %1)").arg(path);
  }

  bool fail(const QString& why) {
    failure_ = why;
    return false;
  }

  // A point of the table as a screen position.
  std::optional<QPoint> point(QString text) {
    bool ok = false;
    if (text == QLatin1String("tray")) {
      const WindowId icon = app_ ? desk_.trayIcon(app_->pid()) : 0;
      if (icon == 0) return std::nullopt;
      const Geometry g = desk_.geometry(icon);
      return QPoint(g.x + g.width / 2, g.y + g.height / 2);
    }
    if (text.startsWith(QLatin1String("help:"))) {
      const WindowId help = desk_.window(title(QStringLiteral("help")));
      const Geometry g = desk_.geometry(help);
      const QPoint p = pair(text.mid(5), &ok);
      return ok && help != 0 ? std::optional<QPoint>(QPoint(g.x, g.y) + p) : std::nullopt;
    }
    if (text.startsWith(QLatin1String("screen:"))) {
      const QPoint p = pair(text.mid(7), &ok);
      return ok ? std::optional<QPoint>(p) : std::nullopt;
    }
    QPoint offset;
    if (const int plus = text.indexOf(QLatin1Char('+')); plus > 0) {
      offset = pair(text.mid(plus + 1), &ok);
      if (!ok) return std::nullopt;
      text.truncate(plus);
    }
    QPoint p = pair(text, &ok);
    if (!ok && file_.points.count(text) != 0) p = pair(file_.points.at(text), &ok);
    if (!ok && text.startsWith(QLatin1String("file:"))) {
      const int row = static_cast<int>(model_.listed().indexOf(text.mid(5)));
      ok = row >= 0;
      p = kChooserPanel.topLeft() + QPoint(130, 5 + 13 * row + 6);
    }
    if (!ok && text.startsWith(QLatin1String("folder:"))) {
      // The root, each folder down to the start folder ("folder:."), then
      // its subfolders.
      const QStringList subs = QDir(folder_).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
      const int depth =
          static_cast<int>(folder_.split(QLatin1Char('/'), Qt::SkipEmptyParts).size());
      const bool self = text.mid(7) == QLatin1String(".");
      const int row = self ? depth : depth + 1 + static_cast<int>(subs.indexOf(text.mid(7)));
      ok = self || subs.contains(text.mid(7));
      p = kChooserPanel.topLeft() + QPoint(40, 46 + 16 * row + 8);
    }
    if (!ok && text.startsWith(QLatin1String("thumb:"))) {
      const int t = text.mid(6).toInt(&ok);
      p = kFilePanel.topLeft() + QPoint((t % 3) * 95 + 48, (t / 3) * 95 + 48);
    }
    if (!ok) return std::nullopt;
    return model_.screen(p + offset);
  }

  static bool composited() { return env("VISTEL_E2E_COMPOSITED") == QLatin1String("1"); }

  static QString button(const QStringList& args) {
    if (args.contains(QLatin1String("right"))) return QStringLiteral("3");
    if (args.contains(QLatin1String("middle"))) return QStringLiteral("2");
    return QStringLiteral("1");
  }

  bool moveTo(const QString& where) {
    const std::optional<QPoint> p = point(where);
    if (!p) return fail(QStringLiteral("no such point"));
    xdotool({QStringLiteral("mousemove"), QString::number(p->x()), QString::number(p->y())});
    return settle();
  }

  bool step(const Step& s) {
    const QStringList& a = s.args;
    const QString& v = s.verb;
    if (v == QLatin1String("skip")) {
      if (a.value(0) == env("VISTEL_E2E_WM")) skip_ = a.mid(1).join(QLatin1Char(' '));
      return skip_.isEmpty();
    }
    if (v == QLatin1String("needs")) {
      if (a.value(0) == QLatin1String("tray") && env("VISTEL_E2E_TRAY") != QLatin1String("1"))
        skip_ = QStringLiteral("no notification area on this desk");
      return skip_.isEmpty();
    }
    if (v == QLatin1String("start")) return start(a);
    if (v == QLatin1String("key") || v == QLatin1String("keydown") || v == QLatin1String("keyup")) {
      xdotool(QStringList{v, QStringLiteral("--delay"), QStringLiteral("80")} + a);
      return settle();
    }
    if (v == QLatin1String("type")) {
      // type MODIFIERS LETTERS: each letter pressed while the modifiers are held.
      const QStringList mods = a.value(0).split(QLatin1Char('+'));
      xdotool(QStringList{QStringLiteral("keydown")} + mods);
      QStringList letters;
      for (QChar c : a.value(1)) letters << QString(c).toLower();
      xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40")} +
              letters);
      xdotool(QStringList{QStringLiteral("keyup")} + mods);
      return settle();
    }
    if (v == QLatin1String("move")) return moveTo(a.value(0));
    if (v == QLatin1String("click")) {
      if (!moveTo(a.value(0))) return false;
      QStringList args{QStringLiteral("click")};
      if (a.contains(QLatin1String("double")))
        args << QStringLiteral("--repeat") << QStringLiteral("2") << QStringLiteral("--delay")
             << QStringLiteral("80");
      xdotool(args << button(a));
      return settle();
    }
    if (v == QLatin1String("press")) {
      if (!moveTo(a.value(0))) return false;
      xdotool({QStringLiteral("mousedown"), button(a)});
      return settle();
    }
    if (v == QLatin1String("release")) {
      xdotool({QStringLiteral("mouseup"), button(a)});
      return settle();
    }
    if (v == QLatin1String("glide")) return glide(a);
    if (v == QLatin1String("wait")) {
      sleepMs(a.value(0).toInt());
      return true;
    }
    if (v == QLatin1String("origin")) {
      bool ok = false;
      const QPoint d = pair(a.value(0), &ok);
      model_.setOrigin(QPoint(kDeviceLeft, kDeviceTop) + d);
      return ok || fail(QStringLiteral("not a point"));
    }
    if (v == QLatin1String("window")) {
      // window NAME screen:X,Y WxH: another plain window for the case.
      const std::optional<QPoint> at = point(a.value(1));
      bool ok = false;
      const QPoint size =
          pair(QString(a.value(2)).replace(QLatin1Char('x'), QLatin1Char(',')), &ok);
      if (!at || !ok) return fail(QStringLiteral("bad rectangle"));
      others_.push_back(std::make_unique<Program>(
          env("VISTEL_UNDERLAY"),
          QStringList{a.value(0), QString::number(at->x()), QString::number(at->y()),
                      QString::number(size.x()), QString::number(size.y())}));
      return poll([&] {
               return desk_.window(a.value(0)) != 0 ? QString() : QStringLiteral("none");
             }) &&
             settle();
    }
    if (v == QLatin1String("minimize") || v == QLatin1String("activate")) {
      // What a task-bar button asks of the window manager.
      const WindowId w = desk_.window(title(a.value(0)));
      if (w == 0 && v == QLatin1String("minimize")) return fail(QStringLiteral("no such window"));
      const QString id = w != 0 ? QString::number(w)
                                : e2e::run(QStringLiteral("xdotool"),
                                           {QStringLiteral("search"), QStringLiteral("--name"),
                                            QStringLiteral("^%1$").arg(title(a.value(0)))})
                                      .section(QLatin1Char('\n'), -1);
      xdotool({v == QLatin1String("minimize") ? QStringLiteral("windowminimize")
                                              : QStringLiteral("windowactivate"),
               id});
      return settle();
    }
    if (v == QLatin1String("place")) {
      // place NAME screen:X,Y: the window dragged aside by its title bar.
      const WindowId w = desk_.window(title(a.value(0)));
      const std::optional<QPoint> at = point(a.value(1));
      if (w == 0 || !at) return fail(QStringLiteral("no such window or point"));
      xdotool({QStringLiteral("windowmove"), QString::number(w), QString::number(at->x()),
               QString::number(at->y())});
      return poll([&] {
               const Geometry g = desk_.geometry(w);
               return std::abs(g.y - at->y()) < 40 ? QString() : QStringLiteral("not moved");
             }) &&
             settle();
    }
    if (v == QLatin1String("focus")) {
      // focus NAME [raw]: what a pager asks of the window manager, or
      // (raw) the focus set straight on the window, as some tools do.
      const WindowId w = desk_.window(title(a.value(0)));
      if (w == 0) return fail(QStringLiteral("no such window"));
      if (a.value(1) == QLatin1String("raw"))
        e2e::run(QStringLiteral("xdotool"),
                 {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(w)},
                 3000);
      else
        xdotool({QStringLiteral("windowactivate"), QString::number(w)});
      return settle();
    }
    if (v == QLatin1String("expect")) return expect(a);
    return fail(QStringLiteral("unknown step"));
  }

  bool start(const QStringList& a) {
    folder_ = env("VISTEL_SAMPLES");
    if (a.contains(QLatin1String("home"))) {
      // A folder of its own with no pictures, an empty subfolder and a
      // subfolder holding copies of the samples.
      home_ = std::make_unique<QTemporaryDir>();
      QDir home(home_->path());
      home.mkdir(QStringLiteral("empty"));
      home.mkdir(QStringLiteral("pictures"));
      const QDir samples(folder_);
      for (const QString& n : samples.entryList(QDir::Files))
        QFile::copy(samples.filePath(n), home.filePath(QStringLiteral("pictures/") + n));
      if (a.contains(QLatin1String("many"))) {
        // A folder whose thumbnails take seconds: 40 greyscale 12 MP JPEGs,
        // which decode whole.
        home.mkdir(QStringLiteral("many"));
        QImage big(4000, 3000, QImage::Format_Grayscale8);
        for (int y = 0; y < big.height(); ++y)
          for (int x = 0; x < big.width(); ++x)
            big.scanLine(y)[x] = static_cast<uchar>((x * 7 + y * 13 + (x * y) % 97) & 0xFF);
        const QString first = home.filePath(QStringLiteral("many/00.jpg"));
        big.save(first, "JPEG", 90);
        for (int i = 1; i < 40; ++i)
          QFile::copy(first,
                      home.filePath(QStringLiteral("many/%1.jpg").arg(i, 2, 10, QLatin1Char('0'))));
      }
      folder_ = QDir(home_->path()).canonicalPath();
    }
    if (a.contains(QLatin1String("compositor")) && !composited()) {
      compositor_ =
          std::make_unique<Program>(QStringLiteral("xcompmgr"), QStringList{QStringLiteral("-n")});
      sleepMs(800);
      model_.setAlpha(150);
    }
    // Its output goes to a file of the case's own, shown when the case fails.
    output_ = std::make_unique<QTemporaryFile>(
        QDir::temp().filePath(QStringLiteral("vistel-e2e-output-XXXXXX.log")));
    if (!output_->open()) return fail(QStringLiteral("no file for the program's output"));
    app_ =
        std::make_unique<Program>(env("VISTEL_BIN"), QStringList{}, folder_, output_->fileName());
    if (!poll([&] {
          for (const char* role : {"viewer", "panel", "chooser"})
            if (desk_.window(title(QLatin1String(role))) == 0)
              return QStringLiteral("no %1 window").arg(QLatin1String(role));
          return QString();
        }))
      return false;
    // The viewer's window stays while it is hidden: the pings go there.
    pingTarget_ = desk_.window(title(QStringLiteral("viewer")));
    return settle(500, 5000);
  }

  // After every action: the desk is quiet (the active window, the focus,
  // the stacking and the mapped windows unchanged for `quietMs`; kwin and
  // mutter answer a start for a second or more after the windows map) and
  // the program has answered two pings, one after the other, through its
  // event loop, so it handled the input and what the desk did about it. A
  // slow answer means it was busy, and its answer to the desk may follow:
  // the desk is then watched again. Bounded: when the time is up the
  // expectations that follow decide.
  bool settle(int quietMs = 150, int boundMs = 3000) {
    QElapsedTimer t;
    t.start();
    // How long the program took to answer both pings, or -1.
    const auto answer = [&]() -> qint64 {
      const qint64 before = t.elapsed();
      for (int i = 0; i < 2; ++i)
        if (!app_ || !app_->running() || pingTarget_ == 0 ||
            !desk_.ping(pingTarget_, static_cast<int>(std::max<qint64>(1, boundMs - t.elapsed()))))
          return -1;
      return t.elapsed() - before;
    };
    // Without a program to ask, a short wait stands in for its answer.
    const bool reachable = answer() >= 0;
    if (!reachable) sleepMs(60);
    std::vector<unsigned long> last = desk_.layout();
    qint64 since = t.elapsed();
    while (t.elapsed() < boundMs) {
      sleepMs(25);
      std::vector<unsigned long> now = desk_.layout();
      if (now != last) {
        last = std::move(now);
        since = t.elapsed();
        continue;
      }
      if (t.elapsed() - since < quietMs) continue;
      if (!reachable) break;
      const qint64 took = answer();
      // No answer within the bound: it ended or hangs, which the
      // expectations and the end of the case tell.
      if (took < 0 || (took < 25 && desk_.layout() == last)) break;
      since = t.elapsed();
    }
    return true;
  }

  // glide P [steps N] [every MS]: from where the pointer is, in even steps.
  bool glide(const QStringList& a) {
    const std::optional<QPoint> to = point(a.value(0));
    if (!to) return fail(QStringLiteral("no such point"));
    const int steps = std::max(1, a.indexOf(QLatin1String("steps")) > 0
                                      ? a.value(a.indexOf(QLatin1String("steps")) + 1).toInt()
                                      : 6);
    const int every = a.indexOf(QLatin1String("every")) > 0
                          ? a.value(a.indexOf(QLatin1String("every")) + 1).toInt()
                          : 60;
    const QString at = e2e::run(QStringLiteral("xdotool"), {QStringLiteral("getmouselocation")});
    const QPoint from(at.section(QLatin1Char(' '), 0, 0).mid(2).toInt(),
                      at.section(QLatin1Char(' '), 1, 1).mid(2).toInt());
    QStringList args;
    for (int i = 1; i <= steps; ++i) {
      const QPoint p = from + (*to - from) * i / steps;
      args << QStringLiteral("mousemove") << QString::number(p.x()) << QString::number(p.y())
           << QStringLiteral("sleep") << QString::number(every / 1000.0);
    }
    xdotool(args);
    return settle();
  }

  // Polls `check` (empty when it holds) until it holds or the time is up.
  bool poll(const std::function<QString()>& check, int timeoutMs = kPollMs) {
    QElapsedTimer t;
    t.start();
    QString why;
    do {
      why = check();
      if (why.isEmpty()) return true;
      sleepMs(100);
    } while (t.elapsed() < timeoutMs);
    return fail(why);
  }

  bool expectProbes(const std::function<std::vector<Probe>()>& probes, int timeoutMs = kPollMs) {
    const std::vector<Probe> want = probes();
    if (want.empty()) return fail(QStringLiteral("nothing to compare"));
    return poll(
        [&] {
          QString first;
          const int bad = mismatches(desk_.screenshot(), want, &first);
          return bad == 0 ? QString()
                          : QStringLiteral("%1 of %2 pixels differ, first %3")
                                .arg(bad)
                                .arg(want.size())
                                .arg(first);
        },
        timeoutMs);
  }

  bool expect(const QStringList& a) {
    const QString what = a.value(0);
    bool ok = false;
    if (what == QLatin1String("window")) {
      const QString name = title(a.value(1));
      if (a.value(2) == QLatin1String("hidden"))
        return poll([&] { return desk_.window(name) == 0 ? QString() : QStringLiteral("shown"); });
      if (a.value(2) == QLatin1String("shown"))
        return poll([&] { return desk_.window(name) != 0 ? QString() : QStringLiteral("hidden"); });
      const QPoint at = pair(a.value(3), &ok) + QPoint(kDeviceLeft, kDeviceTop);
      return poll([&] {
        const Geometry g = desk_.geometry(desk_.window(name));
        return QPoint(g.x, g.y) == at
                   ? QString()
                   : QStringLiteral("at %1,%2").arg(g.x - kDeviceLeft).arg(g.y - kDeviceTop);
      });
    }
    if (what == QLatin1String("active") || what == QLatin1String("focus")) {
      // "device": any of its three windows, all of which take the keys.
      const QStringList names =
          a.value(1) == QLatin1String("device")
              ? QStringList{title(QStringLiteral("viewer")), title(QStringLiteral("panel")),
                            title(QStringLiteral("chooser"))}
              : QStringList{title(a.value(1))};
      return poll([&] {
        const QString now =
            desk_.name(what == QLatin1String("active") ? desk_.active() : desk_.focused());
        return names.contains(now) ? QString() : QStringLiteral("it is \"%1\"").arg(now);
      });
    }
    if (what == QLatin1String("above")) {
      // Both shown and stacked, the first higher.
      return poll([&] {
        const std::vector<WindowId> order = desk_.stacking();
        std::ptrdiff_t at[2] = {};
        for (int i = 0; i < 2; ++i) {
          const WindowId w = desk_.window(title(a.value(i + 1)));
          at[i] = std::find(order.begin(), order.end(), w) - order.begin();
          if (w == 0 || at[i] == std::ssize(order))
            return QStringLiteral("%1 is not shown").arg(a.value(i + 1));
        }
        return at[0] > at[1] ? QString() : QStringLiteral("it is below");
      });
    }
    if (what == QLatin1String("pixel")) {
      const std::optional<QPoint> p = point(a.value(1));
      if (!p) return fail(QStringLiteral("no such point"));
      const QPoint device = *p - model_.screen({0, 0});
      const QString colour = a.value(2);
      if (colour.startsWith(QLatin1String("not-"))) {
        const QRgb not_ =
            colour == QLatin1String("not-underlay") ? kUnderlay : model_.skinSeen(device);
        return poll([&] {
          return (desk_.screenshot().pixel(*p) & 0xFFFFFF) != not_ ? QString()
                                                                   : QStringLiteral("it is");
        });
      }
      QRgb want = kUnderlay;
      if (colour == QLatin1String("skin")) want = model_.skinSeen(device);
      if (colour.startsWith(QLatin1Char('#')))
        want = model_.over(colour.mid(1).toUInt(nullptr, 16), kUnderlay);
      return expectProbes([&] { return std::vector<Probe>{{*p, want}}; });
    }
    if (what == QLatin1String("shown")) {
      const bool chooserUp = a.contains(QLatin1String("chooser"));
      model_.setBackdrop(a.contains(QLatin1String("backdrop")));
      if (a.value(1) == QLatin1String("nothing"))
        return expectProbes([&] { return model_.emptyOpening(chooserUp); });
      const QImage& picture = model_.sample(a.value(1));
      if (picture.isNull()) return fail(QStringLiteral("no such sample"));
      QRect frame((792 - picture.width()) / 2, (611 - picture.height()) / 2, picture.width(),
                  picture.height());
      if (const int at = static_cast<int>(a.indexOf(QLatin1String("at"))); at > 0) {
        bool okSize = false;
        const QPoint tl = pair(a.value(at + 1), &ok);
        const QPoint size =
            pair(a.value(at + 2).replace(QLatin1Char('x'), QLatin1Char(',')), &okSize);
        if (!ok || !okSize) return fail(QStringLiteral("bad rectangle"));
        frame = QRect(tl, QSize(size.x(), size.y()));
      }
      return expectProbes([&] { return model_.opening(picture, frame, chooserUp); });
    }
    if (what == QLatin1String("grid")) {
      const int scroll = a.contains(QLatin1String("scroll"))
                             ? a.value(a.indexOf(QLatin1String("scroll")) + 1).toInt()
                             : 0;
      const int at = static_cast<int>(a.indexOf(QLatin1String("locator")));
      const int locator =
          at > 0 && a.value(at + 1) != QLatin1String("none") ? a.value(at + 1).toInt() : -1;
      return expectProbes([&] { return model_.grid(scroll, locator); }, 12000);
    }
    if (what == QLatin1String("ink")) {
      // Dark pixels (text) somewhere in a rectangle: ink X,Y WxH.
      const std::optional<QPoint> tl = point(a.value(1));
      const QPoint size = pair(a.value(2).replace(QLatin1Char('x'), QLatin1Char(',')), &ok);
      if (!tl || !ok) return fail(QStringLiteral("bad rectangle"));
      return poll([&] {
        const QImage shot = desk_.screenshot();
        for (int y = 0; y < size.y(); ++y)
          for (int x = 0; x < size.x(); ++x)
            if (qGray(shot.pixel(*tl + QPoint(x, y))) < 90) return QString();
        return QStringLiteral("no ink there");
      });
    }
    if (what == QLatin1String("help")) {
      // help picture|text: the hidden picture is shown, or the text over it.
      static const QImage picture = QImage::fromData(QByteArray::fromRawData(
          reinterpret_cast<const char*>(vistel::assets::helpPictureBmp().data()),
          static_cast<qsizetype>(vistel::assets::helpPictureBmp().size())));
      const bool want = a.value(1) == QLatin1String("picture");
      return poll([&] {
        const std::optional<QPoint> p = point(QStringLiteral("help:65,45"));
        if (!p) return QStringLiteral("no help window");
        const QImage shot = desk_.screenshot();
        int same = 0;
        for (int y = 10; y < 150; y += 20)
          for (int x = 10; x < 200; x += 20)
            same += (shot.pixel(*p + QPoint(x, y)) & 0xFFFFFF) == (picture.pixel(x, y) & 0xFFFFFF);
        return (same == 70) == want ? QString() : QStringLiteral("%1 of 70 points match").arg(same);
      });
    }
    if (what == QLatin1String("grab")) {
      return poll([&] {
        return desk_.pointerGrabbed() ? QStringLiteral("the pointer is grabbed") : QString();
      });
    }
    if (what == QLatin1String("taskbar")) {
      QStringList want;
      for (const QString& role : a.mid(1)) want << title(role);
      want.sort();
      return poll([&] {
        const QStringList now = desk_.taskBarEntries(app_->pid());
        return now == want ? QString() : QStringLiteral("it lists %1").arg(now.join(", "));
      });
    }
    if (what == QLatin1String("tray")) {
      const bool want = a.value(1) == QLatin1String("present");
      return poll([&] {
        return (desk_.trayIcon(app_->pid()) != 0) == want ? QString() : QStringLiteral("it is not");
      });
    }
    if (what == QLatin1String("cursor")) {
      return poll([&] {
        const QString now = cursors_.name(desk_.cursor());
        return now == a.value(1) ? QString() : QStringLiteral("it is %1").arg(now);
      });
    }
    if (what == QLatin1String("menu")) {
      const bool open = a.value(1) == QLatin1String("open");
      const std::optional<QPoint> at = a.size() > 3 ? point(a.value(3)) : std::nullopt;
      return poll([&] {
        const std::vector<Geometry> menus = desk_.popupMenus(app_->pid());
        if (!open) return menus.empty() ? QString() : QStringLiteral("a menu is open");
        if (menus.size() != 1) return QStringLiteral("%1 menus open").arg(menus.size());
        if (at && QPoint(menus[0].x, menus[0].y) != *at)
          return QStringLiteral("it opened at %1,%2").arg(menus[0].x).arg(menus[0].y);
        return QString();
      });
    }
    if (what == QLatin1String("cpu")) {
      // cpu below PERCENT, over one second.
      const long before = app_->cpuMs();
      sleepMs(1000);
      const long used = app_->cpuMs() - before;
      return used * 100 / 1000 < a.value(2).toInt()
                 ? true
                 : fail(QStringLiteral("it used %1 ms of 1000").arg(used));
    }
    if (what == QLatin1String("steady")) {
      // The device's part of the screen does not change for MS milliseconds.
      const QRect area(model_.screen({0, 0}), QSize(792, 611));
      const QImage first = desk_.screenshot().copy(area);
      sleepMs(a.value(1).toInt());
      return desk_.screenshot().copy(area) == first ? true
                                                    : fail(QStringLiteral("the screen changed"));
    }
    if (what == QLatin1String("exit")) {
      const int status = app_->exitStatus(8000);
      exited_ = true;
      return status == a.value(1).toInt() ? true : fail(QStringLiteral("status %1").arg(status));
    }
    return fail(QStringLiteral("unknown expectation"));
  }

  const ScenarioFile& file_;
  Desk& desk_;
  ScreenModel& model_;
  const Cursors& cursors_;
  Underlay& underlay_;
  std::unique_ptr<Program> app_;
  std::unique_ptr<Program> compositor_;
  std::vector<std::unique_ptr<Program>> others_;
  std::unique_ptr<QTemporaryDir> home_;
  std::unique_ptr<QTemporaryFile> output_;
  QString log_;
  WindowId pingTarget_ = 0;
  QString folder_;
  QString failure_;
  QString skip_;
  bool exited_ = false;
  int failures_ = 0;
};

}  // namespace
}  // namespace e2e

int main(int argc, char** argv) {
  using namespace e2e;
  QGuiApplication app(argc, argv);
  QStringList tables = app.arguments().mid(1);
  QString only;
  if (const int at = static_cast<int>(tables.indexOf(QStringLiteral("--case"))); at >= 0) {
    only = tables.value(at + 1);
    tables.remove(at, 2);
  }
  if (env("VISTEL_BIN").isEmpty() || tables.isEmpty()) {
    std::fprintf(stderr, "usage: VISTEL_BIN=... %s TABLE... [--case TEXT]\n", argv[0]);
    return 2;
  }
  Desk desk;
  Underlay underlay(desk);
  underlay.ensure();
  Cursors cursors;
  cursors.capture(desk);
  ScreenModel model(env("VISTEL_SAMPLES"));

  // Points are shared by all tables.
  std::vector<ScenarioFile> files;
  std::map<QString, QString> points;
  for (const QString& path : tables) {
    QString error;
    files.push_back(readScenarios(path, &error));
    if (!error.isEmpty()) {
      std::fprintf(stderr, "%s\n", qPrintable(error));
      return 2;
    }
    points.insert(files.back().points.begin(), files.back().points.end());
  }
  int passed = 0, failed = 0, skipped = 0;
  for (ScenarioFile& file : files) {
    file.points = points;
    Runner runner(file, desk, model, cursors, underlay);
    for (const Case& c : file.cases) {
      if (!only.isEmpty() && !c.name.contains(only)) continue;
      // Each case runs once: a failure is a fault to find, in the program
      // or in the case.
      const QString result = runner.run(c);
      std::printf("%-4s %s%s\n", qPrintable(result.left(4)), qPrintable(c.name),
                  result.length() > 4 ? qPrintable(QStringLiteral("\n     ") + result.mid(5)) : "");
      if (result.startsWith(QLatin1String("FAIL"))) {
        QStringList lines = runner.log().split(QLatin1Char('\n'));
        if (lines.last().isEmpty()) lines.removeLast();
        std::printf("     the program's output:%s\n", lines.isEmpty() ? " none" : "");
        for (const QString& line : lines) std::printf("     | %s\n", qPrintable(line));
      }
      std::fflush(stdout);
      (result.startsWith(QLatin1String("ok"))     ? passed
       : result.startsWith(QLatin1String("skip")) ? skipped
                                                  : failed)++;
    }
  }
  std::printf("%d passed, %d failed, %d skipped (%s)\n", passed, failed, skipped,
              qPrintable(env("VISTEL_E2E_WM")));
  return failed == 0 ? 0 : 1;
}
