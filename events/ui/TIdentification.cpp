// The lunar identification window: controls, start-up, prediction listing,
// applying a line and the identification code.
#include "events/ui/TIdentification.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "base/AtomicFile.h"
#include "base/DateText.h"
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

// A single digit gets a blank in front, as the stamp texts are written.
std::string StampPart(int v) { return (v >= 0 && v < 10 ? " " : "") + FormatInt(v); }

void SelectItem(QComboBox* box, const std::string& text) {
  const int i = box->findText(QString::fromStdString(text));
  if (i >= 0) SetComboIndex(box, i);
}

}  // namespace

TIdentification::TIdentification(IdentificationHost& host, bool from_chart, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), host_(host) {
  SetUpToolWindow(this, "Identification", "Identification code writer");
  BuildControls();
  FormCreate(from_chart);
}

TIdentification::~TIdentification() = default;

void TIdentification::BuildControls() {
  auto* top = new QVBoxLayout(this);
  auto* menu = new QMenuBar(this);
  top->setMenuBar(menu);
  auto item = [](QMenu* m, const char* name, const char* caption) {
    QAction* a = m->addAction(caption);
    a->setObjectName(name);
    return a;
  };
  QMenu* file = menu->addMenu("File");
  Opengraphpngfile1 = item(file, "Opengraphpngfile1", "Open graph (.png file)");
  Savegraphpngfile1 = item(file, "Savegraphpngfile1", "Save graph (.png file)");
  Exit1 = item(file, "Exit1", "Exit");
  QMenu* edit = menu->addMenu("Edit");
  Copyimagetoclipboard1 = item(edit, "Copyimagetoclipboard1", "Copy image to clipboard");
  Pasteimagefromclipboard1 = item(edit, "Pasteimagefromclipboard1", "Paste image from clipboard");
  QMenu* prediction = menu->addMenu("Prediction");
  Openpredictionfile1 = item(prediction, "Openpredictionfile1", "Open prediction file");
  Pastefromclipboard1 = item(prediction, "Pastefromclipboard1", "Paste from clipboard");

  auto* row1 = new QHBoxLayout;
  QStringList years, months, days;
  for (int y = 1995; y <= 2040; ++y) years << QString::number(y);
  for (int m = 1; m <= 12; ++m) months << QString::fromStdString(FullMonthName(m));
  for (int d = 1; d <= 31; ++d) days << QString::number(d);
  ComboBox1 = MakeCombo(this, "ComboBox1", years);
  ComboBox2 = MakeCombo(this, "ComboBox2", months);
  ComboBox3 = MakeCombo(this, "ComboBox3", days);
  Edit9 = MakeEdit(this, "Edit9");
  Edit10 = MakeEdit(this, "Edit10");
  Edit11 = MakeEdit(this, "Edit11");
  Button9 = MakeButton(this, "Button9", "Date");
  for (QWidget* w : std::initializer_list<QWidget*>{ComboBox1, ComboBox2, ComboBox3, Edit9, Edit10, Edit11, Button9})
    row1->addWidget(w);
  top->addLayout(row1);

  auto* row2 = new QHBoxLayout;
  row2->addWidget(new QLabel("Observer:"));
  Edit1 = MakeEdit(this, "Edit1");
  Button1 = MakeButton(this, "Button1", "Save observer name (for Lunar)");
  Edit2 = MakeEdit(this, "Edit2");
  row2->addWidget(Edit1);
  row2->addWidget(Button1);
  row2->addWidget(Edit2);
  top->addLayout(row2);

  auto* row3 = new QHBoxLayout;
  CheckBox2 = Named<QCheckBox>("CheckBox2", "Detail", this);
  CheckBox2->setChecked(true);
  CheckBox3 = Named<QCheckBox>("CheckBox3", "Auto search", this);
  RadioGroup1 = new TRadioGroup("RadioGroup1", "Target image", {"Direct to Graph", "From other source"}, this);
  RadioGroup1->SetItemIndex(0);
  Button3 = MakeButton(this, "Button3", "Clear");
  Button12 = MakeButton(this, "Button12", "Apply");
  Button6 = MakeButton(this, "Button6", "Apply and Close");
  Button2 = MakeButton(this, "Button2", "Dummy");
  Button2->setVisible(false);
  Button4 = MakeButton(this, "Button4", "Button4");
  Button5 = MakeButton(this, "Button5", "Button5");
  Button4->setVisible(false);
  Button5->setVisible(false);
  SpeedButton1 = MakeButton(this, "SpeedButton1", "Open");
  SpeedButton2 = MakeButton(this, "SpeedButton2", "Close");
  for (QWidget* w : std::initializer_list<QWidget*>{CheckBox2, CheckBox3, RadioGroup1, Button3, Button12, Button6,
                                                    new QLabel("Graph"), SpeedButton1, SpeedButton2})
    row3->addWidget(w);
  top->addLayout(row3);

  Label4 = Named<QLabel>("Label4", this);
  Label4->setFont(QFont("Monospace"));
  top->addWidget(Label4);
  ListBox1 = Named<QListWidget>("ListBox1", this);
  ListBox1->setToolTip("Hit Enter or Dbl click to input the identification code.");
  ListBox1->setFont(QFont("Monospace"));
  ListBox1->installEventFilter(this);
  top->addWidget(ListBox1);
  ProgressBar1 = Named<QProgressBar>("ProgressBar1", this);
  top->addWidget(ProgressBar1);

  Panel1 = Named<QWidget>("Panel1", this);
  CaptionedCells values(this, new QGridLayout(Panel1), 6);
  Edit4 = values.AddEdit("Edit4", "Lunar distance");
  Edit5 = values.AddEdit("Edit5", "Shadow velocity");
  Edit6 = values.AddEdit("Edit6", "Contact angle");
  Edit7 = values.AddEdit("Edit7", "");
  Edit8 = values.AddEdit("Edit8", "Spectrum type");
  Edit12 = values.AddEdit("Edit12", "AA");
  Edit13 = values.AddEdit("Edit13", "RV");
  Edit14 = values.AddEdit("Edit14", "PA");
  Edit15 = values.AddEdit("Edit15", "CA");
  Edit16 = values.AddEdit("Edit16", "Illum.");
  Edit17 = values.AddEdit("Edit17", "Alt.");
  Edit18 = values.AddEdit("Edit18", "Libration L");
  Edit19 = values.AddEdit("Edit19", "Libration B");
  Edit20 = values.AddEdit("Edit20", "Cat. number");
  Edit21 = values.AddEdit("Edit21", "Catalogue");
  Edit22 = values.AddEdit("Edit22", "Apparent radius");
  Edit23 = values.AddEdit("Edit23", "Long. d");
  Edit24 = values.AddEdit("Edit24", "m");
  Edit25 = values.AddEdit("Edit25", "s");
  Edit26 = values.AddEdit("Edit26", "Lat. d");
  Edit27 = values.AddEdit("Edit27", "m");
  Edit28 = values.AddEdit("Edit28", "s");
  Edit29 = values.AddEdit("Edit29", "Alt. m");
  Edit30 = values.AddEdit("Edit30", "ZC -> XZ");
  Edit31 = values.AddEdit("Edit31", "");
  Edit32 = values.AddEdit("Edit32", "Day");
  Edit35 = values.AddEdit("Edit35", "V");
  Edit36 = values.AddEdit("Edit36", "R");
  Edit37 = values.AddEdit("Edit37", "Mag.");
  Edit38 = values.AddEdit("Edit38", "Prediction");
  Edit39 = values.AddEdit("Edit39", "Stamp");
  for (QLineEdit* e : {Edit4, Edit5, Edit6, Edit7, Edit8, Edit12, Edit13, Edit14, Edit15, Edit16, Edit17, Edit18,
                       Edit19, Edit20, Edit21, Edit22})
    e->setReadOnly(true);
  top->addWidget(Panel1);

  auto* memos = new QHBoxLayout;
  Memo1 = MakeMemo(this, "Memo1");
  Memo2 = MakeMemo(this, "Memo2");
  Memo3 = MakeMemo(this, "Memo3");
  Memo5 = MakeMemo(this, "Memo5");
  for (QWidget* w : std::initializer_list<QWidget*>{Memo1, Memo2, Memo3, Memo5}) memos->addWidget(w);
  top->addLayout(memos);
  ScrollBar1 = Named<QScrollBar>("ScrollBar1", Qt::Vertical, this);
  ScrollBar1->setRange(1, 415);
  ScrollBar1->setValue(12);
  ScrollBar2 = Named<QScrollBar>("ScrollBar2", Qt::Horizontal, this);
  ScrollBar2->setRange(1, 540);
  ScrollBar2->setValue(400);
  memos->addWidget(ScrollBar1);
  top->addWidget(ScrollBar2);

  for (QLineEdit* e : {Edit9, Edit10, Edit11}) e->installEventFilter(this);
  connect(ScrollBar1, &QScrollBar::valueChanged, this, [this] { ScrollBar1Change(); });
  connect(ScrollBar2, &QScrollBar::valueChanged, this, [this] { ScrollBar2Change(); });
  OnComboBoxChange(ComboBox1, this, &TIdentification::ComboBox1Change);
  OnComboBoxChange(ComboBox2, this, &TIdentification::ComboBox2Change);
  OnComboBoxChange(ComboBox3, this, &TIdentification::ComboBox3Change);
  connect(Edit2, &QLineEdit::textChanged, this, [this] { Edit2Change(); });
  connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
  connect(Button1, &QPushButton::clicked, this, &TIdentification::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TIdentification::Button2Click);
  connect(Openpredictionfile1, &QAction::triggered, this, &TIdentification::Button2Click);
  OnCheckBoxClick(CheckBox2, this, &TIdentification::CheckBox2Click);
  OnCheckBoxClick(CheckBox3, this, &TIdentification::CheckBox3Click);
  connect(Button3, &QPushButton::clicked, this, &TIdentification::Button3Click);
  connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] { ListBox1DblClick(); });
  connect(Button9, &QPushButton::clicked, this, &TIdentification::Button9Click);
  OnRadioGroupClick(RadioGroup1, this, &TIdentification::RadioGroup1Click);
  const Handlers<TIdentification> button_handlers = {{SpeedButton1, &TIdentification::SpeedButton1Click},
                                                           {SpeedButton2, &TIdentification::SpeedButton2Click},
                                                           {Button12, &TIdentification::Button12Click},
                                                           {Button6, &TIdentification::Button6Click}};
  ConnectEach(this, button_handlers);
}

