#include "measure/ui/THistogram.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include "base/ui/ControlEvents.h"

namespace {
constexpr int kWidth = 577, kHeight = 553;
}

THistogram::THistogram(const Bitmap24& shown, QWidget* opener) : QWidget(opener, Qt::Window), shown_(shown) {
  SetUpToolWindow(this, "Histogram", "Histogram");
  auto* v = new QVBoxLayout(this);
  Image1 = Named<QLabel>("Image1");
  Image1->setFixedSize(kWidth, kHeight);
  v->addWidget(Image1);
  auto* row = new QHBoxLayout;
  UpDown1 = new TUpDown("UpDown1", "Edit1", 1, 10, 1);
  row->addWidget(new QLabel("Gain"));
  row->addWidget(UpDown1);
  row->addStretch(1);
  v->addLayout(row);
  OnUpDownChange(UpDown1, this, &THistogram::UpDown1Click);
  DrawHistogram();
}

void THistogram::DrawHistogram() {
  Bins = CountHistogram(shown_);
  Paint();
}

void THistogram::UpDown1Click() { Paint(); }

QImage THistogram::Drawing() const { return Image1->pixmap().toImage(); }

void THistogram::Paint() {
  const int gain = UpDown1->Position();
  QImage img(kWidth, kHeight, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setPen(BgrColor(0x800000));  // navy
  const std::array<int, 256> h = HistogramBarHeights(Bins, gain);
  for (int i = 0; i < 256; ++i) {
    if (h[static_cast<size_t>(i)] <= 0) continue;
    const int top = kHistogramBaseline - h[static_cast<size_t>(i)];
    for (int x : {HistogramBarX(i), HistogramBarX(i) + 1}) p.drawLine(x, kHistogramBaseline, x, top);
  }
  p.setPen(Qt::black);
  p.drawLine(30, 30, 30, kHistogramBaseline);
  p.drawLine(30, kHistogramBaseline, 550, kHistogramBaseline);
  p.end();
  Image1->setPixmap(QPixmap::fromImage(img));
}
