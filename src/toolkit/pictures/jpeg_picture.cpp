#include "jpeg_picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

// After <cstdio>: jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "stretch_draw.h"

namespace vistel {
namespace {

std::atomic<int> gScreenBits{32};

[[noreturn]] void cannotRead(const std::string& path, const char* reason) {
  throw PictureError("Cannot open file \"" + path + "\". " + reason);
}

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
  // Non-blocking, so that a named pipe given a picture's name cannot hang
  // the open; it is refused below like every file that is not regular.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) cannotRead(path, std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};

  struct stat st {};
  if (::fstat(fd, &st) != 0) cannotRead(path, std::strerror(errno));
  if (!S_ISREG(st.st_mode)) cannotRead(path, "Not a regular file");
  std::vector<std::uint8_t> data;
  if (st.st_size > 0) data.resize(static_cast<std::size_t>(st.st_size));
  std::size_t used = 0;
  for (;;) {
    // Read to the end whatever fstat said, in case the file is still being
    // written; past the expected size, through a small probe buffer, so that
    // the usual case does not grow the vector at all.
    std::uint8_t probe[4096];
    const bool beyond = used == data.size();
    const ssize_t n = beyond ? ::read(fd, probe, sizeof probe)
                             : ::read(fd, data.data() + used, data.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      cannotRead(path, std::strerror(errno));
    }
    if (n == 0) break;
    if (beyond) data.insert(data.end(), probe, probe + n);
    used += static_cast<std::size_t>(n);
  }
  data.resize(used);
  return data;
}

}  // namespace

JpegPicture::JpegPicture(std::vector<std::uint8_t> data) : data_(std::move(data)) {
  if (data_.empty()) return;
  JpegDecoder decoder(data_);
  header_ = decoder.readHeader();
}

std::unique_ptr<JpegPicture> JpegPicture::fromFile(const std::string& path) {
  return std::make_unique<JpegPicture>(readWholeFile(path));
}

void JpegPicture::setScreenBitsPerPixel(int bits) { gScreenBits.store(bits); }
int JpegPicture::screenBitsPerPixel() { return gScreenBits.load(); }

const Bitmap& JpegPicture::decoded() {
  if (!decodeAttempted_) decode();
  return bitmap_;
}

void JpegPicture::decode() {
  // Marked first: whatever happens below is reported once, never retried.
  decodeAttempted_ = true;
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
