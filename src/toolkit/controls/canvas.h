#pragma once

#include "pictures/bitmap.h"
#include "pictures/geometry.h"
#include "pictures/picture.h"

namespace vistel {

class PictureControl;

// A drawing surface over one bitmap: a free-standing bitmap, or the bitmap a
// picture control shows. A canvas is a small handle; copies refer to the same
// bitmap.
//
// On a picture control's canvas every drawing call ends with the control's
// picture-change step (auto-size, transparency, repaint). surface() and
// stretchBlt() draw "straight onto the handle": they change the bitmap
// without that step, and the control shows the change at its next repaint.
class Canvas {
 public:
  // The canvas of a free-standing bitmap, e.g. a temporary one.
  explicit Canvas(Bitmap& bitmap) : bitmap_(&bitmap) {}

  // The bitmap drawn on. For a control's canvas it is looked up on every
  // call, so a canvas kept across a picture change draws on the new picture;
  // if that is no longer a bitmap this throws PictureError.
  Bitmap& bitmap() const;
  int width() const { return bitmap().width(); }
  int height() const { return bitmap().height(); }

  // Draws `picture` at its own size with its top-left corner at (x, y),
  // clipped to the canvas, honouring the picture's transparent flag. An
  // empty picture draws nothing. A JPEG picture's decoding error propagates.
  void draw(int x, int y, Picture& picture);

  // Copies `sourceRect` of `source` into `destRect`, scaling by dropping or
  // repeating whole rows and columns. Parts of the source rectangle outside
  // the source bitmap draw nothing: the destination pixels they map to keep
  // their colour. Rectangles of no width or height draw nothing. The source
  // may be this canvas itself, overlapping or not.
  void copyRect(const Rect& destRect, const Canvas& source, const Rect& sourceRect);

  // Straight onto the handle: the same copy without the picture-change step.
  void stretchBlt(const Rect& destRect, const Canvas& source, const Rect& sourceRect) const;
  // Raw access to the pixels, likewise without the picture-change step.
  Surface surface() const { return bitmap().surface(); }

 private:
  friend class PictureControl;
  explicit Canvas(PictureControl& owner) : owner_(&owner) {}
  void changed() const;

  Bitmap* bitmap_ = nullptr;
  PictureControl* owner_ = nullptr;
};

}  // namespace vistel
