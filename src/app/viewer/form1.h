#pragma once

#include <QMenu>
#include <QPointer>
#include <QString>
#include <string>
#include <vector>

#include "controls/picture_control.h"
#include "viewer/display_state.h"
#include "viewer/picture_rect.h"
#include "windows/form.h"

namespace vistel {

class TForm2;
enum class Pad;
class TForm3;
class THelpForm;
class TGetImgForm;

// The viewer: the main window. It carries the current picture (ImgBottoMov)
// under the frame mask (ImgMask), holds the other windows of the set and the
// state the command map, the gestures and the stacking commands work on.
class TForm1 : public Form {
  Q_OBJECT

 public:
  TForm1();
  ~TForm1() override;

  // Components, bottom of the stacking order first.
  PictureControl* ImgBottoMov = nullptr;
  PictureControl* ImgMask = nullptr;
  PictureControl* ImgBorder = nullptr;
  PictureControl* Image1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* SelectImg1 = nullptr;
  QAction* ImgRoll1 = nullptr;
  QAction* Back1 = nullptr;
  QAction* ImgName1 = nullptr;
  QAction* N1 = nullptr;
  QAction* Reset1 = nullptr;
  QAction* Help1 = nullptr;
  QAction* N3 = nullptr;
  QAction* Exit1 = nullptr;

  // The display state: the commands change it, then ShowState draws it
  // into the panel (status labels, the "+" switch and the guide lines).
  DisplayState FState;
  void ShowState();

  // The command map of the whole window set.
  void FormKeyDown(QObject* sender, int& key, int shift);

  void SelectImg1Click();
  void ImgRoll1Click();
  void Back1Click();
  void ImgName1Click();
  void Reset1Click();
  void Help1Click();
  void Exit1Click();

  // The picture rectangle (ImgBottoMov's bounds): edge moves, zoom steps and
  // natural size by code, the guide lines on its edges, the view reset, the
  // centring and whole-picture placements, and the display-mode toggles.
  void ResizeFrame(picture_rect::RectCode code);
  void SyncGuides();
  void ResetView();
  void CenterFrame();
  void PlaceWholePicture();
  void ToggleDisplayMode(picture_rect::Toggle which);
  // The panel's switches: guide lines, centring (the centre pad) and the
  // whole-picture placement (false when switching it off found the picture
  // at its natural size already, and only the switch went off).
  void GuidesSwitch();
  void CentringSwitch();
  bool WholePictureSwitch();

  // Mouse gestures on ImgMask, ImgBorder and the panel's ImgBStock; x and y
  // are in the surface's client coordinates, every kept position is on the
  // screen.
  void ImgBorderMouseDown(Control& surface, MouseButton button, int shift, int x, int y);
  void ImgBorderMouseMove(Control& surface, int shift, int x, int y);
  void ImgBorderMouseUp(Control& surface, MouseButton button, int shift, int x, int y);
  void ImgMaskDblClick();
  // A press on the mask or the skin copy ended without its release.
  void ImgBorderPressLost();
  // Both buttons held: opens the chooser.
  void BothButtons();
  void ShowPanel();
  void HidePanel();
  void DragFrame(int x, int y);
  void DragWindow(int x, int y);
  void DragPicture(int x, int y);
  void FastDragPicture(int x, int y);
  void RollPicture(int x, int y);

  // The window set, wired in one place (window_wiring.cpp): the other
  // windows say what happened through their events and never reach back.
  void ConnectWindows();
  void ConnectBackdrop(TForm3& backdrop);
  // A chosen picture: loaded into ImgBottoMov and placed by the zoom mode;
  // false when it has no width. Throws the reader's error, leaving the
  // picture as it was.
  bool ShowChosenPicture(const std::string& path);
  // A panel hot spot's key: the command map, and for Ctrl the rolling start.
  void HotSpotKey(int key, int shift);
  // One step of an arrow pad: the left button moves the top or left edge,
  // the right one the bottom or right edge.
  void PadStep(Pad pad, MouseButton button);

  // Window set and state.
  TForm2* FPanel = nullptr;
  THelpForm* FHelpForm = nullptr;
  TGetImgForm* FChooser = nullptr;
  TForm3* FBackdrop = nullptr;
  double FAspect = 0.0;
  bool FChooserShown = false;
  bool FPanelShown = true;
  bool FTracking = false;
  bool FLockMouse = false;
  bool FMoved = false;
  // Set once the viewer is closing: activations from then on restore nothing.
  bool FClosing = false;
  int FLastX = 0;
  int FLastY = 0;
  int FAnchorX = 0;
  int FAnchorY = 0;
  int FRollCount = 0;
  int FFastX = 0;
  int FFastY = 0;
  int FIgnoreUps = 0;

  // The notification-area icon that stands for the set while it is sent back.
  void AddIcon();
  void DeleteIcon();

  // Fading, the opaque switch, the chooser's place in the stack and the
  // black backdrop behind the device.
  void FadeIn();
  void FadeOut();
  void OpaqueSwitch();
  void ChooserOrderSwitch();
  void BackdropToggle();
  void ChooserBehindBackdrop();
  // The application gained (true) or lost activation.
  void WMActivateApp(bool active);
  // A press of the left button on the notification-area icon.
  void WMTrayIcon();

  // The teardown, run once when the viewer closes (also from the destructor).
  void FormDestroy();

  void keyDown(int& key, int shift) override;

 protected:
  void closeEvent(QCloseEvent* e) override;
  // Minimising the viewer (its task-bar entry stands for the whole set)
  // takes the set's other windows off the screen with it, and restoring it
  // brings them back.
  void changeEvent(QEvent* e) override;

 private:
  void buildComponents();
  void buildPopupMenu();
  void FormCreate();

  void SetFadeLevel(int level);
  void ReturnFocus();

  bool destroyed_ = false;
  class QSystemTrayIcon* tray_ = nullptr;
  std::vector<QPointer<Form>> minimisedWith_;
};

// The one program-wide reference to the viewer, valid from the start of the
// viewer's construction until it is destroyed.
extern TForm1* Form1;

}  // namespace vistel
