// Main window: measurement runs (START, STOP, '1Frame', 'DEL', 'DataRemove'),
// playback, the step buttons and the frame scroll bar. A run and playback are
// one mechanism: Timer1 moves ScrollBar1 by FrameStep, and the scroll bar's
// change handler measures the frame (appending rows while MeasuringRun).
#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "base/ui/NamedItems.h"
#include "app/ui/TPlatform.h"

namespace {

QPushButton* NamedButton(const char* name, const char* caption) { return Named<QPushButton>(name, caption); }

}  // namespace

QWidget* TPlatform::CreateRunPanel() {
  auto* box = new QGroupBox("Run");
  auto* v = new QVBoxLayout(box);
  v->setContentsMargins(4, 2, 4, 2);
  v->setSpacing(2);

  Button3 = NamedButton("Button3", "START");
  Button4 = NamedButton("Button4", "STOP");
  Button16 = NamedButton("Button16", "1Frame");
  Button21 = NamedButton("Button21", "DEL");
  Button5 = NamedButton("Button5", "DataRemove");
  Button18 = NamedButton("Button18", "Graph");
  Button40 = NamedButton("Button40", "Set radius to recorded");
  auto* run_row = new QHBoxLayout;
  for (auto* b : {Button3, Button4, Button16, Button21, Button5, Button18, Button40}) run_row->addWidget(b);
  v->addLayout(run_row);

  SpeedButton1 = NamedButton("SpeedButton1", ">");
  SpeedButton10 = NamedButton("SpeedButton10", "<");
  SpeedButton2 = NamedButton("SpeedButton2", "[]");
  SpeedButton3 = NamedButton("SpeedButton3", "|<");
  SpeedButton4 = NamedButton("SpeedButton4", "1Fr+");
  SpeedButton5 = NamedButton("SpeedButton5", "-1Fr");
  SpeedButton6 = NamedButton("SpeedButton6", "1sec+");
  SpeedButton7 = NamedButton("SpeedButton7", "-1sec");
  SpeedButton8 = NamedButton("SpeedButton8", "10sec+");
  SpeedButton9 = NamedButton("SpeedButton9", "-10sec");
  auto* play_row = new QHBoxLayout;
  for (auto* b : {SpeedButton3, SpeedButton10, SpeedButton2, SpeedButton1, SpeedButton9, SpeedButton7, SpeedButton5,
                  SpeedButton4, SpeedButton6, SpeedButton8})
    play_row->addWidget(b);
  v->addLayout(play_row);

  TrackBar1 = Named<QSlider>("TrackBar1", Qt::Horizontal);
  TrackBar1->setRange(1, 1000);
  TrackBar1->setValue(1);
  CheckBox21 = Named<QCheckBox>("CheckBox21", "Fast");
  Edit53 = NamedReadOut("Edit53", {}, 70);
  Memo3 = Named<QPlainTextEdit>("Memo3");
  Memo3->setReadOnly(true);
  Memo3->setFixedHeight(40);
  auto signal_panel = [](const char* name, const char* caption) {
    auto* l = Named<QLabel>(name, caption);
    l->setAlignment(Qt::AlignCenter);
    l->setFixedSize(28, 20);
    l->setFrameShape(QFrame::Box);
    l->setAutoFillBackground(true);
    return l;
  };
  Panel1 = signal_panel("Panel1", "S1");
  Panel2 = signal_panel("Panel2", "S2");
  auto* speed_row = new QHBoxLayout;
  speed_row->addWidget(Panel1);
  speed_row->addWidget(Panel2);
  speed_row->addWidget(new QLabel("Speed Control"));
  speed_row->addWidget(TrackBar1, 1);
  speed_row->addWidget(CheckBox21);
  speed_row->addWidget(new QLabel("Start frame"));
  speed_row->addWidget(Edit53);
  speed_row->addWidget(Memo3, 1);
  v->addLayout(speed_row);
  return box;
}

