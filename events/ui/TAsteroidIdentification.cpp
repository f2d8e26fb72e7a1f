// The event identification window: controls, start-up, the prediction list,
// the element edits, camera, date and time, sites and applying.
#include "events/ui/TAsteroidIdentification.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/AtomicFile.h"
#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ResultTable.h"
#include "base/TextTools.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "base/ui/HandlerTable.h"
#include "base/ui/StdText.h"
#include "chart/ui/Tchart1.h"
#include "events/EventIdentification.h"
#include "events/ui/IdentificationWidgets.h"
#include "events/ui/TFresnelCtrl.h"

namespace {

constexpr const char* kSiteKeys[3] = {"FirstSite", "SecondSite", "ThirdSite"};

QStringList SpectralItems() {
  QStringList items;
  for (const char* c : {"O", "B", "A", "F", "G", "K", "M"})
    for (int d = 0; d <= 9; ++d) items << QString("%1%2").arg(c).arg(d);
  items << "--";
  return items;
}

}  // namespace

TAsteroidIdentification::TAsteroidIdentification(IdentificationHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window), host_(host) {
  SetUpToolWindow(this, "AsteroidIdentification", "Asteroid timing guide");
  BuildControls();
  FormCreate();
}

TAsteroidIdentification::~TAsteroidIdentification() = default;

