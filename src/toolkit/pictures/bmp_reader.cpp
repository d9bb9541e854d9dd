#include "bmp_reader.h"

#include <algorithm>
#include <new>
#include <optional>
#include <vector>

#include "bmp_file.h"
#include "bmp_layout.h"
#include "bmp_pixels.h"

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
    std::vector<std::uint8_t> stream;
    try {
      stream.resize(static_cast<std::size_t>(file.size() - l.pixelOffset));
    } catch (const std::bad_alloc&) {
      bmp::failInvalid();
    }
    stream.resize(file.readAt(stream.data(), stream.size(), l.pixelOffset));
    decoder.decodeRle(stream, out);
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
