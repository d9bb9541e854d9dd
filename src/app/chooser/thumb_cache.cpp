#include "chooser/thumb_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

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
constexpr const char* kTempPrefix = ".tmp-";
// A temporary file this old is left over from a crash, not a write under way.
constexpr std::time_t kStaleTempSeconds = 600;

std::size_t entryBytes(const ThumbKey& key) {
  return kHeaderBytes + key.path.size() + kPixelBytes + 8;
}

template <typename T>
void put(std::vector<std::uint8_t>& b, std::size_t at, T v) {
  std::memcpy(b.data() + at, &v, sizeof v);
}
template <typename T>
T get(const std::vector<std::uint8_t>& b, std::size_t at) {
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

// The header and path of an entry for `key`; the pixels and checksum follow.
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

bool readAll(int fd, std::uint8_t* into, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, into + done, size - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool writeAll(int fd, const std::uint8_t* from, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, from + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::int64_t nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

bool isEntryName(const char* name) {
  const std::size_t n = std::strlen(name);
  return n == 32 && std::all_of(name, name + n, [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

}  // namespace

std::optional<ThumbKey> ThumbKey::of(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return std::nullopt;
  ThumbKey key;
  key.path = real;
  std::free(real);
  struct stat st {};
  if (::stat(key.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  key.device = static_cast<std::uint64_t>(st.st_dev);
  key.inode = static_cast<std::uint64_t>(st.st_ino);
  key.size = static_cast<std::uint64_t>(st.st_size);
  key.mtimeNs = nanoseconds(st.st_mtim);
  key.ctimeNs = nanoseconds(st.st_ctim);
  return key;
}

ThumbCache::ThumbCache(std::string folder, std::uint64_t capBytes)
    : folder_(std::move(folder)), cap_(capBytes) {}

std::string ThumbCache::folderFromEnvironment() {
  const char* off = std::getenv("VISTEL_NO_THUMBNAIL_CACHE");
  if (off != nullptr && *off != '\0' && std::strcmp(off, "0") != 0) return {};
  std::string base;
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else if (home != nullptr && home[0] == '/') {
    base = std::string(home) + "/.cache";
  } else {
    return {};
  }
  return base + "/vistel/thumbnails";
}

std::string ThumbCache::entryPath(const ThumbKey& key) const {
  const std::vector<std::uint8_t> head = entryHead(key, kHeaderBytes + key.path.size());
  const std::uint64_t a = hash64(head.data() + 8, head.size() - 8, 0x243F6A8885A308D3ull);
  const std::uint64_t b = hash64(head.data() + 8, head.size() - 8, 0x13198A2E03707344ull);
  char name[33];
  std::snprintf(name, sizeof name, "%016llx%016llx", static_cast<unsigned long long>(a),
                static_cast<unsigned long long>(b));
  return folder_ + "/" + name;
}

std::optional<Bitmap> ThumbCache::find(const ThumbKey& key) const {
  if (folder_.empty()) return std::nullopt;
  const int fd = ::open(entryPath(key).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  const std::size_t total = entryBytes(key);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::uint64_t>(st.st_size) != total)
    return std::nullopt;
  std::vector<std::uint8_t> entry(total);
  if (!readAll(fd, entry.data(), total)) return std::nullopt;
  // The header must be the one this key writes, byte for byte.
  const std::vector<std::uint8_t> head = entryHead(key, kHeaderBytes + key.path.size());
  if (!std::equal(head.begin(), head.end(), entry.begin())) return std::nullopt;
  if (get<std::uint64_t>(entry, total - 8) != hash64(entry.data(), total - 8, 0)) {
    return std::nullopt;
  }
  Bitmap thumb(kThumbSide, kThumbSide, PixelFormat::Rgb24);
  std::memcpy(thumb.scanLine(0), entry.data() + head.size(), kPixelBytes);
  ::futimens(fd, nullptr);  // used now: trimmed last
  return thumb;
}

bool ThumbCache::has(const ThumbKey& key) const {
  if (folder_.empty()) return false;
  const std::string path = entryPath(key);
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::uint64_t>(st.st_size) != entryBytes(key))
    return false;
  ::utimensat(AT_FDCWD, path.c_str(), nullptr, AT_SYMLINK_NOFOLLOW);  // used now: trimmed last
  return true;
}

bool ThumbCache::makeFolder() {
  std::lock_guard lock(folderMutex_);
  if (folderMade_ || folderFailed_) return folderMade_;
  // Each missing folder on the way is made private, as a cache's should be.
  for (std::size_t at = folder_.find('/', 1);; at = folder_.find('/', at + 1)) {
    const std::string part = folder_.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) break;
    if (at == std::string::npos) break;
  }
  struct stat st {};
  folderMade_ = ::stat(folder_.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  folderFailed_ = !folderMade_;
  return folderMade_;
}

void ThumbCache::store(const ThumbKey& key, const Bitmap& thumb) {
  if (folder_.empty() || thumb.width() != kThumbSide || thumb.height() != kThumbSide) return;
  if (!makeFolder()) return;
  const std::size_t total = entryBytes(key);
  std::vector<std::uint8_t> entry = entryHead(key, total);
  std::memcpy(entry.data() + kHeaderBytes + key.path.size(), thumb.scanLine(0), kPixelBytes);
  put<std::uint64_t>(entry, total - 8, hash64(entry.data(), total - 8, 0));

  std::string temp = folder_ + "/" + kTempPrefix + "XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return;
  ::fchmod(fd, 0600);
  const bool written = writeAll(fd, entry.data(), total);
  // No fsync: an entry lost or zeroed by a power cut fails its checksum
  // and is made again, which is all a cache owes.
  const std::string target = entryPath(key);
  bool placed = ::close(fd) == 0 && written && ::rename(temp.c_str(), target.c_str()) == 0;
  // An empty folder of the entry's name is something foreign in the way.
  if (!placed && written && errno == EISDIR && ::rmdir(target.c_str()) == 0)
    placed = ::rename(temp.c_str(), target.c_str()) == 0;
  if (!placed) ::unlink(temp.c_str());
}

std::int64_t ThumbCache::nowNs() {
  // The coarse clock is the one the kernel stamps files with: a use just
  // after this reading is never recorded as earlier.
  timespec t{};
  ::clock_gettime(CLOCK_REALTIME_COARSE, &t);
  return nanoseconds(t);
}

void ThumbCache::trim(const std::atomic<bool>* stop, std::int64_t keepUsedSinceNs) {
  if (folder_.empty()) return;
  DIR* dir = ::opendir(folder_.c_str());
  if (dir == nullptr) return;
  struct Closer {
    DIR* d;
    ~Closer() { ::closedir(d); }
  } closer{dir};
  const int dfd = ::dirfd(dir);
  auto stopped = [stop] { return stop != nullptr && stop->load(std::memory_order_relaxed); };

  struct Entry {
    std::int64_t usedNs;
    std::uint64_t bytes;
    std::string name;
  };
  std::vector<Entry> entries;
  std::uint64_t total = 0;
  const std::time_t now = std::time(nullptr);
  while (const dirent* e = ::readdir(dir)) {
    if ((entries.size() & 255) == 0 && stopped()) return;
    const bool temp = std::strncmp(e->d_name, kTempPrefix, std::strlen(kTempPrefix)) == 0;
    if (!temp && !isEntryName(e->d_name)) continue;  // not ours: left alone
    struct stat st {};
    if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    if (temp) {
      if (now - st.st_mtim.tv_sec > kStaleTempSeconds) ::unlinkat(dfd, e->d_name, 0);
      continue;
    }
    entries.push_back({nanoseconds(st.st_mtim), static_cast<std::uint64_t>(st.st_size), e->d_name});
    total += static_cast<std::uint64_t>(st.st_size);
  }
  if (total <= cap_) return;
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.usedNs < b.usedNs; });
  for (const Entry& e : entries) {
    if (total <= cap_ || stopped() || e.usedNs >= keepUsedSinceNs) break;
    if (::unlinkat(dfd, e.name.c_str(), 0) == 0) total -= e.bytes;
  }
}

}  // namespace vistel
