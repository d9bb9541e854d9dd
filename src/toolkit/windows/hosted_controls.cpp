#include "windows/hosted_controls.h"

#include <QCursor>
#include <QMetaObject>
#include <QMouseEvent>
#include <QToolTip>
#include <QWidget>
#include <algorithm>
#include <exception>
#include <unordered_set>

#include "windows/error_box.h"
#include "windows/key_codes.h"

namespace vistel {

HostedControls::HostedControls(QWidget& widget, ControlHost& host) : widget_(widget), host_(host) {
  hintTimer_.setSingleShot(true);
  hintTimer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&hintTimer_, &QTimer::timeout, &widget_, [this] { showHint(); });
}

HostedControls::~HostedControls() { clear(); }

void HostedControls::clear() {
  hintTimer_.stop();
  hovered_ = nullptr;
  onTop_ = nullptr;
  order_.clear();
  cells_.clear();
  owned_.clear();
}

void HostedControls::adopt(std::unique_ptr<Control> control) {
  Control* raw = control.get();
  owned_.push_back(std::move(control));
  // A control kept on top stays last, whatever comes after it. It is the
  // last one already, so there is no need to look for it.
  auto at = order_.end();
  if (onTop_ != nullptr)
    at = order_.back() == onTop_ ? order_.end() - 1
                                 : std::find(order_.begin(), order_.end(), onTop_);
  order_.insert(at, raw);
  raw->setHost(&host_);
  raw->invalidate();
}

void HostedControls::setGrid(const Grid& grid) {
  const Grid g{grid.left, grid.top, std::max(1, grid.pitchX), std::max(1, grid.pitchY),
               std::max(1, grid.columns)};
  if (g == grid_) return;
  grid_ = g;
  host_.invalidateRect({0, 0, host_.clientWidth(), host_.clientHeight()});
}

void HostedControls::adoptCell(std::unique_ptr<Control> control, std::size_t i) {
  // A taken cell keeps its control; the newcomer goes among the others.
  if (i < cells_.size() && cells_[i] != nullptr) {
    adopt(std::move(control));
    return;
  }
  Control* raw = control.get();
  owned_.push_back(std::move(control));
  if (i >= cells_.size()) cells_.resize(i + 1, nullptr);
  cells_[i] = raw;
  raw->setHost(&host_);
  raw->invalidate();
}

bool HostedControls::destroy(Control* control) {
  if (control == nullptr) return false;
  const auto it = std::find(order_.begin(), order_.end(), control);
  const auto cell =
      it == order_.end() ? std::find(cells_.begin(), cells_.end(), control) : cells_.end();
  if (it == order_.end() && cell == cells_.end()) return false;
  // A hidden control covered nothing: there is nothing to uncover.
  if (control->visible()) host_.invalidateRect(control->boundsRect());
  if (cell != cells_.end()) {
    *cell = nullptr;
  } else {
    order_.erase(it);
  }
  if (onTop_ == control) onTop_ = nullptr;
  if (hovered_ == control) {
    hovered_ = nullptr;
    hideHint();
  }
  std::erase_if(owned_, [control](const auto& p) { return p.get() == control; });
  return true;
}

namespace {

// Takes out of `list` the entries whose control `going` lists, passing
// each to `take`: those listed in the order they were made (as a grid's
// are) by walking both lists side by side, any left over by looking them up.
template <typename List, typename Get, typename Take>
void takeListed(List& list, const std::vector<Control*>& going, Get get, Take take) {
  std::size_t next = 0;
  auto kept = list.begin();
  for (auto& e : list) {
    if (next < going.size() && going[next] == get(e)) {
      ++next;
      take(e);
    } else {
      *kept++ = std::move(e);
    }
  }
  list.erase(kept, list.end());
  if (next == going.size()) return;
  const std::unordered_set<const Control*> rest(going.begin() + static_cast<std::ptrdiff_t>(next),
                                                going.end());
  kept = list.begin();
  for (auto& e : list) {
    if (rest.contains(get(e))) {
      take(e);
    } else {
      *kept++ = std::move(e);
    }
  }
  list.erase(kept, list.end());
}

}  // namespace

std::vector<std::unique_ptr<Control>> HostedControls::release(
    const std::vector<Control*>& controls) {
  // Only the lists of pointers are walked, never the controls: a hundred
  // thousand of them lie all over the heap, and a look at each would cost
  // more than all the rest. So the whole host is repainted, once.
  std::vector<std::unique_ptr<Control>> released;
  released.reserve(controls.size());
  std::vector<Control*> gone;
  gone.reserve(controls.size());
  takeListed(
      owned_, controls, [](const std::unique_ptr<Control>& p) { return p.get(); },
      [&](std::unique_ptr<Control>& p) {
        gone.push_back(p.get());
        released.push_back(std::move(p));
      });
  if (released.empty()) return released;
  // The cells listed in the grid's order are freed in one walk over both,
  // any others by looking them up; the rest are taken out of the others.
  std::size_t next = 0;
  for (Control*& cell : cells_) {
    if (cell != nullptr && next < gone.size() && gone[next] == cell) {
      cell = nullptr;
      ++next;
    }
  }
  std::unordered_set<const Control*> rest(gone.begin() + static_cast<std::ptrdiff_t>(next),
                                          gone.end());
  if (!rest.empty()) {
    for (Control*& cell : cells_)
      if (cell != nullptr && rest.erase(cell) != 0) cell = nullptr;
  }
  while (!cells_.empty() && cells_.back() == nullptr) cells_.pop_back();
  if (!rest.empty()) {
    std::vector<Control*> others;
    for (auto it = gone.begin() + static_cast<std::ptrdiff_t>(next); it != gone.end(); ++it)
      if (rest.contains(*it)) others.push_back(*it);
    takeListed(
        order_, others, [](Control* c) { return c; }, [](Control*) {});
  }
  for (Control* c : gone) {
    if (onTop_ == c) onTop_ = nullptr;
    if (hovered_ == c) {
      hovered_ = nullptr;
      hideHint();
    }
  }
  host_.invalidateRect({0, 0, host_.clientWidth(), host_.clientHeight()});
  return released;
}

