#include "base/SettingsFile.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <system_error>

#include "base/AtomicFile.h"

namespace {

constexpr const char* kFiles = "Files";
constexpr const char* kFileRead = "FileRead";
constexpr const char* kMeasurement = "Measurement";
constexpr const char* kAperture = "Aperture Size";
constexpr const char* kBackground = "Background Area";
constexpr const char* kTracking = "Star Tracking";
constexpr const char* kTimeSignal = "TimeSignal";
constexpr const char* kLed = "SignalDetectionArea for LED";
constexpr const char* kCapture = "Capture";
constexpr const char* kIdentification = "Identification";
constexpr const char* kVideoSource = "VideoSource";

constexpr const char* kVideoPath = "Path to .AVI files";
constexpr const char* kCsvPath = "Path to .CSV files";
constexpr const char* kCsvInputPath = "Path to .CSV input files";
constexpr const char* kCsvSameAsVideo = "CSV path is same as AVI";
constexpr const char* kRememberVideo = "Memory Latest Access to .AVI files";
constexpr const char* kRememberCsv = "Memory Latest Access to .CSV files";
constexpr const char* kRememberCsvInput = "Memory Latest Access to .CSV input files";
constexpr const char* kUseAviSynth = "Use AviSynth to read file";
constexpr const char* kApi = "API for reading file";
constexpr const char* kPhotometry = "Photometry";
constexpr const char* kMeasure = "Measure";
constexpr const char* kFieldOrder = "FieldOrder";
constexpr const char* kApertureRadius = "Radius of Aperture";
constexpr const char* kInner = "Inner Radius of Background";
constexpr const char* kOuter = "Outer Radius of Background";
constexpr const char* kForm = "Form";
constexpr const char* kGap = "Gap";
constexpr const char* kWidth = "Width";
constexpr const char* kTrackingMode = "Tracking Mode";
constexpr const char* kTrackRadius = "Radius";
constexpr const char* kThreshold = "Threshold";
constexpr const char* kSync = "Synchronize to Radius of Aperture";
constexpr const char* kReadKiwi = "Read from KIWI-OSD";
constexpr const char* kSignals = "Signal1,2";
constexpr const char* kInserter = "VideoTimeInserter";
constexpr const char* kCapturePath = "Capture File Path";
constexpr const char* kObserver = "Observer";
constexpr const char* kObserverLunar = "ObserverLunar";
constexpr const char* kSites[3] = {"FirstSite", "SecondSite", "ThirdSite"};
constexpr const char* kPrediction = "Prediction file";
constexpr const char* kCamera = "Camera";

// The texts the file stores for the background forms, tracking modes and time
// inserters, by their index.
using ChoiceNames = std::array<const char*, 3>;
constexpr ChoiceNames kFormNames = {"Standard", "Avoid Sunlit Face", "Meteor/Lunar Limb"};
constexpr ChoiceNames kTrackModeNames = {"Anchor", "Drift", "OFF"};
constexpr ChoiceNames kInserterNames = {"IOTA-VTI", "KIWI-OSD", "GHS-OSD"};

// Writes the choice's text; an index without one writes nothing.
void WriteChoice(IniFile& ini, const char* section, const char* key, int index, const ChoiceNames& names) {
  if (index >= 0 && index < static_cast<int>(names.size()))
    ini.WriteString(section, key, names[static_cast<size_t>(index)]);
}

std::optional<int> ChoiceIndex(const std::string& text, const ChoiceNames& names) {
  for (size_t i = 0; i < names.size(); ++i)
    if (text == names[i]) return static_cast<int>(i);
  return std::nullopt;
}

template <typename Kind>
std::optional<Kind> ReadChoice(const IniFile& ini, const char* section, const char* key, const char* fallback,
                               const ChoiceNames& names) {
  const std::optional<int> i = ChoiceIndex(ini.ReadString(section, key, fallback), names);
  if (!i) return std::nullopt;
  return static_cast<Kind>(*i);
}

void WriteApi(IniFile& ini, const AppSettings& s) {
  ini.WriteString(kFileRead, kApi, s.UseDirectShow ? "DirectShow" : "VideoForWindows");
}
void WritePhotometry(IniFile& ini, const AppSettings& s) {
  ini.WriteString(kMeasurement, kPhotometry, s.PsfPhotometry ? "PSF photometry" : "Aperture photometry");
}
void WriteMeasure(IniFile& ini, const AppSettings& s) {
  ini.WriteString(kMeasurement, kMeasure, s.FieldMeasure ? "for each Field" : "for each Frame");
}
void WriteFieldOrder(IniFile& ini, const AppSettings& s) {
  if (s.FieldOrderIndex == 0) ini.WriteString(kMeasurement, kFieldOrder, "Top first");
  if (s.FieldOrderIndex == 1) ini.WriteString(kMeasurement, kFieldOrder, "Bottom first");
}
void WriteRadii(IniFile& ini, const AppSettings& s) {
  ini.WriteInteger(kAperture, kApertureRadius, s.ApertureRadius);
  ini.WriteInteger(kAperture, kInner, s.BackgroundInner);
  ini.WriteInteger(kAperture, kOuter, s.BackgroundOuter);
}
void WriteForm(IniFile& ini, const AppSettings& s) {
  if (s.BackgroundForm) WriteChoice(ini, kBackground, kForm, static_cast<int>(*s.BackgroundForm), kFormNames);
}
void WriteTrackingMode(IniFile& ini, const AppSettings& s) {
  if (s.TrackingMode) WriteChoice(ini, kTracking, kTrackingMode, static_cast<int>(*s.TrackingMode), kTrackModeNames);
}
void WriteSync(IniFile& ini, const AppSettings& s) {
  ini.WriteString(kTracking, kSync, s.SyncTracking ? "ON" : "OFF");
}
void WriteInserter(IniFile& ini, const AppSettings& s) {
  WriteChoice(ini, kTimeSignal, kInserter, s.TimeStampMode, kInserterNames);
}
void WriteFolderKeys(IniFile& ini, const AppSettings& s) {
  ini.WriteString(kFiles, kVideoPath, s.LastVideoDirectory);
  ini.WriteString(kFiles, kCsvPath, s.CsvDirectory);
  ini.WriteString(kFiles, kCsvInputPath, s.CsvInputDirectory);
  ini.WriteBool(kFiles, kCsvSameAsVideo, s.CsvPathSameAsVideo);
}

// $HOME, else the account's home folder, else the temporary folder.
std::filesystem::path HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return home;
  std::string buf(16384, '\0');
  passwd pw{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  std::error_code ec;
  return std::filesystem::temp_directory_path(ec);
}

}  // namespace

