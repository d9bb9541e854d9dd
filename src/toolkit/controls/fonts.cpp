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

FontPreload::FontPreload(bool afterFirstFrame)
    : afterFirstFrame_(afterFirstFrame), thread_([this] { run(); }) {}

FontPreload::~FontPreload() { wait(); }

void FontPreload::run() {
  if (afterFirstFrame_) {
    // Its processor time and its reads would slow the first frame, which
    // the kept fits draw without it.
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return frameOut_; });
    if (stopping_) return;
  }
  // fontconfig keeps the first configuration loaded; a load that another
  // thread began meanwhile is only work spent twice, never a wrong one.
  FcInit();
  std::vector<QFont> faces;
  std::vector<FontFit> fits;
  Done done;
  {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return started_; });
    faces.swap(faces_);
    fits.swap(fits_);
    done.swap(done_);
  }
  for (const QFont& face : faces) QFontMetrics(face).height();
  bool changed = true;
  if (afterFirstFrame_) {
    changed = refreshFits(fits);
  } else {
    for (const FontFit& fit : fits) fittingFont(fit);
  }
  if (done) done(changed, fits);
}

void FontPreload::applicationReady(std::vector<QFont> faces, std::vector<FontFit> fits, Done done) {
  {
    const std::lock_guard lock(mutex_);
    if (started_) return;
    started_ = true;
    faces_ = std::move(faces);
    fits_ = std::move(fits);
    done_ = std::move(done);
  }
  ready_.notify_all();
}

void FontPreload::firstFrameOut() {
  {
    const std::lock_guard lock(mutex_);
    frameOut_ = true;
  }
  ready_.notify_all();
}

void FontPreload::wait() {
  {
    const std::lock_guard lock(mutex_);
    // A preload still waiting for the first frame has nothing left to do.
    if (!frameOut_) stopping_ = true;
  }
  firstFrameOut();
  applicationReady({});
  if (thread_.joinable()) thread_.join();
}

namespace {

// A text drawn once as textInk draws it: black on a white canvas, the box
// `boxAt` from the canvas's corner.
struct DrawnText {
  QImage canvas;
  QPoint boxAt;
};

DrawnText drawn(const QFont& font, const QSize& box, int flags, const QString& text) {
  // Room around the box for whatever spills over its edges.
  const int margin = std::max(font.pixelSize(), 8) * 2;
  DrawnText d{QImage(box.width() + 2 * margin, box.height() + 2 * margin, QImage::Format_RGB32),
              QPoint(margin, margin)};
  d.canvas.fill(Qt::white);
  QPainter painter(&d.canvas);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QRect(d.boxAt, box), flags | Qt::TextDontClip, text);
  return d;
}

// The ink's bounding rectangle, relative to the box.
QRect inkOf(const DrawnText& d) {
  const QImage& canvas = d.canvas;
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
  return QRect(QPoint(left, top), QPoint(right, bottom)).translated(-d.boxAt);
}

QString fontKey(const QFont& font) {
  return font.toString() + QChar(u'|') + font.families().join(QChar(u',')) + QChar(u'|') +
         QString::number(static_cast<int>(font.styleStrategy())) + QChar(u'|') +
         QString::number(static_cast<int>(font.hintingPreference()));
}

// Texts the fits drew, kept for the first paints: drawing a text costs a
// thread its own font engines the first time (the engines a fit loaded are
// its thread's alone), the largest part of the panel's first frame.
struct KeptText {
  QRect ink;                          // relative to the box
  std::vector<std::uint8_t> covered;  // ink.width() by ink.height(), row by row
  friend bool operator==(const KeptText&, const KeptText&) = default;
};

struct KeptTexts {
  std::mutex mutex;
  std::unordered_map<QString, KeptText> texts;
};

KeptTexts& keptTexts() {
  static KeptTexts kept;
  return kept;
}

QString textKey(const QFont& font, const QSize& box, int flags, const QString& text) {
  return fontKey(font) + QChar(u'|') + QString::number(box.width()) + QChar(u'|') +
         QString::number(box.height()) + QChar(u'|') + QString::number(flags) + QChar(u'|') + text;
}

// Whether the text kept before was another (or none).
bool keepText(const QFont& font, const QSize& box, int flags, const QString& text,
              const DrawnText& d, const QRect& ink) {
  const QString key = textKey(font, box, flags, text);
  KeptTexts& all = keptTexts();
  KeptText kept{ink, {}};
  kept.covered.reserve(static_cast<std::size_t>(ink.width()) * ink.height());
  for (int y = ink.top(); y <= ink.bottom(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(d.canvas.constScanLine(y + d.boxAt.y()));
    for (int x = ink.left(); x <= ink.right(); ++x) {
      const QRgb c = row[x + d.boxAt.x()] & 0xFFFFFF;
      // Only a text drawn in the pen's colour alone can be drawn again from
      // its covered pixels; a face that blends its edges is drawn as ever
      // (and one kept from an earlier run is dropped).
      if (c != 0 && c != 0xFFFFFF) {
        const std::lock_guard lock(all.mutex);
        return all.texts.erase(key) != 0;
      }
      kept.covered.push_back(c == 0 ? 1 : 0);
    }
  }
  const std::lock_guard lock(all.mutex);
  KeptText& at = all.texts[key];
  if (at == kept) return false;
  at = std::move(kept);
  return true;
}

}  // namespace

QRect textInk(const QFont& font, const QRect& box, int flags, const QString& text) {
  const QRect ink = inkOf(drawn(font, box.size(), flags, text));
  return ink.isNull() ? ink : ink.translated(box.topLeft());
}

