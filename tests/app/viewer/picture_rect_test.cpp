// The picture rectangle: the arithmetic on its own, then the viewer's
// ResizeFrame, display-mode toggles, guide lines and reset on a real window
// set (offscreen).
#include "viewer/picture_rect.h"

#include <gtest/gtest.h>

#include "chooser/chooser_splitter.h"
#include "chooser/get_img_form.h"
#include "panel/form2.h"
#include "pictures/bitmap.h"
#include "viewer/form1.h"

namespace vistel {
namespace {

using namespace picture_rect;

TEST(PictureRectMath, RoundsHalvesToEven) {
  EXPECT_EQ(roundHalfEven(2.5), 2);
  EXPECT_EQ(roundHalfEven(3.5), 4);
  EXPECT_EQ(roundHalfEven(-2.5), -2);
  EXPECT_EQ(roundHalfEven(39.5), 40);
  EXPECT_EQ(roundHalfEven(2.4999), 2);
  EXPECT_EQ(roundHalfEven(1e300), INT_MAX);
}

TEST(PictureRectMath, CentringTruncatesTowardZero) {
  EXPECT_EQ(centredOffset(792, 1001), -104);  // -209 div 2
  EXPECT_EQ(centredOffset(611, 480), 65);
  EXPECT_EQ(centredOffset(792, 793), 0);  // -1 div 2
}

TEST(PictureRectMath, ZoomOutStepIsTenOrTwentyFivePercent) {
  const struct {
    int width, newWidth;
  } cases[] = {{100, 90}, {395, 355}, {396, 297}, {640, 480}, {300, 270}, {400, 300}};
  for (const auto& c : cases) {
    const auto n = resized({0, 0, c.width, 100}, RectCode::ZoomOut, 0.5, 792, 611);
    ASSERT_TRUE(n) << c.width;
    EXPECT_EQ(n->width, c.newWidth) << c.width;
  }
}

TEST(PictureRectMath, ZoomInAddsTenPixelsAndRecentresWithTheAspectHeight) {
  const auto n = resized({-50, 7, 300, 17}, RectCode::ZoomIn, 0.75, 792, 611);
  ASSERT_TRUE(n);
  // Height follows the aspect ratio, undoing the distortion of edge moves.
  EXPECT_EQ(*n, (Frame{241, 189, 310, 232}));  // 310*0.75 = 232.5 -> 232
  // Any unknown code is a zoom code by its sign.
  EXPECT_EQ(resized({0, 0, 300, 10}, RectCode{-7}, 1.0, 792, 611)->width, 310);
  EXPECT_EQ(resized({0, 0, 300, 10}, RectCode{99}, 1.0, 792, 611)->width, 270);
  EXPECT_EQ(resized({0, 0, 300, 10}, RectCode{0}, 1.0, 792, 611)->width, 270);
}

TEST(PictureRectMath, EdgeMovesKeepTheOppositeEdge) {
  const Frame f{10, 20, 100, 50};
  EXPECT_EQ(*resized(f, RectCode::TopUp, 0, 792, 611), (Frame{10, 16, 100, 54}));
  EXPECT_EQ(*resized(f, RectCode::TopDown, 0, 792, 611), (Frame{10, 24, 100, 46}));
  EXPECT_EQ(*resized(f, RectCode::LeftLeft, 0, 792, 611), (Frame{6, 20, 104, 50}));
  EXPECT_EQ(*resized(f, RectCode::LeftRight, 0, 792, 611), (Frame{14, 20, 96, 50}));
  EXPECT_EQ(*resized(f, RectCode::BottomUp, 0, 792, 611), (Frame{10, 20, 100, 46}));
  EXPECT_EQ(*resized(f, RectCode::BottomDown, 0, 792, 611), (Frame{10, 20, 100, 54}));
  EXPECT_EQ(*resized(f, RectCode::RightLeft, 0, 792, 611), (Frame{10, 20, 96, 50}));
  EXPECT_EQ(*resized(f, RectCode::RightRight, 0, 792, 611), (Frame{10, 20, 104, 50}));
}

TEST(PictureRectMath, NothingWhenASideWouldVanish) {
  EXPECT_FALSE(resized({0, 0, 4, 50}, RectCode::LeftRight, 1, 792, 611));
  EXPECT_FALSE(resized({0, 0, 4, 50}, RectCode::RightLeft, 1, 792, 611));
  EXPECT_FALSE(resized({0, 0, 50, 4}, RectCode::TopDown, 1, 792, 611));
  EXPECT_TRUE(resized({0, 0, 5, 50}, RectCode::RightLeft, 1, 792, 611));
  // No picture yet: the height would be 0.
  EXPECT_FALSE(resized({0, 0, 640, 480}, RectCode::ZoomOut, 0.0, 792, 611));
  EXPECT_FALSE(resized({0, 0, 640, 480}, RectCode::ZoomIn, 0.0, 792, 611));
  EXPECT_FALSE(resized({0, 0, 0, 10}, RectCode::ZoomIn, 0.01, 792, 611));  // 10 * 0.01 -> 0
}

TEST(PictureRectMath, WholePictureExamples) {
  EXPECT_EQ(wholePicture(0.75), (Frame{215, 150, 400, 300}));
  EXPECT_EQ(wholePicture(1.0), (Frame{238, 123, 354, 354}));
  EXPECT_EQ(wholePicture(1.5), (Frame{276, 92, 278, 416}));
  EXPECT_EQ(wholePicture(0.0), (Frame{165, 300, 500, 0}));
}

TEST(PictureRectMath, TogglesFollowTheirTable) {
  const DisplayFlags autoOn{true, false, false, false};
  EXPECT_FALSE(toggled(autoOn, Toggle::Proportional));
  EXPECT_FALSE(toggled(autoOn, Toggle::ProportionalStretch));
  EXPECT_FALSE(toggled(autoOn, Toggle::Stretch));
  EXPECT_TRUE(toggled(autoOn, Toggle::Center));

  const DisplayFlags off{false, true, false, false};
  auto r = toggled(off, Toggle::Proportional);
  EXPECT_EQ(r->flags, (DisplayFlags{false, false, true, false}));
  EXPECT_STREQ(r->text, kProportionalShrink);
  r = toggled(r->flags, Toggle::Proportional);
  EXPECT_STREQ(r->text, kCropped);

  r = toggled(off, Toggle::ProportionalStretch);  // stretch was on: ends off
  EXPECT_EQ(r->flags, (DisplayFlags{false, false, false, false}));
  EXPECT_STREQ(r->text, kCropped);
  r = toggled(r->flags, Toggle::ProportionalStretch);
  EXPECT_EQ(r->flags, (DisplayFlags{false, true, true, false}));
  EXPECT_STREQ(r->text, kProportionalScaling);

  r = toggled(r->flags, Toggle::Stretch);
  EXPECT_EQ(r->flags, (DisplayFlags{false, false, false, false}));
  EXPECT_STREQ(r->text, kCropped);
  r = toggled(r->flags, Toggle::Stretch);
  EXPECT_EQ(r->flags, (DisplayFlags{false, true, false, false}));
  EXPECT_STREQ(r->text, kFreeScaling);

  r = toggled(autoOn, Toggle::Center);
  EXPECT_FALSE(r->zoomLabel);
  EXPECT_TRUE(r->flags.center);
  EXPECT_STREQ(r->text, kCentred);
  EXPECT_STREQ(toggled(r->flags, Toggle::Center)->text, kNotCentred);
}

// --- on the window set ------------------------------------------------------

struct Viewer : ::testing::Test {
  TForm1* v = nullptr;
  void SetUp() override { v = new TForm1(); }
  void TearDown() override { delete v; }