void TIdentification::FormCreate(bool from_chart) {
  ChartEventState& ev = host_.Events();
  IdentificationState& id = ev.Identification;
  ev.Flags.IdentificationOpen = 1;
  ev.Flags.IdentificationFromChart = from_chart ? 1 : 0;
  id.OccultationElements = Occelmnt_Format{};
  id.OccultationElements.BminusV = 0;
  id.OccultationElements.Velocity = 750;
  id.OccultationElements.Distance = 384400;
  const QRect main = host_.MainWindowGeometry();
  move(main.left(), from_chart ? ev.Flags.IdentificationChartParam : main.top());
  LayoutIdentificationWindow();

  AppSettings& s = host_.Settings();
  SetText(Edit1, s.ObserverNameLunar);
  FrameTimeTexts& t = host_.Times();
  const auto times = host_.TimeEdits();
  SetText(Edit9, times[0]);
  SetText(Edit10, times[1]);
  SetText(Edit11, times[2]);
  t.StampM1 = Text(Edit10);
  t.StampS1 = FormatInt(RoundHalfEven(ParseDoubleOr(Text(Edit11), 0)));
  for (size_t k = 0; k < 3; ++k) id.BaseTime[k] = id.AcceptedBaseTime[k] = ParseDoubleOr(times[k], 0);

  Memo3->clear();
  Memo5->clear();
  // The held text is empty now, so the file is read again.
  id.LunarPredictionLoaded = 0;
  if (const auto yy = ParseInt32(t.StampDate1); yy && *yy >= 0 && *yy <= 99)
    if (const int y = YearOfTwoDigits(*yy); y >= 1995 && y <= 2040) SelectItem(ComboBox1, FormatInt(y));
  std::string month = t.StampDate2;
  if (!month.empty() && month[0] == '0') month.erase(0, 1);
  if (const auto m = ParseInt32(month); m && *m >= 1 && *m <= 12) SetComboIndex(ComboBox2, *m - 1);
  if (const auto d = ParseInt32(t.StampDate3)) {
    SetText(Edit32, FormatInt(*d));
    if (*d >= 1 && *d <= 31) SetComboIndex(ComboBox3, *d - 1);
  }
  ScrollBar1->setEnabled(false);
  ScrollBar2->setEnabled(false);
  ev.Flags.IdentTextScrollPos2 = ScrollBar2->value();
  ev.Flags.IdentTextScrollPos1 = ScrollBar1->value();
  {
    const QSignalBlocker block(CheckBox3);
    CheckBox3->setChecked(host_.AutoSearchDefault());
  }
  SetText(Edit2, id.IdentTargetText);
  SetText(Edit1, s.ObserverNameLunar);
  SetDateFromStamp();
  LoadLunarPredictionFile();
  ev.ReportLightCurveElement.Kind = ReportKind::Lunar;
}

