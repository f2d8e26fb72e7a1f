#include "app/ui/TSetPredictTrack.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "base/ui/ControlEvents.h"
#include "app/ui/TPlatform.h"

TSetPredictTrack::TSetPredictTrack(TPlatform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), platform_(platform) {
  SetUpToolWindow(this, "SetPredictTrack", "Setting for predicted track");
  auto* g = new QGridLayout(this);
  const char* captions[] = {"Object A", "Object B", "Object C"};
  for (int k = 1; k <= 3; ++k) {
    const size_t i = static_cast<size_t>(k - 1);
    CheckBox[i] = new QCheckBox(captions[i]);
    CheckBox[i]->setObjectName(QString("CheckBox%1").arg(k));
    UpDown[i] = new TUpDown(QString("UpDown%1").arg(k), QString("Edit%1").arg(k), 10, 300, 30);
    UpDown[i]->setSingleStep(10);
    g->addWidget(CheckBox[i], k - 1, 0);
    g->addWidget(new QLabel("Frame range "), k - 1, 1);
    g->addWidget(UpDown[i], k - 1, 2);
  }
  ShowObjects();
  for (int k = 1; k <= 3; ++k) {
    const size_t i = static_cast<size_t>(k - 1);
    connect(CheckBox[i], &QCheckBox::toggled, this, [this, k](bool) { EnabledClick(k); });
    connect(UpDown[i], &QSpinBox::valueChanged, this, [this, k](int) { FrameRangeClick(k); });
  }
  platform_.OpenWindows.PredictTrackFormOpen = true;
}

void TSetPredictTrack::ShowObjects() {
  for (size_t i = 0; i < 3; ++i) {
    const PredictTrack& t = platform_.Tracking.PredictTracks[i];
    QSignalBlocker block(CheckBox[i]);
    CheckBox[i]->setChecked(t.Enabled != 0);
    UpDown[i]->SetPosition(t.FrameRange);
  }
}

void TSetPredictTrack::EnabledClick(int k) {
  const size_t i = static_cast<size_t>(k - 1);
  const bool on = CheckBox[i]->isChecked();
  platform_.Tracking.PredictTracks[i].Enabled = on ? 1 : 0;
  // The object's own flag feeds its track, selected or not.
  SetObjectSetting(platform_.Frames.FrameDataLines, static_cast<int>(i), &ObjectResult::EstimatedTrack,
                   static_cast<uint8_t>(on));
  if (k == platform_.Run.SelectedObject) platform_.CheckBox4->setChecked(on);
}

void TSetPredictTrack::FrameRangeClick(int k) {
  const size_t i = static_cast<size_t>(k - 1);
  platform_.Tracking.PredictTracks[i].FrameRange = UpDown[i]->Position();
}

void TSetPredictTrack::closeEvent(QCloseEvent* event) {
  platform_.OpenWindows.PredictTrackFormOpen = false;
  QWidget::closeEvent(event);
}
