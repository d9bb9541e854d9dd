#include "pictures/bmp_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "pictures/picture.h"

namespace vistel {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

// Stored rows, each padded to a multiple of 4 bytes as in a BMP file.
Bytes rows(std::initializer_list<Bytes> list) {
  Bytes out;
  for (const Bytes& r : list) {
    out.insert(out.end(), r.begin(), r.end());
    out.resize((out.size() + 3) / 4 * 4);
  }
  return out;
}

// A BMP file built field by field, so each test states only what it varies.
struct Bmp {
  std::uint32_t headerSize = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t planes = 1;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t coloursUsed = 0;
  std::vector<Rgb> palette;
  std::vector<std::uint32_t> masks;  // after a 40-byte header, inside a larger one
  Bytes pixels;
  std::optional<std::uint32_t> pixelOffset;

  Bytes bytes() const {
    Bytes b = {'B', 'M'};
    put32(b, 0);  // file size, patched below
    put32(b, 0);
    put32(b, 0);  // pixel offset, patched below
    put32(b, headerSize);
    if (headerSize == 12) {
      put16(b, static_cast<std::uint32_t>(width));
      put16(b, static_cast<std::uint32_t>(height));
      put16(b, planes);
      put16(b, bitCount);
    } else {
      put32(b, static_cast<std::uint32_t>(width));
      put32(b, static_cast<std::uint32_t>(height));
      put16(b, planes);
      put16(b, bitCount);
      put32(b, compression);
      put32(b, static_cast<std::uint32_t>(pixels.size()));
      put32(b, 2835);
      put32(b, 2835);
      put32(b, coloursUsed);
      put32(b, 0);
      if (headerSize >= 52)
        for (std::uint32_t m : masks) put32(b, m);
      b.resize(14 + headerSize);
      if (headerSize == 40)
        for (std::uint32_t m : masks) put32(b, m);
    }
    for (Rgb c : palette) {
      b.push_back(static_cast<std::uint8_t>(c));
      b.push_back(static_cast<std::uint8_t>(c >> 8));
      b.push_back(static_cast<std::uint8_t>(c >> 16));
      if (headerSize != 12) b.push_back(0);
    }
    const auto offset = pixelOffset.value_or(static_cast<std::uint32_t>(b.size()));
    b.insert(b.end(), pixels.begin(), pixels.end());
    const auto size = static_cast<std::uint32_t>(b.size());
    for (int i = 0; i < 4; ++i) {
      b[2 + i] = static_cast<std::uint8_t>(size >> (8 * i));
      b[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
    }
    return b;
  }
};

Bitmap read(const Bytes& b) { return readBmp(std::span(b.data(), b.size())); }

void expectInvalid(const Bytes& b, const std::string& what) {
  try {
    read(b);
    ADD_FAILURE() << what << ": loaded";
  } catch (const PictureError& e) {
    EXPECT_STREQ(e.what(), "Bitmap image is not valid") << what;
  }
}

constexpr Rgb kRed = 0xFF0000;
constexpr Rgb kGreen = 0x00FF00;
constexpr Rgb kGrey = 0x808080;

// Bottom row first in the file: the last bitmap row comes first.
TEST(BmpReader, TwentyFourBitsBottomUpWithRowPadding) {
  Bmp f;
  f.width = 3;
  f.height = 2;
  f.pixels = rows({{0x01, 0x02, 0x03, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF},
                   {0x00, 0xFF, 0x00, 0x10, 0x20, 0x30, 0xFF, 0xFF, 0xFF}});
  const Bitmap b = read(f.bytes());
  ASSERT_EQ(b.width(), 3);
  ASSERT_EQ(b.height(), 2);
  EXPECT_EQ(b.format(), PixelFormat::Rgb24);
  EXPECT_TRUE(b.palette().empty());
  EXPECT_EQ(b.pixel(0, 1), 0x030201u);
  EXPECT_EQ(b.pixel(1, 1), kBlue);
  EXPECT_EQ(b.pixel(2, 1), kRed);
  EXPECT_EQ(b.pixel(0, 0), kGreen);
  EXPECT_EQ(b.pixel(1, 0), 0x302010u);
  EXPECT_EQ(b.pixel(2, 0), kWhite);
  EXPECT_EQ(b.scanLine(0)[0] & kOpaque, kOpaque);  // stored opaque
  EXPECT_EQ(b.transparentColor(), 0x030201u);      // bottom-left pixel
}

TEST(BmpReader, NegativeHeightStoresRowsTopDown) {
  Bmp f;
  f.width = 1;
  f.height = -3;
  f.pixels = rows({{0, 0, 0xFF}, {0, 0xFF, 0}, {0xFF, 0, 0}});
  const Bitmap b = read(f.bytes());
  ASSERT_EQ(b.height(), 3);
  EXPECT_EQ(b.pixel(0, 0), kRed);
  EXPECT_EQ(b.pixel(0, 1), kGreen);
  EXPECT_EQ(b.pixel(0, 2), kBlue);
  EXPECT_EQ(b.transparentColor(), kBlue);
}

TEST(BmpReader, OneBitIsMonochromeWithItsColourTableAndWhiteKey) {
  Bmp f;
  f.bitCount = 1;
  f.width = 11;  // crosses a byte boundary
  f.height = 2;
  f.palette = {kBlack, kWhite};
  f.pixels = rows({{0b10110000, 0b01100000}, {0b00000001, 0b11100000}});
  const Bitmap b = read(f.bytes());
  EXPECT_EQ(b.format(), PixelFormat::Mono1);
  EXPECT_EQ(b.palette(), (std::vector<Rgb>{kBlack, kWhite}));
  const char* bottom = "10110000011";
  const char* top = "00000001111";
  for (int x = 0; x < 11; ++x) {
    EXPECT_EQ(b.pixel(x, 1), bottom[x] == '1' ? kWhite : kBlack) << x;
    EXPECT_EQ(b.pixel(x, 0), top[x] == '1' ? kWhite : kBlack) << x;
  }
  EXPECT_EQ(b.pixel(0, 1), kWhite);
  EXPECT_EQ(b.transparentColor(), kWhite);  // whatever the bottom-left pixel is

  f.pixels = rows({{0x00, 0x00}, {0x00, 0x00}});
  EXPECT_EQ(read(f.bytes()).transparentColor(), kWhite);  // all black, still white
}

TEST(BmpReader, FourAndEightBitsLookUpTheColourTable) {
  Bmp f;
  f.bitCount = 4;
  f.width = 3;  // odd: the last byte holds one pixel
  f.coloursUsed = 3;
  f.palette = {kGrey, kRed, kGreen};
  f.pixels = rows({{0x12, 0x00}});
  Bitmap b = read(f.bytes());
  EXPECT_EQ(b.format(), PixelFormat::Pal4);
  EXPECT_EQ(b.palette().size(), 3u);
  EXPECT_EQ(b.pixel(0, 0), kRed);
  EXPECT_EQ(b.pixel(1, 0), kGreen);
  EXPECT_EQ(b.pixel(2, 0), kGrey);
  EXPECT_EQ(b.transparentColor(), kRed);

  f.bitCount = 8;
  f.coloursUsed = 0;  // 0 means the full 256 entries
  f.palette.assign(256, kBlack);
  f.palette[7] = kRed;
  f.palette[200] = kBlue;
  f.pixels = rows({{200, 7, 0}});
  b = read(f.bytes());
  EXPECT_EQ(b.format(), PixelFormat::Pal8);
  EXPECT_EQ(b.palette().size(), 256u);
  EXPECT_EQ(b.pixel(0, 0), kBlue);
  EXPECT_EQ(b.pixel(1, 0), kRed);
  EXPECT_EQ(b.pixel(2, 0), kBlack);
}

TEST(BmpReader, IndexesPastAShortColourTableReadAsBlack) {
  Bmp f;
  f.bitCount = 8;
  f.width = 3;
  f.coloursUsed = 2;
  f.palette = {kWhite, kRed};
  f.pixels = rows({{1, 2, 255}});
  const Bitmap b = read(f.bytes());
  EXPECT_EQ(b.pixel(0, 0), kRed);
  EXPECT_EQ(b.pixel(1, 0), kBlack);
  EXPECT_EQ(b.pixel(2, 0), kBlack);
}

TEST(BmpReader, SixteenBitsDefaultToFiveFiveFive) {
  Bmp f;
  f.bitCount = 16;
  f.width = 3;
  // x1111100 00000000 is full red; 0x03E0 full green; 0x0001 the smallest blue.
  f.pixels = rows({{0x00, 0x7C, 0xE0, 0x03, 0x01, 0x80}});
  const Bitmap b = read(f.bytes());
  EXPECT_EQ(b.format(), PixelFormat::Rgb16);
  EXPECT_EQ(b.pixel(0, 0), kRed);
  EXPECT_EQ(b.pixel(1, 0), kGreen);
  EXPECT_EQ(b.pixel(2, 0), 0x000008u);  // 1/31 of full scale; the top bit is unused
}

TEST(BmpReader, ThirtyTwoBitsDefaultIgnoresTheFourthByte) {
  Bmp f;
  f.bitCount = 32;
  f.width = 2;
  f.pixels = {0x33, 0x22, 0x11, 0x00, 0x01, 0x02, 0x03, 0xAB};
  const Bitmap b = read(f.bytes());
  EXPECT_EQ(b.format(), PixelFormat::Rgb32);
  EXPECT_EQ(b.pixel(0, 0), 0x112233u);
  EXPECT_EQ(b.pixel(1, 0), 0x030201u);
}

TEST(BmpReader, BitFieldsAfterAPlainHeaderScaleEveryWidthToEightBits) {
  Bmp f;
  f.bitCount = 16;
  f.compression = 3;
  f.width = 3;
  f.masks = {0xF800, 0x07E0, 0x001F};  // 5-6-5
  f.pixels = rows({{0xFF, 0xFF, 0x20, 0x00, 0x01, 0x08}});
  Bitmap b = read(f.bytes());
  EXPECT_EQ(b.pixel(0, 0), kWhite);
  EXPECT_EQ(b.pixel(1, 0), 0x000400u);  // green 1/63
  EXPECT_EQ(b.pixel(2, 0), 0x080008u);  // 0x0801: red 1/31 and blue 1/31

  // 32 bits with 10-bit channels keep the top 8 bits; a 2-bit channel stretches.
  f.bitCount = 32;
  f.width = 1;
  f.masks = {0x3FF00000, 0x000FFC00, 0x00000003};
  const std::uint32_t v = (0x3FCu << 20) | (0x155u << 10) | 0x2u;
  f.pixels = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
              static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  b = read(f.bytes());
  EXPECT_EQ(b.pixel(0, 0), rgb(0xFF, 0x55, 0xAA));
  EXPECT_EQ(b.format(), PixelFormat::Rgb32);

  // A zero mask gives a channel of zero.
  f.masks = {0, 0xFF00, 0xFF};
  f.pixels = {0x11, 0x22, 0x33, 0x44};
  EXPECT_EQ(read(f.bytes()).pixel(0, 0), 0x002211u);
}

TEST(BmpReader, LaterHeadersCarryMasksInsideAndIgnoreThemWithoutBitFields) {
  for (std::uint32_t headerSize : {52u, 56u, 108u, 124u}) {
    SCOPED_TRACE(headerSize);
    Bmp f;
    f.headerSize = headerSize;
    f.bitCount = 32;
    f.compression = 3;
    f.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};  // red in the low byte
    f.pixels = {0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(read(f.bytes()).pixel(0, 0), 0x112233u);

    f.compression = 0;  // masks present but not in force
    EXPECT_EQ(read(f.bytes()).pixel(0, 0), 0x332211u);
  }
  // Alpha bit-fields after a plain header: four masks follow it.
  Bmp f;
  f.bitCount = 16;
  f.compression = 6;
  f.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
  f.pixels = rows({{0x0F, 0xFF}});
  EXPECT_EQ(read(f.bytes()).pixel(0, 0), rgb(0xFF, 0x00, 0xFF));
}

TEST(BmpReader, CoreHeaderHasSixteenBitSizesAndThreeByteColours) {
  Bmp f;
  f.headerSize = 12;
  f.bitCount = 8;
  f.width = 2;
  f.height = 2;
  f.palette.assign(256, kBlack);
  f.palette[1] = kRed;
  f.palette[2] = 0x123456;
  f.pixels = rows({{1, 2}, {2, 1}});
  Bitmap b = read(f.bytes());
  EXPECT_EQ(b.format(), PixelFormat::Pal8);
  EXPECT_EQ(b.palette()[2], 0x123456u);
  EXPECT_EQ(b.pixel(0, 1), kRed);
  EXPECT_EQ(b.pixel(1, 1), 0x123456u);
  EXPECT_EQ(b.pixel(0, 0), 0x123456u);

  Bmp g;
  g.headerSize = 12;
  g.width = 40000;  // above 32767: the core header's sizes are unsigned
  g.height = 1;
  g.pixels.assign(120000, 0x40);
  b = read(g.bytes());
  EXPECT_EQ(b.width(), 40000);
  EXPECT_EQ(b.pixel(39999, 0), 0x404040u);
}

// RLE8 stream exercising every escape on a 6 by 3 picture.
Bytes rle8Stream() {
  return {
      3, 1,              // row 0: three pixels of colour 1
      0, 3, 2, 3, 2, 0,  // absolute run of three, padded to even
      0, 0,              // end of line
      0, 2, 4, 1,        // delta: right 4, up 1 -> (4, 2)
      5, 3,              // run of five from x 4: clipped to the row
      0, 1,              // end of bitmap
      9, 9,              // never read
  };
}

TEST(BmpReader, Rle8HandlesEveryEscapeAndClipsRuns) {
  Bmp f;
  f.bitCount = 8;
  f.compression = 1;
  f.width = 6;
  f.height = 3;
  f.coloursUsed = 4;
  f.palette = {kGrey, kRed, kGreen, kBlue};
  f.pixels = rle8Stream();
  const Bitmap b = read(f.bytes());
  EXPECT_EQ(b.format(), PixelFormat::Pal8);
  const Rgb expected[3][6] = {
      // bitmap row 0 is stored row 2
      {kGrey, kGrey, kGrey, kGrey, kBlue, kBlue},
      {kGrey, kGrey, kGrey, kGrey, kGrey, kGrey},  // skipped by end of line and delta
      {kRed, kRed, kRed, kGreen, kBlue, kGreen},
  };
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(b.pixel(x, y), expected[y][x]) << x << "," << y;
}

TEST(BmpReader, Rle4AlternatesNibblesAndPadsAbsoluteRuns) {
  Bmp f;
  f.bitCount = 4;
  f.compression = 2;
  f.width = 7;
  f.height = 2;
  f.coloursUsed = 4;
  f.palette = {kGrey, kRed, kGreen, kBlue};
  f.pixels = {
      5, 0x12,                       // red green red green red
      0, 0,                          // end of line
      0, 3,    0x31, 0x20,           // absolute three: blue red green, two bytes need no pad
      0, 5,    0x12, 0x31, 0x20, 0,  // absolute five: red green blue red green, 3 bytes + pad
      0, 1,
  };
  const Bitmap b = read(f.bytes());
  EXPECT_EQ(b.format(), PixelFormat::Pal4);
  const Rgb bottom[7] = {kRed, kGreen, kRed, kGreen, kRed, kGrey, kGrey};
  // Second row: 3 + 5 pixels; the eighth falls past the row and is dropped.
  const Rgb top[7] = {kBlue, kRed, kGreen, kRed, kGreen, kBlue, kRed};
  for (int x = 0; x < 7; ++x) {
    EXPECT_EQ(b.pixel(x, 1), bottom[x]) << x;
    EXPECT_EQ(b.pixel(x, 0), top[x]) << x;
  }
}

TEST(BmpReader, RleEndsCleanlyAtTheImageEdgeAndOnShortStreams) {
  Bmp f;
  f.bitCount = 8;
  f.compression = 1;
  f.width = 2;
  f.height = 2;
  f.coloursUsed = 2;
  f.palette = {kGrey, kRed};
  // A delta far above the image, then runs that must not land anywhere.
  f.pixels = {0, 2, 0, 200, 2, 1, 0, 0, 2, 1};
  Bitmap b = read(f.bytes());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(b.pixel(x, y), kGrey);

  // A stream cut inside an absolute run keeps the pixels it has.
  f.pixels = {0, 4, 1};
  b = read(f.bytes());
  EXPECT_EQ(b.pixel(0, 1), kRed);
  EXPECT_EQ(b.pixel(1, 1), kGrey);

  // Runs of line ends past the last row, and a delta far to the right.
  f.pixels = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
  EXPECT_EQ(read(f.bytes()).pixel(0, 0), kGrey);
  f.pixels = {0, 2, 255, 0, 2, 1, 0, 0, 1, 1};
  b = read(f.bytes());
  EXPECT_EQ(b.pixel(0, 1), kGrey);
  EXPECT_EQ(b.pixel(0, 0), kRed);
}

TEST(BmpReader, TruncatedPixelsLoadWhatIsThereAndFillTheRest) {
  Bmp f;
  f.bitCount = 8;
  f.width = 5;
  f.height = 3;
  f.coloursUsed = 3;
  f.palette = {kGrey, kRed, kGreen};
  // Full bottom row, then three pixels of the middle row.
  f.pixels = {1, 1, 1, 1, 1, 0, 0, 0, 2, 2, 2};
  Bitmap b = read(f.bytes());
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(b.pixel(x, 2), kRed);
    EXPECT_EQ(b.pixel(x, 1), x < 3 ? kGreen : kGrey) << x;
    EXPECT_EQ(b.pixel(x, 0), kGrey) << x;
  }