void TAsteroidIdentification::BuildControls() {
  auto* top = new QVBoxLayout(this);
  auto* buttons = new QHBoxLayout;
  Button5 = MakeButton(this, "Button5", "1. Load from XML file");
  Button3 = MakeButton(this, "Button3", "1. Paste the copied prediction page");
  Button6 = MakeButton(this, "Button6", "Clear");
  buttons->addWidget(Button5);
  buttons->addWidget(Button3);
  buttons->addWidget(Button6);
  top->addLayout(buttons);
  Memo3 = MakeMemo(this, "Memo3");
  Memo3->setReadOnly(true);
  Memo3->setPlainText(
      "1. Load the prediction\n2. Select (click) the observed event\n3. Check the occultation elements\n"
      "4. Check the camera\n5. Check the date and time on the video\n6. Set the observation site\n"
      "7. Check the observer's name\n8. Apply");
  Memo1 = MakeMemo(this, "Memo1");
  Memo2 = MakeMemo(this, "Memo2");
  auto* memos = new QHBoxLayout;
  memos->addWidget(Memo3);
  memos->addWidget(Memo1);
  memos->addWidget(Memo2);
  top->addLayout(memos);

  auto* g2 = new QGroupBox("2. Select (click) observed Event", this);
  auto* g2l = new QVBoxLayout(g2);
  ListBox1 = Named<QListWidget>("ListBox1", g2);
  g2l->addWidget(ListBox1);
  top->addWidget(g2);

  // The numbered groups of captioned edits fill rows of four.
  auto grid_group = [&](const char* caption) {
    auto* group = new QGroupBox(caption, this);
    top->addWidget(group);
    return CaptionedCells(this, new QGridLayout(group), 4);
  };
  CaptionedCells g3l = grid_group("3. Occultation Elements of observed Event");
  Edit9 = g3l.AddEdit("Edit9", "Date");
  Edit19 = g3l.AddEdit("Edit19", "UT");
  Edit7 = g3l.AddEdit("Edit7", "Object");
  Edit15 = g3l.AddEdit("Edit15", "Size km");
  Edit14 = g3l.AddEdit("Edit14", "Object mag.");
  Edit8 = g3l.AddEdit("Edit8", "Target star");
  Edit10 = g3l.AddEdit("Edit10", "B");
  Edit11 = g3l.AddEdit("Edit11", "V");
  Edit17 = g3l.AddEdit("Edit17", "R");
  Edit12 = g3l.AddEdit("Edit12", "B-V");
  ComboBox2 = MakeCombo(this, "ComboBox2", SpectralItems());
  SetComboIndex(ComboBox2, 70);
  g3l.Add("Spectrum", ComboBox2);
  Edit18 = g3l.AddEdit("Edit18", "Star dia. mas");
  Edit1 = g3l.AddEdit("Edit1", "Shadow velocity m/s");
  Edit2 = g3l.AddEdit("Edit2", "Distance km");
  Edit16 = g3l.AddEdit("Edit16", "Mag. drop");
  Edit20 = g3l.AddEdit("Edit20", "Contact angle deg.");
  Edit25 = g3l.AddEdit("Edit25", "Combined mag.");
  Edit37 = g3l.AddEdit("Edit37", "Fresnel number");

  auto* g4 = new QGroupBox("4. Check and Edit :  Camera", this);
  auto* g4l = new QHBoxLayout(g4);
  ComboBox1 = MakeCombo(this, "ComboBox1", {"WAT-100N", "WAT-120N", "WAT-910HX", "ZWO ASI290"});
  SetComboIndex(ComboBox1, 3);
  Button4 = MakeButton(this, "Button4", "Save camera to ini file");
  g4l->addWidget(ComboBox1);
  g4l->addWidget(Button4);
  top->addWidget(g4);

  CaptionedCells g5l = grid_group("5. Check and Edit : Date / Time on video recorded");
  Edit4 = g5l.AddEdit("Edit4", "Year");
  Edit5 = g5l.AddEdit("Edit5", "Month");
  Edit6 = g5l.AddEdit("Edit6", "Day");
  Edit21 = g5l.AddEdit("Edit21", "h");
  Edit22 = g5l.AddEdit("Edit22", "m");
  Edit23 = g5l.AddEdit("Edit23", "s");
  Edit24 = g5l.AddEdit("Edit24", "UT (h)");

  CaptionedCells g6l = grid_group("6. Check and Edit : Observer and Site location");
  Edit13 = g6l.AddEdit("Edit13", "Long. deg");
  Edit26 = g6l.AddEdit("Edit26", "min");
  Edit27 = g6l.AddEdit("Edit27", "sec");
  Edit28 = g6l.AddEdit("Edit28", "Lat. deg");
  Edit29 = g6l.AddEdit("Edit29", "min");
  Edit30 = g6l.AddEdit("Edit30", "sec");
  Edit31 = g6l.AddEdit("Edit31", "Alt. m");
  Edit33 = g6l.AddEdit("Edit33", "Observation site");
  Edit34 = g6l.AddEdit("Edit34", "Country");
  Edit32 = g6l.AddEdit("Edit32", "Map coordinates");
  // Limits on typing only: a south or west site has parts like "-30" that
  // the map and stored sites must put in whole (a QLineEdit length would cut them).
  typing_limits_ = {{Edit13, 4}, {Edit26, 2}, {Edit27, 5}, {Edit28, 3}, {Edit29, 2}, {Edit30, 5}, {Edit31, 4}};
  for (const auto& [edit, limit] : typing_limits_)
    connect(edit, &QLineEdit::textEdited, this, [e = edit, n = limit](const QString& t) {
      if (t.size() > n) e->setText(t.left(n));  // a paste is cut as typing is
    });
  ComboBox4 = MakeCombo(this, "ComboBox4",
                        {"", "China [CHN]", "Hong Kong [HKG]", "India [IND]", "Japan [JPN]", "Korea [KOR]",
                         "Thailand [THA]", "Taiwan [TWN]", "Viet Num [VNM]"});
  Button12 = MakeButton(this, "Button12", "^ Apply");
  Button13 = MakeButton(this, "Button13", " First site");
  Button14 = MakeButton(this, "Button14", "Second site");
  Button15 = MakeButton(this, "Button15", "Thirrd site");
  Button16 = MakeButton(this, "Button16", "First site");
  Button17 = MakeButton(this, "Button17", "Second site");
  Button18 = MakeButton(this, "Button18", "Third site");
  Button19 = MakeButton(this, "Button19", "Clear");
  auto* sites = new QHBoxLayout;
  sites->addWidget(ComboBox4);
  sites->addWidget(Button12);
  sites->addWidget(new QLabel("Save as:"));
  for (auto* b : {Button13, Button14, Button15}) sites->addWidget(b);
  sites->addWidget(new QLabel("Load:"));
  for (auto* b : {Button16, Button17, Button18, Button19}) sites->addWidget(b);
  g6l.Grid()->addLayout(sites, 4, 0, 1, 8);

  auto* g7 = new QGroupBox("7. Check and Edit : Observer's name ", this);
  auto* g7l = new QHBoxLayout(g7);
  Edit3 = MakeEdit(this, "Edit3");
  Edit3->setMaxLength(64);
  Button2 = MakeButton(this, "Button2", "Save Observer's Name ");
  Edit35 = MakeEdit(this, "Edit35");
  g7l->addWidget(Edit3);
  g7l->addWidget(Button2);
  g7l->addWidget(new QLabel("Co-observer"));
  g7l->addWidget(Edit35);
  top->addWidget(g7);

  GroupBox9 = Named<QGroupBox>("GroupBox9", "Processing for frame integration video", this);
  auto* g9l = new QGridLayout(GroupBox9);
  Button7 = MakeButton(this, "Button7", "9. Processing for Integrated Analog video");
  ComboBox3 = MakeCombo(this, "ComboBox3",
                        {"0 no integration", "1frame integration", "2", "4", "8", "16", "32", "64", "128", "256"});
  Button8 = MakeButton(this, "Button8", "9-2. Find the first frame for measurement");
  Button9 = MakeButton(this, "Button9", "9-3. Make a measurement for integrated video  -> Show Graph");
  Button10 = MakeButton(this, "Button10", "Set 1frame -> Exit");
  Memo6 = MakeMemo(this, "Memo6");
  Memo6->setVisible(false);
  g9l->addWidget(new QLabel("9-1. Set integrated frames"), 0, 0);
  g9l->addWidget(ComboBox3, 0, 1);
  g9l->addWidget(Button8, 1, 0, 1, 2);
  g9l->addWidget(Button9, 2, 0, 1, 2);
  g9l->addWidget(Button10, 3, 0, 1, 2);
  top->addWidget(Button7);
  top->addWidget(GroupBox9);

  auto* bottom = new QHBoxLayout;
  Button1 = MakeButton(this, "Button1", "8. for CMOS ....Apply and open Graph");
  Button11 = MakeButton(this, "Button11", "Exit");
  Memo4 = MakeMemo(this, "Memo4");
  Memo4->setMaximumHeight(60);
  bottom->addWidget(Button1);
  bottom->addWidget(Button11);
  bottom->addWidget(Memo4);
  top->addLayout(bottom);

  for (QLineEdit* e : {Edit4, Edit5, Edit6, Edit21, Edit22, Edit23, Edit13, Edit26, Edit27, Edit28, Edit29, Edit30,
                       Edit31, Edit33})
    e->installEventFilter(this);

  const Handlers<TAsteroidIdentification> button_handlers = {
      {Button5, &TAsteroidIdentification::Button5Click}, {Button3, &TAsteroidIdentification::Button3Click},
      {Button6, &TAsteroidIdentification::Button6Click}, {Button19, &TAsteroidIdentification::Button19Click},
      {Button1, &TAsteroidIdentification::Button1Click}, {Button11, &TAsteroidIdentification::Button11Click},
      {Button7, &TAsteroidIdentification::Button7Click}, {Button2, &TAsteroidIdentification::Button2Click},
      {Button4, &TAsteroidIdentification::Button4Click}, {Button12, &TAsteroidIdentification::Button12Click},
      {Button8, &TAsteroidIdentification::Button8Click}, {Button9, &TAsteroidIdentification::Button9Click}};
  ConnectEach(this, button_handlers);
  connect(Memo1, &QPlainTextEdit::textChanged, this, &TAsteroidIdentification::Memo1Change);
  connect(ListBox1, &QListWidget::itemPressed, this, [this] { ListBox1MouseDown(); });
  connect(Edit3, &QLineEdit::textChanged, this, [this] { Edit3Change(); });
  OnComboBoxChange(ComboBox1, this, &TAsteroidIdentification::ComboBox1Change);
  connect(Edit10, &QLineEdit::textChanged, this, [this] { Edit10Change(); });
  connect(Edit11, &QLineEdit::textChanged, this, [this] { Edit10Change(); });
  connect(Edit12, &QLineEdit::textChanged, this, [this] { Edit12Change(); });
  OnComboBoxChange(ComboBox2, this, &TAsteroidIdentification::ComboBox2Change);
  OnComboBoxChange(ComboBox4, this, &TAsteroidIdentification::ComboBox4Change);
  connect(Edit33, &QLineEdit::textChanged, this, [this] { Edit33Change(); });
  connect(Edit34, &QLineEdit::textChanged, this, [this] { Edit34Change(); });
  connect(Button13, &QPushButton::clicked, this, [this] { SaveSite(0); });
  connect(Button14, &QPushButton::clicked, this, [this] { SaveSite(1); });
  connect(Button15, &QPushButton::clicked, this, [this] { SaveSite(2); });
  connect(Button16, &QPushButton::clicked, this, [this] { LoadSite(0); });
  connect(Button17, &QPushButton::clicked, this, [this] { LoadSite(1); });
  connect(Button18, &QPushButton::clicked, this, [this] { LoadSite(2); });
  OnComboBoxChange(ComboBox3, this, &TAsteroidIdentification::ComboBox3Change);
}

