#include "events/ui/TMagnitudeCalculator.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <array>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "base/ui/FormRows.h"
#include "base/ui/HandlerTable.h"
#include "chart/ui/Tchart1.h"
#include "events/DiffractionModel.h"
#include "events/TimingError.h"
#include "base/ui/MemoLines.h"
#include "base/ui/StdText.h"

namespace {

QPointer<TMagnitudeCalculator> g_calculator;

// Field 1's base time is one value with the lunar identification's time edits.
void ShareFieldOneBaseTime(ChartEventState& events, const BaseTime& b) {
  events.Identification.BaseTime = {static_cast<double>(b.Hour), static_cast<double>(b.Minute), b.Second};
}

// The tenths and hundredths the up-downs show. The sign goes with the whole
// part (ReadPairMagnitude reads -1, 4, 6 as -1.46), so they hold the
// fraction's size; a signed fraction would clamp to 0, and -0.5 would read
// as 0.00.
double PairFraction(double m, double whole) { return m < 0 ? std::fabs(m - whole) : m - whole; }

// Tenths or hundredths that round up to ten carry into the next place, so
// 9.999 shows as 10.00, not as 9.90 with the tenths clamped.
std::array<int, 3> PairPositions(double whole, double tenths, double hundredths, bool negative) {
  // Clamped before the conversion: a magnitude far outside int has no position.
  int w = static_cast<int>(std::clamp(whole, -1000.0, 1000.0));
  int t = static_cast<int>(tenths), h = static_cast<int>(hundredths);
  if (h >= 10) {
    h -= 10;
    ++t;
  }
  if (t >= 10) {
    t -= 10;
    w += negative ? -1 : 1;
  }
  return {w, t, h};
}

}  // namespace

TMagnitudeCalculator* MagnitudeCalculator() { return g_calculator.data(); }

TMagnitudeCalculator* OpenMagnitudeCalculator(ChartEventState& events, MagnitudeCalculatorHost& host,
                                              QWidget* parent) {
  if (!g_calculator) {
    g_calculator = new TMagnitudeCalculator(events, host, parent);
    g_calculator->show();
  }
  return g_calculator.data();
}

TMagnitudeCalculator::TMagnitudeCalculator(ChartEventState& events, MagnitudeCalculatorHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), events_(events), host_(host) {
  SetUpToolWindow(this, "MagnitudeCalculator", "Magnitude Calculator");
  BuildControls();
  FormCreate();
}

// The shared state may already be gone when the owner deletes this window;
// closing (closeEvent) is where the flags are reset.
TMagnitudeCalculator::~TMagnitudeCalculator() = default;

