#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "bitmap.h"

namespace vistel {

// Reads a BMP file held in memory. Accepts the "BM" signature with a 12-byte
// (OS/2 core: 1/4/8/24 bits, 3-byte colours) or a 40-or-more-byte info
// header, plane count 1, 1/4/8 bits with a colour table, 16/32 bits (default
// masks 5-5-5 and 8-8-8, or bit-field masks after a 40-byte header or inside
// a larger one, scaled to 8 bits per channel), 24 bits, RLE4 and RLE8, rows
// bottom-up or top-down. The result keeps the file's pixel format and colour
// table.
//
// Lenient where nothing is lost: uncompressed pixel data cut short loads the
// pixels that are there and fills the rest with colour table entry 0 (black
// without a table); pixels an RLE stream skips or never reaches get entry 0
// too; RLE runs are clipped at the end of the row and the stream stops past
// the last row; colour indexes past the table read as black. An empty input
// is an empty 0 by 0 bitmap.
//
// Anything else throws PictureError("Bitmap image is not valid"), before any
// pixel memory is allocated when the header already tells (sizes past
// pictureSizeAllowed(), tables or masks longer than the file, ...).
Bitmap readBmp(std::span<const std::uint8_t> data);

// The same for a file, read in blocks rather than whole. A file that cannot
// be opened or read (missing, a folder, a device) throws
// PictureError("Bitmap image is not valid") as well.
Bitmap readBmpFile(const std::string& path);

// Single rows of a BMP file, read from the file when asked for: a thumbnail
// wants a hundred rows of a picture, not all of it. Each row is the one
// readBmpFile gives (cut-off rows filled the same way). Opening throws like
// readBmpFile.
class BmpRowReader {
 public:
  explicit BmpRowReader(const std::string& path);
  ~BmpRowReader();
  BmpRowReader(const BmpRowReader&) = delete;
  BmpRowReader& operator=(const BmpRowReader&) = delete;

  int width() const;  // 0 by 0 for a zero-byte file
  int height() const;
  // RLE streams run on across rows: such files are read through in order.
  bool rowsReadable() const;
  // Decodes picture row y (0 at the top) into `out`, width() pixels.
  void readRow(int y, std::uint32_t* out);
  // Reads an RLE file's stream through once, a block at a time, into the
  // rows rowAt(y) gives (nullptr for a row not wanted). Pixels the stream
  // never reaches keep what the rows held: fillPixel() in a whole read.
  // Once `interrupt` is true it ends with PictureError(kReadInterruptedText).
  void readRle(const std::function<std::uint32_t*(int)>& rowAt,
               const std::atomic<bool>* interrupt = nullptr);
  std::uint32_t fillPixel() const;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace vistel
