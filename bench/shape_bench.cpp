// Cost of rebuilding a colour-keyed window's shape: a 792 x 611 window whose
// key colour forms a jagged wreath-like frame around a photo-like opening
// that itself has scattered key-colour pixels (the worst case for runs).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <cstdlib>
#include <random>

#include "windows/shape.h"

namespace {

using vistel::kBlack;

QImage jaggedWindow() {
  QImage img(792, 611, QImage::Format_RGB32);
  std::mt19937 rng(42);
  const double cx = 396;
  const double cy = 305;
  for (int y = 0; y < img.height(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const double dx = (x - cx) / 380.0;
      const double dy = (y - cy) / 290.0;
      const double angle = std::atan2(dy, dx);
      const double r = std::sqrt(dx * dx + dy * dy);
      // Petal-like edges on both sides of the ring.
      const double wobble = 0.06 * std::sin(angle * 37) + 0.03 * std::sin(angle * 91);
      std::uint32_t pixel = 0xFF000000u;  // key: black
      if (r < 0.72 + wobble) {
        // The opening: a photo with one pure-black pixel in 50.
        pixel = (rng() % 50 == 0) ? 0xFF000000u : (0xFF000000u | (rng() & 0x00FFFFFFu) | 0x010101u);
      } else if (r < 0.93 + wobble) {
        pixel = 0xFF2E8B57u;  // the wreath
      }
      row[x] = pixel;
    }
  }
  return img;
}

const QImage& window() {
  static const QImage img = jaggedWindow();
  return img;
}

void BM_KeyedShapeFromRuns(benchmark::State& state) {
  int rects = 0;
  for (auto _ : state) {
    const QRegion r = vistel::keyedShape(window(), kBlack);
    rects = r.rectCount();
    benchmark::DoNotOptimize(rects);
  }
  state.counters["rects"] = rects;
}
BENCHMARK(BM_KeyedShapeFromRuns)->Unit(benchmark::kMillisecond);

void BM_KeyedShapeViaQtBitmap(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(vistel::keyedShapeViaBitmap(window(), kBlack));
}
BENCHMARK(BM_KeyedShapeViaQtBitmap)->Unit(benchmark::kMillisecond);

// Deciding whether the shape changed: the rebuild plus one comparison.
void BM_KeyedShapeRebuildAndCompare(benchmark::State& state) {
  const QRegion current = vistel::keyedShape(window(), kBlack);
  for (auto _ : state) {
    const QRegion next = vistel::keyedShape(window(), kBlack);
    benchmark::DoNotOptimize(vistel::sameRegion(current, next));
  }
}
BENCHMARK(BM_KeyedShapeRebuildAndCompare)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);  // QBitmap needs one
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
