// Painting a large picture scaled into a viewer-sized picture control: the
// cost of every repaint while a 12 MP photo is shown fitted to the window.
#include <benchmark/benchmark.h>

#include <QImage>

#include "controls/picture_control.h"

namespace {

using vistel::Bitmap;
using vistel::BitmapPicture;
using vistel::PictureControl;
using vistel::PixelFormat;
using vistel::Rect;

constexpr int kControlWidth = 792;
constexpr int kControlHeight = 611;

std::unique_ptr<BitmapPicture> photo() {
  Bitmap b(4000, 3000, PixelFormat::Rgb24);
  for (int y = 0; y < b.height(); ++y) {
    std::uint32_t* row = b.scanLine(y);
    for (int x = 0; x < b.width(); ++x) row[x] = vistel::toPixel(vistel::rgb(x, y, x ^ y));
  }
  // A bottom-left colour that occurs elsewhere too, so Transparent skips some pixels.
  b.setPixel(0, b.height() - 1, b.pixel(100, 100));
  return std::make_unique<BitmapPicture>(std::move(b));
}

void paintStretched(benchmark::State& state, bool transparent) {
  PictureControl control;
  control.setBounds(0, 0, kControlWidth, kControlHeight);
  control.setPicture(photo());
  control.setStretch(true);
  control.setTransparent(transparent);
  QImage target(kControlWidth, kControlHeight, QImage::Format_RGB32);
  target.fill(0u);
  const Rect clip{0, 0, kControlWidth, kControlHeight};
  for (auto _ : state) {
    control.paint(target, clip);
    benchmark::DoNotOptimize(target.constBits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kControlWidth * kControlHeight);
}

void BM_Stretch4000x3000Into792x611(benchmark::State& state) { paintStretched(state, false); }
void BM_Stretch4000x3000Into792x611Transparent(benchmark::State& state) {
  paintStretched(state, true);
}

BENCHMARK(BM_Stretch4000x3000Into792x611)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stretch4000x3000Into792x611Transparent)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
