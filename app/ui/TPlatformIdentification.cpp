// Main window: the identification windows (the asteroid timing guide and the
// lunar identification), the code log and the "2. XML element" step, and what
// those windows ask of the main window.
#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include "app/ui/TPlatform.h"
#include "app/ui/TPlatformIdentHost.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/Layouts.h"
#include "base/ui/OpenWindow.h"
#include "base/ui/NamedItems.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TAsteroidIdentification.h"
#include "events/ui/TIdentification.h"

// ---- controls ----

QWidget* TPlatform::CreateIdentificationPanel() {
  IdentLink = std::make_unique<TPlatformIdentHost>(*this);
  auto* panel = new QWidget;
  auto* row = EdgeLayout<QHBoxLayout>(panel);
  Button41 = Named<QPushButton>("Button41", "Asteroid timing guide");
  Edit70 = NamedReadOut("Edit70", "2. XML element", 100);
  Memo4 = Named<QPlainTextEdit>("Memo4");
  Memo4->setMaximumHeight(48);
  row->addWidget(Button41);
  row->addWidget(Edit70);
  row->addWidget(Memo4, 1);
  return panel;
}

void TPlatform::ConnectIdentificationHandlers() {
  QMenu* analysis = TopMenu("Analysis1", "Analysis");
  Identificationforlightcurve1 =
      NamedAction(analysis, "Identificationforlightcurve1", "Identification for light curve graph");
  connect(Identificationforlightcurve1, &QAction::triggered, this, &TPlatform::Identificationforlightcurve1Click);
  connect(Button41, &QPushButton::clicked, this, &TPlatform::Button41Click);
}

// ---- handlers ----

// The lunar identification works on a measured light curve: nothing to
// identify before a video or a table is loaded.
void TPlatform::Identificationforlightcurve1Click() {
  if (!Run.VideoLoaded && !Run.CsvLoaded) return;
  OpenLunarIdentification(false);
}

void TPlatform::OpenLunarIdentification(bool from_chart) {
  RaiseOrShow(Identification, [this, from_chart] {
    CloseOperationGuide();
    return new TIdentification(*IdentLink, from_chart, this);
  });
}

void TPlatform::Button41Click() {
  // The guide reads the shown frame's time; playback would move it on.
  if (Run.Playing) return;
  RaiseOrShow(AsteroidIdentification, [this] {
    CloseOperationGuide();
    auto* window = new TAsteroidIdentification(*IdentLink, this);
    window->move(frameGeometry().topLeft());
    return window;
  });
}

std::string TPlatform::ProposedCsvName(const std::string& folder) const {
  const std::string& code = Events.Texts.IdentificationCode;
  if (code.empty()) return folder;
  if (folder.empty()) return code + ".csv";
  return folder + (folder.back() == '/' ? "" : "/") + code + ".csv";
}

// ---- the identification windows' view of the main window ----

ChartEventState& TPlatformIdentHost::Events() { return w_.Events; }
ChartSession& TPlatformIdentHost::Chart() { return w_.Chart; }
FrameTimeTexts& TPlatformIdentHost::Times() { return w_.Times; }
AppSettings& TPlatformIdentHost::Settings() { return w_.Settings; }
const ZcToXzTable& TPlatformIdentHost::ZcToXz() const { return w_.ZCtoXZ; }

void TPlatformIdentHost::WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
  IniFile ini(w_.SettingsPlace.IniPath);
  ini.WriteString(section, key, value);
}

std::string TPlatformIdentHost::ReadSetting(const std::string& section, const std::string& key,
                                            const std::string& fallback) const {
  const IniFile ini(w_.SettingsPlace.IniPath);
  return ini.ReadString(section, key, fallback);
}

ResultTableAccess& TPlatformIdentHost::Table() { return w_.ChartLink.Table(); }

int TPlatformIdentHost::DetectCsvHeaderLines() {
  w_.DetectCsvVersion();
  return w_.Options.CsvHeaderLines;
}

std::array<std::string, 3> TPlatformIdentHost::TimeEdits() const {
  return {w_.Edit24->text().toStdString(), w_.Edit25->text().toStdString(), w_.Edit26->text().toStdString()};
}

bool TPlatformIdentHost::AutoSearchDefault() const { return w_.CheckBox5->isChecked(); }
int TPlatformIdentHost::TimeStampMode() const { return w_.Options.TimeStampMode; }
bool TPlatformIdentHost::Playing() const { return w_.Run.Playing; }
QRect TPlatformIdentHost::MainWindowGeometry() const { return w_.frameGeometry(); }

void TPlatformIdentHost::AppendCodeLog(const std::string& line) {
  w_.Memo4->appendPlainText(QString::fromStdString(line));
}

void TPlatformIdentHost::MarkXmlElementStep() {
  PaintBase(w_.Edit70, QColor(0x00, 0xFF, 0xFF));
}

// The camera goes into the results table's video-system line; the main
// window's read-out of it is the GHS stamp's background level.
void TPlatformIdentHost::SetCameraText(const std::string& camera) {
  w_.Edit55->setText(QString::fromStdString(camera));
}

void TPlatformIdentHost::SetFrameStep(int step) {
  w_.UpDown9->SetPosition(step);
  // As a step set by hand: backward playback goes on backwards, and ends.
  w_.UpDown9Click();
}

void TPlatformIdentHost::ShowFrame(int frame) { w_.ChartLink.ShowFrame(frame); }

void TPlatformIdentHost::SetFieldView(bool checked) { w_.CheckBox1->setChecked(checked); }

Tchart1* TPlatformIdentHost::ChartWindow() { return w_.chart1.Window.data(); }

void TPlatformIdentHost::OpenChart() { w_.ShowLightCurveGraph(); }

void TPlatformIdentHost::CloseChart() {
  if (Tchart1* chart = w_.chart1.Window.data()) {
    chart->close();
    delete chart;
  }
}
