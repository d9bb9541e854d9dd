#include "pictures/jpeg_picture.h"

#include <gtest/gtest.h>
#include <jerror.h>
#include <jpeglib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pictures/pixel_runs.h"
#include "support/read_file.h"

namespace vistel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

using vistel::testing::readFile;

Bytes fixture(const char* name) { return readFile(fs::path(VISTEL_TEST_DATA) / "jpeg" / name); }
Bytes badFixture(const char* name) {
  return readFile(fs::path(VISTEL_TEST_DATA) / "bad" / "jpeg" / name);
}

std::string errorOf(int code) { return "JPEG error #" + std::to_string(code); }

// Compresses `pixels` (rows of `components` bytes per pixel) with libjpeg.
Bytes encode(int w, int h, int components, J_COLOR_SPACE in, J_COLOR_SPACE jpegSpace,
             const Bytes& pixels, bool adobeMarker) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = components;
  c.in_color_space = in;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, jpegSpace);
  jpeg_set_quality(&c, 100, TRUE);
  c.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    auto* row = const_cast<JSAMPLE*>(pixels.data() + static_cast<std::size_t>(c.next_scanline) *
                                                         static_cast<std::size_t>(w * components));
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  Bytes result(out, out + size);
  std::free(out);
  jpeg_destroy_compress(&c);
  return result;
}

class ScreenBits {
 public:
  explicit ScreenBits(int bits) : old_(JpegPicture::screenBitsPerPixel()) {
    JpegPicture::setScreenBitsPerPixel(bits);
  }
  ~ScreenBits() { JpegPicture::setScreenBitsPerPixel(old_); }

 private:
  int old_;
};

TEST(JpegPicture, HeaderFactsAreKnownAtLoadWithoutDecoding) {
  JpegPicture colour(fixture("baseline_420.jpg"));
  EXPECT_EQ(colour.kind(), PictureKind::Jpeg);
  EXPECT_EQ(colour.width(), 61);
  EXPECT_EQ(colour.height(), 47);
  EXPECT_EQ(colour.header().components, 3);
  EXPECT_FALSE(colour.header().greyscale);
  EXPECT_FALSE(colour.header().progressive);
  EXPECT_FALSE(colour.isDecoded());

  JpegPicture grey(fixture("greyscale_progressive.jpg"));
  EXPECT_EQ(grey.width(), 40);
  EXPECT_EQ(grey.height(), 33);
  EXPECT_EQ(grey.header().components, 1);
  EXPECT_TRUE(grey.header().greyscale);
  EXPECT_TRUE(grey.header().progressive);

  JpegPicture odd(fixture("odd_17x9.jpg"));
  EXPECT_EQ(odd.width(), 17);
  EXPECT_EQ(odd.height(), 9);
}

TEST(JpegPicture, DecodesOnceAtFirstUseAndKeepsTheBitmap) {
  JpegPicture picture(fixture("baseline_444.jpg"));
  const Bitmap& first = picture.decoded();
  EXPECT_TRUE(picture.isDecoded());
  EXPECT_EQ(first.width(), 61);
  EXPECT_EQ(first.height(), 47);
  EXPECT_EQ(first.format(), PixelFormat::Rgb24);
  EXPECT_TRUE(first.palette().empty());
  const std::uint32_t* pixels = first.scanLine(0);

  Bitmap target = Bitmap::filled(61, 47, PixelFormat::Rgb24, kWhite);
  picture.draw(target.surface(), Rect{0, 0, 61, 47}, Rect{0, 0, 61, 47});
  EXPECT_EQ(&picture.decoded(), &first);
  EXPECT_EQ(picture.decoded().scanLine(0), pixels);
  for (int y = 0; y < 47; ++y)
    for (int x = 0; x < 61; ++x) ASSERT_EQ(target.pixel(x, y), first.pixel(x, y)) << x << "," << y;
}

