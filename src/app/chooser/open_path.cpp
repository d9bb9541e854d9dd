// Opening a folder or picture named from outside the chooser: the command
// line, or another start of the program handing its path over.
#include <sys/stat.h>

#include <QFile>
#include <exception>

#include "chooser/get_img_form.h"
#include "windows/error_box.h"

namespace vistel {

namespace {

bool isFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

QString shownName(const std::string& raw) {
  return QFile::decodeName(QByteArray(raw.data(), static_cast<qsizetype>(raw.size())));
}

}  // namespace

void TGetImgForm::OpenPath(const std::string& path) {
  if (isFolder(path)) {
    DirectoryListBox1->setDirectory(path);
    return;
  }
  // The folder list goes there the way a user's folder change does, which
  // refreshes the file list and, in the grid view, starts the loader.
  const std::string folder = folderOf(path);
  if (isFolder(folder)) DirectoryListBox1->setDirectory(folder);

  int row = -1;
  if (FileListBox1->directory() == folder) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    const auto& names = FileListBox1->items();
    for (std::size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) row = static_cast<int>(i);
  }
  // Selected by the program, so no change notification: the locator and the
  // picture follow as they do for a thumbnail click. A picture the list does
  // not hold (another extension, a file newer than the listing) leaves
  // nothing selected, so the arrow keys do not step on from a stale row.
  FileListBox1->setItemIndex(row);
  PlaceLocator();
  try {
    ShowPicture(path, row);
  } catch (const std::exception& e) {
    // The path itself first: the box appends a full stop after a name.
    showErrorBox(shownName(path) + QLatin1Char('\n') + QString::fromUtf8(e.what()));
  }
}

}  // namespace vistel
