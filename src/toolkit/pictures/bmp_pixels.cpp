#include "bmp_pixels.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vistel::bmp {

PixelDecoder::PixelDecoder(const Layout& layout)
    : width_(layout.width),
      height_(layout.height),
      topDown_(layout.topDown),
      bitCount_(layout.bitCount),
      compression_(layout.compression),
      stride_(layout.stride) {
  // Indexes past the colour table read as black, in plain and RLE pixels
  // alike.
  for (std::size_t i = 0; i < layout.palette.size() && i < colours_.size(); ++i)
    colours_[i] = toPixel(layout.palette[i]);
  for (std::size_t i = layout.palette.size(); i < colours_.size(); ++i) colours_[i] = kOpaque;
  fill_ = layout.palette.empty() ? toPixel(kBlack) : colours_[0];

  red_ = makeChannel(layout.red);
  green_ = makeChannel(layout.green);
  blue_ = makeChannel(layout.blue);
  plain32_ = bitCount_ == 32 && layout.red.mask == 0x00FF0000 && layout.green.mask == 0x0000FF00 &&
             layout.blue.mask == 0x000000FF;
}

PixelDecoder::Channel PixelDecoder::makeChannel(const ChannelMask& m) {
  Channel c;
  c.mask = m.mask;
  c.shift = m.shift;
  const int kept = std::min(m.bits, 8);
  c.drop = m.bits - kept;
  // A channel of fewer than 8 bits is stretched so that its largest value
  // is 255 (rounded to nearest); wider channels keep their top 8 bits.
  const unsigned top = (1u << kept) - 1;
  for (unsigned v = 0; v <= top && top > 0; ++v)
    c.scale[v] = static_cast<std::uint8_t>((v * 255 + top / 2) / top);
  return c;
}

std::uint32_t* PixelDecoder::rowFor(Bitmap& out, int storedRow) const {
  return out.scanLine(topDown_ ? storedRow : height_ - 1 - storedRow);
}

std::uint32_t PixelDecoder::fromMasks(std::uint32_t v) const {
  const auto take = [v](const Channel& c) -> std::uint32_t {
    return c.scale[((v & c.mask) >> c.shift) >> c.drop];
  };
  return kOpaque | (take(red_) << 16) | (take(green_) << 8) | take(blue_);
}

void PixelDecoder::convertRow(const std::uint8_t* src, int count, std::uint32_t* dst) const {
  const auto n = static_cast<std::size_t>(count);
  switch (bitCount_) {
    case 1: {
      const std::size_t whole = n / 8;
      for (std::size_t i = 0; i < whole; ++i) {
        const unsigned b = src[i];
        std::uint32_t* d = dst + 8 * i;
        for (unsigned k = 0; k < 8; ++k) d[k] = colours_[(b >> (7 - k)) & 1];
      }
      for (std::size_t x = whole * 8; x < n; ++x)
        dst[x] = colours_[(src[x / 8] >> (7 - x % 8)) & 1];
      break;
    }
    case 4: {
      const std::size_t whole = n / 2;
      for (std::size_t i = 0; i < whole; ++i) {
        dst[2 * i] = colours_[src[i] >> 4];
        dst[2 * i + 1] = colours_[src[i] & 0x0F];
      }
      if (n % 2 != 0) dst[n - 1] = colours_[src[whole] >> 4];
      break;
    }
    case 8:
      for (std::size_t x = 0; x < n; ++x) dst[x] = colours_[src[x]];
      break;
    case 16:
      for (std::size_t x = 0; x < n; ++x)
        dst[x] = fromMasks(src[2 * x] | (static_cast<std::uint32_t>(src[2 * x + 1]) << 8));
      break;
    case 24: {
      // Four-byte loads (blue, green, red and the next pixel's blue) for all
      // but the last pixel, which may end the data.
      std::size_t x = 0;
      if constexpr (std::endian::native == std::endian::little) {
        for (; x + 1 < n; ++x) {
          std::uint32_t v;
          std::memcpy(&v, src + 3 * x, 4);
          dst[x] = v | kOpaque;
        }
      }
      for (; x < n; ++x) {
        const std::uint8_t* s = src + 3 * x;
        dst[x] = kOpaque | (static_cast<std::uint32_t>(s[2]) << 16) |
                 (static_cast<std::uint32_t>(s[1]) << 8) | s[0];
      }
      break;
    }
    case 32:
      if (plain32_) {
        for (std::size_t x = 0; x < n; ++x) {
          const std::uint8_t* s = src + 4 * x;
          dst[x] = kOpaque | (static_cast<std::uint32_t>(s[2]) << 16) |
                   (static_cast<std::uint32_t>(s[1]) << 8) | s[0];
        }
      } else {
        for (std::size_t x = 0; x < n; ++x) {
          const std::uint8_t* s = src + 4 * x;
          dst[x] = fromMasks(s[0] | (static_cast<std::uint32_t>(s[1]) << 8) |
                             (static_cast<std::uint32_t>(s[2]) << 16) |
                             (static_cast<std::uint32_t>(s[3]) << 24));
        }
      }
      break;
    default:
      break;  // the layout admits no other bit count
  }
}

