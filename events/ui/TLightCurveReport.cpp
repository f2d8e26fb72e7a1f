#include "events/ui/TLightCurveReport.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QGridLayout>
#include <functional>
#include <QLabel>
#include <QPalette>

#include "base/AtomicFile.h"
#include "base/NumberText.h"
#include "base/ResultTable.h"
#include "base/TextTools.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "base/ui/HandlerTable.h"
#include "events/EventIdentification.h"
#include "events/LightCurveReportLines.h"
#include "events/ReportFiles.h"
#include "events/TimingList.h"
#include "base/ui/MemoLines.h"
#include "base/ui/StdText.h"
#include "events/ui/ReportWindowHost.h"

void SetInputColour(QWidget* w, bool confirmed) {
  QPalette p = w->palette();
  p.setColor(QPalette::Base, confirmed ? QColor(255, 255, 255) : QColor(255, 255, 0));
  w->setPalette(p);
  if (auto* box = qobject_cast<QComboBox*>(w); box && box->lineEdit()) box->lineEdit()->setPalette(p);
}

bool InputConfirmed(const QWidget* w) { return w->palette().color(QPalette::Base) == QColor(255, 255, 255); }

namespace {

const QStringList kRecordingTypes = {"  Unspecified", "a Analog or Digital video", "b Digital SLR camera video",
                                     "c Photometer", "d Sequencial images", "e Drift scan", "f Visual", "g Other"};
const QStringList kTimeKeeping = {"  Unspecified", "a GPS", "b NTP", "c Telephone (fixed or mobile)",
                                  "d Radio time signal", "e Internal clock or recorder", "f Stopwatch", "f Other"};
const QStringList kStability = {"  Unspecified", "1 Steady", "2 Slight flickering", "3 Strong flickering"};
const QStringList kTransparency = {"  Unspecified", "1 Clear", "2 Fog", "3 Thin cloud <2", "4 Thin cloud >2",
                                   "5 Broken cloud", "6 Star faint", "7 Averted vision"};
const QStringList kTelescopes = {"???", "Refractor", "Newtonian", "SCT", "Dobsonian",
                                 "Binoculars", "Other", "None", "eVscope"};
const QStringList kCameraModels = {"", "ASI290MM", "ASI462MM", "QHY174GPS", "WAT100N", "WAT120N", "WAT910HX"};
const QStringList kTimeModels = {"", "GT902MGG", "VK172", "GT502MGG", "Garmin18xlvc", "GHS-OSD"};

// Enter confirms an edit: it runs `then` and turns the edit white.
class EnterFilter : public QObject {
 public:
  EnterFilter(QObject* parent, std::function<void(QLineEdit*)> then) : QObject(parent), then_(std::move(then)) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    if (!IsEnterKey(e)) return false;
    then_(static_cast<QLineEdit*>(o));
    return true;
  }

 private:
  std::function<void(QLineEdit*)> then_;
};

// Clicking an input confirms it.
class ClickFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonPress) SetInputColour(static_cast<QWidget*>(o), true);
    return false;
  }
};

}  // namespace

TLightCurveReport::TLightCurveReport(ChartEventState& events, ReportWindowHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window), events_(events), host_(host) {
  SetUpToolWindow(this, "LightCurveReport", "LightCurveReport");
  BuildControls();
  FormCreate();
}

