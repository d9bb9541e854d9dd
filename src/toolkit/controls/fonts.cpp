#include "fonts.h"

#include <fontconfig/fontconfig.h>

#include <QStringList>
#include <mutex>

namespace vistel {

void registerFontSubstitutions() {
  static std::once_flag once;
  std::call_once(once, [] {
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"));
    QFont::insertSubstitution(QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"));
    // The condensed face comes close to the narrow bitmap face the layouts
    // were measured in; the plain one is the fallback.
    QFont::insertSubstitutions(
        QStringLiteral("MS Sans Serif"),
        QStringList() << QStringLiteral("DejaVu Sans Condensed") << QStringLiteral("DejaVu Sans"));
  });
}

QFont controlFont(const QString& family, int pixelHeight, bool bold) {
  registerFontSubstitutions();
  QFont font(family);
  font.setPixelSize(pixelHeight > 0 ? pixelHeight : 1);
  font.setBold(bold);
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

FontConfigPreload::FontConfigPreload() : thread_([] { FcInit(); }) {}

FontConfigPreload::~FontConfigPreload() { wait(); }

void FontConfigPreload::wait() {
  // fontconfig takes the first configuration loaded; a load that another
  // thread began meanwhile is only work spent twice, never a wrong one.
  if (thread_.joinable()) thread_.join();
}

}  // namespace vistel