AppSettings SettingsFallbacks(const std::string& exe_folder) {
  AppSettings s;
  s.CaptureFolder = exe_folder;
  s.LunarPredictionFile = exe_folder;
  return s;
}

AppSettings LoadSettingsFromIni(const IniFile& ini, const std::string& exe_folder) {
  const AppSettings f = SettingsFallbacks(exe_folder);
  AppSettings s = f;
  s.LastVideoDirectory = ini.ReadString(kFiles, kVideoPath, f.LastVideoDirectory);
  s.CsvDirectory = ini.ReadString(kFiles, kCsvPath, f.CsvDirectory);
  s.CsvInputDirectory = ini.ReadString(kFiles, kCsvInputPath, f.CsvInputDirectory);
  s.CsvPathSameAsVideo = ini.ReadBool(kFiles, kCsvSameAsVideo, f.CsvPathSameAsVideo);
  s.RememberVideoDirectory = ini.ReadBool(kFiles, kRememberVideo, f.RememberVideoDirectory);
  s.RememberCsvDirectory = ini.ReadBool(kFiles, kRememberCsv, f.RememberCsvDirectory);
  s.RememberCsvInputDirectory = ini.ReadBool(kFiles, kRememberCsvInput, f.RememberCsvInputDirectory);
  s.UseAviSynth = ini.ReadBool(kFileRead, kUseAviSynth, f.UseAviSynth);
  s.UseDirectShow = ini.ReadString(kFileRead, kApi, "VideoForWindows") == "DirectShow";

  s.PsfPhotometry = ini.ReadString(kMeasurement, kPhotometry, "PSF photometry") == "PSF photometry";
  s.FieldMeasure = ini.ReadString(kMeasurement, kMeasure, "for each Frame") == "for each Field";
  s.FieldOrderIndex = ini.ReadString(kMeasurement, kFieldOrder, "Bottom first") == "Top first" ? 0 : 1;

  s.ApertureRadius = ini.ReadInteger(kAperture, kApertureRadius, f.ApertureRadius);
  s.BackgroundInner = ini.ReadInteger(kAperture, kInner, f.BackgroundInner);
  s.BackgroundOuter = ini.ReadInteger(kAperture, kOuter, f.BackgroundOuter);
  // A hand-edited file may cross them, and the limits alone then push the
  // outer radius past the mask.
  KeepRadiiInOrder(s.ApertureRadius, s.BackgroundInner, s.BackgroundOuter);

  s.BackgroundForm = ReadChoice<BackgroundFormKind>(ini, kBackground, kForm, "Standard", kFormNames);
  s.Gap = ini.ReadInteger(kBackground, kGap, f.Gap);
  s.Width = ini.ReadInteger(kBackground, kWidth, f.Width);

  s.TrackingMode = ReadChoice<TrackModeKind>(ini, kTracking, kTrackingMode, "Anchor", kTrackModeNames);
  s.TrackRadius = ini.ReadInteger(kTracking, kTrackRadius, f.TrackRadius);
  s.TrackThreshold = ini.ReadInteger(kTracking, kThreshold, f.TrackThreshold);
  s.SyncTracking = ini.ReadString(kTracking, kSync, "ON") == "ON";

  s.DigitThreshold = ini.ReadInteger(kTimeSignal, kThreshold, f.DigitThreshold);
  s.ReadKiwi = ini.ReadBool(kTimeSignal, kReadKiwi, f.ReadKiwi);
  s.SignalMarkersOn = ini.ReadBool(kLed, kSignals, f.SignalMarkersOn);
  s.TimeStampMode = ChoiceIndex(ini.ReadString(kTimeSignal, kInserter, "KIWI-OSD"), kInserterNames).value_or(1);

  s.CaptureFolder = ini.ReadString(kCapture, kCapturePath, f.CaptureFolder);
  s.ObserverName = ini.ReadString(kIdentification, kObserver, f.ObserverName);
  s.ObserverNameLunar = ini.ReadString(kIdentification, kObserverLunar, f.ObserverNameLunar);
  for (size_t i = 0; i < 3; ++i) s.StoredSites[i] = ini.ReadString(kIdentification, kSites[i], "");
  s.LunarPredictionFile = ini.ReadString(kIdentification, kPrediction, f.LunarPredictionFile);
  s.Camera = ini.ReadString(kVideoSource, kCamera, f.Camera);
  return s;
}