void PixelDecoder::convertRows(std::span<const std::uint8_t> data, int firstRow, int rowCount,
                               Bitmap& out) const {
  for (int i = 0; i < rowCount; ++i) {
    const std::uint64_t at = static_cast<std::uint64_t>(i) * stride_;
    const std::span<const std::uint8_t> row =
        at < data.size() ? data.subspan(at, std::min<std::uint64_t>(data.size() - at, stride_))
                         : std::span<const std::uint8_t>();
    convertRow(row, rowFor(out, firstRow + i));
  }
}

void PixelDecoder::convertRow(std::span<const std::uint8_t> bytes, std::uint32_t* dst) const {
  // Whole pixels present (the bit count divides 8 or is a multiple of it).
  const std::uint64_t present =
      std::min<std::uint64_t>(bytes.size(), stride_) * 8 / static_cast<std::uint64_t>(bitCount_);
  const int count = static_cast<int>(std::min<std::uint64_t>(present, width_));
  if (count > 0) convertRow(bytes.data(), count, dst);
  std::fill(dst + count, dst + width_, fill_);
}

void PixelDecoder::decodeRle(std::span<const std::uint8_t> data, Bitmap& out) const {
  // Pixels the stream never reaches (skipped by a delta or an early end of
  // line, or after an early end) keep palette entry 0.
  out.fill(fill_ & kRgbMask);
  RleCursor at;
  decodeRle(data, at, true, [&out](int row) { return out.scanLine(row); });
}

std::size_t PixelDecoder::decodeRle(std::span<const std::uint8_t> data, RleCursor& at, bool last,
                                    const std::function<std::uint32_t*(int)>& rowAt) const {
  const bool rle4 = compression_ == Compression::Rle4;
  const std::uint8_t* d = data.data();
  const std::size_t n = data.size();
  std::size_t i = 0;
  std::int64_t rowY = -1;
  std::uint32_t* row = nullptr;
  // Runs are clipped: pixels past the end of a row are dropped (they do not
  // wrap to the next row), and the stream ends once it moves past the last
  // row. x and y are 64-bit so no run of deltas can overflow them.
  for (;;) {
    if (at.y >= height_) at.ended = true;
    if (at.ended || i + 1 >= n) break;
    const unsigned first = d[i];
    const unsigned second = d[i + 1];
    // An absolute run of `second` pixels is padded to a 16-bit boundary.
    const std::size_t runBytes = rle4 ? (second + 1) / 2 : second;
    std::size_t size = 2;
    if (first == 0 && second == 2) size = 4;
    if (first == 0 && second > 2) size = 2 + runBytes + (runBytes & 1);
    if (!last && size > n - i) break;  // the rest comes with the next block
    i += 2;
    if (at.y != rowY) {
      rowY = at.y;
      row = rowAt(static_cast<int>(topDown_ ? at.y : height_ - 1 - at.y));
    }
    if (first != 0) {  // encoded run: `first` pixels of one (RLE4: two alternating) colours
      const std::int64_t end = std::min<std::int64_t>(at.x + first, width_);
      if (row != nullptr && rle4) {
        const std::uint32_t pair[2] = {colours_[second >> 4], colours_[second & 0x0F]};
        for (std::int64_t k = at.x; k < end; ++k) row[k] = pair[(k - at.x) & 1];
      } else if (row != nullptr) {
        std::fill(row + std::min<std::int64_t>(at.x, end), row + end, colours_[second]);
      }
      at.x += first;
      continue;
    }
    switch (second) {
      case 0:  // end of line
        at.x = 0;
        ++at.y;
        break;
      case 1:  // end of bitmap
        at.ended = true;
        break;
      case 2:  // delta: move right and up
        if (i + 1 >= n) {
          at.ended = true;
          break;
        }
        at.x += d[i];
        at.y += d[i + 1];
        i += 2;
        break;
      default: {  // absolute run
        const std::size_t count = second;
        const std::size_t present = std::min(runBytes, n - i);
        const std::size_t pixels = rle4 ? std::min(count, present * 2) : present;
        const std::uint8_t* s = d + i;
        for (std::size_t k = 0; k < pixels && row != nullptr; ++k) {
          const std::int64_t x = at.x + static_cast<std::int64_t>(k);
          if (x >= width_) break;
          const unsigned index = rle4 ? (k % 2 == 0 ? s[k / 2] >> 4 : s[k / 2] & 0x0F) : s[k];
          row[x] = colours_[index];
        }
        at.x += static_cast<std::int64_t>(count);
        i += runBytes + (runBytes & 1);
        break;
      }
    }
  }
  if (last) at.ended = true;
  return std::min(i, n);
}

}  // namespace vistel::bmp
