#pragma once

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "controls/control.h"
#include "pictures/geometry.h"
#include "windows/hosted_controls.h"
#include "windows/window_stack.h"

namespace vistel {

class Desktop;

enum class BorderStyle {
  None,    // no caption, no frame
  Dialog,  // a caption with a close button only, fixed size
};

// How often the form asked the window system to change a layering attribute
// (tests check that unchanged values cost nothing).
struct LayeringCalls {
  int opacity = 0;
  int shape = 0;
  int stayOnTop = 0;
};

// A top-level window built from graphic controls: it paints its background
// and its controls, in creation order, into a back buffer, routes mouse input
// to them, previews keys, and carries the layering attributes (constant
// opacity, a colour key that makes pixels see-through and click-through, the
// stay-on-top band). Its place in the z-order is kept by the Desktop's
// stacking model, which every show, hide, click and restacking goes through.
class Form : public QWidget, public ControlHost {
  Q_OBJECT

 public:
  explicit Form(BorderStyle border = BorderStyle::None, Desktop* desktop = nullptr);
  ~Form() override;

  Desktop& desktop() const { return *desktop_; }
  WindowId windowId() const { return id_; }
  BorderStyle borderStyle() const { return border_; }

  // --- placement -----------------------------------------------------------
  // Screen position of the window's top-left corner; the window is placed
  // exactly there. The position reads back as set at once, as the window
  // system's reports of where the window is may lag behind a fast drag.
  void setPosition(int left, int top);
  int left() const { return position_.x(); }
  int top() const { return position_.y(); }
  void setClientSize(int width, int height);
  int clientWidth() const override { return width(); }
  int clientHeight() const override { return height(); }

  Rgb color() const { return color_; }
  void setColor(Rgb color);

  // --- layering attributes -------------------------------------------------
  // Each setter does nothing when the value is unchanged. The attributes
  // reach the window system once the window exists, and at each change.
  bool alphaBlend() const { return alphaBlend_; }
  void setAlphaBlend(bool on);
  int alphaBlendValue() const { return alphaBlendValue_; }
  void setAlphaBlendValue(int value);  // 0..255
  bool transparentColor() const { return transparentColor_; }
  void setTransparentColor(bool on);
  Rgb transparentColorValue() const { return transparentColorValue_; }
  void setTransparentColorValue(Rgb key);
  bool stayOnTop() const { return stayOnTop_; }
  void setStayOnTop(bool on);
  const LayeringCalls& layeringCalls() const { return calls_; }

  // --- visibility and stacking ---------------------------------------------
  // The window's own visibility flag. Showing shows the window in its normal
  // state, brings it to the top of its band and activates it; hiding hands
  // the activation on. Both do nothing when the flag already has the value.
  bool visible() const { return visible_; }
  void setVisible(bool visible) override;
  // Puts the window on the screen where it lies in the z-order, without
  // activating it and without setting the visibility flag.
  void showNoActivate();
  // Hides the window for the stacking (flag off, activation handed on) while
  // it stays on the screen, for a showNoActivate() that follows at once:
  // taking it off the screen and back would only give the window manager a
  // new window to focus.
  void hideLeavingOnScreen();
  // Whether the window has been painted on the screen since it was last
  // shown.
  bool paintedSinceShown() const { return painted_; }
  // Restacks like the platform's window-position call.
  void setWindowPos(InsertAfter after, bool activate);
  // Whether the task bar lists the window (on by default). A window of a
  // set that one task-bar entry stands for is kept off it.
  void setTaskBarEntry(bool on) { taskBarEntry_ = on; }
  // Puts back the window manager state the window should have (on top, off
  // the task bar) where the manager dropped it; true when it had.
  bool restoreWindowState();
  // Gives the window the keyboard focus (activates it).
  void activate();
  // Creates the platform window if it does not exist yet and applies the
  // layering attributes to it, once.
  void ensureCreated();

  // --- controls ------------------------------------------------------------
  // Creates a control owned by the form; controls paint and take the mouse
  // in creation order (the last created is on top).
  template <typename T, typename... Args>
  T* create(Args&&... args) {
    return controls_.create<T>(std::forward<Args>(args)...);
  }
  void adopt(std::unique_ptr<Control> control) { controls_.adopt(std::move(control)); }
  void destroyControl(Control* control);
  const std::vector<Control*>& controls() const { return controls_.order(); }
  // The last-created visible, enabled control whose rectangle holds the
  // point (client coordinates), or none.
  Control* controlAt(int x, int y) const { return controls_.controlAt(x, y); }

  void invalidateRect(const Rect& r) override;
  // Repaints the whole client area.
  void invalidate();

