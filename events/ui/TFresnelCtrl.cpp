// TFresnelCtrl: building the panel, its start values and its handlers.
#include "events/ui/TFresnelCtrl.h"

#include "events/ui/TLunarVelocityCalculator.h"
#include "events/ui/TMagnitudeCalculator.h"
#include "events/ui/TSpectrumGraph.h"
#include "events/ui/DiffractionFitJob.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/HandlerTable.h"
#include "base/ui/StdText.h"
#include "base/ui/WindowTeardown.h"
#include "chart/ui/Tchart1.h"
#include "events/ChartEventState.h"
#include "events/SpectralModel.h"

namespace {

constexpr long double kPi = 3.14159265358979324L;

// Kelvin of the spectral types O0..M9 and "--".
constexpr int kTypeTemperatures[71] = {
    52000, 50900, 49700, 48300, 46750, 45000, 43000, 40500, 37500, 33900, 29000, 22800, 18500, 16000, 14200,
    12800, 11900, 11100, 10500, 10000, 9600,  9230,  8910,  8630,  8380,  8140,  7930,  7730,  7550,  7370,
    7200,  7030,  6880,  6740,  6600,  6480,  6370,  6260,  6170,  6080,  6000,  5930,  5860,  5790,  5720,
    5660,  5590,  5520,  5450,  5380,  5300,  5210,  5120,  5010,  4890,  4760,  4600,  4450,  4280,  4090,
    3900,  3700,  3520,  3330,  3170,  3000,  2860,  2720,  2600,  2500,  2400};
constexpr const char* kTypeLetters = "OBAFGKM";
// At B-V -0.85 and below the temperature 9000 / (B-V + 0.85) is not positive:
// such values are refused like any out of range.
constexpr double kBluestColourIndex = -0.85;

int SpectralTypeItem(const std::string& two) {
  const char* at = two.size() == 2 ? std::strchr(kTypeLetters, two[0]) : nullptr;
  if (!at || two[0] == 0 || !std::isdigit(static_cast<unsigned char>(two[1]))) return 3 * 10 + 5;
  return static_cast<int>(at - kTypeLetters) * 10 + (two[1] - '0');
}

// The lunar prediction's two-character type, its subclass moved onto the
// panel's coarser steps; "F5" when there is no such type.
std::string LunarSpectralModelType(const std::string& text) {
  if (text.size() != 2) return "F5";
  std::string t = text;
  switch (t[1]) {
    case '1': t[1] = '0'; break;
    case '3': t[1] = '2'; break;
    case '4':
    case '6': t[1] = '5'; break;
    case '7': t[1] = '8'; break;
    default: break;
  }
  return t;
}

// The item of a predicted spectral text ("K2III", "G"): its letter's place
// times 10 plus its digit; no digit gives "G0". -1 without such a letter.
int PredictedTypeItem(const std::string& text) {
  if (text.empty() || text[0] == 0) return -1;
  const char* at = std::strchr(kTypeLetters, text[0]);
  if (!at) return -1;
  if (text.size() < 2 || !std::isdigit(static_cast<unsigned char>(text[1]))) return 40;
  return static_cast<int>(at - kTypeLetters) * 10 + (text[1] - '0');
}

std::string SensorOfCamera(const std::string& camera) {
  if (camera == "WAT-100N") return "ICX428ALL";
  if (camera == "WAT-120N") return "ICX429ALL";
  if (camera == "WAT-910HX") return "ICX828AL";
  return "IMX290";
}
std::string Fixed(long double v, int decimals) { return FormatFixed(v, decimals, 15); }

template <class W>
W* Named(W* w, const char* name, QWidget* parent, int x, int y, int width, int height) {
  w->setObjectName(name);
  w->setParent(parent);
  w->setGeometry(x, y, width, height);
  return w;
}

QLineEdit* MakeEdit(QWidget* p, const char* name, int x, int y, int w, bool read_only = false) {
  auto* e = Named(new QLineEdit, name, p, x, y, w, 21);
  e->setReadOnly(read_only);
  return e;
}

QSpinBox* MakeUpDown(QWidget* p, const char* name, int lo, int hi, int pos, int x, int y) {
  auto* s = new TUpDown(name, QString(), lo, hi, pos, p);
  s->setGeometry(x, y, 52, 21);
  return s;
}

QCheckBox* MakeCheck(QWidget* p, const char* name, const QString& caption, int x, int y, int w) {
  return Named(new QCheckBox(caption), name, p, x, y, w, 20);
}

void Label(QWidget* p, const QString& text, int x, int y) {
  auto* l = new QLabel(text, p);
  l->move(x, y);
}

// Blue while typing; the value is taken over on Enter, on leaving, or when
// code sets the text while the guard is up.
void NumericEdit(QLineEdit* e, TFresnelCtrl* w, uint8_t& guard, std::function<void()> commit) {
  QObject::connect(e, &QLineEdit::textEdited, w, [e] { PaintText(e, QColor(0, 0, 255)); });
  QObject::connect(e, &QLineEdit::editingFinished, w, [commit] { commit(); });
  QObject::connect(e, &QLineEdit::textChanged, w, [&guard, commit] {
    if (!guard) return;
    guard = 0;
    commit();
  });
}

// Whether a number's text is plain digits: one in exponent form ("1E15")
// would be cleaned to other digits ("115") when the edit is read again.
bool ShowsInFull(const std::string& text) { return text.find('E') == std::string::npos; }

// The cleaned text of a numeric edit and its value.
long double TakeNumber(QLineEdit* e) {
  std::string t = e->text().toStdString();
  SanitizeNumericText(t);
  PaintText(e, Qt::black);
  return ParseLongDouble(t).value_or(0);
}

}  // namespace

TFresnelCtrl::TFresnelCtrl(Tchart1& chart, ChartEventState& events)
    : QWidget(&chart, Qt::Window | Qt::WindowStaysOnTopHint),
      chart_(chart),
      host_(chart.Host()),
      session_(chart.Session()),
      events_(events) {
  SetUpToolWindow(this, "FresnelCtrl", "Fresnel Diffraction");
  BuildControls();
  FormCreate();
  ConnectHandlers();
}

// The job's destructor cancels a running fit and joins its threads.
TFresnelCtrl::~TFresnelCtrl() { DetachControls(this); }