void TPlatform::ConnectRunHandlers() {
  connect(Button3, &QPushButton::clicked, this, &TPlatform::StartMeasurement);
  connect(Button4, &QPushButton::clicked, this, &TPlatform::StopMeasurement);
  connect(Button16, &QPushButton::clicked, this, &TPlatform::Button16Click);
  connect(Button21, &QPushButton::clicked, this, &TPlatform::Button21Click);
  connect(Button5, &QPushButton::clicked, this, [this] { RemoveMeasurementData(); });
  connect(SpeedButton1, &QPushButton::clicked, this, &TPlatform::StartPlayback);
  connect(SpeedButton10, &QPushButton::clicked, this, &TPlatform::SpeedButton10Click);
  connect(SpeedButton2, &QPushButton::clicked, this, &TPlatform::StopPlayback);
  connect(SpeedButton3, &QPushButton::clicked, this, &TPlatform::SpeedButton3Click);
  connect(SpeedButton4, &QPushButton::clicked, this, &TPlatform::SpeedButton4Click);
  connect(SpeedButton5, &QPushButton::clicked, this, &TPlatform::SpeedButton5Click);
  connect(SpeedButton6, &QPushButton::clicked, this, &TPlatform::SpeedButton6Click);
  connect(SpeedButton7, &QPushButton::clicked, this, &TPlatform::SpeedButton7Click);
  connect(SpeedButton8, &QPushButton::clicked, this, &TPlatform::SpeedButton8Click);
  connect(SpeedButton9, &QPushButton::clicked, this, &TPlatform::SpeedButton9Click);
  connect(TrackBar1, &QSlider::valueChanged, this, &TPlatform::TrackBar1Change);
  connect(Timer1, &QTimer::timeout, this, &TPlatform::Timer1Timer);
  connect(ScrollBar1, &QScrollBar::valueChanged, this, &TPlatform::ScrollBar1Change);
  Image1->installEventFilter(this);
}

void TPlatform::Prime() {
  if (Video.VideoAccessKind == static_cast<uint8_t>(VideoAccess::DirectShow)) Sources.DirectShow.DSPrimeGraph();
}

void TPlatform::AddToRunLog(const std::string& text) { Memo3->appendPlainText(QString::fromStdString(text)); }

// Lines before the first row of the table as it stands (its real header).
int TPlatform::TableHeaderLines() const { return ::DetectCsvVersion(Results).CsvHeaderLines; }

void TPlatform::SetRadiusControlsEnabled(bool on) {
  for (auto* u : {UpDown1, UpDown2, UpDown3, UpDown6, UpDown8}) u->setEnabled(on);
}

// A run or playback starts the predicted tracks afresh: samples of an earlier
// pass (other frames, maybe backwards, maybe another video) must not steer the
// new fit, also when 'Estimated track' is only ticked once the run goes. Each
// track's on/off stays as its object's 'Estimated track' flag set it.
void TPlatform::RestartPredictTracks() {
  for (PredictTrack& t : Tracking.PredictTracks) {
    const uint8_t enabled = t.Enabled;
    ResetPredictTrack(t);
    t.Enabled = enabled;
  }
}

