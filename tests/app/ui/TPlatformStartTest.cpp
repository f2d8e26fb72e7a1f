#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <fstream>
#include <map>
#include <gtest/gtest.h>

#include "support/WindowControls.h"
#include "support/TestFolder.h"
#include "base/AtomicFile.h"
#include "base/CsvFields.h"
#include "base/IniFile.h"
#include "base/ui/DialogService.h"
#include "base/ui/ControlEvents.h"
#include "app/ui/TPlatform.h"
#include "app/ui/TessaryApplication.h"

namespace {

QStringList MemoLines(TPlatform& w) {
  auto* memo = w.findChild<QPlainTextEdit*>("Memo1");
  EXPECT_NE(memo, nullptr);
  return memo ? memo->toPlainText().split('\n') : QStringList();
}

std::string ReadText(const std::filesystem::path& p) {
  auto t = ReadWholeFile(p, 1 << 20);
  return t ? *t : std::string("<missing>");
}

struct Started {
  TestFolder dir;
  ScriptedDialogService dialogs;
  ScopedDialogService use{dialogs};
  std::filesystem::path bin = dir / "bin";
  Started() { std::filesystem::create_directories(bin); }
  PlatformOptions Options() const { return PlatformOptions{bin / "tessary"}; }
};

// Before anything is shown 'Save Image' says so and asks for no file name.
TEST(TPlatformStart, SaveImageWithoutAVideoSaysNoVideoIsOpen) {
  Started s;
  TPlatform w(s.Options());
  const std::filesystem::path shot = s.dir / "shot.png";
  s.dialogs.save_file_types = {1};
  s.dialogs.save_file_names = {QString::fromStdString(shot.string())};
  Find<QAction>(&w, "SaveImage1")->trigger();
  ASSERT_EQ(s.dialogs.messages.size(), 1u);
  EXPECT_EQ(s.dialogs.messages[0].text.toStdString(), "No video is open.");
  EXPECT_FALSE(std::filesystem::exists(shot));
}

TEST(TPlatformStart, CreatesTheFactorySettingsFileBesideTheProgram) {
  Started s;
  TPlatform w(s.Options());
  const auto ini = s.bin / "tessary.ini";
  ASSERT_TRUE(std::filesystem::exists(ini));
  EXPECT_EQ(w.SettingsPlace.IniPath, ini);
  std::string text = ReadText(ini);
  EXPECT_TRUE(text.starts_with("[Files]\r\nPath to .AVI files=/\r\n"));
  EXPECT_NE(text.find("[Capture]\r\nCapture File Path=" + s.bin.string() + "/\r\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("[VideoSource]\r\nCamera=WAT-120N\r\n"));
  // And the window shows what it holds.
  EXPECT_TRUE(Find<QCheckBox>(&w, "CheckBox7")->isChecked());
  EXPECT_EQ(Find<QCheckBox>(&w, "CheckBox7")->text(), "DShow");
  EXPECT_TRUE(Find<QCheckBox>(&w, "CheckBox14")->isChecked());
  EXPECT_EQ(Find<QGroupBox>(&w, "GroupBox3")->title(), "FWHM");
  EXPECT_FALSE(Find<QCheckBox>(&w, "CheckBox2")->isEnabled());
  EXPECT_TRUE(Find<QRadioButton>(&w, "RadioButton3")->isChecked());
  // The background forms sit in their own group.
  EXPECT_EQ(Find<QRadioButton>(&w, "RadioButton3")->parentWidget(), Find<QGroupBox>(&w, "GroupBox8"));
  EXPECT_TRUE(Find<QRadioButton>(&w, "RadioButton5")->isChecked());
  EXPECT_TRUE(Find<QSpinBox>(&w, "UpDown6")->isEnabled());
  EXPECT_EQ(Find<QLineEdit>(&w, "Edit1")->text(), "6");
  EXPECT_EQ(Find<QLineEdit>(&w, "Edit6")->text(), "6");
  EXPECT_EQ(Find<QLineEdit>(&w, "Edit4")->text(), "100");
  EXPECT_EQ(Find<QLineEdit>(&w, "Edit19")->text(), "1");
  EXPECT_EQ(Find<QComboBox>(&w, "ComboBox1")->currentIndex(), 1);
  EXPECT_EQ(w.Options.TimeStampMode, 1);
  EXPECT_TRUE(Find<QCheckBox>(&w, "CheckBox5")->isChecked());
  EXPECT_EQ(w.Frames.RecordedDataLines[0].Objects[2].ApertureRadius, 6);
  EXPECT_EQ(w.Frames.RecordedDataLines[0].Objects[2].TrackRadius, 6);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].BackgroundForm, 2);
  EXPECT_EQ(w.Settings.ObserverName, "Observer's Name");
  EXPECT_EQ(Find<QLineEdit>(&w, "Edit24")->text(), "h");
  EXPECT_EQ(Find<QLineEdit>(&w, "Edit25")->text(), "m");
  EXPECT_EQ(Find<QLineEdit>(&w, "Edit26")->text(), "s(Field1)");
  EXPECT_EQ(Find<QLineEdit>(&w, "Edit27")->text(), "s(Field2)");
  EXPECT_EQ(Find<QLineEdit>(&w, "Edit18")->text(), "1.00");
}

TEST(TPlatformStart, StoredSettingsRunTheHandlersOfTheirControls) {
  Started s;
  std::ofstream(s.bin / "tessary.ini", std::ios::binary)
      << "[Measurement]\r\nPhotometry=Aperture photometry\r\nMeasure=for each Field\r\nFieldOrder=Top first\r\n"
         "[FileRead]\r\nAPI for reading file=VideoForWindows\r\n"
         "[Background Area]\r\nForm=Avoid Sunlit Face\r\n"
         "[SignalDetectionArea for LED]\r\nSignal1,2=0\r\n"
         "[TimeSignal]\r\nVideoTimeInserter=IOTA-VTI\r\nRead from KIWI-OSD=1\r\n";
  TPlatform w(s.Options());
  // 'Field Measure' switched on by the file rewrote the header for field rows.
  QStringList lines = MemoLines(w);
  ASSERT_EQ(lines.size(), 6);
  EXPECT_EQ(lines[0], "Tessary File Format (for Ver.0.9.99.5 later)");
  EXPECT_TRUE(lines[3].startsWith(",\"Time\",,,,\"End of\",,,,,\"Result\""));
  // The time columns as the file's IOTA type with 'KIWI' ticked writes them.
  EXPECT_TRUE(lines[5].startsWith("\"No.\",\"Field1\",\"Field2\""));
  EXPECT_EQ(Find<QCheckBox>(&w, "CheckBox7")->text(), "VFW");
  EXPECT_EQ(w.Video.UseDirectShow, 0);
  EXPECT_EQ(Find<QGroupBox>(&w, "GroupBox3")->title(), "Half Flux");
  EXPECT_EQ(w.Options.StampFieldOrder, 1);
  EXPECT_TRUE(Find<QSpinBox>(&w, "UpDown6")->isEnabled());
  EXPECT_FALSE(Find<QSpinBox>(&w, "UpDown8")->isEnabled());
  EXPECT_FALSE(Find<QRadioButton>(&w, "RadioButton11")->isEnabled());
  EXPECT_TRUE(Find<QRadioButton>(&w, "RadioButton10")->isChecked());
  EXPECT_EQ(w.Options.TimeStampMode, 0);
  EXPECT_EQ(w.Options.Signal1HalfWidth, 2);
  // No factory defaults were written over the user's file.
  EXPECT_EQ(IniFile(s.bin / "tessary.ini").ReadString("Aperture Size", "Radius of Aperture", "none"), "none");
}

TEST(TPlatformStart, SaveAllTakesTheWindowsTimeSignalControls) {
  Started s;
  TPlatform w(s.Options());
  Find<QCheckBox>(&w, "CheckBox5")->setChecked(false);  // sets the threshold of its own
  Find<QSpinBox>(&w, "UpDown4")->setValue(42);
  w.Options.SignalMarkersOn = 0;
  w.SaveAllSettings();
  IniFile ini(w.SettingsPlace.IniPath);
  EXPECT_EQ(ini.ReadInteger("TimeSignal", "Threshold", 0), 42);
  EXPECT_FALSE(ini.ReadBool("TimeSignal", "Read from KIWI-OSD", true));
  EXPECT_FALSE(ini.ReadBool("SignalDetectionArea for LED", "Signal1,2", true));
}

TEST(TPlatformStart, UnwritableProgramFolderUsesTheConfigFolderAndSaysSoOnce) {
  Started s;
  PlatformOptions o{s.dir / "no-such-folder" / "tessary"};
  {
    TPlatform w(o);
    EXPECT_EQ(w.SettingsPlace.IniPath, s.dir / "xdg" / "tessary" / "tessary.ini");
    EXPECT_TRUE(std::filesystem::exists(w.SettingsPlace.IniPath));
  }
  ASSERT_EQ(s.dialogs.messages.size(), 1u);
  EXPECT_TRUE(s.dialogs.messages[0].text.contains("not writable"));
  { TPlatform again(o); }
  EXPECT_EQ(s.dialogs.messages.size(), 1u);
}

// With neither the program's folder nor the configuration folder writable
// the settings cannot be kept: the start says so once, as an error, and names
// no file as their place.
TEST(TPlatformStart, NoFolderForTheSettingsIsToldAndNoPlaceIsClaimed) {
  Started s;
  std::ofstream(s.dir / "not-a-folder") << "x";
  ::setenv("XDG_CONFIG_HOME", (s.dir / "not-a-folder").c_str(), 1);
  TPlatform w(PlatformOptions{s.dir / "no-such-folder" / "tessary"});
  EXPECT_FALSE(IniFileExists(w.SettingsPlace.IniPath));
  ASSERT_EQ(s.dialogs.messages.size(), 1u);
  EXPECT_EQ(s.dialogs.messages[0].kind, MessageKind::Error);
  EXPECT_TRUE(s.dialogs.messages[0].text.contains("will not be kept"));
  EXPECT_FALSE(s.dialogs.messages[0].text.contains("kept in"));
  // The window runs on the fallback values.
  EXPECT_EQ(w.Settings.Camera, "WAT-100N");
  EXPECT_EQ(w.UpDown1->Position(), 5);
}

// A folder, or a file far too large to be settings, where the settings file
// belongs: the start says it cannot be read, runs on the fallback values and
// leaves the thing as it was.
TEST(TPlatformStart, UnreadableSettingsFileIsToldAndLeftAsItIs) {
  const std::string too_large = "[Aperture Size]\r\nRadius of Aperture=9\r\n" + std::string(kMaxIniBytes, ';');
  for (const bool folder : {true, false}) {
    SCOPED_TRACE(folder ? "a folder" : "too large");
    Started s;
    const std::filesystem::path ini = s.bin / "tessary.ini";
    if (folder)
      std::filesystem::create_directories(ini / "inside");
    else
      std::ofstream(ini, std::ios::binary) << too_large;
    {
      TPlatform w(s.Options());
      ASSERT_EQ(s.dialogs.messages.size(), 1u);
      EXPECT_TRUE(s.dialogs.messages[0].text.contains("cannot be read"));
      EXPECT_TRUE(s.dialogs.messages[0].text.contains(QString::fromStdString(ini.string())));
      EXPECT_EQ(w.UpDown1->Position(), 5);
      EXPECT_EQ(w.Settings.Camera, "WAT-100N");
    }
    if (folder)
      EXPECT_TRUE(std::filesystem::is_directory(ini / "inside"));
    else
      EXPECT_EQ(ReadWholeFile(ini, 2 * kMaxIniBytes).value_or(""), too_large);
  }
}

// A settings file marked read-only is left as it is: the settings carry over
// to the configuration folder, quietly, and are written there.
TEST(TPlatformStart, ReadOnlySettingsFileCarriesOverToTheConfigFolder) {
  Started s;
  const std::filesystem::path beside = s.bin / "tessary.ini";
  const std::string text = "[Identification]\r\nObserver=Kept Name\r\n";
  std::ofstream(beside, std::ios::binary) << text;
  std::filesystem::permissions(beside, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  {
    TPlatform w(s.Options());
    EXPECT_EQ(w.SettingsPlace.IniPath, s.dir / "xdg" / "tessary" / "tessary.ini");
    EXPECT_EQ(IniFile(w.SettingsPlace.IniPath).ReadString("Identification", "Observer", ""), "Kept Name");
    w.Settings.LastVideoDirectory = s.dir.Path().string();
    w.SaveLatestAccessPaths();
  }
  EXPECT_EQ(ReadText(beside), text);
  EXPECT_TRUE(s.dialogs.messages.empty());
}

TEST(TPlatformStart, ReadsTheCatalogueCrossReferenceBesideTheProgram) {
  Started s;
  std::ofstream(s.bin / "ZC2XZ.txt", std::ios::binary) << "ZC,77,x,12345\r\nZC,bad,x,1\r\nzc,78,x,2\r\n";
  TPlatform w(s.Options());
  EXPECT_EQ(w.ZCtoXZ[77], 12345);
  EXPECT_EQ(w.ZCtoXZ[78], 0);
}

// Several parts of the window add items to the same menu-bar menu: each
// menu is made once and keeps every part's items.
TEST(TPlatformStart, EachMenuBarMenuOnceWithTheItemsOfEveryPart) {
  Started s;
  TPlatform w(s.Options());
  std::map<QString, int> count;
  std::map<QString, QStringList> items;
  for (QAction* top : w.menuBar()->actions()) {
    if (!top->menu()) continue;
    ++count[top->menu()->objectName()];
    for (QAction* a : top->menu()->actions()) items[top->menu()->objectName()] << a->objectName();
  }
  for (const char* name : {"File1", "Edit1", "Object1", "Option1", "Tools1", "Analysis1"})
    EXPECT_EQ(count[name], 1) << name;
  const struct {
    const char* menu;
    const char* item;
  } expected[] = {{"File1", "AVIRileOpen1"},
                  {"File1", "SavetoCSVFile1"},
                  {"Object1", "Add1"},
                  {"Object1", "Object31"},
                  {"Option1", "RectangleAperture1"},
                  {"Option1", "FixMin6MaxofGraph1"},
                  {"Tools1", "VideoCapture1"},
                  {"Tools1", "LinearityofVideo1"},
                  {"Analysis1", "Identificationforlightcurve1"}};
  for (const auto& e : expected) EXPECT_TRUE(items[e.menu].contains(e.item)) << e.menu << " " << e.item;
}

TEST(TPlatformEvents, CodeSetComboRunsNoHandlerButTheUserDoes) {
  Started s;
  TPlatform w(s.Options());
  auto* combo = Find<QComboBox>(&w, "ComboBox1");
  SetComboIndex(combo, 2);
  EXPECT_EQ(w.Options.TimeStampMode, 1);
  combo->setCurrentIndex(0);
  emit combo->activated(0);
  EXPECT_EQ(w.Options.TimeStampMode, 0);
}

TEST(TPlatformEvents, RadioGroupAndUpDown) {
  TRadioGroup group("RG", "Order", {"Even first", "Odd first"});
  int clicks = 0;
  QObject::connect(&group, &TRadioGroup::clicked, [&] { ++clicks; });
  EXPECT_EQ(group.ItemIndex(), -1);
  group.SetItemIndex(1);
  group.SetItemIndex(1);
  EXPECT_EQ(clicks, 1);
  group.SetItemIndex(0);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(group.ItemIndex(), 0);
  group.SetItemIndex(-1);
  EXPECT_EQ(group.ItemIndex(), -1);

  TUpDown updown("UpDownX", "EditX", 0, 25, 3);
  int changes = 0;
  QObject::connect(&updown, &QSpinBox::valueChanged, [&] { ++changes; });
  updown.SetPosition(30);
  EXPECT_EQ(updown.Position(), 25);
  EXPECT_EQ(changes, 0);
  updown.setValue(4);  // as the arrows do
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(updown.Edit()->objectName(), "EditX");
}

TEST(TPlatformResults, MemoFollowsTheTableLazily) {
  Started s;
  TPlatform w(s.Options());
  auto* memo = Find<QPlainTextEdit>(&w, "Memo1");
  w.WriteCsvHeader();
  w.SyncMemo1();
  for (int frame = 0; frame < 2000; ++frame) {
    for (auto& block : w.Frames.FrameDataLines) block.FrameNumberX10 = frame * 10;
    w.AppendResultRows();
  }
  EXPECT_EQ(memo->blockCount(), 6);  // not yet shown
  w.SyncMemo1();
  EXPECT_EQ(memo->blockCount(), 2006);
  EXPECT_TRUE(memo->toPlainText().split('\n').at(2005).startsWith("1999.0,"));
  w.Results.SetLine(6, "edited");
  w.Results.Truncate(8);
  w.SyncMemo1();
  QStringList lines = memo->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 8);
  EXPECT_EQ(lines[6], "edited");
  EXPECT_TRUE(lines[7].startsWith("1.0,"));
  w.DetectCsvVersion();
  EXPECT_EQ(w.Options.CsvHeaderLines, 6);
}

TEST(TPlatformExit, RefusedDuringARun) {
  Started s;
  TPlatform w(s.Options());
  w.show();
  w.Run.MeasuringRun = true;
  Find<QPushButton>(&w, "Button2")->click();
  EXPECT_TRUE(w.isVisible());
  w.Run.MeasuringRun = false;
  Find<QPushButton>(&w, "Button2")->click();
  EXPECT_FALSE(w.isVisible());
}

TEST(ExceptionGuard, ShowsTheErrorInsteadOfEscaping) {
  ScriptedDialogService dialogs;
  ScopedDialogService use(dialogs);
  bool result = RunGuarded([]() -> bool { throw std::runtime_error("disk full"); }, false);
  EXPECT_FALSE(result);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(dialogs.messages[0].text, "disk full");
  EXPECT_TRUE(RunGuarded([] { return true; }));
}

}  // namespace

