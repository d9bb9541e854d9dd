#include "pixel_runs.h"

#include <algorithm>
#include <cstring>

#include "picture.h"

namespace vistel {
namespace {

// Layout: "VPR1", width and height (32 bits each, little-endian), the format
// (8 bits), the palette's size (16 bits) and its colours (24 bits each),
// then the rows. A row is a sequence of runs that ends exactly at its last
// pixel: a 16-bit word n, then either one colour repeated (n & 0x7FFF) times
// (top bit set) or n colours one by one.
constexpr char kMagic[4] = {'V', 'P', 'R', '1'};
constexpr unsigned kRepeat = 0x8000;
constexpr int kMaxRun = 0x7FFF;
// A repeat pays off from three equal pixels on.
constexpr int kMinRepeat = 3;

void put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

void putRgb(std::vector<std::uint8_t>& out, Rgb c) {
  out.push_back(static_cast<std::uint8_t>(c >> 16));
  out.push_back(static_cast<std::uint8_t>(c >> 8));
  out.push_back(static_cast<std::uint8_t>(c));
}

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}
  const std::uint8_t* take(std::size_t n) {
    if (data_.size() - pos_ < n) throw PictureError("Pixel runs are cut short");
    const std::uint8_t* p = data_.data() + pos_;
    pos_ += n;
    return p;
  }
  unsigned u16() {
    const std::uint8_t* p = take(2);
    return p[0] | (p[1] << 8);
  }
  std::uint32_t u32() {
    const std::uint32_t low = u16();
    return low | (static_cast<std::uint32_t>(u16()) << 16);
  }
  static Rgb rgb(const std::uint8_t* p) {
    return (static_cast<Rgb>(p[0]) << 16) | (static_cast<Rgb>(p[1]) << 8) | p[2];
  }
  bool atEnd() const { return pos_ == data_.size(); }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
};

}  // namespace

std::vector<std::uint8_t> packPixelRuns(const Bitmap& bitmap) {
  std::vector<std::uint8_t> out(kMagic, kMagic + 4);
  put32(out, static_cast<std::uint32_t>(bitmap.width()));
  put32(out, static_cast<std::uint32_t>(bitmap.height()));
  out.push_back(static_cast<std::uint8_t>(bitmap.format()));
  put16(out, static_cast<unsigned>(bitmap.palette().size()));
  for (Rgb c : bitmap.palette()) putRgb(out, c);
  for (int y = 0; y < bitmap.height(); ++y) {
    const int w = bitmap.width();
    int x = 0;
    while (x < w) {
      // The equal pixels from x on, and the pixels before the next repeat.
      int same = 1;
      while (x + same < w && same < kMaxRun && bitmap.pixel(x + same, y) == bitmap.pixel(x, y))
        ++same;
      if (same >= kMinRepeat) {
        put16(out, kRepeat | static_cast<unsigned>(same));
        putRgb(out, bitmap.pixel(x, y));
        x += same;
        continue;
      }
      int n = 0;
      for (int run = 1; x + n < w && n < kMaxRun; ++n) {
        run = n > 0 && bitmap.pixel(x + n, y) == bitmap.pixel(x + n - 1, y) ? run + 1 : 1;
        if (run == kMinRepeat) {
          n -= kMinRepeat - 1;
          break;
        }
      }
      put16(out, static_cast<unsigned>(n));
      for (int i = 0; i < n; ++i) putRgb(out, bitmap.pixel(x + i, y));
      x += n;
    }
  }
  return out;
}

Bitmap unpackPixelRuns(std::span<const std::uint8_t> packed) {
  Reader in(packed);
  if (std::memcmp(in.take(4), kMagic, 4) != 0) throw PictureError("Not pixel runs");
  const std::uint32_t width = in.u32();
  const std::uint32_t height = in.u32();
  const auto format = static_cast<PixelFormat>(*in.take(1));
  if (!pictureSizeAllowed(width, height)) throw PictureError("Pixel runs too large");
  std::vector<Rgb> palette(in.u16());
  for (Rgb& c : palette) c = Reader::rgb(in.take(3));
  Bitmap bitmap(static_cast<int>(width), static_cast<int>(height), format);
  bitmap.setPalette(std::move(palette));
  for (int y = 0; y < bitmap.height(); ++y) {
    std::uint32_t* row = bitmap.scanLine(y);
    std::uint32_t* const end = row + bitmap.width();
    while (row < end) {
      const unsigned word = in.u16();
      const auto n = static_cast<std::ptrdiff_t>(word & ~kRepeat);
      if (n == 0 || n > end - row) throw PictureError("Pixel runs do not fit their row");
      if ((word & kRepeat) != 0) {
        row = std::fill_n(row, n, toPixel(Reader::rgb(in.take(3))));
      } else {
        const std::uint8_t* p = in.take(static_cast<std::size_t>(n) * 3);
        for (std::ptrdiff_t i = 0; i < n; ++i, p += 3) *row++ = toPixel(Reader::rgb(p));
      }
    }
  }
  if (!in.atEnd()) throw PictureError("Pixel runs go on past the picture");
  return bitmap;
}

}  // namespace vistel
