#include "chooser/folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "chooser/file_mask.h"

namespace vistel {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

enum class Kind { Other, File, Folder };

Kind kindOf(const std::string& folder, const dirent* e) {
  // d_type saves a stat per entry for plain entries; links and unknown
  // types are resolved (a looping link fails and is left out).
  if (e->d_type == DT_REG) return Kind::File;
  if (e->d_type == DT_DIR) return Kind::Folder;
  if (e->d_type != DT_LNK && e->d_type != DT_UNKNOWN) return Kind::Other;
  struct stat st {};
  if (::stat(joinPath(folder, e->d_name).c_str(), &st) != 0) return Kind::Other;
  if (S_ISREG(st.st_mode)) return Kind::File;
  if (S_ISDIR(st.st_mode)) return Kind::Folder;
  return Kind::Other;
}

template <typename Keep>
std::vector<std::string> listEntries(const std::string& folder, Keep keep) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* e = ::readdir(dir)) {
    if (e->d_name[0] == '.') continue;  // ".", ".." and hidden entries
    if (keep(e)) names.emplace_back(e->d_name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end(), nameLess);
  return names;
}

}  // namespace

bool nameLess(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char x = lower(a[i]), y = lower(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

std::vector<std::string> listMatchingFiles(const std::string& folder, std::string_view mask) {
  if (mask.empty()) return {};
  return listEntries(folder, [&](const dirent* e) {
    return matchesMask(e->d_name, mask) && kindOf(folder, e) == Kind::File;
  });
}

std::vector<std::string> listSubfolders(const std::string& folder) {
  return listEntries(folder, [&](const dirent* e) { return kindOf(folder, e) == Kind::Folder; });
}

std::vector<std::string> pathChain(const std::string& folder) {
  std::vector<std::string> chain{"/"};
  std::string current;
  std::size_t i = 0;
  while (i < folder.size()) {
    while (i < folder.size() && folder[i] == '/') ++i;
    const std::size_t end = folder.find('/', i);
    const std::size_t stop = end == std::string::npos ? folder.size() : end;
    if (stop > i) {
      current += "/" + folder.substr(i, stop - i);
      chain.push_back(current);
    }
    i = stop;
  }
  return chain;
}

std::string joinPath(const std::string& folder, const std::string& name) {
  return folder + "/" + name;
}

}  // namespace vistel
