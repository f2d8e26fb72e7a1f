#include "chart/ui/TAvgBkg.h"

#include <QCloseEvent>
#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ui/DialogService.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/WindowTeardown.h"
#include "chart/ChartTable.h"
#include "chart/ui/ParentChart.h"

namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text = {}, bool read_only = false) {
  auto* e = Named<QLineEdit>(name, text, parent);
  e->setReadOnly(read_only);
  return e;
}

QSpinBox* MakeUpDown(QWidget* parent, const char* name, int lo, int hi, int value) {
  auto* s = Named<QSpinBox>(name, parent);
  s->setRange(lo, hi);
  s->setValue(value);
  return s;
}

int IntOf(const QLineEdit* e) { return StrToIntOrZero(e->text().toStdString()); }

// The whole number an edit holds; any other text is told and stops the
// command, where taking it as 0 would filter another block or band.
bool ReadIntEdit(const QLineEdit* e, int& out) {
  const std::string text = e->text().toStdString();
  const auto v = ParseInt32(text);
  if (!v) {
    Dialogs().ShowError(QString::fromStdString("'" + text + "' is not a valid integer value"));
    return false;
  }
  out = *v;
  return true;
}

// The edit's text cleaned to a plain number and written back.
void Sanitize(QLineEdit* e) {
  std::string s = e->text().toStdString();
  SanitizeNumericText(s);
  e->setText(QString::fromStdString(s));
}

constexpr int kBlockSizes[6] = {512, 4096, 1024, 8192, 2048, 16384};

}  // namespace

TAvgBkg::TAvgBkg(ChartHost& host, ChartSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), host_(host), session_(session) {
  SetUpToolWindow(this, "AvgBkg", "Noise Reduction for Graph");
  BuildControls();
  FormCreate();
}

TAvgBkg::~TAvgBkg() { DetachControls(this); }

