// The window set as the program creates it: attributes of every window, the
// stacking after start-up, the popup menu, and the teardown.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QTimer>

#include "backdrop/form3.h"
#include "chooser/get_img_form.h"
#include "help/help_form.h"
#include "panel/form2.h"
#include "panel/status_texts.h"
#include "viewer/form1.h"
#include "windows/desktop.h"

namespace vistel {
namespace {

struct WindowSet : ::testing::Test {
  TForm1* viewer = nullptr;
  void SetUp() override { viewer = new TForm1(); }
  void TearDown() override { delete viewer; }
};

void expectDeviceWindow(const Form& f, Rgb colour) {
  SCOPED_TRACE(f.windowTitle().toStdString());
  EXPECT_EQ(f.left(), 200);
  EXPECT_EQ(f.top(), 100);
  EXPECT_EQ(f.clientWidth(), 792);
  EXPECT_EQ(f.clientHeight(), 611);
  EXPECT_EQ(f.borderStyle(), BorderStyle::None);
  EXPECT_TRUE(f.alphaBlend());
  EXPECT_EQ(f.alphaBlendValue(), 150);
  EXPECT_EQ(f.color(), colour);
  EXPECT_TRUE(f.transparentColor());
  EXPECT_EQ(f.transparentColorValue(), colour);
  EXPECT_TRUE(f.stayOnTop());
  EXPECT_TRUE(f.keyPreview());
  EXPECT_TRUE(f.visible());
  EXPECT_EQ(f.formCursor(), CursorShape::MultiDrag);
}

TEST_F(WindowSet, EveryWindowHasItsLayoutAttributes) {
  EXPECT_EQ(Form1, viewer);
  ASSERT_NE(viewer->FPanel, nullptr);
  ASSERT_NE(viewer->FHelpForm, nullptr);
  ASSERT_NE(viewer->FChooser, nullptr);
  EXPECT_EQ(viewer->FBackdrop, nullptr);
  expectDeviceWindow(*viewer, kBlack);
  expectDeviceWindow(*viewer->FPanel, kWhite);
  expectDeviceWindow(*viewer->FChooser, kBlue);
  EXPECT_EQ(viewer->windowTitle(), "Vistel");
  EXPECT_EQ(viewer->FPanel->windowTitle(), "Form2");
  EXPECT_EQ(viewer->FChooser->windowTitle(), "GetImgForm");

  // The chooser is shown, yet nothing of it is seen: its panel starts hidden
  // and the rest is its colour key.
  EXPECT_FALSE(viewer->FChooser->wholepanel->isVisibleTo(viewer->FChooser));
  EXPECT_TRUE(viewer->FChooser->shape().isEmpty() ||
              !viewer->FChooser->shape().intersects(QRect(0, 0, 792, 611)));

  const THelpForm& help = *viewer->FHelpForm;
  EXPECT_EQ(help.windowTitle(), QStringLiteral("帮助"));
  EXPECT_EQ(help.borderStyle(), BorderStyle::Dialog);
  EXPECT_EQ(help.left(), 405);
  EXPECT_EQ(help.top(), 194);
  EXPECT_EQ(help.clientWidth(), 345);
  EXPECT_EQ(help.clientHeight(), 242);
  EXPECT_FALSE(help.alphaBlend());
  EXPECT_FALSE(help.transparentColor());
  EXPECT_TRUE(help.stayOnTop());
  EXPECT_TRUE(help.keyPreview());
  EXPECT_FALSE(help.visible());

  TForm3 backdrop;
  EXPECT_EQ(backdrop.windowTitle(), "Form3");
  EXPECT_EQ(backdrop.clientWidth(), 792);
  EXPECT_EQ(backdrop.clientHeight(), 611);
  EXPECT_TRUE(backdrop.alphaBlend());
  EXPECT_EQ(backdrop.alphaBlendValue(), 250);
  EXPECT_FALSE(backdrop.transparentColor());
  EXPECT_EQ(backdrop.color(), kBlack);
  EXPECT_TRUE(backdrop.stayOnTop());
  EXPECT_FALSE(backdrop.isEnabled());
  EXPECT_FALSE(backdrop.visible());
}

TEST_F(WindowSet, StartUpLeavesViewerOnTopThenChooserThenPanelWithViewerActive) {
  const WindowStack& stack = viewer->desktop().stack();
  const std::vector<WindowId> expected{viewer->windowId(), viewer->FChooser->windowId(),
                                       viewer->FPanel->windowId()};
  EXPECT_EQ(stack.visibleOrder(), expected);
  EXPECT_EQ(stack.active(), viewer->windowId());
  EXPECT_EQ(stack.mainWindow(), viewer->windowId());
  for (WindowId w : expected) EXPECT_TRUE(stack.isTopmost(w));
}

TEST_F(WindowSet, ViewerStartsWithEmptyPictureAndStartValues) {
  EXPECT_EQ(viewer->ImgBottoMov->picture(), nullptr);
  EXPECT_TRUE(viewer->ImgBottoMov->autoSize());
  EXPECT_EQ(viewer->FAspect, 0.0);
  EXPECT_FALSE(viewer->FChooserShown);
  EXPECT_TRUE(viewer->FPanelShown);
  EXPECT_FALSE(viewer->FTracking);
  EXPECT_FALSE(viewer->FLockMouse);
  EXPECT_EQ(viewer->FIgnoreUps, 0);
  EXPECT_FALSE(viewer->FState.opaque);
  EXPECT_FALSE(viewer->FState.chooserBehind);
  EXPECT_FALSE(viewer->FState.iconShown);
  // Components in their order, bottom first.
  const auto& order = viewer->controls();
  ASSERT_EQ(order.size(), 4u);
  EXPECT_EQ(order[0], viewer->ImgBottoMov);
  EXPECT_EQ(order[1], viewer->ImgMask);
  EXPECT_EQ(order[2], viewer->ImgBorder);
  EXPECT_EQ(order[3], viewer->Image1);
  EXPECT_EQ(viewer->ImgMask->pictureWidth(), 840);
  EXPECT_EQ(viewer->ImgMask->pictureHeight(), 620);
  EXPECT_TRUE(viewer->ImgMask->transparent());
  EXPECT_FALSE(viewer->ImgBorder->visible());
  EXPECT_FALSE(viewer->Image1->visible());
  EXPECT_EQ(viewer->Image1->boundsRect(), Rect::fromSize(80, 16, 32, 32));
  EXPECT_EQ(viewer->Image1->pictureWidth(), 32);
}

TEST_F(WindowSet, EmptyViewerPaintsOnlyItsColourKeySoNothingOfItIsSeen) {
  const QImage& img = viewer->backBuffer();
  for (QPoint p : {QPoint(0, 0), QPoint(400, 300), QPoint(791, 610), QPoint(140, 300)})
    EXPECT_EQ(img.pixel(p) & kRgbMask, kBlack) << p.x() << "," << p.y();
}

// The pixels two drawings differ in, shifted by (dx, dy).
QRect inkBetween(const QImage& with, const QImage& without, int dx, int dy) {
  QRect ink;
  for (int y = 0; y < with.height(); ++y)
    for (int x = 0; x < with.width(); ++x)
      if (with.pixel(x, y) != without.pixel(x, y)) ink |= QRect(x + dx, y + dy, 1, 1);
  return ink;
}

// Every caption of the set keeps its ink inside its box, in the font the
// program really gets here. Each is drawn by the program's own code in a box
// grown away from the text's anchor, with and without its text, so that the
// ink nothing clips shows.
TEST_F(WindowSet, EveryCaptionFitsItsBox) {
  const int g = 40;
  auto expectInside = [](const QString& what, const QRect& ink, QSize box) {
    EXPECT_TRUE(!ink.isEmpty() && QRect(QPoint(0, 0), box).contains(ink))
        << what.toStdString() << " ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x"
        << ink.height() << " in " << box.width() << "x" << box.height();
  };
  TForm2& panel = *viewer->FPanel;
  QStringList zoom, centre;
  for (const char* t : status_texts::kZoomTexts) zoom << QString::fromUtf8(t);
  for (const char* t : status_texts::kCenterTexts) centre << QString::fromUtf8(t);
  const std::pair<Label*, QStringList> labels[] = {{panel.FZoom, zoom},     {panel.FCenter, centre},
                                                   {panel.LabLine4, {"+"}}, {panel.LabLeft, {"<"}},
                                                   {panel.LabRight, {">"}}, {panel.LabTop, {"^"}},
                                                   {panel.LabBottom, {"V"}}};
  for (const auto& [shown, captions] : labels)
    for (const QString& caption : captions) {
      const int before = shown->alignment() == TextAlign::Left ? 0 : g;
      const int after = shown->alignment() == TextAlign::Right ? 0 : g;
      const int above = shown->layout() == TextLayout::Top ? 0 : g;
      const int below = shown->layout() == TextLayout::Bottom ? 0 : g;
      auto draw = [&](const QString& text) {
        QImage img(shown->width() + 2 * g, shown->height() + 2 * g, QImage::Format_RGB32);
        img.fill(Qt::white);
        Label copy;
        copy.setCaption(text);
        copy.setFont(shown->font());
        copy.setAlignment(shown->alignment());
        copy.setLayout(shown->layout());
        copy.setTransparent(true);
        copy.setBounds(g - before, g - above, shown->width() + before + after,
                       shown->height() + above + below);
        copy.paint(img, Rect::fromSize(0, 0, img.width(), img.height()));
        return img;
      };
      expectInside(shown->name() + " " + caption, inkBetween(draw(caption), draw({}), -g, -g),
                   QSize(shown->width(), shown->height()));
    }
  // The type boxes: left-aligned and centred vertically.
  for (QCheckBox* box : {viewer->FChooser->Bmp1, viewer->FChooser->Jpg1}) {
    const QSize laidOut = box->size();
    const QString caption = box->text();
    box->resize(laidOut + QSize(g, 2 * g));
    const QImage with = box->grab().toImage();
    box->setText({});
    const QImage without = box->grab().toImage();
    box->setText(caption);
    box->resize(laidOut);
    expectInside(caption, inkBetween(with, without, 0, -g), laidOut);
  }
}

TEST_F(WindowSet, PopupMenuHasItsItemsInOrderWithChecksCleared) {
  QStringList captions;
  for (QAction* a : viewer->PopupMenu1->actions())
    captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
  EXPECT_EQ(captions, (QStringList{"选择图像(&SelectImg)", "图像滚动(ImgR&oll)", "窗口置后(&Back)",
                                   "提示图名(Img&Name)", "-", "复位(&Reset)", "帮助(&Help)", "-",
                                   "退出(&Exit)"}));
  EXPECT_FALSE(viewer->ImgRoll1->isChecked());
  EXPECT_FALSE(viewer->ImgName1->isChecked());
  // Triggering the roll item inverts its check mark exactly once.
  viewer->ImgRoll1->trigger();
  EXPECT_TRUE(viewer->ImgRoll1->isChecked());
  viewer->ImgRoll1->trigger();
  EXPECT_FALSE(viewer->ImgRoll1->isChecked());
}

TEST_F(WindowSet, HelpItemAndF1InvertTheHelpWindowFromViewerPanelAndChooser) {
  THelpForm* help = viewer->FHelpForm;
  // Hidden at start, its text and picture are made when it is first shown.
  EXPECT_EQ(help->Memo1, nullptr);
  viewer->Help1->trigger();
  EXPECT_TRUE(help->visible());
  ASSERT_NE(help->Memo1, nullptr);
  EXPECT_EQ(help->Memo1->document()->blockCount(), 27);
  EXPECT_TRUE(help->Memo1->isVisibleTo(help));
  viewer->Help1->trigger();
  EXPECT_FALSE(help->visible());
  for (Form* from : std::initializer_list<Form*>{viewer, viewer->FPanel, viewer->FChooser}) {
    int key = 112;
    from->keyDown(key, 0);
    EXPECT_TRUE(help->visible());
    EXPECT_EQ(key, 112);  // never consumed
    key = 112;
    from->keyDown(key, kCtrl | kAlt);
    EXPECT_FALSE(help->visible());
  }
  // F1 in the help window only hides it.
  help->setVisible(true);
  int key = 112;
  help->keyDown(key, 0);
  EXPECT_FALSE(help->visible());
  EXPECT_EQ(key, 112);
  // Other keys in the help window do nothing; no command reaches the viewer.
  help->setVisible(true);
  key = 113;
  help->keyDown(key, 0);
  EXPECT_TRUE(help->visible());
}

TEST(WindowSetTeardown, IconGoesFirstThenHelpPanelChooserAndTheBackdropLast) {
  auto* viewer = new TForm1();
  viewer->AddIcon();
  EXPECT_TRUE(viewer->FState.iconShown);
  viewer->FBackdrop = new TForm3();
  std::vector<std::string> order;
  int trayWhenFirstWindowWent = -1;
  int trayWhenLastWindowWent = -1;
  auto watch = [&](QObject* o, const char* name) {
    QObject::connect(o, &QObject::destroyed, [&, name] {
      if (order.empty()) trayWhenFirstWindowWent = viewer->FState.iconShown;
      trayWhenLastWindowWent = viewer->FState.iconShown;
      order.push_back(name);
    });
  };
  watch(viewer->FHelpForm, "help");
  watch(viewer->FPanel, "panel");
  watch(viewer->FChooser, "chooser");
  watch(viewer->FBackdrop, "backdrop");
  delete viewer;
  EXPECT_EQ(order, (std::vector<std::string>{"help", "panel", "chooser", "backdrop"}));
  EXPECT_EQ(trayWhenFirstWindowWent, 0);
  EXPECT_EQ(trayWhenLastWindowWent, 0);
  EXPECT_EQ(Form1, nullptr);
}

TEST(WindowSetTeardown, ExitClosesTheViewerAndEndsTheLoop) {
  auto* viewer = new TForm1();
  bool ended = false;
  QTimer::singleShot(0, viewer, [viewer] { viewer->Exit1->trigger(); });
  QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });  // a hang fails, not stalls
  ended = QCoreApplication::exec() == 0;
  EXPECT_TRUE(ended);
  EXPECT_FALSE(viewer->isVisible());
  delete viewer;
}

}  // namespace
}  // namespace vistel
