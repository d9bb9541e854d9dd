#include "picture_file.h"

#include <algorithm>

#include "bmp_reader.h"
#include "jpeg_picture.h"

namespace vistel {
namespace {

// The text after the last "." of the file's own name (not of a folder name
// above it); empty when the name has no dot.
std::string extensionOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < nameStart) return {};
  return path.substr(dot + 1);
}

std::string asciiLower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return s;
}

}  // namespace

std::unique_ptr<Picture> loadPictureFile(const std::string& path) {
  const std::string extension = extensionOf(path);
  const std::string kind = asciiLower(extension);
  if (kind == "bmp") return std::make_unique<BitmapPicture>(readBmpFile(path));
  if (kind == "jpg" || kind == "jpeg") return JpegPicture::fromFile(path);
  // Icons and metafiles are known kinds, but no file of theirs is ever
  // offered for showing, so there is no reader for them.
  if (kind == "ico" || kind == "wmf" || kind == "emf") {
    throw PictureError("Pictures of this kind cannot be read (." + extension + ")");
  }
  throw PictureError("Unknown picture file extension (." + extension + ")");
}

}  // namespace vistel