void TFresnelCtrl::BuildControls() {
  setFixedSize(300, 760);
  auto* g1 = Named(new QGroupBox("Spectral Effect"), "GroupBox1", this, 4, 4, 292, 70);
  ComboBox2 = Named(new QComboBox, "ComboBox2", g1, 6, 18, 140, 22);
  ComboBox1 = Named(new QComboBox, "ComboBox1", g1, 150, 18, 60, 22);
  for (int i = 0; i < 70; ++i) ComboBox1->addItem(QString(QChar(kTypeLetters[i / 10])) + QString::number(i % 10));
  ComboBox1->addItem("--");
  Button1 = Named(new QPushButton("Graph"), "Button1", g1, 216, 18, 70, 22);
  Label(g1, "or  B-V", 150, 46);
  Edit28 = MakeEdit(g1, "Edit28", 200, 44, 60);
  Edit28->setValidator(new QRegularExpressionValidator(QRegularExpression("[-0-9.%']*"), Edit28));

  auto* g2 = Named(new QGroupBox("Object's Movement"), "GroupBox2", this, 4, 76, 292, 46);
  Edit1 = MakeEdit(g2, "Edit1", 6, 18, 90);
  Label(g2, "km", 100, 21);
  Edit2 = MakeEdit(g2, "Edit2", 150, 18, 70);
  Label(g2, "m/sec", 224, 21);

  auto* g3 = Named(new QGroupBox("Frame range of Star && BKG"), "GroupBox3", this, 4, 124, 292, 150);
  Label(g3, "Pre", 6, 20);
  UpDown3 = MakeUpDown(g3, "UpDown3", -30, -1, -1, 40, 18);
  Edit14 = MakeEdit(g3, "Edit14", 94, 18, 40, true);
  UpDown4 = MakeUpDown(g3, "UpDown4", -60, -1, -1, 140, 18);
  Edit15 = MakeEdit(g3, "Edit15", 194, 18, 40, true);
  Label(g3, "Intermidiate", 6, 46);
  UpDown13 = MakeUpDown(g3, "UpDown13", -10, 0, 0, 40, 62);
  Edit27 = MakeEdit(g3, "Edit27", 94, 62, 40, true);
  UpDown12 = MakeUpDown(g3, "UpDown12", 0, 10, 0, 140, 62);
  Edit26 = MakeEdit(g3, "Edit26", 194, 62, 40, true);
  Edit25 = MakeEdit(g3, "Edit25", 238, 62, 50, true);
  Label(g3, "Post", 6, 90);
  UpDown5 = MakeUpDown(g3, "UpDown5", 1, 60, 1, 40, 88);
  Edit16 = MakeEdit(g3, "Edit16", 94, 88, 40, true);
  UpDown6 = MakeUpDown(g3, "UpDown6", 1, 60, 1, 140, 88);
  Edit17 = MakeEdit(g3, "Edit17", 194, 88, 40, true);
  CheckBox1 = MakeCheck(g3, "CheckBox1", "Fix", 6, 120, 45);
  Edit3 = MakeEdit(g3, "Edit3", 50, 120, 70);
  CheckBox2 = MakeCheck(g3, "CheckBox2", "Fix", 126, 120, 45);
  Edit4 = MakeEdit(g3, "Edit4", 170, 120, 70);
  CheckBox6 = MakeCheck(g3, "CheckBox6", "D", 246, 120, 40);

  auto* g4 = Named(new QGroupBox("Frame Range for Processing"), "GroupBox4", this, 4, 276, 292, 46);
  UpDown1 = MakeUpDown(g4, "UpDown1", -60, 0, -30, 6, 18);
  Edit5 = MakeEdit(g4, "Edit5", 60, 18, 36, true);
  UpDown2 = MakeUpDown(g4, "UpDown2", 0, 60, 0, 100, 18);
  Edit6 = MakeEdit(g4, "Edit6", 154, 18, 36, true);
  CheckBox3 = MakeCheck(g4, "CheckBox3", "SelectArea", 194, 4, 92);
  Label(g4, "DataNum", 194, 24);
  Edit13 = MakeEdit(g4, "Edit13", 250, 18, 36, true);

  auto* g5 = Named(new QGroupBox("Central Time of  Event"), "GroupBox5", this, 4, 324, 292, 46);
  Edit9 = MakeEdit(g5, "Edit9", 6, 18, 66, true);
  Edit10 = MakeEdit(g5, "Edit10", 76, 18, 66, true);
  Edit12 = MakeEdit(g5, "Edit12", 146, 18, 66, true);
  Edit12->setToolTip("Error(1 sigma)");
  Edit18 = MakeEdit(g5, "Edit18", 216, 18, 70, true);

  auto* g6 = Named(new QGroupBox("Speed of Fresnel Pattern"), "GroupBox6", this, 4, 372, 292, 46);
  Label(g6, "Rate", 6, 21);
  Edit7 = MakeEdit(g6, "Edit7", 40, 18, 70, true);
  Label(g6, "Contact Angle", 116, 21);
  Edit8 = MakeEdit(g6, "Edit8", 210, 18, 70);

  auto* g7 = Named(new QGroupBox(" Double Star Analyzing"), "GroupBox7", this, 4, 420, 292, 46);
  CheckBox4 = MakeCheck(g7, "CheckBox4", "", 6, 18, 20);
  UpDown7 = MakeUpDown(g7, "UpDown7", 0, 100, 100, 28, 18);
  UpDown9 = MakeUpDown(g7, "UpDown9", 0, 9, 0, 82, 18);
  UpDown9->setWrapping(true);
  Edit20 = MakeEdit(g7, "Edit20", 136, 18, 44);
  UpDown8 = MakeUpDown(g7, "UpDown8", 0, 3000, 100, 184, 18);
  Edit21 = MakeEdit(g7, "Edit21", 238, 18, 48);

  auto* g8 = Named(new QGroupBox, "GroupBox8", this, 4, 468, 292, 70);
  CheckBox5 = MakeCheck(g8, "CheckBox5", "Star's Angular Diameter", 6, 4, 200);
  UpDown10 = MakeUpDown(g8, "UpDown10", 0, 5000, 0, 6, 26);
  UpDown10->setSingleStep(10);
  Edit19 = MakeEdit(g8, "Edit19", 60, 26, 50);
  Label(g8, "milli arc second", 114, 29);
  Label(g8, "Intensity at event centre:", 6, 50);
  Edit22 = MakeEdit(g8, "Edit22", 170, 48, 60, true);
  Edit24 = MakeEdit(g8, "Edit24", 234, 48, 52, true);

  auto* g9 = Named(new QGroupBox("Processing"), "GroupBox9", this, 4, 540, 292, 216);
  RadioButton1 = Named(new QRadioButton("for Occultation"), "RadioButton1", g9, 6, 18, 130, 20);
  RadioButton2 = Named(new QRadioButton("for Grazing"), "RadioButton2", g9, 140, 18, 110, 20);
  RadioButton1->setChecked(true);
  CheckBox7 = MakeCheck(g9, "CheckBox7", "New fitting algorithm for Grazing", 6, 38, 260);
  CheckBox7->setChecked(true);
  Label(g9, "Sum-Squared Error", 6, 62);
  Edit11 = MakeEdit(g9, "Edit11", 130, 60, 156, true);
  CheckBox8 = MakeCheck(g9, "CheckBox8", "Mag drop                 considered", 6, 84, 220);
  Edit37 = MakeEdit(g9, "Edit37", 230, 84, 56);
  Button3 = Named(new QPushButton("Fit to Diffraction Curve"), "Button3", g9, 6, 108, 150, 26);
  CancelButton = Named(new QPushButton("Cancel"), "CancelButton", g9, 160, 108, 60, 26);
  CancelButton->setEnabled(false);
  ProgressBar1 = Named(new QProgressBar, "ProgressBar1", g9, 224, 112, 62, 18);
  ProgressBar1->setRange(0, 93);
  ProgressBar1->setValue(0);
  Button2 = Named(new QPushButton("Magnitude Calc"), "Button2", g9, 6, 138, 120, 24);
  CheckBox9 = MakeCheck(g9, "CheckBox9", "Pop up", 132, 140, 80);
  Edit30 = MakeEdit(g9, "Edit30", 216, 140, 30, true);
  Edit33 = MakeEdit(g9, "Edit33", 250, 140, 36, true);
  Edit34 = MakeEdit(g9, "Edit34", 6, 166, 120, true);
  Memo1 = Named(new QPlainTextEdit, "Memo1", g9, 130, 166, 156, 44);
  Memo1->setReadOnly(true);

  // The spectrum graph is not part of this program yet.
  Button2->setEnabled(host_.ToolAvailable(ChartTool::MagnitudeCalculator));
  for (QSpinBox* u : {UpDown3, UpDown4, UpDown13, UpDown12, UpDown5, UpDown6})
    static_cast<TUpDown*>(u)->SetAccelerated(true);
}