void TLightCurveReport::BuildControls() {
  auto* g = new QGridLayout(this);
  auto edit = [this](const char* name, const QString& text = {}) {
    auto* e = Named<QLineEdit>(name, text, this);
    return e;
  };
  auto memo = [this](const char* name) {
    auto* m = Named<QPlainTextEdit>(name, this);
    m->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont f("Courier");
    f.setStyleHint(QFont::Monospace);
    m->setFont(f);
    return m;
  };
  auto combo = [this](const char* name, const QStringList& items, int index) {
    auto* c = Named<QComboBox>(name, this);
    c->addItems(items);
    c->setCurrentIndex(index);
    return c;
  };
  auto button = [this](const char* name, const char* caption) {
    auto* b = Named<QPushButton>(name, caption, this);
    return b;
  };
  auto label = [this](const char* text) { return new QLabel(text, this); };

  Memo1 = memo("Memo1");
  g->addWidget(Memo1, 0, 0, 1, 8);
  Edit1 = edit("Edit1");
  Button1 = button("Button1", "Apply");
  Button2 = button("Button2", "Save to file");
  g->addWidget(label("Limb slope"), 1, 0);
  g->addWidget(Edit1, 1, 1);
  g->addWidget(Button1, 1, 2);
  g->addWidget(Button2, 1, 3);

  Edit13 = edit("Edit13");
  Edit14 = edit("Edit14");
  Edit15 = edit("Edit15");
  Edit16 = edit("Edit16");
  g->addWidget(label("Star"), 2, 0);
  g->addWidget(Edit13, 2, 1);
  g->addWidget(Edit14, 2, 2);
  g->addWidget(label("Asteroid"), 2, 3);
  g->addWidget(Edit15, 2, 4);
  g->addWidget(Edit16, 2, 5);
  Edit11 = edit("Edit11");
  Edit12 = edit("Edit12");
  CheckBox1 = Named<QCheckBox>("CheckBox1", " 2 observers", this);
  Edit9 = edit("Edit9");
  Edit10 = edit("Edit10");
  g->addWidget(label("Observer"), 3, 0);
  g->addWidget(Edit11, 3, 1);
  g->addWidget(Edit12, 3, 2);
  g->addWidget(CheckBox1, 3, 3);
  g->addWidget(Edit9, 3, 4);
  g->addWidget(Edit10, 3, 5);
  Edit2 = edit("Edit2");
  Edit3 = edit("Edit3");
  Edit4 = edit("Edit4");
  Edit5 = edit("Edit5");
  Edit6 = edit("Edit6");
  Edit7 = edit("Edit7");
  Edit8 = edit("Edit8");
  g->addWidget(label("Longitude"), 4, 0);
  g->addWidget(Edit2, 4, 1);
  g->addWidget(Edit3, 4, 2);
  g->addWidget(Edit4, 4, 3);
  g->addWidget(label("Latitude"), 5, 0);
  g->addWidget(Edit5, 5, 1);
  g->addWidget(Edit6, 5, 2);
  g->addWidget(Edit7, 5, 3);
  g->addWidget(label("Altitude (m)"), 4, 4);
  g->addWidget(Edit8, 4, 5);
  ComboBox2 = combo("ComboBox2", {"WGS84", "NAD1927", "ED1950", "Tokyo", "GB1936", "* ???"}, 0);
  g->addWidget(ComboBox2, 5, 5);

  static constexpr std::array<std::array<const char*, 7>, 4> kRowNames{{
      {"Edit17", "Edit18", "Edit19", "Edit20", "Edit21", "Edit39", "CheckBox2"},
      {"Edit22", "Edit23", "Edit24", "Edit25", "Edit26", "Edit40", "CheckBox3"},
      {"Edit28", "Edit29", "Edit30", "Edit31", "Edit32", "Edit41", "CheckBox4"},
      {"Edit33", "Edit34", "Edit35", "Edit36", "Edit37", "Edit42", "CheckBox5"},
  }};
  for (size_t r = 0; r < 4; ++r) {
    for (size_t c = 0; c < 6; ++c) {
      EventRows[r][c] = edit(kRowNames[r][c]);
      g->addWidget(EventRows[r][c], 6 + static_cast<int>(r), static_cast<int>(c));
    }
    MinorBoxes[r] = new QCheckBox("minor", this);
    MinorBoxes[r]->setObjectName(kRowNames[r][6]);
    g->addWidget(MinorBoxes[r], 6 + static_cast<int>(r), 6);
  }
  ComboBox8 = combo("ComboBox8", {"None", "Doublestar", "Sattelite", "Ring"}, 1);
  g->addWidget(ComboBox8, 6, 7);

  Edit27 = edit("Edit27", "20");
  ComboBox3 = combo("ComboBox3", kTelescopes, 2);
  Edit46 = edit("Edit46", "4.0");
  g->addWidget(label("Telescope (cm, type, F)"), 10, 0);
  g->addWidget(Edit27, 10, 1);
  g->addWidget(ComboBox3, 10, 2);
  g->addWidget(Edit46, 10, 3);
  ComboBox4 = combo("ComboBox4", kRecordingTypes, 1);
  Edit44 = edit("Edit44");
  ComboBox1 = combo("ComboBox1", kCameraModels, 0);
  g->addWidget(label("Recording, camera"), 11, 0);
  g->addWidget(ComboBox4, 11, 1, 1, 2);
  g->addWidget(Edit44, 11, 3);
  g->addWidget(ComboBox1, 11, 4);
  Edit47 = edit("Edit47");
  Edit48 = edit("Edit48");
  Edit49 = edit("Edit49");
  Edit50 = edit("Edit50");
  Edit51 = edit("Edit51");
  Edit52 = edit("Edit52");
  g->addWidget(label("Area, binning, high speed, gain, exposure (ms), brightness"), 12, 0);
  int col = 1;
  for (QLineEdit* e : {Edit47, Edit48, Edit49, Edit50, Edit51, Edit52}) g->addWidget(e, 12, col++);
  ComboBox5 = combo("ComboBox5", kTimeKeeping, 1);
  Edit45 = edit("Edit45");
  ComboBox9 = combo("ComboBox9", kTimeModels, 0);
  g->addWidget(label("Time keeping"), 13, 0);
  g->addWidget(ComboBox5, 13, 1, 1, 2);
  g->addWidget(Edit45, 13, 3);
  g->addWidget(ComboBox9, 13, 4);
  ComboBox10 = combo("ComboBox10", {"Recorded", "None"}, 0);
  ComboBox11 = combo("ComboBox11", {"Recorded", "None"}, 0);
  g->addWidget(label("Time Log"), 14, 0);
  g->addWidget(ComboBox10, 14, 1);
  g->addWidget(label("Evidence shot for time"), 14, 2);
  g->addWidget(ComboBox11, 14, 3);
  ComboBox6 = combo("ComboBox6", kStability, 1);
  ComboBox7 = combo("ComboBox7", kTransparency, 1);
  Edit38 = edit("Edit38");
  g->addWidget(label("Stability, transparency, remarks"), 15, 0);
  g->addWidget(ComboBox6, 15, 1);
  g->addWidget(ComboBox7, 15, 2);
  g->addWidget(Edit38, 15, 3, 1, 3);

  Button3 = button("Button3", "Make Reports");
  Button4 = button("Button4", "Save XML Report File");
  Button5 = button("Button5", "Copy for Text Report");
  Button6 = button("Button6", "Load camera setting file");
  CheckBox6 = Named<QCheckBox>("CheckBox6", "Add Lightcurve", this);
  CheckBox6->setChecked(true);
  Edit43 = edit("Edit43");
  g->addWidget(Button3, 16, 0);
  g->addWidget(Button4, 16, 1);
  g->addWidget(Edit43, 16, 2, 1, 2);
  g->addWidget(Button5, 16, 4);
  g->addWidget(CheckBox6, 16, 5);
  g->addWidget(Button6, 16, 6);
  Memo2 = memo("Memo2");
  Memo3 = memo("Memo3");
  Memo4 = memo("Memo4");
  Memo5 = memo("Memo5");
  g->addWidget(Memo2, 17, 0, 1, 4);
  g->addWidget(Memo3, 17, 4, 1, 4);
  g->addWidget(Memo4, 18, 0, 1, 4);
  g->addWidget(Memo5, 18, 4, 1, 4);

  const Handlers<TLightCurveReport> button_handlers = {
      {Button1, &TLightCurveReport::Button1Click}, {Button2, &TLightCurveReport::Button2Click},
      {Button3, &TLightCurveReport::Button3Click}, {Button4, &TLightCurveReport::Button4Click},
      {Button5, &TLightCurveReport::Button5Click}, {Button6, &TLightCurveReport::Button6Click}};
  ConnectEach(this, button_handlers);
  auto both = [this] {
    BuildXmlReport();
    BuildTextReport();
  };
  for (QLineEdit* e : {Edit27, Edit38}) connect(e, &QLineEdit::textChanged, this, both);
  // The names, site and star typed here go into both reports, the F number into
  // the text report: a saved or copied report must carry what the edits show.
  for (QLineEdit* e : {Edit9, Edit10, Edit11, Edit12, Edit13, Edit14}) connect(e, &QLineEdit::textChanged, this, both);
  connect(Edit46, &QLineEdit::textChanged, this, &TLightCurveReport::BuildTextReport);
  for (QLineEdit* e : {Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8})
    connect(e, &QLineEdit::textEdited, this, &TLightCurveReport::SiteEdited);
  for (QLineEdit* e : {Edit15, Edit16})
    connect(e, &QLineEdit::textEdited, this, &TLightCurveReport::AsteroidEdited);
  for (QLineEdit* e : {Edit13, Edit14}) connect(e, &QLineEdit::textEdited, this, &TLightCurveReport::StarEdited);
  for (QLineEdit* e : {Edit11, Edit12})
    connect(e, &QLineEdit::textEdited, this, &TLightCurveReport::ObserverEdited);
  for (QComboBox* c : {ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6, ComboBox7, ComboBox8})
    connect(c, &QComboBox::currentIndexChanged, this, both);
  for (QComboBox* c : {ComboBox10, ComboBox11})
    connect(c, &QComboBox::currentIndexChanged, this, &TLightCurveReport::BuildTextReport);
  auto* clicks = new ClickFilter(this);
  for (QWidget* w : std::initializer_list<QWidget*>{Edit27, ComboBox3, ComboBox6, ComboBox7, Edit38})
    w->installEventFilter(clicks);
  auto* enter = new EnterFilter(this, [this](QLineEdit* e) {
    BuildTextReport();
    SetInputColour(e, true);
  });
  for (QLineEdit* e : {Edit44, Edit45, Edit47, Edit48, Edit49, Edit50, Edit51, Edit52}) e->installEventFilter(enter);
  // Only the observer's own changes go into the list: FormCreate's ticks must not.
  for (size_t r = 0; r < 4; ++r) {
    for (size_t c = 0; c < EventRows[r].size(); ++c)
      connect(EventRows[r][c], &QLineEdit::textEdited, this, [this, r, c] { EventRowEdited(r, c); });
    connect(MinorBoxes[r], &QCheckBox::clicked, this, [this, r] { EventRowEdited(r, EventRows[r].size()); });
  }
  OnComboBoxChange(ComboBox1, this, &TLightCurveReport::ComboBox1Change);
  OnComboBoxChange(ComboBox9, this, &TLightCurveReport::ComboBox9Change);
}