void TIdentification::closeEvent(QCloseEvent* e) {
  if (Tchart1* chart = host_.ChartWindow()) chart->GraphShow3();
  host_.Events().Flags.IdentificationOpen = 0;
  e->accept();
}

void TIdentification::LayoutIdentificationWindow() {
  const bool direct = RadioGroup1->ItemIndex() == 0;
  resize(width(), direct ? 500 : 697);
  move(x(), direct ? 480 : 0);
}

// ---- texts ----

std::vector<std::string> TIdentification::Lines(const QPlainTextEdit* memo) const {
  return SplitTextLines(memo->toPlainText().toStdString());
}

void TIdentification::SetLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& l : lines) list << QString::fromStdString(l);
  memo->setPlainText(list.join('\n'));
}

StampDateTime TIdentification::Stamp() const {
  const FrameTimeTexts& t = host_.Times();
  return {t.StampDate1, t.StampDate2, t.StampDate3, t.StampH1, t.StampM1, t.StampS1};
}

// ---- loading and listing ----

// Memo5 takes the settings' prediction file unless it holds it already.
void TIdentification::ReadPredictionFileOnce() {
  IdentificationState& id = host_.Events().Identification;
  if (id.LunarPredictionLoaded != 0) return;
  if (const auto bytes = ReadWholeFile(host_.Settings().LunarPredictionFile, kMaxPredictionFileBytes)) {
    SetLines(Memo5, SplitTextLines(FileTextAsUtf8(*bytes)));
    id.LunarPredictionLoaded = 1;
  }
}

