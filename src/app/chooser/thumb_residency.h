#pragma once

#include <QObject>
#include <string>
#include <vector>

#include "chooser/grid_geometry.h"
#include "chooser/thumb_restorer.h"
#include "pictures/bitmap.h"

namespace vistel {

class ThumbControl;

// Where the grid is looked at: its content offset, the file panel's
// height, the columns.
struct GridView {
  int offset = 0;
  int height = 0;
  int columns = 1;
};

// Which thumbnails of the grid keep their pixels. A camera roll holds a
// hundred thousand pictures and each thumbnail's pixels take 34 KB, so only
// the thumbnails on the file panel and a few screens either side keep them.
// The others keep their control (place, tag, file index, name) and their
// file's path, and get their pixels back from the restorer as they come
// near again: ahead of the panel, so that scrolling finds them there.
//
// Runs on the UI thread; changes no thumbnail but its picture.
class ThumbResidency {
 public:
  // Rows either side of the panel's whose thumbnails are fetched back, and
  // the rows beyond those that still keep what they have, so that scrolling
  // to and fro does not fetch the same thumbnails again and again.
  static constexpr int kNearRows = 8;
  static constexpr int kSlackRows = 4;

  // `thumbs` is the chooser's thumbnail array, by thumbnail index.
  ThumbResidency(QObject* context, const std::vector<ThumbControl*>& thumbs);

  // A new fill of the grid with the pictures of `folder`, by a loader that
  // keeps its thumbnails in `cacheFolder` (empty for none).
  void begin(const std::string& folder, const std::string& cacheFolder);
  // The thumbnails are gone.
  void clear();
  // Thumbnail t was just made from the file `name` of the folder: it shows
  // `pixels` if it lies near the view, else it lets them go at once. Made
  // with no pixels (left in the cache) and near, it has them fetched.
  void added(int t, const std::string& name, Bitmap pixels, const GridView& view);
  // The view moved or its columns changed: far thumbnails let go of their
  // pixels, near ones without them are fetched, those on the panel first.
  void follow(const GridView& view);
  // How many thumbnails from the first on lie near `view` when it is at the
  // grid's top.
  static int nearThumbs(const GridView& view);

  // Thumbnails holding pixels at this moment.
  std::size_t resident() const { return resident_.size(); }
  // Fetches waiting or under way.
  bool fetching() const { return restorer_.busy(); }

 private:
  // Rows whose thumbnails keep the pixels they have.
  RowSpan keptRows() const;
  void show(int t, Bitmap pixels);
  // Asks for the near thumbnails without pixels.
  void fetchNear();
  void restored(int t, Bitmap pixels);

  const std::vector<ThumbControl*>& thumbs_;
  std::string folder_;
  GridView view_;
  // Raw file names by thumbnail index (the hint is the name for display).
  std::vector<std::string> names_;
  // Thumbnails whose file no longer gives pixels: not asked for again.
  std::vector<bool> lost_;
  std::vector<int> resident_;
  ThumbRestorer restorer_;
};

}  // namespace vistel
