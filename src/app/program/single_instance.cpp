#include "program/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace vistel::program {

namespace {

using Clock = std::chrono::steady_clock;

// How often a start looks again at a lock or a listen queue that is taken.
constexpr auto kRetryPause = std::chrono::milliseconds(20);

std::string why(const std::string& what) { return what + ": " + std::strerror(errno); }

// Closes the descriptor when it goes out of scope.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  ~Fd() { reset(-1); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  void reset(int f) {
    if (fd >= 0) ::close(fd);
    fd = f;
  }
};

// Sleeps a little before the next try; false once the deadline has passed.
bool pauseBefore(Clock::time_point deadline) {
  const auto now = Clock::now();
  if (now >= deadline) return false;
  std::this_thread::sleep_for(std::min<Clock::duration>(kRetryPause, deadline - now));
  return true;
}

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

// Why the runtime folder cannot hold ours, or "".
std::string runtimeFolderProblem(const char* path, uid_t uid) {
  struct stat st {};
  if (path[0] != '/') return "not an absolute path";
  if (::lstat(path, &st) != 0) return std::strerror(errno);
  if (!S_ISDIR(st.st_mode)) return "not a folder";
  if (st.st_uid != uid) return "it belongs to another user";
  if ((st.st_mode & 022) != 0) return "others may write in it";
  return {};
}

bool waitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
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
  const std::string name = "/display-" + displayKey(display);
  auto placeIn = [&](const std::string& folder) {
    place.folder = folder;
    place.socket = folder + name;
    place.lock = place.socket + ".lock";
    sockaddr_un addr{};
    if (!socketAddress(place.socket, addr))
      return std::string("the socket's name would be too long");
    return preparePrivateFolder(folder, uid);
  };
  std::string unusable;  // why the runtime folder is not used
  if (runtimeDir != nullptr && *runtimeDir != '\0') {
    unusable = runtimeFolderProblem(runtimeDir, uid);
    if (unusable.empty()) {
      unusable = placeIn(std::string(runtimeDir) + "/vistel");
      if (unusable.empty()) return place;
    }
  }
  // Without a runtime folder, /tmp is the usual place and nothing is said.
  // A folder there is safe only where users cannot remove each other's.
  const std::string fallback = "/tmp/vistel-" + std::to_string(uid);
  struct stat tmp {};
  if (::stat("/tmp", &tmp) != 0 || ((tmp.st_mode & S_IWOTH) != 0 && (tmp.st_mode & S_ISVTX) == 0)) {
    place.error = "/tmp lets users remove each other's files";
  } else {
    place.error = placeIn(fallback);
  }
  if (!unusable.empty()) {
    const std::string given = std::string("$XDG_RUNTIME_DIR ") + runtimeDir;
    if (place.error.empty()) {
      place.note = given + " cannot be used (" + unusable + "); the hand-over socket is in " +
                   fallback + " instead";
    } else {
      place.error = given + ": " + unusable + "; " + place.error;
    }
  }
  return place;
}

