#include "storage/caption_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtGlobal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "storage/private_folder.h"

namespace vistel {

namespace {

constexpr const char* kFileName = "fits";
constexpr int kOwnLevels = 2;

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

// When `path` last changed, or "-" when it is not there.
std::string changedAt(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return "-";
  char at[48];
  std::snprintf(at, sizeof at, "%lld.%09ld", static_cast<long long>(st.st_mtim.tv_sec),
                st.st_mtim.tv_nsec);
  return at;
}

}  // namespace

CaptionCache::CaptionCache(std::string folder) : folder_(std::move(folder)) {}

std::string CaptionCache::folderFromEnvironment() {
  const std::string root = cacheRoot();
  return root.empty() ? root : root + "/vistel/captions";
}

std::string CaptionCache::stamp(const std::string& programVersion) {
  std::string s = "vistel " + programVersion + "; Qt " + qVersion();
  for (const char* name : {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT"})
    s += std::string("; ") + name + "=" + env(name);
  const std::string home = env("HOME");
  const std::string config =
      env("XDG_CONFIG_HOME").empty() ? home + "/.config" : env("XDG_CONFIG_HOME");
  const std::string data =
      env("XDG_DATA_HOME").empty() ? home + "/.local/share" : env("XDG_DATA_HOME");
  // Fonts added or taken away change a font folder or fontconfig's caches
  // (the packages' triggers rebuild them); a changed configuration changes
  // its files. The fits are checked after the first frame anyway.
  for (const std::string& path :
       {std::string("/etc/fonts"), std::string("/etc/fonts/fonts.conf"),
        std::string("/etc/fonts/conf.d"), env("FONTCONFIG_FILE"), config + "/fontconfig",
        config + "/fontconfig/fonts.conf", config + "/fontconfig/conf.d",
        std::string("/usr/share/fonts"), std::string("/usr/local/share/fonts"), data + "/fonts",
        home + "/.fonts", std::string("/var/cache/fontconfig"), cacheRoot() + "/fontconfig"})
    s += "; " + path + " " + changedAt(path);
  return s;
}

bool CaptionCache::load(const std::string& stamp, FitRecord& record) const {
  if (folder_.empty()) return false;
  std::string why;
  const Fd dir(openPrivateFolder(folder_, kOwnLevels, false, why));
  if (dir.fd < 0) return false;
  const Fd fd(::openat(dir.fd, kFileName, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  struct stat st {};
  if (fd.fd < 0 || ::fstat(fd.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
      static_cast<std::size_t>(st.st_size) > kMaxFitRecordBytes)
    return false;
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  if (!readAll(fd.fd, reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size())) return false;
  FitRecord read;
  if (!decodeFitRecord(bytes, read) || read.stamp != stamp) return false;
  record = std::move(read);
  return true;
}

bool CaptionCache::store(const FitRecord& record) const {
  if (folder_.empty()) return false;
  const std::string bytes = encodeFitRecord(record);
  if (bytes.empty()) return false;
  std::string why;
  const Fd dir(openPrivateFolder(folder_, kOwnLevels, true, why));
  if (dir.fd < 0) return false;
  const std::string temp = ".tmp-" + std::to_string(::getpid());
  const Fd fd(
      ::openat(dir.fd, temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (fd.fd < 0) return false;
  if (!writeAll(fd.fd, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()) ||
      ::renameat(dir.fd, temp.c_str(), dir.fd, kFileName) != 0) {
    ::unlinkat(dir.fd, temp.c_str(), 0);
    return false;
  }
  return true;
}

}  // namespace vistel
