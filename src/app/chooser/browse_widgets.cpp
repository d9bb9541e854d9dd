#include "chooser/browse_widgets.h"

#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QStorageInfo>
#include <QStyle>
#include <QStyleOptionButton>

#include "assets/embedded_assets.h"
#include "chooser/folder_listing.h"
#include "controls/fonts.h"
#include "pictures/bmp_reader.h"

namespace vistel {

namespace {

// The folder list's icons, by kind.
enum FolderIcon : unsigned char { kOpenFolder, kClosedFolder, kCurrentFolder };

// A glyph drawn with its bottom-left colour (pure blue) see-through.
// The glyphs are built into the program (and checked by its tests): they read.
QIcon glyphIcon(assets::Bytes bmp) {
  const Bitmap b = readBmp(bmp);
  QImage img(b.width(), b.height(), QImage::Format_ARGB32);
  const Rgb key = b.transparentColor();
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) {
      const Rgb c = b.pixel(x, y);
      img.setPixel(x, y, c == key ? 0u : (c | kOpaque));
    }
  return QIcon(QPixmap::fromImage(img));
}

assets::DriveGlyph driveKind(const QStorageInfo& v) {
  const QByteArray fs = v.fileSystemType().toLower();
  const QByteArray dev = v.device().toLower();
  if (fs == "tmpfs" || fs == "ramfs" || fs == "devtmpfs") return assets::DriveGlyph::Ram;
  if (fs.startsWith("nfs") || fs == "cifs" || fs == "smb3" || fs == "sshfs" ||
      fs.startsWith("fuse.sshfs") || fs == "9p")
    return assets::DriveGlyph::Network;
  if (fs == "iso9660" || fs == "udf") return assets::DriveGlyph::CdRom;
  if (dev.contains("/dev/fd")) return assets::DriveGlyph::Floppy;
  return assets::DriveGlyph::Fixed;
}

std::string rawPath(const QString& path) {
  const QByteArray b = QFile::encodeName(path);
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

}  // namespace

void styleBrowseWidget(QWidget* w) {
  QFont f(QStringLiteral("MS Sans Serif"));
  f.setPixelSize(12);
  w->setFont(f);
  QPalette p = w->palette();
  p.setColor(QPalette::Base, QColor(0xC0, 0xC0, 0xC0));
  p.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
  p.setColor(QPalette::Button, QColor(0xC0, 0xC0, 0xC0));
  w->setPalette(p);
  w->setFocusPolicy(Qt::ClickFocus);
}

void fitTypeBoxCaptions(const std::vector<QCheckBox*>& boxes) {
  if (boxes.empty()) return;
  int pixels = boxes.front()->font().pixelSize();
  for (QCheckBox* box : boxes) {
    QStyleOptionButton opt;
    opt.initFrom(box);
    opt.text = box->text();
    const QRect room = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, box);
    const QFont fitted =
        fittingFont(box->font(), room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                    {box->text()}, box->rect());
    pixels = std::min(pixels, fitted.pixelSize());
  }
  for (QCheckBox* box : boxes) {
    QFont f = box->font();
    f.setPixelSize(pixels);
    box->setFont(f);
  }
}

// ---- NameListView -----------------------------------------------------------

NameListView::NameListView(QWidget* parent, int rowHeight)
    : QListView(parent), model_(this, rowHeight) {
  styleBrowseWidget(this);
  setFrameShape(QFrame::NoFrame);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Every row is as high as the first: a hundred thousand rows are laid
  // out without asking each one.
  setUniformItemSizes(true);
  setModel(&model_);
}

int NameListView::currentRow() const {
  return currentIndex().isValid() ? currentIndex().row() : -1;
}

void NameListView::setCurrentRow(int row) {
  selectionModel()->setCurrentIndex(model_.index(row), QItemSelectionModel::ClearAndSelect);
}

// ---- FileListBox ------------------------------------------------------------

FileListBox::FileListBox(QWidget* parent) : NameListView(parent, 13) {
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this] { userChanged(); });
}

void FileListBox::setDirectory(const std::string& folder) {
  if (folder == directory_) return;
  directory_ = folder;
  refresh();
}

void FileListBox::setMask(const std::string& mask) {
  if (mask == mask_) return;
  mask_ = mask;
  refresh();
}

void FileListBox::refresh() {
  quiet_ = true;
  model_.reset(directory_.empty() ? std::vector<std::string>{}
                                  : listMatchingFiles(directory_, mask_));
  setCurrentRow(-1);
  quiet_ = false;
  if (onChange) onChange();
}

std::string FileListBox::item(int i) const {
  if (i < 0 || i >= count()) return {};
  return model_.names()[static_cast<std::size_t>(i)];
}

void FileListBox::setItemIndex(int i) {
  quiet_ = true;
  setCurrentRow(i < 0 || i >= count() ? -1 : i);
  quiet_ = false;
}

void FileListBox::userChanged() {
  if (!quiet_ && onChange) onChange();
}

void FileListBox::focusInEvent(QFocusEvent* e) {
  // Qt makes the first row current when the list gets the focus by any means
  // but the mouse. That is no choice of the user's: nothing is selected.
  const int row = currentRow();
  quiet_ = true;
  QListView::focusInEvent(e);
  if (row < 0 && currentRow() >= 0) setCurrentRow(-1);
  quiet_ = false;
}