void TPlatform::StartMeasurement() {
  if (!Run.VideoLoaded || Run.MeasuringRun || Run.DirectionSettingMode || CheckBox1->isChecked() ||
      OpenWindows.CaptureWindowOpen)
    return;
  const int max = ScrollBar1->maximum();
  if (LastFrameAlreadyMeasured(ScrollBar1->value(), Run.LastMeasuredFrame, max)) return;
  if (!ObjectsInsideFrame()) return;
  // A run resumed after STOP continues with the frame after the last measured one.
  if (Run.LastMeasuredFrame >= 0) {
    const int resume = ResumePosition(ScrollBar1->value(), Run.LastMeasuredFrame, max, std::abs(Run.FrameStep));
    if (resume != ScrollBar1->value()) ScrollBar1->setValue(resume);
  }
  const int pos = ScrollBar1->value();
  if (Results.Count() <= TableHeaderLines()) {
    Run.StartFrame = pos;
    Edit53->setText(QString::number(Run.StartFrame));
  }
  Prime();
  const bool field_was_enabled = CheckBox2->isEnabled();
  const bool psf_was_enabled = CheckBox14->isEnabled();
  CheckBox2->setEnabled(false);
  CheckBox14->setEnabled(false);
  RestartPredictTracks();
  if (static_cast<long long>(pos) + UpDown9->Position() <= max && !ShowNeighbor().GrabError.empty()) {
    // The frame to start from cannot be read and its box is up: a run would
    // fail on it again at once, with a second box.
    CheckBox14->setEnabled(psf_was_enabled);
    CheckBox2->setEnabled(field_was_enabled);
    return;
  }
  Run.FrameStep = std::abs(Run.FrameStep);
  // The FFmpeg source is tried once before the run when it resumes in place.
  if (Video.VideoAccessKind == static_cast<uint8_t>(VideoAccess::DirectShow) && pos == Run.LastMeasuredFrame &&
      static_cast<long long>(pos) + Run.FrameStep <= max) {
    Bitmap24 test;
    std::string status;
    if (!GrabVideoFrame(Video, Sources, pos, test, status)) {
      // No run took place: both switches are as they were, so rows already
      // measured keep 'Field Measure' locked.
      CheckBox14->setEnabled(psf_was_enabled);
      CheckBox2->setEnabled(field_was_enabled);
      Dialogs().ShowError(QString::fromStdString("Fail to get a bitmap.\r\n" + status));
      return;
    }
  }
  Run.Playing = true;
  Run.PlayBackward = false;
  Run.MeasuringRun = true;
  run_end_pending_ = false;
  SetRadiusControlsEnabled(false);
  // A frame the user moved to would be measured out of turn, ending the run
  // early or writing its rows twice; STOP gives the bar back.
  ScrollBar1->setEnabled(false);
  Button40->setEnabled(false);
  // Its handler refuses a switch of reader during the run, after the box turned.
  CheckBox7->setEnabled(false);
  Add1->setEnabled(false);
  Remove1->setEnabled(false);
  // The table view already catches up lazily; 'Fast' also keeps it from repainting.
  if (CheckBox21->isChecked()) Memo1->setUpdatesEnabled(false);
  CheckBox21->setEnabled(false);
  if (pos != Run.LastMeasuredFrame) ShowNeighbor();
  // A run started on the last frame has ended with its one row.
  AddToRunLog("S" + std::to_string(Run.LastMeasuredFrame));
  if (!Run.MeasuringRun) {
    if (run_end_pending_) FinishRun();
    return;
  }
  // Frame after frame from here: the next one decodes while this one is measured.
  Sources.DirectShow.SetReadAhead(true);
  StartTimer1();
}

void TPlatform::StopMeasurement() {
  // Always stops: nothing may keep a run going that the user wants ended.
  if (!Run.MeasuringRun) return;
  FinishRun();
}

// STOP's work, also when the run ended by itself (last frame, failed frame).
void TPlatform::FinishRun() {
  Sources.DirectShow.SetReadAhead(false);
  Prime();
  Run.MeasuringRun = false;
  Timer1->stop();
  Run.Playing = false;
  Run.PlayBackward = false;
  run_end_pending_ = false;
  SetRadiusControlsEnabled(true);
  Button40->setEnabled(!CheckBox14->isChecked());
  CheckBox7->setEnabled(!VideoIsScript());
  ScrollBar1->setEnabled(true);
  Add1->setEnabled(Run.ObjectCount < 3 && Run.SelectedObject == Run.ObjectCount);
  Remove1->setEnabled(Run.ObjectCount > 1 && Run.SelectedObject == Run.ObjectCount);
  CheckBox14->setEnabled(true);
  Memo1->setUpdatesEnabled(true);
  CheckBox21->setEnabled(true);
  Run.LastMeasuredFrame = LastMeasuredFrameFromTable(Results.Lines(), TableHeaderLines());
  AddToRunLog(std::to_string(Run.LastMeasuredFrame));
  SyncMemo1();
  DrawImage1Now();
  PaceDisplays();
}

