#include "app/ui/TPreserveSetting.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QTabWidget>
#include <QVBoxLayout>
#include <tuple>
#include <utility>

#include "app/ui/TPlatform.h"
#include "base/IniFile.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/Layouts.h"
#include "base/ui/HandlerTable.h"
#include "base/ui/DialogService.h"
#include "timestamp/InserterSettings.h"

namespace {

constexpr const char* kNote = "Note: Only checked items can be saved. ";

// One save tick with the value it stands for beside it.
std::pair<QCheckBox*, QLabel*> AddTickRow(QGridLayout* grid, const char* name, const char* caption,
                                          const char* label_name) {
  auto* tick = Named<QCheckBox>(name, caption);
  auto* label = Named<QLabel>(label_name);
  const int row = grid->rowCount();
  grid->addWidget(tick, row, 0);
  grid->addWidget(label, row, 1);
  return {tick, label};
}

// A page of save ticks on its own tab; returns the grid the rows go on.
QGridLayout* AddTickPage(QTabWidget* pages, const char* title) {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  pages->addTab(page, title);
  return grid;
}

// The note below a page's ticks, then its save and close buttons.
std::pair<QPushButton*, QPushButton*> AddSaveRow(QGridLayout* grid, const char* save_name, const char* save_caption,
                                                 const char* close_name) {
  auto* save = Named<QPushButton>(save_name, save_caption);
  auto* close = Named<QPushButton>(close_name, "Close");
  grid->addWidget(new QLabel(kNote), grid->rowCount(), 0, 1, 2);
  grid->addWidget(save, grid->rowCount(), 0);
  grid->addWidget(close, grid->rowCount() - 1, 1);
  return {save, close};
}

QString Text(const TUpDown* u) { return u->Edit()->text(); }

}  // namespace

