// Decodes pictures the program carries at build time, so that it starts
// without decoding them (src/app/assets):
//   vistel-predecode INPUT.jpg OUTPUT   the program's own JPEG decoder (the
//                                       decode of a full-colour screen), its
//                                       pixels in the run form of
//                                       pictures/pixel_runs.h
//   vistel-predecode --argb INPUT OUTPUT  any picture Qt reads, as 32-bit
//                                       ARGB pixels, row by row, each
//                                       little-endian
#include <QImage>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "pictures/jpeg_picture.h"
#include "pictures/pixel_runs.h"

namespace {

std::vector<std::uint8_t> argbPixels(const char* path) {
  const QImage image = QImage(QString::fromLocal8Bit(path)).convertToFormat(QImage::Format_ARGB32);
  if (image.isNull()) throw std::runtime_error("not a picture Qt reads");
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(image.width()) * image.height() * 4);
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(row[x] >> shift));
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const bool argb = argc == 4 && std::strcmp(argv[1], "--argb") == 0;
  if (argc != 3 && !argb) {
    std::fprintf(stderr, "usage: vistel-predecode [--argb] INPUT OUTPUT\n");
    return 2;
  }
  const char* input = argv[argc - 2];
  const char* output = argv[argc - 1];
  try {
    const std::vector<std::uint8_t> bytes =
        argb ? argbPixels(input)
             : vistel::packPixelRuns(vistel::JpegPicture::fromFile(input)->decoded());
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      std::fprintf(stderr, "vistel-predecode: cannot write %s\n", output);
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vistel-predecode: %s: %s\n", input, e.what());
    return 1;
  }
  return 0;
}
