#include "timing/ui/TTimingErrorSimulation.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <optional>

#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "base/ui/HandlerTable.h"
#include "timing/TimingError.h"
#include "timing/ui/TTimingError.h"
#include "timing/ui/TimingMemo.h"

namespace {

QString Fixed(long double v, int decimals, int precision) {
  return QString::fromStdString(FormatFixed(v, decimals, precision));
}

}  // namespace

TTimingErrorSimulation::TTimingErrorSimulation(QWidget* owner) : QDialog(owner) {
  setObjectName("TimingErrorSimulation");
  setWindowTitle("Timing Error Simulation");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  GroupBox2 = Named<QGroupBox>("GroupBox2", "Noise level (Standard deviation when signal is 1.0)", this);
  auto* noise = new QGridLayout(GroupBox2);
  Label1 = MakeLabel("Label1", "STDV2 After the star reappears ", GroupBox2);
  Edit1 = Named<QLineEdit>("Edit1", "0.10", GroupBox2);
  UpDown1 = new TUpDown("UpDown1", "UpDown1Position", 0, 400, 10, GroupBox2);
  UpDown1->SetAccelerated(true);
  Label2 = MakeLabel("Label2", "STDV1 During Occultation", GroupBox2);
  Edit2 = Named<QLineEdit>("Edit2", "0.10", GroupBox2);
  UpDown2 = new TUpDown("UpDown2", "UpDown2Position", 0, 400, 10, GroupBox2);
  UpDown2->SetAccelerated(true);
  CheckBox1 = Named<QCheckBox>("CheckBox1", "Related", GroupBox2);
  CheckBox1->setChecked(true);
  Edit3 = Named<QLineEdit>("Edit3", "0.10", GroupBox2);
  UpDown3 = new TUpDown("UpDown3", "UpDown3Position", 0, 1000, 10, GroupBox2);
  UpDown3->SetAccelerated(true);
  noise->addWidget(Label1, 0, 0);
  noise->addWidget(Edit1, 0, 1);
  noise->addWidget(UpDown1, 0, 2);
  noise->addWidget(Label2, 1, 0);
  noise->addWidget(Edit2, 1, 1);
  noise->addWidget(UpDown2, 1, 2);
  noise->addWidget(CheckBox1, 2, 0);
  noise->addWidget(Edit3, 3, 1);
  noise->addWidget(UpDown3, 3, 2);

  GroupBox1 = Named<QGroupBox>("GroupBox1", "Settings for graph", this);
  auto* graph = new QHBoxLayout(GroupBox1);
  Label3 = MakeLabel("Label3", "Width", GroupBox1);
  Edit4 = Named<QLineEdit>("Edit4", "1", GroupBox1);
  UpDown4 = new TUpDown("UpDown4", "UpDown4Position", 0, 8, 0, GroupBox1);
  for (QWidget* w : std::initializer_list<QWidget*>{Label3, Edit4, UpDown4}) graph->addWidget(w);

  GroupBox3 = Named<QGroupBox>("GroupBox3", "Estimated timing error (1 sigma)", this);
  auto* estimate = new QGridLayout(GroupBox3);
  Edit5 = Named<QLineEdit>("Edit5", "0.0861", GroupBox3);
  Label5 = MakeLabel("Label5", "frame  or ", GroupBox3);
  Label6 = MakeLabel("Label6", "integration unit", GroupBox3);
  Edit6 = Named<QLineEdit>("Edit6", "0.0029", GroupBox3);
  Label4 = MakeLabel("Label4", "sec", GroupBox3);
  Edit7 = Named<QLineEdit>("Edit7", "1", GroupBox3);
  UpDown5 = new TUpDown("UpDown5", "UpDown5Position", 0, 6, 0, GroupBox3);
  Label7 = MakeLabel("Label7", "Integratiion", GroupBox3);
  Label8 = MakeLabel("Label8", "frames", GroupBox3);
  estimate->addWidget(Edit5, 0, 0);
  estimate->addWidget(Label5, 0, 1);
  estimate->addWidget(Label6, 0, 2);
  estimate->addWidget(Edit6, 1, 0);
  estimate->addWidget(Label4, 1, 1);
  estimate->addWidget(Label7, 2, 0);
  estimate->addWidget(Edit7, 2, 1);
  estimate->addWidget(UpDown5, 2, 2);
  estimate->addWidget(Label8, 2, 3);
  Label9 = MakeLabel("Label9", "Each point means 1 frame.", this);
  Memo1 = MakeMemo("Memo1", this, MemoWrap::Off);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Image1 = MakePicture("Image1", 1131, 451, this);
  Button7 = Named<QPushButton>("Button7", "Make a simulation", this);
  Button8 = Named<QPushButton>("Button8", "A set of estimation", this);
  Button1 = Named<QPushButton>("Button1", "Button1", this);
  Button2 = Named<QPushButton>("Button2", "Button2", this);
  Button3 = Named<QPushButton>("Button3", "Button3", this);
  Button4 = Named<QPushButton>("Button4", "Button4", this);
  Button5 = Named<QPushButton>("Button5", "Button5", this);
  Button6 = Named<QPushButton>("Button6", "Button6", this);
  ProgressBar1 = Named<QProgressBar>("ProgressBar1", this);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);

  auto* grid = new QGridLayout(this);
  grid->addWidget(Image1, 0, 0, 1, 4);
  grid->addWidget(GroupBox2, 1, 0);
  grid->addWidget(GroupBox1, 1, 1);
  grid->addWidget(GroupBox3, 1, 2);
  grid->addWidget(Memo1, 1, 3, 3, 1);
  grid->addWidget(Label9, 2, 1);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {Button7, Button8, Button1, Button2, Button3, Button4, Button5, Button6}) {
    // No default button: Enter in an edit must not start a simulation.
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  grid->addLayout(buttons, 3, 0, 1, 3);
  grid->addWidget(ProgressBar1, 4, 0, 1, 4);

  connect(Edit1, &QLineEdit::textChanged, this, &TTimingErrorSimulation::Edit1Change);
  const Handlers<TTimingErrorSimulation> updown_handlers = {{UpDown1, &TTimingErrorSimulation::UpDown1Click},
                                                                  {UpDown2, &TTimingErrorSimulation::UpDown2Click},
                                                                  {UpDown3, &TTimingErrorSimulation::UpDown3Click},
                                                                  {UpDown4, &TTimingErrorSimulation::UpDown4Click},
                                                                  {UpDown5, &TTimingErrorSimulation::UpDown5Click}};
  ConnectEach(this, updown_handlers);
  const Handlers<TTimingErrorSimulation> button_handlers = {
      {Button1, &TTimingErrorSimulation::Button1Click}, {Button2, &TTimingErrorSimulation::Button2Click},
      {Button3, &TTimingErrorSimulation::Button3Click}, {Button4, &TTimingErrorSimulation::Button4Click},
      {Button5, &TTimingErrorSimulation::Button5Click}, {Button6, &TTimingErrorSimulation::Button6Click},
      {Button7, &TTimingErrorSimulation::Button7Click}, {Button8, &TTimingErrorSimulation::Button8Click}};
  ConnectEach(this, button_handlers);
  FormCreate();
}