void TAsteroidIdentification::FormCreate() {
  IdentificationState& id = host_.Events().Identification;
  id.AsteroidIdentificationOpen = 1;
  id.IntegratedPanelOpened = 0;
  for (QWidget* w : std::initializer_list<QWidget*>{Button1, Button7, Button8, Button9, Button10, ComboBox3, GroupBox9})
    w->setEnabled(false);
  filling_ = true;
  Memo1->clear();
  filling_ = false;
  Memo2->clear();
  for (QLineEdit* e : {Edit1, Edit2, Edit7, Edit8, Edit9, Edit33, Edit34, Edit35}) e->clear();

  AppSettings& s = host_.Settings();
  s.ObserverName = host_.ReadSetting("Identification", "Observer", "Observer's Name");
  SetText(Edit3, s.ObserverName);
  // A camera that matches no item leaves the list as it is.
  id.OccultationElements.Camera = host_.ReadSetting("VideoSource", "Camera", s.Camera);
  if (const int i = ComboBox1->findText(QString::fromStdString(id.OccultationElements.Camera)); i >= 0)
    SetComboIndex(ComboBox1, i);

  const FrameTimeTexts& t = host_.Times();
  SetText(Edit4, VideoYearFromStamp(t.StampDate1));
  SetText(Edit5, VideoDayOrMonthFromStamp(t.StampDate2));
  SetText(Edit6, VideoDayOrMonthFromStamp(t.StampDate3));
  const auto edits = host_.TimeEdits();
  SetText(Edit21, edits[0]);
  SetText(Edit22, edits[1]);
  SetText(Edit23, edits[2]);
  RecomputeVideoUt();
  accepted_ = {Text(Edit4), Text(Edit5), Text(Edit6), Text(Edit21), Text(Edit22), Text(Edit23)};

  host_.Events().Flags.AsteroidWorkflowStarted = 1;
  id.ShowGraphAtRunEnd = 0;
  host_.Events().Flags.IntegratedVideoMeasured = 0;
}

