// Form: layering attributes, painting order and clipping, colour-key shape.
#include "windows/form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <stdexcept>

#include "windows/desktop.h"
#include "windows/error_box.h"
#include "windows/shape.h"

namespace vistel {
namespace {

// Fills what it is asked to paint with its colour, except an optional hole
// painted in another colour; remembers the clips it was given.
class Block : public Control {
 public:
  explicit Block(Rgb colour) : colour_(colour) {}
  void paint(QImage& target, const Rect& clip) override {
    clips.push_back(clip);
    if (fail) throw std::runtime_error("JPEG error #53");
    const Surface s = surfaceOf(target);
    for (int y = clip.top; y < clip.bottom; ++y)
      for (int x = clip.left; x < clip.right; ++x)
        s.row(y)[x] = toPixel(hole.contains(x, y) ? holeColour : colour_);
  }
  std::vector<Rect> clips;
  Rect hole;  // in host coordinates
  Rgb holeColour = kWhite;
  bool fail = false;

 private:
  Rgb colour_;
};

Rgb at(Form& f, int x, int y) { return f.backBuffer().pixel(x, y) & kRgbMask; }

struct FormTest : ::testing::Test {
  Desktop desktop;
  Form form{BorderStyle::None, &desktop};
  void SetUp() override {
    form.setClientSize(40, 30);
    form.setColor(kWhite);
  }
};

TEST_F(FormTest, LayeringAttributesReachTheWindowOnceItExistsAndOnlyOnChange) {
  form.setAlphaBlend(true);
  form.setAlphaBlendValue(150);
  form.setTransparentColor(true);
  form.setTransparentColorValue(kWhite);
  form.setStayOnTop(true);
  EXPECT_EQ(form.layeringCalls().opacity, 0) << "nothing before the window exists";
  EXPECT_EQ(form.layeringCalls().shape, 0);

  form.ensureCreated();
  EXPECT_EQ(form.layeringCalls().opacity, 1);
  EXPECT_EQ(form.layeringCalls().shape, 1);
  EXPECT_EQ(form.layeringCalls().stayOnTop, 1);
  EXPECT_NEAR(form.windowOpacity(), 150 / 255.0, 1e-6);
  EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);

  // Unchanged values cost nothing.
  const LayeringCalls before = form.layeringCalls();
  form.setAlphaBlend(true);
  form.setAlphaBlendValue(150);
  form.setTransparentColor(true);
  form.setTransparentColorValue(kWhite);
  form.setStayOnTop(true);
  form.show();
  form.refresh();  // same content, same shape: no new mask
  EXPECT_EQ(form.layeringCalls().opacity, before.opacity);
  EXPECT_EQ(form.layeringCalls().shape, before.shape);
  EXPECT_EQ(form.layeringCalls().stayOnTop, before.stayOnTop);

