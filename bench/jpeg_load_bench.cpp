// Loading and first drawing of a JPEG photo against libjpeg's own djpeg
// decoding the same file to /dev/null, in one run. The file comes from
// VISTEL_BENCH_JPEG (e.g. a 12-megapixel photo of the benchmark corpus).
//
//   VISTEL_BENCH_JPEG=/tmp/vistel-corpus/pictures/p12m_001.jpg
//   jpeg_load_bench --benchmark_enable_random_interleaving=true
//
// djpeg is started by posix_spawn and its output, a PPM, goes to /dev/null.
// Each iteration releases the previous picture first and then loads and draws
// a new one into a 792x611 surface, as stepping through a folder does. "Fresh"
// drops the recycled pixel buffer each time, so every picture maps and
// touches new memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "pictures/jpeg_picture.h"
#include "pictures/pixel_buffer.h"

namespace {

constexpr int kSurfaceWidth = 792;
constexpr int kSurfaceHeight = 611;

const char* benchFile(benchmark::State& state) {
  const char* path = std::getenv("VISTEL_BENCH_JPEG");
  if (path == nullptr) state.SkipWithError("set VISTEL_BENCH_JPEG to a JPEG file");
  return path;
}

void BM_Djpeg(benchmark::State& state) {
  const char* path = benchFile(state);
  if (path == nullptr) return;
  double childCpuMs = 0;
  // posix_spawn rather than fork: a fork would mark this process's pixel
  // buffers copy-on-write and make the next picture pay a fault per page.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::string prog = "djpeg";
  std::string file = path;
  char* argv[] = {prog.data(), file.data(), nullptr};
  for (auto _ : state) {
    pid_t pid = 0;
    if (posix_spawnp(&pid, "djpeg", &actions, nullptr, argv, environ) != 0) {
      state.SkipWithError("cannot start djpeg");
      break;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("djpeg failed");
    childCpuMs += (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  }
  posix_spawn_file_actions_destroy(&actions);
  // The CPU column counts this process only; djpeg's own CPU time, for
  // comparisons on a busy machine.
  state.counters["child_cpu_ms"] =
      benchmark::Counter(childCpuMs, benchmark::Counter::kAvgIterations);
}

// The picture fitted into the surface keeping its aspect, as the viewer shows
// a large photo.
vistel::Rect fitted(int w, int h) {
  if (w * kSurfaceHeight > h * kSurfaceWidth)
    return vistel::Rect::fromSize(0, 0, kSurfaceWidth, h * kSurfaceWidth / w);
  return vistel::Rect::fromSize(0, 0, w * kSurfaceHeight / h, kSurfaceHeight);
}

void loadAndDraw(benchmark::State& state, bool recycle) {
  const char* path = benchFile(state);
  if (path == nullptr) return;
  vistel::Bitmap surface = vistel::Bitmap::filled(kSurfaceWidth, kSurfaceHeight,
                                                  vistel::PixelFormat::Rgb24, vistel::kBlack);
  const vistel::Rect clip{0, 0, kSurfaceWidth, kSurfaceHeight};
  std::unique_ptr<vistel::JpegPicture> picture;
  vistel::PixelBuffer::releaseSpare();
  for (auto _ : state) {
    picture.reset();
    if (!recycle) vistel::PixelBuffer::releaseSpare();
    picture = vistel::JpegPicture::fromFile(path);
    picture->draw(surface.surface(), fitted(picture->width(), picture->height()), clip);
    benchmark::DoNotOptimize(surface.scanLine(kSurfaceHeight / 2)[kSurfaceWidth / 2]);
  }
  picture.reset();
  vistel::PixelBuffer::releaseSpare();
}

void BM_LoadAndDraw_Recycled(benchmark::State& state) { loadAndDraw(state, true); }
void BM_LoadAndDraw_Fresh(benchmark::State& state) { loadAndDraw(state, false); }

#define VISTEL_JPEG_BENCH(fn) \
  BENCHMARK(fn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2)->Repetitions(16)

VISTEL_JPEG_BENCH(BM_Djpeg);
VISTEL_JPEG_BENCH(BM_LoadAndDraw_Recycled);
VISTEL_JPEG_BENCH(BM_LoadAndDraw_Fresh);

}  // namespace

BENCHMARK_MAIN();
