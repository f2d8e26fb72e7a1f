#include "timing/ui/TLEDGraph.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <cmath>

#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "base/ui/HandlerTable.h"
#include "base/ui/StdText.h"
#include "timing/ui/TimingMemo.h"

namespace {

constexpr int kPictureWidth = 743, kPictureHeight = 372;

constexpr const char* kNoPcTime =
    "The results table holds no recorded PC time (fields 8 to 10) on two rows or more: the time correction "
    "cannot be made.";

QLineEdit* MakeEdit(const char* name, QWidget* parent, const QString& text = {}, bool read_only = true) {
  auto* e = Named<QLineEdit>(name, text, parent);
  e->setReadOnly(read_only);
  return e;
}

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent) {
  auto* b = Named<QPushButton>(name, caption, parent);
  return b;
}

TUpDown* MakeUpDown(const char* name, int min, int max, int position, QWidget* parent) {
  return new TUpDown(name, QString(name) + "Position", min, max, position, parent);
}

}  // namespace

TLEDGraph* OpenLedGraph(LedGraphHost host, LedCorrectionState& state, uint8_t& open_flag, QWidget* owner) {
  if (open_flag) return nullptr;
  auto closed = host.Closed;
  host.Closed = [&open_flag, closed] {
    open_flag = 0;
    if (closed) closed();
  };
  open_flag = 1;
  auto* w = new TLEDGraph(std::move(host), state, owner);
  w->show();
  return w;
}

TLEDGraph::TLEDGraph(LedGraphHost host, LedCorrectionState& state, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint), host_(std::move(host)), state_(state) {
  SetUpToolWindow(this, "LEDGraph", "Time correction using 1PPS LED");
  CreateControls();
  ConnectHandlers();
  FormCreate();
}

TLEDGraph::~TLEDGraph() = default;

