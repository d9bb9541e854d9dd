#include "samples.h"

#include "file_writers.h"
#include "sample_drawings.h"

namespace assetgen {

std::vector<SampleFile> drawSamples() {
  std::vector<SampleFile> out;
  auto jpeg = [](const QImage& img, int quality, bool progressive, bool grey) {
    JpegOptions o;
    o.quality = quality;
    o.progressive = progressive;
    o.greyscale = grey;
    return encodeJpeg(img, o);
  };
  out.push_back({"Meadow.JPG", jpeg(drawMeadow(), 82, false, false)});
  out.push_back({"dunes.jpeg", jpeg(drawDunes(), 85, true, false)});
  out.push_back({"misty_lake.jpg", jpeg(drawMistyLake(), 85, false, true)});
  out.push_back({"Lighthouse.Jpg", jpeg(drawLighthouse(), 85, true, false)});
  out.push_back({"rose.jpg", jpeg(drawRose(), 88, false, false)});
  out.push_back({"tulips.Bmp", encodeBmp(drawTulips(), 24)});
  out.push_back({"piano_keys.bmp", encodeBmp(drawPianoKeys(), 24)});
  out.push_back({"garden.bmp", encodeBmp(quantize(drawGarden(), 256, true), 8)});
  out.push_back({"sunset_bands.bmp", encodeBmp(drawSunsetBands(), 8, BmpCompression::Rle)});
  out.push_back({"Stained_Glass.BMP", encodeBmp(drawStainedGlass(), 4, BmpCompression::Rle)});
  out.push_back({"mosaic.bmp", encodeBmp(drawMosaic(), 4)});
  out.push_back({"moonlit_night.bmp", encodeBmp(drawMoonlitNight(), 1)});
  return out;
}

}  // namespace assetgen
