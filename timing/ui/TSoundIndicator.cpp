#include "timing/ui/TSoundIndicator.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "base/ui/ControlEvents.h"
#include "timing/ui/TimingMemo.h"

namespace {
QLineEdit* ReadOnlyEdit(const char* name, QWidget* parent) {
  auto* e = Named<QLineEdit>(name, parent);
  e->setReadOnly(true);
  return e;
}
}  // namespace

TSoundIndicator::TSoundIndicator(SoundIndicatorHost host, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint), host_(std::move(host)) {
  SetUpToolWindow(this, "SoundIndicator", "Audio cannel display");
  SndImage = MakePicture("SndImage", 332, 140, this);
  RadioGroup1 = new TRadioGroup("RadioGroup1", "Cannel", {"L", "R", "L+R"}, this);
  RadioGroup1->SetItemIndex(2);
  RadioGroup2 = new TRadioGroup("RadioGroup2", "Width", {"Wide", "Expansion"}, this);
  RadioGroup2->SetItemIndex(0);
  GroupBox1 = Named<QGroupBox>("GroupBox1", "Volume", this);
  auto* volume = new QHBoxLayout(GroupBox1);
  Edit1 = ReadOnlyEdit("Edit1", GroupBox1);
  Edit1->setText("50");
  UpDown1 = new TUpDown("UpDown1", "UpDown1Position", 5, 200, 50, GroupBox1);
  UpDown1->setSingleStep(5);
  UpDown2 = new TUpDown("UpDown2", "UpDown2Position", 1, 200, 50, GroupBox1);
  for (QWidget* w : std::initializer_list<QWidget*>{Edit1, UpDown1, UpDown2}) volume->addWidget(w);
  Edit2 = ReadOnlyEdit("Edit2", this);
  Edit3 = ReadOnlyEdit("Edit3", this);
  Label1 = MakeLabel("Label1", "", this);
  Edit4 = ReadOnlyEdit("Edit4", this);
  Edit5 = ReadOnlyEdit("Edit5", this);
  Edit6 = ReadOnlyEdit("Edit6", this);
  Label2 = MakeLabel("Label2", "Signal Detect", this);
  Panel1 = MakeLabel("Panel1", "", this);
  Panel1->setFixedSize(24, 24);
  Panel1->setAutoFillBackground(true);
  Label3 = MakeLabel("Label3", "Length/CurentFrame", this);
  Edit7 = ReadOnlyEdit("Edit7", this);
  Label4 = MakeLabel("Label4", "Current Frame: No. ", this);
  Edit8 = ReadOnlyEdit("Edit8", this);
  Button1 = Named<QPushButton>("Button1", "Close", this);
  auto* grid = new QGridLayout(this);
  grid->addWidget(SndImage, 0, 0, 4, 2);
  grid->addWidget(RadioGroup1, 0, 2);
  grid->addWidget(RadioGroup2, 1, 2);
  grid->addWidget(GroupBox1, 2, 2);
  grid->addWidget(Button1, 3, 2);
  grid->addWidget(Edit2, 4, 0);
  grid->addWidget(Edit4, 4, 1);
  grid->addWidget(Edit5, 5, 0);
  grid->addWidget(Edit6, 5, 1);
  grid->addWidget(Edit3, 6, 0, 1, 2);
  grid->addWidget(Label1, 7, 0, 1, 3);
  grid->addWidget(Label2, 8, 0);
  grid->addWidget(Panel1, 8, 1);
  grid->addWidget(Label3, 9, 0);
  grid->addWidget(Edit7, 9, 1);
  grid->addWidget(Label4, 10, 0);
  grid->addWidget(Edit8, 10, 1);
  connect(Button1, &QPushButton::clicked, this, &TSoundIndicator::Button1Click);
  OnUpDownChange(UpDown1, this, &TSoundIndicator::UpDown1Click);
  OnUpDownChange(UpDown2, this, &TSoundIndicator::UpDown2Click);
  OnRadioGroupClick(RadioGroup1, this, &TSoundIndicator::RadioGroup1Click);
  OnRadioGroupClick(RadioGroup2, this, &TSoundIndicator::RadioGroup2Click);
  if (owner) move(owner->pos());
  GraphAreaInit();
}

