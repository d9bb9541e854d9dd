// Form painting: the back buffer (background, then controls in creation
// order, each clipped to its rectangle), its copy to the screen, and the
// colour-key shape built from what was painted.
#include <QChildEvent>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWindow>
#include <algorithm>

#include "pictures/pixel_buffer.h"
#include "windows/desktop.h"
#include "windows/form.h"
#include "windows/shape.h"

namespace vistel {
namespace {

// A shape of no pixels at all. An empty region would mean "no shape" to the
// window system, showing the whole window.
const QRegion& nothingVisible() {
  static const QRegion r(-1, -1, 1, 1);
  return r;
}

// A back buffer in pixel memory of the toolkit's own (pictures/pixel_buffer.h),
// which the kernel backs with huge pages where it is large: faulting in a
// window's worth of fresh 4 KiB pages costs more than painting it.
QImage backBufferOf(const QSize& size) {
  if (size.isEmpty()) return QImage(size, QImage::Format_RGB32);
  auto* pixels = new PixelBuffer(static_cast<std::size_t>(size.width()) *
                                 static_cast<std::size_t>(size.height()));
  return QImage(
      reinterpret_cast<uchar*>(pixels->data()), size.width(), size.height(),
      static_cast<qsizetype>(size.width()) * 4, QImage::Format_RGB32,
      [](void* p) { delete static_cast<PixelBuffer*>(p); }, pixels);
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
        // A window off the screen is brought up to date when it is shown
        // (map): its repaints meanwhile would be work for nothing, and on
        // the way to the first frame they hold up the window shown first.
        if (isVisible()) refresh();
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
  back_ = backBufferOf(size());
  for (Control* c : controls_.order()) c->hostResized();
  dirty_ = rect();
  contentChangedEverywhere();
}

void Form::compose() {
  syncBufferSize();
  if (dirty_.isEmpty()) return;
  const QRect area = dirty_.boundingRect() & back_.rect();
  dirty_ = QRegion();
  if (area.isEmpty()) return;
  contentChangedIn(area);
  fillRect(back_, area, color_);
  const Rect clip = Rect::fromSize(area.x(), area.y(), area.width(), area.height());
  controls_.paint(back_, clip);
}

void Form::refresh() {
  const QRect changed = dirty_.boundingRect();
  compose();
  if (contentChanged_) updateShape();
  if (!changed.isEmpty()) update(changed);
}

void Form::contentChangedIn(const QRegion& area) {
  contentChanged_ = true;
  if (!changedEverywhere_) changedArea_ += area;
}

void Form::contentChangedEverywhere() {
  contentChanged_ = true;
  changedEverywhere_ = true;
  changedArea_ = QRegion();
}

QImage Form::renderedContent(const QRect& area) {
  QImage content = area == back_.rect() ? back_ : back_.copy(area);
  // Child widgets lie above the controls; what they paint is part of the
  // window's pixels and is keyed like the rest.
  renderingChildren_ = true;
  for (QObject* o : QObject::children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w == nullptr || w->isWindow() || !w->isVisible()) continue;
    // The part of the child inside the area, in the child's coordinates;
    // render() puts that part's top-left corner at the target offset.
    const QRect part = area.translated(-w->pos()) & w->rect();
    if (part.isEmpty()) continue;
    if (content.constBits() == back_.constBits()) content = back_.copy();
    w->render(&content, part.topLeft() + w->pos() - area.topLeft(), QRegion(part),
              QWidget::DrawWindowBackground | QWidget::DrawChildren);
  }
  renderingChildren_ = false;
  return content;
}

void Form::updateShape() {
  compose();  // the shape of what is really there, not of a stale buffer
  const bool everywhere = changedEverywhere_;
  const QRect area = changedArea_.boundingRect() & back_.rect();
  contentChanged_ = false;
  changedEverywhere_ = false;
  changedArea_ = QRegion();
  if (!transparentColor_) {
    shape_ = QRegion();
  } else if (everywhere) {
    shape_ = keyedShape(renderedContent(back_.rect()), transparentColorValue_);
  } else if (!area.isEmpty()) {
    // Only the changed part is keyed again; the rest of the shape stands.
    const QRegion part =
        keyedShape(renderedContent(area), transparentColorValue_).translated(area.topLeft());
    shape_ = shape_.subtracted(QRegion(area)).united(part);
  }
  if (!created_) return;
  const bool unchanged = transparentColor_ == maskOn_ && (!maskOn_ || sameRegion(shape_, mask_));
  if (unchanged) return;
  ++calls_.shape;
  // Pixels that join the shape were clipped away when they were last
  // painted: they need painting now.
  const QRegion before = maskOn_ ? mask_ : QRegion(rect());
  const QRegion joined = (transparentColor_ ? shape_ : QRegion(rect())) - before;
  maskOn_ = transparentColor_;
  mask_ = shape_;
  if (maskOn_) {
    setMask(shape_.isEmpty() ? nothingVisible() : shape_);
  } else {
    clearMask();
  }
  update();
  // Qt leaves a child that paints opaquely out of its parent's repaint, and
  // its earlier paint was clipped too: ask such children themselves.
  for (QWidget* w : findChildren<QWidget*>()) {
    if (!w->isVisible() || w->isWindow()) continue;
    const QRegion part = joined.translated(-w->mapTo(this, QPoint(0, 0))) & w->rect();
    if (!part.isEmpty()) w->update(part);
  }
}

void Form::paintEvent(QPaintEvent* e) {
  compose();
  QPainter painter(this);
  painter.drawImage(e->rect(), back_, e->rect());
  if (!painted_) {
    painted_ = true;
    desktop_->formPainted(this);
  }
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
    // A press anywhere in the window, on a child widget too, raises and
    // activates it. The window manager raises a window that is clicked, a
    // disabled one too, which takes no input: our order goes back.
    if (e->type() == QEvent::MouseButtonPress) {
      if (isEnabled())
        desktop_->stack().click(id_);
      else
        desktop_->restoreOrder();
    }
    return QWidget::eventFilter(watched, e);
  }
  switch (e->type()) {
    case QEvent::Paint:
      // A child repainted part of itself: the shape may have changed there.
      // Our own rendering of the children for the shape paints them as
      // well; that is no news.
      if (!renderingChildren_) {
        auto* child = static_cast<QWidget*>(watched);
        const QRegion painted = static_cast<QPaintEvent*>(e)->region();
        contentChangedIn(painted.translated(child->mapTo(this, QPoint(0, 0))));
        scheduleRefresh();
      }
      break;
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
      if (!renderingChildren_) {
        contentChangedEverywhere();
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
