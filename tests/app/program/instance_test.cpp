// The built program from outside: exit statuses of the command line, the
// hand-over of a path to the running viewer, a stale socket, and what the
// running viewer does with a path it is handed.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "chooser/get_img_form.h"
#include "program/instance_server.h"
#include "program/open_request.h"
#include "program/single_instance.h"
#include "viewer/form1.h"

namespace vistel::program {
namespace {

class ProgramRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vistel-instance-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    ASSERT_EQ(mkdir((dir_ + "/run").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((dir_ + "/pics").c_str(), 0755), 0);
    std::system(("cp " VISTEL_SAMPLES "/rose.jpg '" + dir_ + "/pics/" + odd_ + "'").c_str());
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  // The program with a private runtime folder and display name. A platform
  // that does not exist makes any start that opens a window fail loudly.
  QProcess* start(const QStringList& args, const char* platform = "no-such-platform",
                  const QString& program = QStringLiteral(VISTEL_BIN)) {
    auto* p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(dir_ + "/run"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":42"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(platform));
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(QString::fromStdString(dir_ + "/pics"));
    p->start(program, args);
    p->waitForStarted();
    processes_.emplace_back(p);
    return p;
  }
  // Waits for the end while our own event loop runs (the test may be the
  // viewer being handed a path); -1 when it has not ended in time.
  static int finish(QProcess* p, int ms = 15000) {
    QElapsedTimer t;
    t.start();
    while (p->state() != QProcess::NotRunning && t.elapsed() < ms) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      p->waitForFinished(10);
    }
    if (p->state() != QProcess::NotRunning) return -1;
    return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
  }
  InstancePlace place() const { return instancePlace((dir_ + "/run").c_str(), ":42", geteuid()); }
  // The program with one argument of raw bytes, which a QString cannot
  // carry when they are not UTF-8: the shell's printf makes them from octal
  // escapes.
  QProcess* startRaw(const std::string& arg) {
    std::string escaped;
    for (unsigned char c : arg) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\%03o", c);
      escaped += buf;
    }
    return start({QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$(printf \"$1\")\""),
                  QStringLiteral(VISTEL_BIN), QString::fromStdString(escaped)},
                 "no-such-platform", QStringLiteral("/bin/sh"));
  }

