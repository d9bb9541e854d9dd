// libFuzzer entry for the kept caption fits: whatever the cache file holds,
// reading it either refuses it or gives a record that writes back to exactly
// those bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "controls/fit_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  vistel::FitRecord record;
  if (vistel::decodeFitRecord(bytes, record) && vistel::encodeFitRecord(record) != bytes)
    __builtin_trap();
  return 0;
}