  // 24 bits cut inside a pixel: that pixel and the rest are black.
  Bmp g;
  g.width = 2;
  g.height = 2;
  g.pixels = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  b = read(g.bytes());
  EXPECT_EQ(b.pixel(0, 1), kWhite);
  EXPECT_EQ(b.pixel(1, 1), kBlack);
  EXPECT_EQ(b.pixel(0, 0), kBlack);

  // No pixel data at all: the offset is the end of the file.
  g.pixels.clear();
  b = read(g.bytes());
  EXPECT_EQ(b.width(), 2);
  EXPECT_EQ(b.pixel(1, 0), kBlack);

  // Top-down files are cut at the bottom.
  g.height = -2;
  g.pixels = {0xFF, 0xFF, 0xFF};
  b = read(g.bytes());
  EXPECT_EQ(b.pixel(0, 0), kWhite);
  EXPECT_EQ(b.pixel(0, 1), kBlack);
}

TEST(BmpReader, ZeroBytesAreAnEmptyBitmap) {
  const Bitmap b = readBmp({});
  EXPECT_TRUE(b.isEmpty());
  EXPECT_EQ(b.width(), 0);
  EXPECT_EQ(b.height(), 0);
}

TEST(BmpReader, PixelOffsetIsHonoured) {
  Bmp f;
  f.pixels = {0xEE, 0xEE, 0xEE, 0, 0x01, 0x02, 0x03, 0};
  f.pixelOffset = 14 + 40 + 4;  // skips four bytes of gap
  EXPECT_EQ(read(f.bytes()).pixel(0, 0), 0x030201u);
}

// Each hostile header variation, built from a valid file.
TEST(BmpReader, HostileHeadersFailCleanly) {
  const auto with = [](auto change) {
    Bmp f;
    f.width = 2;
    f.height = 2;
    f.pixels = rows({{1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}});
    change(f);
    return f.bytes();
  };
  const auto patched = [](Bytes b, std::size_t at, std::uint32_t v, int size) {
    for (int i = 0; i < size; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    return b;
  };
  const Bytes good = with([](Bmp&) {});
  ASSERT_NO_THROW(read(good));

  expectInvalid(Bytes{'B'}, "one byte");
  expectInvalid(Bytes(good.begin(), good.begin() + 17), "file header only");
  expectInvalid(Bytes(good.begin(), good.begin() + 40), "info header cut");
  expectInvalid(patched(good, 0, 'M', 1), "signature");
  expectInvalid(with([](Bmp& f) { f.planes = 0; }), "no planes");
  expectInvalid(with([](Bmp& f) { f.planes = 2; }), "two planes");
  expectInvalid(with([](Bmp& f) { f.width = 0; }), "zero width");
  expectInvalid(with([](Bmp& f) { f.width = -2; }), "negative width");
  expectInvalid(with([](Bmp& f) { f.height = 0; }), "zero height");
  expectInvalid(with([](Bmp& f) { f.height = INT32_MIN; }), "most negative height");
  expectInvalid(with([](Bmp& f) { f.width = kMaxPictureSide + 1; }), "too wide");
  expectInvalid(with([](Bmp& f) { f.width = f.height = 1 << 15; }), "too many pixels");
  expectInvalid(with([](Bmp& f) { f.width = f.height = INT32_MAX; }), "overflowing product");
  expectInvalid(with([](Bmp& f) { f.headerSize = 16; }), "OS/2 2.x short header");
  expectInvalid(with([](Bmp& f) { f.headerSize = 39; }), "header below 40");
  expectInvalid(patched(good, 14, 0xFFFFFFF0u, 4), "header longer than the file");
  for (int bits : {0, 2, 3, 7, 12, 15, 31, 48, 64})
    expectInvalid(with([&](Bmp& f) { f.bitCount = static_cast<std::uint16_t>(bits); }),
                  "bit count " + std::to_string(bits));
  for (std::uint32_t c : {4u, 5u, 7u, 0xFFFFFFFFu})
    expectInvalid(with([&](Bmp& f) { f.compression = c; }), "compression " + std::to_string(c));
  expectInvalid(with([](Bmp& f) { f.compression = 1; }), "RLE8 with 24 bits");
  expectInvalid(with([](Bmp& f) {
                  f.compression = 2;
                  f.bitCount = 8;
                  f.palette.assign(256, kBlack);
                }),
                "RLE4 with 8 bits");
  expectInvalid(with([](Bmp& f) { f.compression = 3; }), "bit-fields with 24 bits");
  expectInvalid(with([](Bmp& f) {
                  f.compression = 3;
                  f.bitCount = 16;
                  f.pixels.clear();
                  f.masks = {0x7C00};
                }),
                "bit-field masks cut short");
  expectInvalid(with([](Bmp& f) {
                  f.headerSize = 12;
                  f.bitCount = 16;
                }),
                "16 bits in a core header");
  expectInvalid(with([](Bmp& f) {
                  f.bitCount = 8;
                  f.coloursUsed = 257;
                  f.palette.assign(257, kBlack);
                }),
                "colour table larger than the bit count allows");
  expectInvalid(with([](Bmp& f) {
                  f.bitCount = 8;
                  f.coloursUsed = 0x40000000;
                  f.palette.assign(4, kBlack);
                }),
                "colour table longer than the file");
  expectInvalid(with([](Bmp& f) {
                  f.bitCount = 8;
                  f.palette.assign(100, kBlack);  // 0 colours used means 256
                  f.pixels.clear();
                }),
                "implied colour table cut short");
  expectInvalid(with([](Bmp& f) { f.pixelOffset = 1000; }), "pixel offset past the end");
  expectInvalid(with([](Bmp& f) { f.pixelOffset = 20; }), "pixel offset inside the headers");
}

// --- files ---------------------------------------------------------------

class TempDir {
 public:
  TempDir() {
    path_ =
        std::filesystem::temp_directory_path() /
        ("vistel_bmp_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string write(const std::string& name, const Bytes& b) const {
    std::string p = (path_ / name).string();
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return p;
  }
  std::string path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

bool samePixels(const Bitmap& a, const Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height() || a.format() != b.format() ||
      a.palette() != b.palette())
    return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.scanLine(y)[x] != b.scanLine(y)[x]) return false;
  return true;
}

// A picture several read blocks tall, with a pattern that tells rows apart.
Bmp largeFile(int width, int height, int bitCount) {
  Bmp f;
  f.width = width;
  f.height = height;
  f.bitCount = static_cast<std::uint16_t>(bitCount);
  if (bitCount <= 8) {
    for (int i = 0; i < (1 << bitCount); ++i) f.palette.push_back(static_cast<Rgb>(i * 0x010203));
  }
  const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
  f.pixels.resize(stride * height);
  for (std::size_t i = 0; i < f.pixels.size(); ++i)
    f.pixels[i] = static_cast<std::uint8_t>(i * 7 + i / stride);
  return f;
}

// An RLE stream of several read blocks whose commands of every size meet
// the blocks' edges: absolute runs of odd and even lengths, encoded runs,
// deltas, ends of line; rows the deltas skip.
Bmp largeRle(int bitCount) {
  Bmp f = largeFile(300, 900, bitCount);
  f.compression = bitCount == 8 ? 1 : 2;
  f.pixels.clear();
  auto add = [&f](std::initializer_list<int> b) {
    for (int v : b) f.pixels.push_back(static_cast<std::uint8_t>(v));
  };
  for (int y = 0, n = 3; y < f.height; ++y) {
    for (int x = 0; x < 260; x += n, n = n % 250 + 7) {
      add({0, n});
      const int bytes = bitCount == 8 ? n : (n + 1) / 2;
      for (int k = 0; k < bytes + (bytes & 1); ++k) add({k * 13 + y});
    }
    add({5, y});
    if (y % 50 == 0) add({0, 2, 3, 1});
    add({0, 0});
  }
  add({0, 1});
  return f;
}

TEST(BmpReaderFile, ReadsTheSamePixelsAsFromMemoryAcrossBlocks) {
  TempDir dir;
  for (const Bmp& f : {largeFile(700, 900, 24), largeFile(333, 700, 4), largeFile(5000, 3, 32),
                       largeRle(8), largeRle(4)}) {
    const Bytes whole = f.bytes();
    SCOPED_TRACE(whole.size());
    const std::string p = dir.write("a.bmp", whole);
    EXPECT_TRUE(samePixels(readBmpFile(p), read(whole)));
    // Cut inside a later block, mid-row.
    const Bytes cut(whole.begin(),
                    whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 2 / 3));
    const std::string q = dir.write("cut.bmp", cut);
    const Bitmap fromFile = readBmpFile(q);
    EXPECT_TRUE(samePixels(fromFile, read(cut)));
    EXPECT_EQ(fromFile.scanLine(0)[0] & kRgbMask, f.bitCount <= 8 ? f.palette[0] : kBlack);
  }
  Bmp rle;
  rle.bitCount = 8;
  rle.compression = 1;
  rle.width = 6;
  rle.height = 3;
  rle.coloursUsed = 4;
  rle.palette = {kGrey, kRed, kGreen, kBlue};
  rle.pixels = rle8Stream();
  EXPECT_TRUE(samePixels(readBmpFile(dir.write("rle.bmp", rle.bytes())), read(rle.bytes())));
}

TEST(BmpReaderFile, LongHeadersAreReadInFull) {
  TempDir dir;
  Bmp f;
  f.headerSize = 9000;  // past the first read of the header
  f.bitCount = 8;
  f.palette.assign(256, kBlack);
  f.palette[5] = kRed;
  f.pixels = rows({{5}});
  EXPECT_EQ(readBmpFile(dir.write("long.bmp", f.bytes())).pixel(0, 0), kRed);
  const Bytes b = f.bytes();
  expectInvalid(Bytes(b.begin(), b.begin() + 8000), "long header cut");
  EXPECT_THROW(readBmpFile(dir.write("cut.bmp", Bytes(b.begin(), b.begin() + 8000))), PictureError);
}

std::size_t openDescriptors() {
  const std::filesystem::directory_iterator fds("/proc/self/fd");
  return static_cast<std::size_t>(std::distance(begin(fds), end(fds)));
}

TEST(BmpReaderFile, EmptyMissingAndUnreadableFiles) {
  TempDir dir;
  const std::size_t before = openDescriptors();
  const Bitmap empty = readBmpFile(dir.write("empty.bmp", {}));
  EXPECT_TRUE(empty.isEmpty());
  EXPECT_EQ(empty.width(), 0);
  for (const std::string& p : {dir.path("missing.bmp"), dir.path("")}) {
    try {
      readBmpFile(p);
      ADD_FAILURE() << p;
    } catch (const PictureError& e) {
      EXPECT_STREQ(e.what(), "Bitmap image is not valid");
    }
  }
  EXPECT_THROW(readBmpFile("/dev/null"), PictureError);  // not a regular file
  // A named pipe is refused, not waited on for a writer.
  ASSERT_EQ(mkfifo(dir.path("pipe.bmp").c_str(), 0600), 0);
  EXPECT_THROW(readBmpFile(dir.path("pipe.bmp")), PictureError);
  // A file refused at its headers is closed again, as are all the above.
  Bytes cut = Bmp{}.bytes();
  cut.resize(30);
  EXPECT_THROW(readBmpFile(dir.write("short.bmp", cut)), PictureError);
  EXPECT_EQ(openDescriptors(), before);
}

// --- known-bad files and truncations --------------------------------------

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& dir, const char* ext) {
  std::vector<std::filesystem::path> out;
  if (!std::filesystem::is_directory(dir)) return out;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().extension() == ext) out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

