#include "pictures/picture_file.h"

#include <gtest/gtest.h>

#include "pictures/jpeg_picture.h"
#include "toolkit/controls/test_files.h"

namespace vistel {
namespace {

using testing::bmpBytes;
using testing::jpegBytes;
using testing::TempDir;
using testing::writeBytes;

std::string errorOf(const std::string& path) {
  try {
    loadPictureFile(path);
  } catch (const PictureError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(PictureFile, KindFollowsTheExtensionWhateverItsCase) {
  TempDir dir;
  Bitmap pixels = Bitmap::filled(3, 2, PixelFormat::Rgb24, 0x102030);
  for (const char* name : {"a.bmp", "b.BMP", "c.Bmp"}) {
    const std::string path = dir.file(name);
    writeBytes(path, bmpBytes(pixels, 24));
    std::unique_ptr<Picture> p = loadPictureFile(path);
    ASSERT_EQ(p->kind(), PictureKind::Bitmap) << name;
    EXPECT_EQ(p->width(), 3);
    EXPECT_EQ(static_cast<BitmapPicture&>(*p).bitmap().pixel(2, 1), 0x102030u);
  }
  for (const char* name : {"d.jpg", "e.JPG", "f.Jpeg", "g.JPEG"}) {
    const std::string path = dir.file(name);
    writeBytes(path, jpegBytes(17, 9, 0x808080));
    std::unique_ptr<Picture> p = loadPictureFile(path);
    ASSERT_EQ(p->kind(), PictureKind::Jpeg) << name;
    EXPECT_EQ(p->width(), 17);
    EXPECT_EQ(p->height(), 9);
  }
}

TEST(PictureFile, TheExtensionDecidesNotTheContent) {
  TempDir dir;
  // JPEG bytes under a BMP name are read as a bitmap, and fail as one.
  const std::string path = dir.file("photo.bmp");
  writeBytes(path, jpegBytes(8, 8, 0));
  EXPECT_EQ(errorOf(path), "Bitmap image is not valid");
  const std::string text = dir.file("notes.jpg");
  writeBytes(text, {'h', 'e', 'l', 'l', 'o', '\n'});
  EXPECT_NE(errorOf(text).find("JPEG error #"), std::string::npos);
}

TEST(PictureFile, UnknownExtensionsNameTheExtensionAsWritten) {
  TempDir dir;
  const std::string gif = dir.file("anim.GIF");
  writeBytes(gif, {'G', 'I', 'F', '8', '9', 'a'});
  EXPECT_EQ(errorOf(gif), "Unknown picture file extension (.GIF)");
  EXPECT_EQ(errorOf("/nowhere/README"), "Unknown picture file extension (.)");
  // A dot in a folder name is not the file's extension.
  EXPECT_EQ(errorOf("/nowhere/pictures.bmp/README"), "Unknown picture file extension (.)");
  EXPECT_EQ(errorOf("/nowhere/archive.tar.gz"), "Unknown picture file extension (.gz)");
  EXPECT_EQ(errorOf("/nowhere/trailing."), "Unknown picture file extension (.)");
}

TEST(PictureFile, IconsAndMetafilesAreKnownButNotRead) {
  for (const char* path : {"/nowhere/x.ico", "/nowhere/x.WMF", "/nowhere/x.emf"}) {
    const std::string error = errorOf(path);
    EXPECT_NE(error, "(no error)") << path;
    EXPECT_EQ(error.find("Unknown picture file extension"), std::string::npos) << path;
  }
}

TEST(PictureFile, MissingFileFails) {
  EXPECT_THROW(loadPictureFile("/nowhere/absent.bmp"), PictureError);
  EXPECT_THROW(loadPictureFile("/nowhere/absent.jpg"), PictureError);
}

}  // namespace
}  // namespace vistel