bool TAsteroidIdentification::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) FormActivate();
  return QWidget::event(e);
}

// Only the first time: a later return to the window must not replace a site
// loaded or typed since.
void TAsteroidIdentification::FormActivate() {
  if (site_filled_) return;
  site_filled_ = true;
  FillSite(host_.Settings().StoredSites[0]);
}

void TAsteroidIdentification::closeEvent(QCloseEvent* e) {
  host_.Events().Identification.AsteroidIdentificationOpen = 0;
  RestoreFrameTable();
  e->accept();
}

// ---- prediction text and list ----

void TAsteroidIdentification::Button5Click() {
  const QString name = Dialogs().GetOpenFileName("Open", {}, "Occelmnt (*.xml);;text (*.txt)");
  if (name.isEmpty()) return;
  // A folder or a named pipe is refused, never waited on.
  const auto bytes = ReadWholeFile(name.toStdString(), kMaxPredictionFileBytes);
  if (!bytes) {
    Dialogs().ShowError("The prediction file could not be read.");
    return;
  }
  // Files saved by Windows editors carry a byte-order mark or are UTF-16.
  const std::string text = FileTextAsUtf8(*bytes);
  // A file without events is told, and the list loaded before stays.
  const auto list = ::ReadPredictionText(SplitTextLines(text));
  if (!list || list->Lines.empty()) {
    Dialogs().ShowError("The prediction file holds no occultation events.");
    return;
  }
  if (list->LastEventCut)
    Dialogs().ShowWarning("The prediction file is cut short: its last event was left out.\r\n" + name);
  TakePredictionText(QString::fromStdString(text));
}

// A new prediction replaces the list: the event shown and clicked in the old
// one is no longer offered for applying.
void TAsteroidIdentification::TakePredictionText(const QString& text) {
  IdentificationState& id = host_.Events().Identification;
  id.PredictionEvents.assign(1, Occelmnt_Format{});
  ShowPredictionEvent(0);
  id.PredictionEvents.clear();
  ListBox1->clear();
  filling_ = true;
  Memo1->clear();
  filling_ = false;
  Memo1->setPlainText(text);
  Button1->setEnabled(false);
  Button7->setEnabled(false);
  DropClickedEvent();
}

void TAsteroidIdentification::Button3Click() {
  const QString copied = QApplication::clipboard()->text();
  // Copied text without events is told, and the list pasted before stays.
  const auto list = ::ReadPredictionText(SplitTextLines(copied.toStdString()));
  if (!list || list->Lines.empty()) {
    Dialogs().ShowError("The copied text holds no occultation events.");
    return;
  }
  TakePredictionText(copied);
  if (list->LastEventCut) Dialogs().ShowWarning("The copied text is cut short: its last event was left out.");
}

void TAsteroidIdentification::Memo1Change() {
  if (!filling_) ReadPredictionText();
}