void TMagnitudeCalculator::BuildControls() {
  auto* g = new QGridLayout(this);
  auto edit = [this](const char* name, const QString& text = {}, bool read_only = false) {
    auto* e = Named<QLineEdit>(name, text, this);
    e->setReadOnly(read_only);
    return e;
  };
  auto button = [this](const char* name, const char* caption) { return Named<QPushButton>(name, caption, this); };
  auto label = [this](const char* text) { return new QLabel(text, this); };

  UpDown1 = new TUpDown("UpDown1", "UpDown1Text", -3, 16, 0, this);
  UpDown2 = new TUpDown("UpDown2", "UpDown2Text", 0, 9, 0, this);
  UpDown3 = new TUpDown("UpDown3", "UpDown3Text", 0, 9, 0, this);
  Edit12 = edit("Edit12", "0.00", true);
  g->addWidget(label("Assuming Pair's Mag. as:"), 0, 0);
  g->addWidget(UpDown1, 0, 1);
  g->addWidget(UpDown2, 0, 2);
  g->addWidget(UpDown3, 0, 3);
  g->addWidget(Edit12, 0, 4);

  auto* stat = new QGroupBox("Statistic Calculation", this);
  auto* sg = new QGridLayout(stat);
  // A row of read-only result edits from column 1, after its caption.
  using ResultCell = std::pair<QLineEdit**, const char*>;
  auto results_row = [&edit](QGridLayout* grid, int row, const QString& caption,
                             std::initializer_list<ResultCell> cells) {
    if (!caption.isEmpty()) grid->addWidget(new QLabel(caption, grid->parentWidget()), row, 0);
    int column = 1;
    for (const auto& [member, name] : cells) {
      *member = edit(name, {}, true);
      grid->addWidget(*member, row, column++);
    }
  };
  sg->addWidget(new QLabel("Luminous Intensity", stat), 0, 0);
  sg->addWidget(new QLabel("First Event", stat), 0, 1);
  sg->addWidget(new QLabel("Second Event", stat), 0, 2);
  sg->addWidget(new QLabel("Combined", stat), 0, 3);
  results_row(sg, 1, "Average", {{&Edit1, "Edit1"}, {&Edit2, "Edit2"}, {&Edit9, "Edit9"}});
  results_row(sg, 2, "Error Margin", {{&Edit3, "Edit3"}, {&Edit4, "Edit4"}, {&Edit10, "Edit10"}});
  results_row(sg, 3, {}, {{&Edit11, "Edit11"}, {&Edit13, "Edit13"}, {&Edit14, "Edit14"}});
  g->addWidget(stat, 1, 0, 1, 5);

  auto* est = new QGroupBox("Estimation", this);
  auto* eg = new QGridLayout(est);
  results_row(eg, 0, "Magnitude", {{&Edit5, "Edit5"}, {&Edit6, "Edit6"}});
  eg->addWidget(new QLabel("Mag.", est), 0, 3);
  results_row(eg, 1, "Error Margin", {{&Edit7, "Edit7"}, {&Edit8, "Edit8"}});
  g->addWidget(est, 2, 0, 1, 5);

  auto* cam = new QGroupBox("Calculation for event time", this);
  auto* cg = new QGridLayout(cam);
  RadioButton1 = Named<QRadioButton>("RadioButton1", "OFF", cam);
  RadioButton2 = Named<QRadioButton>("RadioButton2", "WAT100N", cam);
  RadioButton3 = Named<QRadioButton>("RadioButton3", "120N", cam);
  RadioButton6 = Named<QRadioButton>("RadioButton6", "910HX", cam);
  RadioButton1->setChecked(true);
  cg->addWidget(RadioButton1, 0, 0);
  cg->addWidget(RadioButton2, 0, 1);
  cg->addWidget(RadioButton3, 0, 2);
  cg->addWidget(RadioButton6, 0, 3);
  CheckBox1 = Named<QCheckBox>("CheckBox1", "Consider step hight for time estimation", cam);
  cg->addWidget(CheckBox1, 1, 0, 1, 4);
  UpDown4 = new TUpDown("UpDown4", "UpDown4Text", 0, 9, 0, cam);
  Edit17 = AddUpDownRow(cg, 2, "Integrated", UpDown4, "Edit17", "0");
  cg->addWidget(new QLabel("frames", cam), 2, 3);
  UpDown5 = new TUpDown("UpDown5", "UpDown5Text", 1, 3, 3, cam);
  Edit24 = AddUpDownRow(cg, 3, "Digits", UpDown5, "Edit24", "3");
  g->addWidget(cam, 3, 0, 1, 5);

  auto* base = new QGroupBox("Select the BaseTime for Event Time", this);
  auto* bg = new QGridLayout(base);
  RadioButton4 = Named<QRadioButton>("RadioButton4", "First field", base);
  RadioButton5 = Named<QRadioButton>("RadioButton5", "Second field", base);
  RadioButton4->setChecked(true);
  Edit18 = new QLineEdit("12", base);
  Edit19 = new QLineEdit("38", base);
  Edit20 = new QLineEdit("21.4567", base);
  Edit21 = new QLineEdit("12", base);
  Edit22 = new QLineEdit("38", base);
  Edit23 = new QLineEdit("21.4567", base);
  const char* names[] = {"Edit18", "Edit19", "Edit20", "Edit21", "Edit22", "Edit23"};
  QLineEdit* edits[] = {Edit18, Edit19, Edit20, Edit21, Edit22, Edit23};
  for (int i = 0; i < 6; ++i) {
    edits[i]->setObjectName(names[i]);
    edits[i]->installEventFilter(this);
    bg->addWidget(edits[i], i / 3, 1 + i % 3);
  }
  bg->addWidget(RadioButton4, 0, 0);
  bg->addWidget(RadioButton5, 1, 0);
  Button2 = Named<QPushButton>("Button2", "Re-read  Time Stamp from current frame", base);
  Button3 = Named<QPushButton>("Button3", "Apply the edit time and Re-open graph", base);
  bg->addWidget(Button2, 2, 0, 1, 2);
  bg->addWidget(Button3, 2, 2, 1, 2);
  g->addWidget(base, 4, 0, 1, 5);

  SpeedButton1 = button("SpeedButton1", "Graph");
  SpeedButton2 = button("SpeedButton2", "Time");
  g->addWidget(SpeedButton1, 5, 0);
  g->addWidget(SpeedButton2, 5, 1);
  RadioGroup1 = new TRadioGroup("RadioGroup1", "Text out to Graph",
                                {"OFF", "Text with transparency BKG", "Text with opaque background"}, this);
  RadioGroup1->SetItemIndex(0);
  RadioGroup2 = new TRadioGroup("RadioGroup2", "Mode", {"Time", "Info. Right", "Info. Left"}, this);
  RadioGroup2->SetItemIndex(1);
  g->addWidget(RadioGroup1, 6, 0, 1, 2);
  g->addWidget(RadioGroup2, 6, 2, 1, 2);
  ScrollBar1 = Named<QScrollBar>("ScrollBar1", Qt::Horizontal, this);
  ScrollBar1->setMaximum(640);
  ScrollBar2 = Named<QScrollBar>("ScrollBar2", Qt::Horizontal, this);
  ScrollBar2->setMaximum(400);
  g->addWidget(ScrollBar1, 7, 0, 1, 2);
  g->addWidget(ScrollBar2, 7, 2, 1, 2);
  auto* font = new QGroupBox("Font size", this);
  auto* fg = new QHBoxLayout(font);
  UpDown6 = new TUpDown("UpDown6", "UpDown6Text", 6, 11, 10, font);
  Edit26 = Named<QLineEdit>("Edit26", "10", font);
  Edit26->setReadOnly(true);
  fg->addWidget(UpDown6);
  fg->addWidget(Edit26);
  g->addWidget(font, 7, 4);
  RadioGroup3 = new TRadioGroup("RadioGroup3", "Selection for analysis", {"Timing only", "Doublestar and time"}, this);
  RadioGroup3->SetItemIndex(0);
  g->addWidget(RadioGroup3, 6, 4);

  Memo1 = Named<QPlainTextEdit>("Memo1", this);
  QFont fixed("Courier");
  fixed.setStyleHint(QFont::Monospace);
  Memo1->setFont(fixed);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  g->addWidget(Memo1, 0, 5, 6, 4);
  Memo2 = Named<QPlainTextEdit>("Memo2", this);
  Memo2->setFont(fixed);
  Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
  g->addWidget(Memo2, 6, 5, 2, 4);
  Button1 = button("Button1", "Report");
  Button11 = button("Button11", "-> Clip brd.");
  Button9 = button("Button9", "Apply && Close");
  g->addWidget(Button1, 8, 5);
  g->addWidget(Button11, 8, 6);
  g->addWidget(Button9, 8, 8);

  ListBox1 = Named<QListWidget>("ListBox1", this);
  g->addWidget(ListBox1, 9, 0, 1, 9);
  Button4 = button("Button4", "Add to report");
  Button5 = button("Button5", "Delete");
  Button6 = button("Button6", "Sort");
  ComboBox1 = Named<QComboBox>("ComboBox1", this);
  ComboBox1->addItems({"Main light change", "Minor light change"});
  ComboBox1->setCurrentIndex(0);
  Button7 = button("Button7", "Miss Disappearance  (approx. time)");
  Button8 = button("Button8", "Miss  Reapppearance [approx. tine]");
  g->addWidget(Button4, 10, 0);
  g->addWidget(Button5, 10, 1);
  g->addWidget(Button6, 10, 2);
  g->addWidget(ComboBox1, 10, 3);
  g->addWidget(Button7, 10, 4, 1, 2);
  g->addWidget(Button8, 10, 6, 1, 2);

  for (TUpDown* u : {UpDown1, UpDown2, UpDown3}) OnUpDownChange(u, this, &TMagnitudeCalculator::UpDown123Click);
  const Handlers<TMagnitudeCalculator> updown_handlers = {{UpDown4, &TMagnitudeCalculator::UpDown4Click},
                                                                {UpDown5, &TMagnitudeCalculator::UpDown5Click},
                                                                {UpDown6, &TMagnitudeCalculator::UpDown6Click}};
  ConnectEach(this, updown_handlers);
  OnCheckBoxClick(CheckBox1, this, &TMagnitudeCalculator::Recalculate);
  OnRadioButtonClick(RadioButton1, this, &TMagnitudeCalculator::Recalculate);
  OnRadioButtonClick(RadioButton2, this, &TMagnitudeCalculator::Recalculate);
  OnRadioButtonClick(RadioButton3, this, &TMagnitudeCalculator::RadioButton36Click);
  OnRadioButtonClick(RadioButton6, this, &TMagnitudeCalculator::RadioButton36Click);
  OnRadioButtonClick(RadioButton4, this, &TMagnitudeCalculator::RadioButton4Click);
  OnRadioButtonClick(RadioButton5, this, &TMagnitudeCalculator::RadioButton5Click);
  OnRadioGroupClick(RadioGroup1, this, &TMagnitudeCalculator::RadioGroup1Click);
  OnRadioGroupClick(RadioGroup2, this, &TMagnitudeCalculator::Recalculate);
  OnRadioGroupClick(RadioGroup3, this, &TMagnitudeCalculator::MagnitudeCalculation);
  connect(ScrollBar1, &QScrollBar::valueChanged, this, &TMagnitudeCalculator::RadioGroup1Click);
  connect(ScrollBar2, &QScrollBar::valueChanged, this, &TMagnitudeCalculator::RadioGroup1Click);
  const Handlers<TMagnitudeCalculator> button_handlers = {
      {Button1, &TMagnitudeCalculator::Button1Click},
      {Button2, &TMagnitudeCalculator::Button2Click},
      {Button3, &TMagnitudeCalculator::Button3Click},
      {Button4, &TMagnitudeCalculator::Button4Click},
      {Button5, &TMagnitudeCalculator::Button5Click},
      {Button6, &TMagnitudeCalculator::Button6Click},
      {Button7, &TMagnitudeCalculator::Button7Click},
      {Button8, &TMagnitudeCalculator::Button8Click},
      {Button9, &TMagnitudeCalculator::Button9Click},
      {Button11, &TMagnitudeCalculator::Button11Click},
      {SpeedButton1, &TMagnitudeCalculator::SpeedButton1Click},
      {SpeedButton2, &TMagnitudeCalculator::SpeedButton2Click}};
  ConnectEach(this, button_handlers);
  OnComboBoxChange(ComboBox1, this, &TMagnitudeCalculator::ComboBox1Change);
}

