// The sample pictures: every file form the viewer reads is represented, and
// every file decodes with an independent reader (Qt's for BMP, libjpeg's).
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/assets/picture_probe.h"

namespace {

namespace fs = std::filesystem;

struct Sample {
  std::string name, extension;  // extension as written, without the dot
  std::vector<std::uint8_t> bytes;
  bool jpeg = false;
  int width = 0, height = 0;
};

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

const std::vector<Sample>& samples() {
  static const std::vector<Sample> all = [] {
    std::vector<Sample> out;
    for (const auto& entry : fs::directory_iterator(VISTEL_SAMPLES)) {
      if (!entry.is_regular_file()) continue;
      Sample s;
      s.name = entry.path().filename().string();
      s.extension =
          entry.path().extension().string().substr(entry.path().extension().empty() ? 0 : 1);
      const std::string ext = lower(s.extension);
      if (ext != "bmp" && ext != "jpg" && ext != "jpeg") continue;
      s.jpeg = ext != "bmp";
      std::ifstream f(entry.path(), std::ios::binary);
      s.bytes.assign(std::istreambuf_iterator<char>(f), {});
      out.push_back(std::move(s));
    }
    std::sort(out.begin(), out.end(),
              [](const Sample& a, const Sample& b) { return a.name < b.name; });
    return out;
  }();
  return all;
}

TEST(Samples, TwelveOrMorePicturesThatAllDecodeAtTheirStatedSize) {
  ASSERT_GE(samples().size(), 12u);
  std::uintmax_t total = 0;
  for (const Sample& s : samples()) {
    total += s.bytes.size();
    if (s.jpeg) {
      const probe::Jpeg j = probe::decodeJpeg(s.bytes);
      EXPECT_GT(j.width, 0) << s.name;
      EXPECT_GT(j.height, 0) << s.name;
    } else {
      const probe::Bmp h = probe::parseBmp(s.bytes);
      EXPECT_EQ(h.fileSize, s.bytes.size()) << s.name;
      QImage img;
      ASSERT_TRUE(img.loadFromData(s.bytes.data(), static_cast<int>(s.bytes.size()), "BMP"))
          << s.name;
      EXPECT_EQ(img.width(), h.width) << s.name;
      EXPECT_EQ(img.height(), std::abs(h.height)) << s.name;
    }
  }
  EXPECT_LT(total, 3u * 1024 * 1024);  // the folder stays small
}

TEST(Samples, CoverEveryBmpDepthAndBothRunLengthEncodings) {
  std::vector<int> depths;
  bool rle8 = false, rle4 = false;
  for (const Sample& s : samples()) {
    if (s.jpeg) continue;
    const probe::Bmp h = probe::parseBmp(s.bytes);
    depths.push_back(h.bits);
    rle8 |= h.compression == 1 && h.bits == 8;
    rle4 |= h.compression == 2 && h.bits == 4;
  }
  for (int bits : {1, 4, 8, 24})
    EXPECT_NE(std::find(depths.begin(), depths.end(), bits), depths.end()) << bits << " bits";
  EXPECT_TRUE(rle8);
  EXPECT_TRUE(rle4);
}

TEST(Samples, CoverBaselineProgressiveAndGreyscaleJpegs) {
  bool baseline420 = false, progressive = false, grey = false;
  for (const Sample& s : samples()) {
    if (!s.jpeg) continue;
    const probe::Jpeg j = probe::decodeJpeg(s.bytes);
    baseline420 |= !j.progressive && j.components == 3 && j.hSamp[0] == 2 && j.vSamp[0] == 2;
    progressive |= j.progressive;
    grey |= j.components == 1;
  }
  EXPECT_TRUE(baseline420);
  EXPECT_TRUE(progressive);
  EXPECT_TRUE(grey);
}

TEST(Samples, CoverLandscapePortraitSquareAndOneLargerThanTheWindow) {
  bool landscape = false, portrait = false, square = false, large = false;
  for (const Sample& s : samples()) {
    int w, h;
    if (s.jpeg) {
      const probe::Jpeg j = probe::decodeJpeg(s.bytes);
      w = j.width;
      h = j.height;
    } else {
      const probe::Bmp b = probe::parseBmp(s.bytes);
      w = b.width;
      h = std::abs(b.height);
    }
    landscape |= w > h;
    portrait |= h > w;
    square |= w == h;
    large |= w > 792 && h > 611;
  }
  EXPECT_TRUE(landscape);
  EXPECT_TRUE(portrait);
  EXPECT_TRUE(square);
  EXPECT_TRUE(large);
}

TEST(Samples, ExtensionsComeInLowerUpperAndMixedCaseAndBothJpegSpellings) {
  bool upper = false, mixed = false, jpegSpelling = false, lowerCase = false;
  for (const Sample& s : samples()) {
    const bool anyUpper = std::any_of(s.extension.begin(), s.extension.end(), ::isupper);
    const bool anyLower = std::any_of(s.extension.begin(), s.extension.end(), ::islower);
    upper |= anyUpper && !anyLower;
    mixed |= anyUpper && anyLower;
    lowerCase |= anyLower && !anyUpper;
    jpegSpelling |= lower(s.extension) == "jpeg";
  }
  EXPECT_TRUE(upper);
  EXPECT_TRUE(mixed);
  EXPECT_TRUE(lowerCase);
  EXPECT_TRUE(jpegSpelling);
}

TEST(Samples, SomePictureHasLargePureBlackAndPureWhiteAreas) {
  // Pure black and pure white are the colour keys of the viewer and panel.
  bool found = false;
  for (const Sample& s : samples()) {
    if (s.jpeg) continue;
    QImage img;
    img.loadFromData(s.bytes.data(), static_cast<int>(s.bytes.size()), "BMP");
    img = img.convertToFormat(QImage::Format_RGB32);
    long black = 0, white = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        const QRgb c = img.pixel(x, y) & 0xFFFFFF;
        black += c == 0;
        white += c == 0xFFFFFF;
      }
    found |= black > 5000 && white > 5000 &&
             black + white < static_cast<long>(img.width()) * img.height();
  }
  EXPECT_TRUE(found);
}

TEST(Samples, RunLengthEncodedPicturesDecodeToTheirDrawing) {
  // Known places of the two posters: if the encoder lost its way in a row,
  // these would come out wrong.
  auto load = [](const std::string& name) {
    for (const Sample& s : samples())
      if (s.name == name) {
        QImage img;
        img.loadFromData(s.bytes.data(), static_cast<int>(s.bytes.size()), "BMP");
        return img.convertToFormat(QImage::Format_RGB32);
      }
    return QImage();
  };
  const QImage sunset = load("sunset_bands.bmp");
  ASSERT_FALSE(sunset.isNull());
  EXPECT_EQ(sunset.pixel(10, 2) & 0xFFFFFF, 0x2C1654u);     // top band of the sky
  EXPECT_EQ(sunset.pixel(400, 230) & 0xFFFFFF, 0xFFEC96u);  // the sun
  EXPECT_EQ(sunset.pixel(600, 395) & 0xFFFFFF, 0x100C30u);  // the darkest sea band
  const QImage glass = load("Stained_Glass.BMP");
  ASSERT_FALSE(glass.isNull());
  EXPECT_EQ(glass.pixel(200, 200) & 0xFFFFFF, 0xFF0000u);  // the red heart
  EXPECT_EQ(glass.pixel(200, 150) & 0xFFFFFF, 0x00FFFFu);  // aqua ring
  EXPECT_EQ(glass.pixel(200, 14) & 0xFFFFFF, 0x000000u);   // leading round the rose
}

}  // namespace
