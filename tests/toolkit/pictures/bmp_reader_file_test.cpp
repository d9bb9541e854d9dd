// The reader on files: reads in blocks across rows and RLE commands, long
// headers, empty, missing and unreadable files, the known bad files and
// good ones cut at every length, and the fixtures against ImageMagick's
// reading.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "pictures/bmp_reader.h"
#include "pictures/picture.h"

namespace vistel {
namespace {

using namespace bmp_test;  // NOLINT(google-build-using-namespace)

class TempDir {
 public:
  TempDir() {
    path_ =
        std::filesystem::temp_directory_path() /
        ("vistel_bmp_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string write(const std::string& name, const Bytes& b) const {
    std::string p = (path_ / name).string();
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return p;
  }
  std::string path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

bool samePixels(const Bitmap& a, const Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height() || a.format() != b.format() ||
      a.palette() != b.palette())
    return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.scanLine(y)[x] != b.scanLine(y)[x]) return false;
  return true;
}

// A picture several read blocks tall, with a pattern that tells rows apart.
Bmp largeFile(int width, int height, int bitCount) {
  Bmp f;
  f.width = width;
  f.height = height;
  f.bitCount = static_cast<std::uint16_t>(bitCount);
  if (bitCount <= 8) {
    for (int i = 0; i < (1 << bitCount); ++i) f.palette.push_back(static_cast<Rgb>(i * 0x010203));
  }
  const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
  f.pixels.resize(stride * height);
  for (std::size_t i = 0; i < f.pixels.size(); ++i)
    f.pixels[i] = static_cast<std::uint8_t>(i * 7 + i / stride);
  return f;
}

// An RLE stream of several read blocks whose commands of every size meet
// the blocks' edges: absolute runs of odd and even lengths, encoded runs,
// deltas, ends of line; rows the deltas skip.
Bmp largeRle(int bitCount) {
  Bmp f = largeFile(300, 900, bitCount);
  f.compression = bitCount == 8 ? 1 : 2;
  f.pixels.clear();
  auto add = [&f](std::initializer_list<int> b) {
    for (int v : b) f.pixels.push_back(static_cast<std::uint8_t>(v));
  };
  for (int y = 0, n = 3; y < f.height; ++y) {
    for (int x = 0; x < 260; x += n, n = n % 250 + 7) {
      add({0, n});
      const int bytes = bitCount == 8 ? n : (n + 1) / 2;
      for (int k = 0; k < bytes + (bytes & 1); ++k) add({k * 13 + y});
    }
    add({5, y});
    if (y % 50 == 0) add({0, 2, 3, 1});
    add({0, 0});
  }
  add({0, 1});
  return f;
}

TEST(BmpReaderFile, ReadsTheSamePixelsAsFromMemoryAcrossBlocks) {
  TempDir dir;
  for (const Bmp& f : {largeFile(700, 900, 24), largeFile(333, 700, 4), largeFile(5000, 3, 32),
                       largeRle(8), largeRle(4)}) {
    const Bytes whole = f.bytes();
    SCOPED_TRACE(whole.size());
    const std::string p = dir.write("a.bmp", whole);
    EXPECT_TRUE(samePixels(readBmpFile(p), read(whole)));
    // Cut inside a later block, mid-row.
    const Bytes cut(whole.begin(),
                    whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 2 / 3));
    const std::string q = dir.write("cut.bmp", cut);
    const Bitmap fromFile = readBmpFile(q);
    EXPECT_TRUE(samePixels(fromFile, read(cut)));
    EXPECT_EQ(fromFile.scanLine(0)[0] & kRgbMask, f.bitCount <= 8 ? f.palette[0] : kBlack);
  }
  const Bmp rle = rle8File();
  EXPECT_TRUE(samePixels(readBmpFile(dir.write("rle.bmp", rle.bytes())), read(rle.bytes())));
}

TEST(BmpReaderFile, LongHeadersAreReadInFull) {
  TempDir dir;
  Bmp f;
  f.headerSize = 9000;  // past the first read of the header
  f.bitCount = 8;
  f.palette.assign(256, kBlack);
  f.palette[5] = kRed;
  f.pixels = rows({{5}});
  EXPECT_EQ(readBmpFile(dir.write("long.bmp", f.bytes())).pixel(0, 0), kRed);
  const Bytes b = f.bytes();
  expectInvalid(Bytes(b.begin(), b.begin() + 8000), "long header cut");
  EXPECT_THROW(readBmpFile(dir.write("cut.bmp", Bytes(b.begin(), b.begin() + 8000))), PictureError);
}

std::size_t openDescriptors() {
  const std::filesystem::directory_iterator fds("/proc/self/fd");
  return static_cast<std::size_t>(std::distance(begin(fds), end(fds)));
}

TEST(BmpReaderFile, EmptyMissingAndUnreadableFiles) {
  TempDir dir;
  const std::size_t before = openDescriptors();
  const Bitmap empty = readBmpFile(dir.write("empty.bmp", {}));
  EXPECT_TRUE(empty.isEmpty());
  EXPECT_EQ(empty.width(), 0);
  for (const std::string& p : {dir.path("missing.bmp"), dir.path("")}) {
    try {
      readBmpFile(p);
      ADD_FAILURE() << p;
    } catch (const PictureError& e) {
      EXPECT_STREQ(e.what(), "Bitmap image is not valid");
    }
  }
  EXPECT_THROW(readBmpFile("/dev/null"), PictureError);  // not a regular file
  // A named pipe is refused, not waited on for a writer.
  ASSERT_EQ(mkfifo(dir.path("pipe.bmp").c_str(), 0600), 0);
  EXPECT_THROW(readBmpFile(dir.path("pipe.bmp")), PictureError);
  // A file refused at its headers is closed again, as are all the above.
  Bytes cut = Bmp{}.bytes();
  cut.resize(30);
  EXPECT_THROW(readBmpFile(dir.write("short.bmp", cut)), PictureError);
  EXPECT_EQ(openDescriptors(), before);
}

// --- known-bad files and truncations --------------------------------------

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& dir, const char* ext) {
  std::vector<std::filesystem::path> out;
  if (!std::filesystem::is_directory(dir)) return out;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().extension() == ext) out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