void TMagnitudeCalculator::FormCreate() {
  events_.Flags.MagnitudeWindowShown = 1;
  const QRect panel = host_.PanelGeometry();
  if (!panel.isNull()) move(panel.left() + 160, panel.top());
  UpDown4->setEnabled(!host_.IntegratedPanelOpened());
  const std::string camera = host_.PredictionCamera();
  host_.SetMainCameraText(camera);
  QRadioButton* cam = camera == "WAT-120N" ? RadioButton3 : camera == "WAT-910HX" ? RadioButton6 : RadioButton2;
  {
    const QSignalBlocker b1(RadioButton2), b2(RadioButton3), b3(RadioButton6), b4(RadioButton4), b5(RadioButton5);
    cam->setChecked(true);
    if (host_.MeasurementInterval() > 1) {
      RadioButton5->setChecked(true);
      field_selection_ = 1;
    } else {
      RadioButton4->setChecked(true);
      field_selection_ = 0;
      RadioButton2->setChecked(true);
    }
    const MagnitudePanelState p = host_.PanelState();
    if (p.CcdIndex == 2) RadioButton3->setChecked(true);
  }
  {
    const QSignalBlocker b1(RadioGroup2);
    RadioGroup2->SetItemIndex(host_.MeasurementInterval() > 1 ? 1 : 0);
  }
  host_.SetPanelEnabled(false);
  SaveChartImage();
  {
    const QSignalBlocker b1(ScrollBar1), b2(ScrollBar2);
    ScrollBar1->setValue(380);
    ScrollBar2->setValue(30);
  }
  static constexpr std::array<int, 10> kCounts{0, 1, 2, 4, 8, 16, 32, 64, 128, 256};
  const int count = events_.Flags.IntegrationCount;
  const auto it = std::find(kCounts.begin(), kCounts.end(), count);
  const int position = it == kCounts.end() ? 0 : static_cast<int>(it - kCounts.begin());
  UpDown4->SetPosition(position);
  Edit17->setText(QString::number(it == kCounts.end() ? 0 : count));
  seconds_digits_ = UpDown5->Position();
  Edit24->setText(QString::number(seconds_digits_));
  pair_magnitude_ = 0;

  const MagnitudePanelState p = host_.PanelState();
  intensities_ = CaptureIntensities(p.Levels, p.DoubleStar, p.StepHeightPercent);
  auto f1 = [](long double v) { return Q(FormatFixed(v, 1, 18)); };
  Edit1->setText(f1(intensities_.First));
  Edit2->setText(f1(intensities_.Second));
  Edit9->setText(f1(intensities_.Combined));
  Edit3->setText(f1(intensities_.FirstError));
  Edit4->setText(f1(intensities_.SecondError));
  Edit10->setText(f1(intensities_.CombinedError));
  Edit11->setText(f1(p.Levels.StdError[0]));
  Edit13->setText(f1(p.Levels.StdError[1]));
  Edit14->setText(f1(p.Levels.StdError[2]));

  double m = host_.PredictionCombinedMagnitude();
  if (!std::isfinite(m)) {
    Dialogs().ShowError("The combined magnitude of the prediction is not a number; the pair magnitude is set to 0.");
    m = 0;
  }
  const double whole = std::trunc(m);
  const double fraction = PairFraction(m, whole);
  const double tenths = std::trunc(fraction * 10);
  pair_negative_ = m < 0;
  const auto [w, t, h] = PairPositions(whole, tenths, RoundHalfEven((fraction - tenths / 10) * 100), pair_negative_);
  UpDown1->SetPosition(w);
  UpDown2->SetPosition(t);
  UpDown3->SetPosition(h);
  Edit12->setText(Q(FormatFixed(m, 2, 18)));
  // The first calculation adds the pair magnitude shown, not 0.
  pair_magnitude_ = m;

  ReadBaseTimes();
  MagnitudeCalculation();
  ShowEventList();
  Memo1->clear();
  Memo2->clear();
}