void TAsteroidIdentification::ReadPredictionText() {
  IdentificationState& id = host_.Events().Identification;
  const std::string text = Memo1->toPlainText().toStdString();
  const std::vector<std::string> lines = SplitTextLines(text);
  if (!lines.empty() && lines[0].rfind(kPastedPredictionStart, 0) == 0)
    Memo2->appendPlainText(QString::fromStdString(std::string(kPastedPredictionStart)));
  const auto list = ::ReadPredictionText(lines);
  host_.Events().Flags.AsteroidEventApplied = 0;
  if (!list) return;
  id.PredictionEvents = list->Events;
  if (list->LastBminusV) host_.Events().Diffraction.BminusV = *list->LastBminusV;
  ListBox1->clear();
  for (const std::string& l : list->Lines) ListBox1->addItem(QString::fromStdString(l));
  if (ListBox1->count() > 0) ListBox1->setCurrentRow(0);
  if (!id.PredictionEvents.empty() && id.PredictionEvents[0].ObjectName == "Moon") SelectEventByVideoTime();
}

void TAsteroidIdentification::SelectEventByVideoTime() {
  const IdentificationState& id = host_.Events().Identification;
  if (id.PredictionEvents.empty() || id.PredictionEvents[0].ObjectName != "Moon") return;
  const FrameTimeTexts& t = host_.Times();
  SetText(Edit24, FormatFixed(VideoUtHours, 4, 7));
  const int k = ::SelectEventByVideoTime(id.PredictionEvents, VideoDateText(t.StampDate1, t.StampDate2, t.StampDate3),
                                         VideoUtHours);
  if (k < 0 || k >= ListBox1->count()) return;
  ListBox1->setCurrentRow(k);
  ShowPredictionEvent(k);
}

void TAsteroidIdentification::ShowPredictionEvent(int k) {
  IdentificationState& id = host_.Events().Identification;
  if (k < 0 || k >= static_cast<int>(id.PredictionEvents.size())) return;
  Occelmnt_Format& e = id.PredictionEvents[static_cast<size_t>(k)];
  const PredictionEventTexts t = DescribePredictionEvent(e);
  e.CombinedMagnitude = t.Combined;
  SetText(Edit9, t.Date);
  SetText(Edit1, t.Velocity);
  SetText(Edit8, t.Star);
  {
    // The colour follows this event's B and V together, never one of them
    // beside the star shown before.
    const QSignalBlocker b10(Edit10), b11(Edit11);
    const bool changed = Text(Edit10) != t.B || Text(Edit11) != t.V;
    SetText(Edit11, t.V);
    SetText(Edit10, t.B);
    if (changed) Edit10Change();
  }
  SetText(Edit17, t.R);
  SetText(Edit12, t.BminusV);
  SetText(Edit25, t.CombinedMagnitude);
  SetText(Edit18, t.StarDiameter);
  SetText(Edit19, t.UT);
  SetText(Edit7, t.Object);
  SetText(Edit14, t.ObjectMagnitude);
  SetText(Edit15, t.ObjectDiameter);
  SetText(Edit2, t.Distance);
  SetText(Edit16, t.MagnitudeDrop);
  SetText(Edit20, t.ContactAngle);
  const int sp = ComboBox2->findText(QString::fromStdString(e.SpectralType));
  SetComboIndex(ComboBox2, sp >= 0 && sp < 70 ? sp : 70);
  id.OccultationElements = e;
  id.OccultationElements.Camera = ComboBox1->currentText().toStdString();
  id.OccultationElements.Observer = Text(Edit3);
  shown_event_ = id.OccultationElements;
  host_.Events().Flags.MagDrop = ParseDoubleOr(Text(Edit16), 0);
  SetText(Edit37, t.FresnelNumber);
  host_.Events().ReportLightCurveElement.LunarValues[kLunarContactAngleIndex] = "0.0";
}

void TAsteroidIdentification::Button6Click() {
  if (!Dialogs().AskYesNo("All listed Elements will be Erased. Are you sure?")) return;
  filling_ = true;
  Memo1->clear();
  filling_ = false;
  ListBox1->clear();
  ClearElementEdits();
  // As after loading: an event must be clicked again before it is applied.
  Button1->setEnabled(false);
  Button7->setEnabled(false);
  DropClickedEvent();
}

// Applying and measuring the integrated video hand the clicked event on:
// with the list loaded again or erased, none is clicked until one is.
void TAsteroidIdentification::DropClickedEvent() {
  event_clicked_ = false;
  EnableIntegratedMeasurement();
}