TPreserveSetting::TPreserveSetting(TPlatform& platform) : QDialog(&platform), w_(platform) {
  SetUpToolWindow(this, "PreserveSetting", "Update Setting Items");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  auto* v = new QVBoxLayout(this);
  PageControl1 = Named<QTabWidget>("PageControl1");
  v->addWidget(PageControl1);

  auto close_button = [](const char* name) { return Named<QPushButton>(name, "Close"); };

  // 'File reading'
  auto* files = new QWidget;
  auto* fg = new QGridLayout(files);
  CheckBox16 = Named<QCheckBox>("CheckBox16", "Use AviSynth");
  RadioButton1 = Named<QRadioButton>("RadioButton1", "Direct Show");
  RadioButton2 = Named<QRadioButton>("RadioButton2", "Video for Windows");
  QGroupBox* engine = GroupOf("Rendering engine", {RadioButton1, RadioButton2});
  auto* folders = new QGroupBox("Directory");
  auto* folder_grid = new QGridLayout(folders);
  Edit1 = Named<QLineEdit>("Edit1");
  Edit2 = Named<QLineEdit>("Edit2");
  Edit3 = Named<QLineEdit>("Edit3");
  AddGridRow(folder_grid, 0, {new QLabel(".AVI file"), Edit1});
  AddGridRow(folder_grid, 1, {new QLabel(".CSV file output"), Edit2});
  AddGridRow(folder_grid, 2, {new QLabel(".CSV file output"), Edit3});
  CheckBox22 = Named<QCheckBox>("CheckBox22", "CSV (in, out) = AVI");
  folder_grid->addWidget(CheckBox22, 3, 0, 1, 2);
  CheckBox14 = Named<QCheckBox>("CheckBox14", ".AVI");
  CheckBox15 = Named<QCheckBox>("CheckBox15", ".CSV Output");
  CheckBox17 = Named<QCheckBox>("CheckBox17", ".CSV Input");
  for (auto* c : {CheckBox14, CheckBox15, CheckBox17}) c->setChecked(true);
  QGroupBox* remember = GroupOf("Auto Memory the Latest Access Path", {CheckBox14, CheckBox15, CheckBox17});
  Button4 = Named<QPushButton>("Button4", "Save setting");
  Button5 = close_button("Button5");
  fg->addWidget(CheckBox16, 0, 0);
  fg->addWidget(engine, 1, 0, 1, 2);
  fg->addWidget(folders, 2, 0, 1, 2);
  fg->addWidget(remember, 3, 0, 1, 2);
  AddGridRow(fg, 4, {Button4, Button5});
  PageControl1->addTab(files, "File reading");

  // 'Measurement'
  QGridLayout* mg = AddTickPage(PageControl1, "Measurement");
  std::tie(CheckBox2, Label20) = AddTickRow(mg, "CheckBox2", "Measurement type", "Label20");
  std::tie(CheckBox3, Label1) = AddTickRow(mg, "CheckBox3", "Meassure each frame / field", "Label1");
  std::tie(CheckBox4, Label2) = AddTickRow(mg, "CheckBox4", "Field Order:", "Label2");
  std::tie(CheckBox5, Label3) = AddTickRow(mg, "CheckBox5", "Radius / Inner / Outer :", "Label3");
  std::tie(CheckBox6, Label4) = AddTickRow(mg, "CheckBox6", "Form of BKG Area :", "Label4");
  std::tie(CheckBox7, Label5) = AddTickRow(mg, "CheckBox7", "Width :", "Label5");
  std::tie(CheckBox8, Label6) = AddTickRow(mg, "CheckBox8", "Gap :", "Label6");
  std::tie(Button9, Button6) = AddSaveRow(mg, "Button9", "Save settings", "Button6");

  // 'Tracking'
  QGridLayout* tg = AddTickPage(PageControl1, "Tracking");
  std::tie(CheckBox9, Label7) = AddTickRow(tg, "CheckBox9", "Tracking mode :", "Label7");
  std::tie(CheckBox11, Label8) = AddTickRow(tg, "CheckBox11", "Synchoronize to Aperture Radius :", "Label8");
  std::tie(CheckBox10, Label9) = AddTickRow(tg, "CheckBox10", "Radius :", "Label9");
  std::tie(CheckBox12, Label10) = AddTickRow(tg, "CheckBox12", "Threshold :", "Label10");
  std::tie(Button10, Button7) = AddSaveRow(tg, "Button10", "Save settings", "Button7");

  // 'Video Time Inserter'
  QGridLayout* vg = AddTickPage(PageControl1, "Video Time Inserter");
  std::tie(CheckBox13, Label11) = AddTickRow(vg, "CheckBox13", "Threshold :", "Label11");
  std::tie(CheckBox19, Label12) = AddTickRow(vg, "CheckBox19", "Read from VTI :", "Label12");
  RadioButton3 = Named<QRadioButton>("RadioButton3", "IOTA VTI");
  RadioButton4 = Named<QRadioButton>("RadioButton4", "KIWI-OSD");
  RadioButton5 = Named<QRadioButton>("RadioButton5", "GHS-OSD");
  QGroupBox* signal = GroupOf("Time Signal", {RadioButton3, RadioButton4, RadioButton5});
  vg->addWidget(signal, vg->rowCount(), 0, 1, 2);
  auto* led = new QGroupBox("Signal Detection Area for LED ");
  auto* led_grid = new QGridLayout(led);
  std::tie(CheckBox20, Label13) = AddTickRow(led_grid, "CheckBox20", "Small Rectangle for Signal1, 2", "Label13");
  vg->addWidget(led, vg->rowCount(), 0, 1, 2);
  std::tie(Button11, Button8) = AddSaveRow(vg, "Button11", "Save Settings", "Button8");

  auto* bottom = new QHBoxLayout;
  Button1 = Named<QPushButton>("Button1", "Update.INI file");
  Button3 = Named<QPushButton>("Button3", "Default");
  Button2 = close_button("Button2");
  bottom->addWidget(Button1);
  bottom->addWidget(Button3);
  bottom->addWidget(Button2);
  v->addLayout(bottom);
  PageControl1->setCurrentIndex(1);

  FormCreate();

  ConnectEach(this, {{Button1, &TPreserveSetting::Button1Click}, {Button3, &TPreserveSetting::Button3Click},
                     {Button4, &TPreserveSetting::Button4Click}, {Button9, &TPreserveSetting::Button9Click},
                     {Button10, &TPreserveSetting::Button10Click}, {Button11, &TPreserveSetting::Button11Click},
                     {CheckBox16, &TPreserveSetting::CheckBox16Click}, {CheckBox19, &TPreserveSetting::CheckBox19Click},
                     {CheckBox22, &TPreserveSetting::CheckBox22Click},
                     {RadioButton1, &TPreserveSetting::RadioButton1Click},
                     {RadioButton2, &TPreserveSetting::RadioButton2Click},
                     {RadioButton3, &TPreserveSetting::RadioButton3Click},
                     {RadioButton4, &TPreserveSetting::RadioButton4Click},
                     {RadioButton5, &TPreserveSetting::RadioButton5Click}});
  // Every page's 'Close' button.
  for (QPushButton* b : {Button2, Button5, Button6, Button7, Button8})
    connect(b, &QPushButton::clicked, this, &TPreserveSetting::Button2Click);
  // No default button: Enter in a folder edit or on a tick must not save a page.
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
}

