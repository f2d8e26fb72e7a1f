#pragma once
// 'Measurement Option': the less common measurement options. Every control
// writes the main window's value at once; nothing goes into the settings file.
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include "base/ui/ControlsForward.h"

class TPlatform;

class TMeasurementOption : public QDialog {
  Q_OBJECT
 public:
  explicit TMeasurementOption(TPlatform& platform);

  void FormCreate();
  void ShowLedBox();
  void CheckBox1Click();
  void CheckBox2Click();
  void CheckBox3Click();
  void CheckBox4Click();
  void CheckBox5Click();
  void CheckBox6Click();
  void CheckBox7Click();
  void CheckBox8Click();
  void RadioGroup1Click();
  void UpDown1Click();
  void UpDown2Click();
  void UpDown3Click();
  void UpDown4Click();
  void ScrollBar1Change();
  void Button1Click();

  QCheckBox* CheckBox1 = nullptr;  // 'Upper'
  QCheckBox* CheckBox2 = nullptr;  // 'Lower'
  QCheckBox* CheckBox3 = nullptr;  // 'Available'
  QCheckBox* CheckBox4 = nullptr;  // 'Direction of rectangle BKG'
  QCheckBox* CheckBox5 = nullptr;  // 'Measure the peak of pixel'
  QCheckBox* CheckBox6 = nullptr;  // 'Make easy operation for click'
  QCheckBox* CheckBox7 = nullptr;  // 'Subtract background'
  QCheckBox* CheckBox8 = nullptr;  // 'for Rectangle Aperture'
  TUpDown* UpDown1 = nullptr;      // saturation level (Edit1)
  TUpDown* UpDown2 = nullptr;      // start peak of a saturated star (Edit2)
  TUpDown* UpDown3 = nullptr;      // Signal1 half width (Edit3)
  TUpDown* UpDown4 = nullptr;      // Signal1 half height (Edit4)
  QScrollBar* ScrollBar1 = nullptr;  // x of the Signal1 box
  TRadioGroup* RadioGroup1 = nullptr;  // 'Display Measurement Region'
  QLineEdit* Edit5 = nullptr;      // fixed frame interval
  QPushButton* Button1 = nullptr;  // 'Set'

 private:
  void SetScrollLimits();
  TPlatform& w_;
};