  form.setAlphaBlendValue(165);
  EXPECT_EQ(form.layeringCalls().opacity, before.opacity + 1);
  EXPECT_NEAR(form.windowOpacity(), 165 / 255.0, 1e-6);
  EXPECT_EQ(form.alphaBlendValue(), 165);
  // Opaque with the key still in force.
  form.setAlphaBlend(false);
  EXPECT_DOUBLE_EQ(form.windowOpacity(), 1.0);
  EXPECT_FALSE(form.mask().isEmpty()) << "the colour key stays";
  form.setAlphaBlend(true);
  EXPECT_NEAR(form.windowOpacity(), 165 / 255.0, 1e-6) << "the level was kept";
  // Values out of range are clamped.
  form.setAlphaBlendValue(300);
  EXPECT_EQ(form.alphaBlendValue(), 255);
}

TEST_F(FormTest, BackgroundThenControlsInCreationOrderEachClippedToItsRectangle) {
  auto* first = form.create<Block>(kBlue);
  first->setBounds(5, 5, 20, 10);
  auto* second = form.create<Block>(0xFF0000);
  second->setBounds(15, 10, 40, 10);  // runs past the window's right edge
  auto* hidden = form.create<Block>(0x00FF00);
  hidden->setBounds(0, 0, 40, 30);
  hidden->setVisible(false);

  EXPECT_EQ(at(form, 0, 0), kWhite);
  EXPECT_EQ(at(form, 6, 6), kBlue);
  EXPECT_EQ(at(form, 16, 12), 0xFF0000u) << "the later control covers the earlier";
  EXPECT_EQ(at(form, 39, 19), 0xFF0000u);
  EXPECT_EQ(at(form, 39, 25), kWhite);
  EXPECT_TRUE(hidden->clips.empty());
  // Clips lie inside both the control and the window.
  ASSERT_FALSE(second->clips.empty());
  EXPECT_EQ(second->clips.back(), (Rect{15, 10, 40, 20}));

  // A repaint of one area paints only there, and each control only where it
  // meets it.
  first->clips.clear();
  second->clips.clear();
  form.invalidateRect({0, 0, 10, 8});
  form.backBuffer();
  ASSERT_EQ(first->clips.size(), 1u);
  EXPECT_EQ(first->clips[0], (Rect{5, 5, 10, 8}));
  EXPECT_TRUE(second->clips.empty());

  // Hiding a control uncovers what lies beneath it.
  second->setVisible(false);
  EXPECT_EQ(at(form, 16, 12), kBlue);
  EXPECT_EQ(at(form, 30, 12), kWhite);
  form.destroyControl(first);
  EXPECT_EQ(at(form, 6, 6), kWhite);
  EXPECT_EQ(form.controls().size(), 2u);
}

TEST_F(FormTest, ShapeHoldsEveryPixelThatIsNotTheKeyColour) {
  form.setTransparentColor(true);
  form.setTransparentColorValue(kWhite);
  auto* block = form.create<Block>(kBlue);
  block->setBounds(10, 5, 20, 10);
  block->hole = Rect{15, 8, 18, 10};  // white inside the block: see-through too
  form.show();
  form.refresh();
  const QRegion expected = QRegion(10, 5, 20, 10) - QRegion(15, 8, 3, 2);
  EXPECT_TRUE(sameRegion(form.shape(), expected));
  EXPECT_TRUE(sameRegion(form.mask(), expected)) << "the window was given the shape";

  // Moving the content changes the shape.
  const int calls = form.layeringCalls().shape;
  block->setBounds(0, 0, 20, 10);
  block->hole = Rect{};
  form.refresh();
  EXPECT_TRUE(sameRegion(form.shape(), QRegion(0, 0, 20, 10)));
  EXPECT_EQ(form.layeringCalls().shape, calls + 1);
  // Repainting the same pixels leaves the window's shape alone.
  form.invalidate();
  form.refresh();
  EXPECT_EQ(form.layeringCalls().shape, calls + 1);

  // All key colour: nothing of the window may show, which an empty mask
  // would not say.
  block->setVisible(false);
  form.refresh();
  EXPECT_TRUE(form.shape().isEmpty());
  EXPECT_FALSE(form.mask().isEmpty());
  EXPECT_FALSE(form.mask().intersects(form.rect()));

  // Key off: no shape at all.
  form.setTransparentColor(false);
  EXPECT_TRUE(form.mask().isEmpty());
}

TEST_F(FormTest, ChildWidgetsAreKeyedLikeTheControlsBeneathThem) {
  form.setTransparentColor(true);
  form.setTransparentColorValue(kWhite);
  auto* child = new QWidget(&form);
  child->setGeometry(2, 3, 6, 4);
  child->setAutoFillBackground(true);
  QPalette p = child->palette();
  p.setColor(QPalette::Window, Qt::red);
  child->setPalette(p);
  form.show();
  QApplication::processEvents();
  form.refresh();
  EXPECT_TRUE(sameRegion(form.shape(), QRegion(2, 3, 6, 4)));
  // A child that paints itself in the key colour is see-through.
  p.setColor(QPalette::Window, Qt::white);
  child->setPalette(p);
  child->update();
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_TRUE(form.shape().isEmpty());
}

// Paints itself red but for a white hole (the key colour in these tests).
class Patch : public QWidget {
 public:
  using QWidget::QWidget;
  QRect hole;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::red);
    if (!hole.isEmpty()) painter.fillRect(hole, Qt::white);
  }
};

