// libFuzzer entry for the BMP reader: any input must either load or fail
// with PictureError.
//
// Like libjpeg-turbo's fuzzers, inputs whose header asks for more than
// kPixelCap pixels are only parsed, not decoded: a 60-byte file may
// rightly claim a quarter-gigapixel picture cut short, and filling that much
// memory under ASan would slow the search many times over without reaching new
// code. The size limit itself is checked by the parser, which still runs.
#include <cstddef>
#include <cstdint>
#include <span>

#include "pictures/bmp_layout.h"
#include "pictures/bmp_reader.h"
#include "pictures/picture.h"

namespace {
constexpr std::uint64_t kPixelCap = std::uint64_t{1} << 16;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  try {
    if (size > 0) {
      const vistel::bmp::ParseResult parsed = vistel::bmp::parseLayout(input, size);
      if (parsed.layout && static_cast<std::uint64_t>(parsed.layout->width) *
                                   static_cast<std::uint64_t>(parsed.layout->height) >
                               kPixelCap)
        return 0;
    }
    const vistel::Bitmap b = vistel::readBmp(input);
    // Touch the corners so a wrongly sized bitmap shows up under ASan.
    if (!b.isEmpty()) {
      volatile std::uint32_t sink = b.pixel(0, 0) ^ b.pixel(b.width() - 1, b.height() - 1);
      (void)sink;
    }
  } catch (const vistel::PictureError&) {
  }
  return 0;
}