void TTimingErrorSimulation::FormCreate() {
  GraphWidth = 1;
  IntegrationFrames = 1;
  Edit1->setText("0.10");
  Edit2->setText("0.10");
  Settings.STDV2 = ParseLongDouble(Edit1->text().toStdString()).value_or(0.1L);
  Settings.STDV1 = ParseLongDouble(Edit2->text().toStdString()).value_or(0.1L);
  Settings.EventWidth = ParseLongDouble(Edit3->text().toStdString()).value_or(0.1L);
  Button7Click();
}

void TTimingErrorSimulation::AddLines(const std::vector<std::string>& lines) {
  for (const std::string& l : lines) AddMemoLine(Memo1, l);
}

void TTimingErrorSimulation::Edit1Change() {
  // A half-typed number keeps the last value.
  if (const auto v = ParseLongDouble(Edit1->text().toStdString())) Settings.STDV2 = *v;
}

void TTimingErrorSimulation::QuickEstimate() {
  // A level that cannot be read is reported, and the estimate is left as it
  // was rather than worked out as if that level were 0.
  long double levels[2] = {};
  const QLineEdit* edits[2] = {Edit2, Edit1};
  for (int k = 0; k < 2; ++k) {
    const std::string text = edits[k]->text().toStdString();
    const std::optional<long double> v = ParseLongDouble(text);
    if (!v) {
      Dialogs().ShowError(QString::fromStdString("'" + text + "' is not a valid floating point value"));
      return;
    }
    levels[k] = *v;
  }
  const long double x = std::max(levels[0], levels[1]);
  // The curve is fitted to noise up to 1.5 and turns down past 1.885 (negative
  // from about 2.45): beyond that, or for a negative noise, it has no estimate.
  if (!(x >= 0 && x <= 1.885)) {
    Edit5->clear();
    Edit6->clear();
    return;
  }
  const double y = TimingErrorPolynomial(static_cast<double>(x), 0.5);
  Edit5->setText(Fixed(y, 4, 6));
  Edit6->setText(Fixed(y * IntegrationFrames / 29.97L, 4, 6));
}