void TIdentification::LoadLunarPredictionFile() {
  // Not loaded yet: Memo5 starts empty, so a file that cannot be read leaves nothing behind.
  if (host_.Events().Identification.LunarPredictionLoaded == 0) Memo5->clear();
  ReadPredictionFileOnce();
  ListBox1->clear();
  Memo1->clear();
  const std::vector<std::string> text = Lines(Memo5);
  if (const int header = LunarHeaderLineIndex(text); header >= 0) {
    cols_ = ComputeLunarColumns(text[static_cast<size_t>(header)]);
    Label4->setText(cols_.Star < 25 ? "Y  M   D  h  m  s p   star  Sp  Mag.    "
                                    : "Y  M   D  h  m  s   p   star  Sp  Mag.  ");
  }
  FillWorkingLines();
  ListOrStarBlock();
  if (text.size() > 3 && CheckBox3->isChecked()) ApplyIdentification();
  if (text.size() > 3 && RadioGroup1->ItemIndex() == 0) {
    if (Tchart1* chart = host_.ChartWindow()) chart->GraphShow3();
    ComposeIdentificationCode();
  }
}

void TIdentification::FillWorkingLines() {
  Memo1->clear();
  if (CheckBox3->isChecked()) SearchPredictionByStampTime();
  else Memo1->setPlainText(Memo5->toPlainText());
}

void TIdentification::ListOrStarBlock() {
  if (!ReadStarBlock()) ListPredictionLines();
}

void TIdentification::RefreshPredictionList() {
  ReadPredictionFileOnce();
  FillWorkingLines();
  ListOrStarBlock();
  focusNextChild();
}

// The prediction list again, the identification when it is applied
// automatically, and the identification code.
void TIdentification::RelistAndCompose() {
  RefreshPredictionList();
  if (CheckBox3->isChecked()) ApplyIdentification();
  ComposeIdentificationCode();
}

void TIdentification::ChooseLunarPredictionFile() {
  AppSettings& s = host_.Settings();
  const QString folder = QFileInfo(QString::fromStdString(s.LunarPredictionFile)).absolutePath();
  const QString name = Dialogs().GetOpenFileName("Open", folder, "Text (*.txt);;All files (*)");
  if (name.isEmpty()) return;
  // A file that cannot be read is told, and the one chosen before stays.
  // A folder or a named pipe is refused, never waited on.
  const auto bytes = ReadWholeFile(name.toStdString(), kMaxPredictionFileBytes);
  if (!bytes) {
    Dialogs().ShowError("The prediction file could not be read.");
    return;
  }
  // A listing is text (a "Unicode" one as well); a binary file would fill
  // the lists with nonsense.
  if (FileTextAsUtf8(*bytes).find('\0') != std::string::npos) {
    Dialogs().ShowError("The prediction file is not a text file.\r\n" + name);
    return;
  }
  // An empty file or one of another kind would empty the list and take the
  // place of the listing chosen before, here and at the next start.
  if (!HoldsLunarPredictions(SplitTextLines(FileTextAsUtf8(*bytes)))) {
    Dialogs().ShowError("The prediction file holds no lunar occultation events.\r\n" + name);
    return;
  }
  Memo5->clear();
  s.LunarPredictionFile = name.toStdString();
  WriteSettingOrShowError(host_, "Identification", "Prediction file", s.LunarPredictionFile);
  LoadLunarPredictionFile();
}

