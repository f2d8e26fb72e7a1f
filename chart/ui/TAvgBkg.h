#pragma once
// "Noise Reduction for Graph": smooths or filters the object values in place.
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QWidget>

#include "chart/ChartSession.h"
#include "chart/NoiseReduction.h"
#include "chart/ui/ChartHost.h"
#include "base/ui/ControlEvents.h"

class TAvgBkg : public QWidget {
  Q_OBJECT
 public:
  TAvgBkg(ChartHost& host, ChartSession& session, QWidget* parent = nullptr);
  ~TAvgBkg() override;

  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11, *Edit12,
      *Edit13, *Edit14, *Edit15, *Edit16, *Edit17, *Edit19, *Edit21, *Edit22, *Edit23, *Edit24, *Edit25, *Edit26,
      *Edit27;
  QSpinBox *UpDown1, *UpDown2, *UpDown3, *UpDown4;
  QCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4, *CheckBox5;
  QRadioButton *RadioButton1, *RadioButton2;
  TRadioGroup *RadioGroup1, *RadioGroup2;
  QGroupBox *GroupBox1, *GroupBox4, *GroupBox7;
  QProgressBar* ProgressBar1;
  QPushButton *Button1, *Button2, *Button3;

  int BeginFrame() const { return begin_frame_; }
  int EndFrame() const { return end_frame_; }

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildControls();
  void FormCreate();
  void Button1Click();
  void Button3Click();
  void RadioGroup1Click(int mode);
  void RadioGroup2Click(int item);
  void UpDownClick(int k);
  void FrequencyCalc();
  void EnableObjectControls();
  void ResetFftLength();
  void ApplyBeginFrame();
  void Edit11Exit();
  void ShowStatistics(int b, int e);
  void FinishPass();
  void ClearObjectHighlights();
  int LastRecordIndex() const;

  ChartHost& host_;
  ChartSession& session_;
  int first_frame_no_ = 0;
  int begin_frame_ = 0, end_frame_ = 0;
};
