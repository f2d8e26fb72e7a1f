// The chart and the magnitude calculator: a click refreshes the calculator,
// which may draw its result text over the plot. The calculator belongs to a
// higher folder, so the host reaches it.
#include "chart/ui/Tchart1.h"

void Tchart1::ShowOverlayPicture(const QImage& picture) {
  picture_ = picture;
  ChartImg1->setPixmap(QPixmap::fromImage(picture_));
}

void Tchart1::RefreshMagnitudeCalculator() {
  if (!events_.Flags.MagnitudeWindowShown) return;
  host_.RefreshTool(ChartTool::MagnitudeCalculator);
}