void TIdentification::SearchPredictionByStampTime() {
  const auto found = ::SearchPredictionByStampTime(Lines(Memo5), Stamp());
  if (!found) return;
  SetLines(Memo1, found->Lines);
  if (!found->LastLineTime.empty()) {
    SetText(Edit38, found->LastLineTime);
    SetText(Edit39, found->StampTime);
  }
}

bool TIdentification::ReadStarBlock() {
  const std::vector<std::string> lines = Lines(Memo1);
  const auto block = ::ReadStarBlock(lines);
  if (!block) return false;
  SetText(Edit2, block->Target);
  if (block->Observer) SetText(Edit1, *block->Observer);
  if (block->Year) {
    if (block->Month >= 1) SetComboIndex(ComboBox2, block->Month - 1);
    SelectItem(ComboBox1, *block->Year);
    SelectItem(ComboBox3, block->Day);
  }
  // Listed again on every date or time change: the block replaces the list.
  ListBox1->clear();
  for (const std::string& l : lines) ListBox1->addItem(QString::fromStdString(l));
  return true;
}

void TIdentification::ListPredictionLines() {
  ListBox1->clear();
  const std::vector<std::string> lines = Lines(Memo1);
  ProgressBar1->setMaximum(lines.empty() ? 100 : static_cast<int>(lines.size()) - 1);
  ProgressBar1->setValue(0);
  const StampDateTime stamp = Stamp();
  const LunarListing listing = ::ListPredictionLines(lines, cols_.Duration, CheckBox2->isChecked(),
                                                     stamp.Year2, CheckBox3->isChecked() ? &stamp : nullptr);
  for (const std::string& l : listing.Lines) ListBox1->addItem(QString::fromStdString(l));
  ProgressBar1->setValue(ProgressBar1->maximum());
  if (listing.Selected >= 0) ListBox1->setCurrentRow(listing.Selected);
  ProgressBar1->setValue(0);
}

// ---- applying ----