bool TMagnitudeCalculator::event(QEvent* e) {
  const bool r = QWidget::event(e);
  if (e->type() == QEvent::WindowActivate) FormActivate();
  return r;
}

void TMagnitudeCalculator::FormActivate() {
  const std::string& vtext = events_.ReportLightCurveElement.VMag;
  if (vtext.empty()) return;
  // Read to hundredths first: cutting 9.996 to 9.99, or 9.899 to 9.89 by its
  // binary value, would not be the magnitude given.
  const double given = ParseDoubleOr(vtext, 0);
  const double v =
      std::isfinite(given) ? static_cast<double>(RoundHalfAway(std::clamp(given, -1000.0, 1000.0) * 100)) / 100 : 0;
  const double w = std::trunc(v);
  const double f = PairFraction(v, w) + 0.001;
  const double t = std::trunc(f * 10);
  const double h = std::trunc((f - t / 10) * 100);
  pair_negative_ = v < 0;
  const std::array<int, 3> positions = PairPositions(w, t, h, pair_negative_);
  UpDown1->SetPosition(positions[0]);
  UpDown2->SetPosition(positions[1]);
  UpDown3->SetPosition(positions[2]);
  ReadPairMagnitude();
  MagnitudeCalculation();
}

void TMagnitudeCalculator::ReadPairMagnitude() {
  const int w = UpDown1->Position(), t = UpDown2->Position(), h = UpDown3->Position();
  // A whole part of 0 cannot carry the sign: the magnitude keeps the one it
  // had, so -0.45 stays negative while its tenths and hundredths move.
  pair_negative_ = w < 0 || (w == 0 && pair_negative_);
  const long double size = std::abs(w) + t / 10.0L + h / 100.0L;
  const long double m = pair_negative_ ? -size : size;
  Edit12->setText(Q(FormatFixed(m, 2, 18)));
  pair_magnitude_ = m;
}

