#pragma once
// "CMOSExposureCalc": exposure times suited to the frame-offset method.
#include <QPointer>
#include <QWidget>

#include "base/ui/ControlsForward.h"
#include "timing/CmosExposure.h"

class TCMOSExp2;

class TCMOSExposureCalc : public QWidget {
  Q_OBJECT
 public:
  explicit TCMOSExposureCalc(QWidget* owner = nullptr);

  QPlainTextEdit* Memo1 = nullptr;
  QPlainTextEdit* Memo2 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label6 = nullptr;
  TUpDown* UpDown1 = nullptr;
  TUpDown* UpDown2 = nullptr;
  TRadioGroup* RadioGroup1 = nullptr;
  QPushButton* Button1 = nullptr;

  void FormCreate();
  void UpDown1Click();
  void UpDown2Click();
  void RadioGroup1Click();
  void Button1Click();

 private:
  void ListTable();
};

// The one table of the program, kept between openings of the window.
CmosExposureTable& CMOSExposureTable();

// The current instances (created hidden at start-up, replaced by launchers).
QPointer<TCMOSExposureCalc>& CMOSExposureCalc();
QPointer<TCMOSExp2>& CMOSExp2();
// Creates both windows hidden, as the program does at start.
void CreateCmosExposureWindows(QWidget* owner);
