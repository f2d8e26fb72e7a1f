// The settings file against texts typed out by hand from the key table: the
// factory file, a full save of a changed set-up, and the factory defaults
// written over a user's file.
#include <gtest/gtest.h>

#include <fstream>

#include "support/TestFolder.h"
#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "base/SettingsFile.h"
#include "support/FactorySettingsText.h"

namespace {

std::string ReadText(const std::filesystem::path& p) {
  auto t = ReadWholeFile(p, 1 << 20);
  return t ? *t : std::string("<missing>");
}

const char* kExe = "/usr/local/tessary/";

TEST(SettingsConformance, FactoryFile) {
  TestFolder dir;
  IniFile ini(dir / "tessary.ini");
  WriteDefaultIni(ini, kExe);
  EXPECT_EQ(ReadText(ini.Path()), FactorySettingsText(kExe));
}

AppSettings ChangedSetUp() {
  AppSettings s = SettingsFallbacks(kExe);
  s.LastVideoDirectory = "/home/obs/video";
  s.CsvDirectory = "/home/obs/csv";
  s.CsvInputDirectory = "/home/obs/in";
  s.CsvPathSameAsVideo = false;
  s.RememberVideoDirectory = true;
  s.RememberCsvDirectory = false;
  s.RememberCsvInputDirectory = true;
  s.UseAviSynth = false;
  s.UseDirectShow = false;
  s.PsfPhotometry = false;
  s.FieldMeasure = true;
  s.FieldOrderIndex = 0;
  s.ApertureRadius = 4;
  s.BackgroundInner = 9;
  s.BackgroundOuter = 20;
  s.BackgroundForm = BackgroundFormKind::AvoidSunlitFace;
  s.Gap = 2;
  s.Width = 7;
  s.TrackingMode = TrackModeKind::Off;
  s.TrackRadius = 8;
  s.TrackThreshold = 60;
  s.SyncTracking = false;
  s.DigitThreshold = 120;
  s.ReadKiwi = false;
  s.SignalMarkersOn = false;
  s.TimeStampMode = 2;
  return s;
}

TEST(SettingsConformance, SaveAllOnAnEmptyFileAndBack) {
  TestFolder dir;
  IniFile ini(dir / "tessary.ini");
  const AppSettings s = ChangedSetUp();
  SaveAllSettings(ini, s);
  EXPECT_EQ(ReadText(ini.Path()),
            "[Files]\r\n"
            "Path to .AVI files=/home/obs/video\r\n"
            "Path to .CSV files=/home/obs/csv\r\n"
            "Path to .CSV input files=/home/obs/in\r\n"
            "CSV path is same as AVI=0\r\n"
            "Memory Latest Access to .AVI files=1\r\n"
            "Memory Latest Access to .CSV files=0\r\n"
            "Memory Latest Access to .CSV input files=1\r\n"
            "[FileRead]\r\n"
            "Use AviSynth to read file=0\r\n"
            "API for reading file=VideoForWindows\r\n"
            "[Measurement]\r\n"
            "Photometry=Aperture photometry\r\n"
            "Measure=for each Field\r\n"
            "FieldOrder=Top first\r\n"
            "[Aperture Size]\r\n"
            "Radius of Aperture=4\r\n"
            "Inner Radius of Background=9\r\n"
            "Outer Radius of Background=20\r\n"
            "[Background Area]\r\n"
            "Form=Avoid Sunlit Face\r\n"
            "Gap=2\r\n"
            "Width=7\r\n"
            "[Star Tracking]\r\n"
            "Tracking Mode=OFF\r\n"
            "Radius=8\r\n"
            "Threshold=60\r\n"
            "Synchronize to Radius of Aperture=OFF\r\n"
            "[TimeSignal]\r\n"
            "Threshold=120\r\n"
            "Read from KIWI-OSD=0\r\n"
            "VideoTimeInserter=GHS-OSD\r\n"
            "[SignalDetectionArea for LED]\r\n"
            "Signal1,2=0\r\n");

  const AppSettings r = LoadSettingsFromIni(ini, kExe);
  EXPECT_EQ(r.LastVideoDirectory, "/home/obs/video");
  EXPECT_EQ(r.CsvDirectory, "/home/obs/csv");
  EXPECT_EQ(r.CsvInputDirectory, "/home/obs/in");
  EXPECT_FALSE(r.CsvPathSameAsVideo);
  EXPECT_TRUE(r.RememberVideoDirectory);
  EXPECT_FALSE(r.RememberCsvDirectory);
  EXPECT_TRUE(r.RememberCsvInputDirectory);
  EXPECT_FALSE(r.UseAviSynth);
  EXPECT_FALSE(r.UseDirectShow);
  EXPECT_FALSE(r.PsfPhotometry);
  EXPECT_TRUE(r.FieldMeasure);
  EXPECT_EQ(r.FieldOrderIndex, 0);
  EXPECT_EQ(r.StampFieldOrder(), 1);
  EXPECT_EQ(r.ApertureRadius, 4);
  EXPECT_EQ(r.BackgroundInner, 9);
  EXPECT_EQ(r.BackgroundOuter, 20);
  EXPECT_EQ(r.BackgroundForm, BackgroundFormKind::AvoidSunlitFace);
  EXPECT_EQ(r.Gap, 2);
  EXPECT_EQ(r.Width, 7);
  EXPECT_EQ(r.TrackingMode, TrackModeKind::Off);
  EXPECT_EQ(r.TrackRadius, 8);
  EXPECT_EQ(r.TrackThreshold, 60);
  EXPECT_FALSE(r.SyncTracking);
  EXPECT_EQ(r.DigitThreshold, 120);
  EXPECT_FALSE(r.ReadKiwi);
  EXPECT_FALSE(r.SignalMarkersOn);
  EXPECT_EQ(r.TimeStampMode, 2);
  // Keys the save does not write keep their fallbacks.
  EXPECT_EQ(r.CaptureFolder, kExe);
  EXPECT_EQ(r.ObserverName, "Observer's Name");
  EXPECT_EQ(r.LunarPredictionFile, kExe);
  EXPECT_EQ(r.Camera, "WAT-100N");
}

TEST(SettingsConformance, DefaultsOverAUsersFileKeepTheKeysTheyDoNotName) {
  TestFolder dir;
  std::ofstream(dir / "tessary.ini", std::ios::binary)
      << "[Files]\r\n"
         "Path to .AVI files=/v\r\n"
         "Path to .CSV input files=/in\r\n"
         "Memory Latest Access to .CSV input files=0\r\n"
         "[Identification]\r\n"
         "Observer=A. Watcher\r\n"
         "ObserverLunar=B. Watcher\r\n"
         "FirstSite=Home\r\n"
         "Prediction file=/p/lunar.txt\r\n"
         "[VideoSource]\r\n"
         "Camera=PC164C\r\n";
  IniFile ini(dir / "tessary.ini");
  WriteDefaultIni(ini, kExe);
  const AppSettings r = LoadSettingsFromIni(ini, kExe);
  EXPECT_EQ(r.LastVideoDirectory, "/");
  EXPECT_EQ(r.CsvInputDirectory, "/in");
  EXPECT_FALSE(r.RememberCsvInputDirectory);
  EXPECT_EQ(r.ObserverName, "A. Watcher");
  EXPECT_EQ(r.ObserverNameLunar, "B. Watcher");
  EXPECT_EQ(r.StoredSites[0], "Home");
  EXPECT_EQ(r.StoredSites[1], "");
  EXPECT_EQ(r.LunarPredictionFile, "/p/lunar.txt");
  EXPECT_EQ(r.Camera, "WAT-120N");
  EXPECT_EQ(r.CaptureFolder, kExe);
  const std::string text = ReadText(ini.Path());
  EXPECT_TRUE(text.starts_with("[Files]\r\n"
                               "Path to .AVI files=/\r\n"
                               "Path to .CSV input files=/in\r\n"
                               "Memory Latest Access to .CSV input files=0\r\n"
                               "Path to .CSV files=/\r\n"))
      << text;
}

TEST(SettingsConformance, SaveCheckedWithEveryTickOnAnEmptyFile) {
  TestFolder dir;
  IniFile ini(dir / "tessary.ini");
  AppSettings s = ChangedSetUp();
  s.CaptureFolder = "/cap";
  s.ObserverName = "A. Watcher";
  s.ObserverNameLunar = "B. Watcher";
  s.LunarPredictionFile = "/p/lunar.txt";
  s.StoredSites = {"Home", "Field", "Hill"};
  s.Camera = "PC164C";
  SettingsSaveSelection t;
  t.RememberVideoDirectory = false;
  t.RememberCsvDirectory = true;
  t.RememberCsvInputDirectory = false;
  t.UseAviSynth = true;
  t.ReadFromVti = true;
  t.MeasurementType = t.MeasureEach = t.FieldOrder = t.Radii = t.BackgroundForm = t.Gap = t.Width = true;
  t.TrackingMode = t.TrackRadius = t.TrackThreshold = t.SyncTracking = t.DigitThreshold = true;
  t.SignalRectangles = true;
  SaveCheckedSettings(ini, s, t, kExe);
  EXPECT_EQ(ReadText(ini.Path()),
            "[Files]\r\n"
            "Path to .AVI files=/home/obs/video\r\n"
            "Path to .CSV files=/home/obs/csv\r\n"
            "Path to .CSV input files=/home/obs/in\r\n"
            "CSV path is same as AVI=0\r\n"
            "Memory Latest Access to .AVI files=0\r\n"
            "Memory Latest Access to .CSV files=1\r\n"
            "Memory Latest Access to .CSV input files=0\r\n"
            "[FileRead]\r\n"
            "Use AviSynth to read file=1\r\n"
            "API for reading file=VideoForWindows\r\n"
            "[Measurement]\r\n"
            "Photometry=Aperture photometry\r\n"
            "Measure=for each Field\r\n"
            "FieldOrder=Top first\r\n"
            "[Aperture Size]\r\n"
            "Radius of Aperture=4\r\n"
            "Inner Radius of Background=9\r\n"
            "Outer Radius of Background=20\r\n"
            "[Background Area]\r\n"
            "Form=Avoid Sunlit Face\r\n"
            "Gap=2\r\n"
            "Width=7\r\n"
            "[Star Tracking]\r\n"
            "Tracking Mode=OFF\r\n"
            "Radius=8\r\n"
            "Threshold=60\r\n"
            "Synchronize to Radius of Aperture=OFF\r\n"
            "[TimeSignal]\r\n"
            "Threshold=120\r\n"
            "Read from KIWI-OSD=1\r\n"
            "VideoTimeInserter=GHS-OSD\r\n"
            "[SignalDetectionArea for LED]\r\n"
            "Signal1,2=0\r\n"
            "[Capture]\r\n"
            "Capture File Path=/cap\r\n"
            "[Identification]\r\n"
            "Observer=A. Watcher\r\n"
            "ObserverLunar=B. Watcher\r\n"
            "Prediction file=/p/lunar.txt\r\n");
}

// Texts the key table does not list load as the table's "anything else".
TEST(SettingsConformance, UnlistedTextsLoadAsTheTableSays) {
  TestFolder dir;
  std::ofstream(dir / "odd.ini", std::ios::binary)
      << "[FileRead]\nAPI for reading file=DirectShow \n"
         "[Measurement]\nPhotometry=psf photometry\nMeasure=for each field\nFieldOrder=Top First\n"
         "[Star Tracking]\nSynchronize to Radius of Aperture=on\n"
         "[TimeSignal]\nVideoTimeInserter=iota-vti\nRead from KIWI-OSD=2\n"
         "[SignalDetectionArea for LED]\nSignal1,2=yes\n";
  IniFile ini(dir / "odd.ini");
  const AppSettings r = LoadSettingsFromIni(ini, kExe);
  EXPECT_TRUE(r.UseDirectShow);  // values are trimmed
  EXPECT_FALSE(r.PsfPhotometry);
  EXPECT_FALSE(r.FieldMeasure);
  EXPECT_EQ(r.FieldOrderIndex, 1);
  EXPECT_FALSE(r.SyncTracking);
  EXPECT_EQ(r.TimeStampMode, 1);
  EXPECT_TRUE(r.ReadKiwi);
  EXPECT_TRUE(r.SignalMarkersOn);  // not an integer: the fallback
}

}  // namespace
