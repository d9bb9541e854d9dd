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
  const auto bytes = assets::multiDragCursorPng();
  QPixmap pixmap;
  if (!pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size()), "PNG")) return;
  setCursorPicture(CursorShape::MultiDrag,
                   QCursor(pixmap, assets::kMultiDragHotSpotX, assets::kMultiDragHotSpotY));
}

}  // namespace vistel
