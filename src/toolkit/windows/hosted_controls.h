#pragma once

#include <QImage>
#include <QTimer>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "controls/control.h"
#include "pictures/geometry.h"

class QMouseEvent;
class QWidget;

namespace vistel {

// The graphic controls one widget hosts, for every kind of host (a top-level
// form, a panel inside a window): it owns them, keeps the order they paint
// and take the mouse in, finds the one under a point, and shows the hint of
// the one the pointer rests on. The widget routes its own input; the host is
// what the controls report their repaints to.
class HostedControls {
 public:
  HostedControls(QWidget& widget, ControlHost& host);
  ~HostedControls();
  HostedControls(const HostedControls&) = delete;
  HostedControls& operator=(const HostedControls&) = delete;

  // Creates a control owned here; controls paint and take the mouse in
  // creation order (the last created is on top).
  template <typename T, typename... Args>
  T* create(Args&&... args) {
    auto control = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = control.get();
    adopt(std::move(control));
    return raw;
  }
  void adopt(std::unique_ptr<Control> control);

  // A grid of controls beneath all the others: the control of cell i lies
  // within the pitchX by pitchY cell at column i % columns and row
  // i / columns from (left, top), in content coordinates. Painting and hit
  // testing look only at the cells of the area, however many there are.
  // A cell's control is never client-aligned.
  struct Grid {
    int left = 0;
    int top = 0;
    int pitchX = 1;
    int pitchY = 1;
    int columns = 1;
    friend bool operator==(const Grid&, const Grid&) = default;
  };
  // The cells' layout (their controls move themselves); the host is
  // repainted.
  void setGrid(const Grid& grid);
  // Adopts a control as the one in cell i, or among the others when the
  // cell is taken.
  void adoptCell(std::unique_ptr<Control> control, std::size_t i);
  // Frees a control of this host and repaints where it was; false when it
  // is not one of ours.
  bool destroy(Control* control);
  // Takes every control of the list that is one of ours off the host (it is
  // no longer painted, hit or hovered, and the host is repainted) and hands
  // it over to the caller, in one pass over the host's controls however many
  // there are: a grid of many thousand thumbnails goes at once, and its
  // host may free them a few at a time. The controls still name this host
  // until the caller frees them or hands them to another.
  std::vector<std::unique_ptr<Control>> release(const std::vector<Control*>& controls);
  // Frees every control, before the host itself goes.
  void clear();
  // Keeps the control above every control, those created later included.
  void keepOnTop(Control* control);

  // Paint and hit order, bottom first, of the controls outside the grid.
  const std::vector<Control*>& order() const { return order_; }
  std::size_t size() const { return owned_.size(); }
  bool holds(const Control* control) const;
  // The topmost visible, enabled control whose rectangle holds the point
  // (host client coordinates), or none: a disabled control takes no input,
  // which goes to what lies beneath it.
  Control* controlAt(int x, int y) const;

  // Paints the visible controls, in order, into `target` within `area`,
  // each clipped to its rectangle.
  void paint(QImage& target, const Rect& area);

  // The control under the pointer: the one left and the one entered hear of
  // it, and the new one's hint shows after kHintPause for kHintHidePause.
  // True when the control under the pointer changed.
  Control* hovered() const { return hovered_; }
  bool hover(Control* control);
  // Takes a hint down, or keeps a pending one from showing (a press does).
  void hideHint();

  static constexpr int kHintPause = 500;
  static constexpr int kHintHidePause = 2500;

 private:
  void showHint();
  // The cells that may hold a part of the content rectangle, row by row.
  template <typename Visit>
  void forCellsIn(const Rect& content, Visit visit) const;

  QWidget& widget_;
  ControlHost& host_;
  std::vector<std::unique_ptr<Control>> owned_;
  std::vector<Control*> order_;
  Grid grid_;
  std::vector<Control*> cells_;  // null where a cell is free
  Control* onTop_ = nullptr;
  Control* hovered_ = nullptr;
  QTimer hintTimer_;
};

// The control-level button of a Qt button; none for buttons the controls
// never see (back, forward and the like).
std::optional<MouseButton> controlButton(Qt::MouseButton button);
// A Qt mouse event as a control sees it: in the target's coordinates (the
// host's when there is no target), with the modifier and button flags.
MouseEvent controlMouseEvent(const QMouseEvent& e, MouseButton button, const Control* target,
                             int extraShift = 0);

}  // namespace vistel
