#include "events/ui/TSpectrumGraph.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"

namespace {
int X(int nm) { return static_cast<int>(RoundHalfEven((nm - 400) * 0.8L + 40)); }
int Y(double v) { return static_cast<int>(RoundHalfEven(350 - 300.0L * v)); }

void DrawTextAt(QPainter& p, int x, int y, const QString& s) { p.drawText(x, y + p.fontMetrics().ascent(), s); }

template <class Value>
void Curve(QPainter& p, Value value) {
  QPoint last(X(400), Y(value(0)));
  for (int k = 5; k <= 400; k += 5) {
    const QPoint next(X(400 + k), Y(value(k)));
    p.drawLine(last, next);
    last = next;
  }
}
}  // namespace

bool& SpectrumWindowShown() {
  static bool shown = false;
  return shown;
}

TSpectrumGraph::TSpectrumGraph(const SpectralModel& model, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint), model_(model) {
  SetUpToolWindow(this, "SpectrumGraph", "SpectrumGraph");
  Image1 = Named<QLabel>("Image1", this);
  Image1->setFixedSize(491, 571);
  auto* v = new QVBoxLayout(this);
  v->addWidget(Image1);
  SpectrumWindowShown() = true;
  DrawSpectrum();
}

TSpectrumGraph::~TSpectrumGraph() { SpectrumWindowShown() = false; }

void TSpectrumGraph::DrawSpectrum() {
  Picture = QImage(491, 571, QImage::Format_RGB32);
  QPainter p(&Picture);
  p.fillRect(0, 0, 491, 571, Qt::white);
  p.setPen(Qt::black);
  const QFont normal = p.font();
  QFont bold = normal;
  bold.setBold(true);
  bold.setPixelSize(17);
  p.setFont(bold);
  DrawTextAt(p, 120, 20, "Spectral intensity");
  p.setFont(normal);
  p.drawPolyline(QPolygon({QPoint(40, 50), QPoint(40, 350), QPoint(360, 350), QPoint(360, 50), QPoint(40, 50)}));
  for (int i = 0; i <= 10; ++i) {
    const int y = 50 + 30 * i;
    p.drawLine(40, y, 48, y);
    p.drawLine(360, y, 352, y);
  }
  DrawTextAt(p, 12, 46, "100");
  for (int i = 1; i <= 9; ++i) DrawTextAt(p, 20, 30 * i + 46, QString::number(100 - 10 * i));
  DrawTextAt(p, 28, 346, "0");
  for (int k = 0; k <= 4; ++k) {
    p.drawLine(40 + 80 * k, 350, 40 + 80 * k, 342);
    DrawTextAt(p, 32 + 80 * k, 354, QString::number(400 + 100 * k));
  }
  DrawTextAt(p, 372, 354, "nm");
  bold.setPixelSize(16);
  p.setFont(bold);
  DrawTextAt(p, 160, 366, "Wave length");
  p.setFont(normal);
  struct Legend {
    int y;
    QColor colour;
    const char* text;
  };
  const Legend legend[] = {{400, QColor(255, 0, 255), "Star's spectral intensity (S)"},
                           {416, QColor(0, 0, 255), "CCD spectral sensitivity (C)"},
                           {432, QColor(0, 255, 0), "Air's transparency (A)"},
                           {448, QColor(255, 0, 0), "Total effect (=SxCxA)"}};
  for (const Legend& l : legend) {
    p.setPen(l.colour);
    p.drawLine(40, l.y, 70, l.y);
    p.setPen(Qt::black);
    DrawTextAt(p, 76, l.y - 8, l.text);
  }
  const int ccd = std::clamp(model_.CcdIndex, 0, kSensorColumns - 1);
  const SpectralCurve& c = model_.CcdSensitivity[static_cast<size_t>(ccd)];
  p.setPen(QColor(0, 0, 255));
  Curve(p, [&](int k) { return c[static_cast<size_t>(k)]; });
  p.setPen(QColor(0, 255, 0));
  Curve(p, [&](int k) { return model_.AirTransparency[static_cast<size_t>(k)]; });
  p.setPen(QColor(255, 0, 255));
  Curve(p, [&](int k) { return model_.BlackbodySpectrum[static_cast<size_t>(k)]; });
  p.setPen(QPen(QColor(255, 0, 0), 2));
  Curve(p, [&](int k) {
    const size_t i = static_cast<size_t>(k);
    return model_.AirTransparency[i] * c[i] * model_.BlackbodySpectrum[i];
  });
  p.end();
  Image1->setPixmap(QPixmap::fromImage(Picture));
}
