#pragma once
// "SpectrumGraph": the star's spectrum, the sensor's sensitivity, the air's
// transparency and their product over 400-800 nm.
#include <QImage>
#include <QWidget>

#include "events/SpectralModel.h"

class QLabel;

class TSpectrumGraph : public QWidget {
  Q_OBJECT
 public:
  TSpectrumGraph(const SpectralModel& model, QWidget* owner = nullptr);
  ~TSpectrumGraph() override;

  QLabel* Image1 = nullptr;
  QImage Picture;  // what Image1 shows

  void DrawSpectrum();

 private:
  const SpectralModel& model_;
};

// Set while the window exists; the panel tests it before redrawing.
bool& SpectrumWindowShown();
