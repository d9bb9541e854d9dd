#include "pictures/jpeg_decoder.h"

#include <gtest/gtest.h>
#include <jerror.h>
#include <jpeglib.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "pictures/picture.h"
#include "support/read_file.h"

namespace vistel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

using vistel::testing::readFile;

std::vector<fs::path> fixtures() {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(fs::path(VISTEL_TEST_DATA) / "jpeg"))
    if (e.path().extension() == ".jpg") files.push_back(e.path());
  return files;
}

// All rows, one vector of pixels per row; rows the caller skipped stay empty.
std::vector<std::vector<std::uint32_t>> decodeRows(const Bytes& data, bool eightBit,
                                                   bool (*want)(int y)) {
  JpegDecoder d(data);
  d.readHeader();
  const JpegOutput& out = d.start(eightBit);
  std::vector<std::vector<std::uint32_t>> rows(static_cast<std::size_t>(out.height));
  d.readRows([&](int y) -> std::uint32_t* {
    if (!want(y)) return nullptr;
    rows[static_cast<std::size_t>(y)].resize(static_cast<std::size_t>(out.width));
    return rows[static_cast<std::size_t>(y)].data();
  });
  d.finish();
  EXPECT_EQ(d.rowsDone(), out.height);
  return rows;
}

bool everyRow(int) { return true; }
// A thumbnail's pick: a sparse, uneven set of rows, the last one included.
bool someRows(int y) { return y % 7 == 3 || y % 11 == 0 || y == 46 || y == 8; }

// Asking for some rows only gives exactly the rows a full decode gives, so a
// thumbnail may decode just the rows its sampling picks.
TEST(JpegDecoder, ChosenRowsEqualTheFullDecode) {
  int files = 0;
  for (const fs::path& p : fixtures()) {
    const Bytes data = readFile(p);
    for (bool eightBit : {false, true}) {
      const auto full = decodeRows(data, eightBit, everyRow);
      const auto some = decodeRows(data, eightBit, someRows);
      for (std::size_t y = 0; y < full.size(); ++y) {
        if (!someRows(static_cast<int>(y))) {
          EXPECT_TRUE(some[y].empty());
          continue;
        }
        EXPECT_EQ(some[y], full[y]) << p << " row " << y << (eightBit ? " 8-bit" : "");
      }
    }
    ++files;
  }
  EXPECT_GE(files, 10);
}

TEST(JpegDecoder, SkippingEveryRowStillFinishes) {
  const Bytes data = readFile(fs::path(VISTEL_TEST_DATA) / "jpeg" / "baseline_422.jpg");
  JpegDecoder d(data);
  d.readHeader();
  d.start(false);
  int asked = 0;
  d.readRows([&](int) -> std::uint32_t* {
    ++asked;
    return nullptr;
  });
  EXPECT_EQ(d.rowsDone(), 47);
  EXPECT_GE(asked, 47);
  EXPECT_NO_THROW(d.finish());
}

TEST(JpegDecoder, OutputDescribesRowsAndPalette) {
  const Bytes grey = readFile(fs::path(VISTEL_TEST_DATA) / "jpeg" / "greyscale.jpg");
  JpegDecoder g(grey);
  EXPECT_TRUE(g.readHeader().greyscale);
  const JpegOutput& go = g.start(false);
  EXPECT_EQ(go.format, PixelFormat::Pal8);
  EXPECT_EQ(go.palette.size(), 236u);

  const Bytes colour = readFile(fs::path(VISTEL_TEST_DATA) / "jpeg" / "odd_17x9.jpg");
  JpegDecoder c(colour);
  c.readHeader();
  const JpegOutput& co = c.start(false);
  EXPECT_EQ(co.format, PixelFormat::Rgb24);
  EXPECT_EQ(co.width, 17);
  EXPECT_EQ(co.height, 9);
  EXPECT_TRUE(co.palette.empty());
}

// Calls out of order are refused, not passed on to libjpeg, and a decoder
// that failed once stays failed.
TEST(JpegDecoder, CallsOutOfOrderFailCleanly) {
  const Bytes data = readFile(fs::path(VISTEL_TEST_DATA) / "jpeg" / "baseline_420.jpg");
  JpegDecoder d(data);
  EXPECT_THROW(d.start(false), PictureError);
  EXPECT_THROW(d.readHeader(), PictureError);

  JpegDecoder e(data);
  e.readHeader();
  EXPECT_THROW(e.readRows([](int) { return nullptr; }), PictureError);
  EXPECT_THROW(e.finish(), PictureError);
}

// A raised interrupt flag ends a progressive file's read-ahead in start()
// and a row decode, each with the interruption's own text; a lowered one
// changes nothing.
TEST(JpegDecoder, InterruptFlagBreaksOffTheDecode) {
  const Bytes data = readFile(fs::path(VISTEL_TEST_DATA) / "jpeg" / "progressive.jpg");
  std::atomic<bool> flag{false};
  auto messageOf = [](auto&& f) {
    try {
      f();
    } catch (const PictureError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };

  JpegDecoder whole(data);
  whole.setInterruptFlag(&flag);
  whole.readHeader();
  const JpegOutput& out = whole.start(false);
  std::vector<std::uint32_t> row(static_cast<std::size_t>(out.width));
  EXPECT_EQ(messageOf([&] { whole.readRows([&](int) { return row.data(); }); }), "no error");

  flag = true;
  JpegDecoder early(data);
  early.setInterruptFlag(&flag);
  early.readHeader();
  EXPECT_EQ(messageOf([&] { early.start(false); }), kJpegInterruptedText);
  EXPECT_THROW(early.readRows([](int) { return nullptr; }), PictureError);

  flag = false;
  const Bytes baseline = readFile(fs::path(VISTEL_TEST_DATA) / "jpeg" / "baseline_420.jpg");
  JpegDecoder late(baseline);
  late.setInterruptFlag(&flag);
  late.readHeader();
  const JpegOutput& lateOut = late.start(false);
  std::vector<std::uint32_t> lateRow(static_cast<std::size_t>(lateOut.width));
  EXPECT_EQ(messageOf([&] {
              late.readRows([&](int y) {
                if (y == 8) flag = true;
                return lateRow.data();
              });
            }),
            kJpegInterruptedText);
  EXPECT_LT(late.rowsDone(), lateOut.height);
}

}  // namespace
}  // namespace vistel
