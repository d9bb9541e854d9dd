#include "program/command_line.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#ifndef VISTEL_VERSION
#define VISTEL_VERSION "0"
#endif

namespace vistel::program {

namespace {

using Action = Options::Action;

constexpr OptionRow kOptions[] = {
    {"--help", "-h", "Print this help and exit.", [](Options& o) { o.action = Action::Help; }},
    {"--version", nullptr, "Print the version and exit.",
     [](Options& o) { o.action = Action::Version; }},
    {"--new-instance", nullptr,
     "Start another viewer even if one is already running for this display, instead of "
     "handing the path to it.",
     [](Options& o) { o.newInstance = true; }},
    {"--no-thumbnail-cache", nullptr,
     "Neither read nor write the thumbnail cache (the same as "
     "VISTEL_NO_THUMBNAIL_CACHE=1).",
     [](Options& o) { o.noThumbnailCache = true; }},
};

const OptionRow* findOption(const std::string& arg) {
  for (const OptionRow& row : kOptions)
    if (arg == row.name || (row.alias != nullptr && arg == row.alias)) return &row;
  return nullptr;
}

// Splits on "/" and drops empty and "." parts.
std::vector<std::string> parts(const std::string& path) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (!part.empty() && part != ".") out.push_back(std::move(part));
    start = end + 1;
  }
  return out;
}

std::string join(const std::vector<std::string>& ps) {
  if (ps.empty()) return "/";
  std::string out;
  for (const std::string& p : ps) out += "/" + p;
  return out;
}

}  // namespace

std::span<const OptionRow> optionRows() { return kOptions; }

Options parseCommandLine(const std::vector<std::string>& args) {
  Options o;
  std::vector<std::string> paths;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
      continue;
    }
    // A lone "-" is a file of that name, as no picture comes from a pipe.
    if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      const OptionRow* row = findOption(arg);
      if (row == nullptr) {
        o.action = Action::Error;
        o.error = "unknown option '" + arg + "' (see 'vistel --help')";
        return o;
      }
      row->apply(o);
      if (o.action != Action::Run) return o;
      continue;
    }
    paths.push_back(arg);
  }
  if (paths.size() > 1) {
    o.action = Action::Error;
    o.error = "one FILE or FOLDER at most, " + std::to_string(paths.size()) +
              " were given (see 'vistel --help')";
    return o;
  }
  if (!paths.empty()) {
    if (paths.front().empty()) {
      o.action = Action::Error;
      o.error = "the path is empty";
      return o;
    }
    o.path = paths.front();
  }
  return o;
}

std::string helpText() {
  std::string t =
      "Usage: vistel [OPTION]... [FILE | FOLDER]\n"
      "Show BMP and JPEG pictures in a shaped, always-on-top viewer.\n"
      "\n"
      "With a FILE, the chooser starts in the file's folder and the picture is shown.\n"
      "With a FOLDER, the chooser starts there. Without either, it starts in the\n"
      "current folder. If a viewer is already running for this display, the path is\n"
      "handed to it and it comes forward.\n"
      "\n"
      "Options:\n";
  for (const OptionRow& row : kOptions) {
    t += "  ";
    if (row.alias != nullptr) t.append(row.alias).append(", ");
    t.append(row.name).append("\n      ").append(row.help).append("\n");
  }
  t += "\nExit status: 0 on success, 2 for a command line that cannot be used.\n";
  return t;
}

std::string versionText() { return std::string("vistel ") + VISTEL_VERSION + "\n"; }

ResolvedPath resolvePath(const std::string& given, const std::string& cwd) {
  ResolvedPath r;
  const std::string joined = !given.empty() && given[0] == '/' ? given : cwd + "/" + given;
  std::vector<std::string> ps = parts(joined);
  struct stat st {};
  if (::stat(joined.c_str(), &st) != 0) {
    r.error = "cannot open '" + given + "': " + std::strerror(errno);
    return r;
  }
  r.folder = S_ISDIR(st.st_mode);
  const bool climbs = std::find(ps.begin(), ps.end(), "..") != ps.end();
  if (!climbs) {
    r.absolute = join(ps);
    return r;
  }
  // ".." after a symbolic link climbs from where the link points, so the
  // folder is asked of the file system rather than worked out from the text.
  std::string name;
  std::string folder = joined;
  if (!r.folder) {
    name = ps.back();
    ps.pop_back();
    folder = join(ps);
  }
  char buf[PATH_MAX];
  if (::realpath(folder.c_str(), buf) == nullptr) {
    r.error = "cannot open '" + given + "': " + std::strerror(errno);
    return r;
  }
  r.absolute = buf;
  if (!name.empty()) r.absolute = (r.absolute == "/" ? "" : r.absolute) + "/" + name;
  return r;
}

}  // namespace vistel::program