  sockaddr_un address() const {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", place().socket.c_str());
    return addr;
  }
  // A socket bound where the viewer's belongs, listening or not.
  int bound() const {
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un addr = address();
    EXPECT_EQ(bind(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    return s;
  }
  // Connects to the viewer's socket and sends a hand-over of `path`
  // without waiting for the answer; the descriptor is the caller's.
  int sendOnly(const std::string& path, int flags = 0) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | flags, 0);
    const sockaddr_un addr = address();
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) return -fd - 1;
    const std::string m = encodeMessage(path);
    EXPECT_EQ(write(fd, m.data(), m.size()), static_cast<ssize_t>(m.size()));
    shutdown(fd, SHUT_WR);
    return fd;
  }
  // What `fd` receives, while our event loop runs, for up to `ms`.
  static std::string answerOn(int fd, int ms = 5000) {
    std::string got;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      char buf[32];
      const ssize_t n = recv(fd, buf, sizeof buf, MSG_DONTWAIT);
      if (n == 0 || (n < 0 && errno != EAGAIN)) break;
      if (n > 0) got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }
  // Runs `work` on a thread while our event loop serves it.
  template <typename Work>
  static void whileServing(Work work) {
    std::atomic<bool> done{false};
    std::thread t([&] {
      work();
      done = true;
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    t.join();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();  // deferred acts
  }

  std::string dir_;
  const std::string odd_ = "ros\xe9 1.jpg";  // not UTF-8, with a space
  std::vector<std::unique_ptr<QProcess>> processes_;
};

TEST_F(ProgramRun, CommandLineAnswersWithoutAWindow) {
  struct Case {
    QStringList args;
    int status;
    const char* out;
    const char* err;
  };
  const Case cases[] = {
      {{"--help"}, 0, "Usage: vistel [OPTION]... [FILE | FOLDER]", ""},
      {{"--version"}, 0, "vistel 2.0\n", ""},
      {{"--bogus"}, 2, "", "vistel: unknown option '--bogus'"},
      {{"a.jpg", "b.jpg"}, 2, "", "vistel: one FILE or FOLDER at most"},
      {{"missing.jpg"}, 2, "", "vistel: cannot open 'missing.jpg': No such file or directory\n"},
  };
  for (const Case& c : cases) {
    QProcess* p = start(c.args);
    SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
    EXPECT_EQ(finish(p), c.status);
    const QByteArray out = p->readAllStandardOutput();
    const QByteArray err = p->readAllStandardError();
    EXPECT_TRUE(out.contains(c.out)) << out.toStdString();
    EXPECT_TRUE(err.startsWith(c.err)) << err.toStdString();
    if (c.status == 2) {
      EXPECT_EQ(err.count('\n'), 1);  // one line
    }
  }
}

TEST_F(ProgramRun, SecondStartHandsItsPathToTheRunningViewer) {
  const uid_t uid = geteuid();
  // This test is the running viewer: it listens where the program looks.
  std::vector<std::string> received;
  {
    InstanceClaim claim(place(), uid, true, "", 1000);
    ASSERT_EQ(claim.result(), InstanceClaim::Result::Listening) << claim.error();
    InstanceServer server(claim.listeningSocket(),
                          [&](const std::string& path) { received.push_back(path); });
    // Relative, with a name that is not UTF-8; the start that hands over
    // never reaches the (missing) window platform.
    EXPECT_EQ(finish(startRaw(odd_)), 0);
    EXPECT_EQ(finish(start({})), 0);  // no path: only come forward
    for (int i = 0; i < 10 && received.size() < 2; ++i) QCoreApplication::processEvents();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], dir_ + "/pics/" + odd_);
    EXPECT_EQ(received[1], "");
  }

  // A crash left the socket behind: the next viewer replaces it and takes
  // paths itself, from a later start and from a direct hand-over alike.
  close(bound());
  QProcess* viewer = start({QString::fromStdString(dir_ + "/pics")}, "offscreen");
  Delivery d = Delivery::NoViewer;
  QElapsedTimer t;
  t.start();
  while (d != Delivery::Delivered && t.elapsed() < 20000 && viewer->state() == QProcess::Running) {
    d = deliverPath(place().socket, uid, dir_ + "/pics", 2000);
    if (d != Delivery::Delivered) QThread::msleep(100);
  }
  ASSERT_EQ(d, Delivery::Delivered);
  EXPECT_EQ(finish(startRaw(odd_)), 0);

  // Alongside it, --new-instance runs on its own and leaves the socket to it.
  QProcess* extra = start({QStringLiteral("--new-instance")}, "offscreen");
  EXPECT_FALSE(extra->waitForFinished(2000));
  extra->kill();
  extra->waitForFinished();
  EXPECT_EQ(deliverPath(place().socket, uid, "", 5000), Delivery::Delivered);

  viewer->terminate();
  EXPECT_EQ(finish(viewer), 0);
  struct stat st {};
  EXPECT_NE(lstat(place().socket.c_str(), &st), 0);  // removed on the way out
}

// A viewer that takes no connections (stopped, or its interface thread
// stuck) with its listen queue full: the start waiting to connect and the
// one waiting for the lock behind it both give up at their deadline, say so
// and run alongside.
TEST_F(ProgramRun, StartsGiveUpOnAViewerThatTakesNoConnections) {
  ASSERT_EQ(preparePrivateFolder(place().folder, geteuid()), "");
  const int listener = bound();
  ASSERT_EQ(listen(listener, 0), 0);
  std::vector<int> queued;
  while (queued.size() < 64 && queued.emplace_back(sendOnly("", SOCK_NONBLOCK)) >= 0) {
  }
  ASSERT_LT(queued.back(), 0);  // the queue is full
  QProcess* starts[] = {start({}), start({})};
  QElapsedTimer t;
  t.start();
  for (QProcess* p : starts) {
    QByteArray err;
    while (!err.contains("does not answer") && t.elapsed() < 20000) {
      p->waitForReadyRead(100);
      err += p->readAllStandardError();
    }
    err += p->readAllStandardError();
    EXPECT_TRUE(err.contains("does not answer")) << err.toStdString();
  }
  for (const int fd : queued) close(fd < 0 ? -fd - 1 : fd);
  close(listener);
}

