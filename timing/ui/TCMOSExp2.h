#pragma once
// "CMOSExp2": exposures near a target suited to 1PPS base-time calibration.
#include <QWidget>

#include "base/ui/ControlsForward.h"
#include "timing/CmosExposure.h"

class TCMOSExp2 : public QWidget {
  Q_OBJECT
 public:
  explicit TCMOSExp2(QWidget* owner = nullptr);
  ~TCMOSExp2() override;

  QPlainTextEdit* Memo1 = nullptr;
  QPlainTextEdit* Memo2 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label9 = nullptr;
  QLabel* Label10 = nullptr;
  QLabel* Label11 = nullptr;
  TUpDown* UpDown1 = nullptr;  // capture-time limit, with Edit1
  TUpDown* UpDown7 = nullptr;  // process dots, with Edit4
  TUpDown* UpDown8 = nullptr;  // shift share, with Edit5
  TUpDown* UpDown2 = nullptr;  // digits of the target: hundreds ..
  TUpDown* UpDown3 = nullptr;
  TUpDown* UpDown4 = nullptr;
  TUpDown* UpDown5 = nullptr;
  TUpDown* UpDown6 = nullptr;  // .. hundredths (hidden)
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;  // typed target exposure
  QLineEdit* Edit3 = nullptr;  // target frame rate
  QLineEdit* Edit4 = nullptr;
  QLineEdit* Edit5 = nullptr;

  CmosExp2State State;
  std::string LastExposureText;
  ExposureDigitSet ExposureDigits{};

  void FormCreate();
  void Button1Click();
  void Button2Click() { ShowExp2ReadMe(); }
  void ShowExp2ReadMe();
  void TakeExposureEntry();
  void DigitClick();
  void Edit2Exit() { TakeExposureEntry(); }
  void Edit2KeyPress();  // Enter
  void UpDown1Click();
  void UpDown7Click();
  void UpDown8Click();

 private:
  // True, after a warning ending in `outcome`, while the edit holds a text
  // that gave no target.
  bool TellExposureNotTaken(const QString& outcome);
  ExposureDigitSet DigitPositions() const;
  void SetDigitPositions(const ExposureDigitSet& d);
};
