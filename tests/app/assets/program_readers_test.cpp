// The embedded pictures and the samples read through the program's own
// picture readers give what independent readers give.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/assets/picture_probe.h"
#include "embedded_assets.h"
#include "pictures/bmp_reader.h"
#include "pictures/jpeg_picture.h"
#include "pictures/picture_file.h"
#include "pictures/pixel_runs.h"

namespace {

using vistel::Bitmap;
using vistel::PixelFormat;

TEST(ProgramReaders, ReadTheFrameMaskAsAMonochromeBitmap) {
  const Bitmap mask = vistel::readBmp(vistel::assets::frameMaskBmp());
  EXPECT_EQ(mask.width(), 840);
  EXPECT_EQ(mask.height(), 620);
  EXPECT_EQ(mask.format(), PixelFormat::Mono1);
  EXPECT_EQ(mask.transparentColor(), vistel::kWhite);  // the opening is what is left out
  EXPECT_EQ(mask.pixel(416, 300), vistel::kWhite);
  EXPECT_EQ(mask.pixel(0, 0), vistel::kBlack);
  EXPECT_EQ(mask.pixel(791, 610), vistel::kBlack);
}

TEST(ProgramReaders, DecodeThePanelSkinExactlyAsLibjpegDoes) {
  const auto bytes = vistel::assets::panelSkinJpg();
  vistel::JpegPicture skin(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  EXPECT_TRUE(skin.header().progressive);
  EXPECT_EQ(skin.header().components, 3);
  const Bitmap& decoded = skin.decoded();
  ASSERT_EQ(decoded.width(), 836);
  ASSERT_EQ(decoded.height(), 595);
  // Same pixels, so the same exact white that the panel's colour key sees.
  const probe::Jpeg reference = probe::decodeJpeg(bytes);
  // The pixels decoded when the program was built, which the panel shows,
  // are that decode too.
  const Bitmap ahead = vistel::unpackPixelRuns(vistel::assets::panelSkinPixels());
  ASSERT_EQ(ahead.width(), 836);
  ASSERT_EQ(ahead.height(), 595);
  EXPECT_EQ(ahead.format(), decoded.format());
  long differing = 0;
  for (int y = 0; y < 595; ++y)
    for (int x = 0; x < 836; ++x) {
      const probe::Rgb r = reference.at(x, y);
      differing += decoded.pixel(x, y) != vistel::rgb(r.r, r.g, r.b);
      differing += ahead.pixel(x, y) != decoded.pixel(x, y);
    }
  EXPECT_EQ(differing, 0);
}

TEST(ProgramReaders, ReadTheSmallBitmapsWithTheirFormats) {
  const Bitmap help = vistel::readBmp(vistel::assets::helpPictureBmp());
  EXPECT_EQ(help.width(), 201);
  EXPECT_EQ(help.height(), 151);
  EXPECT_EQ(help.format(), PixelFormat::Rgb24);
  const Bitmap locator = vistel::readBmp(vistel::assets::locatorBmp());
  EXPECT_EQ(locator.width(), 43);
  EXPECT_EQ(locator.height(), 20);
  EXPECT_EQ(locator.format(), PixelFormat::Rgb24);
  using vistel::assets::DriveGlyph;
  using vistel::assets::FolderGlyph;
  for (auto kind : {DriveGlyph::Floppy, DriveGlyph::Fixed, DriveGlyph::Network, DriveGlyph::CdRom,
                    DriveGlyph::Ram}) {
    const Bitmap g = vistel::readBmp(vistel::assets::driveGlyphBmp(kind));
    EXPECT_EQ(g.format(), PixelFormat::Pal4);
    EXPECT_EQ(g.height(), 11);
    EXPECT_EQ(g.transparentColor(), vistel::kBlue);
  }
  for (auto kind : {FolderGlyph::Open, FolderGlyph::Closed, FolderGlyph::Current}) {
    const Bitmap g = vistel::readBmp(vistel::assets::folderGlyphBmp(kind));
    EXPECT_EQ(g.format(), PixelFormat::Pal4);
    EXPECT_EQ(g.height(), 15);
    EXPECT_EQ(g.transparentColor(), vistel::kBlue);
  }
}

TEST(ProgramReaders, LoadEverySampleAndAgreeWithQtOnBitmapPixels) {
  int loaded = 0;
  for (const auto& entry : std::filesystem::directory_iterator(VISTEL_SAMPLES)) {
    const std::string path = entry.path().string();
    std::string ext = entry.path().extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext != ".bmp" && ext != ".jpg" && ext != ".jpeg") continue;
    SCOPED_TRACE(path);
    std::unique_ptr<vistel::Picture> picture = vistel::loadPictureFile(path);
    ASSERT_NE(picture, nullptr);
    ++loaded;
    if (ext != ".bmp") {
      auto* jpeg = dynamic_cast<vistel::JpegPicture*>(picture.get());
      ASSERT_NE(jpeg, nullptr);
      EXPECT_EQ(jpeg->decoded().width(), picture->width());
      continue;
    }
    const Bitmap& ours = dynamic_cast<vistel::BitmapPicture&>(*picture).bitmap();
    QImage theirs(QString::fromStdString(path), "BMP");
    ASSERT_EQ(theirs.width(), ours.width());
    ASSERT_EQ(theirs.height(), ours.height());
    theirs = theirs.convertToFormat(QImage::Format_RGB32);
    long differing = 0;
    for (int y = 0; y < ours.height(); ++y)
      for (int x = 0; x < ours.width(); ++x)
        differing += ours.pixel(x, y) != (theirs.pixel(x, y) & vistel::kRgbMask);
    EXPECT_EQ(differing, 0);
  }
  EXPECT_GE(loaded, 12);
}

}  // namespace