void TAsteroidIdentification::ClearElementEdits() {
  for (QLineEdit* e : {Edit9, Edit19, Edit7, Edit15, Edit14, Edit8, Edit10, Edit11, Edit17, Edit12, Edit18, Edit1,
                       Edit2, Edit16, Edit20, Edit25, Edit37})
    e->clear();
}

void TAsteroidIdentification::ListBox1MouseDown() {
  ShowPredictionEvent(ListBox1->currentRow());
  Button1->setEnabled(true);
  Button7->setEnabled(true);
  event_clicked_ = true;
  EnableIntegratedMeasurement();
}

// ---- elements, camera, observer ----

void TAsteroidIdentification::Edit3Change() { host_.Settings().ObserverName = Text(Edit3); }

void TAsteroidIdentification::Button2Click() {
  WriteSettingOrWarn("Identification", "Observer", Text(Edit3));
  host_.Settings().ObserverName = Text(Edit3);
}

namespace {

// The camera in the table's video-system line; false when the table has none.
bool PutCameraIntoTable(std::vector<std::string>& lines, const std::string& camera) {
  if (lines.size() < 3 || StripQuotes(lines[0]).rfind("Tessary File Format (for Ver.0.9.99.5", 0) != 0) return false;
  // A table without the video-system line has its header there: it stays.
  if (StripQuotes(GetCsvField(lines[2], 1)).rfind("Video System : ", 0) != 0) return false;
  SetCsvField(lines[2], 3, camera);
  return true;
}

}  // namespace

void TAsteroidIdentification::ComboBox1Change() {
  const std::string camera = ComboBox1->currentText().toStdString();
  host_.Events().Identification.OccultationElements.Camera = camera;
  shown_event_.Camera = camera;
  host_.SetCameraText(camera);
  // The frame-by-frame table kept under the averaged one is put back on
  // closing: it carries the camera chosen now as well.
  if (TableStillAveraged()) PutCameraIntoTable(frame_table_, camera);
  std::vector<std::string> lines = host_.Table().Lines();
  if (PutCameraIntoTable(lines, camera)) host_.Table().ReplaceLines(std::move(lines));
}

void TAsteroidIdentification::Button4Click() {
  const std::string camera = ComboBox1->currentText().toStdString();
  WriteSettingOrWarn("VideoSource", "Camera", camera);
  host_.Settings().Camera = camera;
}

void TAsteroidIdentification::Edit10Change() {
  const auto d = ColourIndexFromEdits(Text(Edit10), Text(Edit11));
  if (!d) return;
  host_.Events().Diffraction.BminusV = *d;
  SetText(Edit12, FormatFixed(*d, 2, 4));
  PushColourIndexToPanel();
}

void TAsteroidIdentification::Edit12Change() {
  const auto v = AcceptColourIndex(Text(Edit12));
  if (!v) return;
  host_.Events().Diffraction.BminusV = *v;
  PushColourIndexToPanel();
}

// The open diffraction panel shows the colour and takes it over.
void TAsteroidIdentification::PushColourIndexToPanel() {
  Tchart1* chart = host_.ChartWindow();
  if (chart && chart->FresnelCtrl) chart->FresnelCtrl->SetColourIndexText(Edit12->text());
}

void TAsteroidIdentification::ComboBox2Change() {
  host_.Events().Identification.OccultationElements.SpectralType = ComboBox2->currentText().toStdString();
  shown_event_.SpectralType = ComboBox2->currentText().toStdString();
}

void TAsteroidIdentification::ComboBox4Change() {
  const std::string item = ComboBox4->currentText().toStdString();
  const size_t open = item.find('['), close = item.find(']');
  const std::string code =
      open != std::string::npos && close != std::string::npos && close > open ? item.substr(open + 1, close - open - 1)
                                                                              : std::string();
  host_.Events().Identification.CountryCodeText = code;
  SetText(Edit34, code);
}

void TAsteroidIdentification::Edit33Change() { host_.Events().Identification.SiteNameText = Text(Edit33); }
void TAsteroidIdentification::Edit34Change() { host_.Events().Identification.CountryCodeText = Text(Edit34); }

// ---- date and time of the video ----

void TAsteroidIdentification::RecomputeVideoUt() {
  VideoUtHours = ParseInt32(Text(Edit21)).value_or(0) + ParseInt32(Text(Edit22)).value_or(0) / 60.0 +
                 ParseDoubleOr(Text(Edit23), 0) / 3600.0;
}

