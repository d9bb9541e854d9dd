// Small picture files written by the tests themselves: BMP files by hand,
// JPEG files through libjpeg. No Qt, so the picture-file tests can use them.
#pragma once

#include <jpeglib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "pictures/bitmap.h"

namespace vistel::testing {

// A fresh folder under /tmp, removed with its files at the end of the test.
class TempDir {
 public:
  TempDir() {
    char name[] = "/tmp/vistel-test-XXXXXX";
    if (mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = name;
  }
  ~TempDir() {
    for (const std::string& f : files_) std::remove(f.c_str());
    rmdir(path_.c_str());
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The path of `name` in the folder, remembered for removal.
  std::string file(const std::string& name) {
    files_.push_back(path_ + "/" + name);
    return files_.back();
  }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline void put16(std::vector<std::uint8_t>& v, unsigned x) {
  v.push_back(static_cast<std::uint8_t>(x));
  v.push_back(static_cast<std::uint8_t>(x >> 8));
}
inline void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  put16(v, x & 0xFFFF);
  put16(v, x >> 16);
}

// A BMP file of `bits` per pixel (1 or 24) with a 40-byte info header and
// bottom-up rows. A 1-bit file gets palette black (0), white (1) and takes
// each pixel as white exactly when it is kWhite.
inline std::vector<std::uint8_t> bmpBytes(const Bitmap& b, int bits) {
  const int w = b.width();
  const int h = b.height();
  const int rowBytes = ((w * bits + 31) / 32) * 4;
  const int paletteBytes = bits == 1 ? 8 : 0;
  const std::uint32_t offset = 14 + 40 + paletteBytes;
  std::vector<std::uint8_t> v;
  v.push_back('B');
  v.push_back('M');
  put32(v, offset + static_cast<std::uint32_t>(rowBytes * h));
  put32(v, 0);
  put32(v, offset);
  put32(v, 40);
  put32(v, static_cast<std::uint32_t>(w));
  put32(v, static_cast<std::uint32_t>(h));
  put16(v, 1);
  put16(v, static_cast<unsigned>(bits));
  put32(v, 0);
  put32(v, static_cast<std::uint32_t>(rowBytes * h));
  put32(v, 2835);
  put32(v, 2835);
  put32(v, bits == 1 ? 2 : 0);
  put32(v, 0);
  if (bits == 1) {
    put32(v, 0x000000);
    put32(v, 0xFFFFFF);
  }
  for (int y = h - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(rowBytes), 0);
    for (int x = 0; x < w; ++x) {
      const Rgb c = b.pixel(x, y);
      if (bits == 1) {
        if (c == kWhite)
          row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      } else {
        row[static_cast<std::size_t>(x * 3)] = static_cast<std::uint8_t>(c);
        row[static_cast<std::size_t>(x * 3 + 1)] = static_cast<std::uint8_t>(c >> 8);
        row[static_cast<std::size_t>(x * 3 + 2)] = static_cast<std::uint8_t>(c >> 16);
      }
    }
    v.insert(v.end(), row.begin(), row.end());
  }
  return v;
}

// A baseline colour JPEG of one flat colour.
inline std::vector<std::uint8_t> jpegBytes(int w, int h, Rgb colour) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(w);
  cinfo.image_height = static_cast<JDIMENSION>(h);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(w) * 3);
  for (int x = 0; x < w; ++x) {
    row[static_cast<std::size_t>(x * 3)] = static_cast<JSAMPLE>(colour >> 16);
    row[static_cast<std::size_t>(x * 3 + 1)] = static_cast<JSAMPLE>(colour >> 8);
    row[static_cast<std::size_t>(x * 3 + 2)] = static_cast<JSAMPLE>(colour);
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return bytes;
}

}  // namespace vistel::testing