TEST(JpegPicture, PixelsDecodedAheadStandInForTheDecodeOnFullColourScreensOnly) {
  // Packed and unpacked again, the decode comes back pixel for pixel.
  JpegPicture reference(fixture("baseline_444.jpg"));
  const std::vector<std::uint8_t> packed = packPixelRuns(reference.decoded());
  Bitmap ahead = unpackPixelRuns(packed);
  ahead.setPixel(0, 0, rgb(1, 2, 3));  // tells the two apart
  JpegPicture picture(fixture("baseline_444.jpg"));
  picture.setPredecoded(std::move(ahead));
  EXPECT_EQ(picture.decoded().pixel(0, 0), rgb(1, 2, 3));
  for (int y = 0; y < 47; ++y)
    for (int x = y == 0 ? 1 : 0; x < 61; ++x)
      ASSERT_EQ(picture.decoded().pixel(x, y), reference.decoded().pixel(x, y)) << x << "," << y;
  // Pixels of another size, or a screen of 8 bits, and the file is decoded.
  JpegPicture wrongSize(fixture("baseline_444.jpg"));
  wrongSize.setPredecoded(Bitmap::filled(60, 47, PixelFormat::Rgb24, kWhite));
  EXPECT_EQ(wrongSize.decoded().pixel(5, 5), reference.decoded().pixel(5, 5));
  ScreenBits eight(8);
  JpegPicture onEightBits(fixture("baseline_444.jpg"));
  onEightBits.setPredecoded(unpackPixelRuns(packed));
  EXPECT_EQ(onEightBits.decoded().format(), PixelFormat::Pal8);
  // Run data cut short, or running past a row, is refused.
  for (std::size_t cut : {std::size_t{3}, std::size_t{20}, packed.size() - 1})
    EXPECT_THROW(unpackPixelRuns(std::span(packed).first(cut)), PictureError) << cut;
  std::vector<std::uint8_t> overlong = packed;
  overlong.push_back(0);
  EXPECT_THROW(unpackPixelRuns(overlong), PictureError);
  const std::uint8_t pastTheRow[] = {'V', 'P', 'R', '1', 2, 0,    0,    0, 1, 0,
                                     0,   0,   24,  0,   0, 0x83, 0x80, 1, 2, 3};
  EXPECT_THROW(unpackPixelRuns(pastTheRow), PictureError);
}

TEST(JpegPicture, GreyscaleComesOutAs236EvenGreyLevels) {
  JpegPicture picture(fixture("greyscale.jpg"));
  const Bitmap& b = picture.decoded();
  EXPECT_EQ(b.format(), PixelFormat::Pal8);
  const std::vector<Rgb>& pal = b.palette();
  ASSERT_EQ(pal.size(), 236u);
  EXPECT_EQ(pal.front(), kBlack);
  EXPECT_EQ(pal.back(), kWhite);
  for (std::size_t i = 0; i < pal.size(); ++i) {
    const int v = static_cast<int>(pal[i] & 0xFF);
    EXPECT_EQ(pal[i], rgb(v, v, v));
    if (i > 0) {
      const int step = v - static_cast<int>(pal[i - 1] & 0xFF);
      EXPECT_TRUE(step == 1 || step == 2) << i;
    }
  }
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x)
      ASSERT_NE(std::find(pal.begin(), pal.end(), b.pixel(x, y)), pal.end());
}

TEST(JpegPicture, EightBitScreenIsReadAtDecodeTimeNotAtLoad) {
  JpegPicture loadedEarlier(fixture("baseline_420.jpg"));
  ScreenBits eight(8);
  const Bitmap& b = loadedEarlier.decoded();
  EXPECT_EQ(b.format(), PixelFormat::Pal8);
  EXPECT_FALSE(b.palette().empty());
  EXPECT_LE(b.palette().size(), 236u);
}

TEST(JpegPicture, TransparentFlagDoesNotKeyOutAnyColour) {
  JpegPicture picture(fixture("baseline_420.jpg"));
  picture.setTransparent(true);
  const Rgb fill = rgb(1, 2, 3);
  Bitmap target = Bitmap::filled(61, 47, PixelFormat::Rgb24, fill);
  picture.draw(target.surface(), Rect{0, 0, 61, 47}, Rect{0, 0, 61, 47});
  const Bitmap& b = picture.decoded();
  // The bottom-left colour would be the key of a bitmap; here it is drawn.
  EXPECT_EQ(target.pixel(0, 46), b.pixel(0, 46));
  for (int y = 0; y < 47; ++y)
    for (int x = 0; x < 61; ++x) ASSERT_EQ(target.pixel(x, y), b.pixel(x, y));
}

