#pragma once
// The magnitude calculator window: magnitudes, S/N and the corrected event
// time of the clicked event, the event timing list, and the result text drawn
// onto the light-curve chart.
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWidget>
#include <array>
#include <string>

#include "base/ui/ControlEvents.h"
#include "events/ChartEventState.h"
#include "events/MagnitudeCalculation.h"
#include "events/TimingList.h"
#include "events/ui/ChartBeside.h"
#include "events/ui/ReportWindowHost.h"

class Tchart1;

// What the diffraction parameter panel holds for the calculation.
struct MagnitudePanelState {
  LevelWindows Levels;
  bool DoubleStar = false;
  bool StepWindowSet = false;
  std::string Offset1Text = "0", Offset2Text;
  std::string ContactAngleText, FittedContactAngleText;
  std::string PredictedDropText;
  bool DropConsidered = false;
  double StepHeightPercent = 50;
  int CcdIndex = 0;
};

class MagnitudeCalculatorHost : public ReportWindowHost {
 public:
  virtual MagnitudePanelState PanelState() const { return {}; }
  virtual void SetPanelEnabled(bool enabled) { (void)enabled; }
  virtual QRect PanelGeometry() const { return {}; }
  virtual bool IntegratedPanelOpened() const { return false; }
  // The main window's current-frame time: hour, minute, seconds of field 1 and 2.
  virtual std::array<std::string, 4> FrameTime() const { return {"12", "38", "21.4567", "21.4567"}; }
  virtual int TimeStampMode() const { return 0; }
  virtual double TimingFrameRate() const { return 29.97; }
  virtual int MeasurementInterval() const { return 1; }  // the main window's UpDown9
  // The chosen prediction's camera and combined magnitude.
  virtual std::string PredictionCamera() const { return {}; }
  virtual double PredictionCombinedMagnitude() const { return 0; }
  virtual void SetMainCameraText(const std::string& text) { (void)text; }  // Platform.Edit55
  virtual void SetShowField(bool checked) { (void)checked; }
  // The operation guide's "4. Diffraction tit" box: aqua or white.
  virtual void SetDiffractionStepAqua(bool aqua) { (void)aqua; }
  virtual Tchart1* Chart() const { return nullptr; }
};

class TMagnitudeCalculator : public QWidget {
  Q_OBJECT
 public:
  TMagnitudeCalculator(ChartEventState& events, MagnitudeCalculatorHost& host, QWidget* parent = nullptr);
  ~TMagnitudeCalculator() override;

  // The chart's click: keep the clean picture, read the time, recalculate
  // and draw the overlay when it is on.
  void AfterChartClick();
  void SaveChartImage();
  void ReadBaseTimes();
  void MagnitudeCalculation();
  void DrawResultOnChart();
  void RestoreChartImage();
  void FormActivate();
  // Lists the event timing list again, as the window shows it when created.
  void ShowEventList();
  const EventResultTexts& Results() const { return results_; }
  const QImage& ChartBackup() const { return chart_backup_; }

  TUpDown *UpDown1, *UpDown2, *UpDown3, *UpDown4, *UpDown5, *UpDown6;
  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11, *Edit12,
      *Edit13, *Edit14, *Edit17, *Edit18, *Edit19, *Edit20, *Edit21, *Edit22, *Edit23, *Edit24, *Edit26;
  QRadioButton *RadioButton1, *RadioButton2, *RadioButton3, *RadioButton4, *RadioButton5, *RadioButton6;
  QCheckBox* CheckBox1;
  QPushButton *Button1, *Button2, *Button3, *Button4, *Button5, *Button6, *Button7, *Button8, *Button9, *Button11,
      *SpeedButton1, *SpeedButton2;
  TRadioGroup *RadioGroup1, *RadioGroup2, *RadioGroup3;
  QScrollBar *ScrollBar1, *ScrollBar2;
  QPlainTextEdit *Memo1, *Memo2;
  QListWidget* ListBox1;
  QComboBox* ComboBox1;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool event(QEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void ShowChart(ChartBeside view);
  void BuildControls();
  void FormCreate();
  void ReadPairMagnitude();
  void Recalculate();  // calculation, then the overlay when it is on
  void BaseTimeExit(QLineEdit* edit);
  void RebuildList(ListLineFormat format);
  void AppendListLine(ListLineFormat format);
  bool AddEntry(const TAsteroidEachEventTime& e, ListLineFormat format);
  void MissClick(bool disappearance);
  EventCamera Camera() const;

  void UpDown123Click();
  void UpDown4Click();
  void UpDown5Click();
  void RadioButton36Click();
  void RadioButton4Click();
  void RadioButton5Click();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void Button7Click();
  void Button8Click();
  void Button9Click();
  void Button11Click();
  void ComboBox1Change();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void RadioGroup1Click();
  void UpDown6Click();

  ChartEventState& events_;
  MagnitudeCalculatorHost& host_;
  CapturedIntensities intensities_;
  EventResultTexts results_;
  std::array<BaseTime, 2> base_times_{}, last_valid_base_times_{};
  // The frame's stamp gave the field's base time (or it was typed since).
  std::array<bool, 2> base_time_read_{true, true};
  int field_selection_ = 0;
  bool event_timed_ = false;  // the last calculation gave an event time
  int seconds_digits_ = 3;
  long double pair_magnitude_ = 0;
  bool pair_negative_ = false;  // the pair's magnitude is below 0, also where its whole part is 0
  QImage chart_backup_;
};

// The open calculator (the form variable), or null.
TMagnitudeCalculator* MagnitudeCalculator();
// Opens the calculator unless it is open; returns it.
TMagnitudeCalculator* OpenMagnitudeCalculator(ChartEventState& events, MagnitudeCalculatorHost& host,
                                              QWidget* parent = nullptr);
