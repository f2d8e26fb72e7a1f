// The launchers of the timing tools: CMOS exposure tables, timing-error graph
// and simulation, linearity demonstration.
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "app/ui/TPlatform.h"
#include "timing/ui/TCMOSExposureCalc.h"
#include "timing/ui/TLinearity.h"
#include "timing/ui/TTimingError.h"
#include "timing/ui/TTimingErrorSimulation.h"

namespace {
QMenu* ToolsMenu(QMenuBar* bar) {
  QMenu* tools = bar->findChild<QMenu*>("Tools1");
  if (tools) return tools;
  tools = bar->addMenu("Tools");
  tools->setObjectName("Tools1");
  return tools;
}
}  // namespace

void TPlatform::CreateTimingMenuItems() {
  LinearityOpen() = false;
  TimingErrorOpen() = false;
  QMenu* tools = ToolsMenu(menuBar());
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
  CMOSExposureCalc() = new TCMOSExposureCalc(this);
  CMOSExposureCalc()->show();
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