void TFresnelCtrl::SetPosition(QSpinBox* u, int position) {
  const QSignalBlocker block(u);
  u->setValue(position);
}

void TFresnelCtrl::FormCreate() {
  DiffractionState& d = events_.Diffraction;
  const TChartState& st = session_.ChartState;
  const int sel = std::max(0, st.SelectedFrame);
  const int after = std::max(0, st.TotalFrameCount - 1 - sel);

  const Occelmnt_Format& el = events_.Identification.OccultationElements;
  SetComboIndex(ComboBox1, SpectralTypeItem(LunarSpectralModelType(events_.Identification.SpectralTypeText)));
  events_.Flags.MagnitudeWindowShown = 0;
  session_.DiffractionMode = 1;
  d.StarDiameterOn = 0;
  d.DiffractionFitted = 0;

  // The prediction's distance and velocity; the Moon's only when there is none.
  d.ObjectDistance = el.Distance != 0 ? RoundHalfEven(static_cast<long double>(el.Distance) * 1000) : 384000000;
  const long double velocity = el.Velocity != 0 ? static_cast<long double>(el.Velocity) : 750.0L;
  d.ObjectVelocity = velocity * RecordVelocityFactor(host_.FrameStep(), events_.Flags.IntegrationCount);
  const std::string km = Fixed(d.ObjectDistance / 1000.0L, 0);
  Edit1->setText(Q(km));
  Edit2->setText(Q(Fixed(velocity, 1)));
  events_.Texts.DistanceText = km + "km";
  events_.Texts.VelocityText = Fixed(velocity, 0) + "m/sec";
  ShowLevels();

  ShowFitRange();
  if (!(std::abs(d.FitRangeFrom) == 30 && std::abs(d.FitRangeTo) == 30)) d.CustomFitRange = 1;

  // The standard windows only where at least two of their records exist: the
  // windows of an earlier opening nearer an end of the table must not bring
  // them back wholly outside it.
  constexpr int kStandardWindowReach = 12;
  if (sel >= -d.PreEventWindowFrom && sel >= kStandardWindowReach) {
    d.PreEventWindowFrom = -30, d.PreEventWindowTo = -11;
  } else {
    d.PreEventWindowFrom = -sel;
    d.PreEventWindowTo = std::min(-1, -sel / 2);
  }
  if (after < d.PostEventWindowTo || after < kStandardWindowReach) {
    // Like the pre-event window, it never takes in the selected record.
    d.PostEventWindowTo = after;
    d.PostEventWindowFrom = std::max(1, after / 2);
  } else {
    d.PostEventWindowFrom = 11, d.PostEventWindowTo = 30;
  }

  d.FresnelEditGuard = 1;
  Edit8->setText(Q(Fixed(d.MeasuredContactAngle, 1)));  // takes the angle over: RateFactor
  d.FresnelEditGuard = 0;
  SetWindowControls();
  {
    const QSignalBlocker b1(CheckBox1), b2(CheckBox2), b3(CheckBox3);
    CheckBox1->setChecked(d.UpperLevelFixed);
    CheckBox2->setChecked(d.LowerLevelFixed);
    CheckBox3->setChecked(d.CustomFitRange);
  }

  // The box starts unticked: the model must not stay a double star unseen.
  d.DoubleStarFit = 0;
  d.ComponentWeight = 500;
  d.ComponentSeparation = 0;
  d.StepHeightPercent = 50;
  SetPosition(UpDown7, 50);
  SetPosition(UpDown9, 0);
  Edit20->setText("50.0");
  Edit21->setText("0");
  SetPosition(UpDown8, 0);

  for (QWidget* w : std::initializer_list<QWidget*>{UpDown7, UpDown8, UpDown9, Edit20, Edit21}) w->setEnabled(false);
  // The predicted star diameter switches the disk model on.
  const bool disk = el.StarDiameter > 0.05;
  if (!disk) events_.Identification.OccultationElements.StarDiameter = 0;
  {
    const QSignalBlocker b(CheckBox5);
    CheckBox5->setChecked(disk);
  }
  d.StarDiameterOn = disk;
  d.StarAngularDiameter = disk ? el.StarDiameter : 0;
  Edit19->setText(disk ? Q(Fixed(el.StarDiameter, 1)) : QString("0"));
  SetPosition(UpDown10, disk ? static_cast<int>(RoundHalfEven(static_cast<long double>(el.StarDiameter) * 100)) : 0);
  for (QWidget* w : std::initializer_list<QWidget*>{UpDown10, Edit19, Edit22}) w->setEnabled(disk);

  // The colour: the predicted B-V, else the predicted spectral type, else 0.650.
  if (el.BminusV > kBluestColourIndex && el.BminusV < 3.2) {
    d.BminusV = el.BminusV;
    Edit28->setText(Q(Fixed(el.BminusV, 3)));
    SpectrumTypeCalc();
  } else if (const int item = PredictedTypeItem(el.SpectralType); item >= 0) {
    SetComboIndex(ComboBox1, item);
    ComboBox1Change();
  } else {
    Edit28->setText("0.650");
    d.BminusV = 0.65;
  }
  ResultShow();

  ComboBox2->clear();
  ComboBox2->addItem("not considered");
  bool any_name = false;
  for (const std::string& n : events_.Spectral.CcdNames) {
    ComboBox2->addItem(Q(n));
    any_name = any_name || !n.empty();
  }
  SetComboIndex(ComboBox2, 1);
  if (events_.Flags.IntegratedVideoMeasured) {
    SetComboIndex(ComboBox2, 2);
    events_.Spectral.CcdIndex = 2;
  } else if (any_name) {
    events_.Spectral.CcdIndex = 1;
  }
  const std::string sensor = SensorOfCamera(el.Camera);
  for (int i = 1; i <= 10; ++i) {
    const std::string& n = events_.Spectral.CcdNames[static_cast<size_t>(i - 1)];
    if (n.empty()) break;
    if (n == sensor) {
      SetComboIndex(ComboBox2, i);
      events_.Spectral.CcdIndex = i;
      break;
    }
  }
  ccd_previous_ = ComboBox2->currentIndex();
  // The weights built with the colour above came before the sensor was known.
  RecomputeSpectralWeights();
  ShowEmptySensor();

  Edit37->setText(Q(FormatFixed(events_.Flags.MagDrop, 1, 7)));
  events_.Texts.FittedContactAngleText.clear();
  ShowAverage();
}

