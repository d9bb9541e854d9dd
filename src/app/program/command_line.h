#pragma once

// The program's command line: options as one table that the parser, the
// --help text and the manual page all read, and the resolution of the path
// argument to an absolute path of raw file-system bytes.
#include <span>
#include <string>
#include <vector>

namespace vistel::program {

struct Options {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  std::string path;  // as given (raw bytes); empty when none was
  bool newInstance = false;
  bool noThumbnailCache = false;
  std::string error;  // one line for standard error when action is Error
};

struct OptionRow {
  const char* name;   // "--new-instance"
  const char* alias;  // a short form, or nullptr
  const char* help;   // one sentence, English
  void (*apply)(Options& options);
};

// All options, in the order --help lists them.
std::span<const OptionRow> optionRows();

// args are the arguments after the program name. Options are read in order:
// --help and --version act at once, an unknown option is an error; "--"
// ends the options. At most one path.
Options parseCommandLine(const std::vector<std::string>& args);

std::string helpText();
std::string versionText();

// The environment variable that switches the thumbnail cache off.
inline constexpr const char* kNoThumbnailCacheVariable = "VISTEL_NO_THUMBNAIL_CACHE";

struct ResolvedPath {
  std::string absolute;  // no ".", "..", doubled or trailing separators
  bool folder = false;
  std::string error;  // set when the path cannot be used
};

// Makes `given` absolute against `cwd` and checks that it exists. Names are
// bytes: a name that is not UTF-8 comes out as it went in.
ResolvedPath resolvePath(const std::string& given, const std::string& cwd);

}  // namespace vistel::program
