// The chooser window on the offscreen platform: browsing, the hand-over of
// the chosen picture, the grid the loader fills, scrolling, the locator and
// arrow-key stepping.
#include <dirent.h>

#include <QApplication>
#include <QMouseEvent>
#include <QToolTip>
#include <cstring>

#include "chooser/file_mask.h"
#include "chooser/grid_geometry.h"
#include "chooser/thumb_cache.h"
#include "chooser/thumb_maker.h"
#include "chooser/thumb_residency.h"
#include "chooser_fixture.h"
#include "windows/error_box.h"
#include "windows/key_codes.h"

namespace vistel {
namespace {

using testing_support::ChooserTest;
using testing_support::solidBmp;

TEST_F(ChooserTest, StartsInTheCurrentFolderInTheListView) {
  EXPECT_EQ(chooser->FileListBox1->directory(), dir_);
  // "dunes.jpeg" does not match "*.Jpg".
  EXPECT_EQ(chooser->FileListBox1->count(), 11);
  EXPECT_EQ(chooser->FileListBox1->item(0), "garden.bmp");
  EXPECT_EQ(chooser->FileListBox1->itemIndex(), -1);
  EXPECT_TRUE(chooser->listViewShowing());
  EXPECT_FALSE(chooser->wholepanel->isVisibleTo(chooser));
  EXPECT_EQ(chooser->FLastThumb, -1);
  EXPECT_EQ(chooser->FColumns, 3);
  EXPECT_EQ(chooser->filepanel->width(), 289);
  EXPECT_FALSE(chooser->FReloadPending);  // no folder change at start-up
  EXPECT_EQ(chooser->DirectoryListBox1->count(),
            static_cast<int>(std::count(dir_.begin(), dir_.end(), '/')) + 2);  // root..dir, sub
}

TEST_F(ChooserTest, ToggleShowsAndHidesThePanel) {
  viewer->SelectImg1Click();
  EXPECT_TRUE(viewer->FChooserShown);
  EXPECT_TRUE(chooser->wholepanel->isVisibleTo(chooser));
  EXPECT_EQ(chooser->pos(), viewer->pos());
  viewer->SelectImg1Click();
  EXPECT_FALSE(viewer->FChooserShown);
  EXPECT_FALSE(chooser->wholepanel->isVisibleTo(chooser));
  EXPECT_FALSE(chooser->visible());
}

TEST_F(ChooserTest, TypeBoxesFilterTheList) {
  chooser->Bmp1->setChecked(false);
  chooser->Bmp1Click();
  EXPECT_EQ(chooser->FileListBox1->mask(), ";*.Jpg");
  EXPECT_EQ(chooser->FileListBox1->count(), 4);  // Lighthouse, Meadow, misty_lake, rose
  EXPECT_TRUE(chooser->FReloadPending);
  chooser->Jpg1->setChecked(false);
  chooser->Bmp1Click();
  EXPECT_EQ(chooser->FileListBox1->count(), 0);
  rightClickList();  // the pending rebuild over an empty list
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(chooser->FLastThumb, -1);
  EXPECT_FALSE(chooser->ScrollBar1->isEnabled());
  EXPECT_EQ(chooser->ScrollBar1->maximum(), 0);
}

TEST_F(ChooserTest, ChosenPictureIsPlacedByTheZoomText) {
  write("p400.bmp", solidBmp(400, 300, 0x336699));
  write("p1000.bmp", solidBmp(1000, 800, 0x996633));
  chooser->FileListBox1->refresh();
  setZoom(ZoomMode::WholePicture);
  userSelects("p400.bmp");
  EXPECT_DOUBLE_EQ(viewer->FAspect, 0.75);
  const PictureControl* p = viewer->ImgBottoMov;
  EXPECT_EQ(p->boundsRect(), Rect::fromSize(215, 150, 400, 300));

  setZoom(ZoomMode::FullSize);
  userSelects("p1000.bmp");
  EXPECT_DOUBLE_EQ(viewer->FAspect, 0.8);
  EXPECT_EQ(p->boundsRect(), Rect::fromSize(-104, -94, 1000, 800));

  // Any other text leaves the rectangle where it was.
  setZoom(ZoomMode::Cropped);
  userSelects("p400.bmp");
  EXPECT_EQ(p->left(), -104);
  EXPECT_EQ(p->top(), -94);
}

TEST_F(ChooserTest, UndecodableChoiceAndRefreshKeepThePicture) {
  write("broken.Jpg", "not a jpeg");
  chooser->FileListBox1->refresh();
  setZoom(ZoomMode::WholePicture);
  userSelects("rose.jpg");
  const double aspect = viewer->FAspect;
  const Picture* before = viewer->ImgBottoMov->picture();
  const Rect rect = viewer->ImgBottoMov->boundsRect();
  ASSERT_NE(before, nullptr);
  userSelects("broken.Jpg");
  EXPECT_EQ(viewer->ImgBottoMov->picture(), before);
  EXPECT_EQ(viewer->FAspect, aspect);
  EXPECT_EQ(viewer->ImgBottoMov->boundsRect(), rect);
  chooser->DirectoryListBox1->setDirectory(dir_ + "/sub");  // refresh, nothing selected
  EXPECT_EQ(viewer->ImgBottoMov->picture(), before);
}

TEST_F(ChooserTest, PathFromOutsideIsShownAsIfChosen) {
  std::vector<QString> boxes;
  setErrorPresenter([&](const QString&, const QString& text) { boxes.push_back(text); });
  const std::string sub = dir_ + "/sub";
  std::ofstream(sub + "/p400.bmp", std::ios::binary) << solidBmp(400, 300, 0x336699);
  std::ofstream(sub + "/wide.jpeg", std::ios::binary) << solidBmp(1, 1, 0);  // not listed
  std::system(("cp '" + dir_ + "/rose.jpg' '" + sub + "/other.jpeg'").c_str());
  std::ofstream(sub + "/notes.txt") << "text";
  setZoom(ZoomMode::WholePicture);

  // A listed file: the lists go to its folder, it is selected and placed.
  chooser->OpenPath(sub + "/p400.bmp");
  EXPECT_EQ(chooser->DirectoryListBox1->directory(), sub);
  EXPECT_EQ(chooser->FileListBox1->directory(), sub);
  EXPECT_EQ(chooser->FileListBox1->item(chooser->FileListBox1->itemIndex()), "p400.bmp");
  EXPECT_DOUBLE_EQ(viewer->FAspect, 0.75);
  EXPECT_EQ(viewer->ImgBottoMov->boundsRect(), Rect::fromSize(215, 150, 400, 300));

  // One the list's mask leaves out is shown all the same, nothing selected.
  chooser->OpenPath(sub + "/other.jpeg");
  EXPECT_EQ(chooser->FileListBox1->itemIndex(), -1);
  EXPECT_NE(viewer->FAspect, 0.75);
  const Picture* shown = viewer->ImgBottoMov->picture();
  const Rect rect = viewer->ImgBottoMov->boundsRect();
  EXPECT_TRUE(boxes.empty());

  // Failures are named in the error box; the picture stays.
  for (const std::string& bad : {sub + "/notes.txt", sub + "/wide.jpeg"}) {
    chooser->OpenPath(bad);
    EXPECT_EQ(viewer->ImgBottoMov->picture(), shown);
    EXPECT_EQ(viewer->ImgBottoMov->boundsRect(), rect);
  }
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0],
            QString::fromStdString(sub + "/notes.txt\nUnknown picture file extension (.txt)"));
  EXPECT_TRUE(boxes[1].startsWith(QString::fromStdString(sub + "/wide.jpeg\nJPEG error #")));