void TAvgBkg::BuildControls() {
  auto* g = new QGridLayout(this);
  GroupBox1 = Named<QGroupBox>("GroupBox1", "Moving Average : Number of frames", this);
  auto* g1 = new QGridLayout(GroupBox1);
  CheckBox1 = Named<QCheckBox>("CheckBox1", "Object1", GroupBox1);
  CheckBox2 = Named<QCheckBox>("CheckBox2", "Object2", GroupBox1);
  CheckBox3 = Named<QCheckBox>("CheckBox3", "Object3", GroupBox1);
  CheckBox1->setChecked(true);
  UpDown1 = MakeUpDown(GroupBox1, "UpDown1", 0, 50, 0);
  UpDown2 = MakeUpDown(GroupBox1, "UpDown2", 0, 50, 0);
  UpDown3 = MakeUpDown(GroupBox1, "UpDown3", 0, 50, 0);
  Edit1 = MakeEdit(GroupBox1, "Edit1", {}, true);
  Edit2 = MakeEdit(GroupBox1, "Edit2", {}, true);
  Edit3 = MakeEdit(GroupBox1, "Edit3", {}, true);
  QCheckBox* boxes[3] = {CheckBox1, CheckBox2, CheckBox3};
  QSpinBox* ups[3] = {UpDown1, UpDown2, UpDown3};
  QLineEdit* widths[3] = {Edit1, Edit2, Edit3};
  for (int i = 0; i < 3; ++i) {
    g1->addWidget(boxes[i], i, 0);
    g1->addWidget(ups[i], i, 1);
    g1->addWidget(widths[i], i, 2);
    connect(ups[i], &QSpinBox::valueChanged, this, [this, i] { UpDownClick(i + 1); });
  }
  g->addWidget(GroupBox1, 0, 0, 1, 2);

  RadioGroup1 = new TRadioGroup("RadioGroup1", "Firtre : Moving Average / FFT /  Wavelet",
                                    {"Measurement Value", "Background only", "Gaussian", "FFT", "Wavelet", ""}, 1,
                                    this);
  RadioGroup1->SetItemIndex(0);
  g->addWidget(RadioGroup1, 1, 0, 1, 2);

  auto* stats = new QGroupBox("Frame for analyzing", this);
  auto* gs = new QGridLayout(stats);
  Edit10 = MakeEdit(stats, "Edit10");
  Edit11 = MakeEdit(stats, "Edit11");
  gs->addWidget(new QLabel("Begin", stats), 0, 0);
  gs->addWidget(Edit10, 0, 1);
  gs->addWidget(new QLabel("End", stats), 0, 2);
  gs->addWidget(Edit11, 0, 3);
  Edit4 = MakeEdit(stats, "Edit4", {}, true);
  Edit5 = MakeEdit(stats, "Edit5", {}, true);
  Edit6 = MakeEdit(stats, "Edit6", {}, true);
  Edit7 = MakeEdit(stats, "Edit7", {}, true);
  Edit8 = MakeEdit(stats, "Edit8", {}, true);
  Edit9 = MakeEdit(stats, "Edit9", {}, true);
  QLineEdit* means[3] = {Edit4, Edit5, Edit6};
  QLineEdit* sds[3] = {Edit7, Edit8, Edit9};
  for (int i = 0; i < 3; ++i) {
    gs->addWidget(means[i], 1 + i, 1);
    gs->addWidget(sds[i], 1 + i, 3);
  }
  Edit25 = MakeEdit(stats, "Edit25", {}, true);
  Edit26 = MakeEdit(stats, "Edit26", {}, true);
  Edit27 = MakeEdit(stats, "Edit27", {}, true);
  gs->addWidget(Edit25, 4, 1);
  gs->addWidget(Edit26, 4, 2);
  gs->addWidget(Edit27, 4, 3);
  g->addWidget(stats, 2, 0, 1, 2);

  GroupBox4 = Named<QGroupBox>("GroupBox4", "Low-Pass Firtre using FFT", this);
  auto* g4 = new QGridLayout(GroupBox4);
  Edit12 = MakeEdit(GroupBox4, "Edit12", "0");
  Edit15 = MakeEdit(this, "Edit15", "100");
  Edit16 = MakeEdit(this, "Edit16", {}, true);
  g4->addWidget(new QLabel("Processed from", GroupBox4), 0, 0);
  g4->addWidget(Edit12, 0, 1);
  g4->addWidget(new QLabel("Frame", GroupBox4), 0, 2);
  RadioGroup2 = new TRadioGroup("RadioGroup2", "Separation", {"512", "4096", "1024", "8192", "2048", "16384"}, 3,
                                    GroupBox4);
  RadioGroup2->SetItemIndex(2);
  g4->addWidget(RadioGroup2, 1, 0, 1, 3);
  // The cut-off stays usable in wavelet mode, when the FFT group is disabled.
  auto* cutoff = new QHBoxLayout;
  cutoff->addWidget(new QLabel("Pass the signal lower than", this));
  cutoff->addWidget(Edit15);
  cutoff->addWidget(Edit16);
  cutoff->addWidget(new QLabel("Hz", this));
  auto* fft_column = new QVBoxLayout;
  fft_column->addWidget(GroupBox4);
  fft_column->addLayout(cutoff);
  g->addLayout(fft_column, 3, 0);

  GroupBox7 = Named<QGroupBox>("GroupBox7", "Wavelet", this);
  auto* g7 = new QGridLayout(GroupBox7);
  Edit21 = MakeEdit(GroupBox7, "Edit21", "0");
  Edit22 = MakeEdit(GroupBox7, "Edit22", "100");
  Edit24 = MakeEdit(GroupBox7, "Edit24", {}, true);
  UpDown4 = MakeUpDown(GroupBox7, "UpDown4", 0, 200, 70);
  Edit23 = MakeEdit(GroupBox7, "Edit23", "0.70", true);
  g7->addWidget(new QLabel("Standard Deviation from", GroupBox7), 0, 0);
  g7->addWidget(Edit21, 0, 1);
  g7->addWidget(new QLabel("to", GroupBox7), 0, 2);
  g7->addWidget(Edit22, 0, 3);
  g7->addWidget(new QLabel("frame", GroupBox7), 0, 4);
  g7->addWidget(Edit24, 1, 1);
  g7->addWidget(UpDown4, 1, 2);
  g7->addWidget(Edit23, 1, 3);
  g->addWidget(GroupBox7, 3, 1);

  ProgressBar1 = Named<QProgressBar>("ProgressBar1", this);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  g->addWidget(ProgressBar1, 4, 0, 1, 2);
  Button1 = Named<QPushButton>("Button1", "Apply", this);
  Button3 = Named<QPushButton>("Button3", "Reset", this);
  Button2 = Named<QPushButton>("Button2", "Close", this);
  auto* row = new QHBoxLayout;
  row->addWidget(Button1);
  row->addWidget(Button3);
  row->addWidget(Button2);
  g->addLayout(row, 5, 0, 1, 2);

  // "Testing Tool" and "Spot erasing" lie under the statistics group.
  auto* testing = new QGroupBox("Testing Tool", this);
  auto* gt = new QGridLayout(testing);
  CheckBox4 = Named<QCheckBox>("CheckBox4", "Band Pass Check", testing);
  Edit13 = MakeEdit(testing, "Edit13", "0");
  Edit14 = MakeEdit(testing, "Edit14", "850");
  RadioButton1 = Named<QRadioButton>("RadioButton1", "inside", testing);
  RadioButton1->setChecked(true);
  RadioButton2 = Named<QRadioButton>("RadioButton2", "outside", testing);
  gt->addWidget(CheckBox4, 0, 0);
  gt->addWidget(Edit13, 0, 1);
  gt->addWidget(Edit14, 0, 2);
  gt->addWidget(RadioButton1, 1, 0);
  gt->addWidget(RadioButton2, 1, 1);
  CheckBox5 = Named<QCheckBox>("CheckBox5", "Processing", testing);
  Edit17 = MakeEdit(testing, "Edit17", "0");
  Edit19 = MakeEdit(testing, "Edit19", "0");
  gt->addWidget(CheckBox5, 2, 0);
  gt->addWidget(Edit17, 2, 1);
  gt->addWidget(Edit19, 2, 2);
  g->addWidget(testing, 6, 0, 1, 2);
  testing->hide();

  connect(Button1, &QPushButton::clicked, this, &TAvgBkg::Button1Click);
  connect(Button3, &QPushButton::clicked, this, &TAvgBkg::Button3Click);
  connect(Button2, &QPushButton::clicked, this, [this] {
    session_.AvgBkgShown = 0;
    close();
  });
  OnRadioGroupClick(RadioGroup1, this, &TAvgBkg::RadioGroup1Click);
  OnRadioGroupClick(RadioGroup2, this, &TAvgBkg::RadioGroup2Click);
  connect(UpDown4, &QSpinBox::valueChanged, this,
          [this](int v) { Edit23->setText(QString::fromStdString(FormatFixed(v / 100.0L, 2, 3))); });
  connect(Edit10, &QLineEdit::editingFinished, this, &TAvgBkg::ApplyBeginFrame);
  connect(Edit11, &QLineEdit::editingFinished, this, &TAvgBkg::Edit11Exit);
  connect(Edit12, &QLineEdit::returnPressed, this, [this] { Sanitize(Edit12); });
  connect(Edit15, &QLineEdit::returnPressed, this, [this] {
    Sanitize(Edit15);
    if (ParseDoubleOr(Edit15->text().toStdString(), 0) >= session_.FftLength) Edit15->setText("100");
    FrequencyCalc();
  });
  connect(Edit15, &QLineEdit::editingFinished, this, &TAvgBkg::FrequencyCalc);
  for (QLineEdit* e : {Edit17, Edit19}) connect(e, &QLineEdit::editingFinished, this, [e] { Sanitize(e); });
  for (QLineEdit* e : {Edit21, Edit22}) connect(e, &QLineEdit::returnPressed, this, [e] { Sanitize(e); });
}

