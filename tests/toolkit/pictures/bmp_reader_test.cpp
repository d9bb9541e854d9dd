#include "pictures/bmp_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bmp_builder.h"
#include "pictures/picture.h"

namespace vistel {
namespace {

using namespace bmp_test;  // NOLINT(google-build-using-namespace)

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

TEST(BmpReader, Rle8HandlesEveryEscapeAndClipsRuns) {
  const Bmp f = rle8File();
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

}  // namespace
}  // namespace vistel
