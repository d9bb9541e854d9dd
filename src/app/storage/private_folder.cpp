#include "storage/private_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vistel {

bool readAll(int fd, std::uint8_t* into, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, into + done, size - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool writeAll(int fd, const std::uint8_t* from, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, from + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

int openPrivateFolder(const std::string& folder, int ownLevels, bool create, std::string& why) {
  std::size_t split = folder.size();
  for (int level = 0; level < ownLevels && split != std::string::npos; ++level)
    split = split == 0 ? std::string::npos : folder.rfind('/', split - 1);
  if (split == std::string::npos || folder[0] != '/') {
    why = "not an absolute path with a cache root";
    return -1;
  }
  const std::string root = split == 0 ? "/" : folder.substr(0, split);
  if (create) {
    // Each missing folder on the way is made private, as a cache's should be.
    for (std::size_t at = root.find('/', 1);; at = root.find('/', at + 1)) {
      if (::mkdir(root.substr(0, at).c_str(), 0700) != 0 && errno != EEXIST) break;
      if (at == std::string::npos) break;
    }
  }
  Fd dir(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.fd < 0) {
    if (errno != ENOENT || create) why = root + ": " + std::strerror(errno);
    return -1;
  }
  const uid_t uid = ::geteuid();
  for (std::size_t at = split + 1; at < folder.size();) {
    std::size_t end = folder.find('/', at);
    if (end == std::string::npos) end = folder.size();
    const std::string name = folder.substr(at, end - at);
    const std::string shown = folder.substr(0, end);
    at = end + 1;
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int next = ::openat(dir.fd, name.c_str(), kFlags);
    if (next < 0 && errno == ENOENT && create) {
      if (::mkdirat(dir.fd, name.c_str(), 0700) != 0 && errno != EEXIST) {
        why = shown + ": " + std::strerror(errno);
        return -1;
      }
      next = ::openat(dir.fd, name.c_str(), kFlags);
    }
    if (next < 0) {
      const int err = errno;
      struct stat link {};
      if (::fstatat(dir.fd, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISLNK(link.st_mode)) {
        why = shown + " is a symbolic link";
      } else if (err != ENOENT || create) {
        why = shown + ": " + std::strerror(err);
      }
      return -1;
    }
    Fd level(next);
    struct stat st {};
    if (::fstat(level.fd, &st) != 0) {
      why = shown + ": " + std::strerror(errno);
      return -1;
    }
    if (st.st_uid != uid) {
      why = shown + " belongs to another user";
      return -1;
    }
    if ((st.st_mode & 077) != 0) {
      char mode[8];
      std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
      why = shown + " is open to other users (mode " + mode + ")";
      return -1;
    }
    ::close(dir.fd);
    dir.fd = level.release();
  }
  return dir.release();
}

std::string cacheRoot() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.cache";
  return {};
}

}  // namespace vistel
