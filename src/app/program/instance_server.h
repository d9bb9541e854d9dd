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
// fresh turn of the event loop (the receiver may open a modal box), only
// once the answer went out: a start that gave up waiting runs a viewer of
// its own, and must not find this one showing its path too.
class InstanceServer : public QObject {
  Q_OBJECT

 public:
  // `takesPaths` says whether the viewer still acts on paths; while it says
  // no (the viewer is closing), starts are answered that it is going away.
  InstanceServer(int listeningSocket, std::function<void(const std::string& path)> onPath,
                 std::function<bool()> takesPaths = {}, QObject* parent = nullptr);
  // Tells every start that connected and has no answer yet that the viewer
  // is going away, the ones still in the listen queue too. Meant for after
  // the socket's name is withdrawn, so that no new ones arrive.
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
  std::function<bool()> takesPaths_;
  QSocketNotifier* listener_ = nullptr;
  int acceptPauseMs_;
  std::map<int, Peer> peers_;
};

}  // namespace vistel::program
