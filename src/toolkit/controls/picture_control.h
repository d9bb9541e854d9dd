#pragma once

#include <QString>
#include <memory>
#include <string>

#include "canvas.h"
#include "control.h"
#include "picture_layout.h"
#include "pictures/picture.h"

namespace vistel {

// A graphic control showing one picture (or none), placed and scaled by its
// AutoSize, Stretch, Proportional and Center flags. A new control is 105 by
// 105 pixels, every flag off, with no picture.
class PictureControl : public Control {
 public:
  explicit PictureControl(ControlHost* host = nullptr);
  ~PictureControl() override;

  Picture* picture() const { return picture_.get(); }
  // Installs a picture (or none) and runs the picture-change step.
  void setPicture(std::unique_ptr<Picture> picture);
  // 0 when there is no picture.
  int pictureWidth() const;
  int pictureHeight() const;

  // Reads the file into a picture of the kind its extension names. On
  // failure the current picture stays and the PictureError goes to the
  // caller; on success the new picture replaces it.
  void loadFromFile(const std::string& path);
  void loadFromFile(const QString& path);

  bool autoSize() const { return autoSize_; }
  bool stretch() const { return layout_.stretch; }
  bool proportional() const { return layout_.proportional; }
  bool center() const { return layout_.center; }
  bool transparent() const { return transparent_; }
  // Setting a flag to the value it has does nothing at all.
  void setAutoSize(bool on);
  // The bounds and AutoSize as a window's layout stores them: taken as they
  // are, the auto-size rule applies from the next change on.
  void setLayout(int left, int top, int width, int height, bool autoSize);
  void setStretch(bool on);
  void setProportional(bool on);
  void setCenter(bool on);
  void setTransparent(bool on);

  // While AutoSize is on, the size becomes the picture's (0 by 0 without
  // one) whatever is asked; left and top are taken as given.
  void setBounds(int left, int top, int width, int height) override;

  // Where the picture is drawn, in the control's own coordinates.
  Rect destinationRect() const;

  // Draws the picture into its destination rectangle, clipped to the control
  // and to `clip`. A PictureError from drawing (a JPEG that fails to decode)
  // propagates; the control is unchanged by it.
  void paint(QImage& target, const Rect& clip) override;

  // The drawing surface of the picture. Without a picture, a white bitmap of
  // the control's current size becomes the picture first. Throws
  // PictureError when the picture is not a bitmap.
  Canvas canvas();

  // After the picture changed: take the picture's size under AutoSize, hand
  // the Transparent flag to the picture (not to an icon), repaint.
  void pictureChanged();

 private:
  friend class Canvas;
  Bitmap& canvasBitmap();
  void changeFlag(bool& flag, bool on);

  std::unique_ptr<Picture> picture_;
  PictureLayout layout_;
  bool autoSize_ = false;
  bool transparent_ = false;
};

}  // namespace vistel
