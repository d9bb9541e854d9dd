#pragma once

#include <QImage>
#include <QString>
#include <functional>

#include "pictures/geometry.h"

namespace vistel {

// Shift-state flags of mouse and key events, as the command map expects them.
enum ShiftFlag : int {
  kShift = 1,
  kAlt = 2,
  kCtrl = 4,
  kLeftButton = 8,
  kRightButton = 16,
  kMiddleButton = 32,
  kDoubleClick = 64,
};

enum class MouseButton { Left, Right, Middle };

// Cursor shapes the windows use.
enum class CursorShape { Default, Arrow, MultiDrag, SizeWE, AppStart };

enum class Align { None, Client };

// A mouse event in the control's own coordinates.
struct MouseEvent {
  MouseButton button = MouseButton::Left;
  int shift = 0;  // ShiftFlag bits
  int x = 0;
  int y = 0;
};

class Control;

// What a control needs from the window that hosts it.
class ControlHost {
 public:
  virtual ~ControlHost() = default;
  // The rectangle (host client coordinates) must be painted again.
  virtual void invalidateRect(const Rect& r) = 0;
  // Client size of the host, for client-aligned controls.
  virtual int clientWidth() const = 0;
  virtual int clientHeight() const = 0;
  // How far the host's content is scrolled up: its controls keep their
  // places in the content and show that much higher, so a scroll moves none.
  // Client-aligned controls fill the client area whatever the scroll.
  virtual int scrollY() const { return 0; }
};

// A graphic control: no window of its own. Its host paints it, in creation
// order, into the window's back buffer and routes mouse input to it.
class Control {
 public:
  explicit Control(ControlHost* host = nullptr);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlHost* host() const { return host_; }
  void setHost(ControlHost* host);

  // The rectangle in host client coordinates, where the control shows now.
  int left() const { return bounds_.left; }
  int top() const { return bounds_.top - shift(); }
  int width() const { return bounds_.width(); }
  int height() const { return bounds_.height(); }
  Rect boundsRect() const { return bounds_.translated(0, -shift()); }
  // The rectangle in the host's content, whatever its scroll.
  Rect contentRect() const {
    return align_ == Align::Client ? bounds_.translated(0, scrolled()) : bounds_;
  }
  // Moves and sizes the control. Subclasses may override the size (AutoSize).
  virtual void setBounds(int left, int top, int width, int height);
  void setLeft(int v) { setBounds(v, top(), width(), height()); }
  void setTop(int v) { setBounds(left(), v, width(), height()); }
  void setWidth(int v) { setBounds(left(), top(), v, height()); }
  void setHeight(int v) { setBounds(left(), top(), width(), v); }

  Align align() const { return align_; }
  // Client alignment keeps the control filling the host's client area.
  void setAlign(Align a);
  // Called by the host when its client size changes.
  void hostResized();

  bool visible() const { return visible_; }
  void setVisible(bool v);
  bool enabled() const { return enabled_; }
  void setEnabled(bool v) { enabled_ = v; }

  int tag() const { return tag_; }
  void setTag(int t) { tag_ = t; }
  const QString& hint() const { return hint_; }
  void setHint(const QString& h) { hint_ = h; }
  bool showHint() const { return showHint_; }
  void setShowHint(bool s) { showHint_ = s; }
  CursorShape cursor() const { return cursor_; }
  void setCursor(CursorShape c) { cursor_ = c; }
  const QString& name() const { return name_; }
  void setName(const QString& n) { name_ = n; }

  // Paints the control into `target` (the host's back buffer, QImage::Format_RGB32,
  // host client coordinates), touching only pixels inside `clip`, which lies
  // within the control's rectangle.
  virtual void paint(QImage& target, const Rect& clip) = 0;

  // Repaint the whole control at the host's next paint.
  void invalidate();

  // Event handlers; any may be empty.
  std::function<void(Control&, const MouseEvent&)> onMouseDown;
  std::function<void(Control&, const MouseEvent&)> onMouseMove;
  std::function<void(Control&, const MouseEvent&)> onMouseUp;
  std::function<void(Control&)> onClick;
  std::function<void(Control&)> onDblClick;
  // The pointer came over the control, or left it.
  std::function<void(Control&)> onMouseEnter;
  std::function<void(Control&)> onMouseLeave;
  // A press the control took ended without its release reaching it: its
  // window left the screen, the application lost the activation, or the
  // button went up where the window could not see it.
  std::function<void(Control&)> onPressLost;

 protected:
  // Stores the rectangle and repaints the old and the new area.
  void applyBounds(const Rect& r);

 private:
  int scrolled() const { return host_ != nullptr ? host_->scrollY() : 0; }
  // From where the control shows to where it is kept: a client-aligned
  // control is kept where it shows, the others in the content.
  int shift() const { return align_ == Align::Client ? 0 : scrolled(); }

  ControlHost* host_ = nullptr;
  Rect bounds_{0, 0, 105, 105};  // shown rectangle moved down by shift()
  Align align_ = Align::None;
  bool visible_ = true;
  bool enabled_ = true;
  int tag_ = 0;
  QString hint_;
  bool showHint_ = false;
  CursorShape cursor_ = CursorShape::Default;
  QString name_;
};

// A surface over a QImage's pixels (Format_RGB32 / ARGB32 share the layout).
Surface surfaceOf(QImage& image);

}  // namespace vistel
