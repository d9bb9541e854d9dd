#include "chooser/thumb_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "chooser/grid_geometry.h"
#include "storage/private_folder.h"

namespace vistel {

namespace {

constexpr const char* kTempPrefix = ".tmp-";
// A temporary file this old is left over from a crash, not a write under way.
constexpr std::time_t kStaleTempSeconds = 600;
// The folders below the cache root that are the cache's own.
constexpr int kOwnLevels = 2;

std::int64_t nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Said once per folder: a cache refused is refused again at every load.
void sayNotUsed(const std::string& folder, const std::string& why) {
  static std::mutex lock;
  static std::set<std::string> said;
  const std::lock_guard guard(lock);
  if (!said.insert(folder).second) return;
  std::fprintf(stderr, "vistel: thumbnails are not kept on disk: %s\n", why.c_str());
}

// A name for a temporary file of this process, unique among its threads.
std::string tempName() {
  static std::atomic<std::uint64_t> counter{0};
  char name[48];
  std::snprintf(name, sizeof name, "%s%d-%llu", kTempPrefix, static_cast<int>(::getpid()),
                static_cast<unsigned long long>(counter.fetch_add(1)));
  return name;
}

// An entry's name, or a made list's.
bool isEntryName(const char* name) {
  const std::size_t n = std::strlen(name);
  return (n == 32 || (n == 37 && std::strcmp(name + 32, ".made") == 0)) &&
         std::all_of(name, name + 32,
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

ThumbCache::ThumbCache(std::string folder, std::uint64_t capBytes)
    : folder_(std::move(folder)), cap_(capBytes) {}

ThumbCache::~ThumbCache() {
  if (folderFd_ >= 0) ::close(folderFd_);
}

int ThumbCache::folderFd(bool create) const {
  const std::lock_guard lock(folderMutex_);
  if (folderFd_ >= 0 || folderRefused_) return folderFd_;
  std::string why;
  folderFd_ = openPrivateFolder(folder_, kOwnLevels, create, why);
  if (!why.empty()) {
    folderRefused_ = true;
    sayNotUsed(folder_, why);
  }
  return folderFd_;
}

std::string ThumbCache::folderFromEnvironment() {
  const char* off = std::getenv("VISTEL_NO_THUMBNAIL_CACHE");
  if (off != nullptr && *off != '\0' && std::strcmp(off, "0") != 0) return {};
  const std::string root = cacheRoot();
  return root.empty() ? root : root + "/vistel/thumbnails";
}

std::string ThumbCache::entryPath(const ThumbKey& key) const {
  return folder_ + "/" + thumbEntryName(key);
}

std::optional<Bitmap> ThumbCache::find(const ThumbKey& key) const {
  if (folder_.empty()) return std::nullopt;
  const int dir = folderFd(false);
  if (dir < 0) return std::nullopt;
  const Fd fd(
      ::openat(dir, thumbEntryName(key).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (fd.fd < 0) return std::nullopt;
  const std::size_t total = thumbEntryBytes(key);
  struct stat st {};
  if (::fstat(fd.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
      static_cast<std::uint64_t>(st.st_size) != total)
    return std::nullopt;
  std::vector<std::uint8_t> bytes(total);
  if (!readAll(fd.fd, bytes.data(), total)) return std::nullopt;
  std::optional<ThumbEntry> entry = decodeThumbEntry(bytes);
  // A sound entry of another key is a hash that merely collides.
  if (!entry || entry->key != key) return std::nullopt;
  ::futimens(fd.fd, nullptr);  // used now: trimmed last
  return std::move(entry->thumb);
}

bool ThumbCache::has(const ThumbKey& key) const {
  if (folder_.empty()) return false;
  const int dir = folderFd(false);
  if (dir < 0) return false;
  const std::string name = thumbEntryName(key);
  struct stat st {};
  if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
      st.st_uid != ::geteuid() || static_cast<std::uint64_t>(st.st_size) != thumbEntryBytes(key))
    return false;
  ::utimensat(dir, name.c_str(), nullptr, AT_SYMLINK_NOFOLLOW);  // used now: trimmed last
  return true;
}

void ThumbCache::store(const ThumbKey& key, const Bitmap& thumb, const std::atomic<bool>* stop) {
  if (folder_.empty() || thumb.width() != kThumbSide || thumb.height() != kThumbSide) return;
  place(thumbEntryName(key), encodeThumbEntry(key, thumb), stop);
}

std::vector<ThumbDigest> ThumbCache::madeIn(const std::string& folder) const {
  if (folder_.empty()) return {};
  const int dir = folderFd(false);
  if (dir < 0) return {};
  const Fd fd(
      ::openat(dir, madeListName(folder).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  struct stat st {};
  if (fd.fd < 0 || ::fstat(fd.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
    return {};
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
  if (!readAll(fd.fd, bytes.data(), bytes.size())) return {};
  std::optional<MadeList> list = decodeMadeList(bytes);
  if (!list || list->folder != folder) return {};
  ::futimens(fd.fd, nullptr);  // used now: trimmed last
  return std::move(list->digests);
}

void ThumbCache::storeMadeList(const MadeList& list, const std::atomic<bool>* stop) {
  if (folder_.empty()) return;
  place(madeListName(list.folder), encodeMadeList(list), stop);
}

void ThumbCache::place(const std::string& name, const std::vector<std::uint8_t>& entry,
                       const std::atomic<bool>* stop) {
  const int dir = folderFd(true);
  if (dir < 0) return;
  {
    std::lock_guard lock(sizeMutex_);
    if (!held_ || *held_ + entry.size() > cap_) {
      // Trimmed a sixteenth below the cap, so that a long load trims every
      // few hundred entries rather than at each one.
      const std::uint64_t room = std::max<std::uint64_t>(cap_ / 16, entry.size());
      const std::uint64_t below = cap_ > room ? cap_ - room : 0;
      held_ = trimTo(below, stop);
      if (!held_) return;
    }
    *held_ += entry.size();  // a replaced entry counts twice until the next trim
  }
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
    temp = tempName();
    fd = ::openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) return;
  }
  if (fd < 0) return;
  const bool written = writeAll(fd, entry.data(), entry.size());
  // No fsync: an entry lost or zeroed by a power cut fails its checksum
  // and is made again, which is all a cache owes.
  bool placed =
      ::close(fd) == 0 && written && ::renameat(dir, temp.c_str(), dir, name.c_str()) == 0;
  // An empty folder of the entry's name is something foreign in the way.
  if (!placed && written && errno == EISDIR && ::unlinkat(dir, name.c_str(), AT_REMOVEDIR) == 0)
    placed = ::renameat(dir, temp.c_str(), dir, name.c_str()) == 0;
  if (!placed) ::unlinkat(dir, temp.c_str(), 0);
}

void ThumbCache::trim(const std::atomic<bool>* stop) {
  std::lock_guard lock(sizeMutex_);
  held_ = trimTo(cap_, stop);
}

std::optional<std::uint64_t> ThumbCache::trimTo(std::uint64_t target,
                                                const std::atomic<bool>* stop) {
  if (folder_.empty()) return std::nullopt;
  // A descriptor of its own: one sharing the folder's read position would
  // find the listing already read to its end at the next trim.
  const int folder = folderFd(false);
  const int own = folder < 0 ? -1 : ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = own < 0 ? nullptr : ::fdopendir(own);
  if (dir == nullptr) {
    if (own >= 0) ::close(own);
    return std::nullopt;
  }
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
    if ((entries.size() & 255) == 0 && stopped()) return std::nullopt;
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
  if (total <= target) return total;
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.usedNs < b.usedNs; });
  for (const Entry& e : entries) {
    if (total <= target) break;
    if (stopped()) return std::nullopt;
    if (::unlinkat(dfd, e.name.c_str(), 0) == 0) total -= e.bytes;
  }
  return total;
}

}  // namespace vistel
