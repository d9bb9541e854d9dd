#include "program/application_setup.h"

#include <QApplication>
#include <string>

#include "controls/fonts.h"
#include "panel/form2.h"
#include "storage/caption_cache.h"
#include "viewer/program_icon.h"
#include "windows/start_trace.h"

namespace vistel {

namespace {

struct KeptCaptions {
  CaptionCache cache{CaptionCache::folderFromEnvironment()};
  std::string stamp = CaptionCache::stamp(VISTEL_VERSION);
  bool adopted = false;
};

KeptCaptions& keptCaptions() {
  static KeptCaptions kept;
  return kept;
}

}  // namespace

bool adoptKeptCaptions() {
  KeptCaptions& kept = keptCaptions();
  FitRecord record;
  kept.adopted = kept.cache.load(kept.stamp, record);
  if (kept.adopted) adoptFits(record);
  return kept.adopted;
}

void setUpApplication(FontPreload& fonts, std::function<void()> refit) {
  QApplication::setApplicationName(QStringLiteral("Vistel"));
  QApplication::setQuitOnLastWindowClosed(false);
  registerFontSubstitutions();
  // On the font thread, once its fits are worked out.
  auto done = [refit = std::move(refit)](bool changed, const std::vector<FontFit>& fits) {
    if (!changed) return;
    KeptCaptions& kept = keptCaptions();
    FitRecord record = recordFits(fits);
    record.stamp = kept.stamp;
    kept.cache.store(record);
    if (kept.adopted && refit) QMetaObject::invokeMethod(qApp, refit, Qt::QueuedConnection);
  };
  fonts.applicationReady(TForm2::labelFaces(), TForm2::labelFits(), std::move(done));
  registerMultiDragCursor();
  traceStart("font substitutions, cursor");
}

}  // namespace vistel
