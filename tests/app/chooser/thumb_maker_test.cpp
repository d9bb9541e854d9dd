// Thumbnails: the row-skipping decode against the full decode, stopping,
// and files that must fail cleanly.
#include "chooser/thumb_maker.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "chooser/file_mask.h"
#include "chooser_fixture.h"
#include "pictures/picture.h"

namespace vistel {
namespace {

using testing_support::bmp24Header;

bool sameBitmap(const Bitmap& a, const Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
  return true;
}

std::vector<std::string> samplePictures() {
  std::vector<std::string> names;
  DIR* d = opendir(VISTEL_SAMPLES);
  while (const dirent* e = d != nullptr ? readdir(d) : nullptr)
    if (e->d_name[0] != '.') names.emplace_back(e->d_name);
  if (d != nullptr) closedir(d);
  return names;
}

TEST(ThumbMaker, IdenticalToTheFullDecodeOnTheSamples) {
  const auto names = samplePictures();
  ASSERT_GE(names.size(), 12u);
  int compared = 0;
  for (const std::string& n : names) {
    SCOPED_TRACE(n);
    const std::string path = std::string(VISTEL_SAMPLES) + "/" + n;
    // ".jpeg" is not the loader's JPEG extension; decode every sample as
    // what it is so that both kinds are compared.
    const bool jpeg = isJpegName(n) || n.ends_with(".jpeg");
    const Bitmap fast = makeThumbnail(path, jpeg);
    const Bitmap full = thumbnailByFullDecode(path, jpeg);
    EXPECT_EQ(fast.width(), 93);
    EXPECT_TRUE(sameBitmap(fast, full));
    ++compared;
  }
  EXPECT_EQ(compared, static_cast<int>(names.size()));
}

class Scratch : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vistel-thumb-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string write(const std::string& name, const std::string& bytes) {
    const std::string p = dir_ + "/" + name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  std::string dir_;
};

TEST_F(Scratch, PictureSitsTopLeftOnWhite) {
  // A 4 x 2 red 24-bit BMP in a 4 x 4 source square: thumbnail rows 0-45
  // take source rows 0 and 1, rows from 46 on lie below the picture.
  std::string bmp = bmp24Header(4, 2);
  std::string rows;
  for (int i = 0; i < 8; ++i) rows += std::string("\x00\x00\xFF", 3);
  bmp += rows;
  const Bitmap t = makeThumbnail(write("r.bmp", bmp), false);
  EXPECT_EQ(t.pixel(92, 0), 0xFF0000u);
  EXPECT_EQ(t.pixel(0, 45), 0xFF0000u);  // source row 1
  EXPECT_EQ(t.pixel(92, 46), kWhite);    // source row 2 lies below the picture
  EXPECT_TRUE(sameBitmap(t, thumbnailByFullDecode(dir_ + "/r.bmp", false)));
}

// Rows read one by one from the file give what the whole-file reader
// gives: top-down rows, a file cut off in the middle of its pixels (the
// missing rows filled), an empty file.
TEST_F(Scratch, BmpRowsReadAloneMatchTheFullDecode) {
  auto bmp24 = [](int w, int h, bool topDown) {
    const int stride = (w * 3 + 3) & ~3;
    std::string b = bmp24Header(w, topDown ? -h : h);
    for (int y = 0; y < h; ++y) {
      std::string row(static_cast<std::size_t>(stride), '\0');
      for (int x = 0; x < w; ++x) {
        row[x * 3] = static_cast<char>(x * 5);
        row[x * 3 + 1] = static_cast<char>(y * 3);
        row[x * 3 + 2] = static_cast<char>(x + y);
      }
      b += row;
    }
    return b;
  };
  const std::string tall = bmp24(150, 301, false);
  const std::string wide = bmp24(307, 120, true);
  for (const auto& [name, bytes] :
       {std::pair{"tall.bmp", tall}, std::pair{"wide.bmp", wide},
        std::pair{"cut.bmp", tall.substr(0, 54 + 452 * 150 + 200)},
        std::pair{"cut_top_down.bmp", wide.substr(0, 54 + 924 * 40 + 7)},
        std::pair{"empty.bmp", std::string()}}) {
    SCOPED_TRACE(name);
    const std::string path = write(name, bytes);
    EXPECT_TRUE(sameBitmap(makeThumbnail(path, false), thumbnailByFullDecode(path, false)));
  }
  EXPECT_EQ(makeThumbnail(dir_ + "/empty.bmp", false).pixel(0, 0), kWhite);
}

TEST_F(Scratch, BadFilesFailCleanly) {
  EXPECT_THROW(makeThumbnail(write("e.jpg", ""), true), PictureError);
  EXPECT_THROW(makeThumbnail(write("j.bmp", "\xFF\xD8\xFF\xE0garbage"), false), PictureError);
  EXPECT_THROW(makeThumbnail(dir_ + "/missing.jpg", true), PictureError);
  EXPECT_THROW(makeThumbnail(dir_, true), PictureError);  // a folder
  ASSERT_EQ(mkfifo((dir_ + "/pipe.jpg").c_str(), 0644), 0);
  EXPECT_THROW(makeThumbnail(dir_ + "/pipe.jpg", true), PictureError);  // must not block
  ASSERT_EQ(mkfifo((dir_ + "/pipe.bmp").c_str(), 0644), 0);
  EXPECT_THROW(makeThumbnail(dir_ + "/pipe.bmp", false), PictureError);
  EXPECT_THROW(makeThumbnail(dir_ + "/missing.bmp", false), PictureError);
}

TEST_F(Scratch, HugeHostileHeaderIsRefusedBeforeAllocating) {
  // A BMP claiming 60000 x 60000 pixels with no pixel data.
  EXPECT_THROW(makeThumbnail(write("huge.bmp", bmp24Header(60000, 60000)), false), PictureError);
}

TEST(ThumbMakerStop, RaisedFlagStopsAtOnce) {
  std::atomic<bool> stop{true};
  const std::string path = std::string(VISTEL_SAMPLES) + "/rose.jpg";
  EXPECT_THROW(makeThumbnail(path, true, &stop), ThumbnailStopped);
}

}  // namespace
}  // namespace vistel