void TLEDGraph::CreateControls() {
  auto* grid = new QGridLayout(this);
  // ---- left: the graphs and the time table ----
  auto* left = new QVBoxLayout;
  LEDImage1 = MakePicture("LEDImage1", kPictureWidth, kPictureHeight, this);
  LEDImage1->installEventFilter(this);
  ScrollBar1 = Named<QScrollBar>("ScrollBar1", Qt::Horizontal, this);
  ScrollBar1->setRange(0, 0);
  Memo2 = MakeMemo("Memo2", this, MemoWrap::Off);
  Memo2->setReadOnly(true);
  Memo1 = MakeMemo("Memo1", this, MemoWrap::Off);
  Memo3 = MakeMemo("Memo3", this, MemoWrap::Off);
  Edit2 = MakeEdit("Edit2", this);
  for (QWidget* hidden : {static_cast<QWidget*>(Memo1), static_cast<QWidget*>(Memo3), static_cast<QWidget*>(Edit2)})
    hidden->hide();
  left->addWidget(LEDImage1);
  left->addWidget(ScrollBar1);
  auto* scale_row = new QHBoxLayout;
  GroupBox1 = Named<QGroupBox>("GroupBox1", "Scale", this);
  auto* scale = new QHBoxLayout(GroupBox1);
  Edit15 = MakeEdit("Edit15", GroupBox1, "1");
  UpDown12 = MakeUpDown("UpDown12", 1, 10, 1, GroupBox1);
  Edit29 = MakeEdit("Edit29", GroupBox1, "1");
  UpDown15 = MakeUpDown("UpDown15", 1, 4, 1, GroupBox1);
  scale->addWidget(new QLabel("Vertical", GroupBox1));
  scale->addWidget(Edit15);
  scale->addWidget(UpDown12);
  scale->addWidget(new QLabel("Horizontal", GroupBox1));
  scale->addWidget(Edit29);
  scale->addWidget(UpDown15);
  scale_row->addWidget(GroupBox1);
  Edit22 = MakeEdit("Edit22", this);
  Edit23 = MakeEdit("Edit23", this);
  Edit24 = MakeEdit("Edit24", this);
  // The cycle's drift and period are read whole.
  Edit22->setMinimumWidth(Edit22->fontMetrics().horizontalAdvance(QStringLiteral("-0.0000000")) + 12);
  Edit24->setMinimumWidth(Edit24->fontMetrics().horizontalAdvance(QStringLiteral(" 000.00x000=00000.0")) + 12);
  scale_row->addWidget(new QLabel("Recorded time delays ", this));
  scale_row->addWidget(Edit22);
  scale_row->addWidget(new QLabel("Seconds.from 1PPS signal on every ", this));
  scale_row->addWidget(Edit23);
  scale_row->addWidget(new QLabel("frames.", this));
  scale_row->addWidget(Edit24);
  left->addLayout(scale_row);
  left->addWidget(Memo2, 1);
  grid->addLayout(left, 0, 0);

  // ---- right: the steps ----
  auto* steps = new QVBoxLayout;
  Button4 = MakeButton("Button4", "1. Verification of the time PC recorded. ", this);
  Label8 = MakeLabel("Label8", "2. See and check above graph..", this);
  RadioGroup1 = new TRadioGroup("RadioGroup1", "3 Change graph to LED Brightness",
                                {"Variation of Recorded Time on Frame", "LED Brightness"}, this);
  {
    const QSignalBlocker b(RadioGroup1);
    RadioGroup1->SetItemIndex(0);
  }
  GroupBox4 = Named<QGroupBox>("GroupBox4", "4. Polynomial fit for BKG. (if necessary)", this);
  auto* bkg = new QGridLayout(GroupBox4);
  Edit25 = MakeEdit("Edit25", GroupBox4, "2.5");
  UpDown13 = MakeUpDown("UpDown13", 0, 50, 25, GroupBox4);
  Edit26 = MakeEdit("Edit26", GroupBox4, "8");
  UpDown14 = MakeUpDown("UpDown14", 1, 20, 8, GroupBox4);
  bkg->addWidget(new QLabel("Range for BKG ", GroupBox4), 0, 0);
  bkg->addWidget(Edit25, 0, 1);
  bkg->addWidget(UpDown13, 0, 2);
  bkg->addWidget(new QLabel("Degree of fit curve", GroupBox4), 1, 0);
  bkg->addWidget(Edit26, 1, 1);
  bkg->addWidget(UpDown14, 1, 2);
  Label10 = MakeLabel("Label10", "", this);
  Label10->setWordWrap(true);
  auto* pick = new QHBoxLayout;
  Edit20 = MakeEdit("Edit20", this);
  PaintBase(Edit20, BgrColor(0xEEDDFF));
  pick->addWidget(new QLabel("selected frame: No. ", this));
  pick->addWidget(Edit20);
  Label11 = MakeLabel("Label11", "6. Spread area of Blue dots for fitting to line.", this);
  auto* range = new QHBoxLayout;
  Edit16 = MakeEdit("Edit16", this, "0");
  UpDown1 = MakeUpDown("UpDown1", -30, 0, 0, this);
  Edit17 = MakeEdit("Edit17", this, "0");
  UpDown2 = MakeUpDown("UpDown2", 0, 40, 0, this);
  for (QWidget* w : {static_cast<QWidget*>(Edit16), static_cast<QWidget*>(UpDown1), static_cast<QWidget*>(Edit17),
                     static_cast<QWidget*>(UpDown2)})
    range->addWidget(w);
  auto* pps = new QHBoxLayout;
  Edit21 = MakeEdit("Edit21", this);
  PaintBase(Edit21, BgrColor(0xFFDDAA));
  pps->addWidget(new QLabel("Frame of PPS rising.: No.", this));
  pps->addWidget(Edit21);
  Button5 = MakeButton(
      "Button5", "7. Fit to line, and obtain the calibrate Time from the brightness of LED's PPS.", this);
  GroupBox2 = Named<QGroupBox>("GroupBox2", "8. Check result", this);
  auto* check = new QGridLayout(GroupBox2);
  Edit18 = MakeEdit("Edit18", GroupBox2);
  Edit27 = MakeEdit("Edit27", GroupBox2);
  check->addWidget(new QLabel("Mean recorded time delays", GroupBox2), 0, 0);
  check->addWidget(Edit18, 0, 1);
  check->addWidget(new QLabel("seconds from most probable time", GroupBox2), 0, 2);
  check->addWidget(new QLabel("Estimated Error is ", GroupBox2), 1, 0);
  check->addWidget(Edit27, 1, 1);
  check->addWidget(new QLabel("seconds", GroupBox2), 1, 2);
  Edit19 = MakeEdit("Edit19", this, "Offset");
  Edit28 = MakeEdit("Edit28", this);
  GroupBox5 = Named<QGroupBox>("GroupBox5", "9. Apply to photometric analysis", this);
  auto* apply = new QGridLayout(GroupBox5);
  ListBox1 = Named<QListWidget>("ListBox1", GroupBox5);
  ListBox1->setFixedHeight(80);
  Button7 = MakeButton("Button7", "Add", GroupBox5);
  Button8 = MakeButton("Button8", "Delete", GroupBox5);
  Button6 = MakeButton("Button6", "Apply to Analysis", GroupBox5);
  ProgressBar1 = Named<QProgressBar>("ProgressBar1", GroupBox5);
  apply->addWidget(new QLabel("Memory", GroupBox5), 0, 0);
  apply->addWidget(ListBox1, 1, 0, 3, 1);
  apply->addWidget(Button7, 1, 1);
  apply->addWidget(Button8, 2, 1);
  apply->addWidget(Button6, 4, 0, 1, 2);
  apply->addWidget(ProgressBar1, 5, 0, 1, 2);
  Button11 = MakeButton("Button11", "Add List without LED Correction", this);
  Button9 = MakeButton("Button9", "Button9", this);
  Button10 = MakeButton("Button10", "Button10", this);
  auto* diagnostics = new QHBoxLayout;
  diagnostics->addWidget(Edit19);
  diagnostics->addWidget(Edit28);
  diagnostics->addWidget(Button9);
  diagnostics->addWidget(Button10);
  for (QWidget* w : {static_cast<QWidget*>(Button4), static_cast<QWidget*>(Label8),
                     static_cast<QWidget*>(RadioGroup1), static_cast<QWidget*>(GroupBox4),
                     static_cast<QWidget*>(Label10)})
    steps->addWidget(w);
  steps->addLayout(pick);
  steps->addWidget(Label11);
  steps->addLayout(range);
  steps->addLayout(pps);
  steps->addWidget(Button5);
  steps->addWidget(GroupBox2);
  steps->addLayout(diagnostics);
  steps->addWidget(GroupBox5);
  steps->addWidget(Button11);

  // ---- the histogram panel ----
  Panel2 = Named<QWidget>("Panel2", this);
  auto* panel = new QGridLayout(Panel2);
  Histogram = MakeLabel("Histogram", "", Panel2);
  Histogram->setFixedSize(260, 120);
  Button1 = MakeButton("Button1", "Button1", Panel2);
  Button2 = MakeButton("Button2", "Button2", Panel2);
  Button3 = MakeButton("Button3", "Button3", Panel2);
  UpDown7 = MakeUpDown("UpDown7", 0, 1000, 512, Panel2);
  Edit10 = MakeEdit("Edit10", Panel2, "512");
  UpDown8 = MakeUpDown("UpDown8", 0, 999, 100, Panel2);
  Edit11 = MakeEdit("Edit11", Panel2, "0.100");
  UpDown11 = MakeUpDown("UpDown11", 0, 100, 10, Panel2);
  Edit14 = MakeEdit("Edit14", Panel2, "10");
  UpDown9 = MakeUpDown("UpDown9", 0, 8000, 200, Panel2);
  Edit13 = MakeEdit("Edit13", Panel2, "2.00");
  UpDown10 = MakeUpDown("UpDown10", 0, 800, 20, Panel2);
  UpDown5 = MakeUpDown("UpDown5", 0, 100, 8, Panel2);
  Edit5 = MakeEdit("Edit5", Panel2, "8");
  UpDown6 = MakeUpDown("UpDown6", 3, 101, 21, Panel2);
  Edit6 = MakeEdit("Edit6", Panel2, "21");
  Edit1 = MakeEdit("Edit1", Panel2);
  Edit7 = MakeEdit("Edit7", Panel2);
  Edit8 = MakeEdit("Edit8", Panel2);
  panel->addWidget(Histogram, 0, 0, 1, 6);
  int column = 0;
  for (QWidget* w : {static_cast<QWidget*>(Button1), static_cast<QWidget*>(Button2), static_cast<QWidget*>(Button3),
                     static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit7), static_cast<QWidget*>(Edit8)})
    panel->addWidget(w, 1, column++);
  const std::pair<QWidget*, QWidget*> pairs[] = {{Edit10, UpDown7}, {Edit11, UpDown8}, {Edit14, UpDown11},
                                                 {Edit13, UpDown9}, {nullptr, UpDown10}, {Edit5, UpDown5},
                                                 {Edit6, UpDown6}};
  int row = 2;
  column = 0;
  for (const auto& [edit, updown] : pairs) {
    if (edit) panel->addWidget(edit, row, column);
    panel->addWidget(updown, row, column + 1);
    column += 2;
    if (column >= 6) {
      column = 0;
      ++row;
    }
  }
  steps->addWidget(Panel2);
  steps->addStretch(1);
  grid->addLayout(steps, 0, 1);
}

