#include "fonts.h"

#include <fontconfig/fontconfig.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <mutex>
#include <unordered_map>

namespace vistel {

void registerFontSubstitutions() {
  static std::once_flag once;
  std::call_once(once, [] {
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"));
    QFont::insertSubstitution(QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"));
    // The condensed face comes close to the narrow bitmap face the layouts
    // were measured in; the plain one is the fallback, and the Chinese
    // captions take the face fontconfig gives them anyway, named here so
    // that the font database need not ask the system for a fallback.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               QStringList() << QStringLiteral("DejaVu Sans Condensed")
                                             << QStringLiteral("DejaVu Sans")
                                             << QStringLiteral("WenQuanYi Micro Hei"));
  });
}

QFont controlFont(const QString& family, int pixelHeight, bool bold) {
  registerFontSubstitutions();
  QFont font(family);
  // The installed stand-ins alone: the names the layouts ask for are
  // Windows faces, and a family no font has costs the font database a
  // look-up of its aliases and of the system's fallbacks at every size
  // (several milliseconds each with a few thousand faces installed).
  const QStringList families = QFont::substitutes(family);
  if (!families.isEmpty()) font.setFamilies(families);
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
  std::vector<FontFit> fits;
  {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return started_; });
    faces.swap(faces_);
    fits.swap(fits_);
  }
  for (const QFont& face : faces) QFontMetrics(face).height();
  for (const FontFit& fit : fits) fittingFont(fit);
}

void FontPreload::applicationReady(std::vector<QFont> faces, std::vector<FontFit> fits) {
  {
    const std::lock_guard lock(mutex_);
    if (started_) return;
    started_ = true;
    faces_ = std::move(faces);
    fits_ = std::move(fits);
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

namespace {

int fittingSize(QFont font, const QRect& box, int flags, const QStringList& texts,
                const QRect& bounds) {
  const QRect within = bounds.isEmpty() ? box : bounds;
  const int asked = font.pixelSize();
  for (int px = asked; px > 1 && px >= (asked + 1) / 2; --px) {
    font.setPixelSize(px);
    const bool fits = std::all_of(texts.begin(), texts.end(), [&](const QString& t) {
      const QRect ink = textInk(font, box, flags, t);
      return ink.isNull() || within.contains(ink);
    });
    if (fits) return px;
  }
  return font.pixelSize();  // the floor, or the font as it came (no pixel size)
}

constexpr int kUnderWay = INT_MIN;

// The fits worked out so far, by question: the pixel size, or kUnderWay.
struct FitAnswers {
  std::mutex mutex;
  std::condition_variable answered;
  std::unordered_map<QString, int> sizes;
  std::size_t workedOut = 0;
};

FitAnswers& fitAnswers() {
  static FitAnswers answers;
  return answers;
}

QString fitQuestion(const QFont& font, const QRect& box, int flags, const QStringList& texts,
                    const QRect& bounds) {
  QString q = font.toString() + QChar(u'|') + font.families().join(QChar(u','));
  for (const int n :
       {static_cast<int>(font.styleStrategy()), static_cast<int>(font.hintingPreference()),
        box.width(), box.height(), flags, bounds.x(), bounds.y(), bounds.width(), bounds.height()})
    q += QChar(u'|') + QString::number(n);
  return q + QChar(u'|') + texts.join(QChar(0));
}

}  // namespace

std::size_t fitsWorkedOut() {
  FitAnswers& answers = fitAnswers();
  const std::lock_guard lock(answers.mutex);
  return answers.workedOut;
}

QFont fittingFont(QFont font, const QRect& box, int flags, const QStringList& texts,
                  const QRect& bounds) {
  registerFontSubstitutions();
  // The ink is measured relative to the box, so only its size counts.
  const QRect at = bounds.isEmpty() ? QRect() : bounds.translated(-box.topLeft());
  const QString question = fitQuestion(font, box, flags, texts, at);
  FitAnswers& answers = fitAnswers();
  {
    std::unique_lock lock(answers.mutex);
    if (!answers.sizes.try_emplace(question, kUnderWay).second) {
      answers.answered.wait(lock, [&] {
        const auto a = answers.sizes.find(question);
        return a == answers.sizes.end() || a->second != kUnderWay;
      });
      const auto found = answers.sizes.find(question);
      if (found != answers.sizes.end()) {
        if (found->second > 0) font.setPixelSize(found->second);
        return font;
      }
      // The thread working it out failed: this one tries.
      answers.sizes.emplace(question, kUnderWay);
    }
  }
  int px = 0;
  try {
    px = fittingSize(font, QRect(QPoint(0, 0), box.size()), flags, texts, at);
  } catch (...) {
    {
      const std::lock_guard lock(answers.mutex);
      answers.sizes.erase(question);
    }
    answers.answered.notify_all();
    throw;
  }
  {
    const std::lock_guard lock(answers.mutex);
    answers.sizes[question] = px;
    ++answers.workedOut;
  }
  answers.answered.notify_all();
  if (px > 0) font.setPixelSize(px);
  return font;
}

}  // namespace vistel