void TTimingErrorSimulation::DeviationClick(TUpDown* moved, QLineEdit* edit, long double& value, TUpDown* other,
                                            QLineEdit* other_edit, long double& other_value) {
  value = moved->Position() / 100.0L;
  edit->setText(Fixed(value, 2, 4));
  if (CheckBox1->isChecked()) {
    other->SetPosition(moved->Position());
    other_value = value;
    other_edit->setText(edit->text());
  }
  QuickEstimate();
}

void TTimingErrorSimulation::UpDown1Click() {
  DeviationClick(UpDown1, Edit1, Settings.STDV2, UpDown2, Edit2, Settings.STDV1);
}

void TTimingErrorSimulation::UpDown2Click() {
  DeviationClick(UpDown2, Edit2, Settings.STDV1, UpDown1, Edit1, Settings.STDV2);
}

void TTimingErrorSimulation::UpDown3Click() {
  Settings.EventWidth = UpDown3->Position() / 100.0L;
  Edit3->setText(Fixed(Settings.EventWidth, 2, 4));
}

void TTimingErrorSimulation::UpDown4Click() {
  GraphWidth = static_cast<int>(RoundHalfAway(std::pow(2.0L, UpDown4->Position())));
  Edit4->setText(QString::number(GraphWidth));
  DrawSimulation();
}

void TTimingErrorSimulation::UpDown5Click() {
  IntegrationFrames = static_cast<int>(RoundHalfAway(std::pow(2.0L, UpDown5->Position())));
  Edit7->setText(QString::number(IntegrationFrames));
  Label9->setText(IntegrationFrames == 1 ? "Each point means 1 frame" : "Each point means a unit of integration");
  QuickEstimate();
}

TTimingErrorSimulation::~TTimingErrorSimulation() { StopRun(); }

void TTimingErrorSimulation::done(int result) {
  StopRun();
  QDialog::done(result);
}

void TTimingErrorSimulation::EnableRunButtons(bool enabled) {
  for (QPushButton* b : {Button1, Button3, Button4, Button5, Button7}) b->setEnabled(enabled);
}

void TTimingErrorSimulation::StartRun(bool clear_memo, Run run, std::function<void()> after) {
  if (Running()) return;
  if (clear_memo) Memo1->clear();
  EnableRunButtons(false);
  ProgressBar1->setValue(0);
  cancel_ = false;
  QPointer<TTimingErrorSimulation> self(this);
  worker_ = std::thread([this, self, started = Settings, settings = Settings, run = std::move(run),
                         after = std::move(after)]() mutable {
    SimHooks hooks;
    hooks.Cancel = &cancel_;
    hooks.Progress = [this, self](int done, int total) {
      const int percent = static_cast<int>(100LL * done / total);
      QMetaObject::invokeMethod(
          this,
          [self, percent] {
            // A stopped run's late reports are dropped.
            if (self && self->Running()) self->ProgressBar1->setValue(percent);
          },
          Qt::QueuedConnection);
    };
    std::vector<std::string> lines = run(settings, hooks);
    if (cancel_) return;
    QMetaObject::invokeMethod(
        this,
        [this, self, started, settings, lines = std::move(lines), after = std::move(after)] {
          if (!self || !worker_.joinable()) return;
          worker_.join();
          AddLines(lines);
          ProgressBar1->setValue(0);
          EnableRunButtons(true);
          AdoptRunLeftover(Settings, started, settings);
          if (after) after();
        },
        Qt::QueuedConnection);
  });
}

