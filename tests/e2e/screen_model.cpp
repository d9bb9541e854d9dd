#include "screen_model.h"

#include <QDir>
#include <algorithm>

#include "assets/embedded_assets.h"
#include "pictures/bmp_reader.h"
#include "pictures/jpeg_picture.h"

namespace e2e {
namespace {

constexpr int kThumb = 93;
constexpr int kPitch = 95;
constexpr int kColumns = 3;  // the file panel's 289 pixels
constexpr QRgb kSilver = 0xC0C0C0;
constexpr QRgb kViewerKey = 0x000000;
constexpr QRgb kChooserKey = 0x0000FF;
constexpr QRgb kThumbBackground = 0xFFFFFF;

QImage toImage(const vistel::Bitmap& b) {
  QImage img(b.width(), b.height(), QImage::Format_RGB32);
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) img.setPixel(x, y, 0xFF000000u | b.pixel(x, y));
  return img;
}

QImage jpeg(vistel::assets::Bytes bytes) {
  vistel::JpegPicture picture(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  return toImage(picture.decoded());
}

// A thumbnail the way the grid makes them: the square of the picture's
// longer side with the picture in its top-left corner, each pixel the one
// source pixel under its centre.
QImage thumbnailOf(const QImage& picture) {
  QImage t(kThumb, kThumb, QImage::Format_RGB32);
  t.fill(0xFF000000u | kThumbBackground);
  const int side = std::max(picture.width(), picture.height());
  for (int y = 0; y < kThumb; ++y) {
    const int sy = static_cast<int>((2LL * y + 1) * side / (2 * kThumb));
    for (int x = 0; x < kThumb; ++x) {
      const int sx = static_cast<int>((2LL * x + 1) * side / (2 * kThumb));
      if (sx < picture.width() && sy < picture.height()) t.setPixel(x, y, picture.pixel(sx, sy));
    }
  }
  return t;
}

QRgb rgb(const QImage& img, QPoint p) { return img.pixel(p) & 0xFFFFFF; }

}  // namespace

ScreenModel::ScreenModel(QString samples) : samples_(std::move(samples)) {
  mask_ = toImage(vistel::readBmp(vistel::assets::frameMaskBmp()));
  skin_ = jpeg(vistel::assets::panelSkinJpg());
  locator_ = toImage(vistel::readBmp(vistel::assets::locatorBmp()));
  // The file list's default mask, letter case ignored in matching and sorting.
  QStringList names = QDir(samples_).entryList(QDir::Files);
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const QString& n) {
                               return !n.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive) &&
                                      !n.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive);
                             }),
              names.end());
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
  });
  listed_ = names;
  for (const QString& n : listed_) thumbs_.push_back(thumbnailOf(sample(n)));
}

const QImage& ScreenModel::sample(const QString& name) {
  static std::map<QString, QImage> cache;
  QImage& img = cache[name];
  if (img.isNull()) {
    const std::string path = (samples_ + QLatin1Char('/') + name).toStdString();
    img = name.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive)
              ? toImage(vistel::readBmpFile(path))
              : toImage(vistel::JpegPicture::fromFile(path)->decoded());
  }
  return img;
}

QRgb ScreenModel::over(QRgb top, QRgb beneath) const {
  auto mix = [this](int t, int b) { return (alpha_ * t + (255 - alpha_) * b) / 255; };
  return qRgb(mix(qRed(top), qRed(beneath)), mix(qGreen(top), qGreen(beneath)),
              mix(qBlue(top), qBlue(beneath))) &
         0xFFFFFF;
}

QRgb ScreenModel::skin(QPoint p) const {
  return p.x() < skin_.width() && p.y() < skin_.height() ? rgb(skin_, p) : 0xFFFFFF;
}

QRgb ScreenModel::beneath() const {
  if (!backdrop_) return kUnderlay;
  if (alpha_ == 255) return 0x000000;  // without a compositor, opaque black
  auto mix = [](int b) { return (255 - 250) * b / 255; };
  return qRgb(mix(qRed(kUnderlay)), mix(qGreen(kUnderlay)), mix(qBlue(kUnderlay))) & 0xFFFFFF;
}

QRgb ScreenModel::skinSeen(QPoint p) const {
  const QRgb s = skin(p);
  return s == 0xFFFFFF ? beneath() : over(s, beneath());
}

// Where the viewer is see-through, the panel beneath it shows.
QRgb ScreenModel::behindViewer(QPoint p) const { return skinSeen(p); }

QRgb ScreenModel::viewerSeen(QPoint p) const {
  if (shown_.isNull() || !shownFrame_.contains(p) || rgb(mask_, p) != 0xFFFFFF)
    return behindViewer(p);
  const QPoint q = p - shownFrame_.topLeft();
  if (q.x() >= shown_.width() || q.y() >= shown_.height()) return behindViewer(p);
  const QRgb c = rgb(shown_, q);
  return c == kViewerKey ? behindViewer(p) : over(c, behindViewer(p));
}

