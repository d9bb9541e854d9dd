#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bitmap.h"
#include "jpeg_decoder.h"
#include "picture.h"

namespace vistel {

// A JPEG picture: keeps the compressed file and, after the first drawing, one
// decoded bitmap. Only the header is read at load; pixels are decoded the
// first time the picture is drawn, once. Decoding: full size, accurate integer
// IDCT, fancy upsampling, block smoothing; colour files to 24-bit, greyscale
// files quantised by libjpeg to 236 grey levels with Floyd-Steinberg
// dithering into an 8-bit bitmap (every file when 8-bit output is in force).
class JpegPicture final : public Picture {
 public:
  // Parses the header; throws PictureError("JPEG error #N") when it cannot.
  // Empty data is not parsed: a 0 by 0 picture whose first drawing fails.
  explicit JpegPicture(std::vector<std::uint8_t> data);
  // Reads the whole file. A file that cannot be read throws
  // PictureError("Cannot open file \"<path>\". <reason>").
  static std::unique_ptr<JpegPicture> fromFile(const std::string& path);

  PictureKind kind() const override { return PictureKind::Jpeg; }
  int width() const override { return header_.width; }
  int height() const override { return header_.height; }
  // Draws the decoded bitmap (decoding first if needed); `transparent` has no
  // effect on a JPEG picture.
  void draw(const Surface& dst, const Rect& dest, const Rect& clip) override;

  const JpegHeader& header() const { return header_; }
  // Pixels of this very file decoded ahead of time (for a file that never
  // changes, when the program was built), taken as the decode of a
  // full-colour screen: the first drawing for such a screen uses them and
  // decodes nothing; on a screen of 8 or fewer bits the file is decoded as
  // usual. Pixels of another size than the file's are not taken.
  void setPredecoded(Bitmap pixels);
  // Decodes now if not yet done. A fatal decoding error is thrown once as
  // PictureError; afterwards the picture keeps what was decoded before it:
  // the rows above the damage, the rest black (as a fresh screen bitmap
  // shows), or an empty bitmap when the error came before the first row.
  const Bitmap& decoded();
  bool isDecoded() const { return decodeAttempted_; }

  // Screens of 8 or fewer bits per pixel get 8-bit output for every file.
  // Read when a picture is decoded, not when it is loaded.
  static void setScreenBitsPerPixel(int bits);
  static int screenBitsPerPixel();

 private:
  std::vector<std::uint8_t> data_;
  JpegHeader header_;
  Bitmap bitmap_;
  Bitmap predecoded_;
  bool decodeAttempted_ = false;

  void decode();
};

}  // namespace vistel
