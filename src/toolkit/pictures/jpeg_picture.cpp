#include "jpeg_picture.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <new>

// After <cstdio>: jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "file_bytes.h"
#include "stretch_draw.h"

namespace vistel {
namespace {

std::atomic<int> gScreenBits{32};

}  // namespace

JpegPicture::JpegPicture(std::vector<std::uint8_t> data) : data_(std::move(data)) {
  if (data_.empty()) return;
  JpegDecoder decoder(data_);
  header_ = decoder.readHeader();
}

std::unique_ptr<JpegPicture> JpegPicture::fromFile(const std::string& path) {
  return std::make_unique<JpegPicture>(readFileBytes(path));
}

void JpegPicture::setScreenBitsPerPixel(int bits) { gScreenBits.store(bits); }
int JpegPicture::screenBitsPerPixel() { return gScreenBits.load(); }

void JpegPicture::setPredecoded(Bitmap pixels) {
  if (pixels.width() == header_.width && pixels.height() == header_.height)
    predecoded_ = std::move(pixels);
}

const Bitmap& JpegPicture::decoded() {
  if (!decodeAttempted_) decode();
  return bitmap_;
}

void JpegPicture::decode() {
  // Marked first: whatever happens below is reported once, never retried.
  decodeAttempted_ = true;
  if (!predecoded_.isEmpty() && screenBitsPerPixel() > 8) {
    bitmap_ = std::move(predecoded_);
    return;
  }
  predecoded_ = Bitmap();
  JpegDecoder decoder(data_);
  try {
    decoder.readHeader();
    const JpegOutput& out = decoder.start(screenBitsPerPixel() <= 8);
    try {
      bitmap_ = Bitmap(out.width, out.height, out.format);
    } catch (const std::bad_alloc&) {
      throw PictureError(jpegErrorText(JERR_OUT_OF_MEMORY));
    }
    bitmap_.setPalette(out.palette);
    decoder.readRows([this](int y) { return bitmap_.scanLine(y); });
    decoder.finish();
  } catch (const PictureError&) {
    for (int y = decoder.rowsDone(); y < bitmap_.height(); ++y) {
      std::fill_n(bitmap_.scanLine(y), bitmap_.width(), toPixel(kBlack));
    }
    throw;
  }
}

void JpegPicture::draw(const Surface& dst, const Rect& dest, const Rect& clip) {
  const Bitmap& b = decoded();
  if (b.isEmpty()) return;
  stretchDraw(dst, dest, clip, b);
}

}  // namespace vistel