std::string WriteDefaultIni(IniFile& ini, const std::string& exe_folder) {
  IniFile::Batch batch(ini);
  ini.WriteString(kFiles, kVideoPath, "/");
  ini.WriteString(kFiles, kCsvPath, "/");
  ini.WriteBool(kFiles, kCsvSameAsVideo, false);
  ini.WriteBool(kFiles, kRememberVideo, true);
  ini.WriteBool(kFiles, kRememberCsv, true);
  ini.WriteBool(kFileRead, kUseAviSynth, true);
  ini.WriteString(kFileRead, kApi, "DirectShow");
  ini.WriteString(kMeasurement, kPhotometry, "PSF photometry");
  ini.WriteString(kMeasurement, kMeasure, "for each Frame");
  ini.WriteString(kMeasurement, kFieldOrder, "Bottom first");
  ini.WriteInteger(kAperture, kApertureRadius, 6);
  ini.WriteInteger(kAperture, kInner, 8);
  ini.WriteInteger(kAperture, kOuter, 25);
  ini.WriteString(kBackground, kForm, "Meteor/Lunar Limb");
  ini.WriteInteger(kBackground, kGap, 0);
  ini.WriteInteger(kBackground, kWidth, 5);
  ini.WriteString(kTracking, kTrackingMode, "Drift");
  ini.WriteInteger(kTracking, kTrackRadius, 6);
  ini.WriteInteger(kTracking, kThreshold, 95);
  ini.WriteString(kTracking, kSync, "ON");
  ini.WriteInteger(kTimeSignal, kThreshold, 100);
  ini.WriteBool(kTimeSignal, kReadKiwi, true);
  ini.WriteString(kTimeSignal, kInserter, "KIWI-OSD");
  ini.WriteBool(kLed, kSignals, true);
  ini.WriteString(kCapture, kCapturePath, exe_folder);
  ini.WriteString(kVideoSource, kCamera, "WAT-120N");
  batch.Commit();
  return exe_folder;
}

