#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <string>

#include "pictures/bitmap.h"

namespace vistel {

// What a thumbnail was made from: the picture file's canonical path and the
// facts that change whenever its contents can have changed. The status
// change time is there because a modification time can be set back (touch,
// cp -p) while the kernel moves the status change time on with every write.
struct ThumbKey {
  std::string path;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t mtimeNs = 0;
  std::int64_t ctimeNs = 0;
  friend bool operator==(const ThumbKey&, const ThumbKey&) = default;

  // The key of the regular file at `path` as it is now (symbolic links
  // followed); nothing when it cannot be resolved or is not a regular file.
  static std::optional<ThumbKey> of(const std::string& path);
};

// Thumbnails kept on disk between runs, one file per picture, named by a
// hash of its key. An entry holds a header (magic, version, the whole key),
// the 93 x 93 pixels as they were made and a checksum over all of it, so a
// damaged, truncated or foreign file, or one whose hash merely collides, is
// a miss. Entries are written to a temporary file and renamed into place:
// readers, a crash or a second program never see half an entry.
//
// Nothing here reports a failure: a cache folder that cannot be made or
// written only means every lookup misses. Safe to use from several threads.
class ThumbCache {
 public:
  static constexpr std::uint64_t kDefaultCapBytes = std::uint64_t{256} << 20;

  // `folder` is made (mode 0700) when the first entry is stored.
  explicit ThumbCache(std::string folder, std::uint64_t capBytes = kDefaultCapBytes);

  // $XDG_CACHE_HOME/vistel/thumbnails ($HOME/.cache when XDG_CACHE_HOME is
  // unset or not absolute); empty when VISTEL_NO_THUMBNAIL_CACHE asks for no
  // cache or there is no home to put it in.
  static std::string folderFromEnvironment();

  const std::string& folder() const { return folder_; }
  // The entry file of `key` (whether it exists or not).
  std::string entryPath(const ThumbKey& key) const;

  // The stored thumbnail of `key`, exactly as it was stored; a hit counts as
  // a use, so the entry is the last to be trimmed.
  std::optional<Bitmap> find(const ThumbKey& key) const;
  // Whether an entry for `key` is there with the size it must have, without
  // reading it (find checks the rest when it is read); a use, as for find.
  bool has(const ThumbKey& key) const;
  // Stores `thumb` (93 x 93) for `key`, replacing any entry there was.
  void store(const ThumbKey& key, const Bitmap& thumb);
  // Deletes the least recently used entries until the folder holds at most
  // the cap, and temporary files left by a crash. Ends early once `stop` is
  // raised. Entries used at or after `keepUsedSinceNs` (the time of their
  // last use, nanoseconds of the real-time clock) are kept even over the
  // cap: a folder larger than the cap keeps all of its thumbnails while it
  // is the one looked at.
  void trim(const std::atomic<bool>* stop = nullptr,
            std::int64_t keepUsedSinceNs = std::numeric_limits<std::int64_t>::max());
  // The real-time clock as entries record their use, for keepUsedSinceNs.
  static std::int64_t nowNs();

 private:
  bool makeFolder();

  std::string folder_;
  std::uint64_t cap_;
  std::mutex folderMutex_;
  bool folderMade_ = false;
  bool folderFailed_ = false;
};

}  // namespace vistel