int TAvgBkg::LastRecordIndex() const { return LastRecordIndexOf(host_.Table().Lines()); }

void TAvgBkg::FormCreate() {
  session_.AvgBkgShown = 1;
  ResetFftLength();
  RadioGroup1Click(0);
  for (QLineEdit* e : {Edit1, Edit2, Edit3}) e->setText("1");
  FrequencyCalc();
  EnableObjectControls();
  first_frame_no_ = FirstFrameNoOf(host_.Table().Lines());
  begin_frame_ = first_frame_no_;
  end_frame_ = LastFrameNoOf(host_.Table().Lines());
  Edit10->setText(QString::number(begin_frame_));
  Edit11->setText(QString::number(end_frame_));
  ShowStatistics(begin_frame_, end_frame_);
}

void TAvgBkg::ShowStatistics(int b, int e) {
  // Frames are counted as the table holds them: a loaded table of field
  // records need not match the 'Field Measure' box of the moment.
  const std::vector<std::string>& lines = host_.Table().Lines();
  const bool field_records = DetectFieldMode(lines, HeaderLineCountOf(lines)) != 0;
  const ObjectStatistics st =
      AvgBkgStatistics(lines, host_.CsvVersion(), host_.ObjectCount(), b, e, field_records);
  Edit25->setText(QString::number(st.RecordFrom));
  Edit26->setText(QString::number(st.RecordTo));
  QLineEdit* means[3] = {Edit4, Edit5, Edit6};
  QLineEdit* sds[3] = {Edit7, Edit8, Edit9};
  for (int k = 0; k < 3; ++k) {
    means[k]->setText(QString::fromStdString(st.Mean[static_cast<size_t>(k)]));
    sds[k]->setText(QString::fromStdString(st.Sd[static_cast<size_t>(k)]));
  }
  if (!st.Error.empty()) Dialogs().ShowError(QString::fromStdString(st.Error));
}

