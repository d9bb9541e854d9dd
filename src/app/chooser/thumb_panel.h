#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "controls/control.h"
#include "controls/picture_control.h"
#include "windows/hosted_controls.h"

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
// paints its controls in creation order, except that the control kept on
// top stays above the rest; routes mouse presses to the topmost control
// under the pointer; shows a control's hint as a tooltip when its ShowHint
// is on; and scrolls by an offset, its controls keeping their places in
// the content.
class ThumbPanel : public QWidget, public ControlHost {
  Q_OBJECT

 public:
  explicit ThumbPanel(QWidget* parent);
  ~ThumbPanel() override;

  template <typename T>
  T* create() {
    return controls_.create<T>();
  }
  void adopt(std::unique_ptr<Control> control) { controls_.adopt(std::move(control)); }
  // The thumbnails: controls in the cells of a grid, beneath the others,
  // of which painting and hit testing look only at the cells in view.
  void setGrid(const HostedControls::Grid& grid) { controls_.setGrid(grid); }
  void adoptCell(std::unique_ptr<Control> control, std::size_t i) {
    controls_.adoptCell(std::move(control), i);
  }
  void destroyControl(Control* control) { controls_.destroy(control); }
  // Takes the controls off the panel at once, however many (a whole grid),
  // and frees them a few thousand at a time from the event loop, so that
  // the window never waits for a hundred thousand of them to go.
  void destroyControls(const std::vector<Control*>& controls);
  // Keeps the control above every control created later.
  void keepOnTop(Control* control) { controls_.keepOnTop(control); }
  std::size_t controlCount() const { return controls_.size(); }

  // Shows every control dy pixels lower (the file list is not a control);
  // no control moves in the content.
  void scrollBy(int dy);

  // The topmost visible, enabled control at a point of the panel, or none.
  Control* controlAt(int x, int y) const { return controls_.controlAt(x, y); }

  // ControlHost
  void invalidateRect(const Rect& r) override;
  int clientWidth() const override { return width(); }
  int clientHeight() const override { return height(); }
  int scrollY() const override { return scrollY_; }

  // Presses that hit no control, and size changes.
  std::function<void(const MouseEvent&)> onMouseDown;
  std::function<void()> onResize;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  // The control under the pointer, for its hint.
  void hoverAt(const QPoint& p);

  // Frees some of the controls taken off, and comes back for the rest.
  void freeRetired();

  HostedControls controls_{*this, *this};
  QImage buffer_;
  std::vector<std::unique_ptr<Control>> retired_;
  bool freeing_ = false;
  int scrollY_ = 0;
};

}  // namespace vistel
