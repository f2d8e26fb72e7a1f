#include "measure/ui/TThreeDGraph.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QPolygon>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/HandlerTable.h"

namespace {

constexpr int kImageWidth = 252, kImageHeight = 414;

}  // namespace

TThreeDGraph::TThreeDGraph(ProfileGrids& grids, const ApertureClassMap& classes, QWidget* opener)
    : QWidget(opener, Qt::Window | Qt::WindowStaysOnTopHint), grids_(grids), classes_(classes) {
  SetUpToolWindow(this, "ThreeDGraph", "3D-Graph of Star Profile");
  // The slider starts at 20 again: so must the kept heights, which are drawn
  // as they are when no frame can be read (the capture holds the video).
  grids_.HeightStep = 20;
  RecomputeProfileHeights(grids_);
  auto* v = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  TDGImage1 = Named<QLabel>("TDGImage1");
  TDGImage1->setFixedSize(kImageWidth, kImageHeight);
  top->addWidget(TDGImage1);
  TrackBar2 = Named<QSlider>("TrackBar2", Qt::Vertical);
  TrackBar2->setRange(0, 30);
  TrackBar2->setValue(20);
  TrackBar2->setSingleStep(10);  // an arrow key moves a whole height step
  TrackBar2->setPageStep(10);
  TrackBar2->setTickInterval(5);
  TrackBar2->setTickPosition(QSlider::TicksRight);
  TrackBar2->setInvertedAppearance(true);  // 0 at the top
  TrackBar2->setInvertedControls(true);    // so the up arrow and the wheel move the handle up
  top->addWidget(TrackBar2);
  v->addLayout(top);

  auto* arrows = new QGridLayout;
  SpeedButton1 = Named<QPushButton>("SpeedButton1", QString::fromUtf8("\u25B2"));
  SpeedButton2 = Named<QPushButton>("SpeedButton2", QString::fromUtf8("\u25BC"));
  SpeedButton3 = Named<QPushButton>("SpeedButton3", QString::fromUtf8("\u25B6"));
  SpeedButton4 = Named<QPushButton>("SpeedButton4", QString::fromUtf8("\u25C0"));
  Button4 = Named<QPushButton>("Button4", "-30");
  Button3 = Named<QPushButton>("Button3", "-30");
  Button2 = Named<QPushButton>("Button2", "0");
  arrows->addWidget(SpeedButton1, 0, 2);
  arrows->addWidget(Button4, 1, 0);
  arrows->addWidget(SpeedButton4, 1, 1);
  arrows->addWidget(Button2, 1, 2);
  arrows->addWidget(SpeedButton3, 1, 3);
  arrows->addWidget(Button3, 1, 4);
  arrows->addWidget(SpeedButton2, 2, 2);
  v->addLayout(arrows);
  TrackBar1 = Named<QSlider>("TrackBar1", Qt::Horizontal);
  TrackBar1->setRange(-90, 90);
  TrackBar1->setValue(0);
  TrackBar1->setTickInterval(30);
  TrackBar1->setTickPosition(QSlider::TicksBelow);
  v->addWidget(TrackBar1);
  RadioGroup1 = new TRadioGroup("RadioGroup1", "Aperture", {"Show", "Hide"});
  RadioGroup1->SetItemIndex(0);
  MedianSelect = new TRadioGroup("MedianSelect", "Processing Size", {"5", "3", "OFF"});
  MedianSelect->SetItemIndex(2);
  RadioGroup2 = new TRadioGroup("RadioGroup2", "Noise Reduction", {"Moving Average", "Median"});
  RadioGroup2->SetItemIndex(0);
  auto* groups = new QHBoxLayout;
  for (auto* g : {RadioGroup1, MedianSelect, RadioGroup2}) groups->addWidget(g);
  v->addLayout(groups);
  auto* buttons = new QHBoxLayout;
  Button5 = Named<QPushButton>("Button5", "Copy to ClipBoard");
  Button1 = Named<QPushButton>("Button1", "Close");
  buttons->addWidget(Button5);
  buttons->addWidget(Button1);
  v->addLayout(buttons);

  const Handlers<TThreeDGraph> button_handlers = {
      {SpeedButton1, &TThreeDGraph::SpeedButton1Click}, {SpeedButton2, &TThreeDGraph::SpeedButton2Click},
      {SpeedButton3, &TThreeDGraph::SpeedButton3Click}, {SpeedButton4, &TThreeDGraph::SpeedButton4Click},
      {Button3, &TThreeDGraph::Button3Click},           {Button4, &TThreeDGraph::Button4Click},
      {Button2, &TThreeDGraph::Button2Click},           {Button5, &TThreeDGraph::Button5Click}};
  ConnectEach(this, button_handlers);
  connect(Button1, &QPushButton::clicked, this, &QWidget::close);
  connect(TrackBar1, &QSlider::valueChanged, this, [this](int) { TrackBar1Change(); });
  connect(TrackBar2, &QSlider::valueChanged, this, [this](int) { TrackBar2Change(); });
  for (auto* g : {RadioGroup1, MedianSelect, RadioGroup2}) OnRadioGroupClick(g, this, &TThreeDGraph::SettingsClick);
  if (opener) move(opener->geometry().topLeft());
  resize(264, height());
}

