// Loading a 12-megapixel 24-bit BMP against plainly reading the same file.
// The file comes from VISTEL_BENCH_BMP, or is made in /tmp on first use.
// The two extra benchmarks read the whole file first (one read() into a
// vector, or an mmap) and parse it from memory, for comparison with
// readBmpFile's block-wise reading.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "pictures/bmp_reader.h"
#include "pictures/pixel_buffer.h"

namespace {

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::string makeBenchFile() {
  constexpr int kWidth = 4000;
  constexpr int kHeight = 3000;
  std::string path = "/tmp/vistel_bench_4000x3000_24.bmp";
  const std::size_t stride = (std::size_t{kWidth} * 3 + 3) / 4 * 4;
  const std::size_t size = 54 + stride * kHeight;
  if (std::filesystem::exists(path) && std::filesystem::file_size(path) == size) return path;
  std::vector<std::uint8_t> b(size);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 2, static_cast<std::uint32_t>(size));
  put32(b, 10, 54);
  put32(b, 14, 40);
  put32(b, 18, kWidth);
  put32(b, 22, kHeight);
  b[26] = 1;
  b[28] = 24;
  std::uint32_t seed = 12345;  // a photo-like mix: gradients plus noise
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* row = b.data() + 54 + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1664525u + 1013904223u;
      std::uint8_t* px = row + static_cast<std::size_t>(x) * 3;
      px[0] = static_cast<std::uint8_t>(x / 16 + (seed >> 29));
      px[1] = static_cast<std::uint8_t>(y / 12 + (seed >> 27));
      px[2] = static_cast<std::uint8_t>((x + y) / 28);
    }
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  return path;
}

const std::string& benchFile() {
  static const std::string path = [] {
    const char* env = std::getenv("VISTEL_BENCH_BMP");
    return env != nullptr && *env != '\0' ? std::string(env) : makeBenchFile();
  }();
  return path;
}

void readInto(const std::string& path, std::vector<std::uint8_t>& data) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  struct stat st {};
  ::fstat(fd, &st);
  data.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t got = ::read(fd, data.data() + done, data.size() - done);
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  ::close(fd);
  data.resize(done);
}

std::vector<std::uint8_t> readWhole(const std::string& path) {
  std::vector<std::uint8_t> data;
  readInto(path, data);
  return data;
}

void BM_LoadBmp(benchmark::State& state) {
  const std::string& path = benchFile();
  for (auto _ : state) {
    vistel::Bitmap b = vistel::readBmpFile(path);
    benchmark::DoNotOptimize(b.scanLine(0));
  }
}
BENCHMARK(BM_LoadBmp)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with a fresh pixel buffer every time (no spare mapping to reuse):
// the cost of the first picture, page faults included.
void BM_LoadBmpFreshPixelBuffer(benchmark::State& state) {
  const std::string& path = benchFile();
  for (auto _ : state) {
    state.PauseTiming();
    vistel::PixelBuffer::releaseSpare();
    state.ResumeTiming();
    vistel::Bitmap b = vistel::readBmpFile(path);
    benchmark::DoNotOptimize(b.scanLine(0));
  }
}
BENCHMARK(BM_LoadBmpFreshPixelBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadFileIntoVector(benchmark::State& state) {
  const std::string& path = benchFile();
  for (auto _ : state) {
    std::vector<std::uint8_t> data = readWhole(path);
    benchmark::DoNotOptimize(data.data());
  }
}
BENCHMARK(BM_ReadFileIntoVector)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reading into one vector kept across iterations: the copy out of the page
// cache alone, without fresh pages.
void BM_ReadFileIntoReusedVector(benchmark::State& state) {
  const std::string& path = benchFile();
  std::vector<std::uint8_t> data;
  for (auto _ : state) {
    readInto(path, data);
    benchmark::DoNotOptimize(data.data());
  }
}
BENCHMARK(BM_ReadFileIntoReusedVector)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadBmpFromWholeRead(benchmark::State& state) {
  const std::string& path = benchFile();
  for (auto _ : state) {
    const std::vector<std::uint8_t> data = readWhole(path);
    vistel::Bitmap b = vistel::readBmp(data);
    benchmark::DoNotOptimize(b.scanLine(0));
  }
}
BENCHMARK(BM_LoadBmpFromWholeRead)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadBmpFromMmap(benchmark::State& state) {
  const std::string& path = benchFile();
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    ::fstat(fd, &st);
    const auto size = static_cast<std::size_t>(st.st_size);
    void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (p == MAP_FAILED) {
      state.SkipWithError("mmap failed");
      break;
    }
    {
      vistel::Bitmap b = vistel::readBmp(std::span(static_cast<const std::uint8_t*>(p), size));
      benchmark::DoNotOptimize(b.scanLine(0));
    }
    ::munmap(p, size);
  }
}
BENCHMARK(BM_LoadBmpFromMmap)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
