#pragma once
// The event analysis behind the chart's diffraction mode and report: the
// diffraction panel with its fit, the star's spectrum and the light-curve
// report lines. It belongs to a higher folder, so the chart reaches it
// through its host (`ChartHost::Analysis`).
#include <optional>
#include <string>
#include <vector>

class Tchart1;

class ChartAnalysis {
 public:
  virtual ~ChartAnalysis() = default;
  // The chart window opens: the star's spectrum starts again.
  virtual void ChartOpening(Tchart1& chart) = 0;
  // 'Diffraction Analysis': the panel beside the chart, once.
  virtual void OpenDiffractionPanel(Tchart1& chart) = 0;
  virtual void CloseDiffractionPanel(Tchart1& chart) = 0;
  // The panel's fit on worker threads.
  virtual bool Fitting(const Tchart1& chart) const = 0;
  // Stops a running fit and waits for its threads.
  virtual void StopFit(Tchart1& chart) = 0;
  // A selection in diffraction mode: the panel's levels follow it.
  virtual void AfterSelection(Tchart1& chart) = 0;
  // The records before and after the selection bound the panel's windows.
  virtual void ClampWindows(Tchart1& chart, int offset_min, int offset_max) = 0;
  // 'Make Report': the report's display lines, none when it is refused.
  virtual std::optional<std::vector<std::string>> MakeReport() = 0;
  // The hidden preview button's lines.
  virtual std::vector<std::string> ReportPreview() const = 0;
};
