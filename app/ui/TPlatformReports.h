#pragma once
// The main window as the report and magnitude windows see it.
#include "events/ui/TMagnitudeCalculator.h"

class TPlatform;

class TPlatformReportHost final : public MagnitudeCalculatorHost {
 public:
  explicit TPlatformReportHost(TPlatform& w) : w_(w) {}
  ReportClock Clock() const override;
  std::string LastVideoDirectory() const override;
  void MarkReportStepDone() override;
  std::array<std::string, 4> FrameTime() const override;
  int TimeStampMode() const override;
  double TimingFrameRate() const override;
  int MeasurementInterval() const override;
  void SetShowField(bool checked) override;
  void SetDiffractionStepAqua(bool aqua) override;
  Tchart1* Chart() const override;
  bool IntegratedPanelOpened() const override;
  std::string PredictionCamera() const override;
  double PredictionCombinedMagnitude() const override;
  // The diffraction panel's levels, offsets, contact angle and drop, read when the calculator needs them.
  MagnitudePanelState PanelState() const override;
  // The panel waits while the calculator is open, which opens beside it.
  void SetPanelEnabled(bool enabled) override;
  QRect PanelGeometry() const override;
  void SetMainCameraText(const std::string& text) override;
  std::string ReportSiteName() const override;
  std::string ReportCountryCode() const override;

 private:
  TPlatform& w_;
};
