#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "controls/control.h"
#include "controls/picture_control.h"

namespace vistel {

// One thumbnail: a 93 by 93 picture control that also knows the index of
// its file in the file list. Tag holds its thumbnail index, Hint the name.
class ThumbControl : public PictureControl {
 public:
  using PictureControl::PictureControl;
  int HelpContext = 0;
};

// The file panel: a silver child widget that hosts graphic controls (the
// thumbnails and the locator) under its child widgets (the file list). It
// paints its controls in creation order, except that controls raised with
// bringToFront stay above the rest; routes mouse presses to the topmost
// control under the pointer; shows a control's hint as a tooltip when its
// ShowHint is on; and scrolls by moving its controls.
class ThumbPanel : public QWidget, public ControlHost {
  Q_OBJECT

 public:
  explicit ThumbPanel(QWidget* parent);
  ~ThumbPanel() override;

  template <typename T>
  T* create() {
    auto c = std::make_unique<T>(this);
    T* raw = c.get();
    adopt(std::move(c));
    return raw;
  }
  void adopt(std::unique_ptr<Control> control);
  void destroyControl(Control* control);
  // Keeps the control above every control created later.
  void keepOnTop(Control* control);
  std::size_t controlCount() const { return owned_.size(); }

  // Moves every control by dy pixels (the file list is not a control).
  void scrollBy(int dy);

  // The topmost visible control at a point of the panel, or none.
  Control* controlAt(int x, int y) const;

  // ControlHost
  void invalidateRect(const Rect& r) override;
  int clientWidth() const override { return width(); }
  int clientHeight() const override { return height(); }

  // Presses that hit no control, and size changes.
  std::function<void(const MouseEvent&)> onMouseDown;
  std::function<void()> onResize;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool event(QEvent* e) override;

 private:
  std::vector<Control*> paintOrder() const;
  std::vector<std::unique_ptr<Control>> owned_;
  Control* onTop_ = nullptr;
  QImage buffer_;
};

}  // namespace vistel
