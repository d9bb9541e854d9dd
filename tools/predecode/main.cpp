// Decodes a JPEG file with the program's own decoder (the decode of a
// full-colour screen) and writes its pixels in the run form of
// pictures/pixel_runs.h.
//   usage: vistel-predecode INPUT.jpg OUTPUT
#include <cstdio>
#include <exception>
#include <fstream>

#include "pictures/jpeg_picture.h"
#include "pictures/pixel_runs.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vistel-predecode INPUT.jpg OUTPUT\n");
    return 2;
  }
  try {
    const auto picture = vistel::JpegPicture::fromFile(argv[1]);
    const std::vector<std::uint8_t> packed = vistel::packPixelRuns(picture->decoded());
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(packed.data()),
              static_cast<std::streamsize>(packed.size()));
    if (!out.flush()) {
      std::fprintf(stderr, "vistel-predecode: cannot write %s\n", argv[2]);
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vistel-predecode: %s: %s\n", argv[1], e.what());
    return 1;
  }
  return 0;
}
