// The program entry: the command line, the hand-over to a viewer already
// running, the application object titled "Vistel", the viewer as the main
// window, the message loop until the viewer closes, the teardown.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "chooser/get_img_form.h"
#include "controls/fonts.h"
#include "panel/form2.h"
#include "program/application_setup.h"
#include "program/command_line.h"
#include "program/instance_server.h"
#include "program/open_request.h"
#include "program/single_instance.h"
#include "viewer/form1.h"
#include "windows/platform.h"
#include "windows/start_trace.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  // Only async-signal-safe work here: the event loop does the rest.
  [[maybe_unused]] ssize_t n = write(signalPipe[1], &byte, 1);
}

// SIGINT and SIGTERM close the viewer as its Exit item does, so the teardown
// runs and the program ends with status 0.
void closeViewerOnSignals() {
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
    char byte = 0;
    [[maybe_unused]] ssize_t n = read(signalPipe[0], &byte, 1);
    if (vistel::Form1 != nullptr) vistel::Form1->Exit1Click();
  });
  struct sigaction sa = {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

// How long a start waits for the running viewer to take its path.
constexpr int kAnswerTimeoutMs = 5000;

std::string currentFolder() {
  char buf[PATH_MAX];
  return ::getcwd(buf, sizeof buf) != nullptr ? std::string(buf) : std::string("/");
}

void complain(const std::string& line) { std::fprintf(stderr, "vistel: %s\n", line.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  namespace program = vistel::program;
  vistel::traceStart("main");
  // Everything the command line decides is decided before the window
  // system is touched: --help, --version, errors and hand-overs open no
  // connection to it.
  const program::Options options =
      program::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (options.action) {
    case program::Options::Action::Help:
      std::fputs(program::helpText().c_str(), stdout);
      return 0;
    case program::Options::Action::Version:
      std::fputs(program::versionText().c_str(), stdout);
      return 0;
    case program::Options::Action::Error:
      complain(options.error);
      return 2;
    case program::Options::Action::Run:
      break;
  }
  std::string target;
  if (!options.path.empty()) {
    const program::ResolvedPath r = program::resolvePath(options.path, currentFolder());
    if (!r.error.empty()) {
      complain(r.error);
      return 2;
    }
    target = r.absolute;
  }
  if (options.noThumbnailCache) setenv(program::kNoThumbnailCacheVariable, "1", 1);

  const uid_t uid = geteuid();
  // The display the device will be on: X11 where there is one, as the
  // platform choice prefers it.
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') display = std::getenv("WAYLAND_DISPLAY");
  const program::InstancePlace place =
      program::instancePlace(std::getenv("XDG_RUNTIME_DIR"), display, uid);
  if (!place.note.empty()) complain(place.note);
  program::InstanceClaim claim(place, uid, !options.newInstance, target, kAnswerTimeoutMs);
  using Claim = program::InstanceClaim::Result;
  switch (claim.result()) {
    case Claim::HandedOver:
      return 0;
    case Claim::NoAnswer:
      complain("the viewer already running does not answer" +
               (claim.error().empty() ? "" : " (" + claim.error() + ")") +
               "; starting another one");
      break;
    case Claim::Unavailable:
      complain("cannot look for a running viewer (" + claim.error() +
               "); starting a new one, without hand-over");
      break;
    case Claim::Listening:
    case Claim::OtherRunning:
      break;
  }

  vistel::traceStart("hand-over claim");

  // The font configuration loads while the application object connects to
  // the window system, and the faces of the panel's labels, the first text
  // on the screen, are resolved beside the building of the window set.
  vistel::FontPreload fonts(vistel::adoptKeptCaptions());
  vistel::platform::selectPlatform();
  QApplication app(argc, argv);
  vistel::traceStart("application object");
  vistel::traceFirstPaints();
  vistel::setUpApplication(fonts, [] {
    if (vistel::Form1 != nullptr) vistel::Form1->FPanel->fitLabels();
  });
  closeViewerOnSignals();

  auto* viewer = new vistel::TForm1();
  vistel::traceStart("window set built and shown");
  fonts.firstFrameOut();
  std::unique_ptr<program::InstanceServer> server;
  if (claim.result() == Claim::Listening) {
    server = std::make_unique<program::InstanceServer>(
        claim.listeningSocket(),
        [](const std::string& path) {
          if (vistel::Form1 != nullptr) program::openHandedPath(*vistel::Form1, path);
        },
        [] { return vistel::Form1 != nullptr && !vistel::Form1->FClosing; });
  }
  if (!target.empty()) {
    // Once the window set is on the screen, so that an error box lies over it.
    QTimer::singleShot(0, viewer, [viewer, target] { viewer->FChooser->OpenPath(target); });
  }
  QTimer::singleShot(0, [] { vistel::traceStart("event loop"); });
  const int status = QApplication::exec();
  fonts.wait();
  // Starts from now on find no viewer and run their own; those that
  // connected already are told so, rather than waiting through the teardown.
  claim.withdraw();
  server.reset();
  delete viewer;
  return status;
}
