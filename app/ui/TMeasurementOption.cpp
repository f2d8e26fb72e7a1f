#include "app/ui/TMeasurementOption.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>
#include <utility>

#include "app/ui/TPlatform.h"
#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/Layouts.h"
#include "base/ui/HandlerTable.h"

TMeasurementOption::TMeasurementOption(TPlatform& platform) : QDialog(&platform), w_(platform) {
  SetUpToolWindow(this, "MeasurementOption", "Measurement Option");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  auto* v = new QVBoxLayout(this);

  CheckBox1 = Named<QCheckBox>("CheckBox1", "Upper");
  CheckBox2 = Named<QCheckBox>("CheckBox2", "Lower");
  v->addWidget(GroupOf("Cutting Off the Side of BKG", {CheckBox1, CheckBox2}));

  auto* led = new QGroupBox("Signal Detection Box for LED");
  auto* led_grid = new QGridLayout(led);
  CheckBox3 = Named<QCheckBox>("CheckBox3", "Available");
  UpDown3 = new TUpDown("UpDown3", "Edit3", 2, 12, 2);
  UpDown4 = new TUpDown("UpDown4", "Edit4", 2, 12, 2);
  ScrollBar1 = Named<QScrollBar>("ScrollBar1", Qt::Horizontal);
  ScrollBar1->setToolTip("Horizontal position of LED detector");
  led_grid->addWidget(CheckBox3, 0, 0, 1, 3);
  AddGridRow(led_grid, 1, {new QLabel("Signal1 "), UpDown3, UpDown4});
  led_grid->addWidget(ScrollBar1, 2, 0, 1, 3);
  v->addWidget(led);

  RadioGroup1 = new TRadioGroup("RadioGroup1", "Display Measurement Region", {"Hilight", "Faint", "Hide"});
  v->addWidget(RadioGroup1);

  CheckBox4 = Named<QCheckBox>("CheckBox4", "Direction of rectangle BKG");
  v->addWidget(GroupOf("Auto adjust", {CheckBox4}));

  auto* sat = new QGroupBox("Correction for saturated star");
  auto* sat_grid = new QGridLayout(sat);
  UpDown1 = new TUpDown("UpDown1", "Edit1", 127, 255, 255);
  UpDown2 = new TUpDown("UpDown2", "Edit2", 250, 700, 350);
  UpDown2->setSingleStep(5);
  AddGridRow(sat_grid, 0, {new QLabel("Photometry uses only lower brightness pixels than"), UpDown1});
  AddGridRow(sat_grid, 1, {new QLabel("Initial value for estimation of peak of star's image."), UpDown2});
  v->addWidget(sat);

  CheckBox5 = Named<QCheckBox>("CheckBox5", "Measure the peak of pixel");
  CheckBox7 = Named<QCheckBox>("CheckBox7", "Subtract background");
  CheckBox8 = Named<QCheckBox>("CheckBox8", "for Rectangle Aperture");
  v->addWidget(GroupOf<QVBoxLayout>("for Solar limb darkning", {CheckBox5, CheckBox7, CheckBox8}));

  CheckBox6 = Named<QCheckBox>("CheckBox6", "Make easy operation for click");
  v->addWidget(CheckBox6);
  auto* interval = new QHBoxLayout;
  Edit5 = Named<QLineEdit>("Edit5");
  Button1 = Named<QPushButton>("Button1", "Set");
  interval->addWidget(Edit5);
  interval->addWidget(Button1);
  v->addLayout(interval);

  FormCreate();

  ConnectEach(this, {{CheckBox1, &TMeasurementOption::CheckBox1Click}, {CheckBox2, &TMeasurementOption::CheckBox2Click},
                     {CheckBox3, &TMeasurementOption::CheckBox3Click}, {CheckBox4, &TMeasurementOption::CheckBox4Click},
                     {CheckBox5, &TMeasurementOption::CheckBox5Click}, {CheckBox6, &TMeasurementOption::CheckBox6Click},
                     {CheckBox7, &TMeasurementOption::CheckBox7Click}, {CheckBox8, &TMeasurementOption::CheckBox8Click},
                     {RadioGroup1, &TMeasurementOption::RadioGroup1Click}, {UpDown1, &TMeasurementOption::UpDown1Click},
                     {UpDown2, &TMeasurementOption::UpDown2Click}, {UpDown3, &TMeasurementOption::UpDown3Click},
                     {UpDown4, &TMeasurementOption::UpDown4Click}, {ScrollBar1, &TMeasurementOption::ScrollBar1Change},
                     {Button1, &TMeasurementOption::Button1Click}});
}

void TMeasurementOption::FormCreate() {
  CheckBox1->setChecked(w_.Options.CutBkgUpperSide);
  CheckBox2->setChecked(w_.Options.CutBkgLowerSide);
  CheckBox3->setChecked(w_.Options.SignalMarkersOn != 0);
  CheckBox4->setChecked(w_.Options.AutoRectangleDirection != 0);
  CheckBox5->setChecked(w_.Options.MeasurePixelPeak != 0);
  CheckBox6->setChecked(w_.Options.EasyClickOperation);
  CheckBox7->setChecked(w_.Options.SubtractBackground);
  CheckBox8->setChecked(w_.Options.LimbProfileForRectangle != 0);
  if (w_.Display.OutlineDisplayMode <= 2) RadioGroup1->SetItemIndex(w_.Display.OutlineDisplayMode);
  UpDown1->SetPosition(w_.Options.SaturationLevel);
  UpDown2->SetPosition(w_.Options.SaturatedPeakStart);
  ShowLedBox();
  // The interval in use stays in use after the window closes: show it.
  Edit5->setText(QString::fromStdString(FormatFixed(w_.Ticks.FixedFrameInterval, 5, 18)));
}

