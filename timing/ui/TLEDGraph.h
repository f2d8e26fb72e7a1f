#pragma once
// "Time correction using 1PPS LED": the numbered steps of the LED time
// correction over the results table (verify the recorded PC time, look at
// the graphs, fit the LED background, click the PPS rising frame, spread the
// cycle range, fit, apply), the memorised calibration points and the
// histogram panel of the LED box's pixels.
// TLEDGraph.cpp: controls and steps; TLEDGraphDraw.cpp: the graphs;
// TLEDGraphHistogram.cpp: the histogram panel.
#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "base/Bitmap24.h"
#include "base/ui/ControlsForward.h"
#include "timing/LedBackground.h"
#include "timing/LedTimeCorrection.h"

// What the window needs of the main window and the chart.
struct LedGraphHost {
  std::function<const std::vector<std::string>&()> Lines;  // the results table
  std::function<void(std::vector<std::string>)> ReplaceLines;
  std::function<int()> CsvVersion;
  std::function<int()> StartFrame;
  std::function<int()> LastMeasuredFrame;
  std::function<int()> LastFrame;  // the frame scroll bar's maximum
  std::function<long double()> TimingFrameRate;
  std::function<int()> SelectedFrame;  // the chart's selected record
  std::function<int()> CurrentLine;    // the data line selected on the chart
  // Grabs frame n; an error text, empty on success.
  std::function<std::string(int, Bitmap24&)> GrabFrame;
  std::function<LedBox()> Signal1Box;
  // The main window's copy of the memorised points.
  std::function<std::vector<std::string>()> StoredPoints;
  std::function<void(const std::vector<std::string>&)> StorePoints;
  std::function<bool()> SharpCapTimeAvailable;
  std::function<void()> CorrectedTimesReady;  // after the cycle fit
  std::function<void()> Applied;              // after "Apply to Analysis"
  std::function<void()> Closed;
  QPoint Origin;  // the main window's top-left corner
};

class TLEDGraph : public QWidget {
  Q_OBJECT
 public:
  TLEDGraph(LedGraphHost host, LedCorrectionState& state, QWidget* owner = nullptr);
  ~TLEDGraph() override;

  // Steps and graphs.
  QPushButton* Button4 = nullptr;
  QLabel* Label8 = nullptr;
  TRadioGroup* RadioGroup1 = nullptr;
  QGroupBox* GroupBox4 = nullptr;
  QLineEdit* Edit25 = nullptr;
  TUpDown* UpDown13 = nullptr;
  QLineEdit* Edit26 = nullptr;
  TUpDown* UpDown14 = nullptr;
  QLabel* Label10 = nullptr;
  QLineEdit* Edit20 = nullptr;
  QLabel* Label11 = nullptr;
  TUpDown* UpDown1 = nullptr;
  QLineEdit* Edit16 = nullptr;
  TUpDown* UpDown2 = nullptr;
  QLineEdit* Edit17 = nullptr;
  QLineEdit* Edit21 = nullptr;
  QPushButton* Button5 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QLineEdit* Edit18 = nullptr;
  QLineEdit* Edit27 = nullptr;
  QGroupBox* GroupBox5 = nullptr;
  QListWidget* ListBox1 = nullptr;
  QPushButton* Button7 = nullptr;
  QPushButton* Button8 = nullptr;
  QPushButton* Button6 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* Button11 = nullptr;
  QLineEdit* Edit22 = nullptr;
  QLineEdit* Edit23 = nullptr;
  QLineEdit* Edit24 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QLineEdit* Edit15 = nullptr;
  TUpDown* UpDown12 = nullptr;
  QLineEdit* Edit29 = nullptr;
  TUpDown* UpDown15 = nullptr;
  QScrollBar* ScrollBar1 = nullptr;
  QLabel* LEDImage1 = nullptr;
  QImage Picture;  // what LEDImage1 shows
  QPlainTextEdit* Memo1 = nullptr;
  QPlainTextEdit* Memo2 = nullptr;
  QPlainTextEdit* Memo3 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit19 = nullptr;
  QLineEdit* Edit28 = nullptr;
  QPushButton* Button9 = nullptr;
  QPushButton* Button10 = nullptr;
  // Histogram panel.
  QWidget* Panel2 = nullptr;
  QLabel* Histogram = nullptr;
  QImage HistogramPicture;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  TUpDown* UpDown5 = nullptr;
  TUpDown* UpDown6 = nullptr;
  TUpDown* UpDown7 = nullptr;
  TUpDown* UpDown8 = nullptr;
  TUpDown* UpDown9 = nullptr;
  TUpDown* UpDown10 = nullptr;
  TUpDown* UpDown11 = nullptr;
  QLineEdit* Edit5 = nullptr;
  QLineEdit* Edit6 = nullptr;
  QLineEdit* Edit7 = nullptr;
  QLineEdit* Edit8 = nullptr;
  QLineEdit* Edit10 = nullptr;
  QLineEdit* Edit11 = nullptr;
  QLineEdit* Edit13 = nullptr;
  QLineEdit* Edit14 = nullptr;

