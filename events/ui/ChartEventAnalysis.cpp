#include "events/ui/ChartEventAnalysis.h"

#include <filesystem>

#include "chart/ui/Tchart1.h"
#include "events/ChartEventState.h"
#include "events/LightCurveReportLines.h"
#include "events/SpectralModel.h"
#include "events/ui/TFresnelCtrl.h"

void ChartEventAnalysis::ChartOpening(Tchart1& chart) {
  events_.Spectral.StarTemperature = 6650;
  RecomputeSpectralModel(events_.Spectral,
                         (std::filesystem::path(chart.Host().ExecutableFolder()) / kSensitivityFileName).string());
}

void ChartEventAnalysis::OpenDiffractionPanel(Tchart1& chart) {
  if (chart.FresnelCtrl) return;
  chart.FresnelCtrl = new TFresnelCtrl(chart, events_);
  chart.FresnelCtrl->show();
}

void ChartEventAnalysis::CloseDiffractionPanel(Tchart1& chart) {
  if (chart.FresnelCtrl) chart.FresnelCtrl->close();
}

bool ChartEventAnalysis::Fitting(const Tchart1& chart) const {
  return chart.FresnelCtrl && chart.FresnelCtrl->Fitting();
}

void ChartEventAnalysis::StopFit(Tchart1& chart) {
  if (chart.FresnelCtrl) chart.FresnelCtrl->StopFit();
}

void ChartEventAnalysis::AfterSelection(Tchart1& chart) {
  if (chart.FresnelCtrl) chart.FresnelCtrl->ShowAverage();
}

void ChartEventAnalysis::ClampWindows(Tchart1& chart, int offset_min, int offset_max) {
  if (chart.FresnelCtrl) chart.FresnelCtrl->ClampWindowsToRecords(offset_min, offset_max);
}

std::optional<std::vector<std::string>> ChartEventAnalysis::MakeReport() {
  TReportLightCurveElement& e = events_.ReportLightCurveElement;
  if (!ReportAllowed(e, events_.AsteroidTiming)) return std::nullopt;
  events_.ReportLightCurveData = MakeReportLines(e);
  return ReportDisplayLines(events_.ReportLightCurveData);
}

std::vector<std::string> ChartEventAnalysis::ReportPreview() const {
  return ReportPreviewLines(events_.ReportLightCurveElement);
}
