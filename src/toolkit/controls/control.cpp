#include "control.h"

namespace vistel {

Control::Control(ControlHost* host) : host_(host) {}

// The host owns the list of its controls and repaints after removing one, so
// nothing is asked of it here (it may itself be half destroyed).
Control::~Control() = default;

void Control::setHost(ControlHost* host) {
  if (host == host_) return;
  invalidate();
  // It stays where it shows, in the new host's content.
  const Rect shown = boundsRect();
  host_ = host;
  bounds_ = shown.translated(0, shift());
  if (align_ == Align::Client) hostResized();
  invalidate();
}

void Control::setBounds(int left, int top, int width, int height) {
  // A client-aligned control always fills its host, whatever is asked.
  if (align_ == Align::Client && host_ != nullptr) {
    applyBounds({0, 0, host_->clientWidth(), host_->clientHeight()});
    return;
  }
  applyBounds(Rect::fromSize(left, top, width, height));
}

void Control::setAlign(Align a) {
  if (a == align_) return;
  const Rect shown = boundsRect();
  align_ = a;
  bounds_ = shown.translated(0, shift());
  hostResized();
}

void Control::hostResized() {
  if (align_ != Align::Client || host_ == nullptr) return;
  applyBounds({0, 0, host_->clientWidth(), host_->clientHeight()});
}

void Control::setVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  // Showing paints the control; hiding uncovers what lies beneath it.
  if (host_ != nullptr) host_->invalidateRect(boundsRect());
}

void Control::invalidate() {
  if (host_ == nullptr || !visible_ || bounds_.isEmpty()) return;
  host_->invalidateRect(boundsRect());
}

void Control::applyBounds(const Rect& r) {
  const Rect old = boundsRect();
  if (r == old) return;
  bounds_ = r.translated(0, shift());
  if (host_ == nullptr || !visible_) return;
  if (!old.isEmpty()) host_->invalidateRect(old);
  if (!r.isEmpty()) host_->invalidateRect(r);
}

Surface surfaceOf(QImage& image) {
  switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
      break;
    default:
      return {};  // not a 32-bit pixel layout: nothing can be drawn into it
  }
  if (image.isNull()) return {};
  // bits() detaches a shared image, so drawing never writes into a copy's pixels.
  auto* pixels = reinterpret_cast<std::uint32_t*>(image.bits());
  return {pixels, image.width(), image.height(),
          static_cast<std::ptrdiff_t>(image.bytesPerLine() / 4)};
}

}  // namespace vistel
