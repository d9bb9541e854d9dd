#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QListView>
#include <functional>
#include <string>
#include <vector>

#include "chooser/name_list_model.h"
#include "controls/control.h"

namespace vistel {

class FileListBox;
class DirectoryListBox;

// The chooser's lists share the look of the window: silver, flat, the
// "MS Sans Serif" face at 12 pixels, no Tab stop.
void styleBrowseWidget(QWidget* w);

// Gives the type boxes one font in which every caption fits the room the
// style leaves beside the box; the stand-in face can be wider than the one
// the layout was measured in.
void fitTypeBoxCaptions(const std::vector<QCheckBox*>& boxes);

// Mouse presses of the lists as the handlers want them.
using ListMouseHandler = std::function<void(const MouseEvent&)>;

// A list view over names (NameListModel) with the row calls of a list
// widget: the current row, set as a selection or read.
class NameListView : public QListView {
  Q_OBJECT

 public:
  NameListView(QWidget* parent, int rowHeight);
  int count() const { return model_.count(); }
  int currentRow() const;
  // Makes `row` current and selected; -1 leaves nothing current or selected.
  void setCurrentRow(int row);

 protected:
  NameListModel model_;
};

// The files of one folder that match a mask, by name. Every refresh leaves
// nothing selected and raises onChange; a selection by the user raises it
// too; setItemIndex (the program's own selection) does not.
class FileListBox : public NameListView {
  Q_OBJECT

 public:
  explicit FileListBox(QWidget* parent);

  const std::string& directory() const { return directory_; }
  const std::string& mask() const { return mask_; }
  // Each refreshes the list when the value differs from the current one.
  void setDirectory(const std::string& folder);
  void setMask(const std::string& mask);
  void refresh();

  // Raw name (no folder) of item i; empty when i is out of range.
  std::string item(int i) const;
  const std::vector<std::string>& items() const { return model_.names(); }
  int itemIndex() const { return currentRow(); }
  void setItemIndex(int i);

  std::function<void()> onChange;
  ListMouseHandler onMouseDown;

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void userChanged();
  std::string directory_;
  std::string mask_;
  bool quiet_ = false;
};

// The root, the folders down to the current one, then its subfolders. A
// double click or Enter opens an entry; a change of folder refreshes the
// file list first, then raises onChange. Setting the folder it has already
// does nothing.
class DirectoryListBox : public NameListView {
  Q_OBJECT

 public:
  DirectoryListBox(QWidget* parent, FileListBox* files);

  const std::string& directory() const { return directory_; }
  void setDirectory(const std::string& folder);
  // The folder entry i stands for.
  const std::string& entryFolder(int i) const { return folders_[static_cast<std::size_t>(i)]; }

  std::function<void()> onChange;

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void fill();
  void open(int row);
  FileListBox* files_;
  std::string directory_;
  std::vector<std::string> folders_;
};

// Mounted volumes with an icon per kind. Choosing another volume makes the
// folder last visited on it (at first its root) the folder list's folder.
class DriveComboBox : public QComboBox {
  Q_OBJECT

 public:
  DriveComboBox(QWidget* parent, DirectoryListBox* folders);
  // Shows the volume holding `folder` and remembers the folder for it.
  void follow(const std::string& folder);
  int driveCount() const { return static_cast<int>(roots_.size()); }

 private:
  void choose(int index);
  DirectoryListBox* folders_;
  std::vector<std::string> roots_;
  std::vector<std::string> lastFolder_;
  int current_ = -1;
};

}  // namespace vistel