bool drawTextDrawnAhead(QImage& target, const QRect& clip, const QFont& font, const QRect& box,
                        int flags, const QString& text, QRgb colour) {
  if (target.format() != QImage::Format_RGB32 && target.format() != QImage::Format_ARGB32 &&
      target.format() != QImage::Format_ARGB32_Premultiplied)
    return false;
  KeptTexts& all = keptTexts();
  const std::lock_guard lock(all.mutex);
  const auto found = all.texts.find(textKey(font, box.size(), flags, text));
  if (found == all.texts.end()) return false;
  const KeptText& kept = found->second;
  // What drawText(box, flags, text) leaves: the covered pixels in the box,
  // within the clip.
  const QRect area = kept.ink.translated(box.topLeft()) & box & clip & target.rect();
  const QRgb pixel = 0xFF000000u | colour;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(target.scanLine(y));
    const std::uint8_t* covered =
        kept.covered.data() + static_cast<std::size_t>(y - box.top() - kept.ink.top()) *
                                  static_cast<std::size_t>(kept.ink.width());
    for (int x = area.left(); x <= area.right(); ++x)
      if (covered[x - box.left() - kept.ink.left()] != 0) row[x] = pixel;
  }
  return true;
}

namespace {

int fittingSize(QFont font, const QSize& box, int flags, const QStringList& texts,
                const QRect& bounds, bool* textsChanged = nullptr) {
  const QRect within = bounds.isEmpty() ? QRect(QPoint(0, 0), box) : bounds;
  const int asked = font.pixelSize();
  std::vector<std::pair<DrawnText, QRect>> all;
  for (int px = asked; px > 1 && px >= (asked + 1) / 2; --px) {
    font.setPixelSize(px);
    all.clear();
    const bool fits = std::all_of(texts.begin(), texts.end(), [&](const QString& t) {
      DrawnText d = drawn(font, box, flags, t);
      const QRect ink = inkOf(d);
      all.emplace_back(std::move(d), ink);
      return ink.isNull() || within.contains(ink);
    });
    if (!fits) continue;
    // The texts as they will be drawn at this size.
    for (std::size_t i = 0; i < all.size(); ++i) {
      const auto& [d, ink] = all[i];
      if (!ink.isNull() && keepText(font, box, flags, texts[static_cast<qsizetype>(i)], d, ink) &&
          textsChanged != nullptr)
        *textsChanged = true;
    }
    return px;
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
  QString q = fontKey(font);
  for (const int n :
       {box.width(), box.height(), flags, bounds.x(), bounds.y(), bounds.width(), bounds.height()})
    q += QChar(u'|') + QString::number(n);
  return q + QChar(u'|') + texts.join(QChar(0));
}

// The ink is measured relative to the box, so only its size counts.
QRect boundsInBox(const QRect& box, const QRect& bounds) {
  return bounds.isEmpty() ? QRect() : bounds.translated(-box.topLeft());
}

QString fitQuestion(const FontFit& f) {
  return fitQuestion(f.font, f.box, f.flags, f.texts, boundsInBox(f.box, f.bounds));
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
  const QRect at = boundsInBox(box, bounds);
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
    px = fittingSize(font, box.size(), flags, texts, at);
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

FitRecord recordFits(const std::vector<FontFit>& fits) {
  FitRecord record;
  FitAnswers& answers = fitAnswers();
  KeptTexts& kept = keptTexts();
  for (const FontFit& f : fits) {
    const QString question = fitQuestion(f);
    int px = 0;
    {
      const std::lock_guard lock(answers.mutex);
      const auto found = answers.sizes.find(question);
      if (found != answers.sizes.end()) px = found->second;
    }
    if (px < 1 || px > kMaxFitPixelSize) continue;
    record.fits.push_back({question.toStdString(), px});
    QFont font = f.font;
    font.setPixelSize(px);
    const std::lock_guard lock(kept.mutex);
    for (const QString& text : f.texts) {
      const QString key = textKey(font, f.box.size(), f.flags, text);
      const auto found = kept.texts.find(key);
      if (found == kept.texts.end()) continue;
      const QRect& ink = found->second.ink;
      record.texts.push_back({key.toStdString(), ink.left(), ink.top(), ink.width(), ink.height(),
                              found->second.covered});
    }
  }
  return record;
}

void adoptFits(const FitRecord& record) {
  FitAnswers& answers = fitAnswers();
  {
    const std::lock_guard lock(answers.mutex);
    for (const FitRecord::Fit& f : record.fits)
      answers.sizes.insert_or_assign(QString::fromStdString(f.question), f.pixelSize);
  }
  answers.answered.notify_all();
  KeptTexts& kept = keptTexts();
  const std::lock_guard lock(kept.mutex);
  for (const FitRecord::Text& t : record.texts)
    kept.texts.insert_or_assign(QString::fromStdString(t.key),
                                KeptText{QRect(t.left, t.top, t.width, t.height), t.covered});
}

bool refreshFits(const std::vector<FontFit>& fits) {
  registerFontSubstitutions();
  bool changed = false;
  FitAnswers& answers = fitAnswers();
  for (const FontFit& f : fits) {
    const int px =
        fittingSize(f.font, f.box.size(), f.flags, f.texts, boundsInBox(f.box, f.bounds), &changed);
    {
      const std::lock_guard lock(answers.mutex);
      int& answer = answers.sizes[fitQuestion(f)];
      if (answer != px) changed = true;
      answer = px;
      ++answers.workedOut;
    }
    answers.answered.notify_all();
  }
  return changed;
}

}  // namespace vistel
