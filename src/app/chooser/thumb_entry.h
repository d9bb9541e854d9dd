#pragma once

// One thumbnail as the cache keeps it on disk: what it was made from (the
// key), the entry's bytes and its file name. Pure arithmetic on bytes, so
// that the reader can be fuzzed without a file system.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pictures/bitmap.h"

namespace vistel {

// What a thumbnail was made from: the picture file's canonical path and the
// facts that change whenever its contents can have changed. The status
// change time is there because a modification time can be set back (touch,
// cp -p) while the kernel moves the status change time on with every write.
struct ThumbKey {
  std::string path;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t mtimeNs = 0;
  std::int64_t ctimeNs = 0;
  friend bool operator==(const ThumbKey&, const ThumbKey&) = default;

  // The key of the regular file at `path` as it is now (symbolic links
  // followed); nothing when it cannot be resolved or is not a regular file.
  static std::optional<ThumbKey> of(const std::string& path);
};

struct ThumbEntry {
  ThumbKey key;
  Bitmap thumb;  // 93 x 93, Rgb24
};

// The size in bytes of the entry for `key`.
std::size_t thumbEntryBytes(const ThumbKey& key);
// The entry's bytes: a header (magic, version, the whole key), the pixels of
// `thumb` (93 x 93) as they are, and a checksum over all of it.
std::vector<std::uint8_t> encodeThumbEntry(const ThumbKey& key, const Bitmap& thumb);
// The key and thumbnail of an entry; nothing when the bytes are not exactly
// an entry of this version: damaged, truncated, too long or foreign.
std::optional<ThumbEntry> decodeThumbEntry(std::span<const std::uint8_t> bytes);
// The entry's file name: 32 hex digits of a hash of the key.
std::string thumbEntryName(const ThumbKey& key);

}  // namespace vistel
