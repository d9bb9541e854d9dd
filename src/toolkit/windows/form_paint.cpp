// Form painting: the back buffer (background, then controls in creation
// order, each clipped to its rectangle), its copy to the screen, and the
// colour-key shape built from what was painted.
#include <QChildEvent>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

#include "windows/error_box.h"
#include "windows/form.h"
#include "windows/desktop.h"

#include <QWindow>
#include "windows/shape.h"

namespace vistel {
namespace {

// A shape of no pixels at all. An empty region would mean "no shape" to the
// window system, showing the whole window.
const QRegion& nothingVisible() {
  static const QRegion r(-1, -1, 1, 1);
  return r;
}

void fillRect(QImage& image, const QRect& r, Rgb colour) {
  const std::uint32_t pixel = toPixel(colour);
  for (int y = r.top(); y <= r.bottom(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    std::fill(row + r.left(), row + r.right() + 1, pixel);
  }
}

}  // namespace

void Form::invalidateRect(const Rect& r) {
  if (r.isEmpty()) return;
  dirty_ += QRect(r.left, r.top, r.width(), r.height());
  scheduleRefresh();
}

void Form::invalidate() { invalidateRect({0, 0, width(), height()}); }

void Form::scheduleRefresh() {
  if (refreshPosted_) return;
  refreshPosted_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        refreshPosted_ = false;
        refresh();
      },
      Qt::QueuedConnection);
}

const QImage& Form::backBuffer() {
  compose();
  return back_;
}

void Form::syncBufferSize() {
  // A hidden widget hears of its new size only when it is shown; the back
  // buffer follows the size at once.
  if (back_.size() == size()) return;
  back_ = QImage(size(), QImage::Format_RGB32);
  for (Control* c : order_) c->hostResized();
  dirty_ = rect();
  contentChanged_ = true;
}

void Form::compose() {
  syncBufferSize();
  if (dirty_.isEmpty()) return;
  const QRect area = dirty_.boundingRect() & back_.rect();
  dirty_ = QRegion();
  if (area.isEmpty()) return;
  contentChanged_ = true;
  fillRect(back_, area, color_);
  const Rect clip = Rect::fromSize(area.x(), area.y(), area.width(), area.height());
  for (Control* c : order_) {
    if (!c->visible()) continue;
    const Rect r = c->boundsRect().intersected(clip);
    if (r.isEmpty()) continue;
    try {
      c->paint(back_, r);
    } catch (const std::exception& e) {
      // No modal box from inside painting: show it once the paint is over.
      const QString message = QString::fromUtf8(e.what());
      QMetaObject::invokeMethod(
          this, [message] { showErrorBox(message); }, Qt::QueuedConnection);
    }
  }
}

void Form::refresh() {
  const QRect changed = dirty_.boundingRect();
  compose();
  if (contentChanged_) updateShape();
  if (!changed.isEmpty()) update(changed);
}

QImage Form::renderedContent() {
  // Child widgets lie above the controls; what they paint is part of the
  // window's pixels and is keyed like the rest.
  std::vector<QWidget*> children;
  for (QObject* o : QObject::children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w != nullptr && !w->isWindow() && w->isVisible()) children.push_back(w);
  }
  if (children.empty()) return back_;
  QImage content = back_.copy();
  renderingChildren_ = true;
  for (QWidget* w : children)
    w->render(&content, w->pos(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
  renderingChildren_ = false;
  return content;
}

void Form::updateShape() {
  compose();  // the shape of what is really there, not of a stale buffer
  contentChanged_ = false;
  if (transparentColor_) {
    shape_ = keyedShape(renderedContent(), transparentColorValue_);
  } else {
    shape_ = QRegion();
  }
  if (!created_) return;
  const bool unchanged = transparentColor_ == maskOn_ && (!maskOn_ || sameRegion(shape_, mask_));
  if (unchanged) return;
  ++calls_.shape;
  maskOn_ = transparentColor_;
  mask_ = shape_;
  if (maskOn_) {
    setMask(shape_.isEmpty() ? nothingVisible() : shape_);
  } else {
    clearMask();
  }
  // Pixels that just became part of the window need painting.
  update();
}

void Form::paintEvent(QPaintEvent* e) {
  compose();
  QPainter painter(this);
  painter.drawImage(e->rect(), back_, e->rect());
}

void Form::resizeEvent(QResizeEvent* e) {
  syncBufferSize();
  scheduleRefresh();
  QWidget::resizeEvent(e);
}

void Form::watchChildren(QObject* parent) {
  for (QObject* o : parent->children()) {
    if (o->isWidgetType()) {
      o->removeEventFilter(this);
      o->installEventFilter(this);
      watchChildren(o);
    }
  }
}

bool Form::eventFilter(QObject* watched, QEvent* e) {
  if (watched == windowHandle()) {
    if (e->type() == QEvent::Expose && !mapped_ && windowHandle()->isExposed()) {
      mapped_ = true;
      desktop_->windowMapped(this);
    }
    return QWidget::eventFilter(watched, e);
  }
  switch (e->type()) {
    case QEvent::Paint:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
      // A child's pixels changed: the shape may have too. Our own rendering
      // of the children for the shape paints them as well; that is no news.
      if (!renderingChildren_) {
        contentChanged_ = true;
        scheduleRefresh();
      }
      break;
    case QEvent::ChildAdded:
      if (auto* ce = static_cast<QChildEvent*>(e); ce->child()->isWidgetType()) {
        ce->child()->installEventFilter(this);
        watchChildren(ce->child());
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, e);
}

}  // namespace vistel
