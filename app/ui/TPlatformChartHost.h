#pragma once
// The main window as the light-curve chart sees it: the results table, the
// settings and read-outs the chart draws with, the frame display and the
// aperture positions a click on the chart restores.
#include <QMetaObject>
#include <QPointer>

#include "chart/ui/ChartHost.h"
#include "chart/ui/ResultTableAdapter.h"
#include "events/ui/ChartEventAnalysis.h"

class TPlatform;
class Tchart1;
class TLightCurveReport;

class TPlatformChartHost final : public ChartHost {
 public:
  explicit TPlatformChartHost(TPlatform& w);

  ResultTableAccess& Table() override { return table_; }
  int CsvVersion() const override;
  int ObjectCount() const override;
  int SelectedObject() const override;
  int FrameStep() const override;
  int FrameRateRounded() const override;
  double TimingFrameRate() const override;
  bool PsfPhotometry() const override;
  bool FieldMeasure() const override;
  std::string VideoFileName() const override;
  std::array<std::string, 4> TimeReadout() const override;
  bool FixRangeChecked() const override;
  void SetFixRangeItem(bool checked, bool enabled) override;
  void SetEdit54(const std::string& text) override;
  void ShowFrame(int frame) override;
  void SetAperturePosition(int k, int x, int y) override;
  QRect MainWindowGeometry() const override;
  std::string ExecutableFolder() const override;
  bool ToolAvailable(ChartTool tool) const override;
  void OpenTool(ChartTool tool, QWidget* from) override;
  void RefreshTool(ChartTool tool) override;
  void ShowLightCurveReport(const std::vector<std::string>& lines) override;
  ChartAnalysis* Analysis() override { return &analysis_; }
  DeveloperListingOptions DeveloperListing() const override;
  void AddDeveloperLines(DeveloperMemo memo, const std::vector<std::string>& lines, bool clear) override;

 private:
  TPlatform& w_;
  ResultTableAdapter table_;
  ChartEventAnalysis analysis_;
  QPointer<TLightCurveReport> report_window_;
};

// The open chart window. It reaches the main window's state by reference, so
// it is closed before that state goes.
struct ChartWindowSlot {
  QPointer<Tchart1> Window;
  ChartWindowSlot() = default;
  ChartWindowSlot(const ChartWindowSlot&) = delete;
  ChartWindowSlot& operator=(const ChartWindowSlot&) = delete;
  ~ChartWindowSlot();
};