  // --- painting and shape --------------------------------------------------
  // The window's content as painted: the background colour, then the
  // controls. Pending repaints are done first.
  const QImage& backBuffer();
  // The colour-key shape: the window's visible, clickable pixels (empty
  // while the colour key is off).
  const QRegion& shape() const { return shape_; }
  // Repaints what is pending and brings the shape up to date now, instead of
  // at the next turn of the event loop.
  void refresh();

  // --- input ---------------------------------------------------------------
  // With key preview on, the form sees every key before its focused child
  // widget; a key set to 0 is consumed and goes no further.
  bool keyPreview() const { return keyPreview_; }
  void setKeyPreview(bool on) { keyPreview_ = on; }
  // The form's key handler (virtual-key code, ShiftFlag bits).
  virtual void keyDown(int& key, int shift);

  // Client to screen coordinates and back. While a mouse event is handled
  // they use where the window system saw the window at that event: a window
  // that was just moved may not be there yet in Qt's own geometry.
  QPoint clientToScreen(const QPoint& client) const;
  QPoint screenToClient(const QPoint& screen) const;

  // The window's cursor, used where no control sets one of its own.
  CursorShape formCursor() const { return formCursor_; }
  void setFormCursor(CursorShape shape);

  // Takes the mouse for `control` until the last button is up: moves and
  // the release go to it wherever the pointer is, also outside the window.
  void captureMouse(Control* control);
  // Ends a press in progress without its release; the control that took it
  // hears of it (onPressLost).
  void cancelPress();

  // Mouse handlers for presses that hit no control (client coordinates).
  std::function<void(Form&, const MouseEvent&)> onMouseDown;
  std::function<void(Form&, const MouseEvent&)> onMouseMove;
  std::function<void(Form&, const MouseEvent&)> onMouseUp;

  // Tooltip timing of control hints, in milliseconds.
  static constexpr int kHintPause = HostedControls::kHintPause;
  static constexpr int kHintHidePause = HostedControls::kHintHidePause;

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  // The window system's close request (a frame's close button, a task bar):
  // a dialog hides, a borderless window stays; windows that close on it
  // say so themselves.
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  friend class Desktop;
  friend class KeyPreviewFilter;

  // Puts the window on the screen (its own visibility flag aside).
  void map();

  // Layering
  void applyLayering();
  void applyOpacity();
  // Sets the window system's stay-on-top flag; true when it changed.
  bool applyTopmost(bool topmost);
  void setPlatformFlag(Qt::WindowType flag, bool on);

  // Painting (form_paint.cpp)
  void scheduleRefresh();
  void syncBufferSize();
  void compose();
  void updateShape();
  // The window's pixels within `area`: the back buffer with the child
  // widgets painted over it.
  QImage renderedContent(const QRect& area);
  // Where the content (and so perhaps the shape) changed: a part, or all.
  void contentChangedIn(const QRegion& area);
  void contentChangedEverywhere();
  void watchChildren(QObject* parent);

  // Mouse (form_mouse.cpp)
  void dispatchDown(QMouseEvent* e, bool doubleClick);
  // The last button went up: the press and any grab end.
  void endCapture();
  void hover(Control* control);
  void updateCursor();

  // Keys (form_keys.cpp)
  bool previewKey(QKeyEvent* e);

  Desktop* desktop_;
  WindowId id_ = kNoWindow;
  BorderStyle border_;
  bool created_ = false;
  bool visible_ = false;
  bool mapped_ = false;   // exposed since it was last shown
  bool painted_ = false;  // painted since it was last shown
  bool taskBarEntry_ = true;

  QPoint position_;
  Rgb color_ = 0xC0C0C0;
  bool alphaBlend_ = false;
  int alphaBlendValue_ = 255;
  bool transparentColor_ = false;
  Rgb transparentColorValue_ = kBlack;
  bool stayOnTop_ = false;
  bool platformTopmost_ = false;
  LayeringCalls calls_;

  HostedControls controls_{*this, *this};

  QImage back_;
  QRegion dirty_;
  // The content changed since the shape was last built: within
  // changedArea_, or everywhere when changedEverywhere_.
  bool contentChanged_ = true;
  bool changedEverywhere_ = true;
  QRegion changedArea_;
  bool refreshPosted_ = false;
  bool renderingChildren_ = false;
  QRegion shape_;  // the shape of the current content
  QRegion mask_;   // the shape the window system has
  bool maskOn_ = false;

  std::optional<QPoint> eventOrigin_;  // the window's origin at the mouse event in hand
  Control* capture_ = nullptr;         // receives the mouse while a button is held
  bool capturing_ = false;
  bool clickArmed_ = false;  // a left press that a release on the control turns into a click
  CursorShape formCursor_ = CursorShape::Default;

  bool keyPreview_ = false;
  const QEvent* previewedKey_ = nullptr;
};

}  // namespace vistel
