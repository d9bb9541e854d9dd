#include "file_writers.h"

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace assetgen {

namespace {

void put16(Bytes& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void put32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF);
}
void set32(Bytes& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = (v >> (8 * i)) & 0xFF;
}

constexpr int kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2;
constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dpi

void putInfoHeader(Bytes& out, int width, int height, int bits, int compression,
                   std::uint32_t imageSize, int coloursUsed) {
  put32(out, 40);
  put32(out, static_cast<std::uint32_t>(width));
  put32(out, static_cast<std::uint32_t>(height));
  put16(out, 1);
  put16(out, static_cast<unsigned>(bits));
  put32(out, static_cast<std::uint32_t>(compression));
  put32(out, imageSize);
  put32(out, kPixelsPerMetre);
  put32(out, kPixelsPerMetre);
  put32(out, static_cast<std::uint32_t>(coloursUsed));
  put32(out, 0);
}

void putPalette(Bytes& out, const QList<QRgb>& table, int entries) {
  for (int i = 0; i < entries; ++i) {
    const QRgb c = i < table.size() ? table[i] : 0;
    out.push_back(qBlue(c));
    out.push_back(qGreen(c));
    out.push_back(qRed(c));
    out.push_back(0);
  }
}

int rowBytes(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

// Uncompressed rows, bottom-up, each padded to four bytes.
Bytes packRows(const QImage& image, int bits) {
  const int stride = rowBytes(image.width(), bits);
  Bytes out;
  out.reserve(static_cast<std::size_t>(stride) * image.height());
  for (int y = image.height() - 1; y >= 0; --y) {
    Bytes row(stride, 0);
    if (bits == 24) {
      const auto* px = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < image.width(); ++x) {
        row[3 * x] = qBlue(px[x]);
        row[3 * x + 1] = qGreen(px[x]);
        row[3 * x + 2] = qRed(px[x]);
      }
    } else {
      const uchar* idx = image.constScanLine(y);
      for (int x = 0; x < image.width(); ++x) {
        const int bit = x * bits;
        const int shift = 8 - bits - (bit % 8);
        row[bit / 8] |= static_cast<std::uint8_t>(idx[x] << shift);
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

void checkIndexed(const QImage& image, int bits) {
  if (image.format() != QImage::Format_Indexed8)
    throw std::invalid_argument("palette BMP needs an indexed picture");
  if (image.colorCount() > (1 << bits))
    throw std::invalid_argument("palette larger than the bit depth allows");
}

}  // namespace

Bytes encodeRle8(const QImage& indexed) {
  Bytes out;
  const int w = indexed.width();
  for (int y = indexed.height() - 1; y >= 0; --y) {
    const uchar* p = indexed.constScanLine(y);
    int x = 0;
    while (x < w) {
      int run = 1;
      while (x + run < w && run < 255 && p[x + run] == p[x]) ++run;
      if (run >= 3 || x + run == w) {
        out.push_back(static_cast<std::uint8_t>(run));
        out.push_back(p[x]);
        x += run;
        continue;
      }
      // Literal stretch: up to the next run of three equal pixels.
      int end = x;
      while (end < w && end - x < 255) {
        if (end + 2 < w && p[end] == p[end + 1] && p[end] == p[end + 2]) break;
        ++end;
      }
      const int n = end - x;
      if (n < 3) {  // absolute mode needs at least three pixels
        for (int i = 0; i < n; ++i) {
          out.push_back(1);
          out.push_back(p[x + i]);
        }
      } else {
        out.push_back(0);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), p + x, p + end);
        if (n % 2) out.push_back(0);  // absolute runs end on a 16-bit boundary
      }
      x = end;
    }
    out.push_back(0);
    out.push_back(y == 0 ? 1 : 0);  // end of line, or end of bitmap after the top row
  }
  return out;
}

Bytes encodeRle4(const QImage& indexed) {
  Bytes out;
  const int w = indexed.width();
  // Length of the stretch from x that repeats the pair p[x], p[x+1].
  auto pairRun = [&](const uchar* p, int x) {
    int n = 1;
    while (x + n < w && n < 255 && p[x + n] == p[x + (n & 1)]) ++n;
    return n;
  };
  for (int y = indexed.height() - 1; y >= 0; --y) {
    const uchar* p = indexed.constScanLine(y);
    int x = 0;
    while (x < w) {
      const int run = pairRun(p, x);
      if (run >= 4 || x + run == w) {
        out.push_back(static_cast<std::uint8_t>(run));
        const uchar second = run > 1 ? p[x + 1] : p[x];
        out.push_back(static_cast<std::uint8_t>((p[x] << 4) | second));
        x += run;
        continue;
      }
      int end = x;
      while (end < w && end - x < 255 && (end == x || pairRun(p, end) < 4)) ++end;
      const int n = end - x;
      if (n < 3) {
        for (int i = 0; i < n; ++i) {
          out.push_back(1);
          out.push_back(static_cast<std::uint8_t>(p[x + i] << 4));
        }
      } else {
        out.push_back(0);
        out.push_back(static_cast<std::uint8_t>(n));
        const int bytes = (n + 1) / 2;
        for (int i = 0; i < bytes; ++i) {
          const uchar hi = p[x + 2 * i];
          const uchar lo = 2 * i + 1 < n ? p[x + 2 * i + 1] : 0;
          out.push_back(static_cast<std::uint8_t>((hi << 4) | lo));
        }
        if (bytes % 2) out.push_back(0);
      }
      x = end;
    }
    out.push_back(0);
    out.push_back(y == 0 ? 1 : 0);
  }
  return out;
}

Bytes encodeBmp(const QImage& source, int bits, BmpCompression compression) {
  QImage image = source;
  int paletteEntries = 0;
  if (bits == 24) {
    image = source.convertToFormat(QImage::Format_RGB32);
  } else if (bits == 1 || bits == 4 || bits == 8) {
    checkIndexed(image, bits);
    paletteEntries = bits == 8 ? static_cast<int>(image.colorCount()) : (1 << bits);
  } else {
    throw std::invalid_argument("unsupported BMP depth");
  }
  int kind = kBiRgb;
  Bytes pixels;
  if (compression == BmpCompression::Rle) {
    if (bits == 8) {
      kind = kBiRle8;
      pixels = encodeRle8(image);
    } else if (bits == 4) {
      kind = kBiRle4;
      pixels = encodeRle4(image);
    } else {
      throw std::invalid_argument("run-length encoding needs 4 or 8 bits");
    }
  } else {
    pixels = packRows(image, bits);
  }

  Bytes out;
  const std::uint32_t offset = 14 + 40 + 4 * paletteEntries;
  out.push_back('B');
  out.push_back('M');
  put32(out, 0);  // file size, set below
  put32(out, 0);
  put32(out, offset);
  putInfoHeader(out, image.width(), image.height(), bits, kind,
                static_cast<std::uint32_t>(pixels.size()), bits == 8 ? paletteEntries : 0);
  if (paletteEntries) putPalette(out, image.colorTable(), paletteEntries);
  out.insert(out.end(), pixels.begin(), pixels.end());
  set32(out, 2, static_cast<std::uint32_t>(out.size()));
  return out;
}

Bytes encodeIco4(const QImage& indexed, const std::vector<bool>& transparent) {
  checkIndexed(indexed, 4);
  const int w = indexed.width(), h = indexed.height();
  QImage xorImage = indexed.copy();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (transparent[static_cast<std::size_t>(y) * w + x]) xorImage.setPixel(x, y, 0);
  const Bytes xorBits = packRows(xorImage, 4);
  Bytes andBits;
  const int andStride = rowBytes(w, 1);
  for (int y = h - 1; y >= 0; --y) {
    Bytes row(andStride, 0);
    for (int x = 0; x < w; ++x)
      if (transparent[static_cast<std::size_t>(y) * w + x]) row[x / 8] |= 0x80 >> (x % 8);
    andBits.insert(andBits.end(), row.begin(), row.end());
  }

  Bytes image;
  putInfoHeader(image, w, 2 * h, 4, kBiRgb,
                static_cast<std::uint32_t>(xorBits.size() + andBits.size()), 0);
  putPalette(image, indexed.colorTable(), 16);
  image.insert(image.end(), xorBits.begin(), xorBits.end());
  image.insert(image.end(), andBits.begin(), andBits.end());

  Bytes out;
  put16(out, 0);
  put16(out, 1);  // icon resource
  put16(out, 1);  // one image
  out.push_back(static_cast<std::uint8_t>(w & 0xFF));
  out.push_back(static_cast<std::uint8_t>(h & 0xFF));
  out.push_back(16);  // colours
  out.push_back(0);
  put16(out, 1);  // planes
  put16(out, 4);  // bits per pixel
  put32(out, static_cast<std::uint32_t>(image.size()));
  put32(out, 6 + 16);
  out.insert(out.end(), image.begin(), image.end());
  return out;
}

Bytes encodeJpeg(const QImage& source, const JpegOptions& options) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);  // the default handler ends the tool on error
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(image.width());
  cinfo.image_height = static_cast<JDIMENSION>(image.height());
  cinfo.input_components = options.greyscale ? 1 : 3;
  cinfo.in_color_space = options.greyscale ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, options.quality, TRUE);
  cinfo.dct_method = JDCT_ISLOW;
  cinfo.optimize_coding = TRUE;
  if (!options.greyscale) {
    const int s = options.chroma420 ? 2 : 1;
    cinfo.comp_info[0].h_samp_factor = s;
    cinfo.comp_info[0].v_samp_factor = s;
    for (int c = 1; c < 3; ++c) {
      cinfo.comp_info[c].h_samp_factor = 1;
      cinfo.comp_info[c].v_samp_factor = 1;
    }
  }
  if (options.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(image.width()) * cinfo.input_components);
  while (cinfo.next_scanline < cinfo.image_height) {
    const auto* px =
        reinterpret_cast<const QRgb*>(image.constScanLine(static_cast<int>(cinfo.next_scanline)));
    for (int x = 0; x < image.width(); ++x) {
      if (options.greyscale) {
        row[x] = static_cast<JSAMPLE>(qGray(px[x]));
      } else {
        row[3 * x] = static_cast<JSAMPLE>(qRed(px[x]));
        row[3 * x + 1] = static_cast<JSAMPLE>(qGreen(px[x]));
        row[3 * x + 2] = static_cast<JSAMPLE>(qBlue(px[x]));
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

QImage decodeJpeg(const Bytes& bytes) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  cinfo.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&cinfo);
  QImage out(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
             QImage::Format_RGB32);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(cinfo.output_width) * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&cinfo, rows, 1);
    auto* px = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) px[x] = qRgb(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

const QList<QRgb>& vgaPalette() {
  static const QList<QRgb> palette = {
      qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
      qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
      qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
      qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
  return palette;
}

namespace {

int nearestIndex(const QList<QRgb>& palette, int r, int g, int b) {
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < palette.size(); ++i) {
    const long dr = r - qRed(palette[i]), dg = g - qGreen(palette[i]), db = b - qBlue(palette[i]);
    // Weighted towards green, as the eye is.
    const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

struct Box {
  std::vector<QRgb> pixels;
  int channel = 0;
  int spread = 0;
};

void measure(Box& box) {
  int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
  for (QRgb p : box.pixels) {
    const int c[3] = {qRed(p), qGreen(p), qBlue(p)};
    for (int i = 0; i < 3; ++i) {
      lo[i] = std::min(lo[i], c[i]);
      hi[i] = std::max(hi[i], c[i]);
    }
  }
  box.spread = -1;
  for (int i = 0; i < 3; ++i) {
    if (hi[i] - lo[i] > box.spread) {
      box.spread = hi[i] - lo[i];
      box.channel = i;
    }
  }
}

int channelOf(QRgb p, int c) { return c == 0 ? qRed(p) : c == 1 ? qGreen(p) : qBlue(p); }

}  // namespace

QImage toPaletteExact(const QImage& source, const QList<QRgb>& palette) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  QImage out(image.size(), QImage::Format_Indexed8);
  out.setColorTable(palette);
  for (int y = 0; y < image.height(); ++y) {
    const auto* px = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    uchar* dst = out.scanLine(y);
    for (int x = 0; x < image.width(); ++x)
      dst[x] = static_cast<uchar>(nearestIndex(palette, qRed(px[x]), qGreen(px[x]), qBlue(px[x])));
  }
  return out;
}

QImage quantize(const QImage& source, int colours, bool dither) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  std::vector<Box> boxes(1);
  // Every fourth pixel is plenty for choosing the palette.
  for (int y = 0; y < image.height(); y += 2) {
    const auto* px = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = (y / 2) % 2; x < image.width(); x += 2)
      boxes[0].pixels.push_back(px[x] & 0xFFFFFF);
  }
  measure(boxes[0]);
  while (static_cast<int>(boxes.size()) < colours) {
    auto widest = std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) {
      return a.spread * std::sqrt(double(a.pixels.size())) <
             b.spread * std::sqrt(double(b.pixels.size()));
    });
    if (widest->spread <= 0 || widest->pixels.size() < 2) break;
    const int c = widest->channel;
    auto mid = widest->pixels.begin() + widest->pixels.size() / 2;
    std::nth_element(widest->pixels.begin(), mid, widest->pixels.end(),
                     [c](QRgb a, QRgb b) { return channelOf(a, c) < channelOf(b, c); });
    Box upper;
    upper.pixels.assign(mid, widest->pixels.end());
    widest->pixels.erase(mid, widest->pixels.end());
    measure(*widest);
    measure(upper);
    boxes.push_back(std::move(upper));
  }
  QList<QRgb> palette;
  for (const Box& box : boxes) {
    long r = 0, g = 0, b = 0;
    for (QRgb p : box.pixels) {
      r += qRed(p);
      g += qGreen(p);
      b += qBlue(p);
    }
    const long n = std::max<long>(1, static_cast<long>(box.pixels.size()));
    palette.push_back(
        qRgb(static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n)));
  }
  std::sort(palette.begin(), palette.end(), [](QRgb a, QRgb b) { return qGray(a) < qGray(b); });

  QImage out(image.size(), QImage::Format_Indexed8);
  out.setColorTable(palette);
  // Error rows for Floyd-Steinberg, with a cache of nearest colours.
  const int w = image.width();
  std::vector<std::array<int, 3>> err(w + 2), next(w + 2);
  std::vector<int> cache(1 << 15, -1);
  for (int y = 0; y < image.height(); ++y) {
    std::fill(next.begin(), next.end(), std::array<int, 3>{0, 0, 0});
    const auto* px = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    uchar* dst = out.scanLine(y);
    for (int x = 0; x < w; ++x) {
      int c[3] = {qRed(px[x]), qGreen(px[x]), qBlue(px[x])};
      if (dither)
        for (int i = 0; i < 3; ++i) c[i] = std::clamp(c[i] + err[x + 1][i] / 16, 0, 255);
      const int key = ((c[0] >> 3) << 10) | ((c[1] >> 3) << 5) | (c[2] >> 3);
      int idx = cache[key];
      if (idx < 0 || !dither) {
        idx = nearestIndex(palette, c[0], c[1], c[2]);
        if (dither) cache[key] = idx;
      }
      dst[x] = static_cast<uchar>(idx);
      if (dither) {
        const int q[3] = {qRed(palette[idx]), qGreen(palette[idx]), qBlue(palette[idx])};
        for (int i = 0; i < 3; ++i) {
          const int e = c[i] - q[i];
          err[x + 2][i] += e * 7;
          next[x][i] += e * 3;
          next[x + 1][i] += e * 5;
          next[x + 2][i] += e;
        }
      }
    }
    std::swap(err, next);
  }
  return out;
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path);
}

}  // namespace assetgen
