// 'Update Setting Items': what 'Update.INI file', the tab saves and 'Default'
// write into the settings file, and the switches that act at once.
#include <QCheckBox>
#include <QLabel>
#include <QComboBox>
#include <QGridLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "app/ui/TPlatform.h"
#include "app/ui/TPreserveSetting.h"
#include "base/IniFile.h"
#include "base/ui/DialogService.h"
#include "support/AviWriter.h"
#include "support/DiskFull.h"
#include "support/FactorySettingsText.h"
#include "support/TestFolder.h"
#include "support/WindowControls.h"

namespace {

std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The main window started with no settings file beside it.
struct FreshWindow {
  FreshWindow() {
    std::filesystem::create_directories(bin);
    window = std::make_unique<TPlatform>(PlatformOptions{bin / "tessary"});
  }
  TPlatform& W() { return *window; }
  std::filesystem::path Ini() const { return bin / "tessary.ini"; }
  std::string Folder() const { return bin.string() + "/"; }

  TPreserveSetting* OpenDialog() {
    Find<QPushButton>(window.get(), "Button17")->click();
    return Find<TPreserveSetting>(window.get(), "PreserveSetting");
  }

  TestFolder dir;
  std::filesystem::path bin = dir / "bin";
  ScriptedDialogService dialogs;
  ScopedDialogService use{dialogs};
  std::unique_ptr<TPlatform> window;
};

}  // namespace

TEST(SettingsDialog, StartsFromTheFactoryFile) {
  FreshWindow f;
  EXPECT_EQ(ReadAll(f.Ini()), FactorySettingsText(f.Folder()));
}

// No save tick set: the folders, reader, inserter and identification keys
// are written from the current state, the ticked-only keys keep the file's.
TEST(SettingsDialog, UpdateWithNoTickWritesTheAlwaysSavedKeys) {
  FreshWindow f;
  TPlatform& w = f.W();
  w.UpDown1->SetPosition(4);  // not saved without its tick
  w.Settings.LastVideoDirectory = "/videos";
  w.Settings.ObserverName = "A. Observer";
  w.Settings.LunarPredictionFile = "/pred/lunar.txt";
  w.Settings.StoredSites = {"site one", "", ""};
  w.CheckBox5->setChecked(false);  // 'KIWI'
  TPreserveSetting* d = f.OpenDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_FALSE(Find<QCheckBox>(d, "CheckBox19")->isChecked());  // 'Read from VTI :' mirrors 'KIWI'
  Find<QCheckBox>(d, "CheckBox17")->setChecked(false);          // '.CSV Input'
  f.dialogs.yes_no_answers = {true};
  Find<QPushButton>(d, "Button1")->click();
  ASSERT_EQ(f.dialogs.questions.size(), 1u);
  EXPECT_EQ(f.dialogs.questions[0], "Setting will be Saved . Are you sure?");
  ASSERT_EQ(f.dialogs.messages.size(), 1u);
  EXPECT_EQ(f.dialogs.messages[0].text, "Setting was saved.");

  IniFile ini(f.Ini());
  const std::string folder = f.Folder();
  struct Key {
    const char *section, *key, *value;
  };
  const Key keys[] = {
      {"Files", "Path to .AVI files", "/videos"},
      {"Files", "Path to .CSV input files", ""},
      {"Files", "Memory Latest Access to .CSV input files", "0"},
      {"FileRead", "Use AviSynth to read file", "1"},
      {"TimeSignal", "Read from KIWI-OSD", "0"},
      {"TimeSignal", "VideoTimeInserter", "KIWI-OSD"},
      {"Aperture Size", "Radius of Aperture", "6"},
      {"Identification", "Observer", "A. Observer"},
      {"Identification", "ObserverLunar", "Observer's Name"},
      {"Identification", "Prediction file", "/pred/lunar.txt"},
      {"Identification", "FirstSite", "(none)"},
      {"Capture", "Capture File Path", folder.c_str()},
  };
  for (const Key& k : keys) EXPECT_EQ(ini.ReadString(k.section, k.key, "(none)"), k.value) << k.key;

  // 'No' writes nothing and says nothing more.
  w.Settings.ObserverName = "Changed";
  f.dialogs.yes_no_answers = {false};
  Find<QPushButton>(d, "Button1")->click();
  EXPECT_EQ(f.dialogs.messages.size(), 1u);
  EXPECT_EQ(IniFile(f.Ini()).ReadString("Identification", "Observer", ""), "A. Observer");
}

