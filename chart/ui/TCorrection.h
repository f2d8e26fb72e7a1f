#pragma once
// "Correction for absorption": rescales the target by the smoothed comparison.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>

#include "chart/ChartSession.h"
#include "chart/ui/ChartHost.h"

class TCorrection : public QWidget {
  Q_OBJECT
 public:
  TCorrection(ChartHost& host, ChartSession& session, QWidget* parent = nullptr);

  QPushButton *Button1, *Button2;
  QSpinBox* UpDown1;
  QLineEdit *Edit3, *Edit4, *Edit5;
  QPlainTextEdit *Memo1, *Memo2;
  QProgressBar* ProgressBar1;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void Button1Click();
  void Button2Click();
  void SetChartOnTop(bool on);

  ChartHost& host_;
  ChartSession& session_;
};