Bytes slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(BmpReaderHostile, EveryKnownBadFileFailsCleanly) {
  const auto files = filesIn(std::filesystem::path(VISTEL_TEST_DATA) / "bad" / "bmp", ".bmp");
  ASSERT_GE(files.size(), 12u);
  for (const auto& p : files) {
    SCOPED_TRACE(p.filename().string());
    EXPECT_THROW(readBmpFile(p.string()), PictureError);
    const Bytes b = slurp(p);
    ASSERT_FALSE(b.empty());
    expectInvalid(b, p.filename().string());
  }
}

// Plain (P3) PPM as ImageMagick writes it: the reference reading of a fixture.
Bitmap readPlainPpm(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::string magic;
  int w = 0, h = 0, max = 0;
  in >> magic >> w >> h >> max;
  if (magic != "P3" || max != 255 || w <= 0 || h <= 0) return Bitmap();
  Bitmap b(w, h, PixelFormat::Rgb24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int r = 0, g = 0, bl = 0;
      in >> r >> g >> bl;
      b.setPixel(x, y, rgb(r, g, bl));
    }
  return in ? std::move(b) : Bitmap();
}

// Files written by ImageMagick in each form it writes, read as ImageMagick
// reads them. 16-bit channels may round differently by one (of 255).
TEST(BmpReaderFixtures, MatchImageMagicksReading) {
  const struct {
    const char* name;
    PixelFormat format;
    int tolerance;
  } fixtures[] = {
      {"rgb24_v3", PixelFormat::Rgb24, 0},   {"rgb24_v5", PixelFormat::Rgb24, 0},
      {"rgb24_core", PixelFormat::Rgb24, 0}, {"pal8_v3", PixelFormat::Pal8, 0},
      {"pal8_rle", PixelFormat::Pal8, 0},    {"pal8_core", PixelFormat::Pal8, 0},
      {"pal4_v3", PixelFormat::Pal4, 0},     {"mono", PixelFormat::Mono1, 0},
      {"rgb565", PixelFormat::Rgb16, 1},     {"rgb555", PixelFormat::Rgb16, 1},
      {"argb32", PixelFormat::Rgb32, 0},
  };
  const std::filesystem::path dir = std::filesystem::path(VISTEL_TEST_DATA) / "bmp";
  for (const auto& f : fixtures) {
    SCOPED_TRACE(f.name);
    const std::string bmp = (dir / f.name).string() + ".bmp";
    const Bitmap ref = readPlainPpm(bmp + ".ppm");
    ASSERT_FALSE(ref.isEmpty());
    const Bitmap b = readBmpFile(bmp);
    EXPECT_EQ(b.format(), f.format);
    ASSERT_EQ(b.width(), ref.width());
    ASSERT_EQ(b.height(), ref.height());
    for (int y = 0; y < b.height(); ++y)
      for (int x = 0; x < b.width(); ++x)
        for (int shift : {0, 8, 16}) {
          const int got = static_cast<int>((b.pixel(x, y) >> shift) & 0xFF);
          const int want = static_cast<int>((ref.pixel(x, y) >> shift) & 0xFF);
          EXPECT_LE(std::abs(got - want), f.tolerance) << x << "," << y << " shift " << shift;
        }
  }
}

