// A BMP file built field by field, reading one from memory and an RLE8
// stream with every escape, for the reader's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pictures/bmp_reader.h"
#include "pictures/picture.h"

namespace vistel::bmp_test {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void put32(Bytes& b, std::uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

// Stored rows, each padded to a multiple of 4 bytes as in a BMP file.
inline Bytes rows(std::initializer_list<Bytes> list) {
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

inline Bitmap read(const Bytes& b) { return readBmp(std::span(b.data(), b.size())); }

inline void expectInvalid(const Bytes& b, const std::string& what) {
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

// RLE8 stream exercising every escape on a 6 by 3 picture.
inline Bytes rle8Stream() {
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

// That stream as a file: grey, red, green and blue.
inline Bmp rle8File() {
  Bmp f;
  f.bitCount = 8;
  f.compression = 1;
  f.width = 6;
  f.height = 3;
  f.coloursUsed = 4;
  f.palette = {kGrey, kRed, kGreen, kBlue};
  f.pixels = rle8Stream();
  return f;
}

}  // namespace vistel::bmp_test