void TLightCurveReport::FormCreate() {
  MinorBoxes[0]->setChecked(true);
  MinorBoxes[1]->setChecked(true);
  shown_record_ = RecordTexts();
  const auto edits = RecordEdits();
  for (size_t k = 0; k < edits.size(); ++k) edits[k]->setText(Q(shown_record_[k]));
  ShowEventRows();
  Memo2->clear();
  Memo3->clear();
}

std::array<QLineEdit*, 16> TLightCurveReport::RecordEdits() const {
  return {Edit13, Edit14, Edit15, Edit16, Edit11, Edit12, Edit2, Edit3,
          Edit4,  Edit5,  Edit6,  Edit7,  Edit8,  Edit1,  Edit9, Edit10};
}

std::array<std::string, 16> TLightCurveReport::RecordTexts() const {
  const TReportLightCurveElement& e = events_.ReportLightCurveElement;
  return {e.Catalogue, e.StarNumber, e.ObjectNumber, e.ObjectName,  e.Observer,  e.CoObserver,
          e.LongitudeD, e.LongitudeM, e.LongitudeS,  e.LatitudeD,   e.LatitudeM, e.LatitudeS,
          e.Altitude,   e.LunarValues[kLunarLimbSlopeIndex],        host_.ReportSiteName(),
          host_.ReportCountryCode()};
}