void TPreserveSetting::FormCreate() {
  // Filling the controls must not act like the user's clicks.
  filling_ = true;
  const AppSettings& s = w_.Settings;
  CheckBox14->setChecked(s.RememberVideoDirectory);
  CheckBox15->setChecked(s.RememberCsvDirectory);
  CheckBox17->setChecked(s.RememberCsvInputDirectory);
  Edit1->setText(QString::fromStdString(s.LastVideoDirectory));
  Edit2->setText(QString::fromStdString(s.CsvDirectory));
  Edit3->setText(QString::fromStdString(s.CsvInputDirectory));
  CheckBox16->setChecked(s.UseAviSynth);
  CheckBox22->setChecked(s.CsvPathSameAsVideo);
  ShowReader();
  Label1->setText(w_.CheckBox2->isChecked() ? "Field by field" : "Frame by frame");
  Label20->setText(w_.CheckBox14->isChecked() ? "PSF photometry" : "Aperture photometry");
  Label2->setText(w_.RadioGroup2->ItemIndex() == 0 ? "Top(even) first" : "Bottom(Odd line) first");
  Label3->setText(Text(w_.UpDown1) + " / " + Text(w_.UpDown2) + " / " + Text(w_.UpDown3));
  Label4->setText(w_.RadioButton1->isChecked()   ? "Standard"
                  : w_.RadioButton2->isChecked() ? "Avoid Sunlit Face"
                                                 : "Meteor/Lunar Limb");
  Label5->setText(Text(w_.UpDown8));
  Label6->setText(Text(w_.UpDown6));
  Label7->setText(w_.RadioButton4->isChecked() ? "Anchor" : w_.RadioButton5->isChecked() ? "Drift" : "OFF");
  Label8->setText(w_.CheckBox3->isChecked() ? "ON" : "OFF");
  Label9->setText(Text(w_.UpDown5));
  Label10->setText(Text(w_.UpDown7));
  ShowInserterLabels();
  Label13->setText(w_.Options.SignalMarkersOn ? "ON" : "OFF");
  const int mode = w_.Options.TimeStampMode;
  if (mode <= 2) (mode == 0 ? RadioButton3 : mode == 1 ? RadioButton4 : RadioButton5)->setChecked(true);
  CheckBox19->setChecked(w_.CheckBox5->isChecked());
  filling_ = false;
}

// The frame reader in force: a script is read through the AVI reader
// whichever is chosen, and a save writes the one in force.
void TPreserveSetting::ShowReader() {
  const bool was_filling = std::exchange(filling_, true);
  (w_.Video.UseDirectShow == 0 ? RadioButton2 : RadioButton1)->setChecked(true);
  filling_ = was_filling;
}

// The digit threshold and the 'KIWI' reading the main form now has: the
// dialog's own switches change them, and a save writes them as shown.
void TPreserveSetting::ShowInserterLabels() {
  Label11->setText(Text(w_.UpDown4));
  Label12->setText(w_.CheckBox5->isChecked() ? "ON" : "OFF");
}

SettingsSaveSelection TPreserveSetting::Ticks() const {
  SettingsSaveSelection t;
  t.RememberVideoDirectory = CheckBox14->isChecked();
  t.RememberCsvDirectory = CheckBox15->isChecked();
  t.RememberCsvInputDirectory = CheckBox17->isChecked();
  t.UseAviSynth = CheckBox16->isChecked();
  t.ReadFromVti = CheckBox19->isChecked();
  t.MeasurementType = CheckBox2->isChecked();
  t.MeasureEach = CheckBox3->isChecked();
  t.FieldOrder = CheckBox4->isChecked();
  t.Radii = CheckBox5->isChecked();
  t.BackgroundForm = CheckBox6->isChecked();
  t.Width = CheckBox7->isChecked();
  t.Gap = CheckBox8->isChecked();
  t.TrackingMode = CheckBox9->isChecked();
  t.TrackRadius = CheckBox10->isChecked();
  t.SyncTracking = CheckBox11->isChecked();
  t.TrackThreshold = CheckBox12->isChecked();
  t.DigitThreshold = CheckBox13->isChecked();
  t.SignalRectangles = CheckBox20->isChecked();
  return t;
}

void TPreserveSetting::Button1Click() {
  if (!Dialogs().Question("Setting will be Saved . Are you sure?", "Confirmation")) return;
  try {
    if (!w_.IniFileExists()) w_.WriteDefaultIni();
    w_.SaveCheckedSettings(Ticks());
  } catch (const IniWriteError& e) {
    Dialogs().ShowError(QString::fromStdString(e.what()));
    return;
  }
  KeepSavedRememberTicks();
  Dialogs().ShowInformation("Setting was saved.", "Confirmation");
}

