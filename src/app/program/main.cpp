// The program entry: the application object titled "Vistel", the viewer as
// the main window, the message loop until the viewer closes, the teardown.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>

#include "controls/fonts.h"
#include "viewer/form1.h"
#include "viewer/program_icon.h"
#include "windows/platform.h"

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

}  // namespace

int main(int argc, char** argv) {
  vistel::platform::selectPlatform();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vistel"));
  QApplication::setQuitOnLastWindowClosed(false);
  vistel::registerFontSubstitutions();
  vistel::registerMultiDragCursor();
  QApplication::setWindowIcon(vistel::programIcon());
  closeViewerOnSignals();

  auto* viewer = new vistel::TForm1();
  const int status = QApplication::exec();
  delete viewer;
  return status;
}
