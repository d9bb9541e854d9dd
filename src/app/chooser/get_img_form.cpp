#include "chooser/get_img_form.h"

#include <unistd.h>

#include <climits>

#include "assets/embedded_assets.h"
#include "chooser/chooser_splitter.h"
#include "chooser/file_mask.h"
#include "chooser/grid_geometry.h"
#include "chooser/img_thread.h"
#include "chooser/thumb_residency.h"
#include "device/window_attributes.h"
#include "pictures/bmp_reader.h"
#include "windows/cursors.h"
#include "windows/start_trace.h"

namespace vistel {

namespace {

constexpr int kWholeWidth = 401;
constexpr int kWholeHeight = 330;
constexpr int kScrollBarWidth = 12;
constexpr int kSplitterWidth = 5;

QFrame* silverPanel(QWidget* parent, const char* name) {
  auto* f = new QFrame(parent);
  f->setObjectName(QString::fromLatin1(name));
  f->setAutoFillBackground(true);
  QPalette p = f->palette();
  p.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
  f->setPalette(p);
  f->setFrameShape(QFrame::NoFrame);
  return f;
}

std::string currentFolder() {
  std::string buf(PATH_MAX, '\0');
  if (::getcwd(buf.data(), buf.size()) == nullptr) return "/";
  buf.resize(std::char_traits<char>::length(buf.c_str()));
  return buf;
}

}  // namespace

TGetImgForm::TGetImgForm() {
  applyDeviceAttributes(*this, kBlue);
  setWindowTitle(QStringLiteral("GetImgForm"));
  // The viewer's task-bar entry stands for the whole set.
  setTaskBarEntry(false);
  FResidency = std::make_unique<ThumbResidency>(this, FThumbs);
  buildLayout();
  traceStart("chooser layout");
  FormCreate();
  traceStart("chooser lists filled");
  setVisible(true);
}

TGetImgForm::~TGetImgForm() {
  if (!destroyed_) FormDestroy();
}

void TGetImgForm::buildLayout() {
  wholepanel = silverPanel(this, "wholepanel");
  wholepanel->setGeometry(220, 118, kWholeWidth, kWholeHeight);
  wholepanel->hide();

  treepanel = silverPanel(wholepanel, "treepanel");
  diskpanel = silverPanel(treepanel, "diskpanel");

  filepanel = new ThumbPanel(wholepanel);
  filepanel->setObjectName(QStringLiteral("filepanel"));
  FileListBox1 = new FileListBox(filepanel);
  FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
  FileListBox1->setMask("*.Bmp;*.Jpg");

  DirectoryListBox1 = new DirectoryListBox(treepanel, FileListBox1);
  DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
  DriveComboBox1 = new DriveComboBox(diskpanel, DirectoryListBox1);
  DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
  DriveComboBox1->setGeometry(6, 6, 90, 19);

  Bmp1 = new QCheckBox(QStringLiteral("Bmp"), diskpanel);
  Bmp1->setObjectName(QStringLiteral("Bmp1"));
  Bmp1->setGeometry(6, 28, 40, 17);
  Jpg1 = new QCheckBox(QStringLiteral("Jpg"), diskpanel);
  Jpg1->setObjectName(QStringLiteral("Jpg1"));
  Jpg1->setGeometry(55, 28, 40, 17);
  for (QCheckBox* box : {Bmp1, Jpg1}) {
    styleBrowseWidget(box);
    // A narrow gap between the box and its caption leaves the caption most
    // of the 40 pixels.
    box->setStyleSheet(QStringLiteral("QCheckBox { spacing: 2px; }"));
    box->setChecked(true);
    connect(box, &QCheckBox::clicked, this, [this] { Bmp1Click(); });
  }
  fitTypeBoxCaptions({Bmp1, Jpg1});

  Splitter1 = new ChooserSplitter(wholepanel);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  Splitter1->onDrag = [this](int left) { setTreeWidth(left); };

  ScrollBar1 = new QScrollBar(Qt::Vertical, wholepanel);
  ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
  ScrollBar1->setRange(0, 0);
  ScrollBar1->setSingleStep(1);
  ScrollBar1->setPageStep(kScrollLargeStep);
  ScrollBar1->setEnabled(false);
  ScrollBar1->hide();
  ScrollBar1->setFocusPolicy(Qt::NoFocus);
  connect(ScrollBar1, &QScrollBar::valueChanged, this, [this](int) { ScrollBar1Change(); });
  // Dragging the bar's thumb reaches at most maximum - page + 1.
  connect(ScrollBar1, &QScrollBar::sliderMoved, this, [this](int v) {
    const int cap = ScrollBar1->maximum() - FScrollPage + 1;
    if (FScrollPage > 0 && v > cap) ScrollBar1->setValue(std::max(0, cap));
  });

  FileLocateBtn = filepanel->create<PictureControl>();
  FileLocateBtn->setName(QStringLiteral("FileLocateBtn"));
  // The glyph is built into the program (and checked by its tests): it reads.
  FileLocateBtn->setPicture(std::make_unique<BitmapPicture>(readBmp(assets::locatorBmp())));
  FileLocateBtn->setBounds(104, 88, 30, 8);
  FileLocateBtn->setVisible(false);
  FLocatorPlaced = false;
  filepanel->keepOnTop(FileLocateBtn);

  // The multi-drag cursor over every control but the splitter, which shows
  // its own sizing cursor.
  wholepanel->setCursor(cursorFor(CursorShape::MultiDrag));
  for (QWidget* w : wholepanel->findChildren<QWidget*>())
    if (w != Splitter1) w->setCursor(cursorFor(CursorShape::MultiDrag));

  FileListBox1->onChange = [this] { FileListBox1Change(); };
  FileListBox1->onMouseDown = [this](const MouseEvent& m) { FileListBox1MouseDown(m); };
  DirectoryListBox1->onChange = [this] {
    DriveComboBox1->follow(DirectoryListBox1->directory());
    DirectoryListBox1Change();
  };
  filepanel->onMouseDown = [this](const MouseEvent& m) { filepanelMouseDown(m); };
  filepanel->onResize = [this] {
    FileListBox1->setGeometry(0, 0, filepanel->width(), filepanel->height());
    filepanelResize();
  };
  layoutWholePanel();
}

void TGetImgForm::layoutWholePanel() {
  // Docking: the folder side on the left, the bar on the right, the
  // splitter after the folder side and the file panel in between.
  treepanel->setGeometry(0, 0, treeWidth_, kWholeHeight);
  diskpanel->setGeometry(0, 0, treeWidth_, 46);
  DirectoryListBox1->setGeometry(0, 46, treeWidth_, kWholeHeight - 46);
  Splitter1->setGeometry(treeWidth_, 0, kSplitterWidth, kWholeHeight);
  ScrollBar1->setGeometry(kWholeWidth - kScrollBarWidth, 0, kScrollBarWidth, kWholeHeight);
  const int fileLeft = treeWidth_ + kSplitterWidth;
  filepanel->setGeometry(fileLeft, 0, std::max(0, kWholeWidth - kScrollBarWidth - fileLeft),
                         kWholeHeight);
  // A hidden widget gets its resize event only when shown; the column count
  // must follow the size at once.
  filepanel->onResize();
}

void TGetImgForm::setTreeWidth(int width) {
  width = std::clamp(width, 0, kWholeWidth - kScrollBarWidth - kSplitterWidth);
  if (width == treeWidth_) return;
  treeWidth_ = width;
  layoutWholePanel();
}

int TGetImgForm::treeWidth() const { return treeWidth_; }

void TGetImgForm::FormCreate() {
  FLastThumb = -1;
  // The lists open on the process's current folder. No change notification
  // is due at start-up: the handlers are connected only afterwards.
  auto onDir = std::move(DirectoryListBox1->onChange);
  auto onFiles = std::move(FileListBox1->onChange);
  DirectoryListBox1->onChange = nullptr;
  FileListBox1->onChange = nullptr;
  DirectoryListBox1->setDirectory(currentFolder());
  DriveComboBox1->follow(DirectoryListBox1->directory());
  DirectoryListBox1->onChange = std::move(onDir);
  FileListBox1->onChange = std::move(onFiles);
}

void TGetImgForm::FormDestroy() {
  destroyed_ = true;
  StopLoader();
  FLoader.reset();
  DiscardThumbs();
  FListToThumb.clear();
  // Its thread ends (or is left to end) before the thumbnails' array goes.
  FResidency.reset();
}

GridView TGetImgForm::gridView() const {
  return {FScrollPos, filepanel->height(), std::max(1, FColumns)};
}

void TGetImgForm::keyDown(int& key, int shift) { FormKeyDown(this, key, shift); }

void TGetImgForm::FormKeyDown(QObject* sender, int& key, int shift) {
  if (events.key) events.key(sender, key, shift);
}

void TGetImgForm::focusFileList() {
  if (!visible() || !FileListBox1->isVisible()) return;
  activate();
  FileListBox1->setFocus();
}

}  // namespace vistel
