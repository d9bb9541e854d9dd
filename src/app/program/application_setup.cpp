#include "program/application_setup.h"

#include <QApplication>

#include "controls/fonts.h"
#include "panel/form2.h"
#include "viewer/program_icon.h"
#include "windows/start_trace.h"

namespace vistel {

void setUpApplication(FontPreload& fonts) {
  QApplication::setApplicationName(QStringLiteral("Vistel"));
  QApplication::setQuitOnLastWindowClosed(false);
  registerFontSubstitutions();
  fonts.applicationReady(TForm2::labelFaces(), TForm2::labelFits());
  registerMultiDragCursor();
  traceStart("font substitutions, cursor");
}

}  // namespace vistel
