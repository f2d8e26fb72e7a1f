// Every setting the main form and 'Update Setting Items' offer, changed by
// clicks, saved with 'Update.INI file' and read back by a new main window on
// the same settings file, as the next start of the program does.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <utility>

#include "app/ui/TMeasurementOption.h"
#include "app/ui/TPlatform.h"
#include "app/ui/TPreserveSetting.h"
#include "base/AtomicFile.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "support/TestFolder.h"
#include "support/WindowControls.h"

namespace {

// The file read by hand: CR LF lines, "[Section]" and "key=value", first wins.
std::map<std::pair<std::string, std::string>, std::string> ReadByHand(const std::filesystem::path& p) {
  std::map<std::pair<std::string, std::string>, std::string> keys;
  const std::string text = ReadWholeFile(p, 1 << 20).value_or("");
  std::string section;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "a line without CR LF";
    if (end == std::string::npos) break;
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    if (line.starts_with('[')) {
      section = line.substr(1, line.find(']') - 1);
    } else if (const size_t eq = line.find('='); eq != std::string::npos) {
      keys.emplace(std::make_pair(section, line.substr(0, eq)), line.substr(eq + 1));
    }
  }
  return keys;
}

struct Setting {
  const char* section;
  const char* key;
  const char* text;                          // as the file must hold it
  std::function<int(TPlatform&)> shown;      // the control or state after a restart
  int expected;
};

}  // namespace

