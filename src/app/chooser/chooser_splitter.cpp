#include "chooser/chooser_splitter.h"

#include <QMouseEvent>

namespace vistel {

ChooserSplitter::ChooserSplitter(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::SplitHCursor);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
  setPalette(p);
}

void ChooserSplitter::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  dragging_ = true;
  grab_ = e->position().toPoint().x();
}

void ChooserSplitter::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_ || !onDrag) return;
  const int parentX = mapToParent(e->position().toPoint()).x();
  onDrag(parentX - grab_);
}

void ChooserSplitter::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

}  // namespace vistel
