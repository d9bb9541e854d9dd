#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "bitmap.h"
#include "bmp_layout.h"

namespace vistel::bmp {

// Turns stored BMP pixels into the bitmap's 0xFFRRGGBB pixels. Built once per
// file: the colour table and the mask scaling become lookup tables, so the
// row loops do no per-pixel branching.
class PixelDecoder {
 public:
  explicit PixelDecoder(const Layout& layout);

  // The pixel for what the file does not say: rows cut off at the end of the
  // file and pixels an RLE stream skips. Palette entry 0, or black without a
  // colour table.
  std::uint32_t fillPixel() const { return fill_; }

  // Converts the uncompressed stored rows [firstRow, firstRow + rowCount)
  // (row 0 is the first one in the file) from `data`, which holds them back
  // to back. `data` may end early: the pixels it holds in full are
  // converted, the rest of those rows become fillPixel().
  void convertRows(std::span<const std::uint8_t> data, int firstRow, int rowCount,
                   Bitmap& out) const;

  // Converts one uncompressed stored row from `bytes` (which may end early,
  // as above) into `dst`, width pixels.
  void convertRow(std::span<const std::uint8_t> bytes, std::uint32_t* dst) const;

  // Decodes a whole RLE8 or RLE4 stream into `out` (which it fills first).
  void decodeRle(std::span<const std::uint8_t> data, Bitmap& out) const;

  // Where an RLE stream has got to, so that it can be decoded a block at a
  // time.
  struct RleCursor {
    std::int64_t x = 0;
    std::int64_t y = 0;  // stored row
    bool ended = false;  // the stream needs no more data
  };
  // Decodes the commands that lie whole in `data`, from `at` on, into the
  // rows rowAt(y) gives (y the picture row, 0 at the top; nullptr for a row
  // not wanted: its pixels are passed over). Rows the stream never reaches
  // keep what they held. Returns the bytes used; the rest must come again,
  // followed by more of the stream. With `last` (the stream ends with
  // `data`) a command cut off is decoded as far as it goes, and the stream
  // ends.
  std::size_t decodeRle(std::span<const std::uint8_t> data, RleCursor& at, bool last,
                        const std::function<std::uint32_t*(int)>& rowAt) const;

 private:
  struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int drop = 0;                           // low bits past the top 8 of a wide channel
    std::array<std::uint8_t, 256> scale{};  // remaining value -> 0..255
  };
  static Channel makeChannel(const ChannelMask& m);

  std::uint32_t* rowFor(Bitmap& out, int storedRow) const;
  // A 16- or 32-bit stored value through the channel masks.
  std::uint32_t fromMasks(std::uint32_t v) const;
  // Converts the first `count` pixels of one stored row.
  void convertRow(const std::uint8_t* src, int count, std::uint32_t* dst) const;

  int width_;
  int height_;
  bool topDown_;
  int bitCount_;
  Compression compression_;
  std::uint64_t stride_;
  std::uint32_t fill_;
  bool plain32_ = false;  // 32 bits with the usual 8-8-8 masks
  // Colour table as pixels; indexes past the file's table give black.
  std::array<std::uint32_t, 256> colours_{};
  Channel red_, green_, blue_;
};

}  // namespace vistel::bmp