void TLEDGraph::ConnectHandlers() {
  OnRadioGroupClick(RadioGroup1, this, &TLEDGraph::RadioGroup1Click);
  connect(ScrollBar1, &QScrollBar::valueChanged, this, &TLEDGraph::ScrollBar1Change);
  const Handlers<TLEDGraph> updown_handlers = {
      {UpDown12, &TLEDGraph::UpDown12Click}, {UpDown13, &TLEDGraph::UpDown13Click},
      {UpDown14, &TLEDGraph::UpDown14Click}, {UpDown15, &TLEDGraph::UpDown15Click},
      {UpDown1, &TLEDGraph::UpDown1Click},   {UpDown2, &TLEDGraph::UpDown2Click},
      {UpDown5, &TLEDGraph::UpDown5Click},   {UpDown6, &TLEDGraph::UpDown6Click},
      {UpDown7, &TLEDGraph::UpDown7Click},   {UpDown8, &TLEDGraph::UpDown8Click},
      {UpDown9, &TLEDGraph::UpDown9Click},   {UpDown10, &TLEDGraph::UpDown10Click},
      {UpDown11, &TLEDGraph::UpDown11Click}};
  ConnectEach(this, updown_handlers);
  const Handlers<TLEDGraph> button_handlers = {
      {Button4, &TLEDGraph::Button4Click},   {Button5, &TLEDGraph::Button5Click},   {Button6, &TLEDGraph::Button6Click},
      {Button7, &TLEDGraph::Button7Click},   {Button8, &TLEDGraph::Button8Click},   {Button9, &TLEDGraph::Button9Click},
      {Button10, &TLEDGraph::Button10Click}, {Button11, &TLEDGraph::Button11Click}, {Button1, &TLEDGraph::Button1Click},
      {Button2, &TLEDGraph::Button2Click},   {Button3, &TLEDGraph::Button3Click}};
  ConnectEach(this, button_handlers);
}

