#pragma once
// "Map": the observing station on an online street map, with its GPS lines.
#include <QWidget>

#include "timestamp/GpsLine.h"

class QPlainTextEdit;
class TWebBrowserControl;

class TMap : public QWidget {
  Q_OBJECT
 public:
  TMap(const GpsStation& station, int time_stamp_mode, QWidget* parent = nullptr);

  QWidget* Panel1 = nullptr;
  TWebBrowserControl* WebBrowser1 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;  // the page text
  QPlainTextEdit* Memo2 = nullptr;  // the GPS lines

  void FormCreate();

 private:
  GpsStation station_;
  int time_stamp_mode_ = 0;
};
