// Helpers of the control tests: a host that records repaint requests, and
// back buffers to paint into.
#pragma once

#include <QImage>
#include <vector>

#include "controls/control.h"
#include "pictures/bitmap.h"
#include "pictures/picture.h"

namespace vistel::testing {

class RecordingHost : public ControlHost {
 public:
  explicit RecordingHost(int w = 792, int h = 611) : w_(w), h_(h) {}
  void invalidateRect(const Rect& r) override { invalidated.push_back(r); }
  int clientWidth() const override { return w_; }
  int clientHeight() const override { return h_; }
  int scrollY() const override { return scroll; }
  void resize(int w, int h) {
    w_ = w;
    h_ = h;
  }
  std::vector<Rect> invalidated;
  int scroll = 0;

 private:
  int w_;
  int h_;
};

inline QImage backBuffer(int w, int h, Rgb colour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(toPixel(colour));
  return image;
}

inline Rgb pixelAt(const QImage& image, int x, int y) { return image.pixel(x, y) & kRgbMask; }

// A bitmap whose pixel (x, y) has the colour x + 256 * y, so every drawn
// pixel tells which source pixel it came from.
inline Bitmap indexedBitmap(int w, int h) {
  Bitmap b(w, h, PixelFormat::Rgb24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setPixel(x, y, static_cast<Rgb>(x + 256 * y));
  return b;
}

inline std::unique_ptr<BitmapPicture> bitmapPicture(Bitmap b) {
  return std::make_unique<BitmapPicture>(std::move(b));
}

inline std::unique_ptr<BitmapPicture> flatPicture(int w, int h, Rgb colour) {
  return bitmapPicture(Bitmap::filled(w, h, PixelFormat::Rgb24, colour));
}

}  // namespace vistel::testing