void TMagnitudeCalculator::ReadBaseTimes() {
  const std::array<std::string, 4> now = host_.FrameTime();
  Edit18->setText(Q(now[0]));
  Edit21->setText(Q(now[0]));
  Edit19->setText(Q(now[1]));
  Edit22->setText(Q(now[1]));
  Edit20->setText(Q(now[2]));
  Edit23->setText(Q(now[3]));
  const auto& edited = events_.Flags.TimeFieldEdited;
  // An edit that does not parse (a frame without a readable stamp) counts as
  // 0 and shows `zero`; its field then has no base time until one is typed.
  size_t field = 0;
  base_time_read_ = {true, true};
  auto read = [this, &field](QLineEdit* e, auto& v, auto parse, const char* zero) {
    if (auto parsed = parse(S(e->text()))) {
      v = *parsed;
    } else {
      v = 0;
      e->setText(zero);
      base_time_read_[field] = false;
    }
  };
  auto read_int = [&read](QLineEdit* e, int32_t& v) { read(e, v, ParseInt32, "00"); };
  auto read_sec = [&read](QLineEdit* e, double& v) { read(e, v, ParseDouble, "00.00"); };
  BaseTime& b0 = base_times_[0];
  // A value typed into the lunar identification's time edits stands in for the frame's.
  const std::array<double, 3>& typed = events_.Identification.BaseTime;
  if (edited[0]) b0.Hour = static_cast<int32_t>(typed[0]), Edit18->setText(QString::number(b0.Hour));
  else read_int(Edit18, b0.Hour);
  if (edited[1]) b0.Minute = static_cast<int32_t>(typed[1]), Edit19->setText(QString::number(b0.Minute));
  else read_int(Edit19, b0.Minute);
  if (edited[2]) b0.Second = typed[2], Edit20->setText(Q(FormatFixed(b0.Second, UpDown5->Position(), 18)));
  else read_sec(Edit20, b0.Second);
  BaseTime& b1 = base_times_[1];
  ShareFieldOneBaseTime(events_, b0);
  field = 1;
  read_int(Edit21, b1.Hour);
  read_int(Edit22, b1.Minute);
  read_sec(Edit23, b1.Second);
  // The fields lie a fraction of a second apart: only seconds that went back
  // by most of a minute (59.98, then 0.02) mean the minute turned between
  // them. A second field read a little earlier (fields in the other order, a
  // misread digit) is not a minute later.
  if (!edited[0] && !edited[1] && !edited[2] && b0.Second - b1.Second > 30) {
    if (++b1.Minute == 60) {
      b1.Minute = 0;
      ++b1.Hour;
      Edit21->setText(QString::number(b1.Hour));
    }
    Edit22->setText(QString::number(b1.Minute));
  }
  // A typo in an edit afterwards brings back what it shows now, the frame's
  // time, not that of an earlier frame.
  last_valid_base_times_ = base_times_;
}

EventCamera TMagnitudeCalculator::Camera() const {
  if (RadioButton2->isChecked()) return EventCamera::Wat100N;
  if (RadioButton3->isChecked()) return EventCamera::Wat120N;
  if (RadioButton6->isChecked()) return EventCamera::Wat910HX;
  return EventCamera::Off;
}

