#include <gtest/gtest.h>

#include <filesystem>
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

void WriteText(const std::filesystem::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

const char* kExeFolder = "/opt/tessary/";

const std::string kFactoryFile = FactorySettingsText(kExeFolder);

TEST(SettingsFile, FactoryFileByteForByte) {
  TestFolder dir;
  IniFile ini(dir / "tessary.ini");
  EXPECT_FALSE(IniFileExists(ini.Path()));
  EXPECT_EQ(WriteDefaultIni(ini, kExeFolder), kExeFolder);
  EXPECT_TRUE(IniFileExists(ini.Path()));
  EXPECT_EQ(ReadText(ini.Path()), kFactoryFile);
  // Writing the defaults again changes nothing.
  WriteDefaultIni(ini, kExeFolder);
  EXPECT_EQ(ReadText(ini.Path()), kFactoryFile);
}

TEST(SettingsFile, OddValuesFallBackWithoutHarm) {
  TestFolder dir;
  WriteText(dir / "odd.ini",
            "[Aperture Size]\n"
            "Radius of Aperture=six\n"
            "Inner Radius of Background=99999999999999999999\n"
            "Outer Radius of Background=  12  \n"
            "[Files]\n"
            "CSV path is same as AVI=yes\n"
            "Memory Latest Access to .AVI files=0\n"
            "Memory Latest Access to .CSV files=-3\n"
            "[FileRead]\n"
            "API for reading file=directshow\n"
            "[Measurement]\n"
            "FieldOrder=top first\n"
            "Photometry=Aperture photometry\n"
            "[Background Area]\n"
            "Form=Ring\n"
            "Gap=1.5\n"
            "Width=\n"
            "[Star Tracking]\n"
            "Tracking Mode=Follow\n"
            "Threshold=-\n"
            "[TimeSignal]\n"
            "VideoTimeInserter=TIVi\n"
            "Threshold=\x01\xff\n");
  IniFile ini(dir / "odd.ini");
  AppSettings s = LoadSettingsFromIni(ini, kExeFolder);
  EXPECT_EQ(s.ApertureRadius, 5);
  EXPECT_EQ(s.BackgroundInner, 10);
  EXPECT_EQ(s.BackgroundOuter, 12);
  EXPECT_TRUE(s.CsvPathSameAsVideo);
  EXPECT_FALSE(s.RememberVideoDirectory);
  EXPECT_TRUE(s.RememberCsvDirectory);
  EXPECT_FALSE(s.UseDirectShow);
  EXPECT_EQ(s.FieldOrderIndex, 1);
  EXPECT_FALSE(s.PsfPhotometry);
  EXPECT_EQ(s.BackgroundForm, std::nullopt);
  EXPECT_EQ(s.Gap, 10);
  EXPECT_EQ(s.Width, 25);
  EXPECT_EQ(s.TrackingMode, std::nullopt);
  EXPECT_EQ(s.TrackThreshold, 50);
  EXPECT_EQ(s.TimeStampMode, 1);
  EXPECT_EQ(s.DigitThreshold, 100);
}

TEST(IniFile, NamesIgnoreCaseAndValuesAreTrimmed) {
  TestFolder dir;
  WriteText(dir / "a.ini", "[files]\r\n  path to .avi FILES  =  /data/video  \r\n[X]\r\nq=\"quoted \"\r\n");
  IniFile ini(dir / "a.ini");
  EXPECT_EQ(ini.ReadString("Files", "Path to .AVI files", "fb"), "/data/video");
  EXPECT_EQ(ini.ReadString("x", "Q", "fb"), "quoted ");
  EXPECT_EQ(ini.ReadString("Files", "missing", "fb"), "fb");
  ini.WriteString("FILES", "PATH TO .AVI FILES", "/v");
  EXPECT_EQ(ReadText(dir / "a.ini"), "[files]\r\npath to .avi FILES=/v\r\n[X]\r\nq=\"quoted \"\r\n");
}

TEST(IniFile, NewKeysEndTheirSectionAndNewSectionsEndTheFile) {
  TestFolder dir;
  WriteText(dir / "b.ini", "; comment\n[A]\na=1\n\n[B]\nb=2\n");
  IniFile ini(dir / "b.ini");
  ini.WriteString("a", "c", "3");
  ini.WriteString("C", "d", "line\r\nbreak");
  ini.WriteBool("B", "e", true);
  EXPECT_EQ(ReadText(dir / "b.ini"),
            "; comment\r\n[A]\r\na=1\r\nc=3\r\n\r\n[B]\r\nb=2\r\ne=1\r\n[C]\r\nd=line  break\r\n");
}

TEST(IniFile, FirstOfDuplicatedSectionsAndKeysWins) {
  TestFolder dir;
  WriteText(dir / "d.ini", "[S]\nk=1\nk=2\n[s]\nk=3\n");
  IniFile ini(dir / "d.ini");
  EXPECT_EQ(ini.ReadInteger("S", "K", 0), 1);
  ini.WriteInteger("S", "k", 9);
  EXPECT_EQ(ReadText(dir / "d.ini"), "[S]\r\nk=9\r\nk=2\r\n[s]\r\nk=3\r\n");
}

TEST(SettingsFile, UnknownSectionsAndKeysSurviveASave) {
  TestFolder dir;
  IniFile ini(dir / "tessary.ini");
  WriteDefaultIni(ini, kExeFolder);
  std::string text = ReadText(ini.Path());
  text = "; kept\r\n[Plugins]\r\nAnswer=42\r\n" + text + "[Identification]\r\nObserver=M. Observer\r\nFavourite=yes\r\n";
  text.insert(text.find("[FileRead]"), "Extra Key=kept value\r\n");
  WriteText(ini.Path(), text);

  AppSettings s = LoadSettingsFromIni(ini, kExeFolder);
  s.ApertureRadius = 4;
  s.TimeStampMode = 0;
  SaveAllSettings(ini, s);
  std::string after = ReadText(ini.Path());
  EXPECT_NE(after.find("; kept\r\n[Plugins]\r\nAnswer=42\r\n[Files]\r\n"), std::string::npos);
  EXPECT_NE(after.find("Extra Key=kept value\r\n"), std::string::npos);
  EXPECT_NE(after.find("Favourite=yes\r\n"), std::string::npos);
  EXPECT_NE(after.find("Radius of Aperture=4\r\n"), std::string::npos);
  EXPECT_NE(after.find("VideoTimeInserter=IOTA-VTI\r\n"), std::string::npos);
  // The input folder and its remember flag are new keys at the end of [Files].
  EXPECT_NE(after.find("Extra Key=kept value\r\nPath to .CSV input files=\r\n"
                       "Memory Latest Access to .CSV input files=1\r\n[FileRead]"),
            std::string::npos)
      << after;
  EXPECT_EQ(LoadSettingsFromIni(ini, kExeFolder).ObserverName, "M. Observer");
}

TEST(SettingsFile, SaveLatestAccessPathsHonoursTheRememberFlags) {
  TestFolder dir;
  IniFile ini(dir / "p.ini");
  AppSettings s;
  s.RememberVideoDirectory = s.RememberCsvDirectory = s.RememberCsvInputDirectory = false;
  s.LastVideoDirectory = "/v";
  SaveLatestAccessPaths(ini, s);
  EXPECT_FALSE(IniFileExists(ini.Path()));
  s.RememberCsvDirectory = true;
  s.CsvDirectory = "/c";
  SaveLatestAccessPaths(ini, s);
  EXPECT_EQ(ReadText(ini.Path()), "[Files]\r\nPath to .CSV files=/c\r\n");
}

TEST(SettingsFile, SaveCheckedWithNoTicksWritesTheAlwaysKeys) {
  TestFolder dir;
  IniFile ini(dir / "c.ini");
  AppSettings s;
  s.CaptureFolder.clear();
  s.TimeStampMode = 2;
  SettingsSaveSelection ticks;
  SaveCheckedSettings(ini, s, ticks, kExeFolder);
  EXPECT_EQ(s.CaptureFolder, kExeFolder);
  EXPECT_EQ(ReadText(ini.Path()),
            "[Files]\r\n"
            "Path to .AVI files=\r\n"
            "Path to .CSV files=\r\n"
            "Path to .CSV input files=\r\n"
            "CSV path is same as AVI=1\r\n"
            "Memory Latest Access to .AVI files=0\r\n"
            "Memory Latest Access to .CSV files=0\r\n"
            "Memory Latest Access to .CSV input files=0\r\n"
            "[FileRead]\r\n"
            "Use AviSynth to read file=0\r\n"
            "API for reading file=VideoForWindows\r\n"
            "[TimeSignal]\r\n"
            "Read from KIWI-OSD=0\r\n"
            "VideoTimeInserter=GHS-OSD\r\n"
            "[Capture]\r\n"
            "Capture File Path=/opt/tessary/\r\n"
            "[Identification]\r\n"
            "Observer=Observer's Name\r\n"
            "ObserverLunar=Observer's Name\r\n"
            "Prediction file=\r\n");
}

TEST(SettingsFile, FailedWriteThrowsAndLeavesNoFile) {
  TestFolder dir;
  IniFile ini(dir / "missing-folder" / "s.ini");
  EXPECT_THROW(WriteDefaultIni(ini, kExeFolder), IniWriteError);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing-folder"));
}

// A file just under the size the reader takes, with LF lines: written back
// with CR LF it would pass that size, and the next start could read none of
// it. The save is refused and the file stays readable.
TEST(SettingsFile, SaveThatWouldOutgrowTheReaderIsRefused) {
  TestFolder dir;
  const auto path = dir / "big.ini";
  std::string text = "[Aperture Size]\nRadius of Aperture=9\n";
  const std::string comment = std::string(999, ';') + "\n";
  while (text.size() + comment.size() < kMaxIniBytes) text += comment;
  text += std::string(kMaxIniBytes - text.size() - 1, ';') + "\n";
  WriteText(path, text);
  IniFile ini(path);
  AppSettings s = LoadSettingsFromIni(ini, kExeFolder);
  ASSERT_EQ(s.ApertureRadius, 9);
  s.ApertureRadius = 7;
  EXPECT_THROW(SaveAllSettings(ini, s), IniWriteError);
  EXPECT_THROW(ini.WriteInteger("Aperture Size", "Radius of Aperture", 7), IniWriteError);
  EXPECT_EQ(ReadWholeFile(path, 2 * kMaxIniBytes), text);
  EXPECT_EQ(LoadSettingsFromIni(ini, kExeFolder).ApertureRadius, 9);
}

TEST(SettingsLocation, ConfigFolderWhenNotWritable) {
  TestFolder dir;
  std::filesystem::create_directories(dir / "bin");
  auto never = [](const std::filesystem::path&) { return false; };
  SettingsLocation loc = ResolveSettingsLocation(dir / "bin" / "tessary", never);
  EXPECT_TRUE(loc.InConfigFolder);
  EXPECT_EQ(loc.IniPath, dir / "xdg" / "tessary" / "tessary.ini");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "xdg" / "tessary"));
  EXPECT_EQ(loc.ExeFolder, (dir / "bin").string() + "/");

  ::unsetenv("XDG_CONFIG_HOME");
  loc = ResolveSettingsLocation(dir / "bin" / "tessary", never);
  EXPECT_EQ(loc.IniPath, dir / "home" / ".config" / "tessary" / "tessary.ini");
}

