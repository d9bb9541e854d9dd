// The built program from outside: exit statuses of the command line, the
// hand-over of a path to the running viewer, a stale socket, and what the
// running viewer does with a path it is handed.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <cstdlib>
#include <fstream>

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
  {
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", place().socket.c_str());
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(s);
  }
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
