#include <gtest/gtest.h>

#include "controls/picture_control.h"
#include "pictures/jpeg_picture.h"
#include "support.h"
#include "test_files.h"

namespace vistel {
namespace {

using testing::backBuffer;
using testing::bmpBytes;
using testing::jpegBytes;
using testing::pixelAt;
using testing::RecordingHost;
using testing::TempDir;
using testing::writeBytes;

constexpr Rgb kRed = 0xFF0000;
constexpr Rgb kGreen = 0x00FF00;

// A control showing a 5 x 4 red bitmap loaded from a file.
struct Loaded {
  TempDir dir;
  RecordingHost host;
  PictureControl control{&host};
  Picture* old = nullptr;

  Loaded() {
    const std::string path = dir.file("old.bmp");
    writeBytes(path, bmpBytes(Bitmap::filled(5, 4, PixelFormat::Rgb24, kRed), 24));
    control.setBounds(0, 0, 20, 20);
    control.loadFromFile(path);
    old = control.picture();
    host.invalidated.clear();
  }
  void expectOldPictureKept() {
    EXPECT_EQ(control.picture(), old);
    EXPECT_EQ(control.pictureWidth(), 5);
    EXPECT_TRUE(host.invalidated.empty());
  }
};

TEST(PictureControlLoad, FailedLoadsKeepTheOldPicture) {
  Loaded c;
  ASSERT_NE(c.old, nullptr);
  ASSERT_EQ(c.old->kind(), PictureKind::Bitmap);

  const std::string gif = c.dir.file("next.gif");
  writeBytes(gif, {'G', 'I', 'F', '8', '9', 'a'});
  EXPECT_THROW(c.control.loadFromFile(gif), PictureError);
  c.expectOldPictureKept();

  const std::string text = c.dir.file("notes.jpg");
  writeBytes(text, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
  EXPECT_THROW(c.control.loadFromFile(text), PictureError);
  c.expectOldPictureKept();

  const std::string broken = c.dir.file("broken.bmp");
  writeBytes(broken, {'B', 'X', 0, 0});
  EXPECT_THROW(c.control.loadFromFile(QString::fromStdString(broken)), PictureError);
  c.expectOldPictureKept();
}

TEST(PictureControlLoad, CapitalJpgMakesAJpegPictureSizedFromItsHeader) {
  Loaded c;
  c.control.setAutoSize(true);
  c.control.setTransparent(true);
  const std::string path = c.dir.file("Meadow.JPG");
  writeBytes(path, jpegBytes(33, 21, kGreen));
  c.control.loadFromFile(path);
  ASSERT_EQ(c.control.picture()->kind(), PictureKind::Jpeg);
  auto* jpeg = static_cast<JpegPicture*>(c.control.picture());
  EXPECT_FALSE(jpeg->isDecoded());  // the size came from the header
  EXPECT_EQ(c.control.boundsRect(), Rect::fromSize(0, 0, 33, 21));
  EXPECT_FALSE(c.host.invalidated.empty());

  // Transparent has no effect on a JPEG picture: every pixel is drawn.
  QImage target = backBuffer(40, 30, kRed);
  c.control.paint(target, Rect{0, 0, 40, 30});
  const Rgb drawn = pixelAt(target, 32, 20);
  EXPECT_NE(drawn, kRed);
  EXPECT_EQ(pixelAt(target, 0, 20), drawn);
  EXPECT_EQ(pixelAt(target, 33, 20), kRed);
}

TEST(PictureControlLoad, EmptyJpegLoadsAsNothingAndFailsOnceWhenFirstDrawn) {
  Loaded c;
  const std::string path = c.dir.file("empty.jpg");
  writeBytes(path, {});
  c.control.loadFromFile(path);
  EXPECT_EQ(c.control.pictureWidth(), 0);
  EXPECT_EQ(c.control.pictureHeight(), 0);
  c.control.setStretch(true);
  QImage target = backBuffer(20, 20, kGreen);
  try {
    c.control.paint(target, Rect{0, 0, 20, 20});
    FAIL() << "expected the decoding error";
  } catch (const PictureError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("JPEG error #", 0), 0u) << e.what();
  }
  EXPECT_NO_THROW(c.control.paint(target, Rect{0, 0, 20, 20}));
}

}  // namespace
}  // namespace vistel
