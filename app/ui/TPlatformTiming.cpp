// The launchers of the timing tools: CMOS exposure tables, timing-error graph
// and simulation, linearity demonstration.
#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>

#include "app/ui/TPlatform.h"
#include "app/ui/TPlatformChartHost.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "base/ui/Layouts.h"
#include "base/ui/NamedItems.h"
#include "chart/ui/Tchart1.h"
#include "base/ui/MemoLines.h"
#include "events/ui/TFresnelCtrl.h"
#include "events/ui/TLunarVelocityCalculator.h"
#include "timing/ui/TCMOSExposureCalc.h"
#include "timing/ui/TLinearity.h"
#include "timing/ui/TSoundIndicator.h"
#include "timing/ui/TTimingError.h"
#include "timing/ui/TTimingErrorSimulation.h"

void TPlatform::CreateTimingMenuItems() {
  LinearityOpen() = false;
  TimingErrorOpen() = false;
  QMenu* tools = TopMenu("Tools1", "Tools");
  ExposureTimeCalculationforCMOSCam1 =
      NamedAction(tools, "ExposureTimeCalculationforCMOSCam1", "Exposure Time Calculation for CMOS Cam");
  ExposureTimeCalculationforCMOSCam1->setShortcut(QKeySequence("Ctrl+C"));
  LinearityofVideo1 = NamedAction(tools, "LinearityofVideo1", "Linearity of Video");
  Errorestimation1 = NamedAction(tools, "Errorestimation1", "Error estimation");
  connect(ExposureTimeCalculationforCMOSCam1, &QAction::triggered, this,
          &TPlatform::ExposureTimeCalculationforCMOSCam1Click);
  connect(LinearityofVideo1, &QAction::triggered, this, &TPlatform::LinearityofVideo1Click);
  connect(Errorestimation1, &QAction::triggered, this, &TPlatform::Errorestimation1Click);
}

void TPlatform::LunarVelocityCalculator1Click() {
  if (TLunarVelocityCalculator::IsOpen()) return;
  TLunarVelocityCalculator::Open(this, [this]() -> TFresnelCtrl* {
    return chart1.Window ? chart1.Window->FresnelCtrl.data() : nullptr;
  });
}

QWidget* TPlatform::CreateTimingPanel() {
  auto* panel = new QWidget;
  auto* v = EdgeLayout<QVBoxLayout>(panel);
  Button30 = Named<QPushButton>("Button30", "Timing Error Simulation");
  connect(Button30, &QPushButton::clicked, this, &TPlatform::Button30Click);
  v->addWidget(Button30);

  auto* dev = Named<QGroupBox>("GroupBoxDeveloper", "Developer");
  auto* g = new QGridLayout(dev);
  CheckBox12 = Named<QCheckBox>("CheckBox12", "fresnel textout");
  CheckBox25 = Named<QCheckBox>("CheckBox25", "Diffraction calc to Memo5");
  RadioGroup6 = new TRadioGroup("RadioGroup6", "", {"clRed", "clBlue", "clGray", "cLBlack"}, 4, dev);
  RadioGroup6->SetItemIndex(0);
  Memo5 = Named<QPlainTextEdit>("Memo5");
  Memo5->setVisible(false);
  AddGridRow(g, 0, {CheckBox12, CheckBox25});
  g->addWidget(RadioGroup6, 1, 0, 1, 3);
  g->addWidget(Memo5, 2, 0, 1, 3);
  v->addWidget(dev);
  return panel;
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
  host.WavFileName = Sound.WavFileName;
  host.CurrentFrame = [this] { return ScrollBar1->value(); };
  host.FrameCount = [this] { return ScrollBar1->maximum() + 1; };
  host.TimingFrameRate = [this] { return static_cast<double>(Video.TimingFrameRate); };
  host.MeasuringRun = [this] { return Run.MeasuringRun != 0; };
  // The decision and the share of signal samples go into the frame's rows.
  host.Report = [this](bool detected, const std::string& percent) {
    Sound.SoundSignalDetected = detected;
    Driver.PendingSoundNote = percent;
  };
  host.Closed = [this] {
    OpenWindows.SoundGraphOpen = false;
    Sound.SoundSignalDetected = false;
    Driver.PendingSoundNote.clear();
  };
  auto* w = new TSoundIndicator(std::move(host), this);
  SoundIndicator = w;
  OpenWindows.SoundGraphOpen = true;
  Sound.SoundSignalDetected = false;
  if (!w->SoundInit()) {
    w->close();
    // A damaged track is made again from the video on the next click.
    Sound.WavMadeFor.clear();
    Dialogs().ShowWarning(QString::fromStdString("WAV data could not be read.\r\nThe sound file " + Sound.WavFileName +
                                                 " is damaged or too short."));
    return;
  }
  w->SamplingRateShow();
  w->GraphDraw();
  w->show();
}

void TPlatform::RedrawSoundIndicator() {
  if (auto* w = qobject_cast<TSoundIndicator*>(SoundIndicator.data()); w && OpenWindows.SoundGraphOpen) w->GraphDraw();
}

DeveloperListingOptions TPlatformChartHost::DeveloperListing() const {
  DeveloperListingOptions o;
  o.CurveValues = w_.CheckBox12 && w_.CheckBox12->isChecked();
  o.DiskIntensity = w_.CheckBox25 && w_.CheckBox25->isChecked();
  o.CurveColour = w_.RadioGroup6 ? std::max(0, w_.RadioGroup6->ItemIndex()) : 0;
  return o;
}

void TPlatformChartHost::AddDeveloperLines(DeveloperMemo memo, const std::vector<std::string>& lines, bool clear) {
  QPlainTextEdit* m = memo == DeveloperMemo::Memo5 ? w_.Memo5 : w_.Memo2;
  if (!m) return;
  if (clear) m->clear();
  AppendMemoLines(m, lines);
}