namespace {

void WriteFileReadingKeys(IniFile& ini, const AppSettings& s, const SettingsSaveSelection& t) {
  WriteFolderKeys(ini, s);
  ini.WriteBool(kFiles, kRememberVideo, t.RememberVideoDirectory);
  ini.WriteBool(kFiles, kRememberCsv, t.RememberCsvDirectory);
  ini.WriteBool(kFiles, kRememberCsvInput, t.RememberCsvInputDirectory);
  ini.WriteBool(kFileRead, kUseAviSynth, t.UseAviSynth);
  WriteApi(ini, s);
}

void WriteTickedMeasurementKeys(IniFile& ini, const AppSettings& s, const SettingsSaveSelection& t) {
  if (t.MeasurementType) WritePhotometry(ini, s);
  if (t.MeasureEach) WriteMeasure(ini, s);
  if (t.FieldOrder) WriteFieldOrder(ini, s);
  if (t.Radii) WriteRadii(ini, s);
  if (t.BackgroundForm) WriteForm(ini, s);
  if (t.Gap) ini.WriteInteger(kBackground, kGap, s.Gap);
  if (t.Width) ini.WriteInteger(kBackground, kWidth, s.Width);
}

void WriteTickedTrackingKeys(IniFile& ini, const AppSettings& s, const SettingsSaveSelection& t) {
  if (t.TrackingMode) WriteTrackingMode(ini, s);
  if (t.TrackRadius) ini.WriteInteger(kTracking, kTrackRadius, s.TrackRadius);
  if (t.TrackThreshold) ini.WriteInteger(kTracking, kThreshold, s.TrackThreshold);
  if (t.SyncTracking) WriteSync(ini, s);
}

// The inserter type, the LED boxes when ticked, the capture folder (the
// executable's when empty) and the identification keys.
void WriteInserterAndIdentityKeys(IniFile& ini, AppSettings& s, const SettingsSaveSelection& t,
                                  const std::string& exe_folder) {
  WriteInserter(ini, s);
  if (t.SignalRectangles) ini.WriteBool(kLed, kSignals, s.SignalMarkersOn);
  if (s.CaptureFolder.empty()) s.CaptureFolder = exe_folder;
  ini.WriteString(kCapture, kCapturePath, s.CaptureFolder);
  ini.WriteString(kIdentification, kObserver, s.ObserverName);
  ini.WriteString(kIdentification, kObserverLunar, s.ObserverNameLunar);
  ini.WriteString(kIdentification, kPrediction, s.LunarPredictionFile);
}

}  // namespace

void SaveAllSettings(IniFile& ini, const AppSettings& s) {
  IniFile::Batch batch(ini);
  // Every group ticked; the folders remembered as the settings say.
  SettingsSaveSelection all;
  all.RememberVideoDirectory = s.RememberVideoDirectory;
  all.RememberCsvDirectory = s.RememberCsvDirectory;
  all.RememberCsvInputDirectory = s.RememberCsvInputDirectory;
  all.UseAviSynth = s.UseAviSynth;
  all.MeasurementType = all.MeasureEach = all.FieldOrder = all.Radii = all.BackgroundForm = all.Gap = all.Width = true;
  all.TrackingMode = all.TrackRadius = all.TrackThreshold = all.SyncTracking = true;
  WriteFileReadingKeys(ini, s, all);
  WriteTickedMeasurementKeys(ini, s, all);
  WriteTickedTrackingKeys(ini, s, all);
  // The main window's own digit threshold, KIWI tick and LED flag.
  ini.WriteInteger(kTimeSignal, kThreshold, s.DigitThreshold);
  ini.WriteBool(kTimeSignal, kReadKiwi, s.ReadKiwi);
  ini.WriteBool(kLed, kSignals, s.SignalMarkersOn);
  WriteInserter(ini, s);
  batch.Commit();
}

