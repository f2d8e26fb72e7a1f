#pragma once
// 'Measurement': the selected object's colour-plane sums of the last measured
// frame, for the whole frame and each field. It stays on top of the main
// window and frees itself when closed.
#include <QWidget>
#include <array>

#include "measure/AperturePhotometry.h"

class QLineEdit;

class TColorValueDisplay : public QWidget {
  Q_OBJECT
 public:
  explicit TColorValueDisplay(QWidget* owner);
  // Rows Frame, Top (field 1), Bottom (field 2); planes in red, green, blue order.
  void ShowSums(const ApertureSums& sums, int frame);

  QLineEdit* Edit14 = nullptr;  // 'Star': aperture plane sums
  QLineEdit* Edit15 = nullptr;  // 'BKG': background plane sums
  QLineEdit* Edit16 = nullptr;  // 'Calcurate': star less the background scaled to the aperture
  QLineEdit* Edit17 = nullptr;  // 'Frame': the frame measured
  // Per block: the star, background and calculated texts.
  std::array<std::array<QLineEdit*, 3>, 3> Cells{};
};
