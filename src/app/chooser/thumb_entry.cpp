#include "chooser/thumb_entry.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "chooser/grid_geometry.h"

namespace vistel {

namespace {

// Entry layout, all numbers in the machine's byte order (a cache is not
// carried between machines; a foreign one fails the magic or the checksum):
//
//   0  magic "VSTLTHMB"        8  version          12  path length L
//  16  device  24  inode  32  size  40  mtime ns  48  ctime ns
//  56  width 93, height 93 (32 bits each)
//  64  the canonical path, L bytes
//  64 + L  the pixels, 93 x 93 32-bit words, rows top to bottom
//  then    a 64-bit checksum of everything before it
constexpr char kMagic[8] = {'V', 'S', 'T', 'L', 'T', 'H', 'M', 'B'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderBytes = 64;
constexpr std::size_t kPixelBytes = std::size_t{kThumbSide} * kThumbSide * 4;
constexpr std::size_t kSumBytes = 8;

template <typename T>
void put(std::vector<std::uint8_t>& b, std::size_t at, T v) {
  std::memcpy(b.data() + at, &v, sizeof v);
}
template <typename T>
T get(std::span<const std::uint8_t> b, std::size_t at) {
  T v;
  std::memcpy(&v, b.data() + at, sizeof v);
  return v;
}

// A fast 64-bit hash: eight bytes at a time, multiplied and folded, so that
// any change of a byte changes the result. Not for adversaries: the cache
// folder is private to its user.
std::uint64_t hash64(const std::uint8_t* p, std::size_t n, std::uint64_t seed) {
  std::uint64_t h = seed ^ (n * 0x9E3779B97F4A7C15ull);
  auto mix = [&h](std::uint64_t w) {
    h ^= w;
    h *= 0x100000001B3ull;
    h ^= h >> 29;
  };
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    mix(w);
  }
  std::uint64_t tail = 0;
  for (std::size_t k = 0; i + k < n; ++k) tail |= std::uint64_t{p[i + k]} << (8 * k);
  mix(tail);
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  return h;
}

// The header and path of an entry for `key`, in a buffer of `total` bytes.
std::vector<std::uint8_t> entryHead(const ThumbKey& key, std::size_t total) {
  std::vector<std::uint8_t> b(total);
  std::memcpy(b.data(), kMagic, sizeof kMagic);
  put<std::uint32_t>(b, 8, kVersion);
  put<std::uint32_t>(b, 12, static_cast<std::uint32_t>(key.path.size()));
  put<std::uint64_t>(b, 16, key.device);
  put<std::uint64_t>(b, 24, key.inode);
  put<std::uint64_t>(b, 32, key.size);
  put<std::int64_t>(b, 40, key.mtimeNs);
  put<std::int64_t>(b, 48, key.ctimeNs);
  put<std::uint32_t>(b, 56, kThumbSide);
  put<std::uint32_t>(b, 60, kThumbSide);
  std::memcpy(b.data() + kHeaderBytes, key.path.data(), key.path.size());
  return b;
}

std::int64_t nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

}  // namespace

std::optional<ThumbKey> ThumbKey::of(const std::string& path) {
  ThumbKey key;
  struct stat st {};
  // realpath resolves every folder on the way again for each file, several
  // times the cost of the file's own look-up. The files of a folder come
  // one after another, so each thread keeps the last folder's resolution,
  // and a file that is no link sits in it under its own name. (Should the
  // folder's links change meanwhile, the key's path is merely not the
  // shortest one: the file's identity and times are still its own.) Only
  // a path from the root is kept so: a relative one depends on the folder
  // the process is in.
  thread_local std::string lastFolder;
  thread_local std::string lastReal;
  const std::size_t slash = path.rfind('/');
  const std::string_view leaf =
      slash == std::string::npos ? std::string_view{} : std::string_view(path).substr(slash + 1);
  if (!leaf.empty() && path.front() == '/' && leaf != "." && leaf != ".." &&
      ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    if (folder != lastFolder) {
      char* real = ::realpath(folder.c_str(), nullptr);
      if (real == nullptr) return std::nullopt;
      lastReal = real;
      std::free(real);
      lastFolder = folder;
    }
    key.path = lastReal == "/" ? "/" : lastReal + "/";
    key.path += leaf;
  } else {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return std::nullopt;
    key.path = real;
    std::free(real);
    if (::stat(key.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  }
  key.device = static_cast<std::uint64_t>(st.st_dev);
  key.inode = static_cast<std::uint64_t>(st.st_ino);
  key.size = static_cast<std::uint64_t>(st.st_size);
  key.mtimeNs = nanoseconds(st.st_mtim);
  key.ctimeNs = nanoseconds(st.st_ctim);
  return key;
}

std::size_t thumbEntryBytes(const ThumbKey& key) {
  return kHeaderBytes + key.path.size() + kPixelBytes + kSumBytes;
}

std::vector<std::uint8_t> encodeThumbEntry(const ThumbKey& key, const Bitmap& thumb) {
  const std::size_t total = thumbEntryBytes(key);
  std::vector<std::uint8_t> entry = entryHead(key, total);
  std::memcpy(entry.data() + kHeaderBytes + key.path.size(), thumb.scanLine(0), kPixelBytes);
  put<std::uint64_t>(entry, total - kSumBytes, hash64(entry.data(), total - kSumBytes, 0));
  return entry;
}

std::optional<ThumbEntry> decodeThumbEntry(std::span<const std::uint8_t> bytes) {
  // The sizes first, so that every read below lies inside the bytes; the
  // path length is a 32-bit field and cannot overflow the sum.
  if (bytes.size() < kHeaderBytes + kPixelBytes + kSumBytes) return std::nullopt;
  const std::size_t pathBytes = get<std::uint32_t>(bytes, 12);
  const std::size_t total = kHeaderBytes + pathBytes + kPixelBytes + kSumBytes;
  if (bytes.size() != total || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0 ||
      get<std::uint32_t>(bytes, 8) != kVersion || get<std::uint32_t>(bytes, 56) != kThumbSide ||
      get<std::uint32_t>(bytes, 60) != kThumbSide)
    return std::nullopt;
  if (get<std::uint64_t>(bytes, total - kSumBytes) != hash64(bytes.data(), total - kSumBytes, 0))
    return std::nullopt;
  ThumbEntry entry;
  entry.key.device = get<std::uint64_t>(bytes, 16);
  entry.key.inode = get<std::uint64_t>(bytes, 24);
  entry.key.size = get<std::uint64_t>(bytes, 32);
  entry.key.mtimeNs = get<std::int64_t>(bytes, 40);
  entry.key.ctimeNs = get<std::int64_t>(bytes, 48);
  const auto* path = reinterpret_cast<const char*>(bytes.data() + kHeaderBytes);
  entry.key.path.assign(path, pathBytes);
  entry.thumb = Bitmap(kThumbSide, kThumbSide, PixelFormat::Rgb24);
  std::memcpy(entry.thumb.scanLine(0), bytes.data() + kHeaderBytes + pathBytes, kPixelBytes);
  return entry;
}

std::string thumbEntryName(const ThumbKey& key) {
  const std::vector<std::uint8_t> head = entryHead(key, kHeaderBytes + key.path.size());
  const std::uint64_t a = hash64(head.data() + 8, head.size() - 8, 0x243F6A8885A308D3ull);
  const std::uint64_t b = hash64(head.data() + 8, head.size() - 8, 0x13198A2E03707344ull);
  char name[33];
  std::snprintf(name, sizeof name, "%016llx%016llx", static_cast<unsigned long long>(a),
                static_cast<unsigned long long>(b));
  return name;
}

}  // namespace vistel
