#pragma once

#include <QImage>
#include <QString>
#include <map>

#include "desktop_driver.h"

namespace e2e {

// The cursors the program may show, as this X server draws them: captured
// from a window of the driver's own with each cursor set.
struct Cursors {
  std::map<QString, QImage> known;

  void capture(Desk& desk);
  // The name of the cursor seen, or "other".
  QString name(const QImage& seen) const;
};

}  // namespace e2e
