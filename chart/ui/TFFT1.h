#pragma once
// "FFT1": the amplitude spectrum of object A's values.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include "chart/ChartSession.h"
#include "chart/ui/ChartHost.h"

class QAction;

class TFFT1 : public QWidget {
  Q_OBJECT
 public:
  TFFT1(ChartHost& host, ChartSession& session, QWidget* parent = nullptr);

  QPlainTextEdit* Memo1;
  QPushButton* Button1;
  QAction* copytoclipboard1;  // "Save to .CSV file"

 private:
  void Button1Click();
  void copytoclipboard1Click();

  ChartHost& host_;
  ChartSession& session_;
};