// The remember ticks just written are the ones in use from now on: else the
// next folder saved or the next opening of this dialog would go by the old.
void TPreserveSetting::KeepSavedRememberTicks() {
  w_.Settings.RememberVideoDirectory = CheckBox14->isChecked();
  w_.Settings.RememberCsvDirectory = CheckBox15->isChecked();
  w_.Settings.RememberCsvInputDirectory = CheckBox17->isChecked();
}

void TPreserveSetting::Button3Click() {
  if (!Dialogs().Question("Default Setting will be saved. Sure?", "Confirmation")) return;
  try {
    w_.WriteDefaultIni();
  } catch (const IniWriteError& e) {
    Dialogs().ShowError(QString::fromStdString(e.what()));
    return;
  }
  // The factory form takes the place of a rectangle aperture: it is turned
  // off first, as its menu item does, so that the menu tick, the 'Height'
  // control and the form buttons do not go on claiming it.
  if (w_.RectangleAperture1->isChecked()) w_.RectangleAperture1->trigger();
  w_.LoadSettingsFromIni();
  // The load sets the tracking radius up-down without its handler: the
  // selected object tracks with the radius now shown, not the one before.
  w_.UpDown5Click();
  // The dialog shows the set-up just loaded: its old ticks and values would
  // go into the next save over the defaults.
  FormCreate();
  Dialogs().ShowInformation("Default Setting was saved.", "Confirmation");
}

void TPreserveSetting::Button2Click() { close(); }

void TPreserveSetting::SaveTab(SettingsTab tab) {
  try {
    IniFile ini(w_.SettingsPlace.IniPath);
    AppSettings s = w_.CurrentSettings();
    SaveSettingsTab(ini, s, tab, Ticks(), w_.ExeFolder());
    w_.Settings.CaptureFolder = s.CaptureFolder;
    if (tab == SettingsTab::FileReading) KeepSavedRememberTicks();
  } catch (const IniWriteError& e) {
    Dialogs().ShowError(QString::fromStdString(e.what()));
  }
}

void TPreserveSetting::Button4Click() { SaveTab(SettingsTab::FileReading); }
void TPreserveSetting::Button9Click() { SaveTab(SettingsTab::Measurement); }
void TPreserveSetting::Button10Click() { SaveTab(SettingsTab::Tracking); }

void TPreserveSetting::Button11Click() {
  SaveTab(SettingsTab::TimeInserter);
  w_.ShowNeighbor();
}

void TPreserveSetting::CheckBox16Click() { w_.Settings.UseAviSynth = CheckBox16->isChecked(); }
void TPreserveSetting::CheckBox22Click() { w_.Settings.CsvPathSameAsVideo = CheckBox22->isChecked(); }

void TPreserveSetting::CheckBox19Click() {
  if (filling_) return;
  w_.CheckBox5->setChecked(CheckBox19->isChecked());
  ShowInserterLabels();
}

void TPreserveSetting::RadioButton1Click() {
  if (filling_) return;
  w_.SetUseDirectShow(true);
  w_.SwitchVideoAccess();
  ShowReader();
}

void TPreserveSetting::RadioButton2Click() {
  if (filling_) return;
  w_.SetUseDirectShow(false);
  w_.SwitchVideoAccess();
}

void TPreserveSetting::RadioButton3Click() {
  if (filling_) return;
  w_.SetInserterTypeFromSettings(0);
  w_.Options.StampLocated = 1;
  w_.Options.TiviAvailableKiwi = 1;
  if (w_.Run.VideoLoaded) {
    w_.UpDown4->SetPosition(80);
    w_.LocateIotaTimeStamp();
    w_.ShowNeighbor();
  }
  ShowInserterLabels();
  w_.RefreshTimeColumnNames();
}

void TPreserveSetting::RadioButton4Click() {
  if (filling_) return;
  w_.SetInserterTypeFromSettings(1);
  w_.RefreshTimeColumnNames();
}

void TPreserveSetting::RadioButton5Click() {
  if (filling_) return;
  w_.SetInserterTypeFromSettings(2);
  // The GHS line of the video open is found now, as the type box finds it:
  // else no time would be read from it until the video is opened again.
  if (w_.Run.VideoLoaded) {
    w_.Options.StampLocated = 1;
    w_.Options.GhsLocateEnabled = true;
    w_.LocateGhsTimeStamp(kGhsStartX, kGhsStartY);
    w_.ShowNeighbor();
    w_.ApplyStampFieldOrder();
  }
  w_.RefreshTimeColumnNames();
}
