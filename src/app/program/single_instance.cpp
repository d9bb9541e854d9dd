#include "program/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace vistel::program {

namespace {

constexpr const char* kTag = "vistel-open 1\n";

std::string why(const std::string& what) { return what + ": " + std::strerror(errno); }

// Closes the descriptor when it goes out of scope.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
};

bool socketAddress(const std::string& path, sockaddr_un& addr) {
  addr = {};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Display names such as ":0" or "host:10.0" become one file-name part.
std::string displayKey(const char* display) {
  std::string key = display != nullptr && *display != '\0' ? display : "none";
  for (char& c : key)
    if (c == '/' || c == '\0') c = '_';
  return key;
}

bool ownFolder(const char* path, uid_t uid) {
  struct stat st {};
  return path != nullptr && path[0] == '/' && ::lstat(path, &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == uid;
}

bool waitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() < 0) return false;
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, static_cast<int>(left.count()));
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) return false;
  }
}

}  // namespace

std::string preparePrivateFolder(const std::string& folder, uid_t uid) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return why(folder);
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) return why(folder);
  if (S_ISLNK(st.st_mode)) return folder + " is a symbolic link";
  if (!S_ISDIR(st.st_mode)) return folder + " is not a folder";
  if (st.st_uid != uid) return folder + " belongs to another user";
  if ((st.st_mode & 077) != 0) {
    // Ours, only too open: narrow it through a descriptor of the very
    // folder that was checked.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat again {};
    if (dir.fd < 0 || ::fstat(dir.fd, &again) != 0 || again.st_ino != st.st_ino ||
        again.st_uid != uid || ::fchmod(dir.fd, 0700) != 0)
      return folder + " cannot be made private";
  }
  return {};
}

InstancePlace instancePlace(const char* runtimeDir, const char* display, uid_t uid) {
  InstancePlace place;
  const std::string name = "display-" + displayKey(display);
  sockaddr_un addr{};
  const std::string runtime = ownFolder(runtimeDir, uid) ? std::string(runtimeDir) : std::string();
  std::string fallback = "/tmp/vistel-";
  fallback += std::to_string(uid);
  const std::string candidates[] = {runtime.empty() ? std::string() : runtime + "/vistel",
                                    fallback};
  for (const std::string& folder : candidates) {
    std::string socket = folder;
    socket.append("/").append(name);
    if (folder.empty() || !socketAddress(socket, addr)) continue;
    place.folder = folder;
    place.socket = socket;
    place.lock = socket + ".lock";
    place.error = preparePrivateFolder(folder, uid);
    return place;
  }
  place.error = "no folder for the socket is short enough";
  return place;
}

std::string encodeMessage(const std::string& path) { return kTag + path; }

bool decodeMessage(const std::string& bytes, std::string& path) {
  const std::size_t tag = std::strlen(kTag);
  if (bytes.size() > kMaxMessage || bytes.compare(0, tag, kTag) != 0) return false;
  path = bytes.substr(tag);
  return path.find('\0') == std::string::npos;
}

