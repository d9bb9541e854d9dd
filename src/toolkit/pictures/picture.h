#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "bitmap.h"
#include "geometry.h"

namespace vistel {

// A failure of loading or drawing a picture. what() is the user-visible text
// ("Bitmap image is not valid", "JPEG error #53", ...).
class PictureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class PictureKind { Bitmap, Jpeg, Icon };

// One graphic object held by a picture control or a canvas.
class Picture {
 public:
  virtual ~Picture() = default;
  virtual PictureKind kind() const = 0;
  virtual int width() const = 0;
  virtual int height() const = 0;

  // Draws the picture scaled into `dest` (nearest-neighbour), writing only
  // inside `clip`. The picture's own `transparent` flag decides whether its
  // transparent colour is skipped. May throw PictureError (a JPEG picture's
  // decoding error, raised once).
  virtual void draw(const Surface& dst, const Rect& dest, const Rect& clip) = 0;

  bool transparent() const { return transparent_; }
  void setTransparent(bool on) { transparent_ = on; }

 private:
  bool transparent_ = false;
};

// A picture made of one bitmap (a BMP file, or a canvas's white bitmap).
class BitmapPicture final : public Picture {
 public:
  BitmapPicture() = default;
  explicit BitmapPicture(Bitmap b) : bitmap_(std::move(b)) {}

  PictureKind kind() const override { return PictureKind::Bitmap; }
  int width() const override { return bitmap_.width(); }
  int height() const override { return bitmap_.height(); }
  void draw(const Surface& dst, const Rect& dest, const Rect& clip) override;

  Bitmap& bitmap() { return bitmap_; }
  const Bitmap& bitmap() const { return bitmap_; }

 private:
  Bitmap bitmap_;
};

}  // namespace vistel
