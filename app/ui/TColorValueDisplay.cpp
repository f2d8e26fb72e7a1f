#include "app/ui/TColorValueDisplay.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"

namespace {

// Red, green, blue: the planes are stored in the pixel's byte order (blue first).
std::string PlaneText(const std::array<double, 3>& planes) {
  return FormatFixed(planes[2], 0, 9) + " " + FormatFixed(planes[1], 0, 9) + " " + FormatFixed(planes[0], 0, 9);
}

}  // namespace

TColorValueDisplay::TColorValueDisplay(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName("ColorValueDisplay");
  setWindowTitle("Measurement");
  setAttribute(Qt::WA_DeleteOnClose);
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(4, 4, 4, 4);
  auto* box = new QGroupBox("Observation");
  auto* g = new QGridLayout(box);
  g->setContentsMargins(2, 2, 2, 2);
  const char* columns[] = {"Star", "BKG", "Calcurate"};
  const char* rows[] = {"Frame", "Top", "Bottom"};
  for (int c = 0; c < 3; ++c) g->addWidget(new QLabel(columns[c]), 0, c + 1);
  for (int r = 0; r < 3; ++r) {
    g->addWidget(new QLabel(rows[r]), r + 1, 0);
    for (int c = 0; c < 3; ++c) {
      auto* e = new QLineEdit;
      e->setReadOnly(true);
      e->setObjectName(QString("Cell%1%2").arg(r).arg(c));
      g->addWidget(e, r + 1, c + 1);
      Cells[static_cast<size_t>(r)][static_cast<size_t>(c)] = e;
    }
  }
  // The frame row's three cells keep the designer names.
  Edit14 = Cells[0][0];
  Edit15 = Cells[0][1];
  Edit16 = Cells[0][2];
  Edit14->setObjectName("Edit14");
  Edit15->setObjectName("Edit15");
  Edit16->setObjectName("Edit16");
  Edit17 = Named<QLineEdit>("Edit17");
  Edit17->setReadOnly(true);
  g->addWidget(new QLabel("No."), 4, 0);
  g->addWidget(Edit17, 4, 1);
  v->addWidget(box);
  if (owner) setGeometry(owner->geometry().left() + 5, owner->geometry().top() + 533, 204, 183);
}

void TColorValueDisplay::ShowSums(const ApertureSums& sums, int frame) {
  for (size_t j = 0; j < 3; ++j) {
    const ApertureBlockSums& b = sums[j];
    const double count = b.BackgroundCount > 0 ? b.BackgroundCount : 10;
    std::array<double, 3> net{};
    for (size_t p = 0; p < 3; ++p) net[p] = b.Aperture[p] - b.ApertureCount / count * b.Background[p];
    Cells[j][0]->setText(QString::fromStdString(PlaneText(b.Aperture)));
    Cells[j][1]->setText(QString::fromStdString(PlaneText(b.Background)));
    Cells[j][2]->setText(QString::fromStdString(PlaneText(net)));
  }
  Edit17->setText(QString::number(frame));
}
