// Main window: the light-curve chart. 'Graph' opens the chart over the
// results table; the main window answers what the chart asks of it (table,
// settings, read-outs), shows the frame of a clicked record and keeps the
// chart's state between openings.
#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <cstdlib>

#include "app/ui/TPlatform.h"
#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/Layouts.h"
#include "base/ui/NamedItems.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TFresnelCtrl.h"
#include "events/ui/TLightCurveReport.h"
#include "events/ui/TMagnitudeCalculator.h"

// ---- the chart's view of the main window ----

TPlatformChartHost::TPlatformChartHost(TPlatform& w) : w_(w), table_(w.Results), analysis_(w.Events) {}

int TPlatformChartHost::CsvVersion() const { return w_.Options.CsvVersion; }
int TPlatformChartHost::ObjectCount() const { return w_.Run.ObjectCount; }
int TPlatformChartHost::SelectedObject() const { return w_.Run.SelectedObject; }
// Negative while playing backwards; the chart's grid wants the step size.
int TPlatformChartHost::FrameStep() const { return std::abs(w_.Run.FrameStep); }
// A table loaded without its video is timed by the rate its video-system
// line names; the rate of a video open before is not that table's.
int TPlatformChartHost::FrameRateRounded() const {
  if (w_.Run.VideoLoaded) return w_.Video.FrameRateRounded;
  return static_cast<int>(RoundHalfEven(std::clamp(w_.Video.TimingFrameRate, 0.0L, 1e6L)));
}
double TPlatformChartHost::TimingFrameRate() const { return static_cast<double>(w_.Video.TimingFrameRate); }
bool TPlatformChartHost::PsfPhotometry() const { return w_.CheckBox14->isChecked(); }
bool TPlatformChartHost::FieldMeasure() const { return w_.CheckBox2->isChecked(); }
std::string TPlatformChartHost::VideoFileName() const { return w_.Video.VideoFileName; }

std::array<std::string, 4> TPlatformChartHost::TimeReadout() const {
  return {w_.Edit24->text().toStdString(), w_.Edit25->text().toStdString(), w_.Edit26->text().toStdString(),
          w_.Edit27->text().toStdString()};
}

bool TPlatformChartHost::FixRangeChecked() const { return w_.FixMin6MaxofGraph1->isChecked(); }

void TPlatformChartHost::SetFixRangeItem(bool checked, bool enabled) {
  w_.FixMin6MaxofGraph1->setChecked(checked);
  w_.FixMin6MaxofGraph1->setEnabled(enabled);
}

void TPlatformChartHost::SetEdit54(const std::string& text) { w_.Edit54->setText(QString::fromStdString(text)); }

// The frame scroll bar runs the frame-change chain when the position changes;
// the frame is then measured and shown twice more, as the chart's click asks.
// The FFmpeg graph is primed before the position moves.
void TPlatformChartHost::ShowFrame(int frame) {
  // A run owns the frame position: a frame shown out of turn would be
  // measured into the table again, and the run would go on from there.
  if (w_.Run.MeasuringRun) return;
  if (w_.Video.VideoAccessKind == static_cast<uint8_t>(VideoAccess::DirectShow))
    w_.Sources.DirectShow.DSPrimeGraph();
  w_.ScrollBar1->setValue(frame);
  w_.ShowNeighbor();
  w_.ShowNeighbor();
}

void TPlatformChartHost::SetAperturePosition(int k, int x, int y) {
  if (k < 1 || k > 3) return;
  ObjectResult& o = w_.Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)];
  o.X = x;
  o.Y = y;
}

QRect TPlatformChartHost::MainWindowGeometry() const { return w_.frameGeometry(); }
std::string TPlatformChartHost::ExecutableFolder() const { return w_.ExeFolder(); }

bool TPlatformChartHost::ToolAvailable(ChartTool tool) const {
  return tool == ChartTool::MagnitudeCalculator || tool == ChartTool::LunarIdentification ||
         tool == ChartTool::LedGraph || tool == ChartTool::StarImage3D;
}

void TPlatformChartHost::OpenTool(ChartTool tool, QWidget* from) {
  (void)from;
  if (tool == ChartTool::StarImage3D) w_.StarImg3DShow();
  if (tool == ChartTool::MagnitudeCalculator) OpenMagnitudeCalculator(w_.Events, w_.ReportLink, &w_);
  if (tool == ChartTool::LunarIdentification) w_.OpenLunarIdentification(true);
  if (tool == ChartTool::LedGraph) w_.OpenLedGraph();
}