void TLightCurveReport::ShowRecordAgain() {
  const auto texts = RecordTexts();
  const auto edits = RecordEdits();
  for (size_t k = 0; k < edits.size(); ++k)
    if (texts[k] != shown_record_[k]) edits[k]->setText(Q(texts[k]));
  shown_record_ = texts;
}

void TLightCurveReport::ShowEventRows() {
  const TAsteroidTiming& t = events_.AsteroidTiming;
  for (size_t r = 0; r < 4; ++r) {
    auto& row = EventRows[r];
    for (QLineEdit* ed : row) ed->clear();
    // A row without a list entry has nothing to change: what is typed there
    // would reach no report.
    const bool has_entry = static_cast<int>(r) < ValidCount(t);
    for (QLineEdit* ed : row) ed->setReadOnly(!has_entry);
    MinorBoxes[r]->setEnabled(has_entry);
    if (!has_entry) continue;
    const TAsteroidEachEventTime& en = t.Entries[r];
    row[0]->setText(Q(Hour(en)));
    row[1]->setText(Q(Minute(en)));
    row[2]->setText(Q(Second(en)));
    row[3]->setText(Q(en.Error));
    row[4]->setText(Q(Sn(en)));
    row[5]->setText(IsDisappearance(en) ? "D" : "R");
    MinorBoxes[r]->setChecked(IsMinor(en));
  }
}

