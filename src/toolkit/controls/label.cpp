#include "label.h"

#include <QColor>
#include <QPainter>

#include "fonts.h"

namespace vistel {
namespace {

QRect toQRect(const Rect& r) { return QRect(r.left, r.top, r.width(), r.height()); }

int textFlags(TextAlign a, TextLayout l) {
  int flags = Qt::TextShowMnemonic;
  switch (a) {
    case TextAlign::Left:
      flags |= Qt::AlignLeft;
      break;
    case TextAlign::Right:
      flags |= Qt::AlignRight;
      break;
    case TextAlign::Center:
      flags |= Qt::AlignHCenter;
      break;
  }
  switch (l) {
    case TextLayout::Top:
      flags |= Qt::AlignTop;
      break;
    case TextLayout::Center:
      flags |= Qt::AlignVCenter;
      break;
    case TextLayout::Bottom:
      flags |= Qt::AlignBottom;
      break;
  }
  return flags;
}

}  // namespace

Label::Label(ControlHost* host) : Control(host) { setBounds(0, 0, 65, 17); }

template <typename T>
void Label::change(T& field, const T& value) {
  if (field == value) return;
  field = value;
  invalidate();
}

void Label::setCaption(const QString& caption) { change(caption_, caption); }
void Label::setFont(const LabelFont& font) { change(font_, font); }
FontFit Label::fitFor(const LabelFont& font, int width, int height, TextAlign alignment,
                      TextLayout layout, const QStringList& captions) {
  return {controlFont(font.family, font.pixelHeight, font.bold),
          QRect(0, 0, width, height),
          textFlags(alignment, layout),
          captions,
          {}};
}

void Label::fitFontTo(const QStringList& captions) {
  const QFont fitted = fittingFont(fitFor(font_, width(), height(), alignment_, layout_, captions));
  LabelFont f = font_;
  f.pixelHeight = fitted.pixelSize();
  setFont(f);
}

void Label::setColor(Rgb color) { change(color_, color & kRgbMask); }
void Label::setTransparent(bool on) { change(transparent_, on); }
void Label::setAlignment(TextAlign a) { change(alignment_, a); }
void Label::setLayout(TextLayout l) { change(layout_, l); }

void Label::paint(QImage& target, const Rect& clip) {
  if (!visible()) return;
  const Rect area = clip.intersected(boundsRect());
  if (area.isEmpty()) return;
  if (transparent_ && caption_.isEmpty()) return;
  if (!transparent_) {
    QPainter painter(&target);
    painter.setClipRect(toQRect(area));
    painter.fillRect(toQRect(boundsRect()), QColor::fromRgb(color_));
  }
  if (caption_.isEmpty()) return;
  const QFont font = controlFont(font_.family, font_.pixelHeight, font_.bold);
  const int flags = textFlags(alignment_, layout_);
  const Rgb colour = font_.color & kRgbMask;
  if (drawTextDrawnAhead(target, toQRect(area), font, toQRect(boundsRect()), flags, caption_,
                         colour))
    return;
  QPainter painter(&target);
  painter.setClipRect(toQRect(area));
  painter.setFont(font);
  painter.setPen(QColor::fromRgb(colour));
  painter.drawText(toQRect(boundsRect()), flags, caption_);
}

}  // namespace vistel
