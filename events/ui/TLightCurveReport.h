#pragma once
// The observation report window: completes the report of one event, shows
// the XML and text reports, saves the XML report and the text light curve
// and copies the text report.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "events/ChartEventState.h"
#include "events/ObservationReport.h"

class ReportWindowHost;

class TLightCurveReport : public QWidget {
  Q_OBJECT
 public:
  TLightCurveReport(ChartEventState& events, ReportWindowHost& host, QWidget* parent = nullptr);

  // The chart's display lines of the text light curve, made from the record
  // as it stands.
  void SetLightCurveLines(const std::vector<std::string>& lines);
  ReportFormInputs FormInputs() const;
  // The event rows show the first four entries of the timing list again.
  void ShowEventRows();
  // The star, object, observer and site edits take what the record holds now
  // where it changed since they were filled (an event identified since);
  // what the observer corrected in the other edits stays.
  void ShowRecordAgain();

  QPlainTextEdit *Memo1, *Memo2, *Memo3, *Memo4, *Memo5;
  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11, *Edit12,
      *Edit13, *Edit14, *Edit15, *Edit16, *Edit27, *Edit38, *Edit43, *Edit44, *Edit45, *Edit46, *Edit47, *Edit48,
      *Edit49, *Edit50, *Edit51, *Edit52;
  // Event rows 1-4: hour, minute, second, error, S/N, D/R.
  std::array<std::array<QLineEdit*, 6>, 4> EventRows{};
  std::array<QCheckBox*, 4> MinorBoxes{};  // CheckBox2..CheckBox5
  QCheckBox *CheckBox1, *CheckBox6;
  QComboBox *ComboBox1, *ComboBox2, *ComboBox3, *ComboBox4, *ComboBox5, *ComboBox6, *ComboBox7, *ComboBox8,
      *ComboBox9, *ComboBox10, *ComboBox11;
  QPushButton *Button1, *Button2, *Button3, *Button4, *Button5, *Button6;

  void FormActivate();
  void BuildXmlReport();
  void BuildTextReport();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();

 protected:
  bool event(QEvent* e) override;

 private:
  void BuildControls();
  void FormCreate();
  void ComboBox1Change();
  void ComboBox9Change();
  void SiteEdited();
  void AsteroidEdited();
  void StarEdited();
  void ObserverEdited();
  void RecordTakenFromEdits();
  void ReplaceLightCurveLine(size_t index, const std::string& line);
  // field: 0..5 the row's edits, 6 its minor box.
  void EventRowEdited(size_t row, size_t field);
  bool SaveLines(const QString& name, const std::vector<std::string>& lines);
  std::string LightCurveFileName() const;
  bool XmlInputsWritable();

  ChartEventState& events_;
  ReportWindowHost& host_;
  bool activated_ = false;
  std::array<QLineEdit*, 16> RecordEdits() const;
  std::array<std::string, 16> RecordTexts() const;
  std::array<std::string, 16> shown_record_;  // the record's texts the edits were filled with
  // The start of the light curve shown, as it was made.
  struct LightCurveStart {
    std::string H, M, S;
    int32_t Days = 0;
  };
  std::optional<LightCurveStart> light_curve_start_;
};

// Marks an input still to be confirmed (yellow) or confirmed (white).
void SetInputColour(QWidget* w, bool confirmed);
bool InputConfirmed(const QWidget* w);
