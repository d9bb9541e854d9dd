// libFuzzer entry for the thumbnail cache's readers of entries and made
// lists: any bytes must decode or be refused without reading outside them,
// and whatever decodes is exactly what its contents encode to: nothing in a
// file the reader accepts can differ from what the cache would have written.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "chooser/thumb_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (const std::optional<vistel::MadeList> list = vistel::decodeMadeList({data, size})) {
    const std::vector<std::uint8_t> again = vistel::encodeMadeList(*list);
    if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
  }
  const std::optional<vistel::ThumbEntry> entry = vistel::decodeThumbEntry({data, size});
  if (!entry) return 0;
  const std::vector<std::uint8_t> again = vistel::encodeThumbEntry(entry->key, entry->thumb);
  if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
  if (vistel::thumbEntryBytes(entry->key) != size) __builtin_trap();
  return 0;
}
