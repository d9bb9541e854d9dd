#include "program/instance_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>

#include "program/single_instance.h"

namespace vistel::program {

namespace {

// A peer that says nothing for this long is dropped, so a stuck client
// cannot hold descriptors.
constexpr int kPeerTimeoutMs = 5000;

}  // namespace

InstanceServer::InstanceServer(int listeningSocket, std::function<void(const std::string&)> onPath,
                               QObject* parent)
    : QObject(parent), listenFd_(listeningSocket), onPath_(std::move(onPath)) {
  listener_ = new QSocketNotifier(listenFd_, QSocketNotifier::Read, this);
  connect(listener_, &QSocketNotifier::activated, this, [this] { acceptPending(); });
}

InstanceServer::~InstanceServer() {
  for (auto& [fd, peer] : peers_) {
    peer.notifier.reset();
    peer.timeout.reset();
    ::close(fd);
  }
}

void InstanceServer::acceptPending() {
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR) continue;
      return;  // EAGAIN: none left; anything else: wait for the next one
    }
    ucred peer{};
    socklen_t len = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0 || peer.uid != ::geteuid()) {
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
  const bool taken = decodeMessage(data, path);
  if (taken) {
    [[maybe_unused]] ssize_t n = ::send(fd, kAnswer, std::strlen(kAnswer), MSG_NOSIGNAL);
  }
  drop(fd);
  // A bare connection (a start alongside us checking that we are alive)
  // carries no message and asks for nothing.
  if (taken && onPath_) QTimer::singleShot(0, this, [this, path] { onPath_(path); });
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
