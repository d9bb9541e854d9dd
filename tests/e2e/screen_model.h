#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <vector>

// What the screen must show, worked out independently of the program from
// the sample files and the embedded pictures: the skin, the picture in the
// frame's opening, thumbnails in the grid, the locator. Points are in the
// device's client coordinates; the device lies at `origin` on the screen.
namespace e2e {

constexpr QRgb kUnderlay = 0x336699;
constexpr int kDeviceLeft = 200;
constexpr int kDeviceTop = 100;

struct Probe {
  QPoint at;  // on the screen
  QRgb want;
};

// The chooser's silver panel (device coordinates) and its file panel.
const QRect kChooserPanel(220, 118, 401, 330);
const QRect kFilePanel(320, 118, 289, 330);

class ScreenModel {
 public:
  explicit ScreenModel(QString samples);

  // Under a compositor the device's windows are blended over what lies
  // beneath them at `alpha`; without one they are opaque.
  void setAlpha(int alpha) { alpha_ = alpha; }
  void setOrigin(QPoint origin) { origin_ = origin; }
  // The black backdrop lies behind the device (its own alpha is 250).
  void setBackdrop(bool on) { backdrop_ = on; }
  QPoint screen(QPoint device) const { return device + origin_; }

  // `top` drawn by one of the device's windows over `beneath`.
  QRgb over(QRgb top, QRgb beneath) const;
  // The panel's skin as seen (its white is see-through), and the skin's own
  // colour at a point.
  QRgb skinSeen(QPoint p) const;
  QRgb skin(QPoint p) const;

  const QImage& sample(const QString& name);
  // The files of the samples folder the file list shows, in its order.
  const QStringList& listed() const { return listed_; }

  // The opening showing `picture` drawn unscaled from the top-left corner of
  // `frame` (cropped to it); the chooser's panel left out when it is up.
  std::vector<Probe> opening(const QImage& picture, const QRect& frame, bool chooserUp);
  // The opening with nothing in it.
  std::vector<Probe> emptyOpening(bool chooserUp);
  // Every listed file's thumbnail in its cell with the grid scrolled by
  // `scroll`, the locator on thumbnail `locatorOn` (or none when < 0), and
  // the bare panel after the last one; `shown` is the viewer's picture
  // behind the chooser.
  std::vector<Probe> grid(int scroll, int locatorOn);
  void setShown(const QImage& picture, const QRect& frame);

 private:
  QRgb behindViewer(QPoint p) const;
  // What lies beneath the device: the underlay, or the backdrop over it.
  QRgb beneath() const;
  QRgb viewerSeen(QPoint p) const;
  void thumbProbes(std::vector<Probe>& out, const QImage& thumb, int t, int scroll,
                   bool skipLocator) const;

  QString samples_;
  QStringList listed_;
  std::vector<QImage> thumbs_;
  QImage mask_, skin_, locator_, shown_;
  QRect shownFrame_;
  QPoint origin_{kDeviceLeft, kDeviceTop};
  int alpha_ = 255;
  bool backdrop_ = false;
};

// Probes the screenshot does not show; the first one described in `first`.
int mismatches(const QImage& shot, const std::vector<Probe>& probes, QString* first = nullptr);

}  // namespace e2e
