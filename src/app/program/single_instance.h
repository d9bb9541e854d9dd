#pragma once

// One device per user and display: the first viewer listens on a local
// socket in a private folder of the user's; a later start hands its path to
// it and ends. Plain POSIX, so that a start that only hands over never
// connects to the window system.
#include <sys/types.h>

#include <string>

namespace vistel::program {

struct InstancePlace {
  std::string folder;
  std::string socket;
  std::string lock;
  std::string error;  // set when no private place could be had
};

// Makes sure `folder` is a private folder of `uid`: created if missing, a
// real folder (not a symbolic link), owned by uid, mode 0700 (a wider mode
// of the user's own folder is narrowed). Returns why not, or "".
std::string preparePrivateFolder(const std::string& folder, uid_t uid);

// $XDG_RUNTIME_DIR/vistel when that folder is the user's own, else
// /tmp/vistel-<uid>. The socket is named after the display: a device on
// another screen does not lie over this one.
InstancePlace instancePlace(const char* runtimeDir, const char* display, uid_t uid);

// The bytes on the wire: a tag line, then the absolute path as raw bytes up
// to the end of the stream (an empty path asks only to come forward). The
// running viewer answers kAnswer once it has taken the message.
std::string encodeMessage(const std::string& path);
bool decodeMessage(const std::string& bytes, std::string& path);
inline constexpr std::size_t kMaxMessage = std::size_t{64} * 1024;
inline constexpr const char* kAnswer = "ok\n";

enum class Delivery {
  Delivered,
  NoViewer,  // nothing listens (no socket, or a stale one)
  NoAnswer,  // something listens but did not take the message in time
  Refused,   // the socket is not the user's own
};

// Connects to `socket` and hands `path` over, waiting up to timeoutMs for
// the answer.
Delivery deliverPath(const std::string& socket, uid_t uid, const std::string& path, int timeoutMs);

class InstanceClaim {
 public:
  enum class Result {
    HandedOver,    // a running viewer took the path: this start is done
    Listening,     // this start is the viewer of its display now
    OtherRunning,  // one answers, but this start was asked to run alongside
    NoAnswer,      // one listens but does not answer
    Unavailable,   // no private place for the socket; see error()
  };

  // Under a lock on place.lock, so that two starts at once cannot both take
  // the socket: hands `path` to the viewer that answers (unless handOver is
  // false), otherwise replaces a stale socket and listens on it.
  InstanceClaim(const InstancePlace& place, uid_t uid, bool handOver, const std::string& path,
                int answerTimeoutMs);
  // Stops listening and removes the socket, if it is still ours.
  ~InstanceClaim();
  InstanceClaim(const InstanceClaim&) = delete;
  InstanceClaim& operator=(const InstanceClaim&) = delete;

  Result result() const { return result_; }
  int listeningSocket() const { return listenFd_; }
  const std::string& error() const { return error_; }

 private:
  void listenOn(const std::string& socket);
  Result result_ = Result::Unavailable;
  int listenFd_ = -1;
  std::string socket_;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  std::string error_;
};

}  // namespace vistel::program