void TFresnelCtrl::ConnectHandlers() {
  Edit1->installEventFilter(this);  // a double click opens the velocity calculator
  Edit2->installEventFilter(this);
  uint8_t& guard = events_.Diffraction.FresnelEditGuard;
  OnComboBoxChange(ComboBox1, this, &TFresnelCtrl::ComboBox1Change);
  OnComboBoxChange(ComboBox2, this, &TFresnelCtrl::ComboBox2Change);
  connect(Edit28, &QLineEdit::textEdited, this, [this] { Edit28Change(); });
  NumericEdit(Edit1, this, guard, [this] { Edit1Exit(); });
  NumericEdit(Edit2, this, guard, [this] { Edit2Exit(); });
  NumericEdit(Edit8, this, guard, [this] { Edit8Exit(); });
  NumericEdit(Edit19, this, guard, [this] { Edit19Exit(); });
  NumericEdit(Edit20, this, guard, [this] { Edit20Exit(); });
  NumericEdit(Edit21, this, guard, [this] { Edit21Exit(); });
  NumericEdit(Edit37, this, guard, [this] { Edit37Exit(); });
  const Handlers<TFresnelCtrl> updown_handlers = {
      {UpDown3, &TFresnelCtrl::UpDown3Click},   {UpDown4, &TFresnelCtrl::UpDown4Click},
      {UpDown13, &TFresnelCtrl::UpDown13Click}, {UpDown12, &TFresnelCtrl::UpDown12Click},
      {UpDown5, &TFresnelCtrl::UpDown5Click},   {UpDown6, &TFresnelCtrl::UpDown6Click},
      {UpDown1, &TFresnelCtrl::UpDown1Click},   {UpDown2, &TFresnelCtrl::UpDown2Click},
      {UpDown7, &TFresnelCtrl::UpDown7Click},   {UpDown9, &TFresnelCtrl::UpDown9Click},
      {UpDown8, &TFresnelCtrl::UpDown8Click},   {UpDown10, &TFresnelCtrl::UpDown10Click}};
  ConnectEach(this, updown_handlers);
  const Handlers<TFresnelCtrl> box_handlers = {
      {CheckBox1, &TFresnelCtrl::CheckBox1Click}, {CheckBox2, &TFresnelCtrl::CheckBox2Click},
      {CheckBox3, &TFresnelCtrl::CheckBox3Click}, {CheckBox4, &TFresnelCtrl::CheckBox4Click},
      {CheckBox5, &TFresnelCtrl::CheckBox5Click}, {CheckBox8, &TFresnelCtrl::CheckBox8Click}};
  ConnectEach(this, box_handlers);
  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{RadioButton1, RadioButton2, CheckBox7})
    connect(b, &QAbstractButton::toggled, this, [this] { StopFitOnModelChange(); });
  const Handlers<TFresnelCtrl> button_handlers = {{Button1, &TFresnelCtrl::Button1Click},
                                                        {Button2, &TFresnelCtrl::Button2Click},
                                                        {Button3, &TFresnelCtrl::Button3Click},
                                                        {CancelButton, &TFresnelCtrl::CancelButtonClick}};
  ConnectEach(this, button_handlers);
}

// ---- levels and windows ----

void TFresnelCtrl::ShowLevels() {
  const DiffractionState& d = events_.Diffraction;
  if (d.UpperLevel > -990000) Edit3->setText(Q(Fixed(d.UpperLevel, 1)));
  if (d.LowerLevel > -990000) Edit4->setText(Q(Fixed(d.LowerLevel, 1)));
}

// A running fit counts its offset from the selected record between levels of
// the windows it started with: when those change it is stopped.
void TFresnelCtrl::StopFitOnChange() {
  if (!Fitting()) return;
  StopFit();
  ShowStatus("Fit stopped: the selected record, a window or a level lock changed.");
}

void TFresnelCtrl::ShowAverage() {
  StopFitOnChange();
  ShowFitRange();
  // Windows around no record hold no levels: the last ones stay.
  if (NoRecordSelected()) return;
  DRAverage();
  DiffractionState& d = events_.Diffraction;
  const double pre = d.LevelMean[0], post = d.LevelMean[2];
  if (pre < post) {
    d.ReappearanceFit = 1, d.UpperLevel = post, d.LowerLevel = pre;
  } else {
    d.ReappearanceFit = 0, d.UpperLevel = pre, d.LowerLevel = post;
  }
  ShowLevels();
  Edit25->setText(Q(Fixed(d.LevelMean[1], 1)));
}