namespace {

// Connects to the user's own listener on `socket`; Delivered here means
// connected. A viewer that takes no connections (stopped, or its interface
// thread stuck) leaves its listen queue full: a blocking connect would wait
// for it for ever, so the socket does not block and the connection is tried
// again until the deadline.
Delivery connectTo(const std::string& socket, uid_t uid, Fd& fd, Clock::time_point deadline) {
  struct stat st {};
  if (::lstat(socket.c_str(), &st) != 0) return Delivery::NoViewer;
  if (!S_ISSOCK(st.st_mode) || st.st_uid != uid) return Delivery::Refused;
  sockaddr_un addr{};
  if (!socketAddress(socket, addr)) return Delivery::Refused;
  for (;;) {
    fd.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (fd.fd < 0) return Delivery::NoViewer;
    if (::connect(fd.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) break;
    if (errno == EINPROGRESS) {
      int error = 0;
      socklen_t len = sizeof error;
      if (!waitFor(fd.fd, POLLOUT, deadline)) return Delivery::NoAnswer;
      if (::getsockopt(fd.fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0) break;
      errno = error;
    }
    if (errno != EAGAIN && errno != EINTR)
      return errno == ECONNREFUSED || errno == ENOENT ? Delivery::NoViewer : Delivery::Refused;
    if (!pauseBefore(deadline)) return Delivery::NoAnswer;
  }
  // The listener must be the user's own process too, not only its socket.
  ucred peer{};
  socklen_t len = sizeof peer;
  if (::getsockopt(fd.fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0 || peer.uid != uid)
    return Delivery::Refused;
  return Delivery::Delivered;
}

Delivery deliverBy(const std::string& socket, uid_t uid, const std::string& path,
                   Clock::time_point deadline) {
  Fd fd(-1);
  const Delivery connected = connectTo(socket, uid, fd, deadline);
  if (connected != Delivery::Delivered) return connected;
  const std::string message = encodeMessage(path);
  std::size_t sent = 0;
  while (sent < message.size()) {
    if (!waitFor(fd.fd, POLLOUT, deadline)) return Delivery::NoAnswer;
    const ssize_t n = ::send(fd.fd, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    // A viewer going away may answer and close before reading: its answer
    // is still to be read.
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  ::shutdown(fd.fd, SHUT_WR);
  std::string answer;
  char buf[16];
  while (parseAnswer(answer) == Answer::Incomplete) {
    if (!waitFor(fd.fd, POLLIN, deadline)) return Delivery::NoAnswer;
    const ssize_t n = ::recv(fd.fd, buf, sizeof buf, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return Delivery::NoAnswer;
    answer.append(buf, static_cast<std::size_t>(n));
  }
  switch (parseAnswer(answer)) {
    case Answer::Taken:
      return sent == message.size() ? Delivery::Delivered : Delivery::NoAnswer;
    case Answer::GoingAway:
      return Delivery::GoingAway;
    case Answer::Incomplete:
    case Answer::Unknown:
      break;
  }
  return Delivery::NoAnswer;
}

}  // namespace

Delivery deliverPath(const std::string& socket, uid_t uid, const std::string& path, int timeoutMs) {
  return deliverBy(socket, uid, path, Clock::now() + std::chrono::milliseconds(timeoutMs));
}

InstanceClaim::InstanceClaim(const InstancePlace& place, uid_t uid, bool handOver,
                             const std::string& path, int answerTimeoutMs) {
  if (!place.error.empty()) {
    error_ = place.error;
    return;
  }
  // One deadline for everything this start waits for.
  const auto deadline = Clock::now() + std::chrono::milliseconds(answerTimeoutMs);
  Fd lock(::open(place.lock.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (lock.fd < 0) {
    error_ = why(place.lock);
    return;
  }
  // Not a blocking flock: the start before us may itself be waiting on a
  // viewer that never answers.
  while (::flock(lock.fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      error_ = why(place.lock);
      return;
    }
    if (!pauseBefore(deadline)) {
      error_ = "another start kept " + place.lock + " locked";
      result_ = Result::NoAnswer;
      return;
    }
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
    const Delivery d = handOver ? deliverBy(place.socket, uid, path, deadline)
                                : connectTo(place.socket, uid, probe, deadline);
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
      case Delivery::NoViewer:   // left by a viewer that ended without removing it
      case Delivery::GoingAway:  // ours to take: that viewer has let go of it
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

void InstanceClaim::withdraw() {
  if (socket_.empty()) return;
  // A later start may have replaced the socket after taking ours for stale;
  // only our own is removed.
  struct stat st {};
  if (::lstat(socket_.c_str(), &st) == 0 && st.st_dev == dev_ && st.st_ino == ino_)
    ::unlink(socket_.c_str());
  socket_.clear();
}

InstanceClaim::~InstanceClaim() {
  withdraw();
  if (listenFd_ >= 0) ::close(listenFd_);
}

}  // namespace vistel::program