void TIdentification::ApplyIdentification() {
  const int row = ListBox1->currentRow();
  if (row < 0) return;
  ChartEventState& ev = host_.Events();
  IdentificationState& id = ev.Identification;
  TReportLightCurveElement& r = ev.ReportLightCurveElement;
  const std::string second = ListBox1->count() > 1 ? ListBox1->item(1)->text().toStdString() : std::string();
  const LunarApplication a =
      ApplyLunarLine(ListBox1->item(row)->text().toStdString(), second, cols_, Stamp(), host_.ZcToXz());
  r.RecordingDate = a.RecordingDate;
  if (a.Site) {
    const auto& s = *a.Site;
    r.LongitudeD = s[0], r.LongitudeM = s[1], r.LongitudeS = s[2];
    r.LatitudeD = s[3], r.LatitudeM = s[4], r.LatitudeS = s[5];
    // The reports read the joined texts: an earlier event's site must not stay.
    JoinSitePosition(r);
    r.Altitude = s[6];
    const std::array<QLineEdit*, 7> edits{Edit23, Edit24, Edit25, Edit26, Edit27, Edit28, Edit29};
    for (size_t k = 0; k < edits.size(); ++k) SetText(edits[k], s[k]);
    if (Tchart1* chart = host_.ChartWindow()) chart->Memo1->appendPlainText(QString::fromStdString(second));
  }
  const QString line = ListBox1->item(row)->text();
  if (!a.Fault.empty() && line != told_cut_line_) {
    // A value cut through reads as another star or number: told, and the
    // event applied before keeps the model.
    Dialogs().ShowError(QString::fromStdString(a.Fault + "\r\nNothing was taken from the line:\r\n") + line);
  }
  told_cut_line_ = a.Fault.empty() ? QString() : line;
  if (!a.HasEvent || !a.Fault.empty()) {
    for (QLineEdit* e : {Edit2, Edit4, Edit5, Edit6, Edit7, Edit8}) e->clear();
    id.SpectralTypeText.clear();
    // No star was found: a star applied before must not be reported for this event.
    for (QLineEdit* e : {Edit20, Edit21, Edit30, Edit31}) e->clear();
    r.Catalogue.clear();
    r.StarNumber.clear();
    r.ZcLabel.clear();
    r.ZcNumber.clear();
    r.LunarValues = {};
    r.VMag.clear();
    r.RMag.clear();
    return;
  }
  SetComboIndex(ComboBox2, a.Month - 1);
  SelectItem(ComboBox1, FormatInt(a.Year));
  SelectItem(ComboBox3, FormatInt(a.Day));

  r.Kind = ReportKind::Lunar;
  r.Catalogue = a.Catalogue == "XZ" ? "XZ80Q" : a.Catalogue;
  r.StarNumber = a.StarNumber;
  SetText(Edit21, a.Catalogue);
  SetText(Edit20, a.StarNumber);
  SetText(Edit2, a.Target);
  Edit30->clear();
  Edit31->clear();
  // Only a ZC star has a ZC number; one applied before must not name this star.
  r.ZcLabel.clear();
  r.ZcNumber.clear();
  if (a.Catalogue == "ZC") {
    r.ZcLabel = "ZC";
    r.ZcNumber = a.ZcNumber;
    if (a.XzNumber) {
      SetText(Edit30, "XZ80Q");
      SetText(Edit31, FormatInt(*a.XzNumber));
      r.Catalogue = "XZ80Q";
      r.StarNumber = FormatInt(*a.XzNumber);
    }
  }

  ev.Diffraction.FresnelEditGuard = 1;
  ev.Diffraction.MeasuredContactAngle = a.ContactAngle;
  id.OccultationElements.ContactAngle = a.ContactAngle;
  SetText(Edit6, a.ContactAngleShown);
  ev.Texts.ContactAngleText = a.ContactAngleShown;
  if (a.Velocity > 0) {
    ev.Diffraction.ObjectVelocity = a.Velocity;
    id.OccultationElements.Velocity = static_cast<double>(a.Velocity);
    SetText(Edit5, a.VelocityShown);
  } else {
    // A shadow at rest gives the model no time scale: as on the diffraction
    // panel, the last speed stays.
    const std::string kept = FormatFixed(id.OccultationElements.Velocity, 1, 6);
    SetText(Edit5, kept);
    Memo2->appendPlainText(QString::fromStdString("The velocity must be above 0 m/s: it stays " + kept + " m/s."));
  }
  ev.Diffraction.ObjectDistance = a.DistanceM;
  SetText(Edit4, a.DistanceKmShown);
  id.OccultationElements.Distance = static_cast<double>(a.DistanceM) / 1000.0;
  SetText(Edit22, a.ApparentRadius);
  SetText(Edit8, a.SpectralShown);
  id.OccultationElements.SpectralType = a.SpectralShown;
  id.OccultationElements.BminusV = -1;
  id.SpectralTypeText = a.SpectralModel;
  SetText(Edit12, a.AxisAngle);
  SetText(Edit13, a.RelativeMotion);
  SetText(Edit14, a.PositionAngle);
  SetText(Edit15, a.CuspAngle);
  SetText(Edit16, a.Illumination);
  SetText(Edit17, a.MoonAltitude);
  SetText(Edit18, a.LibrationL);
  SetText(Edit19, a.LibrationB);
  r.LunarValues = a.LunarValues();
  id.OccultationElements.V = a.V;
  id.OccultationElements.R = a.R;
  id.OccultationElements.CombinedMagnitude = a.V;
  SetText(Edit35, a.VShown);
  SetText(Edit36, a.RShown);
  SetText(Edit37, a.CombinedShown);
  r.VMag = a.VShown;
  r.RMag = a.RShown;
  ev.Diffraction.FresnelEditGuard = 0;
  r.Observer = Text(Edit1);
  // An open diffraction panel takes the prediction's values over in its edits.
  if (Tchart1* chart = host_.ChartWindow(); chart && chart->FresnelCtrl && chart->FresnelCtrl->InDiffractionMode()) {
    TFresnelCtrl* p = chart->FresnelCtrl;
    p->SetEditFromOutside(p->Edit1, QString::fromStdString(a.DistanceKmShown));
    if (a.Velocity > 0) p->SetEditFromOutside(p->Edit2, QString::fromStdString(a.VelocityShown));
    p->SetEditFromOutside(p->Edit8, QString::fromStdString(a.ContactAngleShown));
  }
}