void TAsteroidIdentification::CheckDateTimeEdit(QLineEdit* edit) {
  const std::array<QLineEdit*, 6> edits{Edit4, Edit5, Edit6, Edit21, Edit22, Edit23};
  const size_t k = static_cast<size_t>(std::find(edits.begin(), edits.end(), edit) - edits.begin());
  if (k >= edits.size()) return;
  FrameTimeTexts& t = host_.Times();
  const std::string text = Text(edit);
  std::optional<std::string> shown;
  switch (k) {
    case 0:
      // Written back plain: "+2025" or "02025" would go into the dates and codes.
      if (auto y = AcceptVideoYear(text)) t.StampDate1 = *y, shown = FormatInt(*ParseInt32(text));
      break;
    case 1:
      if (auto m = AcceptInteger(text, 1, 12)) t.StampDate2 = FormatInt(*m), shown = FormatInt(*m);
      break;
    case 2:
      if (auto d = AcceptInteger(text, 1, 31)) t.StampDate3 = FormatInt(*d), shown = FormatInt(*d);
      break;
    case 3:
      if (auto h = AcceptInteger(text, 0, 23)) shown = FormatInt(*h);
      break;
    case 4:
      if (auto m = AcceptInteger(text, 0, 59)) shown = FormatInt(*m);
      break;
    default:
      if (auto s = AcceptSecond(text)) shown = FormatFixed(*s, 4, 8);
      break;
  }
  PaintBase(edit, Qt::white);
  if (!shown) {
    SetText(edit, accepted_[k]);
    return;
  }
  SetText(edit, *shown);
  accepted_[k] = *shown;
  RecomputeVideoUt();
  SelectEventByVideoTime();
}

bool TAsteroidIdentification::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (!edit) return QWidget::eventFilter(watched, event);
  const bool date_time = edit == Edit4 || edit == Edit5 || edit == Edit6 || edit == Edit21 || edit == Edit22 ||
                         edit == Edit23;
  if (date_time && event->type() == QEvent::FocusIn) PaintBase(edit, Qt::yellow);
  if (date_time && event->type() == QEvent::FocusOut) CheckDateTimeEdit(edit);
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const bool enter = IsEnterKey(event);
  if (date_time) {
    if (enter) CheckDateTimeEdit(edit);
    return enter;
  }
  if (enter) {
    focusNextChild();
    return true;
  }
  if (edit == Edit33) return false;
  std::string allowed = "0123456789";
  if (edit == Edit13 || edit == Edit28) allowed += "-";
  if (edit == Edit27 || edit == Edit30) allowed += ".";
  const QString typed = key->text();
  if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete || typed.isEmpty()) return false;
  if (!(typed.size() == 1 && allowed.find(typed.at(0).toLatin1()) != std::string::npos)) return true;
  const auto limit = typing_limits_.find(edit);
  return limit != typing_limits_.end() && edit->text().size() - edit->selectedText().size() >= limit->second;
}

// ---- sites ----

std::array<QLineEdit*, 9> TAsteroidIdentification::SiteEdits() const {
  return {Edit13, Edit26, Edit27, Edit28, Edit29, Edit30, Edit31, Edit33, Edit34};
}

void TAsteroidIdentification::FillSite(const std::string& value) {
  if (value.empty() || value.find(':') == std::string::npos) return;
  const auto texts = SplitSite(value);
  const auto edits = SiteEdits();
  for (size_t k = 0; k < edits.size(); ++k) SetText(edits[k], texts[k]);
}

void TAsteroidIdentification::SaveSite(int k) {
  std::array<std::string, 9> texts;
  const auto edits = SiteEdits();
  for (size_t i = 0; i < edits.size(); ++i) texts[i] = Text(edits[i]);
  const std::string value = JoinSite(texts);
  WriteSettingOrWarn("Identification", kSiteKeys[k], value);
  host_.Settings().StoredSites[static_cast<size_t>(k)] = value;
}

void TAsteroidIdentification::LoadSite(int k) {
  std::string& stored = host_.Settings().StoredSites[static_cast<size_t>(k)];
  stored = host_.ReadSetting("Identification", kSiteKeys[k], "");
  FillSite(stored);
}

void TAsteroidIdentification::Button19Click() {
  for (QLineEdit* e : SiteEdits()) e->clear();
}

void TAsteroidIdentification::Button12Click() {
  const auto p = MapCoordinates(Text(Edit32));
  if (!p) return;
  SetText(Edit28, p->Latitude[0]);
  SetText(Edit29, p->Latitude[1]);
  SetText(Edit30, p->Latitude[2]);
  SetText(Edit13, p->Longitude[0]);
  SetText(Edit26, p->Longitude[1]);
  SetText(Edit27, p->Longitude[2]);
  StoreMapPosition();
}

