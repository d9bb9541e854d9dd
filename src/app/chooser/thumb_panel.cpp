#include "chooser/thumb_panel.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <iterator>

namespace vistel {

namespace {
const QColor kSilver(0xC0, 0xC0, 0xC0);
}  // namespace

ThumbPanel::ThumbPanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Moves without a button held bring up the hints.
  setMouseTracking(true);
}

ThumbPanel::~ThumbPanel() {
  // Controls tell their host about repaints while they go: let them go first.
  controls_.clear();
  retired_.clear();
}

void ThumbPanel::destroyControls(const std::vector<Control*>& controls) {
  std::vector<std::unique_ptr<Control>> going = controls_.release(controls);
  if (retired_.empty()) {
    retired_ = std::move(going);
  } else {
    std::move(going.begin(), going.end(), std::back_inserter(retired_));
  }
  if (!retired_.empty() && !freeing_) {
    freeing_ = true;
    QTimer::singleShot(0, this, [this] { freeRetired(); });
  }
}

void ThumbPanel::freeRetired() {
  constexpr std::size_t kAtOnce = 4096;
  const std::size_t n = std::min(kAtOnce, retired_.size());
  retired_.erase(retired_.end() - static_cast<std::ptrdiff_t>(n), retired_.end());
  freeing_ = !retired_.empty();
  if (freeing_) QTimer::singleShot(0, this, [this] { freeRetired(); });
}

void ThumbPanel::scrollBy(int dy) {
  if (dy == 0) return;
  scrollY_ -= dy;
  update();
  // The thumbnails moved under a pointer at rest.
  if (underMouse()) hoverAt(mapFromGlobal(QCursor::pos()));
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
  controls_.paint(buffer_, Rect{area.left(), area.top(), area.right() + 1, area.bottom() + 1});
  QPainter painter(this);
  painter.drawImage(area, buffer_, area);
}

void ThumbPanel::mousePressEvent(QMouseEvent* e) {
  const std::optional<MouseButton> button = controlButton(e->button());
  if (!button) return;
  controls_.hideHint();
  const QPoint pos = e->position().toPoint();
  // A control under the pointer takes the press, whether it does anything
  // with it or not (the locator does not): the panel only gets the rest.
  if (Control* c = controlAt(pos.x(), pos.y()); c != nullptr) {
    if (c->onMouseDown) c->onMouseDown(*c, controlMouseEvent(*e, *button, c));
    return;
  }
  if (onMouseDown) onMouseDown(controlMouseEvent(*e, *button, nullptr));
}

void ThumbPanel::mouseMoveEvent(QMouseEvent* e) {
  hoverAt(e->position().toPoint());
  QWidget::mouseMoveEvent(e);
}

void ThumbPanel::hoverAt(const QPoint& p) { controls_.hover(controlAt(p.x(), p.y())); }

void ThumbPanel::leaveEvent(QEvent* e) {
  controls_.hover(nullptr);
  QWidget::leaveEvent(e);
}

void ThumbPanel::hideEvent(QHideEvent* e) {
  controls_.hover(nullptr);
  QWidget::hideEvent(e);
}

void ThumbPanel::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (onResize) onResize();
}

}  // namespace vistel
