#pragma once
// The user's settings kept in "<executable name>.ini".
//
// The file is read into AppSettings in one pass; the main window then applies
// the values to its controls in the stated order (so their handlers run).
// Saves take the current state as AppSettings. Every write reaches the file at
// once; a failed write throws IniWriteError and the keys after it are skipped.
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/FrameResult.h"
#include "base/IniFile.h"

struct AppSettings {
  // [Files]
  std::string LastVideoDirectory;
  std::string CsvDirectory;
  std::string CsvInputDirectory;
  bool CsvPathSameAsVideo = true;
  bool RememberVideoDirectory = true;
  bool RememberCsvDirectory = true;
  bool RememberCsvInputDirectory = true;
  // [FileRead]
  bool UseAviSynth = false;
  bool UseDirectShow = false;            // also 'DShow' CheckBox7
  // [Measurement]
  bool PsfPhotometry = true;             // 'Photometry' CheckBox14
  bool FieldMeasure = false;             // 'Field Measure' CheckBox2
  int FieldOrderIndex = 1;               // 'Field Order' RadioGroup2: 0 top (even) first, 1 bottom first
  // [Aperture Size]
  int ApertureRadius = 5;                // UpDown1
  int BackgroundInner = 10;              // UpDown2
  int BackgroundOuter = 25;              // UpDown3
  // [Background Area]; nothing when the stored text is not a known form
  std::optional<BackgroundFormKind> BackgroundForm = BackgroundFormKind::Standard;
  int Gap = 10;                          // UpDown6
  int Width = 25;                        // UpDown8
  // [Star Tracking]; nothing when the stored text is not a known mode
  std::optional<TrackModeKind> TrackingMode = TrackModeKind::Anchor;
  int TrackRadius = 7;                   // UpDown5
  int TrackThreshold = 50;               // UpDown7
  bool SyncTracking = true;              // 'Sync-Tracking APT' CheckBox3
  // [TimeSignal], [SignalDetectionArea for LED]
  int DigitThreshold = 100;              // UpDown4
  bool ReadKiwi = false;                 // 'KIWI' CheckBox5
  bool SignalMarkersOn = true;
  int TimeStampMode = 1;                 // 0 IOTA-VTI, 1 KIWI-OSD, 2 GHS-OSD, 3 Sharp (never stored)
  // [Capture], [Identification], [VideoSource]
  std::string CaptureFolder;
  std::string ObserverName = "Observer's Name";
  std::string ObserverNameLunar = "Observer's Name";
  std::array<std::string, 3> StoredSites;
  std::string LunarPredictionFile;
  std::string Camera = "WAT-100N";

  // 1 when the top (even) field comes first.
  int StampFieldOrder() const { return FieldOrderIndex == 0 ? 1 : 0; }
};

// The values used for missing keys; folder keys fall back to the executable's folder.
AppSettings SettingsFallbacks(const std::string& exe_folder);

// Reads every key with its fallback, in the order the main window applies them.
AppSettings LoadSettingsFromIni(const IniFile& ini, const std::string& exe_folder);

// Writes the factory defaults (keys the defaults do not name are left alone).
// Returns the capture folder it wrote (the executable's folder).
std::string WriteDefaultIni(IniFile& ini, const std::string& exe_folder);

// Files, FileRead, Measurement, Aperture Size, Background Area, Star Tracking,
// TimeSignal and the LED area from the current state.
void SaveAllSettings(IniFile& ini, const AppSettings& s);

// The ticks of the settings dialog that choose what is saved.
struct SettingsSaveSelection {
  bool RememberVideoDirectory = false;     // '.AVI'
  bool RememberCsvDirectory = false;       // '.CSV Output'
  bool RememberCsvInputDirectory = false;  // '.CSV Input'
  bool UseAviSynth = false;                // 'Use AviSynth'
  bool ReadFromVti = false;                // 'Read from VTI :'
  bool MeasurementType = false;
  bool MeasureEach = false;
  bool FieldOrder = false;
  bool Radii = false;
  bool BackgroundForm = false;
  bool Gap = false;
  bool Width = false;
  bool TrackingMode = false;
  bool TrackRadius = false;
  bool TrackThreshold = false;
  bool SyncTracking = false;
  bool DigitThreshold = false;
  bool SignalRectangles = false;           // 'Small Rectangle for Signal1, 2'
};

// Writes the groups ticked in the settings dialog and the keys always saved.
// An empty capture folder first becomes the executable's folder (in `s`).
void SaveCheckedSettings(IniFile& ini, AppSettings& s, const SettingsSaveSelection& ticks,
                         const std::string& exe_folder);

// The 'Save setting' button of one tab of the settings dialog: the keys of
// that tab (the ticked ones where the tab has ticks).
enum class SettingsTab { FileReading, Measurement, Tracking, TimeInserter };
void SaveSettingsTab(IniFile& ini, AppSettings& s, SettingsTab tab, const SettingsSaveSelection& ticks,
                     const std::string& exe_folder);

// The three folders of [Files], each only when its remember flag is set.
void SaveLatestAccessPaths(IniFile& ini, const AppSettings& s);

// Where the settings file lives.
struct SettingsLocation {
  std::filesystem::path IniPath;
  std::string ExeFolder;        // the executable's folder with a trailing "/"
  bool InConfigFolder = false;  // the executable's folder was not writable
};

// "<exe folder>/<exe name>.ini", or the same name in $XDG_CONFIG_HOME/tessary/
// (~/.config/tessary/) when the executable's folder or file is not writable.
// `writable` decides for a path (default: the process may write it).
SettingsLocation ResolveSettingsLocation(const std::filesystem::path& exe_path,
                                         std::function<bool(const std::filesystem::path&)> writable = {});
