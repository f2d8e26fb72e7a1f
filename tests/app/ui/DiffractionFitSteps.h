#pragma once
// The diffraction panel's 'Fit to Diffraction Curve' as a user presses it:
// the click, then the event loop until the chart's fit has ended.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include "chart/ui/Tchart1.h"
#include "events/ui/TFresnelCtrl.h"

inline void FitAndWait(TFresnelCtrl* panel, Tchart1* chart) {
  panel->Button3->click();
  QElapsedTimer t;
  t.start();
  while (chart->Fitting() && t.elapsed() < 120000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  QApplication::processEvents();
}
