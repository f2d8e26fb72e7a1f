#include "timing/ui/TTimingError.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "timing/TimingError.h"
#include "timing/ui/TimingMemo.h"

bool& TimingErrorOpen() {
  static bool open = false;
  return open;
}

void OpenTimingError(QWidget* owner, QWidget* over) {
  if (TimingErrorOpen()) return;
  auto* w = new TTimingError(owner);
  if (over && over->windowHandle()) {
    // A window of the owner is blocked by the modal one; as its transient it is not.
    w->winId();
    w->windowHandle()->setTransientParent(over->windowHandle());
  }
  w->show();
}

TTimingError::TTimingError(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint), open_(TimingErrorOpen()) {
  SetUpToolWindow(this, "TimingError", "Estimated error of timing");
  Image1 = MakePicture("Image1", 721, 631, this);
  auto* v = new QVBoxLayout(this);
  v->addWidget(Image1);
  FormCreate();
}

void TTimingError::FormCreate() {
  DrawTimingErrorGraph();
}

void TTimingError::closeEvent(QCloseEvent* e) {
  open_.Closed();
  e->accept();
}

void TTimingError::DrawTimingErrorGraph() {
  Picture = QImage(721, 631, QImage::Format_RGB32);
  QPainter p(&Picture);
  p.fillRect(0, 0, 721, 631, Qt::white);
  p.setPen(Qt::black);
  p.drawLine(60, 452, 60, 20);
  for (int i = 1; i <= 12; ++i) {
    const int y = 452 - 36 * i;
    p.drawLine(60, y, 60 + (i == 10 ? 8 : 5), y);
    p.drawText(i < 10 ? 48 : 44, y - 4 + p.fontMetrics().ascent(), QString::number(i));
  }
  p.drawLine(60, 452, 540, 452);
  for (int i = 1; i <= 16; ++i) {
    const int x = 60 + 30 * i;
    p.drawLine(x, 452, x, 452 - (i == 10 ? 8 : 5));
    p.drawText(x - 6, 456 + p.fontMetrics().ascent(), QString::fromStdString(FormatFixed(i / 10.0L, 1, 15)));
  }
  QFont title = p.font();
  title.setBold(true);
  title.setPixelSize(17);
  p.setFont(title);
  const int ascent = p.fontMetrics().ascent();
  p.drawText(20, 472 + ascent, "Noise (Standard deviation of intensity / Luminous drop of event)");
  // Centred on the value axis, so the whole caption stays on the picture.
  const QString vertical = "Time error as 1-sigma (frame or integration)";
  DrawUpwardText(p, 10, std::min(452, 236 + p.fontMetrics().horizontalAdvance(vertical) / 2), vertical);
  p.setPen(BgrColor(0xFF0000));
  QPoint last(60, 452);
  for (int i = 0; i <= 155; ++i) {
    const QPoint next(TimingErrorPx(i / 100.0), TimingErrorPy(TimingErrorPolynomial(i / 100.0)));
    p.drawLine(last, next);
    last = next;
  }
  p.setPen(BgrColor(0x0000FF));
  for (int i = 0; i <= 30; ++i) {
    const int x = TimingErrorPx(i / 20.0), y = TimingErrorPy(SimulatedTimingErrors()[static_cast<size_t>(i)]);
    p.drawEllipse(x - 2, y - 2, 4, 4);
  }
  p.end();
  Image1->setPixmap(QPixmap::fromImage(Picture));
}