namespace {

}  // namespace

namespace {

}  // namespace

namespace {

TEST(TPlatformStart, StoredRadiiLoadWholeAndLimitEachOther) {
  Started s;
  std::ofstream(s.bin / "tessary.ini", std::ios::binary)
      << "[Aperture Size]\r\nRadius of Aperture=12\r\nInner Radius of Background=14\r\n"
         "Outer Radius of Background=20\r\n";
  TPlatform w(s.Options());
  auto* r1 = Find<QSpinBox>(&w, "UpDown1");
  auto* r2 = Find<QSpinBox>(&w, "UpDown2");
  auto* r3 = Find<QSpinBox>(&w, "UpDown3");
  EXPECT_EQ(r1->value(), 12);
  EXPECT_EQ(r2->value(), 14);
  EXPECT_EQ(r3->value(), 20);
  EXPECT_EQ(r1->maximum(), 13);
  EXPECT_EQ(r2->minimum(), 13);
  EXPECT_EQ(r2->maximum(), 20);
  EXPECT_EQ(r3->minimum(), 14);
  EXPECT_EQ(r3->maximum(), 25);
  EXPECT_EQ(w.Frames.RecordedDataLines[0].Objects[1].ApertureRadius, 12);
  EXPECT_EQ(Find<QLineEdit>(&w, "Edit22")->text(), "10");  // gap fallback
  EXPECT_EQ(Find<QLineEdit>(&w, "Edit14")->text(), "25");  // width fallback
  EXPECT_EQ(Find<QLineEdit>(&w, "Edit42")->text(), "50");
}

TEST(SettingsOddValues, CrossedRadiiKeepTheApertureAndMoveTheBackgroundOut) {
  const struct {
    const char* aperture;
    const char* inner;
    const char* outer;
    int want[3];
  } rows[] = {
      {"20", "5", "3", {20, 21, 21}}, {"6", "6", "6", {6, 7, 7}},     {"6", "9", "7", {6, 9, 9}},
      {"-4", "-2", "-1", {0, 1, 1}},  {"99", "99", "99", {24, 25, 25}}, {"25", "25", "25", {24, 25, 25}},
      {"0", "0", "0", {0, 1, 1}},     {"4", "9", "20", {4, 9, 20}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.aperture) + "," + r.inner + "," + r.outer);
    Started s;
    std::ofstream(s.bin / "tessary.ini", std::ios::binary)
        << "[Aperture Size]\r\nRadius of Aperture=" << r.aperture << "\r\nInner Radius of Background=" << r.inner
        << "\r\nOuter Radius of Background=" << r.outer << "\r\n";
    TPlatform w(s.Options());
    const QSpinBox* radii[3] = {Find<QSpinBox>(&w, "UpDown1"), Find<QSpinBox>(&w, "UpDown2"),
                                Find<QSpinBox>(&w, "UpDown3")};
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(radii[k]->value(), r.want[k]) << "up-down " << k + 1;
      EXPECT_LE(radii[k]->maximum(), 25) << "up-down " << k + 1;
    }
    // 'Set  radius to recorded' hands these to the measurement.
    for (const ObjectResult& o : w.Frames.RecordedDataLines[0].Objects) {
      EXPECT_EQ(o.ApertureRadius, r.want[0]);
      EXPECT_EQ(o.BackgroundInner, r.want[1]);
      EXPECT_EQ(o.BackgroundOuter, r.want[2]);
    }
  }
}

}  // namespace