void TThreeDGraph::ThreeDPixelread(int k, const Bitmap24& frame, int x, int y, int image_width, int image_height) {
  ReadProfilePixels(grids_, k, frame, x, y, image_width, image_height);
}

void TThreeDGraph::Turn(double by) {
  // Kept inside the slider's range: a turn of 30 from 87 stops at 90. The
  // slider does not always report back (it may already stand at its end).
  View.Rotation = std::clamp(View.Rotation + by, static_cast<double>(TrackBar1->minimum()),
                             static_cast<double>(TrackBar1->maximum()));
  TrackBar1->setValue(static_cast<int>(RoundHalfEven(View.Rotation)));
  Redraw();
}

void TThreeDGraph::SpeedButton1Click() {
  if (View.Tilt < 87) View.Tilt += 3;
  Redraw();
}
void TThreeDGraph::SpeedButton2Click() {
  if (View.Tilt > -87) View.Tilt -= 3;
  Redraw();
}
void TThreeDGraph::SpeedButton3Click() { Turn(View.Rotation < 90 ? 3 : 0); }
void TThreeDGraph::SpeedButton4Click() { Turn(View.Rotation > -90 ? -3 : 0); }
void TThreeDGraph::Button3Click() { Turn(View.Rotation < 90 ? 30 : 0); }
void TThreeDGraph::Button4Click() { Turn(View.Rotation > -90 ? -30 : 0); }

void TThreeDGraph::Button2Click() {
  View.Tilt = 0;
  View.Rotation = 0;
  Redraw();
}

void TThreeDGraph::TrackBar1Change() {
  View.Rotation = TrackBar1->value();
  Redraw();
}

void TThreeDGraph::TrackBar2Change() {
  grids_.HeightStep = TrackBar2->value();
  RecomputeProfileHeights(grids_);
  Redraw();
}

void TThreeDGraph::SettingsClick() {
  View.ShowAperture = RadioGroup1->ItemIndex() == 0;
  const int size = MedianSelect->ItemIndex();
  View.Size = size == 0 ? ProfileSmoothing::Size5 : size == 1 ? ProfileSmoothing::Size3 : ProfileSmoothing::Off;
  View.Median = RadioGroup2->ItemIndex() == 1;
  Redraw();
}

void TThreeDGraph::Button5Click() {
  QApplication::clipboard()->setImage(TDGImage1->pixmap().toImage().convertToFormat(QImage::Format_RGB888));
}

void TThreeDGraph::ThreeDGraphDraw(int k) {
  if (k < 1 || k > 3) return;
  shown_object_ = k;
  LastDrawing = BuildProfileDrawing(grids_, k, classes_[static_cast<size_t>(k - 1)], View);
  QImage img(kImageWidth, kImageHeight, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setBrush(Qt::white);
  for (const ProfileDrawItem& item : LastDrawing) {
    if (item.IsQuad) {
      p.setPen(QPen(Qt::black, 1));
      QPolygon poly;
      for (const ScreenPoint& s : item.Points) poly << QPoint(s.X, s.Y);
      p.drawPolygon(poly);
    } else {
      p.setPen(QPen(BgrColor(item.Colour), 2));
      p.drawLine(item.Points[0].X, item.Points[0].Y, item.Points[1].X, item.Points[1].Y);
    }
  }
  p.end();
  TDGImage1->setPixmap(QPixmap::fromImage(img));
}