// The reports read the timing list: a time, error, S/N, D/R or minor mark
// corrected in an event row goes into its entry. Only the changed field is
// written, so a row shown before the list changed spoils no other field.
void TLightCurveReport::EventRowEdited(size_t r, size_t field) {
  TAsteroidTiming& t = events_.AsteroidTiming;
  if (static_cast<int>(r) >= ValidCount(t)) return;
  TAsteroidEachEventTime& en = t.Entries[r];
  if (field == EventRows[r].size()) {
    SetMinor(en, MinorBoxes[r]->isChecked());
  } else {
    const std::string typed = S(EventRows[r][field]->text().trimmed());
    std::string* texts[] = {&Hour(en), &Minute(en), &Second(en), &en.Error, &Sn(en)};
    if (field < std::size(texts))
      *texts[field] = typed;
    else if (typed == "D" || typed == "d")
      SetDisappearance(en, true);
    else if (typed == "R" || typed == "r")
      SetDisappearance(en, false);
  }
  BuildXmlReport();
  BuildTextReport();
}

bool TLightCurveReport::event(QEvent* e) {
  const bool r = QWidget::event(e);
  if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) FormActivate();
  return r;
}

void TLightCurveReport::FormActivate() {
  // The camera inputs are reset only on the first activation: coming back to
  // the window must not lose what the user typed or loaded.
  if (!activated_) {
    activated_ = true;
    for (QWidget* w : std::initializer_list<QWidget*>{Edit27, ComboBox3, ComboBox6, ComboBox7, Edit38, Edit44, Edit45,
                                                      Edit47, Edit48, Edit49, Edit50, Edit51, Edit52, ComboBox1,
                                                      ComboBox9})
      SetInputColour(w, false);
    for (QLineEdit* ed : {Edit47, Edit48, Edit49, Edit50, Edit51, Edit52}) ed->clear();
    SetComboIndex(ComboBox1, 0);
    SetComboIndex(ComboBox9, 0);
    Edit44->setText(ComboBox1->currentText());
    Edit45->setText(ComboBox9->currentText());
  }
  // The list may have been added to, sorted or cut in the magnitude calculator,
  // and another event identified.
  ShowEventRows();
  ShowRecordAgain();
  BuildXmlReport();
  BuildTextReport();
}

ReportFormInputs TLightCurveReport::FormInputs() const {
  ReportFormInputs in;
  // As the record keeps them: a blank after "TYC" would lose its "Tycho2".
  in.Catalogue = S(Edit13->text().trimmed());
  in.StarNumber = S(Edit14->text().trimmed());
  in.Observer = S(Edit11->text());
  in.CoObserver = S(Edit12->text());
  in.Site = S(Edit9->text());
  in.Country = S(Edit10->text());
  in.DatumIndex = ComboBox2->currentIndex();
  in.DatumText = S(ComboBox2->currentText());
  in.Aperture = S(Edit27->text());
  in.TelescopeIndex = ComboBox3->currentIndex();
  in.TelescopeText = S(ComboBox3->currentText());
  in.FNumber = S(Edit46->text());
  in.RecordingText = S(ComboBox4->currentText());
  in.TimeKeepingText = S(ComboBox5->currentText());
  in.StabilityText = S(ComboBox6->currentText());
  in.TransparencyText = S(ComboBox7->currentText());
  in.Remarks = S(Edit38->text());
  in.MinorKind = ComboBox8->currentIndex();
  in.CameraModel = S(Edit44->text());
  in.TimeKeepingModel = S(Edit45->text());
  in.CaptureArea = S(Edit47->text());
  in.Binning = S(Edit48->text());
  in.HighSpeedMode = S(Edit49->text());
  in.Gain = S(Edit50->text());
  in.Exposure = S(Edit51->text());
  in.Brightness = S(Edit52->text());
  in.TimeLog = S(ComboBox10->currentText());
  in.EvidenceShot = S(ComboBox11->currentText());
  return in;
}