void TFresnelCtrl::SetWindowControls() {
  DiffractionState& d = events_.Diffraction;
  const TChartState& st = session_.ChartState;
  const int fm = -std::max(0, st.SelectedFrame);
  const int fM = std::max(1, st.TotalFrameCount - 1 - std::max(0, st.SelectedFrame));
  QSpinBox* u[6] = {UpDown3, UpDown4, UpDown13, UpDown12, UpDown5, UpDown6};
  int32_t* v[6] = {&d.PreEventWindowFrom, &d.PreEventWindowTo, &d.ThirdWindowFrom,
                   &d.ThirdWindowTo,      &d.PostEventWindowFrom, &d.PostEventWindowTo};
  for (int i = 0; i < 6; ++i) {
    const QSignalBlocker b(u[i]);
    u[i]->setRange(-1000000, 1000000);
    u[i]->setValue(*v[i]);
  }
  const auto limit = [&](QSpinBox* s, int lo, int hi) {
    const QSignalBlocker b(s);
    s->setRange(std::min(lo, s->value()), std::max(hi, s->value()));
  };
  limit(UpDown3, std::min(fm, -1), UpDown4->value());
  limit(UpDown4, UpDown3->value(), UpDown13->value() - 1);
  limit(UpDown13, UpDown4->value() + 1, UpDown12->value());
  limit(UpDown12, UpDown13->value(), UpDown5->value() - 1);
  limit(UpDown5, UpDown12->value() + 1, UpDown6->value());
  limit(UpDown6, UpDown5->value(), std::max(fM, 1));
  QLineEdit* e[6] = {Edit14, Edit15, Edit27, Edit26, Edit16, Edit17};
  for (int i = 0; i < 6; ++i) e[i]->setText(QString::number(*v[i]));
}

void TFresnelCtrl::WindowChanged() {
  DiffractionState& d = events_.Diffraction;
  d.LevelWindowsChanged = 1;
  chart_.GraphShow3();
  ShowAverage();
  d.DiffractionFitted = 0;
}

void TFresnelCtrl::WindowBoundClick(int32_t& bound, WindowBound kind, QSpinBox* self, QLineEdit* edit,
                                    QSpinBox* partner, QSpinBox* neighbour) {
  const int v = self->value();
  bound = v;
  edit->setText(QString::number(v));
  if (kind == WindowBound::From) {
    partner->setMinimum(v);
    if (neighbour) neighbour->setMaximum(v - 1);
  } else {
    partner->setMaximum(v);
    if (neighbour) neighbour->setMinimum(v + 1);
  }
  WindowChanged();
}

void TFresnelCtrl::UpDown3Click() {
  WindowBoundClick(events_.Diffraction.PreEventWindowFrom, WindowBound::From, UpDown3, Edit14, UpDown4, nullptr);
}

void TFresnelCtrl::UpDown4Click() {
  WindowBoundClick(events_.Diffraction.PreEventWindowTo, WindowBound::To, UpDown4, Edit15, UpDown3, UpDown13);
}

void TFresnelCtrl::UpDown13Click() {
  WindowBoundClick(events_.Diffraction.ThirdWindowFrom, WindowBound::From, UpDown13, Edit27, UpDown12, UpDown4);
}

void TFresnelCtrl::UpDown12Click() {
  WindowBoundClick(events_.Diffraction.ThirdWindowTo, WindowBound::To, UpDown12, Edit26, UpDown13, UpDown5);
}

void TFresnelCtrl::UpDown5Click() {
  WindowBoundClick(events_.Diffraction.PostEventWindowFrom, WindowBound::From, UpDown5, Edit16, UpDown6, UpDown12);
}

void TFresnelCtrl::UpDown6Click() {
  WindowBoundClick(events_.Diffraction.PostEventWindowTo, WindowBound::To, UpDown6, Edit17, UpDown5, nullptr);
}

// The fit range in UpDown1 and UpDown2, shown in Edit5 and Edit6, as far as
// the table reaches from the selected record. The stored range keeps what was
// chosen: cut to a record near an end, it stayed cut for every later event
// and turned into a lopsided custom range.
void TFresnelCtrl::ShowFitRange() {
  const DiffractionState& d = events_.Diffraction;
  const TChartState& st = session_.ChartState;
  const int sel = std::max(0, st.SelectedFrame);
  const int after = std::max(0, st.TotalFrameCount - 1 - sel);
  const QSignalBlocker b1(UpDown1), b2(UpDown2);
  UpDown1->setMinimum(sel < 120 ? -sel : -120);
  UpDown2->setMaximum(after < 120 ? after : 120);
  UpDown1->setValue(d.FitRangeFrom);
  UpDown2->setValue(d.FitRangeTo);
  Edit5->setText(QString::number(UpDown1->value()));
  Edit6->setText(QString::number(UpDown2->value()));
}

void TFresnelCtrl::FitWindowChanged() {
  StopFitOnChange();
  chart_.GraphShow3();
  events_.Diffraction.DiffractionFitted = 0;
}

void TFresnelCtrl::UpDown1Click() {
  events_.Diffraction.FitRangeFrom = UpDown1->value();
  Edit5->setText(QString::number(UpDown1->value()));
  FitWindowChanged();
}

void TFresnelCtrl::UpDown2Click() {
  events_.Diffraction.FitRangeTo = UpDown2->value();
  Edit6->setText(QString::number(UpDown2->value()));
  FitWindowChanged();
}

void TFresnelCtrl::CheckBox3Click() {
  events_.Diffraction.CustomFitRange = CheckBox3->isChecked();
  FitWindowChanged();
}

void TFresnelCtrl::ClampWindowsToRecords(int fm, int fM) {
  DiffractionState& d = events_.Diffraction;
  const QSignalBlocker b3(UpDown3), b4(UpDown4), b5(UpDown5), b6(UpDown6);
  // An up-down moved to the record limit, its range pinned there on that side.
  const auto pin = [](QSpinBox* u, int other_side, int bound, bool low_side, int32_t& var, QLineEdit* edit) {
    if (low_side) {
      u->setMaximum(other_side);
      u->setValue(bound);
      u->setMinimum(bound);
    } else {
      u->setMinimum(other_side);
      u->setValue(bound);
      u->setMaximum(bound);
    }
    var = u->value();
    edit->setText(QString::number(var));
  };
  if (UpDown13->value() <= fm) return;
  if (UpDown4->value() < fm) {
    pin(UpDown4, UpDown13->value() - 1, fm, true, d.PreEventWindowTo, Edit15);
    pin(UpDown3, UpDown4->value(), fm, true, d.PreEventWindowFrom, Edit14);
  } else if (UpDown3->value() < fm) {
    pin(UpDown3, UpDown4->value() - 1, fm, true, d.PreEventWindowFrom, Edit14);
    d.LevelWindowsChanged = d.PreEventWindowFrom;
  } else if (!(fm < -10000 && UpDown3->minimum() >= fm)) {
    UpDown3->setMinimum(fm);
  }
  if (UpDown12->value() >= fM) return;
  if (UpDown5->value() > fM) {
    pin(UpDown5, UpDown12->value() + 1, fM, false, d.PostEventWindowFrom, Edit16);
    pin(UpDown6, UpDown5->value(), fM, false, d.PostEventWindowTo, Edit17);
  } else if (UpDown6->value() > fM) {
    pin(UpDown6, UpDown5->value() + 1, fM, false, d.PostEventWindowTo, Edit17);
  } else {
    UpDown6->setMaximum(fM);
  }
}

