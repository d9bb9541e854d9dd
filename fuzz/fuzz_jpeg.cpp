// libFuzzer entry for the JPEG picture: any input must either load or fail
// with PictureError, and a loaded picture must decode or fail with
// PictureError, once.
//
// Like libjpeg-turbo's own fuzzers, inputs whose header claims more than
// kPixelCap pixels are only parsed: a 200-byte file may rightly claim a
// quarter-gigapixel picture, and decoding that much under ASan would slow the
// search many times over without reaching new code. The toolkit's size limit
// is checked by the header parse, which still runs.
//
// The cap is the harness's own, far below libjpeg-turbo's megapixel: every
// pixel passes through our instrumented row conversions, where the coverage
// tracing costs about 140 ns a pixel (a 17 x 39689 strip took 94 ms a run).
// Rows are converted alike whatever the height, and 2^16 pixels still allow
// a row of the full 65535, so the decoder's coverage is the same; only the
// pixel buffer's separate mapping of buffers of 1 MiB and more is not
// reached, which its own tests cover. Both output paths are fuzzed, chosen
// by the input's last byte.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictures/jpeg_picture.h"

namespace {
constexpr std::int64_t kPixelCap = std::int64_t{1} << 16;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    vistel::JpegPicture picture(std::vector<std::uint8_t>(data, data + size));
    if (static_cast<std::int64_t>(picture.width()) * picture.height() > kPixelCap) return 0;
    vistel::JpegPicture::setScreenBitsPerPixel(size > 0 && (data[size - 1] & 1) ? 8 : 32);
    try {
      picture.decoded();
    } catch (const vistel::PictureError&) {
    }
    // The second use must be quiet and show a bitmap of the header's size or
    // nothing.
    const vistel::Bitmap& b = picture.decoded();
    if (!b.isEmpty()) {
      if (b.width() != picture.width() || b.height() != picture.height()) __builtin_trap();
      volatile std::uint32_t sink = b.pixel(0, 0) ^ b.pixel(b.width() - 1, b.height() - 1);
      (void)sink;
    }
  } catch (const vistel::PictureError&) {
  }
  return 0;
}
