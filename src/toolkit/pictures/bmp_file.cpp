#include "bmp_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <vector>

namespace vistel::bmp {

OpenedFile::OpenedFile(const std::string& path)
    : fd_{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)} {
  if (fd_.fd < 0) failInvalid();
  struct stat st {};
  if (::fstat(fd_.fd, &st) != 0 || !S_ISREG(st.st_mode)) failInvalid();
  size_ = static_cast<std::uint64_t>(st.st_size);
  if (size_ == 0) return;
  // Headers and colour table: read what the parser asks for, at most a few
  // rounds (the info header's size decides where the table lies).
  std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::uint64_t>(size_, 4096)));
  head.resize(readAt(head.data(), head.size(), 0));
  ParseResult parsed = parseLayout(head, size_);
  while (!parsed.layout) {  // the parser asks only for more than it had
    const std::size_t had = head.size();
    const auto need = static_cast<std::size_t>(parsed.bytesNeeded);
    try {
      head.resize(need);
    } catch (const std::bad_alloc&) {
      failInvalid();
    }
    if (readAt(head.data() + had, need - had, had) < need - had) {
      failInvalid();  // the file shrank since it was measured
    }
    parsed = parseLayout(head, size_);
  }
  layout_ = std::move(parsed.layout);
}

OpenedFile::Descriptor::~Descriptor() {
  if (fd >= 0) ::close(fd);
}

std::size_t OpenedFile::readAt(std::uint8_t* into, std::size_t size, std::uint64_t offset) const {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got =
        ::pread(fd_.fd, into + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) failInvalid();
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

}  // namespace vistel::bmp
