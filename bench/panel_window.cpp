// The first frame's own floor: Vistel's start-up up to its control panel and
// no further. The same steps as the program's entry (the font thread, the
// application object and what the program shares), then the panel alone,
// with its skin, shape and fitted labels, and the event loop: no viewer, no
// chooser, no help window. The start-up benchmark times it like any Vistel
// build (its first frame is the same wreath), so that the part of Vistel's
// start-up the first frame cannot do without shows beside the trivial window.
// SIGTERM ends it.
#include <QApplication>

#include "controls/fonts.h"
#include "panel/form2.h"
#include "program/application_setup.h"
#include "windows/desktop.h"
#include "windows/platform.h"
#include "windows/start_trace.h"

int main(int argc, char** argv) {
  vistel::traceStart("main");
  vistel::FontPreload fonts(vistel::adoptKeptCaptions());
  vistel::platform::selectPlatform();
  QApplication app(argc, argv);
  vistel::traceStart("application object");
  vistel::traceFirstPaints();
  vistel::TForm2* shown = nullptr;
  vistel::setUpApplication(fonts, [&shown] {
    if (shown != nullptr) shown->fitLabels();
  });
  vistel::TForm2 panel;
  shown = &panel;
  vistel::traceStart("panel built and shown");
  // As the viewer does, the font thread waits for the first frame.
  vistel::Desktop::instance().awaitFirstPaint(&panel);
  fonts.firstFrameOut();
  const int status = QApplication::exec();
  fonts.wait();
  return status;
}
