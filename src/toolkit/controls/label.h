#pragma once

#include <QString>
#include <QStringList>

#include "control.h"
#include "fonts.h"

namespace vistel {

enum class TextAlign { Left, Right, Center };
enum class TextLayout { Top, Center, Bottom };

struct LabelFont {
  QString family = QStringLiteral("MS Sans Serif");
  int pixelHeight = 12;  // character height
  Rgb color = kBlack;
  bool bold = false;
  friend bool operator==(const LabelFont&, const LabelFont&) = default;
};

// A text label. Opaque, it fills its whole rectangle with its colour, then
// draws its caption; transparent, it paints only the caption's characters,
// so a transparent label without a caption paints nothing at all. The
// caption is one line per line break, never wrapped; "&" marks a shortcut
// character ("&&" is a literal "&").
class Label : public Control {
 public:
  explicit Label(ControlHost* host = nullptr);

  const QString& caption() const { return caption_; }
  void setCaption(const QString& caption);
  const LabelFont& font() const { return font_; }
  void setFont(const LabelFont& font);
  // Lowers the font's pixel height, if need be, until each of `captions`
  // drawn in this label's box keeps its characters inside it.
  void fitFontTo(const QStringList& captions);
  // The fitting fitFontTo asks for, for a label of that font, size and
  // alignment: what can be worked out ahead (FontPreload).
  static FontFit fitFor(const LabelFont& font, int width, int height, TextAlign alignment,
                        TextLayout layout, const QStringList& captions);
  // Background colour, used only while Transparent is off. The default is
  // the button-face grey; windows give their labels their own colour.
  Rgb color() const { return color_; }
  void setColor(Rgb color);
  bool transparent() const { return transparent_; }
  void setTransparent(bool on);
  TextAlign alignment() const { return alignment_; }
  void setAlignment(TextAlign a);
  TextLayout layout() const { return layout_; }
  void setLayout(TextLayout l);

  void paint(QImage& target, const Rect& clip) override;

 private:
  template <typename T>
  void change(T& field, const T& value);

  QString caption_;
  LabelFont font_;
  Rgb color_ = 0xC0C0C0;
  bool transparent_ = false;
  TextAlign alignment_ = TextAlign::Left;
  TextLayout layout_ = TextLayout::Top;
};

}  // namespace vistel
