// Tchart1: the diffraction analysis on the chart: the fitted curve, event
// marker and residuals it draws, and the panel and fit it reaches through the
// host's event analysis.
#include <QPixmap>

#include "chart/ui/ChartPainter.h"
#include "chart/ui/Tchart1.h"
#include "base/ui/MemoLines.h"

std::vector<double> Tchart1::ObjectAValues() {
  RefreshData();
  std::vector<double> v;
  v.reserve(data_.Records.size());
  // Empty cells, cells that are not numbers and empty lines all count as 0.
  for (const ChartRecord& r : data_.Records) v.push_back(r.Value[CurveA]);
  return v;
}

bool Tchart1::Fitting() const {
  const ChartAnalysis* analysis = host_.Analysis();
  return analysis && analysis->Fitting(*this);
}

void Tchart1::StopFit() {
  if (ChartAnalysis* analysis = host_.Analysis()) analysis->StopFit(*this);
}

void Tchart1::ShowFitDrawing(ChartPicture curve, ChartPicture residual, const std::vector<std::string>& curve_lines) {
  AppendMemoLines(Memo1, curve_lines);
  fit_curve_ = std::move(curve);
  fit_residual_ = std::move(residual);
  PaintFitDrawing();
}

void Tchart1::PaintFitDrawing() {
  PaintChartOps(picture_, fit_curve_);
  ChartImg1->setPixmap(QPixmap::fromImage(picture_));
  if (lower_picture_.isNull()) {
    lower_picture_ = QImage(ChartImg2->width(), ChartImg2->height(), QImage::Format_RGB32);
    lower_picture_.fill(Qt::white);
  }
  PaintChartOps(lower_picture_, fit_residual_);
  ChartImg2->setPixmap(QPixmap::fromImage(lower_picture_));
  fit_drawn_ = true;
}

void Tchart1::InformationShow() {
  const bool keep = fit_drawn_;
  GraphShow3();
  if (keep) PaintFitDrawing();
}

void Tchart1::AfterChartSelection() {
  if (session_.DiffractionMode)
    if (ChartAnalysis* analysis = host_.Analysis()) analysis->AfterSelection(*this);
  host_.AfterChartSelection();
}

void Tchart1::ClampDiffractionWindows() {
  const int fm = session_.SelectedOffsetMin, fM = session_.SelectedOffsetMax;
  ChartAnalysis* analysis = host_.Analysis();
  if (!analysis || !(fm < 0 && fM > 0)) return;
  analysis->ClampWindows(*this, fm, fM);
}

void Tchart1::CloseFresnelCtrl() {
  if (ChartAnalysis* analysis = host_.Analysis()) analysis->CloseDiffractionPanel(*this);
}

void Tchart1::OpenFresnelCtrl() {
  if (ChartAnalysis* analysis = host_.Analysis()) analysis->OpenDiffractionPanel(*this);
}
