#pragma once

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "pictures/bitmap.h"

namespace vistel {

// Thrown out of a thumbnail decode when its stop flag was raised.
class ThumbnailStopped : public std::runtime_error {
 public:
  ThumbnailStopped() : std::runtime_error("thumbnail stopped") {}
};

// Thrown out of a thumbnail decode that would need a whole-picture buffer
// when its gate does not let it have one now: the caller tries again later.
class ThumbnailDeferred : public std::runtime_error {
 public:
  ThumbnailDeferred() : std::runtime_error("thumbnail deferred") {}
};

// Decides, for thumbnail makers running side by side, which of them may
// hold a buffer of the whole picture (a progressive JPEG's coefficients, a
// two-pass quantised JPEG), so that at most one does at a time. Asked once
// the file shows that it needs one; true lets the decode go on, and leave()
// follows once the buffer is freed.
class WholePictureGate {
 public:
  virtual bool tryEnter() = 0;
  virtual void leave() {}

 protected:
  ~WholePictureGate() = default;
};

// The thumbnail's background where the picture does not reach: white, the
// colour of a fresh picture control's canvas.
constexpr Rgb kThumbBackground = kWhite;

// The 93 by 93 thumbnail of a picture file: the square of the picture's
// longer side, picture in its top-left corner, shrunk by dropping rows and
// columns (each pixel from the one source pixel under its centre). JPEG when
// `isJpeg`, otherwise BMP. Throws PictureError when the file cannot be read
// or decoded, ThumbnailStopped when `stop` becomes true meanwhile,
// ThumbnailDeferred when `gate` refuses the whole-picture buffer the file
// needs.
//
// Only the source rows the sampling picks are decoded where that gives the
// same rows as a full decode (libjpeg skips the others); the result is the
// same as thumbnailByFullDecode's, without a full-size picture in memory.
// The file is streamed, its header first: no more of it is read or held
// than the decoder needs for the picked rows, whatever size it claims.
Bitmap makeThumbnail(const std::string& path, bool isJpeg, const std::atomic<bool>* stop = nullptr,
                     WholePictureGate* gate = nullptr);

// Whether makeThumbnail will ask its gate for a whole-picture buffer for
// this file, told from the file's headers alone (a few small reads). False
// for a file that cannot be read: its decode fails without the buffer.
bool thumbnailNeedsWholePicture(const std::string& path, bool isJpeg);

// The plain method, kept as the reference: decode the whole picture, draw it
// into a scratch bitmap of its size and copy the longer side's square into
// the thumbnail with the dropping stretch.
Bitmap thumbnailByFullDecode(const std::string& path, bool isJpeg);

}  // namespace vistel
