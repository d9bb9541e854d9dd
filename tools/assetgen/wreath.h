#pragma once

// The flower wreath of the control panel and the frame mask of the viewer,
// made from one scene so that the mask's opening is exactly the wreath's
// inner outline: the scene is painted once onto a transparent canvas, the
// skin is that canvas on white, and the opening is the unpainted region
// around the centre.

#include <QImage>
#include <QRect>

namespace assetgen {

constexpr int kSkinWidth = 836, kSkinHeight = 595;
constexpr int kMaskWidth = 840, kMaskHeight = 620;
// Where the opening must end up (inclusive pixel bounds).
inline const QRect kOpeningBounds(QPoint(136, 40), QPoint(695, 558));
// Its size and centre of mass: the whole-picture placement centres pictures
// near this point, so the opening should sit around it.
constexpr long kOpeningArea = 205600;
constexpr double kOpeningCentreX = 416, kOpeningCentreY = 295;

struct OpeningFigures {
  QRect bounds;  // inclusive bounding box of the white pixels
  long area = 0;
  double centreX = 0, centreY = 0;
};

struct Wreath {
  QImage skin;  // kSkinWidth x kSkinHeight, opaque RGB, white outside the wreath
  QImage mask;  // kMaskWidth x kMaskHeight, Format_Indexed8 {0 black, 1 white}
  OpeningFigures figures;
};

// Draws the wreath, fitting the opening's base oval until the opening has
// exactly the bounding box kOpeningBounds and about the area and centre above.
Wreath drawWreath();

OpeningFigures measureOpening(const QImage& mask);

}  // namespace assetgen