void TMagnitudeCalculator::MagnitudeCalculation() {
  const MagnitudePanelState p = host_.PanelState();
  MagnitudeInputs in;
  in.Levels = p.Levels;
  in.Intensities = intensities_;
  in.PairMagnitudeText = S(Edit12->text());
  in.PairMagnitude = pair_magnitude_;
  in.DoubleStar = p.DoubleStar;
  in.StepWindowSet = p.StepWindowSet;
  in.DiffractionFitted = events_.Diffraction.DiffractionFitted != 0;
  in.EventWidthRecords = events_.Diffraction.EventWidthRecords;
  in.RecordStep = host_.MeasurementInterval();
  in.BlockFrames = events_.Flags.IntegrationCount;
  in.Offset1Text = p.Offset1Text;
  in.Offset2Text = p.Offset2Text;
  in.ContactAngleText = p.ContactAngleText;
  in.PredictedDropText = p.PredictedDropText;
  in.DropConsidered = p.DropConsidered;
  in.StepHeightPercent = p.StepHeightPercent;
  in.Camera = Camera();
  in.StepCorrection = CheckBox1->isChecked();
  in.IntegrationPosition = UpDown4->Position();
  in.IntegrationText = S(Edit17->text());
  field_selection_ = RadioButton4->isChecked() ? 0 : 1;
  in.FieldSelection = field_selection_;
  in.BaseTimes = base_times_;
  in.BaseTimeRead = base_time_read_;
  if (const Tchart1* chart = host_.Chart()) in.FieldRecords = chart->Data().FieldMode != 0;
  in.SecondsDigits = seconds_digits_;
  in.TimingFrameRate = host_.TimingFrameRate();
  in.Element = &events_.ReportLightCurveElement;
  const MagnitudeResult r = ::MagnitudeCalculation(in, results_);
  event_timed_ = r.EventTimed;
  Edit5->setText(Q(r.Edit5));
  Edit6->setText(Q(r.Edit6));
  Edit7->setText(Q(r.Edit7));
  Edit8->setText(Q(r.Edit8));
  SetMemoLines(Memo1, r.Memo1);
  SetMemoLines(Memo2, r.Memo2);
}

void TMagnitudeCalculator::Recalculate() {
  MagnitudeCalculation();
  if (RadioGroup1->ItemIndex() != 0) DrawResultOnChart();
}

void TMagnitudeCalculator::AfterChartClick() {
  SaveChartImage();
  ReadBaseTimes();
  Recalculate();
}

void TMagnitudeCalculator::SaveChartImage() {
  if (Tchart1* chart = host_.Chart()) chart_backup_ = chart->Picture().copy();
}

void TMagnitudeCalculator::RestoreChartImage() {
  Tchart1* chart = host_.Chart();
  if (chart && !chart_backup_.isNull()) chart->ShowOverlayPicture(chart_backup_);
}

void TMagnitudeCalculator::DrawResultOnChart() {
  Tchart1* chart = host_.Chart();
  if (!chart || chart_backup_.isNull()) return;
  QImage picture = chart_backup_.copy();
  QPainter painter(&picture);
  const int x = ScrollBar1->value(), y = ScrollBar2->value();
  const bool opaque = RadioGroup1->ItemIndex() != 1;
  painter.setBackgroundMode(opaque ? Qt::OpaqueMode : Qt::TransparentMode);
  painter.setBackground(Qt::white);
  painter.setPen(Qt::black);
  QFont event_font("Courier");
  event_font.setBold(true);
  event_font.setPointSize(UpDown6->Position());
  QFont info_font = Memo1->font();
  info_font.setBold(false);
  info_font.setPointSize(UpDown6->Position());
  const QStringList lines = Memo1->toPlainText().split('\n');
  int dy = 0;
  for (int i = 2; i < lines.size(); ++i) {
    const QString& l = lines[i];
    int lx = x;
    if (l.startsWith("Event ")) {
      painter.setFont(event_font);
    } else {
      if (RadioGroup2->ItemIndex() == 0) continue;
      painter.setFont(info_font);
      if (RadioGroup2->ItemIndex() == 1) lx = x + 60;
    }
    painter.drawText(QPoint(lx, y + dy + QFontMetrics(painter.font()).ascent()), l);
    dy += l.isEmpty() ? 6 : 12;
  }
  painter.end();
  chart->ShowOverlayPicture(picture);
}

void TMagnitudeCalculator::UpDown123Click() {
  ReadPairMagnitude();
  Recalculate();
}

void TMagnitudeCalculator::UpDown4Click() {
  const int p = UpDown4->Position();
  results_.IntegrationFrames = p > 0 ? static_cast<int32_t>(std::lround(std::pow(2.0, p - 1))) : 0;
  Edit17->setText(QString::number(results_.IntegrationFrames));
  Recalculate();
}

void TMagnitudeCalculator::UpDown5Click() {
  seconds_digits_ = UpDown5->Position();
  Edit24->setText(QString::number(seconds_digits_));
  Recalculate();
}

void TMagnitudeCalculator::RadioButton36Click() {
  const DiffractionState& d = events_.Diffraction;
  if (d.ThirdWindowFrom != d.ThirdWindowTo) CheckBox1->setChecked(true);
  Recalculate();
}