// The disk fills up half-way through 'Update.INI file' (the file may be
// rewritten at its size, not grow): the user is told, the file stays exactly
// as it was, and the next start reads the old settings, not half of the new.
TEST(SettingsDialog, ASaveThatFailsLeavesTheWholeOldFile) {
  FreshWindow f;
  TPlatform& w = f.W();
  w.UpDown1->SetPosition(4);                            // same length as the stored 6
  w.Settings.ObserverName = "An observer with a long name";  // makes the file grow
  TPreserveSetting* d = f.OpenDialog();
  ASSERT_NE(d, nullptr);
  Find<QCheckBox>(d, "CheckBox5")->setChecked(true);  // 'Radius / Inner / Outer :'
  const std::string before = ReadAll(f.Ini());
  // The size the saved file would reach; one byte less fails the last growth.
  f.dialogs.yes_no_answers = {true, true};
  Find<QPushButton>(d, "Button1")->click();
  const size_t saved_size = ReadAll(f.Ini()).size();
  ASSERT_GT(saved_size, before.size());
  std::ofstream(f.Ini(), std::ios::binary | std::ios::trunc) << before;
  f.dialogs.messages.clear();
  {
    ScopedDiskFull full(saved_size - 1);
    Find<QPushButton>(d, "Button1")->click();
  }
  ASSERT_EQ(f.dialogs.messages.size(), 1u);
  EXPECT_EQ(f.dialogs.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(ReadAll(f.Ini()), before);

  d->close();
  f.window = std::make_unique<TPlatform>(PlatformOptions{f.bin / "tessary"});
  EXPECT_EQ(f.W().UpDown1->Position(), 6);
  EXPECT_NE(f.W().Settings.ObserverName, "An observer with a long name");
}

TEST(SettingsDialog, TickedItemsAndTabSavesWriteTheMainFormValues) {
  FreshWindow f;
  TPlatform& w = f.W();
  w.UpDown1->SetPosition(4);
  w.UpDown5->SetPosition(9);
  w.RadioButton4->setChecked(true);  // 'Anchor'
  TPreserveSetting* d = f.OpenDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(Find<QLabel>(d, "Label3")->text(), "4 / 8 / 25");
  EXPECT_EQ(Find<QLabel>(d, "Label7")->text(), "Anchor");
  Find<QCheckBox>(d, "CheckBox5")->setChecked(true);  // 'Radius / Inner / Outer :'
  f.dialogs.yes_no_answers = {true};
  Find<QPushButton>(d, "Button1")->click();
  EXPECT_EQ(IniFile(f.Ini()).ReadInteger("Aperture Size", "Radius of Aperture", 0), 4);
  EXPECT_EQ(IniFile(f.Ini()).ReadString("Star Tracking", "Tracking Mode", ""), "Drift");

  // The 'Tracking' tab's own save writes only its ticked items.
  Find<QCheckBox>(d, "CheckBox9")->setChecked(true);  // 'Tracking mode :'
  Find<QPushButton>(d, "Button10")->click();
  EXPECT_EQ(IniFile(f.Ini()).ReadString("Star Tracking", "Tracking Mode", ""), "Anchor");
  EXPECT_EQ(IniFile(f.Ini()).ReadInteger("Star Tracking", "Radius", 0), 6);
  EXPECT_EQ(f.dialogs.questions.size(), 1u);  // tab saves ask nothing
}

// 'Default' writes the factory file again and loads it onto the main form.
TEST(SettingsDialog, DefaultRestoresTheFactoryFile) {
  FreshWindow f;
  TPlatform& w = f.W();
  w.UpDown1->SetPosition(3);
  w.RadioButton1->setChecked(true);  // 'Standard'
  TPreserveSetting* d = f.OpenDialog();
  ASSERT_NE(d, nullptr);
  Find<QCheckBox>(d, "CheckBox5")->setChecked(true);
  Find<QCheckBox>(d, "CheckBox6")->setChecked(true);
  Find<QPushButton>(d, "Button9")->click();  // 'Measurement' tab save
  ASSERT_EQ(IniFile(f.Ini()).ReadInteger("Aperture Size", "Radius of Aperture", 0), 3);
  ASSERT_NE(ReadAll(f.Ini()), FactorySettingsText(f.Folder()));

  f.dialogs.yes_no_answers = {true};
  Find<QPushButton>(d, "Button3")->click();
  EXPECT_EQ(f.dialogs.questions.back(), "Default Setting will be saved. Sure?");
  EXPECT_EQ(f.dialogs.messages.back().text, "Default Setting was saved.");
  EXPECT_EQ(ReadAll(f.Ini()), FactorySettingsText(f.Folder()));
  EXPECT_EQ(w.UpDown1->Position(), 6);
  EXPECT_TRUE(w.RadioButton3->isChecked());  // 'Meteor/Lunar Limb'
}

// The remember ticks saved by 'Update.INI file' or the 'File reading' tab
// are the ones in use: the dialog opened again shows them, and saving again
// does not turn the remembering back on.
TEST(SettingsDialog, SavedRememberTicksStayAsSaved) {
  const struct {
    const char* save;  // 'Update.INI file' or the tab's 'Save setting'
    const char* tick;
    const char* key;
  } rows[] = {
      {"Button1", "CheckBox14", "Memory Latest Access to .AVI files"},
      {"Button1", "CheckBox15", "Memory Latest Access to .CSV files"},
      {"Button4", "CheckBox17", "Memory Latest Access to .CSV input files"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.tick);
    FreshWindow f;
    TPreserveSetting* d = f.OpenDialog();
    ASSERT_NE(d, nullptr);
    Find<QCheckBox>(d, r.tick)->click();
    f.dialogs.yes_no_answers = {true};
    Find<QPushButton>(d, r.save)->click();
    ASSERT_FALSE(IniFile(f.Ini()).ReadBool("Files", r.key, true));
    d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    d = f.OpenDialog();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(Find<QCheckBox>(d, r.tick)->isChecked());
    f.dialogs.yes_no_answers = {true};
    Find<QPushButton>(d, "Button1")->click();
    EXPECT_FALSE(IniFile(f.Ini()).ReadBool("Files", r.key, true));
    d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

// After 'Default' the dialog shows the factory set-up it just loaded, so a
// following 'Update.INI file' keeps it instead of writing the ticks and
// values shown before.
TEST(SettingsDialog, DefaultShowsTheFactorySetUpInTheDialog) {
  FreshWindow f;
  TPlatform& w = f.W();
  w.UpDown1->SetPosition(3);
  TPreserveSetting* d = f.OpenDialog();
  ASSERT_NE(d, nullptr);
  Find<QCheckBox>(d, "CheckBox16")->click();  // 'Use AviSynth' off
  Find<QCheckBox>(d, "CheckBox14")->click();  // '.AVI' not remembered
  Find<QRadioButton>(d, "RadioButton2")->click();  // 'Video for Windows'
  ASSERT_EQ(Find<QLabel>(d, "Label3")->text(), "3 / 8 / 25");
  f.dialogs.yes_no_answers = {true};
  Find<QPushButton>(d, "Button3")->click();
  struct Shown {
    const char* name;
    bool checked;
  };
  for (const Shown& s : {Shown{"CheckBox16", true}, Shown{"CheckBox14", true}, Shown{"RadioButton1", true},
                         Shown{"RadioButton4", true}, Shown{"CheckBox19", true}})
    EXPECT_EQ(Find<QAbstractButton>(d, s.name)->isChecked(), s.checked) << s.name;
  EXPECT_EQ(Find<QLabel>(d, "Label3")->text(), "6 / 8 / 25");
  EXPECT_EQ(Find<QLabel>(d, "Label4")->text(), "Meteor/Lunar Limb");
  EXPECT_EQ(Find<QLabel>(d, "Label7")->text(), "Drift");
  EXPECT_EQ(w.Video.UseDirectShow, 1);

  f.dialogs.yes_no_answers = {true};
  Find<QPushButton>(d, "Button1")->click();
  IniFile ini(f.Ini());
  EXPECT_TRUE(ini.ReadBool("FileRead", "Use AviSynth to read file", false));
  EXPECT_TRUE(ini.ReadBool("Files", "Memory Latest Access to .AVI files", false));
  EXPECT_EQ(ini.ReadString("FileRead", "API for reading file", ""), "DirectShow");
  EXPECT_TRUE(ini.ReadBool("TimeSignal", "Read from KIWI-OSD", false));
}

TEST(SettingsDialog, SwitchesActAtOnce) {
  FreshWindow f;
  TPlatform& w = f.W();
  w.CheckBox5->setChecked(true);
  TPreserveSetting* d = f.OpenDialog();
  ASSERT_NE(d, nullptr);
  Find<QCheckBox>(d, "CheckBox19")->setChecked(false);  // 'Read from VTI :'
  EXPECT_FALSE(w.CheckBox5->isChecked());
  Find<QRadioButton>(d, "RadioButton5")->setChecked(true);  // 'GHS-OSD'
  EXPECT_EQ(w.Options.TimeStampMode, 2);
  EXPECT_EQ(w.ComboBox1->currentIndex(), 2);
  Find<QRadioButton>(d, "RadioButton3")->setChecked(true);  // 'IOTA VTI', no video: flags and index only
  EXPECT_EQ(w.Options.TimeStampMode, 0);
  EXPECT_EQ(w.Options.StampLocated, 1);
  EXPECT_EQ(w.ComboBox1->currentIndex(), 0);
  Find<QRadioButton>(d, "RadioButton2")->setChecked(true);  // 'Video for Windows'
  EXPECT_EQ(w.Video.UseDirectShow, 0);
  EXPECT_FALSE(w.CheckBox7->isChecked());
  Find<QCheckBox>(d, "CheckBox16")->setChecked(false);
  EXPECT_FALSE(w.Settings.UseAviSynth);
  Find<QPushButton>(d, "Button6")->click();  // a tab's 'Close'
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.PreserveSetting.isNull());
}

// The 'Video Time Inserter' tab writes the digit threshold without its tick,
// the inserter, the capture folder and the identification keys; the 'File
// reading' tab the folders, remember ticks and reader.
TEST(SettingsDialog, InserterAndFileTabSaves) {
  FreshWindow f;
  TPlatform& w = f.W();
  w.UpDown4->SetPosition(135);
  w.Settings.ObserverNameLunar = "Lunar Observer";
  w.Settings.CsvDirectory = "/csv";
  TPreserveSetting* d = f.OpenDialog();
  ASSERT_NE(d, nullptr);
  Find<QRadioButton>(d, "RadioButton5")->setChecked(true);  // 'GHS-OSD'
  Find<QPushButton>(d, "Button11")->click();
  IniFile ini(f.Ini());
  EXPECT_EQ(ini.ReadInteger("TimeSignal", "Threshold", 0), 135);
  EXPECT_EQ(ini.ReadString("TimeSignal", "VideoTimeInserter", ""), "GHS-OSD");
  EXPECT_EQ(ini.ReadString("Identification", "ObserverLunar", ""), "Lunar Observer");
  EXPECT_EQ(ini.ReadString("Files", "Path to .CSV files", ""), "/");  // not this tab's

  Find<QCheckBox>(d, "CheckBox15")->setChecked(false);  // '.CSV Output'
  Find<QPushButton>(d, "Button4")->click();
  EXPECT_EQ(ini.ReadString("Files", "Path to .CSV files", ""), "/csv");
  EXPECT_FALSE(ini.ReadBool("Files", "Memory Latest Access to .CSV files", true));
  EXPECT_TRUE(f.dialogs.questions.empty());
}

// Each page of save ticks has its own tab, in order, and ends with its save
// and close buttons side by side below the ticks.
TEST(SettingsDialog, TickPagesEndWithTheirSaveAndCloseButtons) {
  FreshWindow f;
  TPreserveSetting* d = f.OpenDialog();
  ASSERT_NE(d, nullptr);
  auto* pages = Find<QTabWidget>(d, "PageControl1");
  ASSERT_EQ(pages->count(), 4);
  EXPECT_EQ(pages->tabText(0), "File reading");
  EXPECT_EQ(pages->currentIndex(), 1);
  struct Page {
    int index;
    const char *title, *first_tick, *save, *save_caption, *close;
  };
  const Page table[] = {
      {1, "Measurement", "CheckBox2", "Button9", "Save settings", "Button6"},
      {2, "Tracking", "CheckBox9", "Button10", "Save settings", "Button7"},
      {3, "Video Time Inserter", "CheckBox13", "Button11", "Save Settings", "Button8"},
  };
  for (const Page& p : table) {
    SCOPED_TRACE(p.title);
    EXPECT_EQ(pages->tabText(p.index), p.title);
    QWidget* page = pages->widget(p.index);
    auto* tick = Find<QCheckBox>(d, p.first_tick);
    auto* save = Find<QPushButton>(d, p.save);
    auto* close = Find<QPushButton>(d, p.close);
    ASSERT_TRUE(tick && save && close);
    EXPECT_TRUE(page->isAncestorOf(tick));
    EXPECT_EQ(save->text(), p.save_caption);
    EXPECT_EQ(close->text(), "Close");
    auto* grid = qobject_cast<QGridLayout*>(page->layout());
    ASSERT_NE(grid, nullptr);
    int save_row = -1, save_col = -1, close_row = -1, close_col = -1, tick_row = -1, tick_col = -1, span = 0;
    grid->getItemPosition(grid->indexOf(save), &save_row, &save_col, &span, &span);
    grid->getItemPosition(grid->indexOf(close), &close_row, &close_col, &span, &span);
    grid->getItemPosition(grid->indexOf(tick), &tick_row, &tick_col, &span, &span);
    EXPECT_EQ(save_row, grid->rowCount() - 1);
    EXPECT_EQ(close_row, save_row);
    EXPECT_EQ(save_col, 0);
    EXPECT_EQ(close_col, 1);
    EXPECT_LT(tick_row, save_row);
  }
}

// The dialog's own switches change the main form's digit threshold and
// 'KIWI' reading: its labels then show what 'Update.INI file' writes.
TEST(SettingsDialog, InserterLabelsFollowTheDialogsOwnSwitches) {
  struct Row {
    const char* name;
    const char* control;      // clicked in the dialog
    const char* threshold;    // Label11 and the saved "Threshold" after it
    const char* kiwi;         // Label12
    const char* saved_kiwi;   // "Read from KIWI-OSD" saved
  };
  const Row rows[] = {
      {"'Read from VTI :' unticked: KIWI type without the tick reads at 100", "CheckBox19", "100", "OFF", "0"},
      {"'IOTA VTI' with a video open reads at 80", "RadioButton3", "80", "ON", "1"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TestFolder dir;
    const std::filesystem::path bin = dir / "bin";
    std::filesystem::create_directories(bin);
    ScriptedDialogService dialogs;
    ScopedDialogService use{dialogs};
    TPlatform w(PlatformOptions{bin / "tessary"});  // the factory file: KIWI type, 'KIWI' ticked
    const std::filesystem::path video = dir / "plain.avi";
    ASSERT_TRUE(WriteAvi(video.string(), std::vector<Bitmap24>(3, Bitmap24(64, 48))));
    dialogs.open_file_names.push_back(QString::fromStdString(video.string()));
    Find<QPushButton>(&w, "Button1")->click();
    ASSERT_TRUE(w.Run.VideoLoaded);
    w.UpDown4->setValue(120);
    Find<QPushButton>(&w, "Button17")->click();
    auto* d = Find<TPreserveSetting>(&w, "PreserveSetting");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(Find<QLabel>(d, "Label11")->text(), "120");
    EXPECT_EQ(Find<QLabel>(d, "Label12")->text(), "ON");
    Find<QAbstractButton>(d, r.control)->click();
    EXPECT_EQ(Find<QLabel>(d, "Label11")->text(), r.threshold);
    EXPECT_EQ(Find<QLabel>(d, "Label12")->text(), r.kiwi);
    Find<QCheckBox>(d, "CheckBox13")->setChecked(true);  // 'Threshold :'
    dialogs.yes_no_answers = {true};
    Find<QPushButton>(d, "Button1")->click();
    IniFile ini(bin / "tessary.ini");
    EXPECT_EQ(ini.ReadString("TimeSignal", "Threshold", ""), r.threshold);
    EXPECT_EQ(ini.ReadString("TimeSignal", "Read from KIWI-OSD", ""), r.saved_kiwi);
    d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}