// The "Fix" boxes lock a level and the window it comes from: CheckBox1 the
// upper level (Edit3), CheckBox2 the lower one (Edit4).
void TFresnelCtrl::FixLevelClick(FixedLevel level) {
  StopFitOnChange();
  DiffractionState& d = events_.Diffraction;
  const bool upper = level == FixedLevel::Upper;
  QCheckBox* box = upper ? CheckBox1 : CheckBox2;
  if (box->isChecked() && NoRecordSelected()) {
    const QSignalBlocker b(box);
    box->setChecked(false);
    return;
  }
  // A level before the event comes from the window of UpDown3/UpDown4.
  const bool pre = upper ? d.LevelMean[0] >= d.LevelMean[2] : d.LevelMean[0] < d.LevelMean[2];
  QSpinBox* from = pre ? UpDown3 : UpDown5;
  QSpinBox* to = pre ? UpDown4 : UpDown6;
  uint8_t& fixed = upper ? d.UpperLevelFixed : d.LowerLevelFixed;
  if (box->isChecked()) {
    DRAverage();
    double& value = upper ? d.UpperLevel : d.LowerLevel;
    value = upper ? std::max(d.LevelMean[0], d.LevelMean[2]) : std::min(d.LevelMean[0], d.LevelMean[2]);
    (upper ? Edit3 : Edit4)->setText(Q(Fixed(value, 1)));
    fixed = 1;
    const int sel = session_.ChartState.SelectedFrame;
    (upper ? d.FixedUpperWindow : d.FixedLowerWindow) = {sel + from->value(), sel + to->value()};
  } else {
    fixed = 0;
  }
  from->setEnabled(!fixed);
  to->setEnabled(!fixed);
  // The upper box's state again, on the window it holds.
  if (!upper && d.UpperLevelFixed) {
    (pre ? UpDown5 : UpDown3)->setEnabled(false);
    (pre ? UpDown6 : UpDown4)->setEnabled(false);
  }
  chart_.GraphShow3();
  d.DiffractionFitted = 0;
}

// ---- model parameters ----

void TFresnelCtrl::Edit1Exit() {
  DiffractionState& d = events_.Diffraction;
  // Kilometres beyond a light year are nonsense; the cap keeps metres in 64 bits.
  int64_t km = std::min<int64_t>(RoundHalfEven(TakeNumber(Edit1)), 9460730472580LL);
  if (km < 350000) km = 350000;
  d.ObjectDistance = km * 1000;
  Edit1->setText(Q(FormatInt(km)));
  events_.Texts.DistanceText = FormatInt(km) + "km";
  // The diameter stays as shown: the fit goes on using it.
  UpDown10->setSingleStep(km >= 500001 ? 1 : 100);
  StopFitOnModelChange();
}

void TFresnelCtrl::Edit2Exit() {
  const long double v = TakeNumber(Edit2);
  const long double factor = RecordVelocityFactor(host_.FrameStep(), events_.Flags.IntegrationCount);
  const std::string text = Fixed(v, 1);
  // A shadow at rest gives the model no time scale, and a text with an
  // exponent would be read back as another number: the last speed stays.
  if (!(v > 0) || !ShowsInFull(text)) {
    const std::string kept = Fixed(events_.Diffraction.ObjectVelocity / factor, 1);
    Edit2->setText(Q(kept));
    ShowStatus(Q(std::string(v > 0 ? "The velocity must be below 10^15 m/s" : "The velocity must be above 0 m/s") +
                 ": it stays " + kept + " m/s."));
    return;
  }
  Edit2->setText(Q(text));
  events_.Texts.VelocityText = Fixed(v, 0) + "m/sec";
  events_.Diffraction.ObjectVelocity = v * factor;
  StopFitOnModelChange();
}

void TFresnelCtrl::Edit8Exit() {
  DiffractionState& d = events_.Diffraction;
  long double a = TakeNumber(Edit8);
  if (a > 90) a = 90;
  Edit8->setText(Q(FormatFixed(a, 1, 15)));
  d.RateFactor = std::cos(a * kPi / 180);
  Edit7->setText(Q(FormatFixed(d.RateFactor, 3, 5)));
  d.MeasuredContactAngle = static_cast<double>(a);
  StopFitOnModelChange();
}

void TFresnelCtrl::Edit19Exit() {
  long double v = TakeNumber(Edit19);
  if (v > 50) v = 50;
  Edit19->setText(Q(Fixed(v, 1)));
  SetPosition(UpDown10, static_cast<int>(RoundHalfEven(v * 100)));
  events_.Diffraction.StarAngularDiameter = static_cast<double>(v);
  StopFitOnModelChange();
}

void TFresnelCtrl::UpDown10Click() {
  events_.Diffraction.StarAngularDiameter = UpDown10->value() / 100.0;
  Edit19->setText(Q(Fixed(events_.Diffraction.StarAngularDiameter, 2)));
  StopFitOnModelChange();
}

void TFresnelCtrl::UpDown7Click() {
  if (UpDown7->value() == 100) SetPosition(UpDown9, 0);
  tenths_previous_ = UpDown9->value();
  DiffractionState& d = events_.Diffraction;
  d.ComponentWeight = UpDown7->value() * 10 + UpDown9->value();
  d.StepHeightPercent = UpDown7->value() + UpDown9->value() / 10.0;
  Edit20->setText(Q(Fixed(d.ComponentWeight / 10.0L, 1)));
  StopFitOnModelChange();
}

void TFresnelCtrl::UpDown9Click() {
  const int now = UpDown9->value(), before = tenths_previous_;
  int whole = UpDown7->value();
  // 99.9 moved up is 100.0: the whole part then holds the tenths at 0.
  if (before == 9 && now == 0 && whole < 100) ++whole;
  if (before == 0 && now == 9) {
    if (whole > 0)
      --whole;
    else
      SetPosition(UpDown9, 0);
  }
  SetPosition(UpDown7, whole);
  UpDown7Click();
}

void TFresnelCtrl::Edit20Exit() {
  const int64_t weight = std::clamp<int64_t>(RoundHalfEven(std::fabs(TakeNumber(Edit20)) * 10), 0, 1000);
  SetPosition(UpDown7, static_cast<int>(weight / 10));
  SetPosition(UpDown9, static_cast<int>(weight % 10));
  UpDown7Click();
}

