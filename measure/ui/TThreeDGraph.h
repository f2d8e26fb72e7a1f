#pragma once
// "3D-Graph of Star Profile": the brightness around the selected object as a
// wire-mesh surface with its aperture and background outlined.
#include <QWidget>

#include "base/ui/ControlsForward.h"
#include "measure/ApertureMasks.h"
#include "measure/StarProfile3D.h"

class TThreeDGraph : public QWidget {
  Q_OBJECT
 public:
  // The grids and class maps belong to the main window (the grids keep their
  // contents between openings). Freed on close.
  TThreeDGraph(ProfileGrids& grids, const ApertureClassMap& classes, QWidget* opener);

  // The per-frame driver's reader of object k around (x, y); the shown image
  // is image_width x image_height.
  void ThreeDPixelread(int k, const Bitmap24& frame, int x, int y, int image_width, int image_height);
  void ThreeDGraphDraw(int k);

  void SpeedButton1Click();  // tilt up
  void SpeedButton2Click();  // tilt down
  void SpeedButton3Click();  // turn right
  void SpeedButton4Click();  // turn left
  void Button3Click();       // turn right by 30
  void Button4Click();       // turn left by 30
  void Button2Click();       // '0'
  void Button5Click();       // 'Copy to ClipBoard'
  void TrackBar1Change();
  void TrackBar2Change();
  void SettingsClick();      // RadioGroup1, MedianSelect, RadioGroup2

  ProfileView View;
  QLabel* TDGImage1 = nullptr;
  QPushButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *SpeedButton3 = nullptr, *SpeedButton4 = nullptr;
  QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr;
  QSlider* TrackBar1 = nullptr;
  QSlider* TrackBar2 = nullptr;
  TRadioGroup* RadioGroup1 = nullptr;
  TRadioGroup* MedianSelect = nullptr;
  TRadioGroup* RadioGroup2 = nullptr;
  // What the last draw painted, in order.
  std::vector<ProfileDrawItem> LastDrawing;

 private:
  void Turn(double by);
  void Redraw() { ThreeDGraphDraw(shown_object_); }
  ProfileGrids& grids_;
  const ApertureClassMap& classes_;
  int shown_object_ = 1;
};