// Good files of every form: the committed ones and those built here.
std::vector<Bytes> goodFiles() {
  std::vector<Bytes> out;
  for (const auto& p : filesIn(std::filesystem::path(VISTEL_TEST_DATA) / "bmp", ".bmp"))
    out.push_back(slurp(p));
  Bmp rle;
  rle.bitCount = 8;
  rle.compression = 1;
  rle.width = 6;
  rle.height = 3;
  rle.coloursUsed = 4;
  rle.palette = {kGrey, kRed, kGreen, kBlue};
  rle.pixels = rle8Stream();
  out.push_back(rle.bytes());
  Bmp fields;
  fields.headerSize = 124;
  fields.bitCount = 16;
  fields.compression = 3;
  fields.width = 5;
  fields.height = -3;
  fields.masks = {0xF800, 0x07E0, 0x001F, 0};
  fields.pixels.assign(36, 0x5A);
  out.push_back(fields.bytes());
  out.push_back(largeFile(17, 5, 1).bytes());
  return out;
}

TEST(BmpReaderHostile, GoodFilesCutAtEveryLengthLoadOrFailCleanly) {
  const std::vector<Bytes> files = goodFiles();
  ASSERT_GE(files.size(), 12u);
  for (const Bytes& whole : files) {
    SCOPED_TRACE(whole.size());
    const Bitmap full = read(whole);
    // Cuts fail while the headers or colour table are incomplete; from the
    // first cut that loads on, every longer cut loads at the full size.
    std::size_t firstLoaded = 0;
    for (std::size_t n = 1; n < whole.size(); ++n) {
      const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
      try {
        const Bitmap b = read(cut);
        if (firstLoaded == 0) firstLoaded = n;
        EXPECT_EQ(b.width(), full.width()) << n;
        EXPECT_EQ(b.height(), full.height()) << n;
      } catch (const PictureError& e) {
        EXPECT_STREQ(e.what(), "Bitmap image is not valid");
        EXPECT_EQ(firstLoaded, 0u) << "cut at " << n << " fails after one at " << firstLoaded;
      }
    }
    EXPECT_GT(firstLoaded, 14u);
  }
}

}  // namespace
}  // namespace vistel
