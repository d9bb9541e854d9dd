#pragma once

#include "controls/bevel.h"
#include "controls/label.h"
#include "controls/picture_control.h"
#include "windows/form.h"

namespace vistel {

// The control panel: the wreath skin over the viewer, with the status labels
// that hold the zoom and centring state, four guide lines, and the tiny hot
// spots and arrow pads on the top-right butterfly and the blue flower.
class TForm2 : public Form {
  Q_OBJECT

 public:
  TForm2();

  PictureControl* ImgBStock = nullptr;
  Label* FZoom = nullptr;
  Label* FCenter = nullptr;
  Bevel* BeTop = nullptr;
  Bevel* BeLeft = nullptr;
  Bevel* BeBottom = nullptr;
  Bevel* BeRight = nullptr;
  Label* LabLine4 = nullptr;
  Label* LabCenter = nullptr;
  Label* LabLeft = nullptr;
  Label* LabRight = nullptr;
  Label* LabBottom = nullptr;
  Label* LabTop = nullptr;
  Label* LabF6 = nullptr;
  Label* LabF7 = nullptr;
  Label* LabAlt = nullptr;
  Label* LabF5 = nullptr;
  Label* LabEsc = nullptr;
  Label* LabCtrl = nullptr;
  Label* LabShfHm = nullptr;
  Label* LabShf1 = nullptr;
  Label* LabShf2 = nullptr;
  Label* LabShf3 = nullptr;
  Label* LabShfEnd = nullptr;
  Label* LabShfPu = nullptr;
  Label* LabShfPd = nullptr;
  Label* WholeImg = nullptr;

  // A press-and-hold repetition on an arrow pad is running.
  bool FRepeating = false;

  // Hot spots, arrow pads and switches.
  void LabLine4Click();
  void LabLeftMouseEnter(Control& pad);
  void LabLeftMouseLeave(Control& pad);
  void LabLeftMouseDown(Control& pad, const MouseEvent& e);
  // Ends a hold: the release on any pad, or a press the pad lost.
  void LabLeftMouseUp();
  void LabF6Click(Control& spot);
  void LabF6MouseEnter(Control& spot);
  void LabF6MouseLeave(Control& spot);
  void WholeImgClick();

  // Hands every key to the viewer's command map, unchanged.
  void FormKeyDown(QObject* sender, int& key, int shift);
  void keyDown(int& key, int shift) override;

 private:
  void wireHotSpots();
  // One step of the held pad, and the pause timer that repeats it.
  void PadStep();
  void PadHoldTick();
  void FocusHandBack();
  void buildComponents();
  void FormCreate();

  QTimer holdTimer_;
  int holdTag_ = 0;
  MouseButton holdButton_ = MouseButton::Left;
};

}  // namespace vistel
