#pragma once

#include "control.h"

namespace vistel {

enum class BevelStyle { Lowered, Raised };

// A frame-shaped bevel: two rectangle outlines one pixel apart, the shadow
// line above and left of the highlight line for a lowered bevel (the other
// way round for a raised one). One pixel thin, it is a single line: shadow
// coloured but for its last pixel.
class Bevel : public Control {
 public:
  explicit Bevel(ControlHost* host = nullptr);

  BevelStyle style() const { return style_; }
  void setStyle(BevelStyle s);

  static constexpr Rgb kShadow = 0x808080;
  static constexpr Rgb kHighlight = 0xFFFFFF;

  void paint(QImage& target, const Rect& clip) override;

 private:
  BevelStyle style_ = BevelStyle::Lowered;
};

}  // namespace vistel