// The separation counts the model's milliseconds; the edit shows the table's,
// which run RecordTimeScale() times as fast.
void TFresnelCtrl::UpDown8Click() {
  events_.Diffraction.ComponentSeparation = UpDown8->value();
  Edit21->setText(Q(Fixed(UpDown8->value() * RecordTimeScale(), 0)));
  StopFitOnModelChange();
}

void TFresnelCtrl::Edit21Exit() {
  const int64_t ms = std::min<int64_t>(RoundHalfEven(std::fabs(TakeNumber(Edit21))), 1000);
  const int64_t position = std::min<int64_t>(RoundHalfEven(ms / RecordTimeScale()), UpDown8->maximum());
  SetPosition(UpDown8, static_cast<int>(position));
  UpDown8Click();
}

// Object magnitude minus combined magnitude is never below 0, and the fit puts
// the lower level at upper x 0.4^drop: a drop below 0 would lift it above.
void TFresnelCtrl::Edit37Exit() {
  const std::string kept = FormatFixed(events_.Flags.MagDrop, 1, 7);
  const auto refuse = [&](const std::string& why) {
    Edit37->setText(Q(kept));
    PaintText(Edit37, Qt::black);
    ShowStatus(Q(why + kept + "."));
  };
  if (NegativeNumericText(Edit37->text().toStdString())) {
    refuse("The magnitude drop cannot be negative: it stays ");
    return;
  }
  const long double v = TakeNumber(Edit37);
  const std::string text = FormatFixed(v, 1, 7);
  if (!ShowsInFull(text)) {
    refuse("The magnitude drop must be below 10^7: it stays ");
    return;
  }
  events_.Flags.MagDrop = static_cast<double>(v);
  Edit37->setText(Q(text));
  if (v == 0) CheckBox8Click();
  StopFitOnModelChange();
}

void TFresnelCtrl::CheckBox8Click() {
  if (CheckBox8->isChecked() && events_.Flags.MagDrop == 0) {
    const QSignalBlocker b(CheckBox8);
    CheckBox8->setChecked(false);
  }
  StopFitOnModelChange();
}

void TFresnelCtrl::CheckBox4Click() {
  const bool on = CheckBox4->isChecked();
  events_.Diffraction.DoubleStarFit = on;
  for (QWidget* w : std::initializer_list<QWidget*>{UpDown7, UpDown8, UpDown9, Edit20, Edit21}) w->setEnabled(on);
  StopFitOnModelChange();
}

void TFresnelCtrl::CheckBox5Click() {
  DiffractionState& d = events_.Diffraction;
  const bool on = CheckBox5->isChecked();
  d.StarDiameterOn = on;
  for (QWidget* w : std::initializer_list<QWidget*>{UpDown10, Edit19, Edit22}) w->setEnabled(on);
  const int half = on ? 20 : 30;
  d.FitRangeFrom = -half;
  d.FitRangeTo = half;
  ShowFitRange();
  CheckBox3->setChecked(on);
  if (on) RadioButton1->setChecked(true);
  StopFitOnModelChange();
}

// ---- spectrum ----

void TFresnelCtrl::RecomputeSpectralWeights() {
  ComputeSpectralWeights(events_.Spectral,
                         (std::filesystem::path(host_.ExecutableFolder()) / kSensitivityFileName).string());
}

// A sensor column of zeros or empty cells weighs every wavelength by 0: the
// weights fall back to no sensor, which the graph, drawing the column, does
// not show.
void TFresnelCtrl::ShowEmptySensor() {
  const SpectralModel& m = events_.Spectral;
  if (!m.FlatSensorUsed || m.CcdIndex < 1 || m.CcdIndex >= kSensorColumns) return;
  const std::string& name = m.CcdNames[static_cast<size_t>(m.CcdIndex - 1)];
  ShowStatus(Q("The sensor \"" + name + "\" has no sensitivity from 400 to 800 nm in " + kSensitivityFileName +
               ": the spectrum is weighted as for no sensor."));
}

void TFresnelCtrl::SpectrumTypeCalc() {
  SpectralModel& m = events_.Spectral;
  // B-V just above -0.85 gives more kelvin than an int holds.
  m.StarTemperature = static_cast<int>(
      std::min<int64_t>(RoundHalfAway(9000.0L / (events_.Diffraction.BminusV + 0.85L)), INT32_MAX));
  RecomputeSpectralWeights();
  int best = 0;
  for (int i = 1; i < 71; ++i)
    if (std::abs(kTypeTemperatures[i] - m.StarTemperature) < std::abs(kTypeTemperatures[best] - m.StarTemperature))
      best = i;
  SetComboIndex(ComboBox1, best);
  RedrawSpectrum();
  StopFitOnModelChange();
}

void TFresnelCtrl::ComboBox1Change() {
  const int i = ComboBox1->currentIndex();
  if (i < 0 || i > 70) return;
  SpectralModel& m = events_.Spectral;
  m.StarTemperature = kTypeTemperatures[i] == 0 ? 6000 : kTypeTemperatures[i];
  events_.Diffraction.BminusV = 9000.0 / m.StarTemperature - 0.85;
  Edit28->setText(Q(Fixed(events_.Diffraction.BminusV, 3)));
  RecomputeSpectralWeights();
  RedrawSpectrum();
  StopFitOnModelChange();
}

void TFresnelCtrl::Edit28Change() {
  const std::string t = Edit28->text().toStdString();
  if (t.size() < 4) {
    PaintText(Edit28, QColor(0, 0, 255));
    return;
  }
  const auto v = ParseDouble(t);
  if (v && *v > kBluestColourIndex && *v <= 3) {
    events_.Diffraction.BminusV = *v;
  } else {
    events_.Diffraction.BminusV = 0.38;
    Edit28->setText("0.38");
  }
  PaintText(Edit28, Qt::black);
  SpectrumTypeCalc();
}

bool TFresnelCtrl::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseButtonDblClick && (watched == Edit1 || watched == Edit2)) {
    OpenVelocityCalculator();
    return true;
  }
  return QWidget::eventFilter(watched, e);
}

void TFresnelCtrl::OpenVelocityCalculator() {
  if (TLunarVelocityCalculator::IsOpen()) return;
  TLunarVelocityCalculator::Open(&chart_, [chart = QPointer<Tchart1>(&chart_)]() -> TFresnelCtrl* {
    return chart ? chart->FresnelCtrl.data() : nullptr;
  });
}

bool TFresnelCtrl::InDiffractionMode() const { return session_.DiffractionMode == 1; }

void TFresnelCtrl::SetEditFromOutside(QLineEdit* edit, const QString& text) {
  uint8_t& guard = events_.Diffraction.FresnelEditGuard;
  guard = 1;
  edit->setText(text);
  if (!guard) return;
  // The same text again changes nothing the edit reports: take it over here.
  guard = 0;
  emit edit->editingFinished();
}

