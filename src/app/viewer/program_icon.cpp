#include "viewer/program_icon.h"

#include <QImage>
#include <QPixmap>

#include "assets/embedded_assets.h"
#include "pictures/icon_picture.h"
#include "windows/cursors.h"

namespace vistel {
namespace {

QImage iconImage() {
  const auto bytes = assets::programIconIco();
  QImage image;
  image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "ICO");
  return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

std::unique_ptr<Picture> programIconPicture() {
  const QImage image = iconImage();
  if (image.isNull()) return std::make_unique<IconPicture>();
  Bitmap colours(image.width(), image.height(), PixelFormat::Pal4);
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(image.width()) * image.height());
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      colours.setPixel(x, y, p & kRgbMask);
      mask[static_cast<std::size_t>(y) * image.width() + x] = qAlpha(p) == 0 ? 1 : 0;
    }
  }
  return std::make_unique<IconPicture>(std::move(colours), std::move(mask));
}

QIcon programIcon() { return QIcon(QPixmap::fromImage(iconImage())); }

void registerMultiDragCursor() {
  // From the pixels decoded at build time: the panel shows this cursor from
  // its first frame on, and the first picture Qt decodes in a run waits for
  // a look through its image format plugins.
  constexpr int side = assets::kMultiDragCursorSize;
  const auto bytes = assets::multiDragCursorPixels();
  if (bytes.size() != static_cast<std::size_t>(side) * side * 4) return;
  QImage picture(side, side, QImage::Format_ARGB32);
  for (int y = 0; y < side; ++y) {
    auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < side; ++x) {
      const std::uint8_t* p = bytes.data() + (static_cast<std::size_t>(y) * side + x) * 4;
      row[x] = p[0] | p[1] << 8 | p[2] << 16 | static_cast<QRgb>(p[3]) << 24;
    }
  }
  setCursorPicture(
      CursorShape::MultiDrag,
      QCursor(QPixmap::fromImage(picture), assets::kMultiDragHotSpotX, assets::kMultiDragHotSpotY));
}

}  // namespace vistel
