#include "panel/form2.h"

#include <algorithm>
#include <vector>

#include "assets/embedded_assets.h"
#include "controls/canvas.h"
#include "controls/fonts.h"
#include "device/window_attributes.h"
#include "panel/status_texts.h"
#include "pictures/jpeg_picture.h"
#include "pictures/pixel_runs.h"
#include "windows/start_trace.h"

namespace vistel {
namespace {

constexpr Rgb kYellow = 0xFFFF00;
constexpr Rgb kGreen = 0x008000;
constexpr Rgb kRed = 0xFF0000;
constexpr Rgb kWindowText = kBlack;

// The status labels' face and the "+" switch's; the arrow pads use the
// panel's own (LabelFont's default).
const LabelFont kStatusFont{QStringLiteral("宋体"), 12, kYellow, false};
const LabelFont kSwitchFont{QStringLiteral("MS Sans Serif"), 24, kGreen, false};

// A hot spot: a 3 by 3 label, red but transparent, so it is invisible until
// switched opaque; its hint says what it does.
Label* hotSpot(Form& form, const char* name, int left, int top, int tag, const char* hint) {
  auto* l = form.create<Label>();
  l->setName(QString::fromLatin1(name));
  l->setBounds(left, top, 3, 3);
  l->setTag(tag);
  l->setColor(kRed);
  l->setTransparent(true);
  l->setHint(QString::fromUtf8(hint));
  l->setShowHint(true);
  return l;
}

// The labels whose font is fitted to their captions (the first of which they
// show). Their fits are the first text work of the program; the font thread
// does them ahead from this same table (TForm2::labelFits).
struct FittedLabel {
  const char* name;
  int left, top, width, height;
  LabelFont font;
  TextAlign alignment;
  TextLayout layout;
  QStringList captions;
};

template <std::size_t N>
QStringList texts(const char* const (&captions)[N]) {
  QStringList all;
  for (const char* c : captions) all << QString::fromUtf8(c);
  return all;
}

const std::vector<FittedLabel>& fittedLabels() {
  // The arrow pads keep the panel's own face, in the window text colour.
  LabelFont pad;
  pad.color = kWindowText;
  static const std::vector<FittedLabel> labels{
      {"FZoom", 102, 349, 62, 16, kStatusFont, TextAlign::Center, TextLayout::Top,
       texts(status_texts::kZoomTexts)},
      {"FCenter", 109, 302, 40, 16, kStatusFont, TextAlign::Center, TextLayout::Top,
       texts(status_texts::kCenterTexts)},
      {"LabLine4", 720, 132, 14, 29, kSwitchFont, TextAlign::Center, TextLayout::Center, {"+"}},
      {"LabLeft", 656, 176, 7, 12, pad, TextAlign::Left, TextLayout::Top, {"<"}},
      {"LabRight", 679, 172, 7, 12, pad, TextAlign::Left, TextLayout::Top, {">"}},
      {"LabBottom", 668, 185, 7, 10, pad, TextAlign::Left, TextLayout::Top, {"V"}},
      {"LabTop", 664, 160, 7, 10, pad, TextAlign::Left, TextLayout::Top, {"^"}},
  };
  return labels;
}

const FittedLabel& fittedRow(QStringView name) {
  const auto& all = fittedLabels();
  return *std::find_if(all.begin(), all.end(),
                       [name](const FittedLabel& f) { return QLatin1String(f.name) == name; });
}

// Hidden until its font is fitted (TForm2::fitLabels).
Label* fittedLabel(Form& form, const char* name) {
  const FittedLabel& row = fittedRow(QString::fromLatin1(name));
  auto* l = form.create<Label>();
  l->setName(QString::fromLatin1(row.name));
  l->setBounds(row.left, row.top, row.width, row.height);
  l->setCaption(row.captions.front());
  l->setFont(row.font);
  l->setAlignment(row.alignment);
  l->setLayout(row.layout);
  l->setTransparent(true);
  l->setVisible(false);
  return l;
}

Label* arrowPad(Form& form, const char* name, int tag) {
  Label* l = fittedLabel(form, name);
  l->setTag(tag);
  return l;
}

Bevel* guideLine(Form& form, const char* name, int left, int top, int width, int height) {
  auto* b = form.create<Bevel>();
  b->setName(QString::fromLatin1(name));
  b->setBounds(left, top, width, height);
  b->setVisible(false);
  return b;
}

}  // namespace

TForm2::TForm2() {
  applyDeviceAttributes(*this, kWhite);
  setWindowTitle(QStringLiteral("Form2"));
  // The viewer's task-bar entry stands for the whole set.
  setTaskBarEntry(false);
  buildComponents();
  wireHotSpots();
  traceStart("panel components");
  // The window manager takes the window on while the labels' fits, worked
  // out on the font thread, are waited for; the labels are in place before
  // the first paint, which waits for the window system's exposure.
  setVisible(true);
  fitLabels();
}

void TForm2::fitLabels() {
  for (Label* l : {FZoom, FCenter, LabLine4, LabLeft, LabRight, LabBottom, LabTop}) {
    const FittedLabel& row = fittedRow(l->name());
    l->setFont(row.font);
    l->fitFontTo(row.captions);
    l->setVisible(true);
    // The same size may come with other pixels.
    l->invalidate();
  }
}

void TForm2::buildComponents() {
  ImgBStock = create<PictureControl>();
  ImgBStock->setName(QStringLiteral("ImgBStock"));
  ImgBStock->setBounds(0, 0, 792, 611);
  const auto bytes = assets::panelSkinJpg();
  auto skin = std::make_unique<JpegPicture>(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  // Decoded when the program was built: the first frame waits for no decode.
  skin->setPredecoded(unpackPixelRuns(assets::panelSkinPixels()));
  ImgBStock->setPicture(std::move(skin));
  ImgBStock->setCursor(CursorShape::MultiDrag);
  // The skin is where the user grabs the device: its presses, moves and
  // releases are the viewer's gestures; a double click sends the set back.
  ImgBStock->onMouseDown = [this](Control& c, const MouseEvent& m) {
    if (events.skinDown) events.skinDown(c, m);
  };
  ImgBStock->onMouseMove = [this](Control& c, const MouseEvent& m) {
    if (events.skinMove) events.skinMove(c, m);
  };
  ImgBStock->onMouseUp = [this](Control& c, const MouseEvent& m) {
    if (events.skinUp) events.skinUp(c, m);
  };
  ImgBStock->onDblClick = [this](Control&) {
    if (events.skinDoubleClick) events.skinDoubleClick();
  };

  FZoom = fittedLabel(*this, "FZoom");
  FCenter = fittedLabel(*this, "FCenter");

  BeTop = guideLine(*this, "BeTop", -8, 256, 800, 1);
  BeLeft = guideLine(*this, "BeLeft", 168, 0, 1, 640);
  BeBottom = guideLine(*this, "BeBottom", -8, 336, 800, 1);
  BeRight = guideLine(*this, "BeRight", 208, -29, 1, 640);

  LabLine4 = fittedLabel(*this, "LabLine4");

  LabCenter = create<Label>();
  LabCenter->setName(QStringLiteral("LabCenter"));
  LabCenter->setBounds(669, 176, 3, 4);
  LabCenter->setTag(5);
  LabCenter->setColor(kYellow);
  LabCenter->setTransparent(true);

  LabLeft = arrowPad(*this, "LabLeft", 3);
  LabRight = arrowPad(*this, "LabRight", 4);
  LabBottom = arrowPad(*this, "LabBottom", 2);
  LabTop = arrowPad(*this, "LabTop", 1);

  LabF6 = hotSpot(*this, "LabF6", 660, 82, 1, "显示(隐藏)黑色背景");
  LabF7 = hotSpot(*this, "LabF7", 665, 91, 2, "文件选单置于黑色背景后");
  LabAlt = hotSpot(*this, "LabAlt", 670, 97, 3, "显示(隐藏)文件选单");
  LabF5 = hotSpot(*this, "LabF5", 673, 104, 4, "文件选单置于图像(前)后");
  LabEsc = hotSpot(*this, "LabEsc", 672, 77, 5, "透明/不透明");
  LabCtrl = hotSpot(*this, "LabCtrl", 676, 85, 6, "图像(停止)滚动");
  LabShfHm = hotSpot(*this, "LabShfHm", 681, 96, 7, "滚动时锁定鼠标");
  LabShf1 = hotSpot(*this, "LabShf1", 681, 135, 8, "图像全貌");
  LabShf2 = hotSpot(*this, "LabShf2", 682, 143, 9, "图像比例放缩");
  LabShf3 = hotSpot(*this, "LabShf3", 683, 151, 10, "图像非比例放缩");
  LabShfEnd = hotSpot(*this, "LabShfEnd", 682, 159, 11, "图像复原");
  LabShfPu = hotSpot(*this, "LabShfPu", 692, 131, 12, "图像(视域)放大");
  LabShfPd = hotSpot(*this, "LabShfPd", 693, 140, 13, "图像(视域)缩小");

  WholeImg = create<Label>();
  WholeImg->setName(QStringLiteral("WholeImg"));
  WholeImg->setBounds(685, 115, 32, 3);
  WholeImg->setColor(kGreen);
  WholeImg->setTransparent(true);
  // Labels show the default arrow; everything else the multi-drag cursor.
  for (Control* c : controls()) {
    if (dynamic_cast<Label*>(c) != nullptr) c->setCursor(CursorShape::Arrow);
  }
}

std::vector<QFont> TForm2::labelFaces() {
  std::vector<QFont> faces;
  for (const LabelFont& f : {kStatusFont, kSwitchFont, LabelFont{}})
    faces.push_back(controlFont(f.family, f.pixelHeight, f.bold));
  return faces;
}

std::vector<FontFit> TForm2::labelFits() {
  std::vector<FontFit> fits;
  for (const FittedLabel& f : fittedLabels())
    fits.push_back(Label::fitFor(f.font, f.width, f.height, f.alignment, f.layout, f.captions));
  return fits;
}

void TForm2::paintSkinCopy(Canvas target) const {
  // White, then the skin over it, straight on the target: the same pixels as
  // a white bitmap of the panel's size with the skin drawn on it and copied
  // over, without a window's worth of fresh memory on the way to the first
  // frame.
  const Surface s = target.surface();
  for (int y = 0; y < std::min(s.height, height()); ++y)
    std::fill_n(s.row(y), std::min(s.width, width()), toPixel(kWhite));
  target.draw(0, 0, *ImgBStock->picture());
}

void TForm2::keyDown(int& key, int shift) { FormKeyDown(this, key, shift); }

void TForm2::FormKeyDown(QObject* sender, int& key, int shift) {
  if (events.key) events.key(sender, key, shift);
}

}  // namespace vistel
