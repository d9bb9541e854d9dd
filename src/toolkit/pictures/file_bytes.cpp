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

std::vector<std::uint8_t> readFileBytes(const std::string& path,
                                        const std::atomic<bool>* interrupt) {
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
    if (interrupt != nullptr && interrupt->load(std::memory_order_relaxed))
      throw PictureError(kReadInterruptedText);
    // Past the expected size, through a small probe buffer, so that the
    // usual case does not grow the vector at all.
    std::uint8_t probe[4096];
    const bool beyond = used == data.size();
    const ssize_t n =
        beyond ? ::read(fd, probe, sizeof probe)
               : ::read(fd, data.data() + used, std::min(data.size() - used, kReadBlock));
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

}  // namespace vistel