void TFresnelCtrl::SetColourIndexText(const QString& text) {
  Edit28->setText(text);
  Edit28Change();
}

void TFresnelCtrl::ComboBox2Change() {
  const int i = ComboBox2->currentIndex();
  if (ComboBox2->itemText(i).isEmpty()) {
    SetComboIndex(ComboBox2, ccd_previous_);
    return;
  }
  events_.Spectral.CcdIndex = i;
  ccd_previous_ = i;
  // The fit weighs the spectrum by the chosen sensor: the weights follow it
  // at once, as the graph does.
  RecomputeSpectralWeights();
  ShowEmptySensor();
  RedrawSpectrum();
  StopFitOnModelChange();
}

void TFresnelCtrl::Button1Click() {
  if (spectrum_graph_) return;
  spectrum_graph_ = new TSpectrumGraph(events_.Spectral, this);
  spectrum_graph_->show();
}

void TFresnelCtrl::RedrawSpectrum() {
  if (auto* g = qobject_cast<TSpectrumGraph*>(spectrum_graph_.data()); g && SpectrumWindowShown()) g->DrawSpectrum();
}

// ---- fit and results ----

void TFresnelCtrl::ResultShow() {
  DiffractionState& d = events_.Diffraction;
  Edit7->setText(Q(Fixed(d.RateFactor, 4)));
  if (d.RateFactor <= 1) {
    d.MeasuredContactAngle = static_cast<double>(std::acos(std::max(-1.0L, d.RateFactor)) * 180 / kPi);
    Edit8->setText(Q(Fixed(d.MeasuredContactAngle, 1)));
    events_.Texts.ContactAngleText = Fixed(d.MeasuredContactAngle, 1);
  } else {
    Edit8->setText("---");
    events_.Texts.ContactAngleText = "---";
  }
  const int sel = session_.ChartState.SelectedFrame;
  const auto& lines = host_.Table().Lines();
  Edit9->setText(Q(GetCsvCell(RecordLine(lines, HeaderLineCountOf(lines), sel), 1)));
  if (d.RateFactor != 0) {
    // The fit counts model time; the table's time runs RecordTimeScale() times as fast.
    const long double scale = RecordTimeScale();
    const long double F = d.ReappearanceFit ? -static_cast<long double>(d.FitOffset) : d.FitOffset;
    Edit10->setText(Q(Fixed(F * scale / 10, 0)));
    events_.Texts.EventCentreText[0] = Fixed(F * scale / 10000, 3);
    if (d.DoubleStarFit) {
      // The second component's centre, in ms and in seconds alike.
      const long double c2 =
          scale * (d.ReappearanceFit ? F / 10 - d.ComponentSeparation : F / 10 + d.ComponentSeparation);
      Edit18->setText(Q(Fixed(c2, 0)));
      events_.Texts.EventCentreText[1] = Fixed(c2 / 1000, 3);
    } else {
      // The magnitude calculator takes a time here for a second event.
      Edit18->clear();
      events_.Texts.EventCentreText[1] = "-----";
    }
  }
  ShowLevels();
}

long double TFresnelCtrl::RecordTimeScale() const {
  return RecordVelocityFactor(host_.FrameStep(), events_.Flags.IntegrationCount);
}

void TFresnelCtrl::ShowStatus(const QString& text) { Memo1->appendPlainText(text); }

void TFresnelCtrl::FitRunning(bool running) { CancelButton->setEnabled(running); }

void TFresnelCtrl::CancelButtonClick() { StopFit(); }

bool TFresnelCtrl::NoRecordSelected() {
  if (session_.ChartState.SelectedFrame >= 0) return false;
  ShowStatus("No record is selected: select target frame by clicking the graph area.");
  return true;
}

void TFresnelCtrl::Button3Click() {
  if (Fitting() || NoRecordSelected()) return;
  DiffractionState& d = events_.Diffraction;
  DRAverage();
  // An empty window's mean of 0 is no level to fit between, and one record
  // gives no scatter: the timing error would come out near 0.
  if (d.LevelCount[0] < 2 || d.LevelCount[2] < 2) {
    const int n = d.LevelCount[0] < 2 ? d.LevelCount[0] : d.LevelCount[2];
    ShowStatus(QString("The %1-event window holds %2: no fit.")
                   .arg(d.LevelCount[0] < 2 ? "pre" : "post", n == 0 ? "no records" : "only one record"));
    return;
  }
  double pre = d.LevelMean[0], post = d.LevelMean[2];
  const bool locked = d.UpperLevelFixed || d.LowerLevelFixed;
  if (locked && ((CheckBox6->isChecked() && pre < post) || (!CheckBox6->isChecked() && pre > post)))
    std::swap(pre, post);
  FresnelDraw(pre, post, [this] {
    DiffractionState& s = events_.Diffraction;
    s.DiffractionFitted = 1;  // before the information line, which shows only a current fit
    ResultShow();
    chart_.InformationShow();
    events_.Texts.FittedContactAngleText = FormatFixed(s.MeasuredContactAngle, 1, 3);
    if (CheckBox9->isChecked() && !events_.Flags.MagnitudeWindowShown) Button2Click();
  });
}

void TFresnelCtrl::Button2Click() {
  if (events_.Flags.MagnitudeWindowShown || !host_.ToolAvailable(ChartTool::MagnitudeCalculator)) return;
  // Opened now it would time the event without the offset still being
  // fitted, and the panel it disables holds the fit's cancel button.
  if (Fitting()) {
    ShowStatus("The fit is running: open the magnitude calculator when it has ended.");
    return;
  }
  const int v = host_.CsvVersion();
  const auto& lines = host_.Table().Lines();
  // At least two records.
  if (v < 1 || v > 3 || static_cast<int>(lines.size()) <= HeaderLineCountOf(lines)) return;
  host_.OpenTool(ChartTool::MagnitudeCalculator, this);
}

void TFresnelCtrl::changeEvent(QEvent* e) {
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) events_.Diffraction.StepHeightPercent = 50;
  QWidget::changeEvent(e);
}

void TFresnelCtrl::closeEvent(QCloseEvent* e) {
  StopFit();
  // The calculator this panel opened goes with it: left open without its
  // chart it would no longer follow the chart's clicks, and a panel opened
  // later would find it instead of opening one over its own levels.
  if (TMagnitudeCalculator* calculator = MagnitudeCalculator()) calculator->close();
  session_.DiffractionMode = 0;
  events_.Diffraction.DiffractionFitted = 0;
  if (chart_.isVisible()) {
    if (chart_.CheckBox1->isChecked())
      chart_.WideSetting();
    else
      chart_.NarrowSetting();
    chart_.GraphShow3();
  }
  e->accept();
}
