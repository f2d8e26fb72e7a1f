// The chart and the magnitude calculator: a click refreshes the calculator,
// which may draw its result text over the plot.
#include "chart/ui/Tchart1.h"
#include "events/ui/TMagnitudeCalculator.h"

void Tchart1::ShowOverlayPicture(const QImage& picture) {
  picture_ = picture;
  ChartImg1->setPixmap(QPixmap::fromImage(picture_));
}

void Tchart1::RefreshMagnitudeCalculator() {
  if (!events_.Flags.MagnitudeWindowShown) return;
  if (TMagnitudeCalculator* calculator = MagnitudeCalculator()) calculator->AfterChartClick();
}
