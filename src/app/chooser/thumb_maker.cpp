#include "chooser/thumb_maker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

#include "chooser/grid_geometry.h"
#include "controls/canvas.h"
#include "pictures/bmp_reader.h"
#include "pictures/file_bytes.h"
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

// A gate entered, left when this goes: declared before the decoder whose
// buffer it guards, it is left after that is freed.
class WholeHold {
 public:
  WholeHold() = default;
  WholeHold(const WholeHold&) = delete;
  WholeHold& operator=(const WholeHold&) = delete;
  ~WholeHold() {
    if (gate_ != nullptr) gate_->leave();
  }
  void enter(WholePictureGate* gate) {
    if (gate != nullptr && !gate->tryEnter()) throw ThumbnailDeferred();
    gate_ = gate;
  }

 private:
  WholePictureGate* gate_ = nullptr;
};

// libjpeg keeps the whole picture for a progressive file's coefficients and
// for the two-pass colour quantiser.
bool jpegNeedsWhole(bool progressive, int components) {
  const bool eightBit = JpegPicture::screenBitsPerPixel() <= 8;
  return progressive || (eightBit && components == 3);
}

// The frame header of a JPEG file, found by walking its markers with small
// reads: progressive or not, and the number of components; nothing when
// the file is not a readable JPEG up to its frame.
std::optional<JpegHeader> peekJpegFrame(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  std::uint8_t b[10];
  auto readAt = [&](off_t at, std::size_t n) {
    ssize_t got;
    do {
      got = ::pread(fd, b, n, at);
    } while (got < 0 && errno == EINTR);
    return got == static_cast<ssize_t>(n);
  };
  if (!readAt(0, 2) || b[0] != 0xFF || b[1] != 0xD8) return std::nullopt;
  off_t at = 2;
  for (int segments = 0; segments < 256; ++segments) {
    if (!readAt(at, 4) || b[0] != 0xFF) return std::nullopt;
    const int marker = b[1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;   // no frame before the data
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
      at += 2;
      continue;
    }
    const bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (!readAt(at + 4, 6)) return std::nullopt;
      JpegHeader h;
      h.progressive = marker == 0xC2 || marker == 0xCA;
      h.components = b[5];
      return h;
    }
    at += 2 + (b[2] << 8 | b[3]);
  }
  return std::nullopt;
}

// The picture rows the sampling picks, each in a buffer of its own, filled
// by a decoder that goes through the picture top to bottom (or, for RLE,
// in the file's order). At most 93 rows of the shorter side's length: a few
// megabytes for the largest picture allowed.
class PickedRows {
 public:
  PickedRows(int w, int h) : w_(w), h_(h), slotOf_(static_cast<std::size_t>(h), -1) {
    const int side = std::max(w, h);
    int slots = 0;
    for (int dy = 0; dy < kThumbSide && side > 0; ++dy) {
      const int sy = nearestSourceIndex(dy, kThumbSide, side);
      if (sy >= h) break;
      if (slotOf_[static_cast<std::size_t>(sy)] < 0)
        slotOf_[static_cast<std::size_t>(sy)] = slots++;
      lastRow_ = sy;
    }
    rows_.resize(static_cast<std::size_t>(slots) * static_cast<std::size_t>(w));
  }
  // The buffer of picture row y, or nullptr when the sampling passes it by.
  std::uint32_t* at(int y) {
    const int slot = y >= 0 && y < h_ ? slotOf_[static_cast<std::size_t>(y)] : -1;
    return slot < 0 ? nullptr : rows_.data() + static_cast<std::size_t>(slot) * w_;
  }
  int lastRow() const { return lastRow_; }
  void fill(std::uint32_t pixel) { std::fill(rows_.begin(), rows_.end(), pixel); }
  Bitmap sample() {
    return sampleRows(w_, h_, [this](int sy) -> const std::uint32_t* { return at(sy); });
  }

 private:
  int w_, h_;
  std::vector<int> slotOf_;
  std::vector<std::uint32_t> rows_;
  int lastRow_ = -1;
};

Bitmap jpegThumbnail(const std::string& path, const std::atomic<bool>* stop,
                     WholePictureGate* gate) {
  // Streamed: the header is read first, and decoding ends with the last
  // picked row, so a file of any size costs a block, the picked rows and
  // libjpeg's own buffers.
  WholeHold whole;
  FileReader file(path);
  JpegDecoder decoder(file);
  // A progressive file is read whole before its first row: the stop flag
  // must reach into libjpeg to end that early.
  decoder.setInterruptFlag(stop);
  const JpegHeader& header = decoder.readHeader();
  checkStop(stop);
  if (jpegNeedsWhole(header.progressive, header.components)) whole.enter(gate);
  const JpegOutput& out = decoder.start(JpegPicture::screenBitsPerPixel() <= 8);
  checkStop(stop);
  PickedRows rows(out.width, out.height);
  const int lastRow = rows.lastRow();
  try {
    decoder.readRows([&](int y) -> std::uint32_t* {
      checkStop(stop);
      // Once the last picked row is in, the rest of the file is not needed:
      // end the decode there rather than skip through it.
      if (y > lastRow) {
        if (decoder.rowsDone() > lastRow) throw ThumbnailStopped();
        return nullptr;
      }
      return rows.at(y);
    });
  } catch (const ThumbnailStopped&) {
    checkStop(stop);  // a real stop goes on up; the early end is fine
    if (decoder.rowsDone() <= lastRow) throw;
  }
  return rows.sample();
}

Bitmap bmpThumbnail(const std::string& path, const std::atomic<bool>* stop) {
  // Uncompressed rows are read one by one, only those the sampling picks;
  // an RLE stream runs on across rows and is read through once, keeping
  // the picked rows alone.
  BmpRowReader file(path);
  if (!file.rowsReadable()) {
    PickedRows rows(file.width(), file.height());
    rows.fill(file.fillPixel());
    file.readRle([&rows](int y) { return rows.at(y); }, stop);
    return rows.sample();
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

}  // namespace

Bitmap makeThumbnail(const std::string& path, bool isJpeg, const std::atomic<bool>* stop,
                     WholePictureGate* gate) {
  checkStop(stop);
  try {
    if (isJpeg) return jpegThumbnail(path, stop, gate);
    return bmpThumbnail(path, stop);
  } catch (const PictureError&) {
    checkStop(stop);  // broken off by the stop flag: a stop, not a bad file
    throw;
  }
}

bool thumbnailNeedsWholePicture(const std::string& path, bool isJpeg) {
  if (!isJpeg) return false;  // BMP rows, RLE or not, are picked as they come
  const std::optional<JpegHeader> h = peekJpegFrame(path);
  return h && jpegNeedsWhole(h->progressive, h->components);
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