// Settings kept beside an executable in a read-only folder (or made
// read-only by the user) are carried into the config folder once; a copy
// already there is the one in use and stays as it is.
TEST(SettingsLocation, ReadOnlySettingsCarryIntoTheConfigFolder) {
  TestFolder dir;
  std::filesystem::create_directories(dir / "bin");
  const std::string users = "[Aperture Size]\r\nRadius of Aperture=4\r\n[Identification]\r\nObserver=A. Observer\r\n";
  WriteText(dir / "bin" / "tessary.ini", users);
  auto never = [](const std::filesystem::path&) { return false; };
  SettingsLocation loc = ResolveSettingsLocation(dir / "bin" / "tessary", never);
  ASSERT_TRUE(loc.InConfigFolder);
  EXPECT_TRUE(IniFileExists(loc.IniPath));
  const AppSettings s = LoadSettingsFromIni(IniFile(loc.IniPath), loc.ExeFolder);
  EXPECT_EQ(s.ApertureRadius, 4);
  EXPECT_EQ(s.ObserverName, "A. Observer");
  EXPECT_EQ(ReadText(dir / "bin" / "tessary.ini"), users);

  IniFile(loc.IniPath).WriteInteger("Aperture Size", "Radius of Aperture", 3);
  loc = ResolveSettingsLocation(dir / "bin" / "tessary", never);
  EXPECT_EQ(IniFile(loc.IniPath).ReadInteger("Aperture Size", "Radius of Aperture", 0), 3);

  // Only the file's own folder read-only: the same.
  TestFolder other;
  std::filesystem::create_directories(other / "bin");
  WriteText(other / "bin" / "tessary.ini", users);
  const auto ini_read_only = [&](const std::filesystem::path& p) { return p != other / "bin" / "tessary.ini"; };
  loc = ResolveSettingsLocation(other / "bin" / "tessary", ini_read_only);
  ASSERT_TRUE(loc.InConfigFolder);
  EXPECT_EQ(ReadText(loc.IniPath), users);
}