void ScreenModel::setShown(const QImage& picture, const QRect& frame) {
  shown_ = picture;
  shownFrame_ = frame;
}

std::vector<Probe> ScreenModel::opening(const QImage& picture, const QRect& frame, bool chooserUp) {
  // Taken on a grid, away from the rectangle's edge lines (the panel's guide
  // lines lie on them), from the opening's outline, from the picture's
  // key-coloured pixels and, while the chooser is up, from its panel.
  auto inOpening = [this](int x, int y) {
    for (int dy = -3; dy <= 3; dy += 3)
      for (int dx = -3; dx <= 3; dx += 3) {
        const QPoint p(x + dx, y + dy);
        if (!mask_.rect().contains(p) || rgb(mask_, p) != 0xFFFFFF) return false;
      }
    return true;
  };
  auto nearLine = [](int v, int line) { return v > line - 5 && v < line + 5; };
  const QRect panel = kChooserPanel.adjusted(-3, -3, 3, 3);
  setShown(picture, frame);
  std::vector<Probe> probes;
  for (int y = 0; y < 611; y += 5)
    for (int x = 0; x < 792; x += 5) {
      // The skin's few pixels inside the opening lie over the picture when
      // the panel is on top (after F6): left out, as are the chooser's.
      if (!inOpening(x, y) || (chooserUp && panel.contains(x, y)) || skin({x, y}) != 0xFFFFFF)
        continue;
      if (!frame.isNull() && (nearLine(x, frame.left()) || nearLine(x, frame.right() + 1) ||
                              nearLine(y, frame.top()) || nearLine(y, frame.bottom() + 1)))
        continue;
      const QPoint p(x, y), q = p - frame.topLeft();
      if (frame.contains(p) &&
          (q.x() >= picture.width() || q.y() >= picture.height() || rgb(picture, q) == kViewerKey))
        continue;
      probes.push_back({screen(p), viewerSeen(p)});
    }
  return probes;
}

std::vector<Probe> ScreenModel::emptyOpening(bool chooserUp) {
  return opening(QImage(), QRect(), chooserUp);
}

void ScreenModel::thumbProbes(std::vector<Probe>& out, const QImage& thumb, int t, int scroll,
                              bool skipLocator) const {
  const QPoint cell(kFilePanel.left() + (t % kColumns) * kPitch + 2,
                    kFilePanel.top() + (t / kColumns) * kPitch + 2 - scroll);
  for (int y = 0; y < kThumb; ++y) {
    if (cell.y() + y < kFilePanel.top() || cell.y() + y > kFilePanel.bottom()) continue;
    for (int x = 0; x < kThumb; ++x) {
      if (skipLocator && x < 33 && y < 11) continue;
      const QRgb c = thumb.pixel(x, y) & 0xFFFFFF;
      const QPoint p = cell + QPoint(x, y);
      // The chooser's key colour shows the viewer beneath it.
      out.push_back({screen(p), c == kChooserKey ? viewerSeen(p) : over(c, viewerSeen(p))});
    }
  }
}

std::vector<Probe> ScreenModel::grid(int scroll, int locatorOn) {
  std::vector<Probe> all;
  const int n = static_cast<int>(thumbs_.size());
  for (int t = 0; t < n; ++t)
    thumbProbes(all, thumbs_[static_cast<std::size_t>(t)], t, scroll, t == locatorOn);
  if (locatorOn >= 0) {
    const QPoint cell(kFilePanel.left() + (locatorOn % kColumns) * kPitch + 3,
                      kFilePanel.top() + (locatorOn / kColumns) * kPitch + 3 - scroll);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 30; ++x) {
        const QRgb c = locator_.pixel(x, y) & 0xFFFFFF;
        const QPoint p = cell + QPoint(x, y);
        if (c != kChooserKey) all.push_back({screen(p), over(c, viewerSeen(p))});
      }
  }
  QImage bare(kThumb, kThumb, QImage::Format_RGB32);
  bare.fill(0xFF000000u | kSilver);
  thumbProbes(all, bare, n, scroll, false);
  return all;
}

int mismatches(const QImage& shot, const std::vector<Probe>& probes, QString* first) {
  int bad = 0;
  for (const Probe& p : probes) {
    const QRgb got = shot.pixel(p.at) & 0xFFFFFF;
    // A compositor's rounding may differ by a step.
    if (std::abs(qRed(got) - qRed(p.want)) <= 2 && std::abs(qGreen(got) - qGreen(p.want)) <= 2 &&
        std::abs(qBlue(got) - qBlue(p.want)) <= 2)
      continue;
    if (bad++ == 0 && first != nullptr)
      *first = QStringLiteral("at (%1, %2) saw %3, want %4")
                   .arg(p.at.x())
                   .arg(p.at.y())
                   .arg(got, 6, 16, QLatin1Char('0'))
                   .arg(p.want, 6, 16, QLatin1Char('0'));
  }
  return bad;
}

}  // namespace e2e