  // What the chooser's hand-over will do: a picture in ImgBottoMov and its
  // aspect ratio.
  void show(int w, int h) {
    v->ImgBottoMov->setPicture(
        std::make_unique<BitmapPicture>(Bitmap::filled(w, h, PixelFormat::Rgb24, 0x808080)));
    v->FAspect = static_cast<double>(h) / w;
  }
  Frame frame() const {
    const auto* c = v->ImgBottoMov;
    return {c->left(), c->top(), c->width(), c->height()};
  }
  QString zoom() const { return v->FPanel->FZoom->caption(); }
  QString centre() const { return v->FPanel->FCenter->caption(); }
  void expectGuidesOnFrame() const {
    const Frame f = frame();
    EXPECT_EQ(v->FPanel->BeLeft->left(), f.left);
    EXPECT_EQ(v->FPanel->BeRight->left(), f.left + f.width);
    EXPECT_EQ(v->FPanel->BeTop->top(), f.top);
    EXPECT_EQ(v->FPanel->BeBottom->top(), f.top + f.height);
  }
};

QString u(const char* s) { return QString::fromUtf8(s); }

TEST_F(Viewer, PanelDrawsEveryPartOfTheDisplayState) {
  const std::pair<ZoomMode, const char*> texts[] = {
      {ZoomMode::FullSize, kFullSize},
      {ZoomMode::WholePicture, kWholePicture},
      {ZoomMode::Cropped, kCropped},
      {ZoomMode::ProportionalShrink, kProportionalShrink},
      {ZoomMode::ProportionalScaling, kProportionalScaling},
      {ZoomMode::FreeScaling, kFreeScaling}};
  for (const auto& [mode, text] : texts) {
    v->FState.zoom = mode;
    v->ShowState();
    EXPECT_EQ(zoom(), u(text));
  }
  v->FState.centred = v->FState.guides = true;
  v->ShowState();
  EXPECT_EQ(centre(), u(kCentred));
  EXPECT_EQ(v->FPanel->LabLine4->font().color, 0xFF0000u);
  EXPECT_TRUE(v->FPanel->BeBottom->visible());
  v->FState = DisplayState{};
  v->ShowState();
  EXPECT_EQ(centre(), u(kNotCentred));
  EXPECT_EQ(v->FPanel->LabLine4->font().color, 0x008000u);
  EXPECT_FALSE(v->FPanel->BeLeft->visible());
}

TEST_F(Viewer, NaturalSizeWhileAutoSizeIsOnChangesNothing) {
  show(640, 480);
  v->FState.zoom = ZoomMode::Cropped;
  v->ShowState();
  const Frame before = frame();
  const int guide = v->FPanel->BeLeft->left();
  v->ResizeFrame(RectCode::NaturalSize);
  EXPECT_EQ(frame(), before);
  EXPECT_EQ(zoom(), u(kCropped));
  EXPECT_EQ(v->FPanel->BeLeft->left(), guide);
}

TEST_F(Viewer, ZoomThenNaturalSizeRestoresAndCentres) {
  show(1001, 500);
  v->ResizeFrame(RectCode::ZoomOut);
  EXPECT_FALSE(v->ImgBottoMov->autoSize());
  EXPECT_EQ(frame(), (Frame{20, 118, 751, 375}));  // step R(250.25), height R(751 * 500 / 1001)
  EXPECT_EQ(zoom(), u(kCropped));
  expectGuidesOnFrame();
  v->ImgBottoMov->setStretch(true);
  v->ImgBottoMov->setProportional(true);
  v->ResizeFrame(RectCode::NaturalSize);
  EXPECT_TRUE(v->ImgBottoMov->autoSize());
  EXPECT_FALSE(v->ImgBottoMov->stretch());
  EXPECT_FALSE(v->ImgBottoMov->proportional());
  EXPECT_EQ(frame(), (Frame{-104, 55, 1001, 500}));
  EXPECT_EQ(zoom(), u(kFullSize));
  expectGuidesOnFrame();
}

TEST_F(Viewer, BeforeAnyPictureAZoomOnlySwitchesAutoSizeOff) {
  const Frame before = frame();
  v->ResizeFrame(RectCode::ZoomOut);
  EXPECT_FALSE(v->ImgBottoMov->autoSize());
  EXPECT_EQ(frame(), before);
  EXPECT_EQ(zoom(), u(kFullSize));
}

TEST_F(Viewer, VanishingEdgeMoveStillSwitchesAutoSizeOff) {
  show(4, 40);
  v->ResizeFrame(RectCode::LeftRight);
  EXPECT_FALSE(v->ImgBottoMov->autoSize());
  EXPECT_EQ(frame(), (Frame{0, 0, 4, 40}));
  EXPECT_EQ(zoom(), u(kFullSize));  // no real change, no new text
  v->ResizeFrame(RectCode::RightLeft);
  EXPECT_EQ(frame(), (Frame{0, 0, 4, 40}));
}

TEST_F(Viewer, EdgeMoveRewritesOnlyTheFullSizeText) {
  show(640, 480);
  v->ResizeFrame(RectCode::BottomUp);
  EXPECT_EQ(frame(), (Frame{0, 0, 640, 476}));
  EXPECT_EQ(zoom(), u(kCropped));
  expectGuidesOnFrame();
  v->ToggleDisplayMode(Toggle::Proportional);
  EXPECT_EQ(zoom(), u(kProportionalShrink));
  v->ResizeFrame(RectCode::TopUp);
  EXPECT_EQ(frame(), (Frame{0, -4, 640, 480}));
  EXPECT_EQ(zoom(), u(kProportionalShrink));
  // The right guide lies one pixel past the last column.
  EXPECT_EQ(v->FPanel->BeRight->left(), 640);
}

TEST_F(Viewer, GuidesMoveWhileHiddenAndStayHidden) {
  show(300, 200);
  v->ResizeFrame(RectCode::ZoomIn);
  EXPECT_FALSE(v->FPanel->BeTop->visible());
  EXPECT_FALSE(v->FPanel->BeRight->visible());
  expectGuidesOnFrame();
  // Only the one coordinate moves: lengths and the other axis stay.
  EXPECT_EQ(v->FPanel->BeTop->left(), -8);
  EXPECT_EQ(v->FPanel->BeTop->width(), 800);
  EXPECT_EQ(v->FPanel->BeLeft->top(), 0);
  EXPECT_EQ(v->FPanel->BeLeft->height(), 640);
}

TEST_F(Viewer, ScalingTogglesAreIgnoredUnderAutoSizeButCentringIsNot) {
  show(300, 200);
  v->ToggleDisplayMode(Toggle::Proportional);
  v->ToggleDisplayMode(Toggle::ProportionalStretch);
  v->ToggleDisplayMode(Toggle::Stretch);
  EXPECT_FALSE(v->ImgBottoMov->stretch());
  EXPECT_FALSE(v->ImgBottoMov->proportional());
  EXPECT_EQ(zoom(), u(kFullSize));
  v->ToggleDisplayMode(Toggle::Center);
  EXPECT_TRUE(v->ImgBottoMov->center());
  EXPECT_EQ(centre(), u(kCentred));
  v->ToggleDisplayMode(Toggle::Center);
  EXPECT_EQ(centre(), u(kNotCentred));

  v->ResizeFrame(RectCode::RightLeft);
  const Frame f = frame();
  v->ToggleDisplayMode(Toggle::ProportionalStretch);
  EXPECT_TRUE(v->ImgBottoMov->stretch());
  EXPECT_TRUE(v->ImgBottoMov->proportional());
  EXPECT_EQ(zoom(), u(kProportionalScaling));
  v->ToggleDisplayMode(Toggle::ProportionalStretch);
  EXPECT_FALSE(v->ImgBottoMov->stretch());
  EXPECT_FALSE(v->ImgBottoMov->proportional());
  EXPECT_EQ(zoom(), u(kCropped));
  EXPECT_EQ(frame(), f);  // toggles never move the rectangle
}

TEST_F(Viewer, ResetStopsRollingAndCentres) {
  show(1001, 500);
  v->ImgRoll1->setChecked(true);
  v->FTracking = true;
  v->FLockMouse = true;
  v->ResizeFrame(RectCode::LeftLeft);
  v->FChooser->setTreeWidth(160);
  v->Reset1Click();
  EXPECT_EQ(v->FChooser->treeWidth(), 95);
  EXPECT_EQ(v->FChooser->treepanel->width(), 95);
  EXPECT_EQ(v->FChooser->Splitter1->x(), 95);
  EXPECT_FALSE(v->ImgRoll1->isChecked());
  EXPECT_FALSE(v->FTracking);
  EXPECT_FALSE(v->FLockMouse);
  EXPECT_EQ(frame(), (Frame{-106, 55, 1005, 500}));
  expectGuidesOnFrame();
}

TEST_F(Viewer, WholePicturePlacementUsesTheAspect) {
  show(800, 600);
  v->ImgBottoMov->setAutoSize(false);
  v->PlaceWholePicture();
  EXPECT_EQ(frame(), (Frame{215, 150, 400, 300}));
}

}  // namespace
}  // namespace vistel