void TIdentification::ComposeIdentificationCode() {
  const IdentificationTexts t = ::ComposeIdentificationCode(
      Text(Edit2), ComboBox1->currentText().toStdString(), ComboBox2->currentText().toStdString(),
      ComboBox3->currentText().toStdString(), Text(Edit1));
  EventTexts& texts = host_.Events().Texts;
  texts.IdentificationTitle = t.Title;
  texts.IdentificationCode = t.Code;
  host_.AppendCodeLog(t.Code);
}

void TIdentification::SetDateFromStamp() {
  FrameTimeTexts& t = host_.Times();
  const QDate today = QDateTime::currentDateTimeUtc().date();
  int year = 0, month = 0, day = 0;
  if (const auto y = ParseInt32(t.StampDate1)) {
    year = YearOfTwoDigits(*y);
  } else {
    year = today.year();
    SelectItem(ComboBox1, FormatInt(year));
    t.StampDate1 = StampPart(year >= 2000 ? year - 2000 : year - 1900);
  }
  if (const auto m = ParseInt32(t.StampDate2)) {
    month = *m;
  } else {
    month = today.month();
    if (month >= 1 && month <= 12) SetComboIndex(ComboBox2, month - 1);
    t.StampDate2 = StampPart(month);
  }
  if (const auto d = ParseInt32(t.StampDate3)) {
    day = *d;
  } else {
    day = today.day();
    SetComboIndex(ComboBox3, day - 1);
    t.StampDate3 = StampPart(day);
  }
  Memo2->appendPlainText(QString::fromStdString(t.StampDate1 + " " + t.StampDate2 + " " + t.StampDate3 + "**"));
  if (year >= 1995 && year <= 2040 && month >= 1 && month <= 12) {
    SetComboIndex(ComboBox1, year - 1995);
    SetComboIndex(ComboBox2, month - 1);
    if (day >= 1 && day <= 31) SetComboIndex(ComboBox3, day - 1);
  }
}

// ---- handlers ----

void TIdentification::ScrollBar1Change() { host_.Events().Flags.IdentTextScrollPos1 = ScrollBar1->value(); }
void TIdentification::ScrollBar2Change() { host_.Events().Flags.IdentTextScrollPos2 = ScrollBar2->value(); }

void TIdentification::CommonDateRefresh() {
  RelistAndCompose();
  host_.Events().ReportLightCurveElement.RecordingDate = LunarRecordingDate(Stamp());
}

void TIdentification::ComboBox1Change() {
  const int year = ComboBox1->currentText().toInt();
  host_.Times().StampDate1 = FormatInt(year < 2000 ? year - 1900 : year - 2000);
  CommonDateRefresh();
}

void TIdentification::ComboBox2Change() {
  host_.Times().StampDate2 = StampPart(ComboBox2->currentIndex() + 1);
  CommonDateRefresh();
}

void TIdentification::ComboBox3Change() {
  host_.Times().StampDate3 = StampPart(ComboBox3->currentIndex() + 1);
  CommonDateRefresh();
}

void TIdentification::Edit2Change() {
  host_.Events().Identification.IdentTargetText = TargetBeforeOccults(Text(Edit2));
  ComposeIdentificationCode();
}

void TIdentification::Edit1Change() {
  host_.Settings().ObserverNameLunar = Text(Edit1);
  ComposeIdentificationCode();
  host_.Events().Identification.LunarObserver = Text(Edit1);
}

void TIdentification::Button1Click() {
  WriteSettingOrShowError(host_, "Identification", "ObserverLunar", Text(Edit1));
  host_.Settings().ObserverNameLunar = Text(Edit1);
}

void TIdentification::Button2Click() {
  host_.Events().Identification.LunarPredictionLoaded = 0;
  told_cut_line_.clear();
  ChooseLunarPredictionFile();
  if (CheckBox3->isChecked()) ApplyIdentification();
}

void TIdentification::CheckBox2Click() {
  ListPredictionLines();
  focusPreviousChild();
}

void TIdentification::CheckBox3Click() {
  host_.Events().Identification.LunarPredictionLoaded = 1;
  RelistAndCompose();
}

void TIdentification::Button3Click() {
  ListBox1->clear();
  Memo1->clear();
}

void TIdentification::ListBox1DblClick() { ApplyIdentification(); }

