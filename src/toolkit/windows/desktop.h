#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <map>
#include <vector>

#include "windows/window_stack.h"

namespace vistel {

class Form;

// The application's windows on the screen: the stacking model and its
// mirror. Every change of the model is carried to the real windows at once
// (stay-on-top flags, then raising in order, then a flush), and the window
// system's own activation reports are fed back into the model.
class Desktop : public QObject {
  Q_OBJECT

 public:
  Desktop();
  ~Desktop() override;

  // The desktop the forms use unless they are given another one.
  static Desktop& instance();

  WindowStack& stack() { return stack_; }
  const WindowStack& stack() const { return stack_; }
  Form* form(WindowId id) const;

  // What the last restacking did, bottom to top (tests).
  const std::vector<Form*>& lastRaiseOrder() const { return lastRaised_; }
  int restackCount() const { return restacks_; }

  // Called by forms.
  WindowId attach(Form* form, bool stayOnTop);
  void detach(Form* form);
  void windowActivated(Form* form);
  // Puts the model's order and activation back on the screen, whatever the
  // window manager did meanwhile.
  void restoreOrder() { forceMirror(); }
  // The window manager has put a newly shown window on the screen; its own
  // placement of new windows may have undone our order, so it is restored.
  void windowMapped(Form* form);
  // A restacking sent and not yet seen in the window manager's stacking
  // list (tests).
  bool awaitingStacking() const { return awaiting_; }

  // The first frame of a set of windows built and shown before the event
  // loop runs: without the loop, `form` could paint only once the whole set
  // is built. Called right after `form` is shown, this waits until it has
  // painted, at most kFirstFrameWaitMs, handling the window system's reports
  // meanwhile (input waits for the event loop); the window manager's taking
  // the window on is the most of it. Once painted, or not visible: no wait.
  void awaitFirstPaint(Form* form);
  // Called by forms.
  void formPainted(Form* form);
  static constexpr int kFirstFrameWaitMs = 100;

  // While a set of windows is built and shown, the model changes at every
  // step, but the screen needs only the outcome: under a hold the model
  // changes as ever and the mirroring, with its round trips to the window
  // system, waits until the last hold ends, then runs once.
  class MirrorHold {
   public:
    explicit MirrorHold(Desktop& desktop) : desktop_(desktop) { ++desktop_.holds_; }
    ~MirrorHold() { desktop_.endHold(); }
    MirrorHold(const MirrorHold&) = delete;
    MirrorHold& operator=(const MirrorHold&) = delete;

   private:
    Desktop& desktop_;
  };

 private:
  void mirror();
  // How many of `wanted` (ours, bottom to top) already lie in that order at
  // the bottom of our windows on the screen, so need no raising.
  std::size_t inPlaceAtBottom(const std::vector<Form*>& wanted) const;
  void applicationStateChanged(Qt::ApplicationState state);
  // While the activation we gave to another program is on its way, a report
  // of ours is the window manager falling back on us: it is sent on again.
  bool givingAway();
  void confirmDeactivation();
  void pressedSomewhere();
  void forceMirror();
  void endHold();
  // Our windows in the window manager's stacking list, bottom to top; those
  // it has not taken on yet are missing.
  std::vector<Form*> stackedByManager(const std::vector<std::uint32_t>& list,
                                      bool* foreignAbove) const;
  // Compares the window manager's stacking list with the order last sent:
  // done once they agree; sent again when the list has settled otherwise.
  void checkStacking();

  WindowStack stack_;
  std::map<WindowId, Form*> forms_;
  std::vector<WindowId> mirroredOrder_;  // full order of visible windows
  WindowId mirroredActive_ = kNoWindow;
  // The activation we asked the window system for; its reports of other
  // windows arriving meanwhile are stale.
  WindowId requested_ = kNoWindow;
  QElapsedTimer requestedAt_;
  // Given to another program while ours stay above its window: a fallback
  // on ours gives it the keys back without raising it.
  bool givenBelowOurs_ = false;
  QTimer deactivation_;
  std::map<WindowId, QElapsedTimer> mappedAt_;
  QElapsedTimer restackedAt_;
  QElapsedTimer correcting_;
  int corrections_ = 0;
  std::vector<Form*> lastRaised_;
  int restacks_ = 0;
  bool mirroring_ = false;
  int holds_ = 0;
  Form* awaitedFrame_ = nullptr;
  QEventLoop* frameWait_ = nullptr;
  bool heldMirror_ = false;  // a change came in under a hold
  bool watchingPresses_ = false;
  QTimer remirror_;
  // The last restacking is checked against the window manager's answer.
  bool awaiting_ = false;
  QTimer check_;
  int checkTicks_ = 0;
  int unchangedTicks_ = 0;
  int resends_ = 0;
  bool resending_ = false;
  std::vector<std::uint32_t> lastList_;
  // Ours above other programs' windows as last sent, bottom to top, and the
  // window the manager has just activated (and raised) by our request.
  std::vector<Form*> sentAbove_;
  Form* managerRaised_ = nullptr;
};

}  // namespace vistel
