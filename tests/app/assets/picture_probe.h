#pragma once

// Small, independent readers for checking the embedded pictures: BMP headers
// and uncompressed pixels read field by field, JPEGs decoded with libjpeg the
// way a viewer does by default. Deliberately separate from the program's own
// readers, so the pictures are checked against the file formats themselves.

#include <jpeglib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace probe {

using Bytes = std::span<const std::uint8_t>;

inline std::uint32_t u16(Bytes b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
inline std::uint32_t u32(Bytes b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

struct Bmp {
  std::uint32_t fileSize = 0, dataOffset = 0, headerSize = 0;
  int width = 0, height = 0;  // height as stored: negative for top-down rows
  int planes = 0, bits = 0, compression = 0;
  std::uint32_t imageSize = 0, coloursUsed = 0;
  std::vector<Rgb> palette;
};

inline Bmp parseBmp(Bytes b) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') throw std::runtime_error("not a BMP");
  Bmp h;
  h.fileSize = u32(b, 2);
  h.dataOffset = u32(b, 10);
  h.headerSize = u32(b, 14);
  h.width = static_cast<std::int32_t>(u32(b, 18));
  h.height = static_cast<std::int32_t>(u32(b, 22));
  h.planes = static_cast<int>(u16(b, 26));
  h.bits = static_cast<int>(u16(b, 28));
  h.compression = static_cast<int>(u32(b, 30));
  h.imageSize = u32(b, 34);
  h.coloursUsed = u32(b, 46);
  if (h.bits <= 8) {
    const std::uint32_t n = h.coloursUsed ? h.coloursUsed : (1u << h.bits);
    const std::size_t at = 14 + h.headerSize;
    if (at + 4 * n > b.size()) throw std::runtime_error("palette cut short");
    for (std::uint32_t i = 0; i < n; ++i)
      h.palette.push_back({b[at + 4 * i + 2], b[at + 4 * i + 1], b[at + 4 * i]});
  }
  return h;
}

// Uncompressed bottom-up pixels as colours, rows top to bottom.
struct Pixels {
  int width = 0, height = 0;
  std::vector<Rgb> rgb;
  std::vector<int> index;  // palette index per pixel (palette pictures only)
  Rgb at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
  int indexAt(int x, int y) const { return index[static_cast<std::size_t>(y) * width + x]; }
};

inline Pixels readBmpPixels(Bytes b) {
  const Bmp h = parseBmp(b);
  if (h.compression != 0 || h.height <= 0) throw std::runtime_error("only plain bottom-up BMPs");
  Pixels p;
  p.width = h.width;
  p.height = h.height;
  const std::size_t stride = ((static_cast<std::size_t>(h.width) * h.bits + 31) / 32) * 4;
  if (h.dataOffset + stride * h.height > b.size()) throw std::runtime_error("pixels cut short");
  p.rgb.resize(static_cast<std::size_t>(h.width) * h.height);
  if (h.bits <= 8) p.index.resize(p.rgb.size());
  for (int y = 0; y < h.height; ++y) {
    const std::uint8_t* row = b.data() + h.dataOffset + stride * (h.height - 1 - y);
    for (int x = 0; x < h.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * h.width + x;
      if (h.bits == 24) {
        p.rgb[i] = {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
      } else {
        const int bit = x * h.bits;
        const int v = (row[bit / 8] >> (8 - h.bits - bit % 8)) & ((1 << h.bits) - 1);
        p.index[i] = v;
        p.rgb[i] = v < static_cast<int>(h.palette.size()) ? h.palette[v] : Rgb{};
      }
    }
  }
  return p;
}

struct Jpeg {
  int width = 0, height = 0, components = 0;
  bool progressive = false, jfif = false;
  int hSamp[3] = {0, 0, 0}, vSamp[3] = {0, 0, 0};
  std::vector<std::uint8_t> rgb;  // decoded, 3 bytes a pixel
  Rgb at(int x, int y) const {
    const std::size_t i = 3 * (static_cast<std::size_t>(y) * width + x);
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
};

namespace detail {
struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};
inline void onError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
}  // namespace detail

// Decodes with libjpeg's defaults (accurate integer transform, fancy
// upsampling) to RGB.
inline Jpeg decodeJpeg(Bytes b) {
  Jpeg out;
  jpeg_decompress_struct cinfo;
  detail::JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = detail::onError;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    throw std::runtime_error("JPEG decoding failed");
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(b.data()), static_cast<unsigned long>(b.size()));
  jpeg_read_header(&cinfo, TRUE);
  out.width = static_cast<int>(cinfo.image_width);
  out.height = static_cast<int>(cinfo.image_height);
  out.components = cinfo.num_components;
  out.progressive = cinfo.progressive_mode;
  out.jfif = cinfo.saw_JFIF_marker;
  for (int c = 0; c < cinfo.num_components && c < 3; ++c) {
    out.hSamp[c] = cinfo.comp_info[c].h_samp_factor;
    out.vSamp[c] = cinfo.comp_info[c].v_samp_factor;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * out.width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

inline bool isWhite(Rgb c) { return c.r == 255 && c.g == 255 && c.b == 255; }
// Light enough to pass for the white background to the eye.
inline bool nearWhite(Rgb c) { return c.r >= 235 && c.g >= 235 && c.b >= 235; }
inline double luminance(Rgb c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }

}  // namespace probe