TEST(JpegPicture, EmptyDataLoadsAsNothingAndFailsOnceWhenFirstDrawn) {
  JpegPicture picture(Bytes{});
  EXPECT_EQ(picture.width(), 0);
  EXPECT_EQ(picture.height(), 0);
  EXPECT_FALSE(picture.isDecoded());
  Bitmap target = Bitmap::filled(4, 4, PixelFormat::Rgb24, kBlue);
  try {
    picture.draw(target.surface(), Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4});
    FAIL() << "the first drawing must fail";
  } catch (const PictureError& e) {
    EXPECT_EQ(std::string(e.what()), errorOf(JERR_INPUT_EMPTY));
    EXPECT_EQ(std::string(e.what()), "JPEG error #42");
  }
  EXPECT_NO_THROW(picture.draw(target.surface(), Rect{0, 0, 4, 4}, Rect{0, 0, 4, 4}));
  EXPECT_NO_THROW(picture.decoded());
  EXPECT_TRUE(picture.decoded().isEmpty());
  EXPECT_EQ(target.pixel(2, 2), kBlue);
}

TEST(JpegPicture, DataThatIsNotAJpegFailsToLoadWithLibjpegsNumber) {
  const std::string text = "Just some text.";
  try {
    JpegPicture picture(Bytes(text.begin(), text.end()));
    FAIL() << "must not load";
  } catch (const PictureError& e) {
    EXPECT_EQ(std::string(e.what()), errorOf(JERR_NO_SOI));
    EXPECT_EQ(std::string(e.what()), "JPEG error #53");
  }
}

TEST(JpegPicture, FileCutInHalfLoadsAndDrawsWhatWasDecoded) {
  const Bytes whole = fixture("baseline_422.jpg");
  const Bytes half(whole.begin(), whole.begin() + whole.size() / 2);
  JpegPicture full(whole);
  JpegPicture cut(half);
  EXPECT_EQ(cut.width(), 61);
  const Bitmap* b = nullptr;
  ASSERT_NO_THROW(b = &cut.decoded());
  ASSERT_EQ(b->height(), 47);
  // The top rows came before the cut and match the whole file's.
  for (int x = 0; x < 61; ++x) EXPECT_EQ(b->pixel(x, 0), full.decoded().pixel(x, 0));
  Bitmap target = Bitmap::filled(61, 47, PixelFormat::Rgb24, kBlue);
  EXPECT_NO_THROW(cut.draw(target.surface(), Rect{0, 0, 61, 47}, Rect{0, 0, 61, 47}));
  EXPECT_EQ(target.pixel(30, 46), b->pixel(30, 46));
}

// libjpeg finds this damage after every row is out: the error is raised once,
// and the picture keeps the complete rows.
TEST(JpegPicture, ErrorAfterTheRowsIsRaisedOnceAndTheRowsStay) {
  JpegPicture good(fixture("baseline_420.jpg"));
  JpegPicture damaged(badFixture("scan_after_last_row.jpg"));
  EXPECT_THROW(
      {
        try {
          damaged.decoded();
        } catch (const PictureError& e) {
          EXPECT_EQ(std::string(e.what()), errorOf(JERR_EOI_EXPECTED));
          throw;
        }
      },
      PictureError);
  const Bitmap* b = nullptr;
  ASSERT_NO_THROW(b = &damaged.decoded());
  ASSERT_EQ(b->width(), 61);
  ASSERT_EQ(b->height(), 47);
  for (int y = 0; y < 47; ++y)
    for (int x = 0; x < 61; ++x) ASSERT_EQ(b->pixel(x, y), good.decoded().pixel(x, y));
  Bitmap target(61, 47, PixelFormat::Rgb24);
  EXPECT_NO_THROW(damaged.draw(target.surface(), Rect{0, 0, 61, 47}, Rect{0, 0, 61, 47}));
}

