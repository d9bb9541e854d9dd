#include "viewer/form1.h"

#include <QApplication>
#include <QCloseEvent>

#include "assets/embedded_assets.h"
#include "backdrop/form3.h"
#include "chooser/get_img_form.h"
#include "device/window_attributes.h"
#include "help/help_form.h"
#include "panel/form2.h"
#include "pictures/bmp_reader.h"
#include "viewer/program_icon.h"
#include "windows/desktop.h"
#include "windows/start_trace.h"

namespace vistel {

TForm1* Form1 = nullptr;

TForm1::TForm1() {
  // The set's windows are built and shown one by one, each changing the
  // stacking model; the screen gets the outcome in one go, at the end.
  const Desktop::MirrorHold hold(desktop());
  // Only the program's entry reaches the viewer through Form1 (the end
  // signals and the hand-over from another start); the other windows are
  // wired to it in ConnectWindows.
  Form1 = this;
  traceStart("viewer window object");
  desktop().stack().setMainWindow(windowId());
  desktop().stack().onAppActivation = [this](bool active) { WMActivateApp(active); };
  applyDeviceAttributes(*this, kBlack);
  // The title the task bar shows for the whole program.
  setWindowTitle(QStringLiteral("Vistel"));
  FormCreate();
  setVisible(true);
  traceStart("viewer shown");
}

TForm1::~TForm1() {
  desktop().stack().onAppActivation = nullptr;
  FormDestroy();
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::buildComponents() {
  ImgBottoMov = create<PictureControl>();
  ImgBottoMov->setName(QStringLiteral("ImgBottoMov"));
  // 640 x 480 until a picture gives the control its own size.
  ImgBottoMov->setLayout(0, 0, 640, 480, true);

  // The frame: black (the colour key) everywhere but its white opening,
  // whose white is not drawn, so the picture beneath shows there.
  ImgMask = create<PictureControl>();
  ImgMask->setName(QStringLiteral("ImgMask"));
  ImgMask->setAlign(Align::Client);
  ImgMask->setPicture(std::make_unique<BitmapPicture>(readBmp(assets::frameMaskBmp())));
  ImgMask->setTransparent(true);

  ImgBorder = create<PictureControl>();
  ImgBorder->setName(QStringLiteral("ImgBorder"));
  ImgBorder->setAlign(Align::Client);
  ImgBorder->setTransparent(true);
  ImgBorder->setVisible(false);

  Image1 = create<PictureControl>();
  Image1->setName(QStringLiteral("Image1"));
  Image1->setBounds(80, 16, 32, 32);
  Image1->setVisible(false);
  Image1->setPicture(programIconPicture());

  for (Control* c : controls()) c->setCursor(CursorShape::MultiDrag);

  // The mask and the skin copy share one set of gesture handlers.
  for (PictureControl* surface : {ImgMask, ImgBorder}) {
    surface->onMouseDown = [this](Control& c, const MouseEvent& m) {
      ImgBorderMouseDown(c, m.button, m.shift, m.x, m.y);
    };
    surface->onMouseMove = [this](Control& c, const MouseEvent& m) {
      ImgBorderMouseMove(c, m.shift, m.x, m.y);
    };
    surface->onMouseUp = [this](Control& c, const MouseEvent& m) {
      ImgBorderMouseUp(c, m.button, m.shift, m.x, m.y);
    };
    surface->onPressLost = [this](Control&) { ImgBorderPressLost(); };
  }
  ImgMask->onDblClick = [this](Control&) { ImgMaskDblClick(); };
}

void TForm1::buildPopupMenu() {
  PopupMenu1 = new QMenu(this);
  auto item = [this](const char* caption, void (TForm1::*handler)()) {
    QAction* a = PopupMenu1->addAction(QString::fromUtf8(caption));
    connect(a, &QAction::triggered, this, [this, a, handler](bool checked) {
      // The handlers own the check marks: undo the menu's own toggle first.
      if (a->isCheckable()) a->setChecked(!checked);
      (this->*handler)();
    });
    return a;
  };
  SelectImg1 = item("选择图像(&SelectImg)", &TForm1::SelectImg1Click);
  ImgRoll1 = item("图像滚动(ImgR&oll)", &TForm1::ImgRoll1Click);
  ImgRoll1->setCheckable(true);
  Back1 = item("窗口置后(&Back)", &TForm1::Back1Click);
  ImgName1 = item("提示图名(Img&Name)", &TForm1::ImgName1Click);
  ImgName1->setCheckable(true);
  N1 = PopupMenu1->addSeparator();
  Reset1 = item("复位(&Reset)", &TForm1::Reset1Click);
  Help1 = item("帮助(&Help)", &TForm1::Help1Click);
  N3 = PopupMenu1->addSeparator();
  Exit1 = item("退出(&Exit)", &TForm1::Exit1Click);
}

void TForm1::FormCreate() {
  // In this order, each built and running its own create handler before the
  // next; none has an owner: the viewer alone holds and frees them.
  FPanel = new TForm2();
  traceStart("panel built and shown");
  // The wreath is the first frame: it goes on the screen before the rest of
  // the set is built, which would keep it waiting for the event loop. The
  // viewer's own parts wait too: it is shown last.
  desktop().awaitFirstPaint(FPanel);
  traceStart("panel painted");
  // The windows' icon, which no window shows in the first frame: the panel
  // has no task-bar entry.
  QApplication::setWindowIcon(programIcon());
  buildComponents();
  buildPopupMenu();
  // The skin copy: shown in place of the panel during drags.
  FPanel->paintSkinCopy(ImgBorder->canvas());
  traceStart("viewer components (frame mask, icon, menu, skin copy)");
  // Hidden at start: its text box and picture wait until it is first shown.
  FHelpForm = new THelpForm(THelpForm::Contents::OnFirstShow);
  traceStart("help window built");
  FChooser = new TGetImgForm();
  traceStart("chooser built and shown");
  FPanelShown = true;
  FBackdrop = nullptr;
  ConnectWindows();
}

void TForm1::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  // The teardown never stops half-way. Destroying a window cannot fail (a
  // destructor does not throw), so only the icon's removal has a guard.
  try {
    if (FState.iconShown) DeleteIcon();
  } catch (...) {
    // Swallowed without a message; the windows are destroyed all the same.
  }
  delete FHelpForm;
  FHelpForm = nullptr;
  delete FPanel;
  FPanel = nullptr;
  delete FChooser;
  FChooser = nullptr;
  if (FBackdrop != nullptr) {
    FBackdrop->setVisible(false);
    delete FBackdrop;
    FBackdrop = nullptr;
  }
}

void TForm1::keyDown(int& key, int shift) { FormKeyDown(this, key, shift); }

void TForm1::closeEvent(QCloseEvent* e) {
  // Closing the main window ends the message loop and with it the program.
  FClosing = true;
  e->accept();
  // exit, not quit: quit asks every window to close first, and the other
  // windows of the set never close on their own.
  QCoreApplication::exit(0);
}

void TForm1::changeEvent(QEvent* e) {
  Form::changeEvent(e);
  if (e->type() != QEvent::WindowStateChange) return;
  if (isMinimized()) {
    for (Form* f : std::initializer_list<Form*>{FPanel, FChooser, FHelpForm, FBackdrop}) {
      if (f == nullptr || !f->isVisible()) continue;
      minimisedWith_.emplace_back(f);
      f->QWidget::setVisible(false);
    }
    return;
  }
  for (const QPointer<Form>& f : minimisedWith_)
    if (f) f->showNoActivate();
  minimisedWith_.clear();
}

void TForm1::Exit1Click() { close(); }

void TForm1::Help1Click() { FHelpForm->setVisible(!FHelpForm->visible()); }

void TForm1::ImgRoll1Click() { ImgRoll1->setChecked(!ImgRoll1->isChecked()); }

}  // namespace vistel
