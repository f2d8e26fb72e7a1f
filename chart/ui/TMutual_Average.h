#pragma once
// "Processing for Mutual Event": averages the results table into units of
// frames, draws target and comparison ratios, saves the unit list and the
// drawing, and fits a polynomial model over the marked units. It reads the
// table through the host and writes nothing back.
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <thread>

#include "base/ui/ControlsForward.h"
#include "chart/MutualEvent.h"
#include "chart/MutualFit.h"
#include "chart/ui/ChartHost.h"

class TMutual_Average : public QWidget {
  Q_OBJECT
 public:
  // `open_flag` (MutualAverageOpen) is cleared when the window closes.
  TMutual_Average(ChartHost& host, uint8_t* open_flag = nullptr, QWidget* parent = nullptr);
  ~TMutual_Average() override;

  QComboBox* ComboBox1;  // frames per unit
  QComboBox* ComboBox2;  // 'Integrated frames by CCD camera..'
  QLineEdit* Edit1;      // smoothing units
  QComboBox* ComboBox3;  // smoothing window
  QComboBox* ComboBox5;  // target and comparison objects
  QCheckBox* CheckBox1;  // 'Single object'
  QLineEdit* Edit13;     // constant comparison
  TRadioGroup* RadioGroup1;  // 'Time setting'
  QLineEdit *Edit2, *Edit3, *Edit4;  // 'First frame' h, m, s
  QLineEdit *Edit5, *Edit6, *Edit7;  // 'Last frame' h, m, s
  QLineEdit* Edit8;      // first unit of the event
  TUpDown* UpDown1;
  QLineEdit* Edit9;      // last unit of the event
  TUpDown* UpDown2;
  QScrollBar* ScrollBar1;  // plot width, percent
  QScrollBar* ScrollBar2;  // vertical offset, percent
  QScrollBar* ScrollBar3;  // vertical divisor, percent
  QLineEdit* Edit10;     // vertical scale; time of the model's minimum after a fit
  QPlainTextEdit* Memo1;  // the unit list
  QLabel* Image1;
  QMenu* PopupMenu1;
  QAction* SetFirst1;    // 'Set First'
  QAction* SetLast1;     // 'Set Last'
  QPushButton* Button1;  // 'Calculate & Draw Graph'
  QPushButton* Button2;  // 'Reset'
  QPushButton* Button3;  // 'Copy to ClipBoard'
  QPushButton* Button4;  // 'Save .CSV file'
  QPushButton* Button7;  // 'Save .png file'
  QPushButton* Button6;  // 'Fit'
  QPushButton* Button5;  // range search
  QCheckBox* CheckBox2;  // 'Increase'
  QComboBox* ComboBox4;  // 'Dimension'
  QPlainTextEdit* Memo2;  // coefficients and slopes
  QLineEdit* Edit11;     // residual
  QLineEdit* Edit12;     // first start unit of the range search
  QProgressBar* ProgressBar1;

  // The drawing as shown.
  const QImage& Picture() const { return picture_; }
  const TypAvgDataArray& Units() const { return MutualUnits; }
  int32_t FirstUnit() const { return MutualFirstUnit; }
  int32_t LastUnit() const { return MutualLastUnit; }
  const MutualFitRange& FitRange() const { return fit_range_; }
  const MutualGraphView& View() const { return view_; }
  const MutualFitModel& Model() const { return model_; }
  bool RangeSearchRunning() const { return search_thread_.joinable(); }
  // Threads of the range search (0: one per processor).
  void SetSearchThreads(int n) { search_threads_ = n; }

  void DrawMutualGraph();

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void CreateControls();
  void ConnectHandlers();
  void FormCreate();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void Button7Click();
  void ComboBox3Change();
  void ScrollBarChange();
  void SetFirst1Click();
  void SetLast1Click();
  void Edit8Exit();
  void Edit9Exit();
  void UpDown1Click();
  void UpDown2Click();
  void SetUnitAtClick(int32_t& unit);
  // The edits and the arrows show the marked units; the arrows keep the first
  // unit at or before the last.
  void ShowUnits();
  // A unit typed in its edit: digits only, kept inside the units.
  void UnitTyped(int32_t& unit, QLineEdit* edit);
  void SetFitRangeNow();
  void MarkUnits();
  void ShowImage();
  // The fit's checks; false after a message.
  bool FitRangeUsable();
  // The model over F..L: curve, grey minimum line, minimum time text.
  MutualModelPass DrawModel(int first, int last, int label_offset);
  void RangeSearchPoll();
  void RangeSearchDone();
  void StopRangeSearch();
  int32_t ClampUnit(int64_t u) const;

  ChartHost& host_;
  uint8_t* open_flag_;
  QImage picture_;

  TypAvgDataArray MutualUnits{1};
  int32_t MutualUnitCount = 0;
  int32_t MutualFirstUnit = 1;
  int32_t MutualLastUnit = 1;
  int32_t MutualClickX = 0;
  MutualFitRange fit_range_;
  MutualGraphView view_;
  MutualFitModel model_;
  std::string csv_name_;

  // The range search in flight.
  int search_threads_ = 0;
  std::jthread search_thread_;
  std::unique_ptr<MutualRangeSearchProgress> search_progress_;
  std::unique_ptr<MutualRangeSearchResult> search_result_;
  std::atomic<bool> search_finished_{false};
  MutualRangeSearchInput search_input_;
  QTimer* search_timer_;
};
