#pragma once

#include <QWidget>
#include <functional>

namespace vistel {

// A 5-pixel bar between the folder side and the file panel; dragging it
// asks for a new width of the folder side.
class ChooserSplitter : public QWidget {
  Q_OBJECT

 public:
  explicit ChooserSplitter(QWidget* parent);
  // Called with the new left edge while the bar is dragged.
  std::function<void(int)> onDrag;

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  bool dragging_ = false;
  int grab_ = 0;
};

}  // namespace vistel
