#include "chooser/thumb_panel.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

namespace vistel {

namespace {
const QColor kSilver(0xC0, 0xC0, 0xC0);

MouseEvent toMouseEvent(const QMouseEvent& e, int x, int y) {
  MouseEvent m;
  m.button = e.button() == Qt::RightButton    ? MouseButton::Right
             : e.button() == Qt::MiddleButton ? MouseButton::Middle
                                              : MouseButton::Left;
  m.x = x;
  m.y = y;
  if (e.modifiers() & Qt::ShiftModifier) m.shift |= kShift;
  if (e.modifiers() & Qt::ControlModifier) m.shift |= kCtrl;
  if (e.modifiers() & Qt::AltModifier) m.shift |= kAlt;
  if (e.buttons() & Qt::LeftButton) m.shift |= kLeftButton;
  if (e.buttons() & Qt::RightButton) m.shift |= kRightButton;
  if (e.buttons() & Qt::MiddleButton) m.shift |= kMiddleButton;
  return m;
}
}  // namespace

ThumbPanel::ThumbPanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

ThumbPanel::~ThumbPanel() {
  // Controls tell their host about repaints while they go: let them go first.
  onTop_ = nullptr;
  owned_.clear();
}

void ThumbPanel::adopt(std::unique_ptr<Control> control) {
  control->setHost(this);
  owned_.push_back(std::move(control));
  owned_.back()->invalidate();
}

void ThumbPanel::destroyControl(Control* control) {
  if (control == nullptr) return;
  if (control == onTop_) onTop_ = nullptr;
  const Rect r = control->boundsRect();
  auto it = std::find_if(owned_.begin(), owned_.end(),
                         [control](const auto& c) { return c.get() == control; });
  if (it == owned_.end()) return;
  owned_.erase(it);
  invalidateRect(r);
}

void ThumbPanel::keepOnTop(Control* control) { onTop_ = control; }

std::vector<Control*> ThumbPanel::paintOrder() const {
  std::vector<Control*> order;
  order.reserve(owned_.size());
  for (const auto& c : owned_)
    if (c.get() != onTop_) order.push_back(c.get());
  if (onTop_ != nullptr) order.push_back(onTop_);
  return order;
}

void ThumbPanel::scrollBy(int dy) {
  if (dy == 0) return;
  for (const auto& c : owned_) c->setBounds(c->left(), c->top() + dy, c->width(), c->height());
  update();
}

Control* ThumbPanel::controlAt(int x, int y) const {
  const std::vector<Control*> order = paintOrder();
  for (auto it = order.rbegin(); it != order.rend(); ++it)
    if ((*it)->visible() && (*it)->boundsRect().contains(x, y)) return *it;
  return nullptr;
}

void ThumbPanel::invalidateRect(const Rect& r) {
  const QRect q(r.left, r.top, r.width(), r.height());
  if (q.intersects(rect())) update(q);
}

void ThumbPanel::paintEvent(QPaintEvent* e) {
  if (buffer_.size() != size()) buffer_ = QImage(size(), QImage::Format_RGB32);
  if (buffer_.isNull()) return;
  const QRect area = e->rect();
  {
    QPainter p(&buffer_);
    p.fillRect(area, kSilver);
  }
  const Rect clipArea{area.left(), area.top(), area.right() + 1, area.bottom() + 1};
  for (Control* c : paintOrder()) {
    if (!c->visible()) continue;
    const Rect clip = c->boundsRect().intersected(clipArea);
    if (clip.isEmpty()) continue;
    try {
      c->paint(buffer_, clip);
    } catch (...) {
      // A thumbnail holds a finished bitmap; nothing here can fail for real,
      // and a bad one must not stop the others from painting.
    }
  }
  QPainter painter(this);
  painter.drawImage(area, buffer_, area);
}

void ThumbPanel::mousePressEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  // A control under the pointer takes the press, whether it does anything
  // with it or not (the locator does not): the panel only gets the rest.
  if (Control* c = controlAt(pos.x(), pos.y()); c != nullptr && c->enabled()) {
    if (c->onMouseDown)
      c->onMouseDown(*c, toMouseEvent(*e, pos.x() - c->left(), pos.y() - c->top()));
    return;
  }
  if (onMouseDown) onMouseDown(toMouseEvent(*e, pos.x(), pos.y()));
}

void ThumbPanel::mouseMoveEvent(QMouseEvent* e) { QWidget::mouseMoveEvent(e); }

bool ThumbPanel::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* he = static_cast<QHelpEvent*>(e);
    Control* c = controlAt(he->pos().x(), he->pos().y());
    if (c != nullptr && c->showHint() && !c->hint().isEmpty()) {
      QToolTip::showText(he->globalPos(), c->hint(), this,
                         QRect(c->left(), c->top(), c->width(), c->height()));
    } else {
      QToolTip::hideText();
      e->ignore();
    }
    return true;
  }
  return QWidget::event(e);
}

void ThumbPanel::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (onResize) onResize();
}

}  // namespace vistel