// The next step would pass the last frame: playback and the run end here.
void TPlatform::EndOfRange() {
  Run.Playing = false;
  Timer1->stop();
  if (Run.MeasuringRun || run_end_pending_) FinishRun();
  for (auto* u : {UpDown1, UpDown2, UpDown6, UpDown8}) u->setEnabled(true);
  ReleasePlaybackLocks();
  Memo1->setUpdatesEnabled(true);
  CheckBox21->setEnabled(true);
  DrawImage1Now();
}

// The run's clock starts with the timer, so the first tick owes one frame.
void TPlatform::StartTimer1() {
  run_pace_.Start();
  Timer1->start();
}

void TPlatform::Timer1Timer() {
  // A late tick steps the frames the timer owes, so the run keeps its rate;
  // any of them may end the run or playback.
  const int frames = run_pace_.FramesThisTick(Timer1->interval());
  for (int i = 0; i < frames && (i == 0 || Timer1->isActive()); ++i) Timer1Step();
}

void TPlatform::Timer1Step() {
  if (!Run.VideoLoaded || Run.DirectionSettingMode || Driver.InDriver) return;
  const TimerTick t = PlanTimerTick(ScrollBar1->value(), Run.FrameStep, ScrollBar1->maximum(), Run.PlayBackward);
  const bool backward = Run.PlayBackward;
  if (t.Move) ScrollBar1->setValue(t.NewPosition);
  if (t.PlayingOff) {
    // The position reached an end: the timer must not turn round and play on
    // (reaching frame 0 clears PlayBackward).
    Run.Playing = false;
    Timer1->stop();
    DrawImage1Now();
    if (backward && !Run.MeasuringRun) ReleasePlaybackLocks();
  }
  if (t.StopTimer) Timer1->stop();
  if (t.EndOfRange) EndOfRange();
  // Backward playback that stopped short of frame 0, or had nowhere to go,
  // leaves no direction behind: '<' would be ignored from then on.
  if (backward && !Timer1->isActive()) EndPlayback();
  PaceDisplays();
}

void TPlatform::ScrollBar1Change() {
  if (!Run.VideoLoaded || Run.DirectionSettingMode) return;
  struct Paced {
    TPlatform* w;
    ~Paced() { w->PaceDisplays(); }
  } paced{this};
  ShowNeighbor();
  const int pos = ScrollBar1->value();
  if (pos == 0 && Run.PlayBackward) {
    Run.PlayBackward = false;
    Run.FrameStep = std::abs(Run.FrameStep);
  }
  if (NextStepPassesEnd(pos, Run.FrameStep, ScrollBar1->maximum())) {
    EndOfRange();
    return;
  }
  if (pos == ScrollBar1->minimum()) CheckBox14->setEnabled(true);
}

std::pair<int, int> TPlatform::ShownFrameSize() const {
  if (Still.BmpMode) return {Still.Width, Still.Height};
  return {Video.FrameWidth, Video.FrameHeight};
}

bool TPlatform::ObjectsInsideFrame() {
  const auto [width, height] = ShownFrameSize();
  for (int k = 1; k <= std::clamp(Run.ObjectCount, 1, 3); ++k) {
    const ObjectResult& o = Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)];
    if (o.X >= 0 && o.X < width && o.Y >= 0 && o.Y < height) continue;
    const std::string text = "Object " + std::string(1, static_cast<char>('A' + k - 1)) +
                             " is outside the frame (at " + std::to_string(o.X) + ", " + std::to_string(o.Y) +
                             "; the frame is " + std::to_string(width) + " x " + std::to_string(height) +
                             ").\r\nPlace it on a star before measuring.";
    Dialogs().ShowError(QString::fromStdString(text));
    return false;
  }
  return true;
}