  // A folder: the lists go there and the picture stays.
  chooser->OpenPath(dir_);
  EXPECT_EQ(chooser->FileListBox1->directory(), dir_);
  EXPECT_EQ(viewer->ImgBottoMov->picture(), shown);
  setErrorPresenter(nullptr);
}

TEST_F(ChooserTest, GridFillsInFileOrderAndSkipsFailures) {
  write("aaa.bmp", "broken");           // sorts first and fails
  write("PIC.JPG", solidBmp(8, 8, 0));  // JPEG extension, BMP data: fails
  chooser->FileListBox1->refresh();
  showGridAndLoad();
  const int n = chooser->FileListBox1->count();
  ASSERT_EQ(n, 13);
  EXPECT_EQ(chooser->FLastThumb, 10);
  EXPECT_EQ(chooser->FThumbs.size(), 20u);  // grown by ten
  EXPECT_EQ(chooser->FListToThumb[0], -1);
  EXPECT_EQ(chooser->FListToThumb[static_cast<std::size_t>(indexOf("PIC.JPG"))], -1);
  EXPECT_EQ(chooser->FListToThumb[1], 0);
  for (int i = 0, expected = 0; i < n; ++i) {
    const int t = chooser->FListToThumb[static_cast<std::size_t>(i)];
    if (t < 0) continue;
    EXPECT_EQ(t, expected++);
    const ThumbControl* th = chooser->FThumbs[static_cast<std::size_t>(t)];
    EXPECT_EQ(th->HelpContext, i);
    EXPECT_EQ(th->tag(), t);
    EXPECT_EQ(th->hint().toStdString(), chooser->FileListBox1->item(i));
    EXPECT_TRUE(th->visible());
    const CellPos cell = thumbCell(t, 3);
    EXPECT_EQ(th->boundsRect(), Rect::fromSize(cell.left, cell.top, 93, 93));
  }
  // 11 thumbnails in 3 columns: 4 rows.
  EXPECT_EQ(chooser->ScrollBar1->maximum(), 4 * 95 + 2);
  EXPECT_EQ(chooser->scrollPageSize(), 330);
  EXPECT_TRUE(chooser->ScrollBar1->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the busy cursor is gone
}

// Several decoding threads, one, and the thumbnail cache all give the
// thumbnails of the plain full decode, byte for byte; the cache is read on
// a second fill, and anything changed since is made anew.
TEST_F(ChooserTest, ThumbnailsAreTheFullDecodeWithAnyThreadsAndFromTheCache) {
  auto pixelsOf = [&](const std::string& name) -> const Bitmap& {
    const int t = chooser->FListToThumb[static_cast<std::size_t>(indexOf(name))];
    EXPECT_GE(t, 0) << name;
    const Picture* p = chooser->FThumbs[static_cast<std::size_t>(std::max(t, 0))]->picture();
    return static_cast<const BitmapPicture*>(p)->bitmap();
  };
  auto same = [](const Bitmap& a, const Bitmap& b) {
    return a.width() == 93 && b.width() == 93 && a.height() == 93 && b.height() == 93 &&
           std::memcmp(a.scanLine(0), b.scanLine(0), std::size_t{93} * 93 * 4) == 0;
  };
  auto expectFullDecode = [&](const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(chooser->FLastThumb, 10);  // every sample listed
    for (const std::string& name : chooser->FileListBox1->items())
      EXPECT_TRUE(same(pixelsOf(name), thumbnailByFullDecode(dir_ + "/" + name, isJpegName(name))))
          << name;
  };
  for (const char* threads : {"1", "3"}) {
    setenv("VISTEL_THUMBNAIL_WORKERS", threads, 1);
    std::system(("rm -rf '" + cacheFolder() + "'").c_str());
    showGridAndLoad();
    expectFullDecode(threads);
    EXPECT_EQ(cacheEntries(), 11);
    showGridAndLoad();
    expectFullDecode("from the cache");
  }
  unsetenv("VISTEL_THUMBNAIL_WORKERS");

  // An entry planted for rose.jpg shows: the second fill reads the cache,
  // not the picture.
  ThumbCache cache(cacheFolder());
  const auto rose = ThumbKey::of(dir_ + "/rose.jpg");
  cache.store(*rose, Bitmap::filled(93, 93, PixelFormat::Rgb24, kBlack));
  showGridAndLoad();
  EXPECT_EQ(pixelsOf("rose.jpg").pixel(50, 50), kBlack);
  // Edited, it is decoded again.
  ASSERT_EQ(std::system(("cp '" + dir_ + "/Meadow.JPG' '" + dir_ + "/rose.jpg'").c_str()), 0);
  showGridAndLoad();
  expectFullDecode("edited");
  // A damaged entry is decoded again and replaced by a sound one.
  const auto meadow = ThumbKey::of(dir_ + "/Meadow.JPG");
  {
    std::fstream f(cache.entryPath(*meadow), std::ios::in | std::ios::out | std::ios::binary);
    f.seekg(9000);
    const char c = static_cast<char>(f.get() ^ 1);
    f.seekp(9000);
    f.put(c);
  }
  EXPECT_FALSE(cache.find(*meadow));
  showGridAndLoad();
  expectFullDecode("damaged entry");
  EXPECT_TRUE(cache.find(*meadow));
  EXPECT_EQ(cacheEntries(), 12);  // the edited rose.jpg has an entry of its own

  // Switched off, nothing is read or written.
  std::system(("rm -rf '" + cacheFolder() + "'").c_str());
  setenv("VISTEL_NO_THUMBNAIL_CACHE", "1", 1);
  showGridAndLoad();
  unsetenv("VISTEL_NO_THUMBNAIL_CACHE");
  expectFullDecode("no cache");
  EXPECT_NE(access(cacheFolder().c_str(), F_OK), 0);
}

TEST_F(ChooserTest, ViewSwitchesRebuildOnlyWhenPending) {
  rightClickList();  // at start nothing is pending: an empty grid
  EXPECT_FALSE(chooser->listViewShowing());
  EXPECT_FALSE(chooser->FLoading);
  EXPECT_EQ(chooser->FLastThumb, -1);
  rightClickPanel();
  EXPECT_TRUE(chooser->listViewShowing());
  showGridAndLoad();
  const ThumbControl* first = chooser->FThumbs[0];
  rightClickPanel();
  rightClickList();
  EXPECT_FALSE(chooser->FLoading);
  EXPECT_EQ(chooser->FThumbs[0], first);  // not rebuilt
}

TEST_F(ChooserTest, ThumbnailClickAndArrowStepsShowPictures) {
  setZoom(ZoomMode::WholePicture);
  showGridAndLoad();
  // Right with nothing selected goes to thumbnail 0.
  EXPECT_EQ(key(vk::kRight), 0);
  EXPECT_EQ(chooser->FileListBox1->itemIndex(), chooser->FThumbs[0]->HelpContext);
  EXPECT_TRUE(chooser->FLocatorPlaced);
  EXPECT_TRUE(chooser->FileLocateBtn->visible());
  EXPECT_EQ(chooser->FileLocateBtn->left(), 3);
  EXPECT_EQ(chooser->FileLocateBtn->top(), 3);
  const Picture* shown = viewer->ImgBottoMov->picture();
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(key(vk::kRight), 0);
  EXPECT_NE(viewer->ImgBottoMov->picture(), shown);
  EXPECT_EQ(chooser->FileListBox1->itemIndex(), chooser->FThumbs[1]->HelpContext);
  // Up on the first row is consumed and changes nothing.
  EXPECT_EQ(key(vk::kUp), 0);
  EXPECT_EQ(chooser->FileListBox1->itemIndex(), chooser->FThumbs[1]->HelpContext);
  EXPECT_EQ(key(vk::kDown), 0);  // to thumbnail 4
  EXPECT_EQ(chooser->FileListBox1->itemIndex(), chooser->FThumbs[4]->HelpContext);
  EXPECT_EQ(chooser->FileLocateBtn->left(), 98);
  EXPECT_EQ(chooser->FileLocateBtn->top(), 98);
  for (int i = 0; i < 5; ++i) key(vk::kDown);  // towards the last row and beyond
  EXPECT_EQ(chooser->FileListBox1->itemIndex(), chooser->FThumbs[10]->HelpContext);
  EXPECT_EQ(chooser->ScrollBar1->value(), 4 * 95 + 2 - 330);  // row 3 brought into view

  // A left click on a thumbnail selects its file and shows it.
  MouseEvent m;
  m.button = MouseButton::Left;
  chooser->ThumbMouseDown(*chooser->FThumbs[2], m);
  EXPECT_EQ(chooser->FileListBox1->itemIndex(), chooser->FThumbs[2]->HelpContext);

  // In the list view the arrows are left for the list.
  rightClickPanel();
  EXPECT_EQ(chooser->ScrollBar1->value(), 0);
  EXPECT_EQ(key(vk::kDown), vk::kDown);
}

TEST_F(ChooserTest, ScrollBarMovesTheGridWithinItsLimit) {
  for (int i = 0; i < 14; ++i) write("x" + std::to_string(100 + i) + ".bmp", solidBmp(2, 2, 0xFF));
  chooser->FileListBox1->refresh();
  showGridAndLoad();
  ASSERT_EQ(chooser->FLastThumb, 24);  // 25 thumbnails
  EXPECT_EQ(chooser->ScrollBar1->maximum(), 857);
  const ThumbControl* t3 = chooser->FThumbs[3];
  for (int i = 0; i < 6; ++i)
    chooser->ScrollBar1->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(chooser->ScrollBar1->value(), 660);
  EXPECT_EQ(chooser->FScrollPos, 550);
  EXPECT_EQ(t3->top(), 97 - 550);
  // The panel shows and hits the scrolled grid: row 6 from 22, gaps at 20 and 115.
  const ThumbControl* t18 = chooser->FThumbs[18];
  EXPECT_EQ(chooser->filepanel->controlAt(t18->left() + 1, t18->top() + 1), t18);
  while (chooser->FResidency->fetching()) QCoreApplication::processEvents();
  const QImage shown = chooser->filepanel->grab().toImage();
  const QRgb silver = shown.pixel(0, 0);
  EXPECT_EQ(shown.pixel(48, 20), silver);
  EXPECT_NE(shown.pixel(48, 95), silver);
  chooser->ScrollBar1->setValue(0);
  EXPECT_EQ(t3->top(), 97);
}

TEST_F(ChooserTest, NameHintsFollowTheMenuSwitch) {
  showGridAndLoad();
  viewer->ImgName1Click();
  EXPECT_TRUE(viewer->ImgName1->isChecked());
  EXPECT_TRUE(chooser->FThumbs[0]->showHint());
  chooser->DirectoryListBox1Change();  // grid view: reloads at once
  ASSERT_TRUE(chooser->FLoading);
  viewer->ImgName1Click();  // ignored while loading, check mark too
  EXPECT_TRUE(viewer->ImgName1->isChecked());
  ASSERT_TRUE(waitForLoad());
  EXPECT_TRUE(chooser->FThumbs[0]->showHint());  // made with the switch on

  // Through the panel's own input: resting on a thumbnail shows its name
  // while another window holds the keys; the locator, made before the
  // thumbnails, takes presses above them; a back-button press does nothing.
  ThumbPanel* panel = chooser->filepanel;
  auto send = [&](QEvent::Type type, Qt::MouseButton button, const Control* on) {
    const QPointF at(on->left() + 2, on->top() + 2);
    QMouseEvent e(type, at, panel->mapToGlobal(at), button, button, Qt::NoModifier);
    QApplication::sendEvent(panel, &e);
  };
  viewer->activate();
  send(QEvent::MouseMove, Qt::NoButton, chooser->FThumbs[1]);
  QElapsedTimer t;
  t.start();
  while (!QToolTip::isVisible() && t.elapsed() < 3000) QApplication::processEvents();
  EXPECT_EQ(QToolTip::text(), chooser->FThumbs[1]->hint());
  send(QEvent::MouseButtonPress, Qt::LeftButton, chooser->FThumbs[1]);
  EXPECT_FALSE(QToolTip::isVisible());
  EXPECT_EQ(chooser->FileListBox1->itemIndex(), chooser->FThumbs[1]->HelpContext);
  EXPECT_EQ(panel->controlAt(chooser->FileLocateBtn->left(), chooser->FileLocateBtn->top()),
            chooser->FileLocateBtn);
  send(QEvent::MouseButtonPress, Qt::BackButton, chooser->FThumbs[2]);
  EXPECT_EQ(chooser->FileListBox1->itemIndex(), chooser->FThumbs[1]->HelpContext);
  chooser->FThumbs[2]->setEnabled(false);  // a disabled control passes the press on
  send(QEvent::MouseButtonPress, Qt::RightButton, chooser->FThumbs[2]);
  EXPECT_TRUE(chooser->listViewShowing());
}

// A grid far taller than the panel: only thumbnails near the view hold
// pixels, and the others get theirs back, exactly, as the view comes near:
// from the cache, after a refill that only looked them up there, from the
// files once the cache has dropped their entries (the folder's made list
// gives their cells without a decode) and from the files without a cache.
// A file gone meanwhile is asked for once.
TEST_F(ChooserTest, FarThumbnailsGetTheirPixelsBackExactlyWhenNear) {
  const std::string sub = dir_ + "/sub";
  auto colourOf = [](int t) { return static_cast<Rgb>(0x010203 * (t + 1)); };
  for (int t = 0; t < 90; ++t)  // 30 rows of 3
    std::ofstream(sub + "/c" + std::to_string(100 + t) + ".bmp", std::ios::binary)
        << solidBmp(4, 4, colourOf(t));
  chooser->DirectoryListBox1->setDirectory(sub);
  auto shows = [&](int t) {
    const Picture* p = chooser->FThumbs[static_cast<std::size_t>(t)]->picture();
    return p == nullptr
               ? -1
               : static_cast<int>(static_cast<const BitmapPicture*>(p)->bitmap().pixel(50, 50));
  };
  auto scrollTo = [&](int position, const char* when) {
    SCOPED_TRACE(when);
    chooser->ScrollBar1->setValue(position);
    const RowSpan near = rowsNear(chooser->FScrollPos, 330, ThumbResidency::kNearRows);
    const RowSpan kept = rowsNear(chooser->FScrollPos, 330, ThumbResidency::kNearRows + 4);
    QElapsedTimer t;
    t.start();
    while (chooser->FResidency->fetching() && t.elapsed() < 10000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    for (int th = 0; th <= chooser->FLastThumb; ++th) {
      const int expected = near.holds(th / 3) && th != 89 ? static_cast<int>(colourOf(th))
                           : kept.holds(th / 3)           ? shows(th)
                                                          : -1;
      EXPECT_EQ(shows(th), expected) << th;
    }
    EXPECT_LE(chooser->FResidency->resident(),
              static_cast<std::size_t>(kept.last - kept.first + 1) * 3);
  };
  for (const char* fill : {"cold", "from the cache", "entries dropped", "no cache"}) {
    SCOPED_TRACE(fill);
    const std::string how = fill;
    if (how == "no cache") setenv("VISTEL_NO_THUMBNAIL_CACHE", "1", 1);
    if (how == "entries dropped") {
      ASSERT_EQ(std::system(("rm '" + cacheFolder() + "'/" + std::string(32, '?')).c_str()), 0);
    }
    showGridAndLoad();
    ASSERT_EQ(chooser->FLastThumb, 89);
    if (how == "entries dropped") {
      EXPECT_EQ(cacheEntries(), chooser->LoaderPixelFiles());
    }
    scrollTo(0, "top");
    scrollTo(2500, "bottom");
    scrollTo(1200, "middle");
    scrollTo(0, "top again");
  }
  unsetenv("VISTEL_NO_THUMBNAIL_CACHE");
  std::remove((sub + "/c189.bmp").c_str());
  scrollTo(2500, "a file gone");
  EXPECT_EQ(shows(89), -1);
}

TEST_F(ChooserTest, PanelTakesControlsOffInAnyOrder) {
  ThumbPanel* panel = chooser->filepanel;
  const std::size_t before = panel->controlCount();
  auto* a = panel->create<ThumbControl>();
  auto* b = panel->create<ThumbControl>();
  auto* c = panel->create<ThumbControl>();
  for (Control* x : {a, b, c}) x->setBounds(0, 0, 10, 10);
  ThumbControl foreign;
  panel->destroyControls({c, &foreign, a});
  EXPECT_EQ(panel->controlCount(), before + 1);
  EXPECT_EQ(panel->controlAt(5, 5), b);
  panel->destroyControls({b});
  EXPECT_EQ(panel->controlAt(5, 5), nullptr);
  // The locator, made first and kept on top, stays on top of what comes.
  auto* d = panel->create<ThumbControl>();
  d->setBounds(chooser->FileLocateBtn->left(), chooser->FileLocateBtn->top(), 40, 40);
  chooser->FileLocateBtn->setVisible(true);
  EXPECT_EQ(panel->controlAt(chooser->FileLocateBtn->left(), chooser->FileLocateBtn->top()),
            chooser->FileLocateBtn);
}

TEST_F(ChooserTest, TypingInTheListsSelectsByTheNamesStart) {
  viewer->SelectImg1Click();
  FileListBox* list = chooser->FileListBox1;
  auto type = [&](QWidget* w, const QString& text) {
    for (QChar ch : text) {
      QKeyEvent press(QEvent::KeyPress, ch.toUpper().unicode(), Qt::NoModifier, QString(ch));
      QApplication::sendEvent(w, &press);
    }
  };
  type(list, QStringLiteral("m"));
  EXPECT_EQ(list->item(list->itemIndex()), "Meadow.JPG");
  EXPECT_NE(viewer->ImgBottoMov->picture(), nullptr);  // chosen as by the user: shown
  QThread::msleep(static_cast<unsigned long>(QApplication::keyboardInputInterval()) + 50);
  type(list, QStringLiteral("STA"));
  EXPECT_EQ(list->item(list->itemIndex()), "Stained_Glass.BMP");
  type(chooser->DirectoryListBox1, QStringLiteral("s"));
  EXPECT_EQ(chooser->DirectoryListBox1->entryFolder(chooser->DirectoryListBox1->currentRow()),
            dir_ + "/sub");
}

TEST_F(ChooserTest, NarrowPanelGivesOneColumn) {
  chooser->setTreeWidth(401 - 12 - 5 - 90);
  EXPECT_EQ(chooser->filepanel->width(), 90);
  EXPECT_EQ(chooser->FColumns, 1);
  chooser->setTreeWidth(95);
  EXPECT_EQ(chooser->FColumns, 3);
}

}  // namespace
}  // namespace vistel