Bytes slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(BmpReaderHostile, EveryKnownBadFileFailsCleanly) {
  const auto files = filesIn(std::filesystem::path(VISTEL_TEST_DATA) / "bad" / "bmp", ".bmp");
  ASSERT_GE(files.size(), 12u);
  for (const auto& p : files) {
    SCOPED_TRACE(p.filename().string());
    EXPECT_THROW(readBmpFile(p.string()), PictureError);
    const Bytes b = slurp(p);
    ASSERT_FALSE(b.empty());
    expectInvalid(b, p.filename().string());
  }
}

// Plain (P3) PPM as ImageMagick writes it: the reference reading of a fixture.
Bitmap readPlainPpm(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::string magic;
  int w = 0, h = 0, max = 0;
  in >> magic >> w >> h >> max;
  if (magic != "P3" || max != 255 || w <= 0 || h <= 0) return Bitmap();
  Bitmap b(w, h, PixelFormat::Rgb24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int r = 0, g = 0, bl = 0;
      in >> r >> g >> bl;
      b.setPixel(x, y, rgb(r, g, bl));
    }
  return in ? std::move(b) : Bitmap();
}

// Files written by ImageMagick in each form it writes, read as ImageMagick
// reads them. 16-bit channels may round differently by one (of 255).
TEST(BmpReaderFixtures, MatchImageMagicksReading) {
  const struct {
    const char* name;
    PixelFormat format;
    int tolerance;
  } fixtures[] = {
      {"rgb24_v3", PixelFormat::Rgb24, 0},   {"rgb24_v5", PixelFormat::Rgb24, 0},
      {"rgb24_core", PixelFormat::Rgb24, 0}, {"pal8_v3", PixelFormat::Pal8, 0},
      {"pal8_rle", PixelFormat::Pal8, 0},    {"pal8_core", PixelFormat::Pal8, 0},
      {"pal4_v3", PixelFormat::Pal4, 0},     {"mono", PixelFormat::Mono1, 0},
      {"rgb565", PixelFormat::Rgb16, 1},     {"rgb555", PixelFormat::Rgb16, 1},
      {"argb32", PixelFormat::Rgb32, 0},
  };
  const std::filesystem::path dir = std::filesystem::path(VISTEL_TEST_DATA) / "bmp";
  for (const auto& f : fixtures) {
    SCOPED_TRACE(f.name);
    const std::string bmp = (dir / f.name).string() + ".bmp";
    const Bitmap ref = readPlainPpm(bmp + ".ppm");
    ASSERT_FALSE(ref.isEmpty());
    const Bitmap b = readBmpFile(bmp);
    EXPECT_EQ(b.format(), f.format);
    ASSERT_EQ(b.width(), ref.width());
    ASSERT_EQ(b.height(), ref.height());
    for (int y = 0; y < b.height(); ++y)
      for (int x = 0; x < b.width(); ++x)
        for (int shift : {0, 8, 16}) {
          const int got = static_cast<int>((b.pixel(x, y) >> shift) & 0xFF);
          const int want = static_cast<int>((ref.pixel(x, y) >> shift) & 0xFF);
          EXPECT_LE(std::abs(got - want), f.tolerance) << x << "," << y << " shift " << shift;
        }
  }
}

// Good files of every form: the committed ones and those built here.
std::vector<Bytes> goodFiles() {
  std::vector<Bytes> out;
  for (const auto& p : filesIn(std::filesystem::path(VISTEL_TEST_DATA) / "bmp", ".bmp"))
    out.push_back(slurp(p));
  const Bmp rle = rle8File();
  out.push_back(rle.bytes());
  Bmp fields;
  fields.headerSize = 124;
  fields.bitCount = 16;
  fields.compression = 3;
  fields.width = 5;
  fields.height = -3;
  fields.masks = {0xF800, 0x07E0, 0x001F, 0};
  fields.pixels.assign(36, 0x5A);
  out.push_back(fields.bytes());
  out.push_back(largeFile(17, 5, 1).bytes());
  return out;
}

TEST(BmpReaderHostile, GoodFilesCutAtEveryLengthLoadOrFailCleanly) {
  const std::vector<Bytes> files = goodFiles();
  ASSERT_GE(files.size(), 12u);
  for (const Bytes& whole : files) {
    SCOPED_TRACE(whole.size());
    const Bitmap full = read(whole);
    // Cuts fail while the headers or colour table are incomplete; from the
    // first cut that loads on, every longer cut loads at the full size.
    std::size_t firstLoaded = 0;
    for (std::size_t n = 1; n < whole.size(); ++n) {
      const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
      try {
        const Bitmap b = read(cut);
        if (firstLoaded == 0) firstLoaded = n;
        EXPECT_EQ(b.width(), full.width()) << n;
        EXPECT_EQ(b.height(), full.height()) << n;
      } catch (const PictureError& e) {
        EXPECT_STREQ(e.what(), "Bitmap image is not valid");
        EXPECT_EQ(firstLoaded, 0u) << "cut at " << n << " fails after one at " << firstLoaded;
      }
    }
    EXPECT_GT(firstLoaded, 14u);
  }
}

}  // namespace
}  // namespace vistel