namespace {

// Connects to the user's own listener on `socket`; Delivered here means
// connected.
Delivery connectTo(const std::string& socket, uid_t uid, Fd& fd) {
  struct stat st {};
  if (::lstat(socket.c_str(), &st) != 0) return Delivery::NoViewer;
  if (!S_ISSOCK(st.st_mode) || st.st_uid != uid) return Delivery::Refused;
  sockaddr_un addr{};
  if (!socketAddress(socket, addr)) return Delivery::Refused;
  fd.fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd.fd < 0) return Delivery::NoViewer;
  if (::connect(fd.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
    return errno == ECONNREFUSED || errno == ENOENT ? Delivery::NoViewer : Delivery::Refused;
  // The listener must be the user's own process too, not only its socket.
  ucred peer{};
  socklen_t len = sizeof peer;
  if (::getsockopt(fd.fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0 || peer.uid != uid)
    return Delivery::Refused;
  return Delivery::Delivered;
}

}  // namespace

Delivery deliverPath(const std::string& socket, uid_t uid, const std::string& path, int timeoutMs) {
  Fd fd(-1);
  const Delivery connected = connectTo(socket, uid, fd);
  if (connected != Delivery::Delivered) return connected;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const std::string message = encodeMessage(path);
  std::size_t sent = 0;
  while (sent < message.size()) {
    if (!waitFor(fd.fd, POLLOUT, deadline)) return Delivery::NoAnswer;
    const ssize_t n = ::send(fd.fd, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Delivery::NoAnswer;
    sent += static_cast<std::size_t>(n);
  }
  ::shutdown(fd.fd, SHUT_WR);
  std::string answer;
  char buf[16];
  while (answer.size() < std::strlen(kAnswer)) {
    if (!waitFor(fd.fd, POLLIN, deadline)) return Delivery::NoAnswer;
    const ssize_t n = ::recv(fd.fd, buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Delivery::NoAnswer;
    answer.append(buf, static_cast<std::size_t>(n));
  }
  return answer == kAnswer ? Delivery::Delivered : Delivery::NoAnswer;
}

InstanceClaim::InstanceClaim(const InstancePlace& place, uid_t uid, bool handOver,
                             const std::string& path, int answerTimeoutMs) {
  if (!place.error.empty()) {
    error_ = place.error;
    return;
  }
  Fd lock(::open(place.lock.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (lock.fd < 0 || ::flock(lock.fd, LOCK_EX) != 0) {
    error_ = why(place.lock);
    return;
  }
  struct stat st {};
  if (::lstat(place.socket.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode) || st.st_uid != uid) {
      error_ = place.socket + " is not this user's socket";
      return;
    }
    // Alongside a running viewer, a bare connection (no message) is enough
    // to tell that it is alive; it closes without acting.
    Fd probe(-1);
    const Delivery d = handOver ? deliverPath(place.socket, uid, path, answerTimeoutMs)
                                : connectTo(place.socket, uid, probe);
    switch (d) {
      case Delivery::Delivered:
        result_ = handOver ? Result::HandedOver : Result::OtherRunning;
        return;
      case Delivery::NoAnswer:
        result_ = Result::NoAnswer;
        return;
      case Delivery::Refused:
        error_ = place.socket + " does not belong to this user";
        return;
      case Delivery::NoViewer:
        // Left by a viewer that ended without removing it.
        if (::unlink(place.socket.c_str()) != 0 && errno != ENOENT) {
          error_ = why(place.socket);
          return;
        }
        break;
    }
  }
  listenOn(place.socket);
}

void InstanceClaim::listenOn(const std::string& socket) {
  sockaddr_un addr{};
  if (!socketAddress(socket, addr)) {
    error_ = socket + ": name too long";
    return;
  }
  Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (fd.fd < 0 || ::bind(fd.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    error_ = why(socket);
    return;
  }
  struct stat st {};
  if (::chmod(socket.c_str(), 0600) != 0 || ::listen(fd.fd, 16) != 0 ||
      ::lstat(socket.c_str(), &st) != 0) {
    error_ = why(socket);
    ::unlink(socket.c_str());
    return;
  }
  socket_ = socket;
  dev_ = st.st_dev;
  ino_ = st.st_ino;
  listenFd_ = fd.fd;
  fd.fd = -1;
  result_ = Result::Listening;
}

InstanceClaim::~InstanceClaim() {
  if (listenFd_ < 0) return;
  ::close(listenFd_);
  // A later start may have replaced the socket after taking ours for stale;
  // only our own is removed.
  struct stat st {};
  if (::lstat(socket_.c_str(), &st) == 0 && st.st_dev == dev_ && st.st_ino == ino_)
    ::unlink(socket_.c_str());
}

}  // namespace vistel::program
