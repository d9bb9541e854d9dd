#pragma once

// Writers for the file kinds the viewer reads: BMP (1, 4, 8 and 24 bits,
// plain or run-length encoded), Windows icons, and JPEG through libjpeg.

#include <QImage>
#include <QList>
#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

using Bytes = std::vector<std::uint8_t>;

enum class BmpCompression { None, Rle };

// A palette picture is a QImage::Format_Indexed8 whose colour table has at
// most 2^bits entries; bits 24 takes any QImage. Run-length encoding exists
// for 4 and 8 bits only. Headers: BITMAPFILEHEADER + BITMAPINFOHEADER, rows
// bottom-up.
Bytes encodeBmp(const QImage& image, int bits, BmpCompression compression = BmpCompression::None);

// The run-length payloads alone (rows bottom-up, end-of-line after each row,
// end-of-bitmap at the end), exposed for checking the encoders.
Bytes encodeRle8(const QImage& indexed);
Bytes encodeRle4(const QImage& indexed);

// One 32 x 32 (or any size) 16-colour icon with its 1-bit AND mask: pixels
// where `transparent` is true are masked out and stored as index 0.
Bytes encodeIco4(const QImage& indexed, const std::vector<bool>& transparent);

struct JpegOptions {
  int quality = 90;
  bool progressive = false;
  bool greyscale = false;
  bool chroma420 = true;  // 2x2 luma sampling; false keeps chroma at full size
};
Bytes encodeJpeg(const QImage& image, const JpegOptions& options);

// Decodes a JPEG the way the viewer does by default (accurate integer
// transform, fancy upsampling), so the generator can check what viewers see.
QImage decodeJpeg(const Bytes& bytes);

// Maps a picture to the nearest colours of a fixed palette (no dithering):
// for pixel art drawn in those colours already.
QImage toPaletteExact(const QImage& image, const QList<QRgb>& palette);

// Builds a palette of at most `colours` entries by median cut and maps the
// picture to it with Floyd-Steinberg dithering.
QImage quantize(const QImage& image, int colours, bool dither);

// The 16 colours of the classic VGA palette, in the usual order: black,
// maroon, green, olive, navy, purple, teal, silver, grey, red, lime, yellow,
// blue, fuchsia, aqua, white.
const QList<QRgb>& vgaPalette();

void writeFile(const std::string& path, const Bytes& bytes);

}  // namespace assetgen