namespace {

// Set only when it differs: a reset text would move the cursor of an edit
// being typed in to its end.
void ShowText(QLineEdit* e, const std::string& text) {
  if (e->text() != Q(text)) e->setText(Q(text));
}

}  // namespace

void TLightCurveReport::BuildXmlReport() {
  const TReportLightCurveElement& e = events_.ReportLightCurveElement;
  ShowText(Edit15, e.ObjectNumber);
  ShowText(Edit16, e.ObjectName);
  SetMemoLines(Memo2, ::BuildXmlReport(events_.AsteroidTiming, e, FormInputs(), TodayUtcBarDate()));
}

void TLightCurveReport::BuildTextReport() {
  const TReportLightCurveElement& e = events_.ReportLightCurveElement;
  ShowText(Edit15, e.ObjectNumber);
  ShowText(Edit16, e.ObjectName);
  SetMemoLines(Memo3, ::BuildTextReport(events_.AsteroidTiming, e, FormInputs(), host_.Clock()));
}

void TLightCurveReport::SetLightCurveLines(const std::vector<std::string>& lines) {
  const TReportLightCurveElement& e = events_.ReportLightCurveElement;
  light_curve_start_ = LightCurveStart{e.StartH, e.StartM, e.StartS, e.StartDays};
  SetMemoLines(Memo1, lines);
}

// Named after the start of the light curve saved, not that of the chart's
// view now: every drawing of the chart (a scroll, a zoom, another table)
// moves the record's start.
std::string TLightCurveReport::LightCurveFileName() const {
  TReportLightCurveElement e = events_.ReportLightCurveElement;
  if (light_curve_start_) {
    e.StartH = light_curve_start_->H;
    e.StartM = light_curve_start_->M;
    e.StartS = light_curve_start_->S;
    e.StartDays = light_curve_start_->Days;
  }
  return MakeLightCurveFileName(e);
}

bool TLightCurveReport::SaveLines(const QString& name, const std::vector<std::string>& lines) {
  std::string error;
  if (WriteFileAtomic(name.toStdString(), JoinCrlfLines(lines), &error)) return true;
  Dialogs().ShowError("The file could not be written: " + Q(error));
  return false;
}

// A '|' typed into a name would shift every later field of the report's
// record when it is read back: refuse it rather than write a corrupt report.
bool TLightCurveReport::XmlInputsWritable() {
  std::string bad = XmlReportUnsafeInput(events_.ReportLightCurveElement, FormInputs());
  if (bad.empty()) bad = XmlReportUnsafeEvent(events_.AsteroidTiming);
  if (!bad.empty()) {
    Dialogs().ShowError("The XML report cannot hold the character '|' or control characters: "
                        "please remove them from the " + Q(bad) + ".");
    return false;
  }
  // Read back, a position, altitude or time that is no number is nonsense.
  bad = XmlReportNoNumber(events_.ReportLightCurveElement, events_.AsteroidTiming);
  if (!bad.empty()) {
    Dialogs().ShowError("The " + Q(bad) + " is not a number: please correct it before the report is saved or copied.");
    return false;
  }
  bad = XmlReportNoTimeOfDay(events_.AsteroidTiming);
  if (!bad.empty()) {
    Dialogs().ShowError("The " + Q(bad) + " is no time of day (hour 0 to 23, minute 0 to 59, second below 60): " +
                        "please correct it before the report is saved or copied.");
    return false;
  }
  // A D/R edit holding anything else keeps its event's letter: the reports
  // would not say what the edit shows. A row shown without an entry (one
  // added since) takes no typing.
  for (size_t r = 0; r < EventRows.size() && static_cast<int>(r) < ValidCount(events_.AsteroidTiming); ++r) {
    const QString letter = EventRows[r][5]->text().trimmed().toUpper();
    if (EventRows[r][5]->isReadOnly() || letter == "D" || letter == "R") continue;
    Dialogs().ShowError(QString("The D/R of event %1 is neither D nor R: please correct it before the report is "
                                "saved or copied.").arg(r + 1));
    return false;
  }
  return true;
}

