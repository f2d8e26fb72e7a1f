#pragma once
// The event analysis as the chart reaches it: the diffraction panel over the
// chart, the fit it runs, the star's spectrum and the report lines, all on
// one event state. A host that shows the chart owns one and hands it over.
#include "chart/ui/ChartAnalysis.h"

struct ChartEventState;

class ChartEventAnalysis final : public ChartAnalysis {
 public:
  explicit ChartEventAnalysis(ChartEventState& events) : events_(events) {}

  void ChartOpening(Tchart1& chart) override;
  void OpenDiffractionPanel(Tchart1& chart) override;
  void CloseDiffractionPanel(Tchart1& chart) override;
  bool Fitting(const Tchart1& chart) const override;
  void StopFit(Tchart1& chart) override;
  void AfterSelection(Tchart1& chart) override;
  void ClampWindows(Tchart1& chart, int offset_min, int offset_max) override;
  std::optional<std::vector<std::string>> MakeReport() override;
  std::vector<std::string> ReportPreview() const override;

 private:
  ChartEventState& events_;
};
