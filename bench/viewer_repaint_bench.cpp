// The viewer's repaint and one right-drag step on the offscreen platform.
// A repaint should cost in proportion to the visible area, not to the
// picture: a 12,000 by 9,000 picture at natural size against a 1,000 by 800
// one. A right-drag step moves the picture, repaints it, moves the window
// and rebuilds the shape.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "pictures/bitmap.h"
#include "pictures/picture.h"
#include "viewer/form1.h"

namespace {

using namespace vistel;

// A picture with some structure, so that the colour key and the mask see
// ordinary content rather than one flat colour.
std::unique_ptr<BitmapPicture> picture(int w, int h) {
  Bitmap b(w, h, PixelFormat::Rgb24);
  for (int y = 0; y < h; ++y) {
    std::uint32_t* row = b.scanLine(y);
    for (int x = 0; x < w; ++x) row[x] = toPixel(rgb(x * 7, y * 5, (x + y) * 3) | 0x010101);
  }
  return std::make_unique<BitmapPicture>(std::move(b));
}

struct Viewer {
  TForm1* v = new TForm1();
  Viewer(int w, int h) {
    v->ImgBottoMov->setPicture(picture(w, h));
    v->FAspect = static_cast<double>(h) / w;
    v->CenterFrame();
    v->refresh();
  }
  ~Viewer() { delete v; }
};

void BM_ViewerRepaint(benchmark::State& state) {
  Viewer viewer(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    viewer.v->invalidate();
    viewer.v->refresh();
    benchmark::DoNotOptimize(viewer.v->backBuffer().constBits());
  }
}
BENCHMARK(BM_ViewerRepaint)
    ->Args({1000, 800})
    ->Args({12000, 9000})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_RightDragStep(benchmark::State& state) {
  Viewer viewer(4000, 3000);
  TForm1& v = *viewer.v;
  v.FLastX = 600;
  v.FLastY = 400;
  int step = 0;
  for (auto _ : state) {
    // Back and forth along both axes, so the window stays on the screen.
    const int d = (step++ % 2 == 0) ? 3 : -3;
    v.DragFrame(v.FLastX + d, v.FLastY + d);
  }
  v.ShowPanel();
}
BENCHMARK(BM_RightDragStep)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
