#pragma once
// The light-curve chart window "Graph": draws the results table, lets the
// user scroll, zoom and pick a record, and opens the analysis tools.
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "chart/ChartDrawing.h"
#include "chart/ChartEvents.h"
#include "chart/ChartSession.h"
#include "chart/ChartTable.h"
#include "chart/ui/ChartAnalysis.h"
#include "chart/ui/ChartHost.h"
#include "base/ui/ControlEvents.h"

class QAction;
class TAvgBkg;
class TFresnelCtrl;
class TCorrection;
class TFFT1;

// The plot picture; reports mouse releases in picture pixels.
class ChartImageLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
 signals:
  void released(int x, int y);

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
};

class Tchart1 : public QWidget {
  Q_OBJECT
 public:
  Tchart1(ChartHost& host, ChartSession& session, ChartEvents& events, QWidget* parent = nullptr);
  ~Tchart1() override;

  // The one redraw entry, also called by other windows after a change.
  void GraphShow3();
  void HRatioCalc();
  void WideSetting();
  void NarrowSetting();

  const QImage& Picture() const { return picture_; }
  // Shows `picture` (the plot with a text overlay) until the next redraw.
  void ShowOverlayPicture(const QImage& picture);
  const QImage& LowerPanelPicture() const { return lower_picture_; }

  // ---- diffraction analysis (Tchart1Diffraction.cpp) ----
  // The fit runs in the host's event analysis, with its panel.
  bool Fitting() const;
  // Stops a running fit and waits for its threads.
  void StopFit();
  // A fit's curve over the plot and its residuals in the lower panel, kept
  // over information redraws; the curve's points go to the notes.
  void ShowFitDrawing(ChartPicture curve, ChartPicture residual, const std::vector<std::string>& curve_lines);
  // The information line again, with the fit drawing kept.
  void InformationShow();
  // After a selection: the panel's windows and levels follow it.
  void AfterChartSelection();
  // Object A of every record (0 for empty cells and empty lines).
  std::vector<double> ObjectAValues();
  // The chart's records read again when the results table changed.
  void RefreshData();
  // The picture was drawn from an earlier table (the main window measured or
  // deleted rows while the chart stayed open): redraws it.
  void RedrawChangedTable();
  ChartHost& Host() { return host_; }
  ChartSession& Session() { return session_; }
  ChartEvents& EventState() { return events_; }
  // The diffraction panel while open; the host's event analysis opens it.
  QPointer<TFresnelCtrl> FresnelCtrl;
  const ChartView& View() const { return view_; }
  const ChartData& Data() const { return data_; }

  // Controls, by their designer names.
  ChartImageLabel* ChartImg1;
  QLabel* ChartImg2;
  // Captions the layout moves with their scroll bars and up-downs.
  QLabel *ScaleLabel, *RadiusLabel, *MaxLabel, *MinLabel;
  QWidget* Panel1;
  QScrollBar *ScrollBar1, *ScrollBar2, *ScrollBar3;
  QPushButton *Button1, *Button2, *Button3, *Button4, *Button5, *Button6, *Button7, *Button8, *Button9, *Button10,
      *Button11, *Button12, *Button14, *Button15, *Button16, *Button17, *SpeedButton1;
  QCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4, *CheckBox5, *CheckBox6, *CheckBox7, *CheckBox8,
      *CheckBox9, *CheckBox10, *CheckBox11, *CheckBox12, *CheckBox14;
  TRadioGroup* RadioGroup1;
  QSpinBox *UpDown1, *UpDown2;
  QLineEdit *Edit1, *Edit2, *Edit4, *Edit5, *Edit6;
  QPlainTextEdit* Memo2;
  QPlainTextEdit* Memo1;  // notes: the lunar site line, the fitted curve's points
  QWidget* GroupBox1;
  QAction *a1, *SaveToFile1;  // the picture's pop-up menu

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildControls();
  void FormCreate();
  void ApplyBoxesToControls();
  void SyncScrollAndWidth();
  void StoreReportValues(const ChartDrawResult& r);
  void AfterHandler();  // redraw, diffraction fit no longer current

  // Handlers.
  void ScrollBar1Scroll(int position);
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void RadioGroup1Click(int index);
  void CheckBox1Click(bool checked);
  void UpDown2Click(int position);
  void UpDown1Click(int position);
  void ObjectBoxClick();
  void ChartImg1MouseUp(int x, int y);
  void Button1Click();
  void Button7Click();
  void Button2Click();
  void Button8Click();
  void Button12Click();
  void Button14Click();
  void Button15Click();
  void SaveToFile1Click();
  void Button9Click();
  void Button10Click();
  void Button11Click();
  void Button16Click();
  void Button17Click();
  void SpeedButton1Click();
  void RestoreAperturePositions(int record);
  // The selected record's frame number and A value in `Edit4` and `Edit6`.
  void ShowSelectionReadouts(std::string_view line);
  // The main window's record count and selection line, and the offsets
  // around the selection.
  void ShowSelectionCount();
  void RefreshMagnitudeCalculator();  // after a click, while the calculator is open
  void OpenFresnelCtrl();
  void CloseFresnelCtrl();
  void ClampDiffractionWindows();
  void PaintFitDrawing();

  ChartHost& host_;
  ChartSession& session_;
  ChartEvents& events_;
  ChartView view_;
  ChartData data_;
  uint64_t data_revision_ = UINT64_MAX;
  uint64_t drawn_revision_ = UINT64_MAX;  // the table the picture shows
  std::optional<ChartData> drawn_data_;   // its records once data_ moved on
  QImage picture_;
  QImage lower_picture_;
  ChartPicture fit_curve_, fit_residual_;
  bool fit_drawn_ = false;
  QPointer<TAvgBkg> avg_bkg_;
  QPointer<TCorrection> correction_;
  bool in_layout_ = false;
  // Every control's place as built; the wide layout starts from these.
  std::vector<std::pair<QWidget*, QRect>> designed_;
};
