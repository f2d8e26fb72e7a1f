#pragma once
// The lunar identification window ("Identification code writer"): pick the
// predicted lunar event that was recorded, check the date and time read from
// the video, and write the identification into the report record and the
// chart's title.
#include <QWidget>
#include <array>
#include <string>

#include "base/ui/ControlsForward.h"
#include "events/LunarPrediction.h"
#include "events/ui/ChartBeside.h"
#include "events/ui/IdentificationHost.h"

class TIdentification : public QWidget {
  Q_OBJECT
 public:
  // `from_chart`: opened by the chart's button (placed by the chart's values).
  TIdentification(IdentificationHost& host, bool from_chart, QWidget* parent = nullptr);
  ~TIdentification() override;

  // The prediction (Qt-free rules in events/LunarPrediction.h).
  void LoadLunarPredictionFile();
  void RefreshPredictionList();
  void ChooseLunarPredictionFile();
  void SearchPredictionByStampTime();
  bool ReadStarBlock();
  void ListPredictionLines();
  void ApplyIdentification();
  void ComposeIdentificationCode();
  void SetDateFromStamp();
  void LayoutIdentificationWindow();

  // Handlers.
  void ScrollBar1Change();
  void ScrollBar2Change();
  void ComboBox1Change();
  void ComboBox2Change();
  void ComboBox3Change();
  void Edit2Change();
  void Edit1Change();
  void Button1Click();
  void Button2Click();  // also the Prediction menu's open command
  void CheckBox2Click();
  void CheckBox3Click();
  void Button3Click();
  void ListBox1DblClick();
  void Button9Click();
  void RadioGroup1Click();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void Button12Click();
  void Button6Click();
  void TimeEditEnter(QLineEdit* edit);
  void TimeEditExit(QLineEdit* edit);

  // Controls.
  QListWidget* ListBox1;
  QLabel* Label4;
  QComboBox *ComboBox1, *ComboBox2, *ComboBox3;
  QLineEdit *Edit1, *Edit2, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11, *Edit12, *Edit13,
      *Edit14, *Edit15, *Edit16, *Edit17, *Edit18, *Edit19, *Edit20, *Edit21, *Edit22, *Edit23, *Edit24, *Edit25,
      *Edit26, *Edit27, *Edit28, *Edit29, *Edit30, *Edit31, *Edit32, *Edit35, *Edit36, *Edit37, *Edit38, *Edit39;
  QCheckBox *CheckBox2, *CheckBox3;
  TRadioGroup* RadioGroup1;
  QScrollBar *ScrollBar1, *ScrollBar2;
  QPlainTextEdit *Memo1, *Memo2, *Memo3, *Memo5;
  QProgressBar* ProgressBar1;
  QPushButton *Button1, *Button2, *Button3, *Button4, *Button5, *Button6, *Button9, *Button12, *SpeedButton1,
      *SpeedButton2;
  QWidget* Panel1;  // the values of the applied line
  QAction *Opengraphpngfile1, *Savegraphpngfile1, *Exit1, *Copyimagetoclipboard1, *Pasteimagefromclipboard1,
      *Openpredictionfile1, *Pastefromclipboard1;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowChart(ChartBeside view);
  void BuildControls();
  void FormCreate(bool from_chart);
  void CommonDateRefresh();
  void ReadPredictionFileOnce();
  void RelistAndCompose();
  void FillWorkingLines();
  void ListOrStarBlock();
  std::vector<std::string> Lines(const QPlainTextEdit* memo) const;
  void SetLines(QPlainTextEdit* memo, const std::vector<std::string>& lines);
  StampDateTime Stamp() const;

  IdentificationHost& host_;
  LunarColumnPositions cols_;
  std::array<std::string, 3> remembered_;  // Edit9, Edit10, Edit11 on entering
  // The cut line last told: told once while it stays applied, and again
  // when a file is opened or "Apply" is clicked.
  QString told_cut_line_;
};
