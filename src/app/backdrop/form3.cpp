#include "backdrop/form3.h"

#include "device/window_attributes.h"
#include "windows/key_codes.h"

namespace vistel {

TForm3::TForm3() {
  setWindowTitle(QStringLiteral("Form3"));
  // The viewer's task-bar entry stands for the whole set.
  setTaskBarEntry(false);
  setClientSize(kDeviceWidth, kDeviceHeight);
  setPosition(kDeviceLeft, kDeviceTop);
  setColor(kBlack);
  setAlphaBlend(true);
  setAlphaBlendValue(250);
  setStayOnTop(true);
  setFormCursor(CursorShape::MultiDrag);
  setEnabled(false);
}

void TForm3::keyDown(int& key, int shift) { FormKeyDown(this, key, shift); }

void TForm3::FormKeyDown(QObject*, int& key, int) {
  if (key != vk::kF6) return;
  closeBackdrop();
  if (events.closedByKey) events.closedByKey();
}

void TForm3::closeBackdrop() {
  setVisible(false);
  deleteLater();
}

}  // namespace vistel
