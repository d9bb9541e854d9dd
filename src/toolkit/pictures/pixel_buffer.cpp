#include "pixel_buffer.h"

#include <sys/mman.h>

#include <mutex>
#include <new>
#include <utility>

namespace vistel {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this a heap allocation is cheaper than a mapping of its own.
constexpr std::size_t kMapThreshold = std::size_t{1} << 20;

struct Spare {
  std::mutex lock;
  void* base = nullptr;
  std::size_t bytes = 0;
};

Spare& spare() {
  static Spare s;
  return s;
}

std::size_t roundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

void* mapAligned(std::size_t bytes) {
  // Over-map by one huge page and trim, so the region starts on a 2 MiB
  // boundary and the kernel can back it with huge pages from the first byte.
  const std::size_t total = bytes + kHugePage;
  void* raw = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  char* start = static_cast<char*>(raw);
  const auto misalignment = reinterpret_cast<std::uintptr_t>(start) % kHugePage;
  const std::size_t lead = misalignment == 0 ? 0 : kHugePage - misalignment;
  char* p = start + lead;
  if (lead > 0) munmap(start, lead);
  const std::size_t tail = total - lead - bytes;
  if (tail > 0) munmap(p + bytes, tail);
#ifdef MADV_HUGEPAGE
  madvise(p, bytes, MADV_HUGEPAGE);
#endif
  return p;
}

}  // namespace

PixelBuffer::PixelBuffer(std::size_t pixelCount) : count_(pixelCount) {
  if (pixelCount == 0) return;
  const std::size_t bytes = pixelCount * sizeof(std::uint32_t);
  if (bytes < kMapThreshold) {
    data_ = new std::uint32_t[pixelCount];
    return;
  }
  const std::size_t mapped = roundUp(bytes, kHugePage);
  {
    Spare& s = spare();
    std::lock_guard<std::mutex> guard(s.lock);
    // Reuse the spare when it fits without wasting more than half of it.
    if (s.base != nullptr && s.bytes >= mapped && s.bytes / 2 <= mapped) {
      data_ = static_cast<std::uint32_t*>(s.base);
      mappedBytes_ = s.bytes;
      s.base = nullptr;
      s.bytes = 0;
      return;
    }
  }
  data_ = static_cast<std::uint32_t*>(mapAligned(mapped));
  mappedBytes_ = mapped;
}

PixelBuffer::~PixelBuffer() { release(); }

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      count_(std::exchange(other.count_, 0)),
      mappedBytes_(std::exchange(other.mappedBytes_, 0)) {}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& other) noexcept {
  if (this != &other) {
    release();
    data_ = std::exchange(other.data_, nullptr);
    count_ = std::exchange(other.count_, 0);
    mappedBytes_ = std::exchange(other.mappedBytes_, 0);
  }
  return *this;
}

void PixelBuffer::release() {
  if (data_ == nullptr) return;
  if (mappedBytes_ == 0) {
    delete[] data_;
  } else {
    void* old = nullptr;
    std::size_t oldBytes = 0;
    {
      Spare& s = spare();
      std::lock_guard<std::mutex> guard(s.lock);
      old = std::exchange(s.base, static_cast<void*>(data_));
      oldBytes = std::exchange(s.bytes, mappedBytes_);
    }
    if (old != nullptr) munmap(old, oldBytes);
  }
  data_ = nullptr;
  count_ = 0;
  mappedBytes_ = 0;
}

void PixelBuffer::releaseSpare() {
  void* old = nullptr;
  std::size_t oldBytes = 0;
  {
    Spare& s = spare();
    std::lock_guard<std::mutex> guard(s.lock);
    old = std::exchange(s.base, nullptr);
    oldBytes = std::exchange(s.bytes, 0);
  }
  if (old != nullptr) munmap(old, oldBytes);
}

std::size_t PixelBuffer::spareBytes() {
  Spare& s = spare();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.bytes;
}

}  // namespace vistel