// The LED box as the main window has it now: opening a video (which loads
// the settings file and sets the frame width), 'Sharp' time or a click that
// places the box change it while this window stays open.
void TMeasurementOption::ShowLedBox() {
  {
    // The main window has done what unticking does.
    const QSignalBlocker block(CheckBox3);
    CheckBox3->setChecked(w_.Options.SignalMarkersOn != 0);
  }
  // Only a changed size is put in: setting it anew would rewrite an edit the
  // user is typing in at every redraw of a playback.
  for (auto [u, size] : {std::pair{UpDown3, w_.Options.Signal1HalfWidth}, {UpDown4, w_.Options.Signal1HalfHeight}})
    if (u->Position() != size) u->SetPosition(size);
  SetScrollLimits();
}

// The box stays inside the frame: its centre from half width + 2 to the
// frame's width less the same (25 for frames narrower than 50).
void TMeasurementOption::SetScrollLimits() {
  const QSignalBlocker block(ScrollBar1);
  const int x = w_.Marks.Signal1X;
  const int half = w_.Options.Signal1HalfWidth;
  const int width = w_.Video.FrameWidth;
  const int max = width < 50 ? 25 : width - half - 2;
  ScrollBar1->setRange(std::min(half + 2, max), max);
  ScrollBar1->setValue(x);
}

void TMeasurementOption::CheckBox1Click() { w_.Options.CutBkgUpperSide = CheckBox1->isChecked(); }
void TMeasurementOption::CheckBox2Click() { w_.Options.CutBkgLowerSide = CheckBox2->isChecked(); }
void TMeasurementOption::CheckBox4Click() { w_.Options.AutoRectangleDirection = CheckBox4->isChecked() ? 1 : 0; }
void TMeasurementOption::CheckBox5Click() { w_.Options.MeasurePixelPeak = CheckBox5->isChecked() ? 1 : 0; }
void TMeasurementOption::CheckBox6Click() { w_.Options.EasyClickOperation = CheckBox6->isChecked(); }
void TMeasurementOption::CheckBox7Click() { w_.Options.SubtractBackground = CheckBox7->isChecked(); }
void TMeasurementOption::CheckBox8Click() { w_.Options.LimbProfileForRectangle = CheckBox8->isChecked() ? 1 : 0; }

void TMeasurementOption::CheckBox3Click() {
  if (CheckBox3->isChecked()) {
    w_.Options.SignalMarkersOn = 1;
    w_.RadioButton11->setEnabled(true);
    w_.RadioButton12->setEnabled(true);
  } else {
    w_.Options.SignalMarkersOn = 0;
    for (auto& block : w_.Frames.FrameDataLines) {
      block.Signal1Detected = 0;
      block.Signal2Detected = 0;
    }
    if (!w_.RadioButton10->isChecked()) w_.RadioButton10->setChecked(true);
    // A click places a star now, also while 'Show Field' holds the
    // position-set mode: the Signal boxes it would move are off.
    w_.Options.PositionSetMode = 0;
    w_.RadioButton11->setEnabled(false);
    w_.RadioButton12->setEnabled(false);
  }
  if (w_.Run.VideoLoaded) w_.ShowNeighbor();
}

void TMeasurementOption::RadioGroup1Click() {
  const int i = RadioGroup1->ItemIndex();
  if (i < 0 || i > 2) return;
  w_.Display.OutlineDisplayMode = static_cast<uint8_t>(i);
  w_.ShowNeighbor();
}

void TMeasurementOption::UpDown1Click() {
  w_.Options.SaturationLevel = UpDown1->Position();
  w_.ShowNeighbor();
}

void TMeasurementOption::UpDown2Click() {
  w_.Options.SaturatedPeakStart = UpDown2->Position();
  w_.ShowNeighbor();
}

void TMeasurementOption::UpDown3Click() {
  w_.Options.Signal1HalfWidth = UpDown3->Position();
  SetScrollLimits();
  w_.ShowNeighbor();
}

void TMeasurementOption::UpDown4Click() {
  w_.Options.Signal1HalfHeight = UpDown4->Position();
  w_.ShowNeighbor();
}

void TMeasurementOption::ScrollBar1Change() {
  w_.Marks.Signal1X = ScrollBar1->value();
  w_.ShowNeighbor();
}

void TMeasurementOption::Button1Click() {
  double v = ParseDoubleOr(Edit5->text().trimmed().toStdString(), 0);
  // An interval too short to show reads as 0, which switches it off: so it is
  // off, rather than timing frames a million or more to the second. A
  // negative one is off as well; kept, it would still turn every video
  // opened next into a Sharp-time video.
  if (!(ParseDoubleOr(FormatFixed(v, 5, 18), 0) > 0)) v = 0;
  w_.Ticks.FixedFrameInterval = v;
  Edit5->setText(QString::fromStdString(FormatFixed(v, 5, 18)));
}
