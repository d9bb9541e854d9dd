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

#include "pictures/file_bytes.h"
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
// `source` is the data in memory or a FileReader streaming it.
template <typename Source>
std::vector<std::vector<std::uint32_t>> decodeRows(Source& source, bool eightBit,
                                                   bool (*want)(int y)) {
  JpegDecoder d(source);
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

// Streamed from a file through one block, a decode gives the rows it gives
// from memory: also past segments it skips that outrun the block (two 60 KB
// comments full of end-of-image markers), for a file cut short, and for an
// empty one (libjpeg's empty input, #42).
TEST(JpegDecoder, StreamedFromAFileAsFromMemory) {
  const std::string path = (fs::temp_directory_path() / "vistel-streamed.jpg").string();
  auto decoded = [](auto& source) {
    try {
      return std::pair(decodeRows(source, false, everyRow), std::string());
    } catch (const PictureError& e) {
      return std::pair(std::vector<std::vector<std::uint32_t>>(), std::string(e.what()));
    }
  };
  for (const fs::path& p : fixtures()) {
    const Bytes data = readFile(p);
    Bytes padded(data.begin(), data.begin() + 2);
    for (int k = 0; k < 2; ++k) {
      padded.insert(padded.end(), {0xFF, 0xFE, 0xEA, 0x62});
      for (int i = 0; i < 30000; ++i) padded.insert(padded.end(), {0xFF, JPEG_EOI});
    }
    padded.insert(padded.end(), data.begin() + 2, data.end());
    for (Bytes b : {padded, Bytes(data.begin(), data.begin() + data.size() / 2)}) {
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(b.data()), b.size());
      FileReader file(path);
      EXPECT_EQ(decoded(file), decoded(b)) << p;
    }
  }
  std::ofstream(path, std::ios::trunc);
  FileReader empty(path);
  JpegDecoder d(empty);
  try {
    d.readHeader();
    ADD_FAILURE() << "an empty file has no header";
  } catch (const PictureError& e) {
    EXPECT_EQ(std::string(e.what()), jpegErrorText(JERR_INPUT_EMPTY));
  }
  fs::remove(path);
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
