#include "picture_control.h"

#include <algorithm>

namespace vistel {

PictureControl::PictureControl(ControlHost* host) : Control(host) {}

PictureControl::~PictureControl() = default;

void PictureControl::setPicture(std::unique_ptr<Picture> picture) {
  picture_ = std::move(picture);
  pictureChanged();
}

int PictureControl::pictureWidth() const { return picture_ ? picture_->width() : 0; }

int PictureControl::pictureHeight() const { return picture_ ? picture_->height() : 0; }

void PictureControl::setAutoSize(bool on) {
  if (on == autoSize_) return;
  autoSize_ = on;
  // Switching on takes the picture's size at once; switching off keeps the
  // current size.
  if (on) setBounds(left(), top(), width(), height());
}

void PictureControl::setLayout(int left, int top, int width, int height, bool autoSize) {
  autoSize_ = false;
  setBounds(left, top, width, height);
  autoSize_ = autoSize;
}

void PictureControl::setStretch(bool on) { changeFlag(layout_.stretch, on); }
void PictureControl::setProportional(bool on) { changeFlag(layout_.proportional, on); }
void PictureControl::setCenter(bool on) { changeFlag(layout_.center, on); }
void PictureControl::setTransparent(bool on) { changeFlag(transparent_, on); }

void PictureControl::changeFlag(bool& flag, bool on) {
  if (flag == on) return;
  flag = on;
  pictureChanged();
}

void PictureControl::setBounds(int left, int top, int width, int height) {
  // A client-aligned control fills its host instead; none has AutoSize on.
  if (autoSize_ && align() != Align::Client) {
    width = pictureWidth();
    height = pictureHeight();
  }
  Control::setBounds(left, top, width, height);
}

Rect PictureControl::destinationRect() const {
  return pictureDestination(pictureWidth(), pictureHeight(), width(), height(), layout_);
}

void PictureControl::paint(QImage& target, const Rect& clip) {
  if (!visible() || !picture_) return;
  const Rect area = clip.intersected(boundsRect());
  if (area.isEmpty()) return;
  const Surface surface = surfaceOf(target);
  if (surface.pixels == nullptr) return;
  picture_->draw(surface, destinationRect().translated(left(), top()), area);
}

Canvas PictureControl::canvas() {
  canvasBitmap();  // creates the white bitmap, or refuses a non-bitmap picture
  return Canvas(*this);
}

Bitmap& PictureControl::canvasBitmap() {
  if (!picture_) {
    // The bitmap keeps this size even when the control is resized later.
    setPicture(std::make_unique<BitmapPicture>(
        Bitmap::filled(std::max(0, width()), std::max(0, height()), PixelFormat::Rgb24, kWhite)));
  }
  if (picture_->kind() != PictureKind::Bitmap) {
    throw PictureError("Can only modify an image if it contains a bitmap");
  }
  return static_cast<BitmapPicture&>(*picture_).bitmap();
}

void PictureControl::pictureChanged() {
  if (autoSize_ && pictureWidth() > 0 && pictureHeight() > 0) {
    setBounds(left(), top(), pictureWidth(), pictureHeight());
  }
  if (picture_ && picture_->kind() != PictureKind::Icon) picture_->setTransparent(transparent_);
  invalidate();
}

}  // namespace vistel
