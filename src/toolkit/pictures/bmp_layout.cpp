#include "bmp_layout.h"

#include <bit>

#include "picture.h"

namespace vistel::bmp {
namespace {

constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;  // OS/2 1.x: 16-bit sizes, 3-byte colours
constexpr std::uint32_t kInfoHeaderSize = 40;  // and every later, larger header
constexpr std::uint32_t kHeaderSizeWithMasks = 52;

// Compression codes of the info header.
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;
constexpr std::uint32_t kBiAlphaBitFields = 6;  // as BI_BITFIELDS plus an alpha mask we ignore

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t i32(const std::uint8_t* p) { return static_cast<std::int32_t>(u32(p)); }

bool validBitCount(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

void failInvalid() { throw PictureError("Bitmap image is not valid"); }

ChannelMask channelMask(std::uint32_t mask) {
  if (mask == 0) return {};
  const int shift = std::countr_zero(mask);
  return {mask, shift, static_cast<int>(std::bit_width(mask >> shift))};
}

ParseResult parseLayout(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
  // Every byte the headers need must be in the file (else the file is not
  // valid) and in `head` (else the caller has to read more first).
  const auto have = [&](std::uint64_t n) {
    if (n > fileSize) failInvalid();
    return n <= head.size();
  };
  if (!have(kFileHeaderSize + 4)) return {std::nullopt, kFileHeaderSize + 4};
  const std::uint8_t* p = head.data();
  if (p[0] != 'B' || p[1] != 'M') failInvalid();
  const std::uint64_t pixelOffset = u32(p + 10);
  const std::uint32_t headerSize = u32(p + 14);
  const std::uint64_t infoEnd = kFileHeaderSize + headerSize;

  std::int64_t width = 0;
  std::int64_t height = 0;
  int planes = 0;
  int bitCount = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t coloursUsed = 0;
  if (headerSize == kCoreHeaderSize) {
    if (!have(infoEnd)) return {std::nullopt, infoEnd};
    width = u16(p + 18);
    height = u16(p + 20);
    planes = u16(p + 22);
    bitCount = u16(p + 24);
    // The core header knows neither compression nor 16/32-bit pixels.
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) failInvalid();
  } else if (headerSize >= kInfoHeaderSize) {
    if (!have(infoEnd)) return {std::nullopt, infoEnd};
    width = i32(p + 18);
    height = i32(p + 22);
    planes = u16(p + 26);
    bitCount = u16(p + 28);
    compression = u32(p + 30);
    coloursUsed = u32(p + 46);
  } else {
    failInvalid();
  }
  if (planes != 1 || !validBitCount(bitCount)) failInvalid();
  if (width <= 0 || height == 0) failInvalid();
  Layout l;
  l.topDown = height < 0;
  if (l.topDown) height = -height;  // 64-bit: INT32_MIN negates safely
  if (!pictureSizeAllowed(width, height)) failInvalid();
  l.width = static_cast<int>(width);
  l.height = static_cast<int>(height);
  l.bitCount = bitCount;

  int maskCount = 0;
  switch (compression) {
    case kBiRgb:
      l.compression = Compression::None;
      break;
    case kBiRle8:
      if (bitCount != 8) failInvalid();
      l.compression = Compression::Rle8;
      break;
    case kBiRle4:
      if (bitCount != 4) failInvalid();
      l.compression = Compression::Rle4;
      break;
    case kBiBitFields:
    case kBiAlphaBitFields:
      if (bitCount != 16 && bitCount != 32) failInvalid();
      l.compression = Compression::BitFields;
      maskCount = compression == kBiBitFields ? 3 : 4;
      break;
    default:  // embedded JPEG or PNG, Huffman, RLE24 and anything unknown
      failInvalid();
  }

  // Masks live inside headers that have room for them; a plain 40-byte
  // header is followed by them instead.
  std::uint64_t tableStart = infoEnd;
  if (l.compression == Compression::BitFields) {
    std::uint64_t maskAt = kFileHeaderSize + kInfoHeaderSize;
    if (headerSize < kHeaderSizeWithMasks) {
      maskAt = infoEnd;
      tableStart = infoEnd + 4 * static_cast<std::uint64_t>(maskCount);
      if (!have(tableStart)) return {std::nullopt, tableStart};
    }
    l.red = channelMask(u32(p + maskAt));
    l.green = channelMask(u32(p + maskAt + 4));
    l.blue = channelMask(u32(p + maskAt + 8));
  } else if (bitCount == 16) {
    l.red = channelMask(0x7C00);
    l.green = channelMask(0x03E0);
    l.blue = channelMask(0x001F);
  } else if (bitCount == 32) {
    l.red = channelMask(0x00FF0000);
    l.green = channelMask(0x0000FF00);
    l.blue = channelMask(0x000000FF);
  }

  if (bitCount <= 8) {
    const std::uint64_t maxColours = std::uint64_t{1} << bitCount;
    const std::uint64_t colours =
        headerSize == kCoreHeaderSize || coloursUsed == 0 ? maxColours : coloursUsed;
    if (colours > maxColours) failInvalid();
    const std::uint64_t entrySize = headerSize == kCoreHeaderSize ? 3 : 4;
    const std::uint64_t tableEnd = tableStart + colours * entrySize;
    if (!have(tableEnd)) return {std::nullopt, tableEnd};
    l.palette.resize(colours);
    for (std::uint64_t i = 0; i < colours; ++i) {
      const std::uint8_t* e = p + tableStart + i * entrySize;  // blue, green, red
      l.palette[i] = rgb(e[2], e[1], e[0]);
    }
  }

  // The pixels may not start inside the headers or past the end; a start at
  // the very end is pixel data cut short to nothing.
  if (pixelOffset < tableStart || pixelOffset > fileSize) failInvalid();
  l.pixelOffset = pixelOffset;
  l.stride = (static_cast<std::uint64_t>(l.width) * bitCount + 31) / 32 * 4;
  return {std::move(l), 0};
}

}  // namespace vistel::bmp