void SaveCheckedSettings(IniFile& ini, AppSettings& s, const SettingsSaveSelection& t,
                         const std::string& exe_folder) {
  IniFile::Batch batch(ini);
  WriteFileReadingKeys(ini, s, t);
  WriteTickedMeasurementKeys(ini, s, t);
  WriteTickedTrackingKeys(ini, s, t);
  if (t.DigitThreshold) ini.WriteInteger(kTimeSignal, kThreshold, s.DigitThreshold);
  ini.WriteBool(kTimeSignal, kReadKiwi, t.ReadFromVti);
  WriteInserterAndIdentityKeys(ini, s, t, exe_folder);
  batch.Commit();
}

void SaveSettingsTab(IniFile& ini, AppSettings& s, SettingsTab tab, const SettingsSaveSelection& t,
                     const std::string& exe_folder) {
  IniFile::Batch batch(ini);
  switch (tab) {
    case SettingsTab::FileReading:
      WriteFileReadingKeys(ini, s, t);
      break;
    case SettingsTab::Measurement:
      WriteTickedMeasurementKeys(ini, s, t);
      break;
    case SettingsTab::Tracking:
      WriteTickedTrackingKeys(ini, s, t);
      break;
    case SettingsTab::TimeInserter:
      // The digit threshold goes with this tab whether or not its tick is set.
      ini.WriteInteger(kTimeSignal, kThreshold, s.DigitThreshold);
      WriteInserterAndIdentityKeys(ini, s, t, exe_folder);
      ini.WriteBool(kTimeSignal, kReadKiwi, t.ReadFromVti);
      break;
  }
  batch.Commit();
}

void SaveLatestAccessPaths(IniFile& ini, const AppSettings& s) {
  IniFile::Batch batch(ini);
  if (s.RememberVideoDirectory) ini.WriteString(kFiles, kVideoPath, s.LastVideoDirectory);
  if (s.RememberCsvDirectory) ini.WriteString(kFiles, kCsvPath, s.CsvDirectory);
  if (s.RememberCsvInputDirectory) ini.WriteString(kFiles, kCsvInputPath, s.CsvInputDirectory);
  batch.Commit();
}

SettingsLocation ResolveSettingsLocation(const std::filesystem::path& exe_path,
                                         std::function<bool(const std::filesystem::path&)> writable) {
  namespace fs = std::filesystem;
  // A settings file marked read-only counts as unwritable for every user
  // (root's access() would say it may be written).
  if (!writable) writable = [](const fs::path& p) { return ::access(p.c_str(), W_OK) == 0 && !IsReadOnlyFile(p); };
  SettingsLocation loc;
  fs::path folder = exe_path.parent_path();
  loc.ExeFolder = folder.string();
  if (loc.ExeFolder.empty() || loc.ExeFolder.back() != '/') loc.ExeFolder += '/';
  fs::path name = exe_path.filename();
  name.replace_extension(".ini");
  loc.IniPath = folder / name;
  std::error_code ec;
  bool file_ok = !fs::exists(loc.IniPath, ec) || writable(loc.IniPath);
  if (writable(folder) && file_ok) return loc;

  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  fs::path config = (xdg && *xdg == '/') ? fs::path(xdg) : HomeFolder() / ".config";
  fs::path dir = config / "tessary";
  fs::create_directories(dir, ec);
  const fs::path beside = loc.IniPath;
  loc.IniPath = dir / name;
  loc.InConfigFolder = true;
  // The user's settings beside a read-only executable (or a file they made
  // read-only) carry over instead of a fresh default file taking their place.
  if (!IniFileExists(loc.IniPath)) {
    if (auto text = ReadWholeFile(beside, kMaxIniBytes)) WriteFileAtomic(loc.IniPath, *text);
  }
  return loc;
}
