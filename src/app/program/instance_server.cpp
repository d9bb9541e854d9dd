#include "program/instance_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "program/handover_message.h"

namespace vistel::program {

namespace {

// A peer that says nothing for this long is dropped, so a stuck client
// cannot hold descriptors.
constexpr int kPeerTimeoutMs = 5000;
// After an accept that failed for want of descriptors or memory, the
// listener rests this long before trying again, twice as long after each
// further failure up to the most.
constexpr int kAcceptPauseMs = 50;
constexpr int kMaxAcceptPauseMs = 1600;

// One small answer on a socket that does not block: all of it goes into an
// empty send buffer, or the peer is gone.
bool answer(int fd, std::string_view text) {
  ssize_t n = -1;
  do {
    n = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(text.size());
}

bool sameUser(int fd) {
  ucred peer{};
  socklen_t len = sizeof peer;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) == 0 && peer.uid == ::geteuid();
}

}  // namespace

InstanceServer::InstanceServer(int listeningSocket, std::function<void(const std::string&)> onPath,
                               std::function<bool()> takesPaths, QObject* parent)
    : QObject(parent),
      listenFd_(listeningSocket),
      onPath_(std::move(onPath)),
      takesPaths_(std::move(takesPaths)),
      acceptPauseMs_(kAcceptPauseMs) {
  listener_ = new QSocketNotifier(listenFd_, QSocketNotifier::Read, this);
  connect(listener_, &QSocketNotifier::activated, this, [this] { acceptPending(); });
}

InstanceServer::~InstanceServer() {
  for (auto& [fd, peer] : peers_) {
    peer.notifier.reset();
    peer.timeout.reset();
    answer(fd, kGoingAway);
    ::close(fd);
  }
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0 && errno == EINTR) continue;
    if (fd < 0) break;
    if (sameUser(fd)) answer(fd, kGoingAway);
    ::close(fd);
  }
}

void InstanceServer::acceptPending() {
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return;  // none left
      // Out of descriptors or memory (EMFILE, ENFILE, ENOBUFS, ENOMEM): the
      // connection stays queued and the listener readable, so the notifier
      // would fire again at once for as long as the shortage lasts. Rest,
      // and take it once there is room again.
      listener_->setEnabled(false);
      QTimer::singleShot(acceptPauseMs_, this, [this] { listener_->setEnabled(true); });
      acceptPauseMs_ = std::min(acceptPauseMs_ * 2, kMaxAcceptPauseMs);
      return;
    }
    acceptPauseMs_ = kAcceptPauseMs;
    if (!sameUser(fd)) {
      ::close(fd);
      continue;
    }
    Peer& p = peers_[fd];
    p.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(p.notifier.get(), &QSocketNotifier::activated, this, [this, fd] { readFrom(fd); });
    p.timeout = std::make_unique<QTimer>();
    p.timeout->setSingleShot(true);
    connect(p.timeout.get(), &QTimer::timeout, this, [this, fd] { drop(fd); });
    p.timeout->start(kPeerTimeoutMs);
  }
}

void InstanceServer::readFrom(int fd) {
  const auto it = peers_.find(fd);
  if (it == peers_.end()) return;
  std::string& data = it->second.data;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n > 0) {
      data.append(buf, static_cast<std::size_t>(n));
      if (data.size() > kMaxMessage) return drop(fd);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;  // more to come
    break;  // the end of the message, or a broken connection
  }
  std::string path;
  // A bare connection (a start alongside us checking that we are alive)
  // carries no message, asks for nothing and gets no answer.
  const bool message = decodeMessage(data, path);
  const bool taking = message && (!takesPaths_ || takesPaths_());
  const bool answered = message && answer(fd, taking ? kAnswer : kGoingAway);
  drop(fd);
  // The sender has its answer, or has given up and runs its own viewer: a
  // path is acted on only in the first case.
  if (taking && answered && onPath_) QTimer::singleShot(0, this, [this, path] { onPath_(path); });
}

void InstanceServer::drop(int fd) {
  const auto it = peers_.find(fd);
  if (it == peers_.end()) return;
  // The notifier goes before its descriptor is closed; it may be the one
  // whose signal is running, so it is deleted from the event loop.
  it->second.notifier->setEnabled(false);
  it->second.notifier.release()->deleteLater();
  it->second.timeout->stop();
  it->second.timeout.release()->deleteLater();
  peers_.erase(it);
  ::close(fd);
}

}  // namespace vistel::program
