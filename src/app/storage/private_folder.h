#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace vistel {

// Files the program keeps for itself under the user's cache folder.

// A descriptor closed when it goes.
struct Fd {
  int fd;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int release() { return std::exchange(fd, -1); }
};

// Reads `size` bytes from the start of `fd`, or writes them at its current
// end; false when the file ends first or a read or write fails.
bool readAll(int fd, std::uint8_t* into, std::size_t size);
bool writeAll(int fd, const std::uint8_t* from, std::size_t size);

// Opens `folder`, whose last `ownLevels` folders are the program's own below
// a cache root, and checks those levels: each a real folder (no symbolic
// link), the user's, closed to everyone else; they are made so (mode 0700,
// the missing folders of the root too) when `create` is set. Gives the
// descriptor, or -1 with `why` empty when a level is missing and not to be
// made, or with `why` set when the folder cannot be made or trusted.
int openPrivateFolder(const std::string& folder, int ownLevels, bool create, std::string& why);

// $XDG_CACHE_HOME, or $HOME/.cache when that is not set to an absolute
// path; empty when neither is.
std::string cacheRoot();

}  // namespace vistel
