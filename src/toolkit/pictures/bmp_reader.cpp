#include "bmp_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <vector>

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

class File {
 public:
  explicit File(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~File() {
    if (fd_ >= 0) ::close(fd_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Reads up to `size` bytes at `offset`; fewer only at the end of the file
  // (it may have shrunk since it was measured).
  std::size_t readAt(std::uint8_t* into, std::size_t size, std::uint64_t offset) const {
    std::size_t done = 0;
    while (done < size) {
      const ssize_t got = ::pread(fd_, into + done, size - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) bmp::failInvalid();
      if (got == 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

 private:
  int fd_;
};

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
  File file(path);
  if (!file.isOpen()) bmp::failInvalid();
  struct stat st {};
  if (::fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode)) bmp::failInvalid();
  const auto fileSize = static_cast<std::uint64_t>(st.st_size);
  if (fileSize == 0) return Bitmap();

  // Headers and colour table: read what the parser asks for, at most a few
  // rounds (the info header's size decides where the table lies).
  std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, 4096)));
  head.resize(file.readAt(head.data(), head.size(), 0));
  bmp::ParseResult parsed = bmp::parseLayout(head, fileSize);
  while (!parsed.layout) {  // the parser asks only for more than it had
    const std::size_t had = head.size();
    const auto need = static_cast<std::size_t>(parsed.bytesNeeded);
    try {
      head.resize(need);
    } catch (const std::bad_alloc&) {
      bmp::failInvalid();
    }
    if (file.readAt(head.data() + had, need - had, had) < need - had) {
      bmp::failInvalid();  // the file shrank since it was measured
    }
    parsed = bmp::parseLayout(head, fileSize);
  }
  const bmp::Layout& l = *parsed.layout;
  const bmp::PixelDecoder decoder(l);
  Bitmap out = makeBitmap(l);

  if (l.compression == bmp::Compression::Rle8 || l.compression == bmp::Compression::Rle4) {
    std::vector<std::uint8_t> stream;
    try {
      stream.resize(static_cast<std::size_t>(fileSize - l.pixelOffset));
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

}  // namespace vistel
