// The launchers of the timing tools: CMOS exposure tables, timing-error graph
// and simulation, linearity demonstration.
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>

#include "app/ui/TPlatform.h"
#include "timing/ui/TCMOSExposureCalc.h"
#include "timing/ui/TLinearity.h"
#include "timing/ui/TSoundIndicator.h"
#include "timing/ui/TTimingError.h"
#include "timing/ui/TTimingErrorSimulation.h"

void TPlatform::CreateTimingMenuItems() {
  LinearityOpen() = false;
  TimingErrorOpen() = false;
  QMenu* tools = TopMenu("Tools1", "Tools");
  ExposureTimeCalculationforCMOSCam1 = tools->addAction("Exposure Time Calculation for CMOS Cam");
  ExposureTimeCalculationforCMOSCam1->setObjectName("ExposureTimeCalculationforCMOSCam1");
  ExposureTimeCalculationforCMOSCam1->setShortcut(QKeySequence("Ctrl+C"));
  LinearityofVideo1 = tools->addAction("Linearity of Video");
  LinearityofVideo1->setObjectName("LinearityofVideo1");
  Errorestimation1 = tools->addAction("Error estimation");
  Errorestimation1->setObjectName("Errorestimation1");
  connect(ExposureTimeCalculationforCMOSCam1, &QAction::triggered, this,
          &TPlatform::ExposureTimeCalculationforCMOSCam1Click);
  connect(LinearityofVideo1, &QAction::triggered, this, &TPlatform::LinearityofVideo1Click);
  connect(Errorestimation1, &QAction::triggered, this, &TPlatform::Errorestimation1Click);
}

QWidget* TPlatform::CreateTimingPanel() {
  Button30 = new QPushButton("Timing Error Simulation");
  Button30->setObjectName("Button30");
  connect(Button30, &QPushButton::clicked, this, &TPlatform::Button30Click);
  return Button30;
}

void TPlatform::ExposureTimeCalculationforCMOSCam1Click() {
  // The window made at start-up, or still open, is shown rather than doubled.
  if (!CMOSExposureCalc()) CMOSExposureCalc() = new TCMOSExposureCalc(this);
  CMOSExposureCalc()->show();
  CMOSExposureCalc()->raise();
  CMOSExposureCalc()->Memo1->clear();
}

void TPlatform::LinearityofVideo1Click() {
  if (LinearityOpen()) return;
  auto* w = new TLinearity(this);
  w->exec();
}

void TPlatform::Errorestimation1Click() { OpenTimingError(this); }

void TPlatform::Button30Click() {
  auto* w = new TTimingErrorSimulation(this);
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->exec();
}

void TPlatform::OpenSoundIndicator() {
  SoundIndicatorHost host;
  host.WavFileName = WavFileName;
  host.CurrentFrame = [this] { return ScrollBar1->value(); };
  host.FrameCount = [this] { return ScrollBar1->maximum() + 1; };
  host.TimingFrameRate = [this] { return static_cast<double>(Video.TimingFrameRate); };
  host.MeasuringRun = [this] { return Run.MeasuringRun != 0; };
  host.Report = [this](bool detected, const std::string&) { SoundSignalDetected = detected; };
  host.Closed = [this] {
    SoundGraphOpen = false;
    SoundSignalDetected = false;
  };
  auto* w = new TSoundIndicator(std::move(host), this);
  SoundIndicator = w;
  SoundGraphOpen = true;
  SoundSignalDetected = false;
  if (!w->SoundInit()) {
    w->close();
    return;
  }
  w->SamplingRateShow();
  w->GraphDraw();
  w->show();
}

void TPlatform::RedrawSoundIndicator() {
  if (auto* w = qobject_cast<TSoundIndicator*>(SoundIndicator.data()); w && SoundGraphOpen) w->GraphDraw();
}