// The running viewer's side: a start that gave up before its answer is not
// acted for (it runs its own viewer); out of descriptors, the viewer waits
// rather than spins, then serves the start that waited; going away, it lets
// starts run their own.
TEST_F(ProgramRun, ViewerActsOnlyForWaitingStartsAndOutlastsAShortage) {
  const uid_t uid = geteuid();
  InstanceClaim claim(place(), uid, true, "", 1000);
  ASSERT_EQ(claim.result(), InstanceClaim::Result::Listening) << claim.error();
  std::vector<std::string> received;
  auto server = std::make_unique<InstanceServer>(
      claim.listeningSocket(), [&](const std::string& path) { received.push_back(path); });
  close(sendOnly("/gave-up"));
  Delivery waited = Delivery::NoViewer;
  whileServing([&] { waited = deliverPath(place().socket, uid, "/waited", 5000); });
  EXPECT_EQ(waited, Delivery::Delivered);
  EXPECT_EQ(received, std::vector<std::string>{"/waited"});

  const int queued = sendOnly("/queued");
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
  // Every descriptor below 64 taken and a limit of 64: every accept fails
  // with EMFILE, while the event loop still polls its few.
  std::vector<int> filler;
  for (int fd = dup(0); fd >= 0; fd = dup(0)) {
    if (fd >= 64) {
      close(fd);
      break;
    }
    filler.push_back(fd);
  }
  rlimit none = old;
  none.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
  int turns = 0;
  QElapsedTimer t;
  t.start();
  QTimer::singleShot(300, [] {});
  while (t.elapsed() < 300 && turns < 1000) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    ++turns;
  }
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &old), 0);
  for (const int fd : filler) close(fd);
  EXPECT_LT(turns, 50);  // a loop that spins turns thousands of times
  EXPECT_EQ(answerOn(queued), std::string(kAnswer));
  close(queued);
  EXPECT_EQ(received.back(), "/queued");

  // Shutting down: a start still queued when the viewer ends is told it is
  // going away, and one that comes while it closes takes the socket itself.
  const int last = sendOnly("/last");
  claim.withdraw();
  server.reset();
  EXPECT_EQ(answerOn(last), std::string(kGoingAway));
  close(last);
  InstanceClaim closing(place(), uid, true, "", 1000);
  ASSERT_EQ(closing.result(), InstanceClaim::Result::Listening) << closing.error();
  server = std::make_unique<InstanceServer>(
      closing.listeningSocket(), [&](const std::string& path) { received.push_back(path); },
      [] { return false; });
  std::unique_ptr<InstanceClaim> next;
  whileServing([&] { next = std::make_unique<InstanceClaim>(place(), uid, true, "/next", 5000); });
  EXPECT_EQ(next->result(), InstanceClaim::Result::Listening) << next->error();
  EXPECT_EQ(received.size(), 2u);
}

TEST_F(ProgramRun, HandedPathBringsTheDeviceForwardAndShowsIt) {
  auto* viewer = new TForm1();
  viewer->Back1Click();  // sent back behind other windows, icon present
  ASSERT_TRUE(viewer->FState.iconShown);
  openHandedPath(*viewer, dir_ + "/pics/" + odd_);
  EXPECT_FALSE(viewer->FState.iconShown);
  EXPECT_TRUE(viewer->visible());
  EXPECT_FALSE(viewer->FChooserShown);  // the icon's double toggle
  EXPECT_EQ(viewer->FChooser->FileListBox1->directory(), dir_ + "/pics");
  EXPECT_EQ(viewer->FChooser->FileListBox1->itemIndex(), 0);
  ASSERT_NE(viewer->ImgBottoMov->picture(), nullptr);
  EXPECT_GT(viewer->FAspect, 0.0);

  // An empty path changes nothing but the stacking.
  const Picture* shown = viewer->ImgBottoMov->picture();
  openHandedPath(*viewer, "");
  EXPECT_EQ(viewer->ImgBottoMov->picture(), shown);
  delete viewer;
}

}  // namespace
}  // namespace vistel::program
