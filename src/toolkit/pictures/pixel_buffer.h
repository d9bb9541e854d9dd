#pragma once

#include <cstddef>
#include <cstdint>

namespace vistel {

// Uninitialised storage for 32-bit pixels.
//
// Touching fresh memory costs more than decoding a photo into it: a 12 MP
// picture is 48 MB, i.e. ~12,000 page faults with 4 KiB pages. Large buffers
// are therefore mapped 2 MiB-aligned with transparent huge pages requested,
// and the most recently released large buffer is kept for the next picture,
// so stepping through a folder of same-sized photos reuses one mapping.
class PixelBuffer {
 public:
  PixelBuffer() = default;
  explicit PixelBuffer(std::size_t pixelCount);
  ~PixelBuffer();
  PixelBuffer(PixelBuffer&& other) noexcept;
  PixelBuffer& operator=(PixelBuffer&& other) noexcept;
  PixelBuffer(const PixelBuffer&) = delete;
  PixelBuffer& operator=(const PixelBuffer&) = delete;

  std::uint32_t* data() const { return data_; }
  std::size_t size() const { return count_; }

  // Drops the cached spare mapping (tests and memory-pressure paths).
  static void releaseSpare();
  // Bytes held by the spare mapping, 0 when there is none.
  static std::size_t spareBytes();

 private:
  void release();

  std::uint32_t* data_ = nullptr;
  std::size_t count_ = 0;
  std::size_t mappedBytes_ = 0;  // 0: heap allocation
};

}  // namespace vistel
