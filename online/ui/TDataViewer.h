#pragma once
// "DataViewer": hands the index of asteroidal occultation results (a
// spreadsheet on an observers' web site) to the system, which downloads and
// opens it.
#include <QDialog>

#include "base/ui/ControlsForward.h"

// The spreadsheet's address.
extern const char* const kOccultationIndexUrl;

class TDataViewer : public QDialog {
  Q_OBJECT
 public:
  explicit TDataViewer(QWidget* parent = nullptr);

  QGroupBox* GroupBox1 = nullptr;
  QListWidget* ListBox1 = nullptr;
  QPushButton* Button1 = nullptr;  // 'Download and Open the index file'

  void Button1Click();
};
