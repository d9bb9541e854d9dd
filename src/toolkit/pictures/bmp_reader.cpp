#include "bmp_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "bmp_file.h"
#include "bmp_layout.h"
#include "bmp_pixels.h"
#include "file_bytes.h"
#include "picture.h"

namespace vistel {
namespace {

// Bitmap of the layout's size; its size was checked while parsing, so the
// constructor's std::bad_alloc can only mean the memory is really short,
// which is a bitmap the system cannot create.
Bitmap makeBitmap(const bmp::Layout& l) {
  try {
    Bitmap b(l.width, l.height, l.format());
    if (!l.palette.empty()) b.setPalette(l.palette);
    return b;
  } catch (const std::bad_alloc&) {
    bmp::failInvalid();
  }
}

// Uncompressed pixels are read in blocks of whole rows into one reused
// buffer, converted while they are still in the cache; a whole-file buffer
// would cost as many fresh pages as the file has.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
// RLE streams go through a smaller block: the longest command (an absolute
// run of 255 pixels) is 258 bytes.
constexpr std::size_t kRleBlockBytes = std::size_t{64} << 10;

// Decodes a file's RLE stream a block at a time, up to where it ends (an
// end-of-bitmap, the last row passed or the end of the file): a file that
// claims gigabytes holds no more than a block here.
void streamRle(const bmp::OpenedFile& file, const bmp::PixelDecoder& decoder,
               const std::function<std::uint32_t*(int)>& rowAt,
               const std::atomic<bool>* interrupt) {
  std::vector<std::uint8_t> block(kRleBlockBytes);
  std::uint64_t offset = file.layout().pixelOffset;
  std::size_t kept = 0;  // the start of a command cut off by the last block
  bmp::PixelDecoder::RleCursor at;
  while (!at.ended) {
    if (interrupt != nullptr && interrupt->load(std::memory_order_relaxed))
      throw PictureError(kReadInterruptedText);
    const std::size_t got = file.readAt(block.data() + kept, block.size() - kept, offset);
    offset += got;
    const bool last = kept + got < block.size();
    const std::size_t used =
        decoder.decodeRle(std::span(block.data(), kept + got), at, last, rowAt);
    kept += got - used;
    std::memmove(block.data(), block.data() + used, kept);
  }
}

}  // namespace

Bitmap readBmp(std::span<const std::uint8_t> data) {
  if (data.empty()) return Bitmap();
  const bmp::ParseResult parsed = bmp::parseLayout(data, data.size());
  if (!parsed.layout) bmp::failInvalid();  // cannot happen: all of the file is at hand
  const bmp::Layout& l = *parsed.layout;
  const bmp::PixelDecoder decoder(l);
  Bitmap out = makeBitmap(l);
  const std::span<const std::uint8_t> pixels = data.subspan(l.pixelOffset);
  if (l.compression == bmp::Compression::Rle8 || l.compression == bmp::Compression::Rle4) {
    decoder.decodeRle(pixels, out);
  } else {
    decoder.convertRows(pixels.first(std::min<std::uint64_t>(pixels.size(), l.pixelBytes())), 0,
                        l.height, out);
  }
  return out;
}

// A file that cannot be opened or read fails with the same message as a
// damaged one: the callers ignore load failures, and one message keeps
// the failure handling uniform.
Bitmap readBmpFile(const std::string& path) {
  const bmp::OpenedFile file(path);
  if (file.empty()) return Bitmap();
  const bmp::Layout& l = file.layout();
  const bmp::PixelDecoder decoder(l);
  Bitmap out = makeBitmap(l);

  if (l.compression == bmp::Compression::Rle8 || l.compression == bmp::Compression::Rle4) {
    // Pixels the stream never reaches keep palette entry 0.
    out.fill(decoder.fillPixel() & kRgbMask);
    streamRle(
        file, decoder, [&out](int row) { return out.scanLine(row); }, nullptr);
    return out;
  }

  const int rowsPerBlock = static_cast<int>(
      std::max<std::uint64_t>(1, kBlockBytes / std::max<std::uint64_t>(l.stride, 1)));
  std::vector<std::uint8_t> block(static_cast<std::size_t>(rowsPerBlock * l.stride));
  for (int row = 0; row < l.height; row += rowsPerBlock) {
    const int rows = std::min(rowsPerBlock, l.height - row);
    const std::size_t want = static_cast<std::size_t>(rows * l.stride);
    const std::size_t got =
        file.readAt(block.data(), want, l.pixelOffset + static_cast<std::uint64_t>(row) * l.stride);
    decoder.convertRows(std::span(block.data(), got), row, rows, out);
    if (got < want) {  // cut short: the rows after this block get the fill pixel too
      decoder.convertRows({}, row + rows, l.height - row - rows, out);
      break;
    }
  }
  return out;
}

struct BmpRowReader::State {
  explicit State(const std::string& path) : file(path) {
    if (!file.empty()) decoder.emplace(file.layout());
  }
  bmp::OpenedFile file;
  std::optional<bmp::PixelDecoder> decoder;
  std::vector<std::uint8_t> row;
};

BmpRowReader::BmpRowReader(const std::string& path) : s_(std::make_unique<State>(path)) {}
BmpRowReader::~BmpRowReader() = default;

int BmpRowReader::width() const { return s_->file.empty() ? 0 : s_->file.layout().width; }
int BmpRowReader::height() const { return s_->file.empty() ? 0 : s_->file.layout().height; }

bool BmpRowReader::rowsReadable() const {
  if (s_->file.empty()) return true;
  const bmp::Compression c = s_->file.layout().compression;
  return c != bmp::Compression::Rle8 && c != bmp::Compression::Rle4;
}

std::uint32_t BmpRowReader::fillPixel() const {
  return s_->decoder ? s_->decoder->fillPixel() : toPixel(kBlack);
}

void BmpRowReader::readRle(const std::function<std::uint32_t*(int)>& rowAt,
                           const std::atomic<bool>* interrupt) {
  if (rowsReadable()) bmp::failInvalid();
  streamRle(s_->file, *s_->decoder, rowAt, interrupt);
}

void BmpRowReader::readRow(int y, std::uint32_t* out) {
  State& s = *s_;
  if (!rowsReadable() || s.file.empty() || y < 0 || y >= height()) bmp::failInvalid();
  const bmp::Layout& l = s.file.layout();
  const int stored = l.topDown ? y : l.height - 1 - y;
  s.row.resize(static_cast<std::size_t>(l.stride));
  const std::size_t got = s.file.readAt(
      s.row.data(), s.row.size(), l.pixelOffset + static_cast<std::uint64_t>(stored) * l.stride);
  s.decoder->convertRow(std::span(s.row.data(), got), out);
}

}  // namespace vistel
