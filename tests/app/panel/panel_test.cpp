// The control panel: the skin, its labels and hot spots, and the skin copy it
// paints into the viewer.
#include <gtest/gtest.h>

#include <QPainter>
#include <QTemporaryDir>
#include <cstdlib>

#include "controls/fonts.h"
#include "panel/form2.h"
#include "storage/caption_cache.h"
#include "viewer/form1.h"

namespace vistel {
namespace {

// First in this program: no fit is known before it. The panel asks for its
// fits while the font thread works out the same ones.
TEST(PanelFonts, EachFitIsWorkedOutOnceWhicheverThreadAsksFirst) {
  ASSERT_EQ(fitsWorkedOut(), 0u);
  const std::size_t fits = TForm2::labelFits().size();
  FontPreload preload;
  preload.applicationReady(TForm2::labelFaces(), TForm2::labelFits());
  {
    TForm2 panel;
    EXPECT_EQ(panel.FZoom->font().pixelHeight, 12);
  }
  preload.wait();
  EXPECT_EQ(fitsWorkedOut(), fits) << "a fit worked out twice, or one the panel asks is not ahead";
  for (const FontFit& f : TForm2::labelFits()) fittingFont(f);
  EXPECT_EQ(fitsWorkedOut(), fits);
}

// The panel's captions are drawn from the fits' own drawing: the same pixels
// as drawing them here, in a box anywhere and clipped to it. A face that
// blends its edges is not kept: it is drawn as ever.
TEST(PanelFonts, CaptionsDrawnAheadAreThePixelsDrawTextLeaves) {
  const QRgb skin = 0xFF336633u;
  for (const FontFit& f : TForm2::labelFits()) {
    const QFont font = fittingFont(f);
    const QRect box = f.box.translated(5, 7);
    for (const QString& text : f.texts) {
      QImage ahead(box.width() + 10, box.height() + 14, QImage::Format_RGB32);
      ahead.fill(skin);
      QImage drawn = ahead;
      ASSERT_TRUE(drawTextDrawnAhead(ahead, ahead.rect(), font, box, f.flags, text, 0xFFFF00))
          << text.toStdString();
      QPainter painter(&drawn);
      painter.setClipRect(box);
      painter.setFont(font);
      painter.setPen(QColor(0xFFFF00));
      painter.drawText(box, f.flags, text);
      painter.end();
      EXPECT_EQ(ahead, drawn) << text.toStdString();
    }
  }
  QFont smooth = controlFont(QStringLiteral("MS Sans Serif"), 20);
  smooth.setStyleStrategy(QFont::PreferAntialias);
  const QFont fitted = fittingFont(smooth, QRect(0, 0, 80, 30), Qt::AlignLeft, {"Wave"});
  QImage target(80, 30, QImage::Format_RGB32);
  EXPECT_FALSE(drawTextDrawnAhead(target, target.rect(), fitted, target.rect(), Qt::AlignLeft,
                                  QStringLiteral("Wave"), 0));
}

// Fits kept from an earlier run answer at once; the preload that waited for
// the first frame works them out again, and says where they differ.
TEST(PanelFonts, KeptFitsAnswerAtOnceAndAreCheckedAfterTheFirstFrame) {
  const FontFit fit =
      Label::fitFor({QStringLiteral("宋体"), 12}, 31, 16, TextAlign::Center, TextLayout::Top,
                    {QStringLiteral("原图显示"), QStringLiteral("Bmp")});
  const int px = fittingFont(fit).pixelSize();
  const FitRecord record = recordFits({fit});
  ASSERT_EQ(record.fits.size(), 1u);
  ASSERT_EQ(record.texts.size(), 2u);
  FitRecord stale = record;
  stale.fits[0].pixelSize = px + 1;
  stale.texts[0].covered[0] ^= 1;
  // Kept, and read back only exactly as written.
  std::string bytes = encodeFitRecord(stale);
  FitRecord read;
  ASSERT_TRUE(decodeFitRecord(bytes, read));
  EXPECT_EQ(read, stale);
  for (const std::string& bad : {bytes.substr(0, bytes.size() - 1), bytes + '\0',
                                 bytes.substr(0, 20) + '\xff' + bytes.substr(21)})
    EXPECT_FALSE(decodeFitRecord(bad, read));

  adoptFits(stale);
  const std::size_t workedOut = fitsWorkedOut();
  EXPECT_EQ(fittingFont(fit).pixelSize(), px + 1);
  EXPECT_EQ(fitsWorkedOut(), workedOut);
  int calls = 0;
  {
    FontPreload preload(true);
    preload.applicationReady({}, {fit}, [&](bool changed, const std::vector<FontFit>&) {
      EXPECT_TRUE(changed);
      ++calls;
    });
    preload.firstFrameOut();
  }
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(fittingFont(fit).pixelSize(), px);
  EXPECT_EQ(recordFits({fit}), record);
  EXPECT_FALSE(refreshFits({fit}));
  // Never released: it does nothing.
  {
    FontPreload(true).applicationReady({}, {fit}, [&](bool, const auto&) { ++calls; });
  }
  EXPECT_EQ(calls, 1);

  // Between runs: under the same stamp only, in a folder that is the user's alone.
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString() + "/vistel/captions";
  const CaptionCache cache(folder);
  ASSERT_TRUE(cache.store(record));
  EXPECT_TRUE(cache.load(record.stamp, read));
  EXPECT_EQ(read, record);
  EXPECT_FALSE(cache.load(record.stamp + "x", read));
  ASSERT_EQ(std::system(("chmod 0755 '" + folder + "'").c_str()), 0);
  EXPECT_FALSE(cache.load(record.stamp, read));
}

struct Panel : ::testing::Test {
  TForm1* viewer = nullptr;
  TForm2* panel = nullptr;
  void SetUp() override {
    viewer = new TForm1();
    panel = viewer->FPanel;
  }
  void TearDown() override { delete viewer; }
};

TEST_F(Panel, StatusLabelsStartWithTheirCaptionsAndGuideLinesHidden) {
  EXPECT_EQ(panel->FZoom->caption(), QStringLiteral("原图显示"));
  EXPECT_EQ(panel->FCenter->caption(), QStringLiteral("非居中"));
  EXPECT_EQ(panel->FZoom->boundsRect(), Rect::fromSize(102, 349, 62, 16));
  EXPECT_EQ(panel->FCenter->boundsRect(), Rect::fromSize(109, 302, 40, 16));
  EXPECT_EQ(panel->FZoom->font().family, QStringLiteral("宋体"));
  EXPECT_EQ(panel->FZoom->font().pixelHeight, 12);
  EXPECT_EQ(panel->FZoom->font().color, 0xFFFF00u);
  EXPECT_TRUE(panel->FZoom->transparent());
  for (Bevel* b : {panel->BeTop, panel->BeLeft, panel->BeBottom, panel->BeRight})
    EXPECT_FALSE(b->visible());
  for (Label* l : {panel->FZoom, panel->FCenter, panel->LabLine4, panel->LabLeft, panel->LabRight,
                   panel->LabBottom, panel->LabTop})
    EXPECT_TRUE(l->visible()) << l->name().toStdString();
  EXPECT_EQ(panel->BeRight->boundsRect(), Rect::fromSize(208, -29, 1, 640));
}

TEST_F(Panel, HotSpotsAreInvisibleTaggedAndHinted) {
  struct Spot {
    Label* label;
    int tag;
    const char* hint;
  };
  const Spot spots[] = {{panel->LabF6, 1, "显示(隐藏)黑色背景"},
                        {panel->LabEsc, 5, "透明/不透明"},
                        {panel->LabShf1, 8, "图像全貌"},
                        {panel->LabShfPd, 13, "图像(视域)缩小"}};
  for (const Spot& s : spots) {
    EXPECT_EQ(s.label->tag(), s.tag);
    EXPECT_EQ(s.label->hint(), QString::fromUtf8(s.hint));
    EXPECT_TRUE(s.label->showHint());
    EXPECT_TRUE(s.label->transparent());
    EXPECT_EQ(s.label->width(), 3);
  }
  EXPECT_EQ(panel->LabCenter->tag(), 5);
  EXPECT_EQ(panel->LabTop->caption(), "^");
  EXPECT_EQ(panel->LabBottom->tag(), 2);
  EXPECT_EQ(panel->WholeImg->boundsRect(), Rect::fromSize(685, 115, 32, 3));
  EXPECT_FALSE(panel->WholeImg->showHint());
  // Labels keep the default arrow; the skin has the multi-drag cursor.
  EXPECT_EQ(panel->LabF6->cursor(), CursorShape::Arrow);
  EXPECT_EQ(panel->ImgBStock->cursor(), CursorShape::MultiDrag);
  // Declaration order: skin first, WholeImg last.
  EXPECT_EQ(panel->controls().front(), panel->ImgBStock);
  EXPECT_EQ(panel->controls().back(), panel->WholeImg);
}

TEST_F(Panel, SkinShowsTheWreathAndLeavesTheRestToTheColourKey) {
  const QImage& img = panel->backBuffer();
  // A hot spot lies on a dot of the butterfly: not white, so it is seen.
  EXPECT_NE(img.pixel(661, 83) & kRgbMask, kWhite);
  // The ring's interior and the rows below the skin are white: see-through.
  EXPECT_EQ(img.pixel(400, 300) & kRgbMask, kWhite);
  EXPECT_EQ(img.pixel(400, 605) & kRgbMask, kWhite);
  EXPECT_TRUE(panel->shape().contains(QPoint(661, 83)));
  EXPECT_FALSE(panel->shape().contains(QPoint(400, 300)));
  EXPECT_FALSE(panel->shape().contains(QPoint(400, 605)));
}

TEST_F(Panel, SkinCopyInTheViewerMatchesThePanelsSkin) {
  PictureControl* border = viewer->ImgBorder;
  ASSERT_NE(border->picture(), nullptr);
  EXPECT_EQ(border->pictureWidth(), 792);
  EXPECT_EQ(border->pictureHeight(), 611);
  // Show the copy alone (labels aside) and compare it with the skin drawn
  // the same way: every pixel the copy paints is the skin's pixel.
  QImage copy(792, 611, QImage::Format_RGB32);
  copy.fill(0x123456);
  border->setVisible(true);
  border->paint(copy, Rect{0, 0, 792, 611});
  QImage skin(792, 611, QImage::Format_RGB32);
  skin.fill(0xFFFFFF);
  panel->ImgBStock->paint(skin, Rect{0, 0, 792, 611});
  int differing = 0;
  for (int y = 0; y < 611; y += 3)
    for (int x = 0; x < 792; x += 3) {
      const QRgb c = copy.pixel(x, y) & kRgbMask;
      const QRgb s = skin.pixel(x, y) & kRgbMask;
      // White is the copy's transparent colour: there the background shows.
      if (s == kWhite ? c != 0x123456u : c != s) ++differing;
    }
  EXPECT_EQ(differing, 0);
  // The bottom rows, which the skin does not cover, are see-through too.
  EXPECT_EQ(copy.pixel(300, 600) & kRgbMask, 0x123456u);
}

}  // namespace
}  // namespace vistel