TEST(SettingsRestart, EverySettingComesBackAfterARestart) {
  TestFolder dir;
  const std::filesystem::path bin = dir / "bin";
  std::filesystem::create_directories(bin);
  ScriptedDialogService dialogs;
  ScopedDialogService use{dialogs};
  auto w = std::make_unique<TPlatform>(PlatformOptions{bin / "tessary"});

  // The main form, by its own controls (the factory file is loaded).
  w->CheckBox3->click();    // 'Sync-Tracking APT' off first: the radii stay apart
  w->CheckBox14->click();   // aperture photometry
  w->CheckBox2->click();    // 'Field Measure'
  w->RadioGroup2->Item(0)->click();
  w->UpDown3->setValue(20);
  w->UpDown2->setValue(9);
  w->UpDown1->setValue(4);
  w->UpDown6->setValue(3);
  w->UpDown8->setValue(7);
  w->RadioButton2->click();  // 'Avoid Sunlit Face'
  w->RadioButton6->click();  // tracking 'OFF'
  w->UpDown5->setValue(9);
  w->UpDown7->setValue(70);
  w->CheckBox5->click();     // 'KIWI' off
  w->UpDown4->setValue(120);
  Find<QAction>(w.get(), "MeasuremenOption1")->trigger();
  auto* options = Find<TMeasurementOption>(w.get(), "MeasurementOption");
  ASSERT_NE(options, nullptr);
  Find<QCheckBox>(options, "CheckBox3")->click();  // LED boxes off
  options->close();

  Find<QPushButton>(w.get(), "Button17")->click();
  auto* d = Find<TPreserveSetting>(w.get(), "PreserveSetting");
  ASSERT_NE(d, nullptr);
  Find<QRadioButton>(d, "RadioButton5")->click();  // 'GHS-OSD'
  Find<QRadioButton>(d, "RadioButton2")->click();  // 'Video for Windows'
  Find<QCheckBox>(d, "CheckBox16")->click();       // 'Use AviSynth' off
  Find<QCheckBox>(d, "CheckBox22")->click();       // 'CSV (in, out) = AVI' on
  Find<QCheckBox>(d, "CheckBox14")->click();       // '.AVI' not remembered
  for (const char* tick : {"CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5", "CheckBox6", "CheckBox7", "CheckBox8",
                           "CheckBox9", "CheckBox10", "CheckBox11", "CheckBox12", "CheckBox13", "CheckBox20"})
    Find<QCheckBox>(d, tick)->setChecked(true);
  dialogs.yes_no_answers = {true};
  Find<QPushButton>(d, "Button1")->click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Setting was saved.");
  d->close();
  w.reset();

  w = std::make_unique<TPlatform>(PlatformOptions{bin / "tessary"});
  EXPECT_EQ(dialogs.messages.size(), 1u);  // a clean start says nothing
  const auto checked = [](QAbstractButton* b) { return [b](TPlatform&) { return b->isChecked() ? 1 : 0; }; };
  const auto position = [](TUpDown* u) { return [u](TPlatform&) { return u->Position(); }; };
  const auto recorded = [](int32_t ObjectResult::*radius) {
    return [radius](TPlatform& p) {
      int same = 0;
      for (const ObjectResult& o : p.Frames.RecordedDataLines[0].Objects) same += o.*radius;
      return same / 3;
    };
  };
  const Setting table[] = {
      {"Files", "Memory Latest Access to .AVI files", "0",
       [](TPlatform& p) { return p.Settings.RememberVideoDirectory ? 1 : 0; }, 0},
      {"Files", "CSV path is same as AVI", "1", [](TPlatform& p) { return p.Settings.CsvPathSameAsVideo ? 1 : 0; }, 1},
      {"FileRead", "Use AviSynth to read file", "0", [](TPlatform& p) { return p.Settings.UseAviSynth ? 1 : 0; }, 0},
      {"FileRead", "API for reading file", "VideoForWindows", checked(w->CheckBox7), 0},
      {"Measurement", "Photometry", "Aperture photometry", checked(w->CheckBox14), 0},
      {"Measurement", "Measure", "for each Field", checked(w->CheckBox2), 1},
      {"Measurement", "FieldOrder", "Top first", [](TPlatform& p) { return p.RadioGroup2->ItemIndex(); }, 0},
      {"Measurement", "FieldOrder", "Top first", [](TPlatform& p) { return int(p.Options.StampFieldOrder); }, 1},
      {"Aperture Size", "Radius of Aperture", "4", position(w->UpDown1), 4},
      {"Aperture Size", "Radius of Aperture", "4", recorded(&ObjectResult::ApertureRadius), 4},
      {"Aperture Size", "Inner Radius of Background", "9", position(w->UpDown2), 9},
      {"Aperture Size", "Inner Radius of Background", "9", recorded(&ObjectResult::BackgroundInner), 9},
      {"Aperture Size", "Outer Radius of Background", "20", position(w->UpDown3), 20},
      {"Aperture Size", "Outer Radius of Background", "20", recorded(&ObjectResult::BackgroundOuter), 20},
      {"Background Area", "Form", "Avoid Sunlit Face", checked(w->RadioButton2), 1},
      {"Background Area", "Form", "Avoid Sunlit Face", [](TPlatform& p) { return p.UpDown6->isEnabled() ? 1 : 0; }, 1},
      {"Background Area", "Form", "Avoid Sunlit Face", [](TPlatform& p) { return p.UpDown8->isEnabled() ? 1 : 0; }, 0},
      {"Background Area", "Gap", "3", position(w->UpDown6), 3},
      {"Background Area", "Width", "7", position(w->UpDown8), 7},
      {"Star Tracking", "Tracking Mode", "OFF", checked(w->RadioButton6), 1},
      {"Star Tracking", "Radius", "9", position(w->UpDown5), 9},
      {"Star Tracking", "Radius", "9", recorded(&ObjectResult::TrackRadius), 9},
      {"Star Tracking", "Threshold", "70", position(w->UpDown7), 70},
      {"Star Tracking", "Synchronize to Radius of Aperture", "OFF", checked(w->CheckBox3), 0},
      {"TimeSignal", "Threshold", "120", position(w->UpDown4), 120},
      {"TimeSignal", "Read from KIWI-OSD", "0", checked(w->CheckBox5), 0},
      {"SignalDetectionArea for LED", "Signal1,2", "0", [](TPlatform& p) { return int(p.Options.SignalMarkersOn); }, 0},
      {"SignalDetectionArea for LED", "Signal1,2", "0",
       [](TPlatform& p) { return p.RadioButton11->isEnabled() || p.RadioButton12->isEnabled() ? 1 : 0; }, 0},
      {"TimeSignal", "VideoTimeInserter", "GHS-OSD", [](TPlatform& p) { return p.ComboBox1->currentIndex(); }, 2},
      {"TimeSignal", "VideoTimeInserter", "GHS-OSD", [](TPlatform& p) { return int(p.Options.TimeStampMode); }, 2},
  };
  const auto file = ReadByHand(bin / "tessary.ini");
  for (const Setting& s : table) {
    SCOPED_TRACE(std::string(s.section) + " / " + s.key);
    const auto it = file.find({s.section, s.key});
    ASSERT_NE(it, file.end());
    EXPECT_EQ(it->second, s.text);
    EXPECT_EQ(s.shown(*w), s.expected);
  }
  EXPECT_EQ(w->Video.UseDirectShow, 0);
  EXPECT_EQ(w->UpDown4->Edit()->text(), "120");
}
