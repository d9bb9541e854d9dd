#pragma once

#include <QCheckBox>
#include <QFrame>
#include <QScrollBar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chooser/browse_widgets.h"
#include "chooser/grid_geometry.h"
#include "chooser/thumb_panel.h"
#include "controls/picture_control.h"
#include "pictures/bitmap.h"
#include "windows/form.h"

namespace vistel {

class TImgThread;
class LoaderThreads;
class ChooserSplitter;
class ThumbResidency;
struct GridView;

// The image chooser: a window of the viewer's size, all of it blue (its
// colour key) but for one silver panel, wholepanel, that carries the
// browsing controls. Shown from creation, yet invisible until the chooser
// toggle shows wholepanel.
//
// The file panel shows either the file list (list view) or the thumbnail
// grid (grid view), told apart by the list's visibility. Thumbnails are made
// by TImgThread; everything it changes here it changes through hand-offs
// that run on the user-interface thread (loader_steps.cpp).
class TGetImgForm : public Form {
  Q_OBJECT

 public:
  TGetImgForm();
  ~TGetImgForm() override;

  // Layout.
  QFrame* wholepanel = nullptr;
  QFrame* treepanel = nullptr;
  QFrame* diskpanel = nullptr;
  DriveComboBox* DriveComboBox1 = nullptr;
  QCheckBox* Bmp1 = nullptr;
  QCheckBox* Jpg1 = nullptr;
  DirectoryListBox* DirectoryListBox1 = nullptr;
  ChooserSplitter* Splitter1 = nullptr;
  ThumbPanel* filepanel = nullptr;
  FileListBox* FileListBox1 = nullptr;
  PictureControl* FileLocateBtn = nullptr;
  QScrollBar* ScrollBar1 = nullptr;

  // What happens in the chooser, told to the one place that wires the
  // window set; the chooser knows no other window.
  struct Events {
    // Every key, unchanged, for the command map.
    std::function<void(QObject* sender, int& key, int shift)> key;
    // A picture was chosen: it is shown and placed. False when nothing was
    // shown; a picture that cannot be read throws the reader's error.
    std::function<bool(const std::string& path)> showPicture;
  } events;

  void FormKeyDown(QObject* sender, int& key, int shift);
  void keyDown(int& key, int shift) override;

  // The focus to the file list, if the chooser and the list are shown.
  void focusFileList();

  // Browsing (chooser_views.cpp).
  void DirectoryListBox1Change();
  void Bmp1Click();
  void RestartLoader();
  void filepanelMouseDown(const MouseEvent& m);
  void FileListBox1MouseDown(const MouseEvent& m);
  void filepanelResize();
  bool listViewShowing() const;
  // Width of the folder side; the splitter and the view reset change it.
  void setTreeWidth(int width);
  int treeWidth() const;

  // Showing the chosen picture (show_selected.cpp).
  void FileListBox1Change();
  void ShowSelected();
  // Has `path` shown as a chosen file is shown and brings its thumbnail into
  // view; listIndex is the file's row in the list, -1 for a file the list
  // does not hold. A picture that cannot be read throws the reader's error
  // and leaves the viewer as it was.
  void ShowPicture(const std::string& path, int listIndex);

  // A folder or picture named from outside (command line, another start of
  // the program): the lists go to the folder as when the user picks it, and
  // a picture is selected if the list holds it and shown like a chosen one
  // (open_path.cpp). A picture that cannot be shown is reported in the error
  // box, unlike a choice in the list, since nobody picked it from a
  // listing that had it.
  void OpenPath(const std::string& path);

  // The grid (thumb_grid.cpp).
  void ScrollBar1Change();
  void ScrollToThumb(int t);
  void PlaceLocator();
  void ThumbMouseDown(Control& thumb, const MouseEvent& m);
  // Arrow-key stepping through the grid: selects and shows the picture
  // there. False when it does not act
  // (the list view is showing, a load is running), so that the key goes on.
  bool StepSelection(GridStep step);
  // The picture names as hints over the thumbnails, on or off; the
  // thumbnails made from then on follow.
  void ShowThumbNames(bool on);
  // Scroll bar page size (the visible part), kept beside Qt's page step,
  // which is the large step here.
  int scrollPageSize() const { return FScrollPage; }

  // Loader (loader_steps.cpp). Start and stop run on the UI thread.
  void StartLoader();
  void StopLoader();
  void DiscardThumbs();
  void ResetScrollBar();
  // Hand-off steps the loader asks the UI thread to run.
  void LoaderBegin(int& count);
  // The names of files i, i + 1, ... (at most `most`) as the list has them
  // now; none when i is past the list's end.
  void LoaderFileNames(int i, int most, std::string& folder, std::vector<std::string>& names);
  // Whether the list still has `name` at index i.
  bool LoaderListed(int i, const std::string& name) const;
  // The files whose thumbnails can lie near the view when they come (a
  // thumbnail's index is at most its file's, and the grid stays at its top
  // while a load runs): only theirs are read whole from the cache.
  int LoaderPixelFiles() const;
  // The whole list at once, for the threads that decode ahead.
  void LoaderFileNames(std::string& folder, std::vector<std::string>& names);
  void LoaderAddThumb(int i, const std::string& name, Bitmap thumb);
  void LoaderEnd();

  // State.
  bool FReloadPending = false;
  bool FLoading = false;
  std::unique_ptr<TImgThread> FLoader;
  std::vector<ThumbControl*> FThumbs;
  int FLastThumb = -1;
  std::vector<int> FListToThumb;
  int FColumns = 0;
  int FScrollPos = 0;
  int FScrollPage = 0;
  bool FShowNames = false;
  // The locator marks the selected file's thumbnail (shown in the grid view).
  bool FLocatorPlaced = false;
  // Test seam: called on a loader's worker thread with each picture's path
  // before the file is looked at (a test blocks here as a dead network
  // mount would). Taken by each loader when it starts; empty in the program.
  std::function<void(const std::string&)> FLoaderReadHook;
  // The loader's threads, kept from one load to the next (made at the
  // first load).
  std::shared_ptr<LoaderThreads> FLoaderThreads;
  // Which thumbnails keep their pixels: those near the view
  // (thumb_residency.h).
  std::unique_ptr<ThumbResidency> FResidency;
  GridView gridView() const;

 private:
  void buildLayout();
  void layoutWholePanel();
  void FormCreate();
  void FormDestroy();
  int treeWidth_ = 95;
  bool destroyed_ = false;
};

}  // namespace vistel