// The reports and the light curve take the site from the record: a corrected
// position or altitude goes there, or the saved files would keep the old one.
void TLightCurveReport::SiteEdited() {
  auto part = [](const QLineEdit* e) {
    std::string s = S(e->text());
    std::erase(s, ' ');
    return s;
  };
  TReportLightCurveElement& e = events_.ReportLightCurveElement;
  StoreSitePosition(e, {part(Edit2), part(Edit3), part(Edit4)}, {part(Edit5), part(Edit6), part(Edit7)});
  e.Altitude = part(Edit8);
  JoinSitePosition(e);
  ReplaceLightCurveLine(2, LightCurveObserverLine(e));
  RecordTakenFromEdits();
  BuildXmlReport();
  BuildTextReport();
}

// The saved light curve and its proposed name carry the record's observer:
// a corrected name goes there, or the files of one event would name two.
void TLightCurveReport::ObserverEdited() {
  TReportLightCurveElement& e = events_.ReportLightCurveElement;
  e.Observer = S(Edit11->text());
  e.CoObserver = S(Edit12->text());
  ReplaceLightCurveLine(2, LightCurveObserverLine(e));
  RecordTakenFromEdits();
  BuildXmlReport();
  BuildTextReport();
}

// What was typed into the record is what the edits were filled with: an
// identification applied afterwards changes the record and so shows again,
// even where it brings back the text that was there before the correction.
void TLightCurveReport::RecordTakenFromEdits() { shown_record_ = RecordTexts(); }

// The reports show the record's asteroid in these edits: a corrected number
// or name goes there, with the light curve's object line of an asteroid.
void TLightCurveReport::AsteroidEdited() {
  TReportLightCurveElement& e = events_.ReportLightCurveElement;
  e.ObjectNumber = S(Edit15->text());
  e.ObjectName = S(Edit16->text());
  e.ObjectLabel = e.ObjectNumber + ": " + e.ObjectName;
  if (e.Kind == ReportKind::Asteroid) ReplaceLightCurveLine(3, "Object: Asteroid: " + e.ObjectLabel);
  RecordTakenFromEdits();
  BuildXmlReport();
  BuildTextReport();
}

// A corrected star goes into the record, so the reports name it with its
// own catalogue and the saved light curve puts it in that catalogue's slot.
void TLightCurveReport::StarEdited() {
  TReportLightCurveElement& e = events_.ReportLightCurveElement;
  const std::string catalogue = S(Edit13->text().trimmed()), number = S(Edit14->text().trimmed());
  // The ZC number kept for the occultation report line was that of the star before.
  if (catalogue != e.Catalogue || number != e.StarNumber) {
    e.ZcLabel.clear();
    e.ZcNumber.clear();
  }
  e.Catalogue = catalogue;
  e.StarNumber = number;
  ReplaceLightCurveLine(1, LightCurveStarLine(e));
  RecordTakenFromEdits();
  BuildXmlReport();
  BuildTextReport();
}

// Line `index` of the light curve, as saved and as shown.
void TLightCurveReport::ReplaceLightCurveLine(size_t index, const std::string& line) {
  events_.ReportLightCurveData.Lines[index] = line;
  std::vector<std::string> shown = MemoLines(Memo1);
  if (shown.size() <= index) return;
  shown[index] = line;
  SetMemoLines(Memo1, shown);
}

void TLightCurveReport::ComboBox1Change() {
  Edit44->setText(ComboBox1->currentText());
  SetInputColour(ComboBox1, true);
  SetInputColour(Edit44, true);
  BuildTextReport();
}

void TLightCurveReport::ComboBox9Change() {
  Edit45->setText(ComboBox9->currentText());
  SetInputColour(ComboBox9, true);
  SetInputColour(Edit45, true);
  BuildTextReport();
}

void TLightCurveReport::Button1Click() {
  std::string& line3 = events_.ReportLightCurveData.Lines[3];
  const std::string slope = FormatFixed(ParseDoubleOr(S(Edit1->text()), 0), 2, 6);
  const auto rebuilt = WithLimbSlope(line3, slope);
  if (!rebuilt) return;
  events_.ReportLightCurveElement.LunarValues[kLunarLimbSlopeIndex] = slope;
  line3 = *rebuilt;
  std::vector<std::string> shown = MemoLines(Memo1);
  if (shown.size() > 1) {
    if (shown.size() > 3) shown[3] = line3;
    SetMemoLines(Memo1, shown);
  }
}

