#pragma once
// "Audio cannel display": the sound track around the current frame and the
// time-signal beep of the frame.
#include <QImage>
#include <QWidget>
#include <functional>

#include "base/ui/ControlsForward.h"
#include "timing/SoundTrack.h"

// What the indicator reads from and reports to the main window.
struct SoundIndicatorHost {
  std::string WavFileName;
  std::function<int()> CurrentFrame;
  std::function<int()> FrameCount;
  std::function<double()> TimingFrameRate;
  std::function<bool()> MeasuringRun;
  // Called after every drawing with SoundSignalDetected and SoundSignalPercentText.
  std::function<void(bool, const std::string&)> Report;
  std::function<void()> Closed;  // SoundGraphOpen := False
};

class TSoundIndicator : public QWidget {
  Q_OBJECT
 public:
  TSoundIndicator(SoundIndicatorHost host, QWidget* owner = nullptr);
  ~TSoundIndicator() override;

  QLabel* SndImage = nullptr;
  QImage Picture;  // what SndImage shows
  TRadioGroup* RadioGroup1 = nullptr;
  TRadioGroup* RadioGroup2 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  TUpDown* UpDown1 = nullptr;
  TUpDown* UpDown2 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLineEdit* Edit5 = nullptr;
  QLineEdit* Edit6 = nullptr;
  QLineEdit* Edit7 = nullptr;
  QLineEdit* Edit8 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Panel1 = nullptr;
  QPushButton* Button1 = nullptr;

  SoundTrack Track;
  int SoundGain = 50;
  bool SoundSignalDetected = false;
  std::string SoundSignalPercentText;

  bool SoundInit();
  void SamplingRateShow();
  void GraphDraw();
  void GraphAreaInit();
  void Button1Click();
  void UpDown1Click();
  void UpDown2Click();
  void RadioGroup1Click() { GraphDraw(); }
  void RadioGroup2Click() { GraphDraw(); }

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void SetGain(int gain);
  SoundIndicatorHost host_;
};
