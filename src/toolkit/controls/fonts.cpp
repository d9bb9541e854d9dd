#include "fonts.h"

#include <fontconfig/fontconfig.h>

#include <QFontMetrics>
#include <QStringList>

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

FontPreload::FontPreload() : thread_([this] { run(); }) {}

FontPreload::~FontPreload() { wait(); }

void FontPreload::run() {
  // fontconfig keeps the first configuration loaded; a load that another
  // thread began meanwhile is only work spent twice, never a wrong one.
  FcInit();
  std::vector<QFont> faces;
  {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return started_; });
    faces.swap(faces_);
  }
  for (const QFont& face : faces) QFontMetrics(face).height();
}

void FontPreload::applicationReady(std::vector<QFont> faces) {
  {
    const std::lock_guard lock(mutex_);
    if (started_) return;
    started_ = true;
    faces_ = std::move(faces);
  }
  ready_.notify_one();
}

void FontPreload::wait() {
  applicationReady({});
  if (thread_.joinable()) thread_.join();
}

}  // namespace vistel
