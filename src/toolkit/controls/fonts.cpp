#include "fonts.h"

#include <fontconfig/fontconfig.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <algorithm>
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

QRect textInk(const QFont& font, const QRect& box, int flags, const QString& text) {
  // Room around the box for whatever spills over its edges.
  const int margin = std::max(font.pixelSize(), 8) * 2;
  QImage canvas(box.width() + 2 * margin, box.height() + 2 * margin, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  {
    QPainter painter(&canvas);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(QPoint(margin, margin), box.size()), flags | Qt::TextDontClip, text);
  }
  int left = canvas.width(), top = canvas.height(), right = -1, bottom = -1;
  for (int y = 0; y < canvas.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
    for (int x = 0; x < canvas.width(); ++x) {
      if ((row[x] & 0xFFFFFF) == 0xFFFFFF) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return {};
  return QRect(QPoint(left, top), QPoint(right, bottom))
      .translated(box.topLeft() - QPoint(margin, margin));
}

QFont fittingFont(QFont font, const QRect& box, int flags, const QStringList& texts,
                  const QRect& bounds) {
  registerFontSubstitutions();
  const QRect within = bounds.isEmpty() ? box : bounds;
  const int asked = font.pixelSize();
  for (int px = asked; px > 1 && px >= (asked + 1) / 2; --px) {
    font.setPixelSize(px);
    const bool fits = std::all_of(texts.begin(), texts.end(), [&](const QString& t) {
      const QRect ink = textInk(font, box, flags, t);
      return ink.isNull() || within.contains(ink);
    });
    if (fits) return font;
  }
  return font;
}

}  // namespace vistel