// A progressive file is read whole before any row comes out, so damage in a
// later scan leaves nothing to show; drawing then draws nothing.
TEST(JpegPicture, ErrorBeforeTheFirstRowLeavesNothingToDraw) {
  JpegPicture picture(badFixture("bad_progression.jpg"));
  EXPECT_EQ(picture.width(), 61);
  Bitmap target = Bitmap::filled(61, 47, PixelFormat::Rgb24, kBlue);
  EXPECT_THROW(picture.draw(target.surface(), Rect{0, 0, 61, 47}, Rect{0, 0, 61, 47}),
               PictureError);
  EXPECT_NO_THROW(picture.draw(target.surface(), Rect{0, 0, 61, 47}, Rect{0, 0, 61, 47}));
  EXPECT_TRUE(picture.decoded().isEmpty());
  EXPECT_EQ(target.pixel(10, 10), kBlue);
}

// Pixel limits are checked on the header, before anything is decoded.
TEST(JpegPicture, PicturesBeyondTheToolkitLimitAreRefusedAtLoad) {
  Bytes data = fixture("baseline_420.jpg");
  // Find the SOF0 segment and rewrite its height and width.
  std::size_t sof = 2;
  while (!(data[sof] == 0xFF && data[sof + 1] == 0xC0))
    sof += 2 + (static_cast<std::size_t>(data[sof + 2]) << 8 | data[sof + 3]);
  auto withSize = [&](int w, int h) {
    Bytes d = data;
    d[sof + 5] = static_cast<std::uint8_t>(h >> 8);
    d[sof + 6] = static_cast<std::uint8_t>(h);
    d[sof + 7] = static_cast<std::uint8_t>(w >> 8);
    d[sof + 8] = static_cast<std::uint8_t>(w);
    return d;
  };
  JpegPicture atLimit(withSize(16384, 16384));  // exactly 2^28 pixels
  EXPECT_EQ(atLimit.width(), 16384);
  EXPECT_FALSE(atLimit.isDecoded());
  for (auto [w, h] : {std::pair{16385, 16384}, std::pair{65500, 65500}, std::pair{65500, 4099}}) {
    try {
      JpegPicture picture(withSize(w, h));
      ADD_FAILURE() << w << "x" << h << " loaded";
    } catch (const PictureError& e) {
      EXPECT_EQ(std::string(e.what()), errorOf(JERR_IMAGE_TOO_BIG)) << w << "x" << h;
    }
  }
}

// Splits a JPEG after its header and before EOI, and repeats its smallest
// scan `copies` times in between.
Bytes withRepeatedScan(const Bytes& jpeg, int copies) {
  std::size_t i = 2, smallStart = 0, smallEnd = 0;
  while (i + 1 < jpeg.size() && jpeg[i + 1] != 0xD9) {
    std::size_t end = i + 2 + (static_cast<std::size_t>(jpeg[i + 2]) << 8 | jpeg[i + 3]);
    if (jpeg[i + 1] == 0xDA) {
      while (!(jpeg[end] == 0xFF && jpeg[end + 1] != 0 && (jpeg[end + 1] & 0xF8) != 0xD0)) ++end;
      if (smallEnd == 0 || end - i < smallEnd - smallStart) {
        smallStart = i;
        smallEnd = end;
      }
    }
    i = end;
  }
  Bytes out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(i));
  for (int k = 0; k < copies; ++k) out.insert(out.end(), &jpeg[smallStart], &jpeg[smallEnd]);
  out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(i), jpeg.end());
  return out;
}

TEST(JpegPicture, ProgressiveScansAreCapped) {
  const Bytes prog = fixture("progressive.jpg");
  // The repeated scans only warn: under the cap the picture decodes.
  JpegPicture many(withRepeatedScan(prog, kMaxJpegScans - 20));
  EXPECT_NO_THROW(many.decoded());
  EXPECT_EQ(many.decoded().height(), 47);

  JpegPicture endless(withRepeatedScan(prog, kMaxJpegScans + 5));
  try {
    endless.decoded();
    FAIL() << "scans beyond the cap must stop decoding";
  } catch (const PictureError& e) {
    EXPECT_EQ(std::string(e.what()), errorOf(JERR_BAD_PROGRESSION));
  }
  EXPECT_NO_THROW(endless.decoded());
}

struct Cmyk {
  std::uint8_t c, m, y, k;
};

