#pragma once

#include <string>

#include "controls/fit_record.h"

namespace vistel {

// The control panel's caption fits and drawn captions, kept between runs in
// <cache root>/vistel/captions/fits, so that its first frame is drawn before
// the font configuration is read at all (FontPreload then checks them).
// Kept only under the same stamp: this program's and Qt's versions, the
// font configuration's variables, and when its files, the font folders and
// fontconfig's caches last changed. The folder is checked as the thumbnail
// cache's is; a record that cannot be read, or is not sound, is not used.
class CaptionCache {
 public:
  // Empty: nothing is kept.
  explicit CaptionCache(std::string folder);
  static std::string folderFromEnvironment();
  // The stamp of this run's font set-up, for this program version.
  static std::string stamp(const std::string& programVersion);

  // The kept record, when there is one of `stamp`.
  bool load(const std::string& stamp, FitRecord& record) const;
  // Replaces the kept record (written whole, then renamed over the old).
  bool store(const FitRecord& record) const;

 private:
  std::string folder_;
};

}  // namespace vistel
