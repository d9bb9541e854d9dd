#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "fit_record.h"

namespace vistel {

// Faces the layouts ask for by their Windows names, mapped once to faces a
// Linux desktop has: "宋体" (and "SimSun") to the Ming face "AR PL UMing CN",
// "MS Sans Serif" to "DejaVu Sans".
void registerFontSubstitutions();

// A font of `pixelHeight` pixels of character height, drawn without
// antialiasing for the crisp look of a bitmap face.
QFont controlFont(const QString& family, int pixelHeight, bool bold = false);

// One fitting of a font to texts in a box, as fittingFont below works it
// out: the font at the largest size that fits.
struct FontFit {
  QFont font;
  QRect box;
  int flags = 0;
  QStringList texts;
  QRect bounds;  // empty: the box itself
};

// Gets the program's first text ready off the UI thread: from construction
// on, a thread of its own reads the system's font configuration
// (fontconfig's files and caches) while the UI thread connects to the window
// system; once the application object exists (applicationReady), it resolves
// the faces the first text is drawn in, which fills the font database and
// its matching caches that every thread shares, then works out the fits the
// first windows ask for (fittingFont keeps each answer). The UI thread asking
// for the same faces or fits meanwhile is safe and only waits for what is
// under way. wait() before the application object goes; the destructor
// waits too.
//
// With the fits kept from an earlier run (adoptFits), the first frame needs
// none of that: the preload then waits until firstFrameOut() before it
// starts, and works the fits out afresh rather than answering them from
// what was kept. `done` runs on the font thread at the end, told whether a
// fit came out other than it was kept (always so without kept fits).
class FontPreload {
 public:
  using Done = std::function<void(bool changed, const std::vector<FontFit>& fits)>;
  explicit FontPreload(bool afterFirstFrame = false);
  ~FontPreload();
  FontPreload(const FontPreload&) = delete;
  FontPreload& operator=(const FontPreload&) = delete;
  void applicationReady(std::vector<QFont> faces, std::vector<FontFit> fits = {}, Done done = {});
  void firstFrameOut();
  void wait();

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable ready_;
  const bool afterFirstFrame_;
  bool started_ = false;   // applicationReady() or wait() was called
  bool frameOut_ = false;  // firstFrameOut() or wait() was called
  bool stopping_ = false;  // wait() was called
  std::vector<QFont> faces_;
  std::vector<FontFit> fits_;
  Done done_;
  std::thread thread_;
};

// Where the characters of `text` fall when drawn with `font` in `box` with
// the alignment `flags`, with nothing clipped. The text is drawn, not
// measured from metrics, so the face the font really resolves to and its
// hinting count.
QRect textInk(const QFont& font, const QRect& box, int flags, const QString& text);

// Draws `text` where drawText(box, flags, text) would draw it with `font` and
// an opaque pen of `colour`, inside `clip`, from the pixels a fit drew (on
// whichever thread) at this font's size and in a box of this size, and says
// whether it could. Without antialiasing the two are the same pixels; this
// thread then needs no font engines of its own for the text.
bool drawTextDrawnAhead(QImage& target, const QRect& clip, const QFont& font, const QRect& box,
                        int flags, const QString& text, QRgb colour);

// `font` at the largest pixel size, at most its own, at which every one of
// `texts`, drawn in `box`, keeps its ink inside `bounds` (the box itself when
// `bounds` is empty). The faces a layout names are stand-ins for narrower
// bitmap faces, so a caption measured for those may not fit the stand-in at
// the asked size; it then gets a smaller one rather than losing its edge.
// Half the asked size is the floor. Each answer is kept for the run: the
// same question, from any thread, is answered from it, and one asked while
// another thread works it out waits for that answer. So are the texts as
// drawn at the size found, for drawTextDrawnAhead.
QFont fittingFont(QFont font, const QRect& box, int flags, const QStringList& texts,
                  const QRect& bounds = {});
inline QFont fittingFont(const FontFit& f) {
  return fittingFont(f.font, f.box, f.flags, f.texts, f.bounds);
}
// How many fits were worked out (not answered from an earlier one) so far.
std::size_t fitsWorkedOut();

// The answers to `fits` and the texts drawn at them, as this run has them,
// for the next run to adopt.
FitRecord recordFits(const std::vector<FontFit>& fits);
// Takes the record's fits and texts for this run's own: the same questions
// are answered from them, and the texts drawn from their pixels.
void adoptFits(const FitRecord& record);
// Works `fits` out again, whatever was kept, and keeps the new answers and
// texts; true when one came out other than kept.
bool refreshFits(const std::vector<FontFit>& fits);

}  // namespace vistel