void TLightCurveReport::Button2Click() {
  const QString name = Dialogs().GetSaveFileName(
      "Save to file", Q(LightCurveFileName()), "Text (*.dat)");
  if (name.isEmpty()) return;
  const auto& l = events_.ReportLightCurveData.Lines;
  SaveLines(name, std::vector<std::string>(l.begin(), l.end()));
}

void TLightCurveReport::Button3Click() {
  BuildXmlReport();
  BuildTextReport();
  Edit43->setText("*****");
}

void TLightCurveReport::Button4Click() {
  const std::vector<std::string> lines = MemoLines(Memo2);
  if (lines.size() <= 10) return;
  const TReportLightCurveElement& e = events_.ReportLightCurveElement;
  // The XML report file is named after an asteroid: other events get no file,
  // and a report not saved does not count as made.
  if (e.Kind != ReportKind::Asteroid) {
    Dialogs().ShowInformation(
        "An XML report file is saved only for an asteroidal event: nothing was saved. "
        "Use \"Copy for Text Report\" to take the report.");
    return;
  }
  if (!XmlInputsWritable()) return;
  const std::string name = MakeXmlFileName(e, S(Edit11->text()));
  Edit43->setText(Q(name));
  const QString chosen = Dialogs().GetSaveFileName("Save XML Report File", Q(name), "XML (*.xml)");
  // A cancelled or failed save does not count as a made report.
  if (chosen.isEmpty() || !SaveLines(chosen, lines)) return;
  host_.MarkReportStepDone();
}

void TLightCurveReport::Button5Click() {
  if (!XmlInputsWritable()) return;
  // Camera settings typed without Enter show in their edits: the copy carries them.
  BuildTextReport();
  std::vector<std::string> out = MemoLines(Memo3);
  out.push_back("");
  for (std::string& l : MemoLines(Memo2)) out.push_back(std::move(l));
  if (CheckBox6->isChecked()) {
    out.push_back("");
    out.push_back("***********************************************************");
    out.push_back("Text-based Light curve ");
    out.push_back(LightCurveFileName());
    out.push_back("");
    for (std::string& l : MemoLines(Memo1)) out.push_back(std::move(l));
  }
  SetMemoLines(Memo4, out);
  Memo4->selectAll();
  QApplication::clipboard()->setText(Memo4->toPlainText());
  host_.MarkReportStepDone();
}

void TLightCurveReport::Button6Click() {
  const QString name = Dialogs().GetOpenFileName("Load camera setting file", Q(host_.LastVideoDirectory()),
                                                 "TXT (*.txt)");
  if (name.isEmpty()) return;
  const auto bytes = ReadWholeFile(name.toStdString(), 1 << 20);
  if (!bytes) {
    Dialogs().ShowError("The camera setting file could not be read:\r\n" + name);
    return;
  }
  // A file saved by a Windows editor with a byte-order mark, or as "Unicode":
  // the mark would hide the first line's key.
  const std::string text = FileTextAsUtf8(*bytes);
  const std::vector<std::string> lines = SplitTextLines(text);
  const CameraSettings s = ParseCameraSettings(lines);
  // Another kind of file would blank the settings loaded or typed before.
  if (s.KeysFound == 0 || text.find('\0') != std::string::npos) {
    Dialogs().ShowError("The file holds no camera settings (Gain=, Exposure=, Binning=, ...).\r\n" + name);
    return;
  }
  SetMemoLines(Memo5, lines);
  Edit47->setText(Q(s.CaptureArea));
  Edit48->setText(Q(s.Binning));
  Edit49->setText(Q(s.HighSpeedMode));
  Edit50->setText(Q(s.Gain));
  Edit51->setText(Q(s.Exposure));
  Edit52->setText(Q(s.Brightness));
  BuildTextReport();
  for (QLineEdit* e : {Edit47, Edit48, Edit49, Edit50, Edit51, Edit52}) SetInputColour(e, true);
}