void TMagnitudeCalculator::RadioButton4Click() {
  field_selection_ = 0;
  Recalculate();
}

void TMagnitudeCalculator::RadioButton5Click() {
  field_selection_ = 1;
  Recalculate();
}

void TMagnitudeCalculator::Button1Click() {
  for (int k = 0; k <= 14; ++k)
    Memo1->appendPlainText(QString::number(k) + " " + Q(FormatFixed(TimingErrorFrames(k / 10.0L), 4, 5)));
}

void TMagnitudeCalculator::Button2Click() {
  ReadBaseTimes();
  Recalculate();
}

void TMagnitudeCalculator::Button3Click() {
  Recalculate();
  if (Tchart1* chart = host_.Chart()) chart->showNormal();
  raise();
  activateWindow();
}

void TMagnitudeCalculator::SpeedButton1Click() { ShowChart(ChartBeside::Shown); }

void TMagnitudeCalculator::SpeedButton2Click() { ShowChart(ChartBeside::Minimized); }

void TMagnitudeCalculator::ShowChart(ChartBeside view) {
  SetChartBeside(view, this, host_.Chart(), host_.TimeStampMode() != 0,
                 [this](bool fields) { host_.SetShowField(fields); });
}

void TMagnitudeCalculator::RadioGroup1Click() {
  if (RadioGroup1->ItemIndex() == 0) RestoreChartImage();
  else DrawResultOnChart();
}

void TMagnitudeCalculator::UpDown6Click() {
  Edit26->setText(QString::number(UpDown6->Position()));
  RadioGroup1Click();
}

void TMagnitudeCalculator::Button11Click() {
  Memo2->setFocus();
  Memo2->selectAll();
  QApplication::clipboard()->setText(Memo2->toPlainText());
}

void TMagnitudeCalculator::Button9Click() { close(); }

void TMagnitudeCalculator::closeEvent(QCloseEvent* e) {
  chart_backup_ = QImage();
  host_.SetPanelEnabled(true);
  events_.Flags.MagnitudeWindowShown = 0;
  e->accept();
}

bool TMagnitudeCalculator::eventFilter(QObject* o, QEvent* e) {
  auto* edit = qobject_cast<QLineEdit*>(o);
  if (edit && e->type() == QEvent::FocusIn) {
    PaintText(edit, Qt::blue);
    if (Tchart1* chart = host_.Chart()) chart->showMinimized();
  } else if (edit && e->type() == QEvent::FocusOut) {
    PaintText(edit, Qt::black);
    BaseTimeExit(edit);
  }
  return QWidget::eventFilter(o, e);
}

void TMagnitudeCalculator::BaseTimeExit(QLineEdit* edit) {
  const size_t field = edit == Edit18 || edit == Edit19 || edit == Edit20 ? 0 : 1;
  BaseTime& b = base_times_[field];
  BaseTime& last = last_valid_base_times_[field];
  const std::string text = S(edit->text());
  if (edit == Edit18 || edit == Edit21 || edit == Edit19 || edit == Edit22) {
    const bool hour = edit == Edit18 || edit == Edit21;
    int32_t& value = hour ? b.Hour : b.Minute;
    int32_t& kept = hour ? last.Hour : last.Minute;
    const auto v = ParseInt32(text);
    if (v && *v >= 0 && *v <= (hour ? 24 : 60)) {
      value = kept = *v;
      base_time_read_[field] = true;
    } else {
      value = kept;
    }
    edit->setText(QString::number(value));
    if (field == 0) ShareFieldOneBaseTime(events_, b);
    return;
  }
  const auto v = ParseDouble(text);
  if (v && *v >= 0 && *v <= 60) {
    b.Second = last.Second = *v;
    base_time_read_[field] = true;
  } else {
    b.Second = last.Second;
  }
  if (field == 0) ShareFieldOneBaseTime(events_, b);
  const int mode = host_.TimeStampMode();
  const int d = mode == 0 ? 4 : mode == 1 || mode == 2 ? 3 : 2;
  edit->setText(Q(FormatSeconds(b.Second, d, 18)));
}

void TMagnitudeCalculator::RebuildList(ListLineFormat format) {
  ListBox1->clear();
  for (const std::string& l : ListLines(events_.AsteroidTiming, format)) ListBox1->addItem(Q(l));
}

void TMagnitudeCalculator::ShowEventList() { RebuildList(ListLineFormat::Added); }

void TMagnitudeCalculator::AppendListLine(ListLineFormat format) {
  const TAsteroidTiming& t = events_.AsteroidTiming;
  ListBox1->addItem(Q(ListLine(t, ValidCount(t), format)));
  ListBox1->setCurrentRow(ListBox1->count() - 1);
}

bool TMagnitudeCalculator::AddEntry(const TAsteroidEachEventTime& e, ListLineFormat format) {
  if (!AppendEntry(events_.AsteroidTiming, e)) return false;
  AppendListLine(format);
  return true;
}