void TPlatform::Button16Click() {
  if (!Run.VideoLoaded || Run.MeasuringRun || Run.Playing || Run.DirectionSettingMode || CheckBox1->isChecked())
    return;
  const int pos = ScrollBar1->value();
  const std::optional<int> target =
      OneFrameTarget(pos, Run.LastMeasuredFrame, std::abs(Run.FrameStep), ScrollBar1->maximum());
  if (!target) return;
  if (!ObjectsInsideFrame()) return;
  SetRadiusControlsEnabled(false);
  if (Results.Count() <= TableHeaderLines()) {
    Run.StartFrame = *target;
    Edit53->setText(QString::number(Run.StartFrame));
  }
  Run.MeasuringRun = true;
  Run.SingleFrameRun = true;
  Prime();
  if (*target == pos)
    ShowNeighbor();
  else
    ScrollBar1->setValue(*target);
  Run.MeasuringRun = false;
  Run.SingleFrameRun = false;
  run_end_pending_ = false;
  SetRadiusControlsEnabled(true);
  // As after a run, the rows fix the table's layout: switching 'Field Measure'
  // would rewrite the header and drop them.
  if (Results.Count() > TableHeaderLines()) CheckBox2->setEnabled(false);
}

void TPlatform::Button21Click() {
  if (Run.Playing || !Run.VideoLoaded || Run.DirectionSettingMode || CheckBox1->isChecked()) return;
  const int pos = ScrollBar1->value();
  const int max = ScrollBar1->maximum();
  if (pos == max && pos == Run.LastMeasuredFrame) return;
  Run.Playing = false;
  Run.PlayBackward = false;
  SetRadiusControlsEnabled(false);
  Run.MeasuringRun = false;
  Prime();
  // The header is never deleted, and position and LastMeasuredFrame come from
  // the new last row, so a FrameStep above 1 stays in step.
  const DeletePlan plan =
      PlanDeleteLastRows(Results.Lines(), TableHeaderLines(), pos, Run.LastMeasuredFrame, max, CheckBox2->isChecked());
  if (plan.Acted) {
    Results.Truncate(Results.Count() - plan.LinesToDelete);
    Run.LastMeasuredFrame = plan.NewLastMeasuredFrame;
    // No row is left whose layout 'Field Measure' must keep.
    if (Results.Count() <= TableHeaderLines()) CheckBox2->setEnabled(!CheckBox14->isChecked());
    if (plan.NewPosition != pos)
      ScrollBar1->setValue(plan.NewPosition);
    else
      ShowNeighbor();
  }
  Run.SingleFrameRun = false;
  ScrollBar1->setEnabled(true);
  SetRadiusControlsEnabled(true);
}

bool TPlatform::RemoveMeasurementData() {
  if (!Run.VideoLoaded) return false;
  if (Run.MeasuringRun || Run.Playing || Run.DirectionSettingMode || CheckBox1->isChecked() || Chart.ChartOpen ||
      !chart1.Window.isNull())
    return false;
  Prime();
  for (auto* u : {UpDown1, UpDown2, UpDown3}) u->setEnabled(true);
  if (!Dialogs().AskYesNo("Measurement data will be removed. Are you sure?")) return false;
  CheckBox2->setEnabled(!CheckBox14->isChecked());
  ResetChartState();  // ---- chart ----
  WriteCsvHeader();
  ShowNeighbor();
  Run.LastMeasuredFrame = -1;
  Run.StartFrame = -1;
  Edit53->clear();
  return true;
}

void TPlatform::StartPlayback() {
  if (Run.Playing || !Run.VideoLoaded || Run.MeasuringRun || Run.DirectionSettingMode ||
      OpenWindows.CaptureWindowOpen)
    return;
  Run.Playing = true;
  CheckBox14->setEnabled(false);
  Button40->setEnabled(false);
  CheckBox7->setEnabled(false);
  if (Video.UseDirectShow) Prime();
  if (static_cast<long long>(ScrollBar1->value()) + UpDown9->Position() <= ScrollBar1->maximum()) ShowNeighbor();
  Run.PlayBackward = false;
  Run.FrameStep = std::abs(Run.FrameStep);
  RestartDriftPassedPoints(true);  // ---- commands ----
  RestartPredictTracks();
  StartTimer1();
}