void TIdentification::Button9Click() {
  if (RadioGroup1->ItemIndex() == 1) {
    RelistAndCompose();
    return;
  }
  if (CheckBox3->isChecked()) ApplyIdentification();
  ComposeIdentificationCode();
  if (Tchart1* chart = host_.ChartWindow()) chart->GraphShow3();
}

void TIdentification::RadioGroup1Click() {
  LayoutIdentificationWindow();
  const bool other = RadioGroup1->ItemIndex() == 1;
  ScrollBar1->setEnabled(other);
  ScrollBar2->setEnabled(other);
}

void TIdentification::SpeedButton1Click() { ShowChart(ChartBeside::Shown); }

void TIdentification::SpeedButton2Click() { ShowChart(ChartBeside::Minimized); }

void TIdentification::ShowChart(ChartBeside view) {
  SetChartBeside(view, this, host_.ChartWindow(), host_.TimeStampMode() != 0,
                 [this](bool fields) { host_.SetFieldView(fields); });
}

void TIdentification::Button12Click() {
  told_cut_line_.clear();
  CheckBox3->setChecked(true);
  SetDateFromStamp();
  LoadLunarPredictionFile();
}

void TIdentification::Button6Click() {
  AppSettings& s = host_.Settings();
  s.ObserverName = s.ObserverNameLunar;
  host_.Events().ReportLightCurveElement.Observer = s.ObserverNameLunar;
  close();
}

// ---- time edits ----

void TIdentification::TimeEditEnter(QLineEdit* edit) {
  const size_t k = edit == Edit9 ? 0 : edit == Edit10 ? 1 : 2;
  remembered_[k] = Text(edit);
  PaintText(edit, Qt::blue);
}

void TIdentification::TimeEditExit(QLineEdit* edit) {
  const size_t k = edit == Edit9 ? 0 : edit == Edit10 ? 1 : 2;
  IdentificationState& id = host_.Events().Identification;
  const std::string text = Text(edit);
  std::optional<double> value;
  if (k < 2) {
    if (auto v = ParseInt32(text)) value = *v;
  } else {
    value = ParseDouble(text);
  }
  if (!value) {
    Dialogs().ShowError(QString("'%1' is not a valid %2 value.").arg(edit->text(), k < 2 ? "integer" : "floating point"));
    return;
  }
  static constexpr int kDecimals[4] = {4, 3, 3, 2};
  const int decimals = kDecimals[std::clamp(host_.TimeStampMode(), 0, 3)];
  // Seconds are judged as shown: 59.99999 shows as 60 and is refused, 9.99999
  // shows as 10.0000 without a leading "0".
  auto show = [&](double v) {
    if (k < 2) return FormatInt(static_cast<int64_t>(v));
    return FormatSeconds(v, decimals, decimals + 3);
  };
  const double limit = k == 0 ? 25 : k == 1 ? 61 : 60;
  const bool in_range = *value >= 0 && *value < limit && (k < 2 || ParseDoubleOr(show(*value), limit) < limit);
  if (in_range) id.BaseTime[k] = id.AcceptedBaseTime[k] = *value;
  else id.BaseTime[k] = id.AcceptedBaseTime[k];
  const std::string shown = show(id.AcceptedBaseTime[k]);
  SetText(edit, shown);
  if (shown != remembered_[k]) {
    FrameTimeTexts& t = host_.Times();
    host_.Events().Flags.TimeFieldEdited[k] = 1;
    if (k == 0) t.StampH1 = shown;
    if (k == 1) t.StampM1 = shown;
    if (k == 2) {
      t.StampS1 = shown.substr(0, 2);
      // The whole seconds text, as the row builder writes it.
      t.StampS1Full = shown;
    }
    remembered_[k] = shown;
    RelistAndCompose();
    if (k == 0) host_.Events().ReportLightCurveElement.RecordingDate = LunarRecordingDate(Stamp());
  }
  PaintText(edit, Qt::black);
}

bool TIdentification::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ListBox1 && event->type() == QEvent::KeyPress) {
    if (IsEnterKey(event) && ListBox1->count() > 0) {
      ApplyIdentification();
      return true;
    }
    return false;
  }
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (!edit || (edit != Edit9 && edit != Edit10 && edit != Edit11)) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::FocusIn) TimeEditEnter(edit);
  if (event->type() == QEvent::FocusOut) TimeEditExit(edit);
  if (event->type() == QEvent::KeyPress) {
    if (IsEnterKey(event)) {
      TimeEditExit(edit);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
