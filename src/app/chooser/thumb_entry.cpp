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

// Made list layout, in the same byte order:
//
//   0  magic "VSTLMADE"        8  version          12  folder length F
//  16  digest count N          24  the folder, F bytes
//  24 + F  N digests of 16 bytes, sorted
//  then    a 64-bit checksum of everything before it
constexpr char kListMagic[8] = {'V', 'S', 'T', 'L', 'M', 'A', 'D', 'E'};
constexpr std::size_t kListHeaderBytes = 24;
constexpr std::size_t kDigestBytes = 16;
constexpr const char* kListSuffix = ".made";

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

std::string hexName(const ThumbDigest& d) {
  char name[33];
  std::snprintf(name, sizeof name, "%016llx%016llx", static_cast<unsigned long long>(d.a),
                static_cast<unsigned long long>(d.b));
  return name;
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

ThumbDigest thumbDigest(const ThumbKey& key) {
  const std::vector<std::uint8_t> head = entryHead(key, kHeaderBytes + key.path.size());
  return {hash64(head.data() + 8, head.size() - 8, 0x243F6A8885A308D3ull),
          hash64(head.data() + 8, head.size() - 8, 0x13198A2E03707344ull)};
}

std::string thumbEntryName(const ThumbKey& key) { return hexName(thumbDigest(key)); }

std::vector<std::uint8_t> encodeMadeList(const MadeList& list) {
  const std::size_t total =
      kListHeaderBytes + list.folder.size() + list.digests.size() * kDigestBytes + kSumBytes;
  std::vector<std::uint8_t> b(total);
  std::memcpy(b.data(), kListMagic, sizeof kListMagic);
  put<std::uint32_t>(b, 8, kVersion);
  put<std::uint32_t>(b, 12, static_cast<std::uint32_t>(list.folder.size()));
  put<std::uint64_t>(b, 16, list.digests.size());
  std::memcpy(b.data() + kListHeaderBytes, list.folder.data(), list.folder.size());
  std::size_t at = kListHeaderBytes + list.folder.size();
  for (const ThumbDigest& d : list.digests) {
    put<std::uint64_t>(b, at, d.a);
    put<std::uint64_t>(b, at + 8, d.b);
    at += kDigestBytes;
  }
  put<std::uint64_t>(b, total - kSumBytes, hash64(b.data(), total - kSumBytes, 0));
  return b;
}

std::optional<MadeList> decodeMadeList(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kListHeaderBytes + kSumBytes ||
      std::memcmp(bytes.data(), kListMagic, sizeof kListMagic) != 0 ||
      get<std::uint32_t>(bytes, 8) != kVersion)
    return std::nullopt;
  // The count must fit the bytes before it is multiplied.
  const std::size_t folderBytes = get<std::uint32_t>(bytes, 12);
  const std::uint64_t count = get<std::uint64_t>(bytes, 16);
  const std::size_t room = bytes.size() - kListHeaderBytes - kSumBytes;
  if (folderBytes > room || count > (room - folderBytes) / kDigestBytes ||
      folderBytes + count * kDigestBytes != room)
    return std::nullopt;
  const std::size_t total = bytes.size();
  if (get<std::uint64_t>(bytes, total - kSumBytes) != hash64(bytes.data(), total - kSumBytes, 0))
    return std::nullopt;
  MadeList list;
  list.folder.assign(reinterpret_cast<const char*>(bytes.data() + kListHeaderBytes), folderBytes);
  list.digests.resize(static_cast<std::size_t>(count));
  std::size_t at = kListHeaderBytes + folderBytes;
  for (ThumbDigest& d : list.digests) {
    d.a = get<std::uint64_t>(bytes, at);
    d.b = get<std::uint64_t>(bytes, at + 8);
    at += kDigestBytes;
  }
  // Sorted and each digest once, as every list is written.
  if (std::adjacent_find(list.digests.begin(), list.digests.end(),
                         [](const ThumbDigest& x, const ThumbDigest& y) { return !(x < y); }) !=
      list.digests.end())
    return std::nullopt;
  return list;
}

std::string madeListName(const std::string& folder) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(folder.data());
  return hexName({hash64(p, folder.size(), 0x452821E638D01377ull),
                  hash64(p, folder.size(), 0xBE5466CF34E90C6Cull)}) +
         kListSuffix;
}

}  // namespace vistel
