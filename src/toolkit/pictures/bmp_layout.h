#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "bitmap.h"

namespace vistel::bmp {

// Throws PictureError("Bitmap image is not valid"): the one failure a BMP
// file can cause.
[[noreturn]] void failInvalid();

enum class Compression : std::uint8_t { None, Rle8, Rle4, BitFields };

// One colour channel of a 16- or 32-bit pixel: the bits under `mask`,
// shifted down by `shift`, span `bits` bits (holes in a non-contiguous
// mask simply read as zero).
struct ChannelMask {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
};
ChannelMask channelMask(std::uint32_t mask);

// Everything the headers say about the pixels, checked against the file size.
struct Layout {
  int width = 0;
  int height = 0;  // always positive; topDown tells the row order
  bool topDown = false;
  int bitCount = 0;
  Compression compression = Compression::None;
  ChannelMask red, green, blue;  // 16 and 32 bits only
  std::vector<Rgb> palette;      // as stored in the file (1, 4 and 8 bits)
  std::uint64_t pixelOffset = 0;
  std::uint64_t stride = 0;  // bytes per stored row, padded to 4

  PixelFormat format() const { return static_cast<PixelFormat>(bitCount); }
  std::uint64_t pixelBytes() const { return stride * static_cast<std::uint64_t>(height); }
};

// Parses the headers, masks and colour table at the start of a BMP file of
// `fileSize` bytes whose first bytes are `head`. Either gives the layout, or,
// when `head` is too short to tell, the number of leading bytes it needs
// (never more than fileSize). Throws on anything that is not a readable BMP,
// including dimensions past pictureSizeAllowed(), so that nothing is
// allocated for them.
struct ParseResult {
  std::optional<Layout> layout;
  std::uint64_t bytesNeeded = 0;
};
ParseResult parseLayout(std::span<const std::uint8_t> head, std::uint64_t fileSize);

}  // namespace vistel::bmp