TEST_F(FormTest, APartialRepaintOfANestedChildKeysThatPartInItsPlace) {
  // A blue background: only the children's hole can be see-through.
  form.setColor(kBlue);
  form.setTransparentColor(true);
  form.setTransparentColorValue(kWhite);
  auto* container = new Patch(&form);
  container->setGeometry(5, 4, 20, 15);
  auto* patch = new Patch(container);
  patch->setGeometry(3, 2, 10, 8);
  form.show();
  QApplication::processEvents();
  form.refresh();
  const QRegion whole(0, 0, 40, 30);
  ASSERT_TRUE(sameRegion(form.shape(), whole));

  // Only the hole is repainted: the shape loses exactly that part, at the
  // patch's place in the window (5 + 3 + 2, 4 + 2 + 1).
  patch->hole = QRect(2, 1, 4, 3);
  patch->update(patch->hole);
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_TRUE(sameRegion(form.shape(), whole - QRegion(10, 7, 4, 3)));

  // And gets it back when the hole is painted over again.
  const QRect old = patch->hole;
  patch->hole = QRect();
  patch->update(old);
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_TRUE(sameRegion(form.shape(), whole));
}

// Pixels that were key-coloured, and so outside the window's shape, and
// then get other content are painted on the screen once the shape takes
// them in again.
TEST_F(FormTest, PixelsComingBackIntoTheShapeAreRepainted) {
  form.setColor(kBlue);
  form.setTransparentColor(true);
  form.setTransparentColorValue(kWhite);
  auto* frame = new QWidget(&form);
  frame->setGeometry(1, 1, 30, 25);
  auto* patch = new Patch(frame);
  patch->setAttribute(Qt::WA_OpaquePaintEvent);
  patch->setGeometry(4, 3, 20, 15);
  patch->hole = QRect(2, 1, 4, 3);
  form.show();
  QApplication::processEvents();
  QApplication::processEvents();
  ASSERT_TRUE(sameRegion(form.shape(), QRegion(0, 0, 40, 30) - QRegion(7, 5, 4, 3)));

  patch->hole = QRect(12, 8, 4, 3);
  patch->update();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  ASSERT_TRUE(sameRegion(form.shape(), QRegion(0, 0, 40, 30) - QRegion(17, 12, 4, 3)));
  const QImage seen = form.screen()->grabWindow(form.winId()).toImage();
  ASSERT_FALSE(seen.isNull());
  EXPECT_EQ(seen.pixel(8, 6) & kRgbMask, 0xFF0000u) << "the old hole shows the patch again";
}

TEST_F(FormTest, AnErrorWhilePaintingIsShownOnceThePaintIsOver) {
  QGuiApplication::setApplicationDisplayName(QStringLiteral("Vistel"));
  std::vector<std::pair<QString, QString>> shown;
  setErrorPresenter(
      [&](const QString& caption, const QString& text) { shown.emplace_back(caption, text); });
  auto* block = form.create<Block>(kBlue);
  block->setBounds(0, 0, 10, 10);
  block->fail = true;
  auto* above = form.create<Block>(0xFF0000);
  above->setBounds(5, 5, 10, 10);
  form.backBuffer();
  EXPECT_TRUE(shown.empty()) << "not from inside the paint";
  EXPECT_EQ(at(form, 12, 12), 0xFF0000u) << "the other controls still paint";
  QApplication::processEvents();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, "Vistel");
  EXPECT_EQ(shown[0].second, "JPEG error #53.");
  setErrorPresenter(nullptr);
}

TEST(FormWindow, BorderlessWindowsAreFramelessTheDialogHasACloseButtonAndFixedSize) {
  Desktop desktop;
  Form plain(BorderStyle::None, &desktop);
  EXPECT_TRUE(plain.windowFlags() & Qt::FramelessWindowHint);
  Form help(BorderStyle::Dialog, &desktop);
  help.setClientSize(345, 242);
  help.setPosition(405, 194);
  EXPECT_FALSE(help.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(help.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(help.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(help.minimumSize(), QSize(345, 242));
  EXPECT_EQ(help.maximumSize(), QSize(345, 242));
  EXPECT_EQ(help.left(), 405);
  EXPECT_EQ(help.top(), 194);
}

}  // namespace
}  // namespace vistel