void TAvgBkg::FrequencyCalc() {
  const long double c = ParseDoubleOr(Edit15->text().toStdString(), 0);
  const std::vector<std::string>& lines = host_.Table().Lines();
  const long double f = BinFrequency(c, RecordsPerSecond(lines, host_.TimingFrameRate()), session_.FftLength, false);
  Edit16->setText(QString::fromStdString(FormatFixed(f, 1, 8)));
}

void TAvgBkg::UpDownClick(int k) {
  QSpinBox* ups[3] = {UpDown1, UpDown2, UpDown3};
  QLineEdit* widths[3] = {Edit1, Edit2, Edit3};
  QCheckBox* boxes[3] = {CheckBox1, CheckBox2, CheckBox3};
  widths[k - 1]->setText(QString::number(2 * ups[k - 1]->value() + 1));
  widths[k - 1]->setStyleSheet("color: blue");
  boxes[k - 1]->setStyleSheet("background-color: #87CEEB");
}

void TAvgBkg::RadioGroup1Click(int mode) {
  if (mode == 5) return;
  const bool average = mode <= 2;
  for (QWidget* w : std::initializer_list<QWidget*>{GroupBox1, UpDown1, UpDown2, UpDown3, CheckBox1, CheckBox2,
                                                    CheckBox3, Edit1, Edit2, Edit3})
    w->setEnabled(average);
  if (average) EnableObjectControls();
  GroupBox4->setEnabled(mode == 3);
  RadioGroup2->setEnabled(mode == 3);
  Edit15->setEnabled(mode == 3 || mode == 4);
  Edit16->setEnabled(mode == 3 || mode == 4);
  GroupBox7->setEnabled(mode == 4);
  for (QLineEdit* e : {Edit21, Edit22, Edit23, Edit24}) e->setEnabled(mode == 4);
  if (mode == 4) {
    ResetFftLength();
    // The block-size group changed: its frequency read-out follows, as a click on it would.
    FrequencyCalc();
  }
}

