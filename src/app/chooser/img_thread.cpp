#include "chooser/img_thread.h"

#include "chooser/file_mask.h"
#include "chooser/folder_listing.h"
#include "chooser/get_img_form.h"
#include "chooser/thumb_maker.h"

namespace vistel {

TImgThread::TImgThread(TGetImgForm* chooser)
    : chooser_(chooser), channel_(HandOffChannel::create(chooser)) {
  thread_ = std::thread([this] { Execute(); });
}

TImgThread::~TImgThread() { Stop(); }

void TImgThread::Stop() {
  channel_->requestStop();
  if (thread_.joinable()) thread_.join();
}

void TImgThread::Execute() {
  try {
    LoadThumbnails();
  } catch (...) {
    // Nothing escapes the thread; a load that breaks off just ends.
  }
}

void TImgThread::LoadThumbnails() {
  using Result = HandOffChannel::Result;
  TGetImgForm* chooser = chooser_;
  int count = 0;
  if (channel_->call([&] { chooser->LoaderBegin(count); }) != Result::Done) return;

  for (int i = 0; i < count; ++i) {
    if (channel_->stopRequested()) return;
    std::string folder, name;
    bool listed = false;
    const Result read = channel_->call([&] { listed = chooser->LoaderFileName(i, folder, name); });
    if (read == Result::Stopped) return;
    if (read == Result::Failed || !listed) continue;  // the list changed: a failed file

    Bitmap thumb;
    try {
      thumb = makeThumbnail(joinPath(folder, name), isJpegName(name), &channel_->stopFlag());
    } catch (const ThumbnailStopped&) {
      return;
    } catch (...) {
      continue;  // unreadable or undecodable: no thumbnail, its map entry stays -1
    }
    if (channel_->stopRequested()) return;
    const Result added =
        channel_->call([&] { chooser->LoaderAddThumb(i, name, std::move(thumb)); });
    if (added == Result::Stopped) return;
  }
  channel_->call([&] { chooser->LoaderEnd(); });
}

}  // namespace vistel