TEST(AtomicFile, FailedWriteKeepsTheOldFile) {
  TestFolder dir;
  ASSERT_TRUE(WriteFileAtomic(dir / "f.txt", "old"));
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(dir / "no" / "f.txt", "new", &error));
  EXPECT_FALSE(error.empty());
  ASSERT_TRUE(WriteFileAtomic(dir / "f.txt", "new"));
  EXPECT_EQ(ReadText(dir / "f.txt"), "new");
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 2);  // f.txt and home/, no temporary files left
  EXPECT_EQ(ReadWholeFile(dir / "f.txt", 2), std::nullopt);
}

}  // namespace

namespace {

// A settings file saved as "Unicode" by a Windows editor is read, and a save
// keeps its keys (as UTF-8) instead of appending to the UTF-16 text.
TEST(IniDocument, Utf16FilesAreReadAndWrittenBackAsUtf8) {
  using namespace std::string_view_literals;
  // "[Files]\r\nPath to .AVI files=/home/<two kanji>/Vid<e acute>os <G clef>\r\n", encoded by Python.
  const std::string_view rows[] = {
      "\xFF\xFE\x5B\x00\x46\x00\x69\x00\x6C\x00\x65\x00\x73\x00\x5D\x00\x0D\x00\x0A\x00\x50\x00\x61\x00\x74"
      "\x00\x68\x00\x20\x00\x74\x00\x6F\x00\x20\x00\x2E\x00\x41\x00\x56\x00\x49\x00\x20\x00\x66\x00\x69\x00"
      "\x6C\x00\x65\x00\x73\x00\x3D\x00\x2F\x00\x68\x00\x6F\x00\x6D\x00\x65\x00\x2F\x00\xB3\x89\x2C\x6E\x2F"
      "\x00\x56\x00\x69\x00\x64\x00\xE9\x00\x6F\x00\x73\x00\x20\x00\x34\xD8\x1E\xDD\x0D\x00\x0A\x00"sv,
      "\xFE\xFF\x00\x5B\x00\x46\x00\x69\x00\x6C\x00\x65\x00\x73\x00\x5D\x00\x0D\x00\x0A\x00\x50\x00\x61\x00"
      "\x74\x00\x68\x00\x20\x00\x74\x00\x6F\x00\x20\x00\x2E\x00\x41\x00\x56\x00\x49\x00\x20\x00\x66\x00\x69"
      "\x00\x6C\x00\x65\x00\x73\x00\x3D\x00\x2F\x00\x68\x00\x6F\x00\x6D\x00\x65\x00\x2F\x89\xB3\x6E\x2C\x00"
      "\x2F\x00\x56\x00\x69\x00\x64\x00\xE9\x00\x6F\x00\x73\x00\x20\xD8\x34\xDD\x1E\x00\x0D\x00\x0A"sv,
  };
  const std::string path = "/home/\xE8\xA6\xB3\xE6\xB8\xAC/Vid\xC3\xA9os \xF0\x9D\x84\x9E";
  for (const std::string_view text : rows) {
    IniDocument doc(text);
    std::string v;
    ASSERT_TRUE(doc.Find("files", "path to .avi files", &v));
    EXPECT_EQ(v, path);
    doc.Set("Files", "Path to .CSV files", "/tmp");
    EXPECT_EQ(doc.Text(), "\xEF\xBB\xBF[Files]\r\nPath to .AVI files=" + path + "\r\nPath to .CSV files=/tmp\r\n");
  }
  // An odd last byte and a lone surrogate do not stop the reading.
  IniDocument broken("\xFF\xFE\x5B\x00\x41\x00\x5D\x00\x0A\x00\x6B\x00\x3D\x00\x00\xD8\x78"sv);
  std::string v;
  ASSERT_TRUE(broken.Find("A", "k", &v));
  EXPECT_EQ(v, "\xEF\xBF\xBD\xEF\xBF\xBD");
}

// A file saved by an "ANSI" Windows editor: its names read as the same
// letters in UTF-8 (encodings by Python), a save writes them so, and values
// that are UTF-8 already stay as they are.
TEST(IniDocument, WindowsCodePageValuesReadAsTheirLetters) {
  TestFolder dir;
  const auto path = dir / "ansi.ini";
  WriteText(path, "[Identification]\r\nObserver=Jos\xe9 M\xfcller \x96 \xbd\r\n"
                  "ObserverLunar=Jos\xc3\xa9\r\n");
  IniFile ini(path);
  AppSettings s = LoadSettingsFromIni(ini, kExeFolder);
  const std::string name = "Jos\xc3\xa9 M\xc3\xbcller \xe2\x80\x93 \xc2\xbd";
  EXPECT_EQ(s.ObserverName, name);
  EXPECT_EQ(s.ObserverNameLunar, "Jos\xc3\xa9");
  SaveCheckedSettings(ini, s, SettingsSaveSelection{}, kExeFolder);
  EXPECT_NE(ReadText(path).find("Observer=" + name + "\r\n"), std::string::npos);
  EXPECT_EQ(LoadSettingsFromIni(ini, kExeFolder).ObserverName, name);
}

// Random texts made of the INI's own characters: whatever the text, a written
// key reads back and every other line stays.
TEST(IniDocument, WritesOnAnyTextReadBackAndKeepTheOtherLines) {
  const std::string alphabet = "[]=;\r\n \tabSsKk\"'";
  uint32_t state = 12345;
  auto next = [&] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int round = 0; round < 500; ++round) {
    std::string text;
    const int length = static_cast<int>(next() % 120);
    for (int i = 0; i < length; ++i) text += alphabet[next() % alphabet.size()];
    IniDocument doc(text);
    const std::string before = doc.Text();
    doc.Set("S", "k", "value");
    doc.Set("New Section", "key", "v2");
    IniDocument again(doc.Text());
    std::string v;
    ASSERT_TRUE(again.Find("s", "K", &v)) << round;
    EXPECT_EQ(v, "value") << round;
    ASSERT_TRUE(again.Find("new section", "KEY", &v)) << round;
    EXPECT_EQ(v, "v2");
    // Lines of the old text are all still there, in order.
    std::string after = doc.Text();
    size_t pos = 0;
    size_t start = 0;
    while (start < before.size()) {
      size_t end = before.find("\r\n", start);
      std::string line = before.substr(start, end - start);
      start = end + 2;
      bool replaced = line.find('=') != std::string::npos;  // may be the key set above
      size_t found = after.find(line + "\r\n", pos);
      if (found == std::string::npos) {
        EXPECT_TRUE(replaced) << round << ": lost line '" << line << "'";
        continue;
      }
      pos = found + line.size() + 2;
    }
  }
}

}  // namespace