// Each object's controls only for objects the table has.
void TAvgBkg::EnableObjectControls() {
  const int objects = host_.ObjectCount();
  for (QWidget* w : std::initializer_list<QWidget*>{CheckBox2, Edit2, UpDown2}) w->setEnabled(objects >= 2);
  for (QWidget* w : std::initializer_list<QWidget*>{CheckBox3, Edit3, UpDown3}) w->setEnabled(objects >= 3);
}

// The Fourier block back at 1024 points, shown without running its handler.
void TAvgBkg::ResetFftLength() {
  {
    const QSignalBlocker b(RadioGroup2);
    RadioGroup2->SetItemIndex(2);
  }
  session_.FftLength = 1024;
}

void TAvgBkg::RadioGroup2Click(int item) {
  if (item < 0 || item > 5) return;
  session_.FftLength = kBlockSizes[item];
  FrequencyCalc();
}

void TAvgBkg::ApplyBeginFrame() {
  first_frame_no_ = FirstFrameNoOf(host_.Table().Lines());
  const int b = IntOf(Edit10), e = IntOf(Edit11);
  if (b >= first_frame_no_ && e >= b) begin_frame_ = b;
  Edit10->setText(QString::number(begin_frame_));
  ShowStatistics(begin_frame_, end_frame_);
}

void TAvgBkg::Edit11Exit() {
  const auto v = ParseInt32(Edit11->text().toStdString());
  const int e = v ? *v : end_frame_;
  if (e >= begin_frame_ && e <= LastFrameNoOf(host_.Table().Lines())) end_frame_ = e;
  Edit11->setText(QString::number(end_frame_));
  ShowStatistics(begin_frame_, end_frame_);
}

void TAvgBkg::FinishPass() {
  first_frame_no_ = FirstFrameNoOf(host_.Table().Lines());
  int b = IntOf(Edit10), e = IntOf(Edit11);
  b = std::max(b, first_frame_no_);
  e = std::min(e, LastFrameNoOf(host_.Table().Lines()));
  Edit27->setText(QString::number(b));
  ShowStatistics(b, e);
  ClearObjectHighlights();
  RedrawParentChart(this, session_);
}

