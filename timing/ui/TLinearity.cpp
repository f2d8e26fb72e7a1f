#include "timing/ui/TLinearity.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "base/ui/ControlEvents.h"
#include "timing/Linearity.h"
#include "timing/ui/TimingMemo.h"

bool& LinearityOpen() {
  static bool open = false;
  return open;
}

TLinearity::TLinearity(QWidget* owner) : QDialog(owner), open_(LinearityOpen()) {
  SetUpToolWindow(this, "Linearity", "Linearity");
  Image1 = MakePicture("Image1", 1001, 541, this);
  Memo1 = MakeMemo("Memo1", this, MemoWrap::On);
  auto* v = new QVBoxLayout(this);
  v->addWidget(Image1);
  v->addWidget(Memo1);
  FormCreate();
}

void TLinearity::FormCreate() {
  DrawLinearityGraph();
  Memo1->clear();
  SetMemoLines(Memo1, LinearityExplanation());
}

void TLinearity::closeEvent(QCloseEvent* e) {
  open_.Closed();
  QDialog::closeEvent(e);
}

void TLinearity::DrawLinearityGraph() {
  const int w = 1001, h = 541;
  auto px = [w](double x) { return LinearityPx(w, x); };
  auto py = [h](double y) { return LinearityPy(h, y); };
  Picture = QImage(w, h, QImage::Format_RGB32);
  QPainter p(&Picture);
  p.fillRect(0, 0, w, h, Qt::white);
  p.setPen(Qt::black);
  p.drawLine(px(0), py(0), px(70), py(0));
  p.drawLine(px(0), py(0), px(0), py(45000));
  const int ascent = p.fontMetrics().ascent();
  for (int i = 1; i <= 70; ++i) {
    const bool major = (i - 4) % 10 == 0;
    p.drawLine(px(i), py(0), px(i), py(0) + (major ? 7 : 3));
    if (major) p.drawText(px(i) - (i == 4 ? 2 : 4), py(0) + 10 + ascent, QString::number(i - 4));
  }
  QFont title = p.font();
  title.setPixelSize(18);
  p.setFont(title);
  const int title_ascent = p.fontMetrics().ascent();
  p.drawText(150, py(0) + 35 + title_ascent, "Time shift of LED starting from the end of each frame (milli second)");
  DrawUpwardText(p, 10, 280, "Luminous intensity");
  p.setPen(BgrColor(0xFF0000));
  for (int i = 0; i <= 70; ++i) p.drawEllipse(px(i) - 2, py(LinearityIntensities()[static_cast<size_t>(i)]) - 2, 4, 4);
  p.setPen(BgrColor(0x0000FF));
  for (int i = 3; i < 33; ++i) p.drawLine(px(i), py(LinearityFit(i)), px(i + 1), py(LinearityFit(i + 1)));
  p.end();
  Image1->setPixmap(QPixmap::fromImage(Picture));
}