// The settings file against texts typed out by hand from the key table.
namespace {


// The measuring sections of ChangedSetUp() as every save writes them.
const std::string kChangedMeasurementSections =
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
    "Synchronize to Radius of Aperture=OFF\r\n";

AppSettings ChangedSetUp() {
  AppSettings s = SettingsFallbacks(kExeFolder);
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
            "API for reading file=VideoForWindows\r\n" +
                kChangedMeasurementSections +
            "[TimeSignal]\r\n"
            "Threshold=120\r\n"
            "Read from KIWI-OSD=0\r\n"
            "VideoTimeInserter=GHS-OSD\r\n"
            "[SignalDetectionArea for LED]\r\n"
            "Signal1,2=0\r\n");

  const AppSettings r = LoadSettingsFromIni(ini, kExeFolder);
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
  EXPECT_EQ(r.CaptureFolder, kExeFolder);
  EXPECT_EQ(r.ObserverName, "Observer's Name");
  EXPECT_EQ(r.LunarPredictionFile, kExeFolder);
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
  WriteDefaultIni(ini, kExeFolder);
  const AppSettings r = LoadSettingsFromIni(ini, kExeFolder);
  EXPECT_EQ(r.LastVideoDirectory, "/");
  EXPECT_EQ(r.CsvInputDirectory, "/in");
  EXPECT_FALSE(r.RememberCsvInputDirectory);
  EXPECT_EQ(r.ObserverName, "A. Watcher");
  EXPECT_EQ(r.ObserverNameLunar, "B. Watcher");
  EXPECT_EQ(r.StoredSites[0], "Home");
  EXPECT_EQ(r.StoredSites[1], "");
  EXPECT_EQ(r.LunarPredictionFile, "/p/lunar.txt");
  EXPECT_EQ(r.Camera, "WAT-120N");
  EXPECT_EQ(r.CaptureFolder, kExeFolder);
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
  SaveCheckedSettings(ini, s, t, kExeFolder);
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
            "API for reading file=VideoForWindows\r\n" +
                kChangedMeasurementSections +
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
  const AppSettings r = LoadSettingsFromIni(ini, kExeFolder);
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