TSoundIndicator::~TSoundIndicator() { Track.CloseWavFile(); }

void TSoundIndicator::closeEvent(QCloseEvent* e) {
  if (host_.Closed) host_.Closed();
  e->accept();
}

bool TSoundIndicator::SoundInit() {
  const int frames = host_.FrameCount ? host_.FrameCount() : 1;
  const double rate = host_.TimingFrameRate ? host_.TimingFrameRate() : 0;
  if (!Track.SoundInit(host_.WavFileName, frames, rate)) return false;
  Edit4->setText(QString::fromStdString(Track.SampleFrameText()));
  Edit5->setText(QString::fromStdString(Track.DataTypeText()));
  Edit6->setText(QString::fromStdString(Track.DataSizeText()));
  GraphAreaInit();
  return true;
}

void TSoundIndicator::SamplingRateShow() { Edit2->setText(QString::fromStdString(Track.SamplingRateText())); }

void TSoundIndicator::GraphAreaInit() {
  const SoundWidth width = RadioGroup2->ItemIndex() == 1 ? SoundWidth::Expansion : SoundWidth::Wide;
  const int x0 = SoundTrack::kCentreX, y0 = SoundTrack::kCentreY;
  Picture = QImage(332, 140, QImage::Format_RGB32);
  QPainter p(&Picture);
  p.fillRect(0, 0, 332, 140, Qt::white);
  const QColor band = BgrColor(0xF0CAA6);
  const int half = width == SoundWidth::Expansion ? 53 : 6;
  p.fillRect(x0 - half, 0, 2 * half, 160, band);
  p.setPen(band);
  for (int x : Track.FrameBoundaries(width)) p.drawLine(x, 0, x, 160);
  p.setPen(BgrColor(0x808080));
  p.drawLine(0, y0, 400, y0);
  p.setPen(BgrColor(0x00FFFF));
  p.drawLine(0, y0 - 40, 400, y0 - 40);
  p.drawLine(0, y0 + 40, 400, y0 + 40);
  p.end();
  SndImage->setPixmap(QPixmap::fromImage(Picture));
}

void TSoundIndicator::GraphDraw() {
  GraphAreaInit();
  const int f = host_.CurrentFrame ? host_.CurrentFrame() : 0;
  Edit8->setText(QString::number(f));
  Edit3->setText(QString::fromStdString(Track.DiscordanceText()));
  const bool warn = Track.DiscordanceWarning();
  Edit3->setStyleSheet(warn ? "color: red" : "color: blue");
  Label1->setStyleSheet(warn ? "color: red" : "color: black");
  Label1->setText(warn ? "Several Frames may be dropped.  Check the .AVI file." : "");
  const SoundFrameResult r = Track.GraphDraw(f, static_cast<SoundChannel>(RadioGroup1->ItemIndex()),
                                             RadioGroup2->ItemIndex() == 1 ? SoundWidth::Expansion : SoundWidth::Wide,
                                             SoundGain);
  QPainter p(&Picture);
  p.setPen(BgrColor(0x0000FF));
  for (const SoundColumn& c : r.Columns) {
    if (c.y_from == c.y_to)
      p.drawPoint(c.x, c.y_from);
    else
      p.drawLine(c.x, c.y_from, c.x, c.y_to);
  }
  p.end();
  SndImage->setPixmap(QPixmap::fromImage(Picture));
  SoundSignalDetected = r.Detected;
  SoundSignalPercentText = r.PercentText;
  PaintWindow(Panel1, r.Detected ? Qt::red : Qt::white);
  Edit7->setText(QString::fromStdString(r.PercentText));
  if (host_.Report) host_.Report(SoundSignalDetected, SoundSignalPercentText);
}

void TSoundIndicator::SetGain(int gain) {
  SoundGain = gain;
  Edit1->setText(QString::number(gain));
  UpDown1->SetPosition(gain);
  UpDown2->SetPosition(gain);
  GraphDraw();
}

void TSoundIndicator::UpDown1Click() { SetGain(UpDown1->Position()); }
void TSoundIndicator::UpDown2Click() { SetGain(UpDown2->Position()); }

void TSoundIndicator::Button1Click() {
  if (host_.MeasuringRun && host_.MeasuringRun()) return;
  close();
}
