// The notification-area icon that stands for the window set while it is
// sent back: identifier 100, tip "窗口被置后", the program icon.
#include <QSystemTrayIcon>

#include "viewer/form1.h"
#include "viewer/program_icon.h"

namespace vistel {

void TForm1::AddIcon() {
  FState.iconShown = true;
  if (tray_ == nullptr) {
    tray_ = new QSystemTrayIcon(this);
    tray_->setIcon(programIcon());
    tray_->setToolTip(QStringLiteral("窗口被置后"));
    // A left press over the icon brings the set forward; every other mouse
    // action over it is ignored.
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
      if (r == QSystemTrayIcon::Trigger) WMTrayIcon();
    });
  }
  // Whether the platform has a notification area is not looked at.
  tray_->show();
}

void TForm1::DeleteIcon() {
  if (tray_ != nullptr) tray_->hide();
  FState.iconShown = false;
}

}  // namespace vistel
