#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "chooser/thumb_entry.h"
#include "pictures/bitmap.h"

namespace vistel {

// Thumbnails kept on disk between runs, one file per picture, named by a
// hash of its key. An entry holds a header (magic, version, the whole key),
// the 93 x 93 pixels as they were made and a checksum over all of it, so a
// damaged, truncated or foreign file, or one whose hash merely collides, is
// a miss. Entries are written to a temporary file and renamed into place:
// readers, a crash or a second program never see half an entry. Beside
// them, a made list per picture folder (thumb_entry.h) outlives the entries
// the cap drops: 16 bytes a file where an entry takes 35 KB.
//
// The cache is the user's alone: `folder` is <root>/<a>/<b>, where the root
// is the user's cache home, wherever it leads (a symbolic link to another
// disk is fine), and the two folders below it are the cache's own. Those are
// opened one step at a time without following links, and used only when
// each is a real folder of the user's that no one else may enter; the
// entries are then reached through the opened folder, never by path again,
// so nothing swapped in later is read or written either. A folder that is
// anything else was made or changed by someone else, and another user who
// can write there could plant thumbnails that would be shown.
//
// Failures are not reported to the caller: a cache folder that cannot be
// made, written or trusted only means every lookup misses. The reason is
// said once per folder on stderr, for the user who wonders where the cache
// went. Safe to use from several threads.
class ThumbCache {
 public:
  static constexpr std::uint64_t kDefaultCapBytes = std::uint64_t{256} << 20;

  // `folder` is made (mode 0700, the missing folders of its root too) when
  // the first entry is stored.
  explicit ThumbCache(std::string folder, std::uint64_t capBytes = kDefaultCapBytes);
  ~ThumbCache();
  ThumbCache(const ThumbCache&) = delete;
  ThumbCache& operator=(const ThumbCache&) = delete;

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
  // The cap holds at every store: the folder is measured at the first one,
  // and an entry that would take it past the cap is stored only after a
  // trim (which `stop` ends early; the entry is then not stored).
  void store(const ThumbKey& key, const Bitmap& thumb, const std::atomic<bool>* stop = nullptr);
  // The made list stored for `folder` (the folder's path as the loader
  // names it), its digests sorted; empty when there is none. A use, as for
  // find.
  std::vector<ThumbDigest> madeIn(const std::string& folder) const;
  // Stores `list`, replacing the folder's earlier one. Counted against the
  // cap and trimmed with the entries, as the least recently used.
  void storeMadeList(const MadeList& list, const std::atomic<bool>* stop = nullptr);
  // Deletes the least recently used entries until the folder holds at most
  // the cap, and temporary files left by a crash. Ends early once `stop` is
  // raised.
  void trim(const std::atomic<bool>* stop = nullptr);

 private:
  // The folder's descriptor, opened and checked on first use (made first
  // when `create`); -1 while it does not exist yet or when it is refused.
  int folderFd(bool create) const;
  // Writes `bytes` under `name` (a temporary file renamed into place) once
  // the cap has room for them.
  void place(const std::string& name, const std::vector<std::uint8_t>& bytes,
             const std::atomic<bool>* stop);
  // trim() down to `target` bytes: what the entries then take, or nothing
  // when the folder could not be read or `stop` ended it.
  std::optional<std::uint64_t> trimTo(std::uint64_t target, const std::atomic<bool>* stop);

  std::string folder_;
  std::uint64_t cap_;
  mutable std::mutex folderMutex_;
  mutable int folderFd_ = -1;
  mutable bool folderRefused_ = false;
  // The entries' size: as measured by the last trim, plus every entry
  // stored since. Stores wait for each other's trims here.
  std::mutex sizeMutex_;
  std::optional<std::uint64_t> held_;
};

}  // namespace vistel
