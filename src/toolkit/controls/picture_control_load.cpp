// Loading files into a picture control. Kept apart so that programs that
// never load files do not pull in the file readers.
#include <QFile>

#include "picture_control.h"
#include "pictures/picture_file.h"

namespace vistel {

void PictureControl::loadFromFile(const std::string& path) {
  // The file is read completely before anything is replaced, so a failure
  // leaves the old picture in place.
  std::unique_ptr<Picture> loaded = loadPictureFile(path);
  setPicture(std::move(loaded));
}

void PictureControl::loadFromFile(const QString& path) {
  loadFromFile(QFile::encodeName(path).toStdString());
}

}  // namespace vistel
