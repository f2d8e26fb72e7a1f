// Main window: the report window that the chart's 'Make Report' opens, and
// what the report and magnitude windows read of the main window.
#include "app/ui/TPlatformReports.h"

#include <QCheckBox>
#include <QLineEdit>

#include "app/ui/TPlatform.h"
#include "base/ui/ControlEvents.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TFresnelCtrl.h"
#include "events/ui/TLightCurveReport.h"

namespace {

// The operation guide's step boxes exist only in builds that show the guide.
void PaintGuideBox(QLineEdit* box, const QColor& colour) {
  if (box) PaintBase(box, colour);
}

}  // namespace

ReportClock TPlatformReportHost::Clock() const {
  ReportClock c;
  c.TimeStampMode = w_.Options.TimeStampMode;
  c.TimingFrameRate = static_cast<double>(w_.Video.TimingFrameRate);
  c.FirstFrameTicks = w_.Ticks.FirstFrameTicks;
  c.LastFrameTicks = w_.Ticks.LastFrameTicks;
  return c;
}

std::string TPlatformReportHost::LastVideoDirectory() const { return w_.Settings.LastVideoDirectory; }

void TPlatformReportHost::MarkReportStepDone() { PaintGuideBox(w_.Edit73, QColor(255, 255, 0)); }

std::array<std::string, 4> TPlatformReportHost::FrameTime() const { return w_.ChartLink.TimeReadout(); }

int TPlatformReportHost::TimeStampMode() const { return w_.Options.TimeStampMode; }

double TPlatformReportHost::TimingFrameRate() const { return static_cast<double>(w_.Video.TimingFrameRate); }

int TPlatformReportHost::MeasurementInterval() const { return w_.UpDown9 ? w_.UpDown9->Position() : 1; }

void TPlatformReportHost::SetShowField(bool checked) {
  if (w_.CheckBox1) w_.CheckBox1->setChecked(checked);
}

void TPlatformReportHost::SetDiffractionStepAqua(bool aqua) {
  PaintGuideBox(w_.Edit72, aqua ? QColor(0, 255, 255) : QColor(255, 255, 255));
}

Tchart1* TPlatformReportHost::Chart() const { return w_.chart1.Window.data(); }

bool TPlatformReportHost::IntegratedPanelOpened() const {
  return w_.Events.Identification.IntegratedPanelOpened != 0;
}

void TPlatformReportHost::SetMainCameraText(const std::string& text) { w_.Edit55->setText(QString::fromStdString(text)); }

// The site and country last typed in the asteroid timing guide.
std::string TPlatformReportHost::ReportSiteName() const { return w_.Events.Identification.SiteNameText; }
std::string TPlatformReportHost::ReportCountryCode() const { return w_.Events.Identification.CountryCodeText; }

std::string TPlatformReportHost::PredictionCamera() const {
  return w_.Events.Identification.OccultationElements.Camera;
}

double TPlatformReportHost::PredictionCombinedMagnitude() const {
  return w_.Events.Identification.OccultationElements.CombinedMagnitude;
}

void TPlatformChartHost::ShowLightCurveReport(const std::vector<std::string>& lines) {
  if (!report_window_)
    report_window_ = new TLightCurveReport(w_.Events, w_.ReportLink, &w_);
  else {
    report_window_->ShowEventRows();  // events may have been added since it opened
    report_window_->ShowRecordAgain();  // and an event identified
    // An open window is not shown or activated again: the reports it shows
    // and saves would still be those of the list before.
    report_window_->BuildXmlReport();
    report_window_->BuildTextReport();
  }
  report_window_->SetLightCurveLines(lines);
  report_window_->show();
  report_window_->raise();
}

MagnitudePanelState TPlatformReportHost::PanelState() const {
  MagnitudePanelState p;
  const DiffractionState& d = w_.Events.Diffraction;
  p.Levels.Mean = d.LevelMean;
  p.Levels.StdError = d.LevelStdError;
  p.Levels.Count = d.LevelCount;
  p.DoubleStar = d.DoubleStarFit != 0;
  p.StepWindowSet = d.ThirdWindowFrom != d.ThirdWindowTo;
  p.StepHeightPercent = d.StepHeightPercent;
  p.ContactAngleText = w_.Events.Texts.ContactAngleText;
  p.FittedContactAngleText = w_.Events.Texts.FittedContactAngleText;
  p.CcdIndex = w_.Events.Spectral.CcdIndex;
  const Tchart1* chart = Chart();
  if (!chart || !chart->FresnelCtrl) return p;
  const TFresnelCtrl& panel = *chart->FresnelCtrl;
  const std::string offset1 = panel.Edit10->text().toStdString();
  p.Offset1Text = offset1.empty() ? "0" : offset1;
  p.Offset2Text = panel.Edit18->text().toStdString();
  p.ContactAngleText = panel.Edit8->text().toStdString();
  p.PredictedDropText = panel.Edit37->text().toStdString();
  p.DropConsidered = panel.CheckBox8->isChecked();
  return p;
}

void TPlatformReportHost::SetPanelEnabled(bool enabled) {
  if (Tchart1* chart = Chart(); chart && chart->FresnelCtrl) chart->FresnelCtrl->setEnabled(enabled);
}

QRect TPlatformReportHost::PanelGeometry() const {
  const Tchart1* chart = Chart();
  return chart && chart->FresnelCtrl ? chart->FresnelCtrl->frameGeometry() : QRect();
}
