#pragma once
// What the chart and its tool windows need of the main window: the results
// table, a few settings and read-outs. Dialogs go through the shared
// dialog service (app/ui/DialogService.h). The main window
// implements it; window tests use a scripted stand-in.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QRect>

class QWidget;
class ChartAnalysis;

// The results table as lines. A rewrite replaces the whole table at once.
class ResultTableAccess {
 public:
  virtual ~ResultTableAccess() = default;
  virtual const std::vector<std::string>& Lines() const = 0;
  virtual void ReplaceLines(std::vector<std::string> lines) = 0;
  // Changes whenever the table changes, so readers can keep a parsed copy.
  virtual uint64_t Revision() const = 0;
};

// An image file chosen in a save dialog with several file types.
struct ImageFileChoice {
  std::string Name;
  int Type = 1;  // 1 PNG, 2 JPEG, 3 BMP
};

// The main window's developer options for the diffraction drawing.
struct DeveloperListingOptions {
  bool CurveValues = false;    // 'fresnel textout': the fitted curve's values into Memo2
  bool DiskIntensity = false;  // 'Diffraction calc to Memo5'
  int CurveColour = 0;         // RadioGroup6: red, blue, gray, black
};
enum class DeveloperMemo { Memo2, Memo5 };

// Windows of other parts of the program that the chart opens.
enum class ChartTool { DiffractionPanel, LunarIdentification, LedGraph, StarImage3D, MagnitudeCalculator };

class ChartHost {
 public:
  virtual ~ChartHost() = default;
  virtual ResultTableAccess& Table() = 0;

  virtual int CsvVersion() const = 0;
  virtual int ObjectCount() const = 0;
  virtual int SelectedObject() const = 0;
  virtual int FrameStep() const = 0;
  virtual int FrameRateRounded() const = 0;
  virtual double TimingFrameRate() const = 0;
  virtual bool PsfPhotometry() const = 0;  // 'Photometry' CheckBox14
  virtual bool FieldMeasure() const = 0;   // 'Field Measure' CheckBox2
  virtual std::string VideoFileName() const = 0;
  // The time read-out edits Edit24..Edit27.
  virtual std::array<std::string, 4> TimeReadout() const = 0;
  // 'Fix Graph's Min & Max'.
  virtual bool FixRangeChecked() const = 0;
  virtual void SetFixRangeItem(bool checked, bool enabled) = 0;
  virtual void SetEdit54(const std::string& text) = 0;
  // The frame scroll bar to `frame`, then the per-frame chain twice.
  virtual void ShowFrame(int frame) = 0;
  // X, Y of object k (1..3) in block 0 of the frame's result record.
  virtual void SetAperturePosition(int k, int x, int y) = 0;
  virtual QRect MainWindowGeometry() const = 0;
  // The report window with its display lines (when such a window exists).
  virtual void ShowLightCurveReport(const std::vector<std::string>& lines) { (void)lines; }
  // The event analysis (diffraction panel and fit, report lines); without
  // it the chart's diffraction and report buttons do nothing.
  virtual ChartAnalysis* Analysis() { return nullptr; }

  // Whether a tool window exists in this build; the chart's button for it is
  // enabled only then.
  virtual bool ToolAvailable(ChartTool tool) const {
    (void)tool;
    return false;
  }
  virtual void OpenTool(ChartTool tool, QWidget* chart) {
    (void)tool;
    (void)chart;
  }
  // After a click on the plot: the open tool window reads the new selection.
  virtual void RefreshTool(ChartTool tool) { (void)tool; }
  // After every selection on the plot: the diffraction panel's level windows
  // and averages, the magnitude calculator's refresh.
  virtual void AfterChartSelection() {}
  // The program's folder, where "CCDSpectralSensitivity.csv" lies.
  virtual std::string ExecutableFolder() const { return {}; }
  // The chart closed in asteroid chart mode. The guide enables its "9-3"
  // already when it finds the phase, and disables it on purpose after "9." or
  // another block length: the main window leaves it as it is.
  virtual void AsteroidChartClosed() {}
  virtual DeveloperListingOptions DeveloperListing() const { return {}; }
  // Lines for the main window's developer text areas; `clear` empties it first.
  virtual void AddDeveloperLines(DeveloperMemo memo, const std::vector<std::string>& lines, bool clear) {
    (void)memo, (void)lines, (void)clear;
  }

  // Saving the chart picture through the image library (PNG, JPEG, BMP by the
  // name's extension). Returns an error text, empty on success.
  virtual bool ImageSaveAvailable() const { return true; }
  virtual std::string SaveImage(const QImage& image, const std::string& path);
  // The save dialog of 'Save Image': the chosen name and file type.
  virtual std::optional<ImageFileChoice> ChooseImageFile(const std::string& proposed);
};