void TAvgBkg::Button1Click() {
  NoiseReductionParams p;
  p.CsvVersion = host_.CsvVersion();
  p.ObjectCount = host_.ObjectCount();
  p.Mode = static_cast<NoiseFilterMode>(std::max(RadioGroup1->ItemIndex(), 0));
  p.Objects = {CheckBox1->isChecked(), CheckBox2->isChecked(), CheckBox3->isChecked()};
  p.HalfWidth = {UpDown1->value(), UpDown2->value(), UpDown3->value()};
  p.BlockStart = IntOf(Edit12);
  p.FftLength = session_.FftLength;
  p.CutoffBin = IntOf(Edit15);
  p.BandPassCheck = CheckBox4->isChecked();
  p.BandFrom = IntOf(Edit13);
  p.BandTo = IntOf(Edit14);
  p.EraseInside = RadioButton1->isChecked();
  p.SpotErasing = CheckBox5->isChecked();
  p.SpotFrom = IntOf(Edit17);
  p.SpotTo = IntOf(Edit19);
  p.NoiseFrom = IntOf(Edit21);
  p.NoiseTo = IntOf(Edit22);
  p.ThresholdPercent = UpDown4->value();
  if (LastRecordIndexOf(host_.Table().Lines()) < 0) return;
  // The transforms read their edits as whole numbers.
  const bool fft = p.Mode == NoiseFilterMode::Fft, wavelet = p.Mode == NoiseFilterMode::Wavelet;
  if ((fft || wavelet) && (p.Objects[0] || p.Objects[1] || p.Objects[2])) {
    if (!ReadIntEdit(Edit12, p.BlockStart)) return;
    if (fft && p.BandPassCheck && !(ReadIntEdit(Edit13, p.BandFrom) && ReadIntEdit(Edit14, p.BandTo))) return;
    if (fft && !p.BandPassCheck && !ReadIntEdit(Edit15, p.CutoffBin)) return;
    // Below 0 the low-pass band would wrap round and keep only the highest bins.
    if (fft && !p.BandPassCheck && p.CutoffBin < 0) {
      Dialogs().ShowError(QString::fromStdString("The cut-off '" + Edit15->text().toStdString() +
                                                 "' is below 0: enter 0 or more."));
      return;
    }
    if (fft && p.SpotErasing && !(ReadIntEdit(Edit17, p.SpotFrom) && ReadIntEdit(Edit19, p.SpotTo))) return;
    if (wavelet && !(ReadIntEdit(Edit21, p.NoiseFrom) && ReadIntEdit(Edit22, p.NoiseTo))) return;
  }
  const NoiseReductionResult r = ApplyNoiseReduction(host_.Table().Lines(), p);
  if (!r.Error.empty()) {
    Dialogs().ShowError(QString::fromStdString(r.Error));
    return;
  }
  if (!r.Changed) return;
  if (r.BlockStart != p.BlockStart) Edit12->setText(QString::number(r.BlockStart));
  if (p.SpotErasing) {
    Edit17->setText(QString::number(r.SpotFrom));
    Edit19->setText(QString::number(r.SpotTo));
  }
  if (r.NoiseSd) Edit24->setText(QString::fromStdString(FormatFixed(*r.NoiseSd, 1, 5)));
  Edit25->setText(QString::number(LastRecordIndex()));
  host_.Table().ReplaceLines(r.Lines);
  FinishPass();
}

void TAvgBkg::Button3Click() {
  RadioGroup1->SetItemIndex(0);
  for (QSpinBox* u : {UpDown1, UpDown2, UpDown3}) {
    const QSignalBlocker b(u);
    u->setValue(0);
  }
  for (QLineEdit* e : {Edit1, Edit2, Edit3}) e->setText("1");
  const std::vector<std::string>& lines = host_.Table().Lines();
  if (static_cast<int>(lines.size()) < HeaderLineCountOf(lines)) return;
  const NoiseReductionResult r = ResetNoiseReduction(lines, host_.CsvVersion(), host_.ObjectCount());
  if (!r.Error.empty()) {
    Dialogs().ShowError(QString::fromStdString(r.Error));
    return;
  }
  if (r.Changed) host_.Table().ReplaceLines(r.Lines);
  first_frame_no_ = FirstFrameNoOf(host_.Table().Lines());
  begin_frame_ = std::clamp(IntOf(Edit10), first_frame_no_, LastFrameNoOf(host_.Table().Lines()));
  end_frame_ = IntOf(Edit11);
  ShowStatistics(begin_frame_, end_frame_);
  ClearObjectHighlights();
  RedrawParentChart(this, session_);
}

// The objects' width edits and boxes lose the colour that marked them as changed.
void TAvgBkg::ClearObjectHighlights() {
  QLineEdit* widths[3] = {Edit1, Edit2, Edit3};
  QCheckBox* boxes[3] = {CheckBox1, CheckBox2, CheckBox3};
  for (int k = 0; k < std::min(host_.ObjectCount(), 3); ++k) {
    widths[k]->setStyleSheet({});
    boxes[k]->setStyleSheet({});
  }
}

void TAvgBkg::closeEvent(QCloseEvent* e) {
  session_.AvgBkgShown = 0;
  session_.AvgBkgWindowOpen = 0;
  e->accept();
}
