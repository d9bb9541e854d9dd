#pragma once

#include <QFont>
#include <functional>
#include <vector>

#include "controls/bevel.h"
#include "controls/label.h"
#include "controls/picture_control.h"
#include "windows/form.h"

namespace vistel {

class Canvas;

// The arrow pads on the blue flower: four move an edge, the middle one
// switches centring.
enum class Pad { Up, Down, Left, Right, Centre };

// The control panel: the wreath skin over the viewer, with the status labels
// that show the zoom and centring state, four guide lines, and the tiny hot
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

  // What happens on the panel, told to the one place that wires the window
  // set; the panel knows no other window.
  struct Events {
    // Every key, unchanged, for the command map.
    std::function<void(QObject* sender, int& key, int shift)> key;
    // Presses, moves, releases and double clicks on the skin: the device's
    // gestures.
    std::function<void(Control&skin, const MouseEvent&)> skinDown, skinMove, skinUp;
    std::function<void()> skinDoubleClick;
    // One step of a held arrow pad (not the centre pad).
    std::function<void(Pad, MouseButton)> padStep;
    std::function<void()> centreSwitch;  // the centre pad
    std::function<void()> guidesSwitch;  // the "+" switch
    // The whole-picture switch; false when switching it off changed nothing
    // but the switch.
    std::function<bool()> wholePictureSwitch;
    // A hot spot stands for a key of the command map.
    std::function<void(int key, int shift)> hotSpot;
    // The focus goes back to the chooser's file list, if it is shown.
    std::function<void()> focusFileList;
  } events;

  // The faces the panel's labels are drawn in: the first text on the screen.
  static std::vector<QFont> labelFaces();
  // The fittings of the labels' fonts to their captions, to be worked out
  // ahead of the panel (FontPreload).
  static std::vector<FontFit> labelFits();
  // Fits the labels' fonts to their captions and shows them; again, with
  // the same outcome as the first time, once the fits have been worked out
  // anew (the kept ones the first frame used may differ).
  void fitLabels();

  // Paints the skin as the viewer shows it in place of the panel during
  // drags: rows below the skin white, see-through like the panel's own.
  void paintSkinCopy(Canvas target) const;

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

  // Hands every key on through events.key, unchanged.
  void FormKeyDown(QObject* sender, int& key, int shift);
  void keyDown(int& key, int shift) override;

 private:
  void wireHotSpots();
  // One step of the held pad, and the pause timer that repeats it.
  void PadStep();
  void PadHoldTick();
  void FocusHandBack();
  void buildComponents();

  QTimer holdTimer_;
  Pad holdPad_ = Pad::Up;
  MouseButton holdButton_ = MouseButton::Left;
};

}  // namespace vistel