void TPlatform::SpeedButton10Click() {
  if (Run.PlayBackward || !Run.VideoLoaded || Run.MeasuringRun || Run.DirectionSettingMode ||
      OpenWindows.CaptureWindowOpen)
    return;
  Prime();
  Run.Playing = true;
  Run.PlayBackward = true;
  Run.FrameStep = -std::abs(Run.FrameStep);
  if (UpDown9->Position() <= ScrollBar1->value()) ShowNeighbor();
  StartTimer1();
}

void TPlatform::EndPlayback() {
  Run.Playing = false;
  Run.PlayBackward = false;
  Run.FrameStep = std::abs(Run.FrameStep);
}

void TPlatform::ReleasePlaybackLocks() {
  CheckBox14->setEnabled(true);
  if (!CheckBox14->isChecked()) Button40->setEnabled(true);
  CheckBox7->setEnabled(!VideoIsScript());
}

void TPlatform::StopPlaybackTimer() {
  const bool was_playing = Run.Playing || Timer1->isActive();
  Timer1->stop();
  EndPlayback();
  if (was_playing) ReleasePlaybackLocks();
  // No frame may follow (a frame outside the video, another video opening):
  // the read-outs held during playback paint again now.
  PaceDisplays();
}

void TPlatform::StopPlayback() {
  if (!Run.VideoLoaded || Run.MeasuringRun || Run.DirectionSettingMode) return;
  Prime();
  EndPlayback();
  ReleasePlaybackLocks();
  Run.MeasuringRun = false;
  Timer1->stop();
  ShowNeighbor();
  DrawImage1Now();
  RestartDriftPassedPoints(false);  // ---- commands ----
  PaceDisplays();
}

void TPlatform::StepTo(StepButton button) {
  // The capture window holds the frame path: there is no frame to step to.
  if (Run.Playing || !Run.VideoLoaded || Run.MeasuringRun || Run.DirectionSettingMode ||
      OpenWindows.CaptureWindowOpen)
    return;
  Prime();
  Run.Playing = false;
  Run.PlayBackward = false;
  if (button == StepButton::ToStart) {
    Timer1->stop();
    Run.FrameStep = std::abs(Run.FrameStep);
  }
  const std::optional<int> target =
      StepButtonTarget(button, ScrollBar1->value(), ScrollBar1->maximum(), Video.FrameRateRounded);
  if (target) ScrollBar1->setValue(*target);
}

void TPlatform::SpeedButton3Click() { StepTo(StepButton::ToStart); }
void TPlatform::SpeedButton4Click() { StepTo(StepButton::Forward1); }
void TPlatform::SpeedButton5Click() { StepTo(StepButton::Back1); }
void TPlatform::SpeedButton6Click() { StepTo(StepButton::Forward1s); }
void TPlatform::SpeedButton7Click() { StepTo(StepButton::Back1s); }
void TPlatform::SpeedButton8Click() { StepTo(StepButton::Forward10s); }
void TPlatform::SpeedButton9Click() { StepTo(StepButton::Back10s); }

void TPlatform::TrackBar1Change() {
  run_pace_.Start();
  Timer1->setInterval(TrackBar1->value());
}

void TPlatform::GoToFrame(int n) {
  if (!Run.VideoLoaded || Run.MeasuringRun || Run.DirectionSettingMode) return;
  Prime();
  // Playback ends here: the timer must not carry on from the new frame, and
  // the switches it held come back.
  StopPlaybackTimer();
  const std::optional<int> target = GoToFrameTarget(n, ScrollBar1->maximum());
  if (target) ScrollBar1->setValue(*target);
}