void TPlatformChartHost::RefreshTool(ChartTool tool) {
  if (tool != ChartTool::MagnitudeCalculator) return;
  if (TMagnitudeCalculator* calculator = MagnitudeCalculator()) calculator->AfterChartClick();
}

ChartWindowSlot::~ChartWindowSlot() {
  delete Window.data();
}

// ---- controls ----

QWidget* TPlatform::CreateChartPanel() {
  auto* panel = new QWidget;
  auto* row = EdgeLayout<QHBoxLayout>(panel);
  Edit71 = NamedReadOut("Edit71", "3. Light curve", 100);
  Edit54 = NamedReadOut("Edit54");
  row->addWidget(Edit71);
  row->addWidget(Edit54, 1);
  return panel;
}

void TPlatform::CreateChartMenuItems() {
  QMenu* option = TopMenu("Option1", "Option");
  FixMin6MaxofGraph1 = NamedAction(option, "FixMin6MaxofGraph1", "Fix Graph's Min && Max");
  // A click toggles the check mark; the chart reads it at its next drawing.
  FixMin6MaxofGraph1->setCheckable(true);
  // Enabled by the chart's first drawing with a value range.
  FixMin6MaxofGraph1->setEnabled(false);
}

void TPlatform::ConnectChartHandlers() {
  CreateChartMenuItems();
  CreateMutualMenuItems();
  connect(Button18, &QPushButton::clicked, this, &TPlatform::Button18Click);
}

// ---- handlers ----

void TPlatform::Button18Click() {
  if (Run.Playing) return;
  ShowLightCurveGraph();
}

void TPlatform::ShowLightCurveGraph() {
  if (!Run.VideoLoaded && !Run.CsvLoaded) return;
  if (Run.MeasuringRun || Chart.ChartOpen || chart1.Window) return;
  const int count = GraphRowCount(Results.Lines());
  Chart.ChartState.TotalFrameCount = count;
  // The memo shows the whole table before the chart reads it.
  SyncMemo1();
  auto* chart = new Tchart1(ChartLink, Chart, Events, this);
  chart1.Window = chart;
  chart->show();
  if (count > 0) PaintBase(Edit71, QColor(0x00, 0xFF, 0xFF));
}

void TPlatform::ResetChartState() { Chart.ChartState.Reset = 1; }

void TPlatform::ClearEventTimingList() {
  ResetTimingList(Events.AsteroidTiming);
  Events.Flags.TimeFieldEdited = {0, 0, 0};
  // An open calculator must not go on listing the events just removed: its
  // Delete and main/minor pick entries by the listed line.
  if (TMagnitudeCalculator* calculator = MagnitudeCalculator()) calculator->ShowEventList();
}

void TPlatform::ChartVideoOpened() {
  Chart.AsteroidChartMode = 0;
  Events.Flags.IntegratedVideoMeasured = 0;
  // The block length was the previous video's: fits and event times of this
  // one count single frames until its own integration is set.
  Events.Flags.IntegrationCount = 0;
  Events.Identification.IntegratedPanelOpened = 0;
  PaintBase(Edit71, Qt::white);
}

void TPlatform::RedrawChart() {
  if (chart1.Window) chart1.Window->GraphShow3();
}

// The panel and the calculator timed the event of the table before: left
// open over a fresh table they would add that time to the new video's list.
// The report window holds that table's light curve, which would be saved
// and copied with the new video's events. The chart stays, over the new table.
void TPlatform::CloseEventAnalysisWindows() {
  if (chart1.Window && chart1.Window->FresnelCtrl) chart1.Window->FresnelCtrl->close();
  if (TMagnitudeCalculator* calculator = MagnitudeCalculator()) calculator->close();
  for (TLightCurveReport* report : findChildren<TLightCurveReport*>(Qt::FindDirectChildrenOnly)) report->close();
}

// Freed at once, not at the next turn of the event loop, so the chart can be
// opened again straight away.
bool TPlatform::CloseChartWindows() {
  if (QPointer<TMagnitudeCalculator> calculator = MagnitudeCalculator()) {
    calculator->close();
    delete calculator.data();
  }
  if (!chart1.Window) return false;
  chart1.Window->close();
  delete chart1.Window.data();
  return true;
}
