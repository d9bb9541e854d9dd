#include "chooser/thumb_residency.h"

#include <algorithm>

#include "chooser/folder_listing.h"
#include "chooser/thumb_panel.h"

namespace vistel {

ThumbResidency::ThumbResidency(QObject* context, const std::vector<ThumbControl*>& thumbs)
    : thumbs_(thumbs),
      restorer_(context, [this](int t, Bitmap pixels) { restored(t, std::move(pixels)); }) {}

void ThumbResidency::begin(const std::string& folder, const std::string& cacheFolder) {
  clear();
  folder_ = folder;
  restorer_.newRound(cacheFolder);
}

void ThumbResidency::clear() {
  names_.clear();
  lost_.clear();
  resident_.clear();
  restorer_.newRound({});
}

RowSpan ThumbResidency::keptRows() const {
  return rowsNear(view_.offset, view_.height, kNearRows + kSlackRows);
}

void ThumbResidency::added(int t, const std::string& name, Bitmap pixels, const GridView& view) {
  view_ = view;
  const auto at = static_cast<std::size_t>(t);
  if (names_.size() <= at) {
    names_.resize(at + 1);
    lost_.resize(at + 1);
  }
  names_[at] = name;
  // Far from the view: the cache entry the loader wrote, or the file itself,
  // gives the same pixels back when they are wanted.
  if (!rowsNear(view_.offset, view_.height, kNearRows).holds(t / view_.columns)) return;
  if (pixels.isEmpty()) {
    fetchNear();
  } else {
    show(t, std::move(pixels));
  }
}

int ThumbResidency::nearThumbs(const GridView& view) {
  return (rowsNear(0, view.height, kNearRows).last + 1) * view.columns;
}

void ThumbResidency::show(int t, Bitmap pixels) {
  thumbs_[static_cast<std::size_t>(t)]->setPicture(
      std::make_unique<BitmapPicture>(std::move(pixels)));
  resident_.push_back(t);
}

void ThumbResidency::follow(const GridView& view) {
  view_ = view;
  const int count = static_cast<int>(std::min(thumbs_.size(), names_.size()));
  const RowSpan kept = keptRows();
  std::erase_if(resident_, [&](int t) {
    if (t < count && kept.holds(t / view_.columns)) return false;
    if (t < count && thumbs_[static_cast<std::size_t>(t)] != nullptr)
      thumbs_[static_cast<std::size_t>(t)]->setPicture(nullptr);
    return true;
  });
  fetchNear();
}

void ThumbResidency::fetchNear() {
  const int count = static_cast<int>(std::min(thumbs_.size(), names_.size()));
  // The rows on the panel first, top to bottom, then outwards by turns
  // below and above.
  const RowSpan panel = rowsNear(view_.offset, view_.height, 0);
  const RowSpan near = rowsNear(view_.offset, view_.height, kNearRows);
  std::vector<int> rows;
  for (int r = panel.first; r <= panel.last; ++r) rows.push_back(r);
  for (int k = 1; k <= kNearRows; ++k) {
    if (near.holds(panel.last + k)) rows.push_back(panel.last + k);
    if (near.holds(panel.first - k)) rows.push_back(panel.first - k);
  }
  std::vector<ThumbRestorer::Request> wanted;
  for (int r : rows) {
    for (int t = r * view_.columns; t < (r + 1) * view_.columns && t < count; ++t) {
      const ThumbControl* thumb = thumbs_[static_cast<std::size_t>(t)];
      if (thumb == nullptr || thumb->picture() != nullptr || lost_[static_cast<std::size_t>(t)])
        continue;
      wanted.push_back({t, joinPath(folder_, names_[static_cast<std::size_t>(t)])});
    }
  }
  restorer_.want(std::move(wanted));
}

void ThumbResidency::restored(int t, Bitmap pixels) {
  const auto at = static_cast<std::size_t>(t);
  if (t < 0 || at >= names_.size() || at >= thumbs_.size() || thumbs_[at] == nullptr) return;
  if (pixels.isEmpty()) {
    lost_[at] = true;
    return;
  }
  // Scrolled away meanwhile, or shown already by a fetch asked for twice.
  if (thumbs_[at]->picture() != nullptr || !keptRows().holds(t / view_.columns)) return;
  show(t, std::move(pixels));
}

}  // namespace vistel
