#pragma once
// A scripted stand-in for the main window: holds the table, records what the
// chart asks of it, and answers dialogs without blocking.
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

#include <deque>
#include <set>

#include "base/ui/DialogService.h"
#include "chart/ui/ChartHost.h"
#include "chart/ui/Tchart1.h"
#include "events/ChartEventState.h"
#include "events/ui/ChartEventAnalysis.h"
#include "support/WindowControls.h"

class FakeTable : public ResultTableAccess {
 public:
  std::vector<std::string> lines;
  uint64_t revision = 1;
  int replacements = 0;
  const std::vector<std::string>& Lines() const override { return lines; }
  void ReplaceLines(std::vector<std::string> l) override {
    lines = std::move(l);
    ++revision;
    ++replacements;
  }
  uint64_t Revision() const override { return revision; }
};

class FakeHost : public ChartHost {
 public:
  FakeTable table;
  ScriptedDialogService dialogs;
  ScopedDialogService use_dialogs{dialogs};
  std::vector<std::string> Texts(MessageKind kind) const {
    std::vector<std::string> out;
    for (const auto& m : dialogs.messages)
      if (m.kind == kind) out.push_back(m.text.toStdString());
    return out;
  }
  std::vector<std::string> Informations() const { return Texts(MessageKind::Information); }
  std::vector<std::string> Errors() const { return Texts(MessageKind::Error); }
  std::deque<std::optional<ImageFileChoice>> image_choices;
  std::string last_proposed;
  std::optional<ImageFileChoice> ChooseImageFile(const std::string& proposed) override {
    last_proposed = proposed;
    if (image_choices.empty()) return std::nullopt;
    auto a = image_choices.front();
    image_choices.pop_front();
    return a;
  }
  int csv_version = 3, object_count = 1, selected_object = 1, frame_step = 1, frame_rate_rounded = 30;
  double timing_frame_rate = 29.97;
  bool psf = false, field_measure = false, fix_range = false, fix_range_enabled = false;
  std::array<std::string, 4> time_readout{};
  std::string edit54;
  std::vector<int> shown_frames;
  std::vector<std::array<int, 3>> apertures;
  std::vector<std::string> report_lines;

  ResultTableAccess& Table() override { return table; }
  int CsvVersion() const override { return csv_version; }
  int ObjectCount() const override { return object_count; }
  int SelectedObject() const override { return selected_object; }
  int FrameStep() const override { return frame_step; }
  int FrameRateRounded() const override { return frame_rate_rounded; }
  double TimingFrameRate() const override { return timing_frame_rate; }
  bool PsfPhotometry() const override { return psf; }
  bool FieldMeasure() const override { return field_measure; }
  std::string VideoFileName() const override { return "C:\\video\\event.avi"; }
  std::array<std::string, 4> TimeReadout() const override { return time_readout; }
  bool FixRangeChecked() const override { return fix_range; }
  void SetFixRangeItem(bool checked, bool enabled) override {
    fix_range = checked;
    fix_range_enabled = enabled;
  }
  void SetEdit54(const std::string& t) override { edit54 = t; }
  void ShowFrame(int frame) override { shown_frames.push_back(frame); }
  void SetAperturePosition(int k, int x, int y) override { apertures.push_back({k, x, y}); }
  QRect MainWindowGeometry() const override { return QRect(0, 0, 800, 600); }
  void ShowLightCurveReport(const std::vector<std::string>& lines) override { report_lines = lines; }
  // The event analysis over the fixture's event state, as the main window
  // gives it; none until `AnalyseEvents`.
  std::optional<ChartEventAnalysis> analysis;
  void AnalyseEvents(ChartEventState& events) { analysis.emplace(events); }
  ChartAnalysis* Analysis() override { return analysis ? &*analysis : nullptr; }

  std::set<ChartTool> available;
  std::vector<ChartTool> opened;
  int after_selection = 0;
  bool image_save = false;
  std::vector<std::string> saved_images;
  bool ToolAvailable(ChartTool t) const override { return available.count(t) > 0; }
  void OpenTool(ChartTool t, QWidget*) override { opened.push_back(t); }
  void AfterChartSelection() override { ++after_selection; }
  bool library_save = false;  // save through the image library itself
  bool ImageSaveAvailable() const override { return image_save; }
  std::string SaveImage(const QImage& image, const std::string& path) override {
    saved_images.push_back(path);
    if (library_save) return ChartHost::SaveImage(image, path);
    return image.isNull() ? "empty" : "";
  }
};

// The chart window over the fake host, opened (again) by `Open`.
struct ChartWindow {
  FakeHost host;
  ChartSession session;
  ChartEventState events;
  QPointer<Tchart1> chart;

  ~ChartWindow() { delete chart.data(); }
  void Open() {
    delete chart.data();
    host.AnalyseEvents(events);
    chart = new Tchart1(host, session, events);
  }
};