  void FormCreate();
  void Button4Click();
  void RadioGroup1Click();
  void ScrollBar1Change();
  void UpDown12Click();
  void UpDown13Click();
  void UpDown14Click();
  void UpDown15Click();
  void LEDImage1MouseDown(int x, int y);
  void UpDown1Click();
  void UpDown2Click();
  void Button5Click();
  void Button6Click();
  void Button7Click();
  void Button8Click();
  void Button9Click();
  void Button10Click();
  void Button11Click();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void UpDown5Click();
  void UpDown6Click();
  void UpDown7Click();
  void UpDown8Click();
  void UpDown9Click();
  void UpDown10Click();
  void UpDown11Click();

  // Another video was opened: its memorised points went with the old one.
  void VideoChanged();
  // The main window's timing rate was typed anew.
  void RateChanged();

  const std::vector<TLedFrameSample>& Samples() const { return samples_; }
  // Screen position of a line's signal dot on the LED graph.
  QPoint SignalDot(int line) const;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void ConnectHandlers();
  // The window as created: steps 2 to 9 disabled, nothing picked or fitted.
  void ResetSteps();
  LedTable Table() const;
  // The table with the rows it holds now, measured or removed since step 1.
  LedTable CurrentTable() const;
  long double Rate() const;
  // What to tell a step that needs the PC-time line the last step 1 did not find.
  QString NoFitReason() const;
  int HeaderLineCount() const;
  int SelectedVideoFrame() const;  // the video frame of the record selected on the chart
  void RunBackgroundFit();
  void SetScrollRange();
  void DrawCurrentGraph();
  void DrawAxes(QPainter& p);
  void DrawRecordedTimeGraph();
  void DrawLedGraph();
  void ShowPicture();
  int ValueY(long double v) const;
  int PlotWidth() const;
  int PlotHeight() const;
  void ShowPoints(const std::vector<std::string>& points);
  void ApplyCycleRangeChange(TUpDown* updown, QLineEdit* edit);
  // The cycle read-outs and the step-5 instruction of the timing rate.
  void ShowRate();
  // No PPS rising line picked: steps 6 and 7 wait for a click.
  void ForgetPick();
  // Both cycle bounds back to 0, their edits too, without a redraw.
  void ZeroCycleRange();
  // Steps 4 and 6 again: a new background fit, and a cycle fit made on the
  // last one's signal is forgotten.
  void RefitBackground();
  // A setting step 7 used has changed since: its line, offset and
  // calibration point are not the window's any more. `why` opens the
  // message that refuses "Apply to Analysis" until step 7 is run again.
  void ForgetCycleFit(const char* why);
  // The histogram panel of one frame; returns the model level found.
  long double DrawHistogramPanel();

  LedGraphHost host_;
  LedCorrectionState& state_;
  std::vector<TLedFrameSample> samples_;
  LedValueRange range_;
  std::vector<long double> background_;  // c0..c_degree of the last background fit
  LedBoxHistogram box_histogram_{};
  long double noise_factor_ = 7.0L;
  long double model_level_ = 0.05L;
  bool histogram_drawn_ = false;
  bool vratio_taken_ = false;
  bool cycle_fitted_ = false;  // step 7 has fitted the signal as it stands
  long double fitted_rate_ = 0;  // the timing rate of that fit
  std::string fit_forgotten_;   // what changed after that fit, so that it was forgotten
  std::vector<std::string> pc_time_table_;  // Memo2 as the last step 1 left it
  std::string no_fit_reason_;  // why the last step 1 found no PC-time line
};

// Opens the window unless it is open; the flag is cleared when it closes.
TLEDGraph* OpenLedGraph(LedGraphHost host, LedCorrectionState& state, uint8_t& open_flag, QWidget* owner);
