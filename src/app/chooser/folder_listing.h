#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vistel {

// Folder and file listings of the chooser's browsing lists. Names and paths
// are raw file-system bytes: a name that is not valid UTF-8 still opens.

// Ordinary files of `folder` (symbolic links to files count; folders,
// dot-files, devices, pipes and dangling or looping links do not) whose
// names match `mask`, sorted by name ignoring case. A folder that cannot be
// read lists nothing.
std::vector<std::string> listMatchingFiles(const std::string& folder, std::string_view mask);

// Subfolders of `folder` without "." and ".." and hidden (dot) folders,
// sorted by name ignoring case.
std::vector<std::string> listSubfolders(const std::string& folder);

// The folders from the root down to `folder`: "/", "/a", "/a/b".
std::vector<std::string> pathChain(const std::string& folder);

// folder + "/" + name. The separator is added even after a root "/", and the
// doubled separator opens the same file.
std::string joinPath(const std::string& folder, const std::string& name);

// Name ordering of the lists: ASCII letters without case, then raw bytes.
bool nameLess(const std::string& a, const std::string& b);

}  // namespace vistel