// ---- helpers ----

long double TLEDGraph::Rate() const { return host_.TimingFrameRate ? host_.TimingFrameRate() : 30.0L; }

int TLEDGraph::HeaderLineCount() const { return HeaderLineCountOf(host_.Lines()); }

LedTable TLEDGraph::Table() const {
  LedTable t;
  t.Lines = &host_.Lines();
  t.HeaderLineCount = HeaderLineCount();
  t.LastLine = state_.LedDataLineCount;
  t.StartFrame = host_.StartFrame();
  t.LastFrame = host_.LastFrame();
  return t;
}

LedTable TLEDGraph::CurrentTable() const {
  LedTable t = Table();
  t.LastLine = CountLedDataLines(host_.Lines(), t.HeaderLineCount);
  return t;
}

void TLEDGraph::ShowPoints(const std::vector<std::string>& points) {
  ListBox1->clear();
  for (const std::string& p : points) ListBox1->addItem(Q(p));
  host_.StorePoints(points);
}

static std::vector<std::string> ListLines(const QListWidget* list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list->count(); ++i) lines.push_back(list->item(i)->text().toStdString());
  return lines;
}

// ---- creation and closing ----

void TLEDGraph::FormCreate() {
  move(host_.Origin);
  ResetSteps();
}

void TLEDGraph::ResetSteps() {
  RadioGroup1->SetItemIndex(0);
  for (QWidget* w : {static_cast<QWidget*>(Button11), static_cast<QWidget*>(UpDown12),
                     static_cast<QWidget*>(UpDown14), static_cast<QWidget*>(UpDown15), static_cast<QWidget*>(Button6),
                     static_cast<QWidget*>(GroupBox5), static_cast<QWidget*>(Label8),
                     static_cast<QWidget*>(RadioGroup1), static_cast<QWidget*>(GroupBox1),
                     static_cast<QWidget*>(Label10), static_cast<QWidget*>(Label11), static_cast<QWidget*>(UpDown1),
                     static_cast<QWidget*>(UpDown2), static_cast<QWidget*>(Button5)})
    w->setEnabled(false);
  samples_.assign(101, TLedFrameSample{});
  Picture = QImage(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
  Picture.fill(Qt::white);
  ShowPicture();
  state_.LedCycleFrames = CycleFrames(Rate());
  model_level_ = 0.05L;
  noise_factor_ = 7.0L;
  histogram_drawn_ = false;
  vratio_taken_ = false;
  cycle_fitted_ = false;
  fit_forgotten_.clear();
  pc_time_table_.clear();
  {
    const std::vector<std::string> stored = host_.StoredPoints ? host_.StoredPoints() : std::vector<std::string>{};
    ListBox1->clear();
    for (const std::string& p : stored) ListBox1->addItem(Q(p));
  }
  SetMemoLines(Memo2, {"Recorded and corrected time of each frame."});
  ShowRate();
  Edit25->setText(Q(FormatFixed(UpDown13->Position() / 10.0L, 1, 15)));
  Edit26->setText(QString::number(UpDown14->Position()));
  // The picked pulse, the cycle range and the results of an earlier video.
  {
    const QSignalBlocker b1(UpDown1), b2(UpDown2), bs(ScrollBar1);
    UpDown1->SetRange(-30, 0);
    UpDown2->SetRange(0, 40);
    ScrollBar1->setRange(0, 0);
  }
  ZeroCycleRange();
  for (QLineEdit* e : {Edit1, Edit2, Edit7, Edit8, Edit18, Edit20, Edit21, Edit27, Edit28}) e->clear();
  Edit19->setText("Offset");
  Histogram->clear();
  no_fit_reason_.clear();
}

void TLEDGraph::ShowRate() {
  const long double rate = Rate();
  const int32_t cycle_frames = CycleFrames(rate);
  Edit23->setText(QString::number(cycle_frames));
  Edit22->setText(Q(FormatFixed(CycleDrift(rate), 6, 10)));
  const long double period = rate != 0 ? 1000.0L / rate : 0.0L;
  const long double cycle = RoundHalfAway(rate) * period;
  Edit24->setText(Q(" " + FormatFixed(period, 2, 5) + "x" + FormatInt(cycle_frames) + "=" +
                    FormatFixed(cycle, 1, 15)));
  switch (CycleKind(rate)) {
    case LedCycleKind::Increase:
      Label10->setText("5. Click above graph at a Magenta dot near after the starting point of increase.");
      break;
    case LedCycleKind::Decrease:
      Label10->setText("5. Click above graph at a Magenta dot near front the end point of decrease.");
      break;
    case LedCycleKind::WholeRate:
      Label10->setText("Time correction feature cannot analyze this framerate .");
      break;
  }
}

void TLEDGraph::RateChanged() {
  ShowRate();
  // The drift and the half frame to the centre were the fit's rate's.
  const bool refit = cycle_fitted_ && Rate() != fitted_rate_;
  if (refit) ForgetCycleFit("The timing rate was changed after step 7");
  // Cycle lines picked at another cycle length are not this rate's.
  const int32_t cycle_frames = CycleFrames(Rate());
  const bool repick = cycle_frames != state_.LedCycleFrames;
  if (repick) {
    state_.LedCycleFrames = cycle_frames;
    ForgetPick();
  }
  if ((refit || repick) && RadioGroup1->isEnabled()) DrawCurrentGraph();
}

void TLEDGraph::ForgetPick() {
  ClearPpsChoice(samples_);
  ZeroCycleRange();
  Edit20->clear();
  for (QWidget* w : {static_cast<QWidget*>(Label11), static_cast<QWidget*>(UpDown1), static_cast<QWidget*>(UpDown2),
                     static_cast<QWidget*>(Button5)})
    w->setEnabled(false);
}

void TLEDGraph::closeEvent(QCloseEvent* e) {
  samples_.clear();
  if (host_.Closed) host_.Closed();
  host_.Closed = nullptr;
  e->accept();
}

bool TLEDGraph::eventFilter(QObject* watched, QEvent* event) {
  if (watched == LEDImage1 && event->type() == QEvent::MouseButtonPress) {
    const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
    LEDImage1MouseDown(p.x(), p.y());
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

// ---- step 1 ----

void TLEDGraph::Button4Click() {
  RadioGroup1->SetItemIndex(0);
  const LedTable probe = [&] {
    LedTable t;
    t.Lines = &host_.Lines();
    t.HeaderLineCount = HeaderLineCount();
    return t;
  }();
  state_.LedDataLineCount = CountLedDataLines(*probe.Lines, probe.HeaderLineCount);
  samples_.assign(static_cast<size_t>(std::max(state_.LedDataLineCount, 0)) + 101, TLedFrameSample{});
  // The cleared lines hold no picked pulse: the cycle range and step 7 wait
  // for a new click, or they would fit cycle lines from line 0 nobody chose.
  ForgetPick();
  // Step 8 shows no results of a fit the steps now start before.
  pc_time_table_.clear();
  ForgetCycleFit("");
  fit_forgotten_.clear();
  if (state_.LedDataLineCount < 0) {
    state_.PcTimeFitted = false;
    no_fit_reason_ = kNoPcTime;
    Dialogs().ShowWarning(kNoPcTime);
    return;
  }
  const PcTimeFit fit = FitRecordedPcTime(Table(), state_);
  SetScrollRange();
  if (fit.Fitted) {
    pc_time_table_ = fit.Table;
    SetMemoLines(Memo2, fit.Table);
  }
  RunBackgroundFit();
  for (QWidget* w : {static_cast<QWidget*>(UpDown12), static_cast<QWidget*>(UpDown15),
                     static_cast<QWidget*>(UpDown14), static_cast<QWidget*>(Label8),
                     static_cast<QWidget*>(RadioGroup1), static_cast<QWidget*>(GroupBox1),
                     static_cast<QWidget*>(Button11)})
    w->setEnabled(true);
  DrawCurrentGraph();
  std::string told;
  for (const std::string& w : fit.Warnings) told += (told.empty() ? "" : "\r\n") + w;
  no_fit_reason_ = fit.Fitted || told.empty() ? kNoPcTime : told;
  if (!fit.Fitted && fit.Warnings.empty()) Dialogs().ShowWarning(kNoPcTime);
  if (!told.empty()) Dialogs().ShowWarning(Q(told));
}

QString TLEDGraph::NoFitReason() const { return Q(no_fit_reason_.empty() ? kNoPcTime : no_fit_reason_); }

void TLEDGraph::RunBackgroundFit() {
  const LedBackgroundFit fit = FitLedBackground(host_.Lines(), HeaderLineCount(), state_.LedDataLineCount,
                                                UpDown13->Position() / 10.0, UpDown14->Position(), samples_);
  background_ = fit.Coefficients;
  AddMemoLine(Memo1, FormatFixed(fit.Sigma, 4, 8));
}

void TLEDGraph::RadioGroup1Click() {
  if (RadioGroup1->ItemIndex() == 0) Button5->setEnabled(false);
  if (RadioGroup1->ItemIndex() == 1) Label10->setEnabled(true);
  DrawCurrentGraph();
}

void TLEDGraph::ScrollBar1Change() {
  if (ScrollBar1->maximum() > 0) DrawCurrentGraph();
}

void TLEDGraph::UpDown12Click() {
  Edit15->setText(QString::number(UpDown12->Position()));
  DrawCurrentGraph();
}

void TLEDGraph::UpDown15Click() {
  Edit29->setText(QString::number(UpDown15->Position()));
  SetScrollRange();
  DrawCurrentGraph();
}

void TLEDGraph::UpDown13Click() {
  Edit25->setText(Q(FormatFixed(UpDown13->Position() / 10.0L, 1, 15)));
  RefitBackground();
  DrawLedGraph();
}

void TLEDGraph::UpDown14Click() {
  Edit26->setText(QString::number(UpDown14->Position()));
  RefitBackground();
  DrawCurrentGraph();
}

void TLEDGraph::RefitBackground() {
  RunBackgroundFit();
  // The fitted line, its crossing and the offset belong to the last signal:
  // applying them would time the rows by a background no longer shown.
  ForgetCycleFit("The LED background was fitted again after step 7");
}

void TLEDGraph::ForgetCycleFit(const char* why) {
  if (!cycle_fitted_) return;
  cycle_fitted_ = false;
  fit_forgotten_ = why;
  ClearCycleFit(samples_);
  SetMemoLines(Memo2, pc_time_table_.empty() ? std::vector<std::string>{"Recorded and corrected time of each frame."}
                                             : pc_time_table_);
  for (QLineEdit* e : {Edit18, Edit21, Edit27, Edit28}) e->clear();
  Edit19->setText("Offset");
  state_.CorrectedTimesSet = false;
  state_.PpsPointSet = false;
}

void TLEDGraph::SetScrollRange() {
  const int h = UpDown15->Position(), w = PlotWidth();
  const QSignalBlocker block(ScrollBar1);
  if (static_cast<int64_t>(state_.LedDataLineCount) * h < w) {
    ScrollBar1->setRange(0, 0);
    ScrollBar1->setValue(0);
    return;
  }
  ScrollBar1->setRange(0, state_.LedDataLineCount - w / h);
}

// ---- step 5: the PPS rising frame ----

void TLEDGraph::LEDImage1MouseDown(int x, int y) {
  if (RadioGroup1->ItemIndex() != 1 || !RadioGroup1->isEnabled()) return;
  const int h = UpDown15->Position();
  const int clicked = (x - 50) / h + ScrollBar1->value();
  const int last = std::min(state_.LedDataLineCount, static_cast<int>(samples_.size()) - 1);
  const auto chosen = ChoosePpsRisingLine(samples_, last, clicked, [&](int line) {
    const QPoint dot = SignalDot(line);
    return std::hypot(static_cast<long double>(dot.x() - x), static_cast<long double>(dot.y() - y));
  });
  if (!chosen) return;
  ForgetCycleFit("Another PPS rising frame was picked after step 7");
  ClearPpsChoice(samples_);
  state_.LedCycleFrames = CycleFrames(Rate());
  ZeroCycleRange();
  MarkPpsRisingLine(samples_, last, *chosen, state_.LedCycleFrames);
  Edit20->setText(QString::number(*chosen));
  DrawLedGraph();

  const long double rate = Rate();
  const bool rising = SignalRises(samples_, last, *chosen, state_.LedCycleFrames);
  const std::string shown = "This frameRate(=" + FormatFixed(rate, 4, 7);
  const LedCycleKind kind = CycleKind(rate);
  const CycleBounds bounds = CycleRangeBounds(last, *chosen, state_.LedCycleFrames);
  // Without a second cycle line there is no trend to judge the rate by.
  if (kind != LedCycleKind::WholeRate && bounds.Lower == 0 && bounds.Upper == 0)
    Dialogs().ShowInformation(Q("The rows hold no frame a whole cycle (" + FormatInt(state_.LedCycleFrames) +
                                " frames) from the chosen one: the time correction needs the LED measured over "
                                "more than one cycle."));
  else if (kind == LedCycleKind::Increase && !rising)
    Dialogs().ShowInformation(Q(shown + ") is only used for increase case"));
  else if (kind == LedCycleKind::Decrease && rising)
    Dialogs().ShowInformation(Q(shown + ") is only used for decrease case"));
  if (kind == LedCycleKind::WholeRate) Dialogs().ShowInformation(Q(shown + ") cannot be analyzed"));

  UpDown1->SetRange(bounds.Lower, 0);
  UpDown2->SetRange(0, bounds.Upper);
  for (QWidget* w : {static_cast<QWidget*>(Label11), static_cast<QWidget*>(UpDown1), static_cast<QWidget*>(UpDown2)})
    w->setEnabled(true);
  Button5->setEnabled(false);
}

// ---- step 6: the cycle range ----

void TLEDGraph::ZeroCycleRange() {
  {
    const QSignalBlocker b1(UpDown1), b2(UpDown2);
    UpDown1->SetPosition(0);
    UpDown2->SetPosition(0);
  }
  Edit16->setText("0");
  Edit17->setText("0");
}

void TLEDGraph::UpDown1Click() { ApplyCycleRangeChange(UpDown1, Edit16); }
void TLEDGraph::UpDown2Click() { ApplyCycleRangeChange(UpDown2, Edit17); }

void TLEDGraph::ApplyCycleRangeChange(TUpDown* updown, QLineEdit* edit) {
  const int n = CycleFrames(Rate());
  edit->setText(QString::number(updown->Position()));
  ForgetCycleFit("The cycle range was changed after step 7");
  const int last = std::min(state_.LedDataLineCount, static_cast<int>(samples_.size()) - 1);
  const int pps = PpsRisingLine(samples_, last);
  MarkCycleRange(samples_, last, pps, n, UpDown1->Position(), UpDown2->Position());
  Button5->setEnabled(UpDown1->Position() != 0 || UpDown2->Position() != 0);
  DrawLedGraph();
}

// ---- step 7: the fit ----

void TLEDGraph::Button5Click() {
  if (!state_.PcTimeFitted) {
    Dialogs().ShowWarning(NoFitReason());
    return;
  }
  // The method times the edge of a pulse that lights a dark LED: a chosen
  // line below the background band means the lit level is the background,
  // and the crossing would be the pulse meeting the frame's start.
  const int last = std::min(state_.LedDataLineCount, static_cast<int>(samples_.size()) - 1);
  if (const int pps = PpsRisingLine(samples_, last); pps <= last && samples_[static_cast<size_t>(pps)].PpsRising &&
                                                      samples_[static_cast<size_t>(pps)].Lit &&
                                                      samples_[static_cast<size_t>(pps)].Signal < 0) {
    Dialogs().ShowWarning(
        "The chosen frame is darker than the LED's background: pick a frame the pulse lights. When the LED is "
        "lit in most frames, the background fit follows the lit LED and the time found would be a frame off: the "
        "time correction needs an LED that is dark between its pulses.");
    return;
  }
  Edit17->setText(QString::number(UpDown2->Position()));
  const CycleFitResult r =
      FitLedCycle(Table(), samples_, UpDown1->Position(), UpDown2->Position(), Rate(), state_);
  if (!r.Refused.empty()) {
    Dialogs().ShowWarning(Q(r.Refused));
    return;
  }
  // No figure rather than the last fit's beside this fit's results.
  Edit27->setText(Q(r.Edit27));
  if (r.SlopeFound) {
    Edit19->setText(Q(r.Edit19));
    Edit28->setText(Q(r.Edit28));
    Edit18->setText(Q(r.Edit18));
    Edit21->setText(Q(r.Edit21));
  } else {
    Dialogs().ShowWarning(
        "The LED signal does not change over the chosen cycles: no offset is found, and the times keep the "
        "previous offset (" + Q(FormatFixed(state_.LedTimeOffset, 7, 10)) + " seconds).");
  }
  cycle_fitted_ = true;
  fitted_rate_ = Rate();
  fit_forgotten_.clear();
  SetMemoLines(Memo3, r.Table);
  SetMemoLines(Memo2, r.Table);
  if (host_.CorrectedTimesReady) host_.CorrectedTimesReady();
  DrawLedGraph();
  Button6->setEnabled(true);
  GroupBox5->setEnabled(true);
}

// ---- step 9: apply and the memorised points ----

void TLEDGraph::Button6Click() {
  const std::vector<std::string> points = ListLines(ListBox1);
  if (points.size() > 1)
    for (const std::string& line : FitMemorisedPoints(points, host_.LastFrame(), state_)) AddMemoLine(Memo3, line);
  AddMemoLine(Memo3, "***" + FormatInt(state_.LedDataLineCount));
  AddMemoLine(Memo3, "***" + FormatInt(host_.StartFrame()));
  if (state_.LedFrameTimes.empty()) {
    Dialogs().ShowWarning("No frame time has been computed: run step 1 and step 7 first.");
    return;
  }
  if (points.size() <= 1 && !state_.PcTimeFitted) {
    Dialogs().ShowWarning(NoFitReason());
    return;
  }
  // Times a line through memorised points left (since deleted) are not a cycle fit's.
  if (points.size() <= 1 && (!state_.CorrectedTimesSet || !cycle_fitted_)) {
    Dialogs().ShowWarning(!fit_forgotten_.empty()
                              ? Q(fit_forgotten_ + ": run step 7 again, or memorise two points or more, before "
                                                   "applying.")
                              : QString("No calibration has been made since step 1: run step 7, or memorise two "
                                        "points or more, before applying."));
    return;
  }
  // An apply through two points or more since then wrote over the cycle fit's times.
  if (points.size() <= 1) ApplyLedOffset(Rate(), state_);
  // The frame times cover every frame of the video, so rows measured or
  // removed since step 1 are timed as they stand.
  const LedTable table = CurrentTable();
  if (const LedRowFrames keys = KeyLedRows(table); keys.Rows.empty()) {
    Dialogs().ShowWarning(Q(keys.Problem));
    return;
  }
  const auto lines = ApplyLedTimesToTable(table, host_.LastMeasuredFrame(), state_);
  if (!lines) {
    Dialogs().ShowWarning("No frame has been measured: the results table is left as it is.");
    return;
  }
  ProgressBar1->setRange(0, std::max(table.LastLine, 1));
  host_.ReplaceLines(*lines);
  state_.AppliedFrameTimes = state_.LedFrameTimes;
  ProgressBar1->setValue(ProgressBar1->maximum());
  if (host_.Applied) host_.Applied();
}

void TLEDGraph::Button7Click() {
  if (!state_.PpsPointSet) {
    Dialogs().ShowWarning("No calibration point has been found yet: run step 7 first.");
    return;
  }
  std::vector<std::string> points = ListLines(ListBox1);
  AddMemorisedPoint(points, state_.PpsFrame, state_.PpsEndHour, state_.PpsEndMinute, state_.PpsEndSeconds);
  ShowPoints(points);
}

void TLEDGraph::Button8Click() {
  const int row = ListBox1->currentRow();
  if (row < 0 || row >= ListBox1->count()) return;
  std::vector<std::string> points = ListLines(ListBox1);
  points.erase(points.begin() + row);
  SortAndRenumberPoints(points);
  ShowPoints(points);
}

void TLEDGraph::Button11Click() {
  if (!state_.PcTimeFitted) {
    Dialogs().ShowWarning(NoFitReason());
    return;
  }
  std::vector<std::string> points = ListLines(ListBox1);
  AddPointsWithoutLedCorrection(points, Table(), state_);
  ShowPoints(points);
  Button6->setEnabled(true);
  GroupBox5->setEnabled(true);
}

void TLEDGraph::VideoChanged() {
  // The steps made on the last video are not the new rows': back to step 1.
  ResetSteps();
  ListBox1->clear();
}

void TLEDGraph::Button9Click() {
  const std::vector<std::string>& lines = host_.Lines();
  const size_t i = static_cast<size_t>(HeaderLineCount());
  if (i < lines.size()) AddMemoLine(Memo3, lines[i]);
}

void TLEDGraph::Button10Click() {
  const bool on = host_.SharpCapTimeAvailable && host_.SharpCapTimeAvailable();
  AddMemoLine(Memo3, on ? "SharpCapTimeAvailable=True" : "SharpCapTimeAvailable=False");
}
