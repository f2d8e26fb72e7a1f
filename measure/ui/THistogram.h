#pragma once
// "Histogram": the 256-bin histogram of the frame the main window shows,
// recounted for every frame shown while the window is open.
#include <QWidget>

#include "base/Bitmap24.h"
#include "measure/ImageHistogram.h"

class QLabel;
class TUpDown;

class THistogram : public QWidget {
  Q_OBJECT
 public:
  // `shown` is the main window's displayed frame; it must outlive the window.
  // Counts and draws at once; freed on close.
  THistogram(const Bitmap24& shown, QWidget* opener);

  void DrawHistogram();  // counts the shown frame and draws
  void UpDown1Click();   // gain: redraws the stored counts

  HistogramBins Bins{};
  QLabel* Image1 = nullptr;
  TUpDown* UpDown1 = nullptr;
  // The drawing as last painted (577 x 553).
  QImage Drawing() const;

 private:
  void Paint();
  const Bitmap24& shown_;
};
