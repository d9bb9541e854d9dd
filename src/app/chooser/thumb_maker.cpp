#include "chooser/thumb_maker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "chooser/grid_geometry.h"
#include "controls/canvas.h"
#include "pictures/bmp_reader.h"
#include "pictures/jpeg_decoder.h"
#include "pictures/jpeg_picture.h"
#include "pictures/picture.h"
#include "pictures/stretch_draw.h"

namespace vistel {

namespace {

void checkStop(const std::atomic<bool>* stop) {
  if (stop != nullptr && stop->load(std::memory_order_relaxed)) throw ThumbnailStopped();
}

// The thumbnail of a w by h picture by the dropping rule: rowAt(sy) gives
// picture row sy, asked for top to bottom, the same row perhaps twice.
template <typename RowAt>
Bitmap sampleRows(int w, int h, RowAt&& rowAt) {
  Bitmap thumb = Bitmap::filled(kThumbSide, kThumbSide, PixelFormat::Rgb24, kThumbBackground);
  const int side = std::max(w, h);
  if (side == 0) return thumb;
  for (int dy = 0; dy < kThumbSide; ++dy) {
    const int sy = nearestSourceIndex(dy, kThumbSide, side);
    if (sy >= h) break;  // rows go down monotonically
    const std::uint32_t* row = rowAt(sy);
    std::uint32_t* out = thumb.scanLine(dy);
    for (int dx = 0; dx < kThumbSide; ++dx) {
      const int sx = nearestSourceIndex(dx, kThumbSide, side);
      if (sx >= w) break;
      out[dx] = row[sx];
    }
  }
  return thumb;
}

Bitmap sampleBitmap(const Bitmap& src) {
  return sampleRows(src.width(), src.height(), [&src](int sy) { return src.scanLine(sy); });
}

Bitmap sampledJpeg(const std::vector<std::uint8_t>& data, const std::atomic<bool>* stop);

Bitmap jpegThumbnail(const std::vector<std::uint8_t>& data, const std::atomic<bool>* stop) {
  try {
    return sampledJpeg(data, stop);
  } catch (const PictureError&) {
    checkStop(stop);  // broken off by the stop flag: a stop, not a bad file
    throw;
  }
}

Bitmap sampledJpeg(const std::vector<std::uint8_t>& data, const std::atomic<bool>* stop) {
  JpegDecoder decoder(data);
  // A progressive file is read whole before its first row: the stop flag
  // must reach into libjpeg to end that early.
  decoder.setInterruptFlag(stop);
  decoder.readHeader();
  checkStop(stop);
  const JpegOutput& out = decoder.start(JpegPicture::screenBitsPerPixel() <= 8);
  checkStop(stop);
  const int w = out.width, h = out.height;
  const int side = std::max(w, h);

  // One row buffer per distinct picked row, and the last row picked.
  std::vector<int> slotOf(static_cast<std::size_t>(h), -1);
  int slots = 0, lastRow = -1;
  for (int dy = 0; dy < kThumbSide && side > 0; ++dy) {
    const int sy = nearestSourceIndex(dy, kThumbSide, side);
    if (sy >= h) break;
    if (slotOf[static_cast<std::size_t>(sy)] < 0) slotOf[static_cast<std::size_t>(sy)] = slots++;
    lastRow = sy;
  }
  std::vector<std::uint32_t> rows(static_cast<std::size_t>(slots) * static_cast<std::size_t>(w));

  try {
    decoder.readRows([&](int y) -> std::uint32_t* {
      checkStop(stop);
      // Once the last picked row is in, the rest of the file is not needed:
      // end the decode there rather than skip through it.
      if (y > lastRow) {
        if (decoder.rowsDone() > lastRow) throw ThumbnailStopped();
        return nullptr;
      }
      const int slot = slotOf[static_cast<std::size_t>(y)];
      return slot < 0 ? nullptr : rows.data() + static_cast<std::size_t>(slot) * w;
    });
  } catch (const ThumbnailStopped&) {
    checkStop(stop);  // a real stop goes on up; the early end is fine
    if (decoder.rowsDone() <= lastRow) throw;
  }

  return sampleRows(w, h, [&](int sy) -> const std::uint32_t* {
    return rows.data() + static_cast<std::size_t>(slotOf[static_cast<std::size_t>(sy)]) * w;
  });
}

}  // namespace

std::vector<std::uint8_t> readRegularFile(const std::string& path, const std::atomic<bool>* stop) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw PictureError("Cannot open file");
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) throw PictureError("Cannot open file");
  std::vector<std::uint8_t> data;
  data.reserve(static_cast<std::size_t>(st.st_size));
  std::uint8_t block[65536];
  for (;;) {
    checkStop(stop);
    const ssize_t n = ::read(fd, block, sizeof block);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw PictureError("Cannot read file");
    }
    if (n == 0) break;
    data.insert(data.end(), block, block + n);
  }
  return data;
}

Bitmap makeThumbnail(const std::string& path, bool isJpeg, const std::atomic<bool>* stop) {
  checkStop(stop);
  if (isJpeg) {
    const std::vector<std::uint8_t> data = readRegularFile(path, stop);
    checkStop(stop);
    return jpegThumbnail(data, stop);
  }
  // Uncompressed rows are read one by one, only those the sampling picks.
  BmpRowReader file(path);
  if (!file.rowsReadable()) {
    const std::vector<std::uint8_t> data = readRegularFile(path, stop);
    checkStop(stop);
    Bitmap full = readBmp(data);
    checkStop(stop);
    return sampleBitmap(full);
  }
  std::vector<std::uint32_t> row(static_cast<std::size_t>(file.width()));
  int lastRow = -1;
  return sampleRows(file.width(), file.height(), [&](int sy) -> const std::uint32_t* {
    checkStop(stop);
    if (sy != lastRow) file.readRow(sy, row.data());
    lastRow = sy;
    return row.data();
  });
}

Bitmap thumbnailByFullDecode(const std::string& path, bool isJpeg) {
  std::unique_ptr<Picture> picture;
  if (isJpeg) {
    picture = JpegPicture::fromFile(path);
  } else {
    picture = std::make_unique<BitmapPicture>(readBmpFile(path));
  }
  const int w = picture->width(), h = picture->height();
  Bitmap scratch(w, h, PixelFormat::Rgb24);
  Canvas scratchCanvas(scratch);
  scratchCanvas.draw(0, 0, *picture);
  Bitmap thumb = Bitmap::filled(kThumbSide, kThumbSide, PixelFormat::Rgb24, kThumbBackground);
  const int side = std::max(w, h);
  Canvas(thumb).stretchBlt(Rect{0, 0, kThumbSide, kThumbSide}, scratchCanvas,
                           Rect{0, 0, side, side});
  return thumb;
}

}  // namespace vistel