void FileListBox::keyPressEvent(QKeyEvent* e) {
  // One column of names: Left and Right step through it like Up and Down.
  if ((e->key() == Qt::Key_Left || e->key() == Qt::Key_Right) &&
      (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    QKeyEvent step(e->type(), e->key() == Qt::Key_Left ? Qt::Key_Up : Qt::Key_Down, e->modifiers(),
                   e->text(), e->isAutoRepeat(), static_cast<ushort>(e->count()));
    QListView::keyPressEvent(&step);
    e->setAccepted(step.isAccepted());
    return;
  }
  QListView::keyPressEvent(e);
}

void FileListBox::mousePressEvent(QMouseEvent* e) {
  if (onMouseDown) {
    MouseEvent m;
    m.button = e->button() == Qt::RightButton    ? MouseButton::Right
               : e->button() == Qt::MiddleButton ? MouseButton::Middle
                                                 : MouseButton::Left;
    m.x = e->position().toPoint().x();
    m.y = e->position().toPoint().y();
    if (e->modifiers() & Qt::ShiftModifier) m.shift |= kShift;
    if (e->modifiers() & Qt::ControlModifier) m.shift |= kCtrl;
    if (e->modifiers() & Qt::AltModifier) m.shift |= kAlt;
    onMouseDown(m);
  }
  // The handler may have hidden the list (right button): no selection then.
  if (isVisible() && e->button() == Qt::LeftButton) QListView::mousePressEvent(e);
}

// ---- DirectoryListBox -------------------------------------------------------

DirectoryListBox::DirectoryListBox(QWidget* parent, FileListBox* files)
    : NameListView(parent, 16), files_(files) {
  model_.setIcons({glyphIcon(assets::folderGlyphBmp(assets::FolderGlyph::Open)),
                   glyphIcon(assets::folderGlyphBmp(assets::FolderGlyph::Closed)),
                   glyphIcon(assets::folderGlyphBmp(assets::FolderGlyph::Current))});
  connect(this, &QListView::doubleClicked, this, [this](const QModelIndex& i) { open(i.row()); });
}

void DirectoryListBox::setDirectory(const std::string& folder) {
  if (folder == directory_) return;
  directory_ = folder;
  fill();
  if (files_ != nullptr) files_->setDirectory(folder);
  if (onChange) onChange();
}

void DirectoryListBox::fill() {
  folders_.clear();
  std::vector<std::string> names;
  std::vector<unsigned char> icons;
  const std::vector<std::string> chain = pathChain(directory_);
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const std::string& f = chain[i];
    names.push_back(i == 0 ? f : f.substr(f.rfind('/') + 1));
    icons.push_back(i + 1 == chain.size() ? kCurrentFolder : kOpenFolder);
    folders_.push_back(f);
  }
  for (std::string& sub : listSubfolders(directory_)) {
    folders_.push_back(joinPath(directory_ == "/" ? "" : directory_, sub));
    names.push_back(std::move(sub));
    icons.push_back(kClosedFolder);
  }
  model_.reset(std::move(names), std::move(icons));
  setCurrentRow(static_cast<int>(chain.size()) - 1);
}

void DirectoryListBox::open(int r) {
  if (r < 0 || r >= static_cast<int>(folders_.size())) return;
  // A copy: setDirectory refills folders_ before the file list reads it.
  const std::string folder = folders_[static_cast<std::size_t>(r)];
  setDirectory(folder);
}

void DirectoryListBox::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    open(currentRow());
    return;
  }
  QListView::keyPressEvent(e);
}

// ---- DriveComboBox ----------------------------------------------------------

DriveComboBox::DriveComboBox(QWidget* parent, DirectoryListBox* folders)
    : QComboBox(parent), folders_(folders) {
  styleBrowseWidget(this);
  setFrame(false);
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    if (!v.isValid() || !v.isReady()) continue;
    roots_.push_back(rawPath(v.rootPath()));
    lastFolder_.push_back(roots_.back());
    addItem(glyphIcon(assets::driveGlyphBmp(driveKind(v))), v.rootPath());
  }
  connect(this, &QComboBox::activated, this, [this](int i) { choose(i); });
}

void DriveComboBox::follow(const std::string& folder) {
  // The volume is the longest mount root that holds the folder.
  int best = -1;
  std::size_t bestLen = 0;
  for (std::size_t i = 0; i < roots_.size(); ++i) {
    const std::string& r = roots_[i];
    const bool holds = r == "/" || folder == r || folder.rfind(r + "/", 0) == 0;
    if (holds && r.size() >= bestLen) {
      best = static_cast<int>(i);
      bestLen = r.size();
    }
  }
  if (best < 0) return;
  current_ = best;
  lastFolder_[static_cast<std::size_t>(best)] = folder;
  setCurrentIndex(best);
}

void DriveComboBox::choose(int index) {
  if (index < 0 || index >= static_cast<int>(roots_.size()) || index == current_) return;
  current_ = index;
  if (folders_ != nullptr) folders_->setDirectory(lastFolder_[static_cast<std::size_t>(index)]);
}

}  // namespace vistel