void HostedControls::keepOnTop(Control* control) {
  const auto it = std::find(order_.begin(), order_.end(), control);
  if (it == order_.end()) return;
  onTop_ = control;
  std::rotate(it, it + 1, order_.end());
  control->invalidate();
}

bool HostedControls::holds(const Control* control) const {
  return control != nullptr && (std::find(order_.begin(), order_.end(), control) != order_.end() ||
                                std::find(cells_.begin(), cells_.end(), control) != cells_.end());
}

namespace {

// The cell a coordinate falls in, counted from `origin` (negative before it).
int cellOf(int v, int origin, int pitch) {
  const int d = v - origin;
  return d >= 0 ? d / pitch : -1 - (-1 - d) / pitch;
}

}  // namespace

template <typename Visit>
void HostedControls::forCellsIn(const Rect& content, Visit visit) const {
  if (cells_.empty() || content.isEmpty()) return;
  const int firstColumn = std::max(0, cellOf(content.left, grid_.left, grid_.pitchX));
  const int lastColumn =
      std::min(grid_.columns - 1, cellOf(content.right - 1, grid_.left, grid_.pitchX));
  const int firstRow = std::max(0, cellOf(content.top, grid_.top, grid_.pitchY));
  const int lastRow = cellOf(content.bottom - 1, grid_.top, grid_.pitchY);
  const auto columns = static_cast<std::size_t>(grid_.columns);
  for (int row = firstRow; row <= lastRow; ++row) {
    for (int column = firstColumn; column <= lastColumn; ++column) {
      const std::size_t i =
          static_cast<std::size_t>(row) * columns + static_cast<std::size_t>(column);
      if (i >= cells_.size()) return;
      if (cells_[i] != nullptr) visit(cells_[i]);
    }
  }
}

Control* HostedControls::controlAt(int x, int y) const {
  // Compared in content coordinates: no look at the host's scroll per control.
  const int cy = y + host_.scrollY();
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    Control* c = *it;
    if (c->visible() && c->enabled() && c->contentRect().contains(x, cy)) return c;
  }
  Control* hit = nullptr;
  forCellsIn({x, cy, x + 1, cy + 1}, [&](Control* c) {
    if (c->visible() && c->enabled() && c->contentRect().contains(x, cy)) hit = c;
  });
  return hit;
}

void HostedControls::paint(QImage& target, const Rect& area) {
  const int scroll = host_.scrollY();
  const Rect content = area.translated(0, scroll);
  auto paintOne = [&](Control* c) {
    if (!c->visible()) return;
    const Rect r = c->contentRect().intersected(content).translated(0, -scroll);
    if (r.isEmpty()) return;
    try {
      c->paint(target, r);
    } catch (const std::exception& e) {
      // A drawing step's error is shown, and the other controls still
      // paint. No modal box from inside painting: it shows once the paint
      // is over.
      const QString message = QString::fromUtf8(e.what());
      QMetaObject::invokeMethod(
          &widget_, [message] { showErrorBox(message); }, Qt::QueuedConnection);
    }
  };
  forCellsIn(content, paintOne);
  for (Control* c : order_) paintOne(c);
}

bool HostedControls::hover(Control* control) {
  if (control == hovered_) return false;
  Control* left = hovered_;
  hovered_ = control;
  if (left != nullptr && left->onMouseLeave) left->onMouseLeave(*left);
  if (control != nullptr && control->onMouseEnter) control->onMouseEnter(*control);
  hideHint();
  if (control != nullptr && control->showHint() && !control->hint().isEmpty())
    hintTimer_.start(kHintPause);
  return true;
}

void HostedControls::hideHint() {
  hintTimer_.stop();
  QToolTip::hideText();
}

void HostedControls::showHint() {
  // The switch may have gone off while the pointer rested.
  if (hovered_ == nullptr || !hovered_->showHint() || hovered_->hint().isEmpty()) return;
  const QRect area(hovered_->left(), hovered_->top(), hovered_->width(), hovered_->height());
  QToolTip::showText(QCursor::pos(), hovered_->hint(), &widget_, area, kHintHidePause);
}

std::optional<MouseButton> controlButton(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return MouseButton::Left;
    case Qt::RightButton:
      return MouseButton::Right;
    case Qt::MiddleButton:
      return MouseButton::Middle;
    default:
      return std::nullopt;
  }
}

MouseEvent controlMouseEvent(const QMouseEvent& e, MouseButton button, const Control* target,
                             int extraShift) {
  MouseEvent m;
  m.button = button;
  m.shift = shiftFlags(e.modifiers(), e.buttons()) | extraShift;
  QPoint p = e.position().toPoint();
  if (target != nullptr) p -= QPoint(target->left(), target->top());
  m.x = p.x();
  m.y = p.y();
  return m;
}

}  // namespace vistel