// Four 16x16 patches side by side (whole blocks, so they survive JPEG
// compression at quality 100 unchanged).
Bytes cmykPatches(const std::vector<Cmyk>& patches) {
  const int w = 16 * static_cast<int>(patches.size());
  Bytes px;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < w; ++x) {
      const Cmyk& p = patches[static_cast<std::size_t>(x / 16)];
      px.insert(px.end(), {p.c, p.m, p.y, p.k});
    }
  return px;
}

// Four-component files are converted to RGB. With an Adobe marker the
// channels are stored inverted (255 = no ink), as Photoshop writes them.
TEST(JpegPicture, CmykFilesAreConvertedToRgb) {
  const std::vector<Cmyk> patches = {
      {255, 255, 255, 255}, {0, 255, 255, 255}, {200, 100, 50, 180}, {255, 255, 255, 0}};
  const Bytes px = cmykPatches(patches);
  const int w = 16 * static_cast<int>(patches.size());

  JpegPicture adobe(encode(w, 16, 4, JCS_CMYK, JCS_CMYK, px, true));
  EXPECT_EQ(adobe.header().components, 4);
  EXPECT_FALSE(adobe.header().greyscale);
  const Bitmap& a = adobe.decoded();
  EXPECT_EQ(a.format(), PixelFormat::Rgb24);
  EXPECT_EQ(a.pixel(8, 8), kWhite);
  EXPECT_EQ(a.pixel(24, 8), rgb(0, 255, 255));  // full cyan
  EXPECT_EQ(a.pixel(40, 8), rgb(141, 71, 35));
  EXPECT_EQ(a.pixel(56, 8), kBlack);

  JpegPicture plain(encode(w, 16, 4, JCS_CMYK, JCS_CMYK, px, false));
  const Bitmap& p = plain.decoded();
  EXPECT_EQ(p.pixel(8, 8), kBlack);
  EXPECT_EQ(p.pixel(24, 8), kBlack);
  EXPECT_EQ(p.pixel(40, 8), rgb(16, 46, 60));
  EXPECT_EQ(p.pixel(56, 8), rgb(0, 0, 0));

  // YCCK (CMYK transformed by the encoder) goes the same way, within the
  // rounding of the colour transform.
  JpegPicture ycck(encode(w, 16, 4, JCS_CMYK, JCS_YCCK, px, true));
  const Bitmap& y = ycck.decoded();
  const Rgb want = rgb(141, 71, 35);
  const Rgb got = y.pixel(40, 8);
  for (int shift : {0, 8, 16})
    EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((want >> shift) & 0xFF),
                2);

  // An 8-bit screen changes nothing: libjpeg cannot quantise CMYK.
  ScreenBits eight(8);
  JpegPicture again(encode(w, 16, 4, JCS_CMYK, JCS_CMYK, px, true));
  EXPECT_EQ(again.decoded().format(), PixelFormat::Rgb24);
  EXPECT_EQ(again.decoded().pixel(24, 8), rgb(0, 255, 255));
}

TEST(JpegPicture, FromFileReadsTheWholeFileAndReportsUnreadableOnes) {
  auto picture = JpegPicture::fromFile(fs::path(VISTEL_TEST_DATA) / "jpeg" / "progressive.jpg");
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width(), 61);
  EXPECT_TRUE(picture->header().progressive);
  EXPECT_EQ(picture->decoded().height(), 47);

  const std::string missing = "/nonexistent/folder/picture.jpg";
  try {
    JpegPicture::fromFile(missing);
    FAIL();
  } catch (const PictureError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot open file \"" + missing + "\". " + std::strerror(ENOENT));
  }
  EXPECT_THROW(JpegPicture::fromFile(VISTEL_TEST_DATA), PictureError);  // a folder
  // A named pipe must be refused, not waited on.
  const std::string fifo = "/tmp/vistel_jpeg_test_fifo_" + std::to_string(getpid()) + ".jpg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW(JpegPicture::fromFile(fifo), PictureError);
  unlink(fifo.c_str());

  auto empty =
      JpegPicture::fromFile(fs::path(VISTEL_TEST_DATA) / "bad" / "jpeg" / "zero_bytes.jpg");
  EXPECT_EQ(empty->width(), 0);
  EXPECT_THROW(empty->decoded(), PictureError);
}

}  // namespace
}  // namespace vistel