void TMagnitudeCalculator::Button4Click() {
  const MagnitudePanelState p = host_.PanelState();
  TAsteroidTiming& t = events_.AsteroidTiming;
  if (ValidCount(t) + (p.DoubleStar ? 2 : 1) > kTimingListCapacity) {
    Dialogs().ShowError(ValidCount(t) < kTimingListCapacity ? kTimingListNoRoomForPairMessage
                                                            : kTimingListFullMessage);
    return;
  }
  // After "OFF" or a calculation that stopped with a message the event texts
  // are still an earlier event's: they must not go into the report.
  if (!event_timed_) {
    Dialogs().ShowError("There is no event time to add: choose a camera other than \"OFF\" and a range where the "
                        "calculation succeeds.");
    return;
  }
  // Without a fit that found both components the second entry would have no
  // time: the reports would carry an empty event.
  if (p.DoubleStar && results_.SecondEventHourText.empty()) {
    Dialogs().ShowError("The second component has no event time: fit the diffraction curve with both components "
                        "before adding a double star's events.");
    return;
  }
  const EventResultTexts& r = results_;
  const bool d = r.EventIsDisappearance != 0;
  // The entries follow the result lines: the earlier time first, with the
  // first event's S/N and main or minor change.
  const bool swap = p.DoubleStar && r.SecondComponentFirst;
  auto set_time = [&r](TAsteroidEachEventTime& entry, bool second_component) {
    Hour(entry) = second_component ? r.SecondEventHourText : r.EventHourText;
    Minute(entry) = second_component ? r.SecondEventMinuteText : r.EventMinuteText;
    Second(entry) = second_component ? r.SecondEventSecondText : r.EventSecondText;
  };
  TAsteroidEachEventTime e;
  set_time(e, swap);
  // A double star's first entry is the memo's first line: its own error,
  // as it has its own S/N, not the error of the whole drop.
  e.Error = p.DoubleStar ? r.FirstTimingErrorText : r.TimingErrorText;
  Sn(e) = r.FirstEventSnText;
  SetDisappearance(e, d);
  SetMinor(e, ComboBox1->currentText() == "Minor light change");
  if (p.DoubleStar) SetMinor(e, d ? p.StepHeightPercent >= 50 : p.StepHeightPercent <= 50);
  e.Approximate = 0;
  e.ContactAngle = p.FittedContactAngleText;
  e.MeasuredDrop = r.MeasuredDropText;
  e.PredictedDrop = r.PredictedDropText;
  AddEntry(e, ListLineFormat::Added);
  host_.SetDiffractionStepAqua(t.EntryCount == 2 || t.EntryCount == 4);
  if (!p.DoubleStar) return;
  set_time(e, !swap);
  e.Error = r.SecondTimingErrorText;
  Sn(e) = r.SecondEventSnText;
  SetMinor(e, d ? p.StepHeightPercent <= 50 : p.StepHeightPercent >= 50);
  AddEntry(e, ListLineFormat::Added);
  host_.SetDiffractionStepAqua(t.EntryCount == 2 || t.EntryCount == 4);
}

void TMagnitudeCalculator::Button5Click() {
  const int row = ListBox1->currentRow();
  if (row < 0 || !ListBox1->currentItem() || !ListBox1->currentItem()->isSelected()) return;
  DeleteEntry(events_.AsteroidTiming, row + 1);
  RebuildList(ListLineFormat::Deleted);
}

void TMagnitudeCalculator::Button6Click() {
  if (ValidCount(events_.AsteroidTiming) < 2) return;
  if (auto bad = SortEntries(events_.AsteroidTiming)) {
    Dialogs().ShowError("'" + Q(bad->Text) + (bad->Integer ? "' is not a valid integer value"
                                                          : "' is not a valid floating point value"));
    return;
  }
  RebuildList(ListLineFormat::Sorted);
}

void TMagnitudeCalculator::ComboBox1Change() {
  const int row = ListBox1->currentRow();
  if (row >= 0 && ListBox1->currentItem() && ListBox1->currentItem()->isSelected()) {
    SetMinor(events_.AsteroidTiming.Entries[static_cast<size_t>(row)], ComboBox1->currentIndex() == 1);
    RebuildList(ListLineFormat::MinorChanged);
  }
  ListBox1->setCurrentRow(-1);
  ListBox1->clearSelection();
}

void TMagnitudeCalculator::MissClick(bool disappearance) {
  if (ValidCount(events_.AsteroidTiming) >= kTimingListCapacity) {
    Dialogs().ShowError(kTimingListFullMessage);
    return;
  }
  AddEntry(MissedEntry(S(Edit18->text()), S(Edit19->text()), S(Edit20->text()), disappearance,
                       ComboBox1->currentIndex() == 1),
           disappearance ? ListLineFormat::MissD : ListLineFormat::MissR);
}

void TMagnitudeCalculator::Button7Click() { MissClick(true); }
void TMagnitudeCalculator::Button8Click() { MissClick(false); }
