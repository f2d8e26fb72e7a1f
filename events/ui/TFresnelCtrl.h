#pragma once
// The diffraction parameter panel "Fresnel Diffraction": distance, velocity,
// spectrum, star disk, double star, the level windows and the fit window
// around the chart's selected record; starts the fit and shows its results.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class Tchart1;
struct ChartEventState;
struct ChartSession;
class ChartHost;
struct DiffractionFitJob;
struct FitOutcome;
struct FitSettings;

class TFresnelCtrl : public QWidget {
  Q_OBJECT
 public:
  TFresnelCtrl(Tchart1& chart, ChartEventState& events);
  ~TFresnelCtrl() override;

  void ShowAverage();
  void ResultShow();
  // Whether the chart is in diffraction mode; writers from outside check it.
  bool InDiffractionMode() const;
  // A value written from another window (distance, velocity, contact angle):
  // taken over as if the user had typed it and pressed Enter.
  void SetEditFromOutside(QLineEdit* edit, const QString& text);
  // A B-V from the event identification, taken over as if typed.
  void SetColourIndexText(const QString& text);
  void SpectrumTypeCalc();
  // The chart's selection moved: the level windows stay within the records.
  void ClampWindowsToRecords(int offset_min, int offset_max);
  // A refused fit or another note for the user, in the progress memo.
  void ShowStatus(const QString& text);
  // "Cancel" can stop the fit while one runs.
  void FitRunning(bool running);
  // True, with a note for the user, when the chart has no record selected.
  bool NoRecordSelected();

  // ---- the fit (TFresnelCtrlFit.cpp) ----
  // The level windows' means, errors and counts into the diffraction state.
  void DRAverage();
  // Fits the model to object A between the two means on worker threads and
  // draws it on the chart; `done` runs on the GUI thread after the drawing.
  // False when a fit is running already or the model cannot be built (status
  // in the memo).
  bool FresnelDraw(double pre_mean, double post_mean, std::function<void()> done);
  bool Fitting() const { return fit_job_ != nullptr; }
  // Stops a running fit and waits for its threads.
  void StopFit();

  // Controls, by their designer names.
  QComboBox *ComboBox1, *ComboBox2;
  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11, *Edit12,
      *Edit13, *Edit14, *Edit15, *Edit16, *Edit17, *Edit18, *Edit19, *Edit20, *Edit21, *Edit22, *Edit24, *Edit25,
      *Edit26, *Edit27, *Edit28, *Edit30, *Edit33, *Edit34, *Edit37;
  QSpinBox *UpDown1, *UpDown2, *UpDown3, *UpDown4, *UpDown5, *UpDown6, *UpDown7, *UpDown8, *UpDown9, *UpDown10,
      *UpDown12, *UpDown13;
  QCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4, *CheckBox5, *CheckBox6, *CheckBox7, *CheckBox8,
      *CheckBox9;
  QRadioButton *RadioButton1, *RadioButton2;
  QPushButton *Button1, *Button2, *Button3, *CancelButton;
  QProgressBar* ProgressBar1;
  QPlainTextEdit* Memo1;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QPointer<QWidget> spectrum_graph_;  // the "Graph" window while open
  void RedrawSpectrum();
  void RecomputeSpectralWeights();
  // Says so when the chosen sensor's column has no sensitivity at all.
  void ShowEmptySensor();
  void BuildControls();
  void FormCreate();
  void ConnectHandlers();
  void SetWindowControls();
  void WindowChanged();
  // One bound of the three level windows moved: keeps its window's other bound
  // and the neighbouring window's bound in order, then redraws.
  enum class WindowBound { From, To };
  void WindowBoundClick(int32_t& bound, WindowBound kind, QSpinBox* self, QLineEdit* edit, QSpinBox* partner,
                        QSpinBox* neighbour);
  void FitWindowChanged();
  void StopFitOnChange();
  // The model settings as the controls now hold them, and the stop of a
  // running fit that was started with others.
  FitSettings CurrentFitSettings() const;
  void StopFitOnModelChange();
  void ShowLevels();
  void ShowFitRange();
  void SetPosition(QSpinBox* updown, int position);

  // Handlers.
  void ComboBox1Change();
  void ComboBox2Change();
  void Edit28Change();
  void Edit1Exit();
  void Edit2Exit();
  void OpenVelocityCalculator();  // a double click on the distance or velocity
  void Edit8Exit();
  void Edit19Exit();
  void Edit20Exit();
  void Edit21Exit();
  void Edit37Exit();
  void UpDown3Click();
  void UpDown4Click();
  void UpDown13Click();
  void UpDown12Click();
  void UpDown5Click();
  void UpDown6Click();
  void UpDown1Click();
  void UpDown2Click();
  void UpDown7Click();
  void UpDown9Click();
  void UpDown8Click();
  void UpDown10Click();
  void CheckBox1Click() { FixLevelClick(FixedLevel::Upper); }
  void CheckBox2Click() { FixLevelClick(FixedLevel::Lower); }
  enum class FixedLevel { Upper, Lower };
  void FixLevelClick(FixedLevel level);
  void CheckBox3Click();
  void CheckBox4Click();
  void CheckBox5Click();
  void CheckBox8Click();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void CancelButtonClick();
  void FinishFit(const FitOutcome& outcome);
  // Seconds of the table per second of the model: the model spaces its records
  // one exposure apart, the table's lie `step` frames apart.
  long double RecordTimeScale() const;

  Tchart1& chart_;
  ChartHost& host_;
  ChartSession& session_;
  ChartEventState& events_;
  int ccd_previous_ = 0;
  int tenths_previous_ = 0;
  std::unique_ptr<DiffractionFitJob> fit_job_;
};
