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
// A 128-bit hash of the whole key: what names its entry, and what a
// folder's made list keeps of each file.
struct ThumbDigest {
  std::uint64_t a = 0;
  std::uint64_t b = 0;
  friend bool operator==(const ThumbDigest&, const ThumbDigest&) = default;
  friend bool operator<(const ThumbDigest& x, const ThumbDigest& y) {
    return x.a != y.a ? x.a < y.a : x.b < y.b;
  }
};
ThumbDigest thumbDigest(const ThumbKey& key);

// The entry's file name: the 32 hex digits of the key's digest.
std::string thumbEntryName(const ThumbKey& key);

// A folder's made list: the digests of the files whose thumbnails were
// made, so that a load whose entries the cap has dropped still knows which
// files of the folder make one, and where each one's cell is, without
// decoding them again. The bytes hold the folder's name (a list whose name
// merely collides is someone else's), the digests sorted and a checksum.
struct MadeList {
  std::string folder;
  std::vector<ThumbDigest> digests;  // sorted, no two alike
};
std::vector<std::uint8_t> encodeMadeList(const MadeList& list);
// Nothing when the bytes are not exactly a list of this version.
std::optional<MadeList> decodeMadeList(std::span<const std::uint8_t> bytes);
// The list's file name: 32 hex digits of a hash of the folder, ".made".
std::string madeListName(const std::string& folder);

}  // namespace vistel