void TTimingErrorSimulation::StopRun() {
  if (!worker_.joinable()) return;
  cancel_ = true;
  worker_.join();
  ProgressBar1->setValue(0);
  EnableRunButtons(true);
}

void TTimingErrorSimulation::Button4Click() {
  StartRun(true, [](SimSettings& s, const SimHooks& h) {
    return std::vector<std::string>{RampRunLine(s, RunRampTrials(s, 10000, 0, h))};
  });
}

// The sweeps leave the last noise level in the settings, not in the edits.
void TTimingErrorSimulation::Button3Click() {
  StartRun(false, [](SimSettings& s, const SimHooks& h) { return RampNoiseSweep(s, 0, h); });
}

void TTimingErrorSimulation::Button1Click() {
  StartRun(
      false,
      [](SimSettings& s, const SimHooks& h) {
        std::vector<std::string> lines{StepRunLine(s, RunStepTrials(s, 1000, 0, h))};
        s.EventWidth = 0.1L;
        return lines;
      },
      [this] { Edit3->setText(Fixed(Settings.EventWidth, 2, 4)); });
}

void TTimingErrorSimulation::Button5Click() {
  StartRun(false, [](SimSettings& s, const SimHooks& h) { return WholeFrameNoiseSweep(s, 0, h); });
}

void TTimingErrorSimulation::Button2Click() { AddLines(RampFractionLines(Settings.EventWidth)); }
void TTimingErrorSimulation::Button6Click() { AddLines(StepFractionLines()); }

void TTimingErrorSimulation::Button7Click() {
  LastSimulation = MakeSingleSimulation(Settings);
  AddLines(SingleSimulationLines(LastSimulation));
  DrawSimulation();
}

void TTimingErrorSimulation::Button8Click() { OpenTimingError(parentWidget() ? parentWidget() : this, this); }

void TTimingErrorSimulation::DrawSimulation() {
  auto gx = [](long double v) { return static_cast<int>(RoundHalfAway(4 * v)) + 450; };
  auto gy = [](long double y) { return 240 - static_cast<int>(RoundHalfAway(80 * y)); };
  const long double W = GraphWidth;
  const auto& x = LastSimulation.samples;
  Picture = QImage(1131, 451, QImage::Format_RGB32);
  QPainter p(&Picture);
  p.fillRect(0, 0, 1131, 451, Qt::white);
  p.setPen(BgrColor(0xF0CAA6));
  QPoint last(gx(-100 * W), gy(x[0]));
  for (int i = -99; i <= 100; ++i) {
    const QPoint next(gx(i * W), gy(x[i + 100]));
    p.drawLine(last, next);
    last = next;
  }
  p.setPen(BgrColor(0xFF0000));
  for (int i = -100; i <= 100; ++i) p.drawEllipse(QPoint(gx(i * W), gy(x[i + 100])), 2, 2);
  p.setPen(BgrColor(0x0000FF));
  const int tx = gx(LastSimulation.trial.phase * W);
  p.drawLine(tx, gy(1.5L), tx, gy(-0.5L));
  p.setPen(BgrColor(0xFF00FF));
  QPoint pen(gx(static_cast<long double>(RoundHalfAway(-100 * W))), gy(0));
  const int fitted = LastSimulation.trial.shift;
  for (int c = -9999; c <= 10000; ++c) {
    const int px = gx(static_cast<long double>(RoundHalfAway(c / 100.0L * W)));
    const int level = c < fitted ? gy(0) : gy(1);
    if (c == fitted) {
      p.drawLine(pen, QPoint(px, gy(0)));
      pen = QPoint(px, gy(0));
    }
    p.drawLine(pen, QPoint(px, level));
    pen = QPoint(px, level);
  }
  p.end();
  Image1->setPixmap(QPixmap::fromImage(Picture));
}
