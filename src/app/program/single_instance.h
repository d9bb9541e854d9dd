#pragma once

// One device per user and display: the first viewer listens on a local
// socket in a private folder of the user's; a later start hands its path to
// it and ends. Plain POSIX, so that a start that only hands over never
// connects to the window system.
#include <sys/types.h>

#include <string>

#include "program/handover_message.h"

namespace vistel::program {

struct InstancePlace {
  std::string folder;
  std::string socket;
  std::string lock;
  std::string error;  // set when no private place could be had
  std::string note;   // set when $XDG_RUNTIME_DIR was given but not used, and why
};

// Makes sure `folder` is a private folder of `uid`: created if missing, a
// real folder (not a symbolic link), owned by uid, mode 0700 (a wider mode
// of the user's own folder is narrowed). Returns why not, or "".
std::string preparePrivateFolder(const std::string& folder, uid_t uid);

// $XDG_RUNTIME_DIR/vistel when that folder is the user's own, closed to
// others' writes, and the socket's folder can be made there; else
// /tmp/vistel-<uid>, when /tmp keeps users from removing each other's files
// (the other users of a shared machine could otherwise swap the folder).
// The socket is named after the display: a device on another screen does
// not lie over this one.
InstancePlace instancePlace(const char* runtimeDir, const char* display, uid_t uid);

enum class Delivery {
  Delivered,
  NoViewer,   // nothing listens (no socket, or a stale one)
  NoAnswer,   // something listens but did not take the message in time
  Refused,    // the socket is not the user's own
  GoingAway,  // the viewer is shutting down and took nothing
};

// Connects to `socket` and hands `path` over, giving up after timeoutMs
// whatever it waits for: a place in a full listen queue or the answer.
Delivery deliverPath(const std::string& socket, uid_t uid, const std::string& path, int timeoutMs);

class InstanceClaim {
 public:
  enum class Result {
    HandedOver,    // a running viewer took the path: this start is done
    Listening,     // this start is the viewer of its display now
    OtherRunning,  // one answers, but this start was asked to run alongside
    NoAnswer,      // one listens but does not answer, or another start held
                   // the lock past the deadline; see error()
    Unavailable,   // no private place for the socket; see error()
  };

  // Under a lock on place.lock, so that two starts at once cannot both take
  // the socket: hands `path` to the viewer that answers (unless handOver is
  // false), otherwise replaces a stale socket, or the socket of a viewer
  // going away, and listens on it. Waits no longer than answerTimeoutMs in
  // all: for the lock, a place in the listen queue and the answer.
  InstanceClaim(const InstancePlace& place, uid_t uid, bool handOver, const std::string& path,
                int answerTimeoutMs);
  // Removes the socket's name, if it is still ours, so that later starts
  // find no viewer and start their own; the descriptor stays open until
  // the end, for those who connected before to be told we are going away.
  void withdraw();
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
