#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QSocketNotifier;
class QTimer;

namespace vistel::program {

// The running viewer's side of the hand-over: accepts connections on the
// listening socket from the event loop, takes only peers of the same user,
// reads each message to its end, answers, and passes the path on from a
// fresh turn of the event loop (the receiver may open a modal box).
class InstanceServer : public QObject {
  Q_OBJECT

 public:
  InstanceServer(int listeningSocket, std::function<void(const std::string& path)> onPath,
                 QObject* parent = nullptr);
  ~InstanceServer() override;

 private:
  struct Peer {
    std::unique_ptr<QSocketNotifier> notifier;
    std::unique_ptr<QTimer> timeout;
    std::string data;
  };
  void acceptPending();
  void readFrom(int fd);
  void drop(int fd);

  int listenFd_;
  std::function<void(const std::string&)> onPath_;
  QSocketNotifier* listener_ = nullptr;
  std::map<int, Peer> peers_;
};

}  // namespace vistel::program
