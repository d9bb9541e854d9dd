// Known-bad files (made by tests/data/bad/jpeg/make_bad_jpegs.py) and every
// good fixture cut short at many lengths: each must fail cleanly with a
// PictureError or load, and a loaded picture may fail at most once when it is
// first decoded. Run under AddressSanitizer for the "never crash" half.

#include <gtest/gtest.h>
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pictures/jpeg_picture.h"
#include "support/read_file.h"

namespace vistel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

using vistel::testing::readFile;

std::string errorOf(int code) { return "JPEG error #" + std::to_string(code); }

struct Outcome {
  std::string loadError;  // empty: loads
  std::string drawError;  // empty: draws without error
  bool rowsAfterError = false;
};

// Loads and decodes twice; never lets anything but PictureError escape.
Outcome run(const Bytes& data) {
  Outcome o;
  std::optional<JpegPicture> picture;
  try {
    picture.emplace(data);
  } catch (const PictureError& e) {
    o.loadError = e.what();
    return o;
  }
  const int w = picture->width();
  const int h = picture->height();
  Bitmap target(std::clamp(w, 1, 256), std::clamp(h, 1, 256), PixelFormat::Rgb24);
  const Rect all{0, 0, target.width(), target.height()};
  try {
    picture->draw(target.surface(), all, all);
  } catch (const PictureError& e) {
    o.drawError = e.what();
  }
  // Whatever happened, later drawings are quiet and show the kept bitmap.
  EXPECT_NO_THROW(picture->draw(target.surface(), all, all));
  const Bitmap& b = picture->decoded();
  EXPECT_TRUE(b.isEmpty() || (b.width() == w && b.height() == h));
  o.rowsAfterError = !o.drawError.empty() && !b.isEmpty();
  return o;
}

TEST(JpegHostileFiles, EachKnownBadFileFailsCleanlyOrLoads) {
  const Outcome draws{};
  auto atLoad = [](int code) { return Outcome{errorOf(code), "", false}; };
  auto atDraw = [](int code, bool rows) { return Outcome{"", errorOf(code), rows}; };
  const std::map<std::string, Outcome> expected = {
      {"not_a_jpeg.jpg", atLoad(JERR_NO_SOI)},
      {"soi_only.jpg", atLoad(JERR_NO_IMAGE)},
      {"cut_in_header.jpg", atLoad(JERR_NO_IMAGE)},
      {"zero_height.jpg", atLoad(JERR_EMPTY_IMAGE)},
      {"zero_width.jpg", atLoad(JERR_EMPTY_IMAGE)},
      {"too_wide.jpg", atLoad(JERR_IMAGE_TOO_BIG)},
      {"huge_dimensions.jpg", atLoad(JERR_IMAGE_TOO_BIG)},
      {"huge_progressive.jpg", atLoad(JERR_IMAGE_TOO_BIG)},
      {"twelve_bit.jpg", atLoad(JERR_BAD_PRECISION)},
      {"bad_sampling.jpg", atLoad(JERR_BAD_SAMPLING)},
      {"too_many_components.jpg", atLoad(JERR_COMPONENT_COUNT)},
      {"bogus_huffman_counts.jpg", atLoad(JERR_BAD_HUFF_TABLE)},
      {"bad_huffman_index.jpg", atLoad(JERR_DHT_INDEX)},
      {"no_frame_header.jpg", atLoad(JERR_SOS_NO_SOF)},
      {"two_frame_headers.jpg", atLoad(JERR_SOF_DUPLICATE)},
      {"bad_marker_length.jpg", atLoad(JERR_BAD_LENGTH)},
      {"lossless_frame.jpg", atLoad(JERR_SOF_UNSUPPORTED)},
      {"bad_scan_component.jpg", atLoad(JERR_BAD_COMPONENT_ID)},
      {"app_marker_past_end.jpg", atLoad(JERR_NO_IMAGE)},
      {"missing_quant_tables.jpg", atDraw(JERR_NO_QUANT_TABLE, false)},
      {"bad_progression.jpg", atDraw(JERR_BAD_PROGRESSION, false)},
      {"endless_scans.jpg", atDraw(JERR_BAD_PROGRESSION, false)},
      {"scan_after_last_row.jpg", atDraw(JERR_EOI_EXPECTED, true)},
      {"zero_bytes.jpg", atDraw(JERR_INPUT_EMPTY, false)},
      {"garbage_scan_data.jpg", draws},
      {"cut_in_scan.jpg", draws},
  };

  std::set<std::string> seen;
  for (const auto& entry : fs::directory_iterator(fs::path(VISTEL_TEST_DATA) / "bad" / "jpeg")) {
    if (entry.path().extension() != ".jpg") continue;
    const std::string name = entry.path().filename().string();
    seen.insert(name);
    const auto want = expected.find(name);
    if (want == expected.end()) {
      ADD_FAILURE() << name << " has no expected outcome";
      continue;
    }
    const Outcome got = run(readFile(entry.path()));
    EXPECT_EQ(got.loadError, want->second.loadError) << name;
    EXPECT_EQ(got.drawError, want->second.drawError) << name;
    EXPECT_EQ(got.rowsAfterError, want->second.rowsAfterError) << name;
  }
  EXPECT_EQ(seen.size(), expected.size()) << "a known-bad file is missing";
}

TEST(JpegHostileFiles, EveryGoodFixtureCutAtManyLengthsFailsCleanlyOrLoads) {
  int cuts = 0, loaded = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(VISTEL_TEST_DATA) / "jpeg")) {
    if (entry.path().extension() != ".jpg") continue;
    const Bytes whole = readFile(entry.path());
    // Every length through the headers, then a few hundred spread over the
    // compressed data.
    const std::size_t step = std::max<std::size_t>(1, whole.size() / 300);
    for (std::size_t len = 0; len < whole.size(); len += (len < 700 ? 1 : step)) {
      const Outcome o = run(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(len)));
      if (o.loadError.empty()) {
        ++loaded;
      } else {
        EXPECT_EQ(o.loadError.rfind("JPEG error #", 0), 0u);
      }
      ++cuts;
    }
  }
  EXPECT_GT(cuts, 3000);
  EXPECT_GT(loaded, cuts / 3);  // most cuts past the headers still load
}

}  // namespace
}  // namespace vistel
