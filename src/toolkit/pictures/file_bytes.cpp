#include "file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "picture.h"

namespace vistel {
namespace {

[[noreturn]] void cannotRead(const std::string& path, const char* reason) {
  throw PictureError("Cannot open file \"" + path + "\". " + reason);
}

// Largest single read: an interrupt is seen at least this often.
constexpr std::size_t kReadBlock = std::size_t{1} << 20;

}  // namespace

FileReader::FileReader(const std::string& path)
    : path_(path), fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
  if (fd_ < 0) cannotRead(path, std::strerror(errno));
  struct stat st {};
  const char* refused = nullptr;
  if (::fstat(fd_, &st) != 0) {
    refused = std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    refused = "Not a regular file";
  }
  if (refused != nullptr) {
    ::close(fd_);  // no destructor runs for a constructor that throws
    cannotRead(path, refused);
  }
  size_ = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

FileReader::~FileReader() { ::close(fd_); }

std::size_t FileReader::read(std::uint8_t* into, std::size_t size,
                             const std::atomic<bool>* interrupt) {
  for (;;) {
    if (interrupt != nullptr && interrupt->load(std::memory_order_relaxed))
      throw PictureError(kReadInterruptedText);
    const ssize_t n = ::read(fd_, into, std::min(size, kReadBlock));
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) cannotRead(path_, std::strerror(errno));
  }
}

void FileReader::skip(std::uint64_t n) {
  if (::lseek(fd_, static_cast<off_t>(n), SEEK_CUR) < 0) cannotRead(path_, std::strerror(errno));
}

std::vector<std::uint8_t> readFileBytes(const std::string& path,
                                        const std::atomic<bool>* interrupt) {
  FileReader file(path);
  std::vector<std::uint8_t> data(static_cast<std::size_t>(file.size()));
  std::size_t used = 0;
  for (;;) {
    // Past the expected size, through a small probe buffer, so that the
    // usual case does not grow the vector at all.
    std::uint8_t probe[4096];
    const bool beyond = used == data.size();
    const std::size_t n = beyond ? file.read(probe, sizeof probe, interrupt)
                                 : file.read(data.data() + used, data.size() - used, interrupt);
    if (n == 0) break;
    if (beyond) data.insert(data.end(), probe, probe + n);
    used += n;
  }
  data.resize(used);
  return data;
}

}  // namespace vistel
