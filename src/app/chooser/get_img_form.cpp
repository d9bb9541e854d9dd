#include "chooser/get_img_form.h"

#include "viewer/form1.h"
#include "viewer/window_attributes.h"

namespace vistel {

TGetImgForm::TGetImgForm() {
  applyDeviceAttributes(*this, kBlue);
  setWindowTitle(QStringLiteral("GetImgForm"));

  wholepanel = new QFrame(this);
  wholepanel->setObjectName(QStringLiteral("wholepanel"));
  wholepanel->setGeometry(220, 118, 401, 330);
  wholepanel->setAutoFillBackground(true);
  QPalette p = wholepanel->palette();
  p.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
  wholepanel->setPalette(p);
  wholepanel->setFrameShape(QFrame::NoFrame);
  wholepanel->hide();

  FormCreate();
  setVisible(true);
}

TGetImgForm::~TGetImgForm() { FormDestroy(); }

void TGetImgForm::FormCreate() {}

void TGetImgForm::FormDestroy() {}

void TGetImgForm::keyDown(int& key, int shift) { FormKeyDown(this, key, shift); }

void TGetImgForm::FormKeyDown(QObject* sender, int& key, int shift) {
  Form1->FormKeyDown(sender, key, shift);
}

}  // namespace vistel