void TAsteroidIdentification::StoreMapPosition() {
  StoreSitePosition(host_.Events().ReportLightCurveElement, {Text(Edit13), Text(Edit26), Text(Edit27)},
                    {Text(Edit28), Text(Edit29), Text(Edit30)});
}

void TAsteroidIdentification::WriteSettingOrWarn(const std::string& section, const std::string& key,
                                                 const std::string& value) {
  WriteSettingOrShowError(host_, section, key, value);
}

// ---- applying ----

void TAsteroidIdentification::Button1Click() { ApplyEventIdentification(); }

void TAsteroidIdentification::Button11Click() { close(); }

void TAsteroidIdentification::ApplyEventIdentification() {
  ChartEventState& ev = host_.Events();
  IdentificationState& id = ev.Identification;
  TReportLightCurveElement& r = ev.ReportLightCurveElement;
  r.Kind = ReportKind::Asteroid;
  // A lunar star's ZC number would stand in for this star in the results.
  r.ZcLabel.clear();
  r.ZcNumber.clear();
  HandOnShownEvent();
  const std::string video_date =
      Edit4->text().isEmpty() ? std::string() : Text(Edit4) + "_" + Text(Edit5) + "_" + Text(Edit6);
  const AsteroidTitles titles = AsteroidIdentificationTexts(id.OccultationElements, video_date, Text(Edit3));
  ev.Texts.IdentificationTitle = titles.Title;
  if (titles.Code) ev.Texts.IdentificationCode = *titles.Code;
  host_.CloseChart();

  const int header = host_.DetectCsvHeaderLines();
  const std::vector<std::string>& lines = host_.Table().Lines();
  const int n_rows = std::max(0, static_cast<int>(lines.size()) - header - 1);
  TChartState& st = host_.Chart().ChartState;
  st.TotalFrameCount = n_rows;
  st.DataLineCount = n_rows;
  const int record = FindEventRecord(ObjectAValues(lines, header, n_rows));
  Memo4->appendPlainText(QString::number(record));
  st.SelectedFrame = record;

  FillReportRecord();

  ev.Flags.AsteroidEventApplied = 1;
  if (host_.Playing()) return;
  host_.MarkXmlElementStep();
  ev.Flags.PresetSelectedFrame = record;
  host_.OpenChart();
  QWidget::close();
}

// The lunar identification resets the shared elements when it opens: what
// is applied is the event this window shows, as checked and edited here.
void TAsteroidIdentification::HandOnShownEvent() {
  IdentificationState& id = host_.Events().Identification;
  id.OccultationElements = shown_event_;
  id.OccultationElements.Observer = Text(Edit3);
}

// The checked date, site, observer, object and star go into the report
// record, on the road through 'Apply' and on the integrated-video road alike.
void TAsteroidIdentification::FillReportRecord() {
  TReportLightCurveElement& r = host_.Events().ReportLightCurveElement;
  r.RecordingDate = Text(Edit4) + "-" + Text(Edit5) + "-" + Text(Edit6);
  r.EventDate = ReportEventDate(Text(Edit9));
  r.EventHour = Text(Edit19);
  StoreMapPosition();
  JoinSitePosition(r);
  r.Altitude = Text(Edit31);
  r.Observer = Text(Edit3);
  r.CoObserver = Text(Edit35);
  r.Site = Text(Edit33);
  r.Country = Text(Edit34);
  r.BMag = Text(Edit10);
  r.VMag = Text(Edit11);
  r.RMag = Text(Edit17);

  const std::string object = Text(Edit7);
  const size_t close = object.find(')');
  if (!object.empty() && object[0] == '(' && close != std::string::npos) {
    r.ObjectNumber = object.substr(1, close - 1);
    r.ObjectName = object.substr(close + 1);
    r.ObjectLabel = r.ObjectNumber + ": " + r.ObjectName;
  } else {
    // No numbered object (the Moon): an asteroid applied before must not be
    // reported for this event.
    r.ObjectNumber.clear();
    r.ObjectName.clear();
    r.ObjectLabel.clear();
  }
  std::tie(r.Catalogue, r.StarNumber) = StarCatalogueOf(Text(Edit8));
  // A ZC star is reported under its XZ number, as the lunar identification does.
  if (r.Catalogue == "ZC") {
    r.ZcLabel = "ZC";
    r.ZcNumber = r.StarNumber;
    if (const auto xz = XzNumberOf(r.StarNumber, host_.ZcToXz())) {
      r.Catalogue = "XZ80Q";
      r.StarNumber = FormatInt(*xz);
    }
  }
}
