// Main window: the settings file applied to and taken from the controls.
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <algorithm>
#include <initializer_list>
#include <optional>

#include "base/ui/ControlEvents.h"
#include "app/ui/TMeasurementOption.h"
#include "app/ui/TPlatform.h"
#include "measure/ApertureMasks.h"

namespace {

// The kind whose radio button (given in the kind's order) is checked, if any.
template <typename Kind>
std::optional<Kind> CheckedKind(std::initializer_list<const QRadioButton*> buttons) {
  int index = 0;
  for (const QRadioButton* b : buttons) {
    if (b->isChecked()) return static_cast<Kind>(index);
    ++index;
  }
  return std::nullopt;
}

// The radio button of a kind (buttons given in the kind's order); kinds past
// the last button take the last.
template <typename Kind>
QRadioButton* KindButton(Kind kind, std::initializer_list<QRadioButton*> buttons) {
  const size_t index = std::min(static_cast<size_t>(kind), buttons.size() - 1);
  return buttons.begin()[index];
}

}  // namespace

bool TPlatform::IniFileExists() const { return ::IniFileExists(SettingsPlace.IniPath); }

void TPlatform::WriteDefaultIni() {
  IniFile ini(SettingsPlace.IniPath);
  Settings.CaptureFolder = ::WriteDefaultIni(ini, ExeFolder());
}

void TPlatform::LoadSettingsFromIni() {
  IniFile ini(SettingsPlace.IniPath);
  ApplySettings(::LoadSettingsFromIni(ini, ExeFolder()));
}

void TPlatform::SaveAllSettings() {
  IniFile ini(SettingsPlace.IniPath);
  ::SaveAllSettings(ini, CurrentSettings());
}

void TPlatform::SaveCheckedSettings(const SettingsSaveSelection& ticks) {
  IniFile ini(SettingsPlace.IniPath);
  AppSettings s = CurrentSettings();
  ::SaveCheckedSettings(ini, s, ticks, ExeFolder());
  Settings.CaptureFolder = s.CaptureFolder;
}

void TPlatform::SaveLatestAccessPaths() {
  IniFile ini(SettingsPlace.IniPath);
  ::SaveLatestAccessPaths(ini, CurrentSettings());
}

// Applies the file's values in the order of the keys; setting a check box,
// radio button or radio group runs its handler, up-down and combo positions
// set here run none.
void TPlatform::SetInserterTypeFromSettings(int mode) {
  Options.TimeStampMode = static_cast<uint8_t>(mode);
  SetComboIndex(ComboBox1, mode);
  // The file never holds 'Sharp': the LED level of Sharp time ('Default'
  // with a Sharp video open) must not go on filling the Signal1 column.
  Options.SharpTimeCorrection = 0;
  // An IOTA-VTI stamp found before is no KIWI-OSD or GHS stamp.
  if (mode != 0) {
    Options.StampLocated = 0;
    Options.TiviAvailable = 0;
    Options.TiviAvailableKiwi = 0;
  }
}

void TPlatform::ApplySettings(const AppSettings& s) {
  // Keys 1-8.
  Settings.LastVideoDirectory = s.LastVideoDirectory;
  Settings.CsvDirectory = s.CsvDirectory;
  Settings.CsvInputDirectory = s.CsvInputDirectory;
  Settings.CsvPathSameAsVideo = s.CsvPathSameAsVideo;
  Settings.RememberVideoDirectory = s.RememberVideoDirectory;
  Settings.RememberCsvDirectory = s.RememberCsvDirectory;
  Settings.RememberCsvInputDirectory = s.RememberCsvInputDirectory;
  Settings.UseAviSynth = s.UseAviSynth;
  // Key 9.
  SetUseDirectShow(s.UseDirectShow);
  // Keys 10-12.
  CheckBox14->setChecked(s.PsfPhotometry);
  CheckBox2->setChecked(s.FieldMeasure);
  RadioGroup2->SetItemIndex(s.FieldOrderIndex);
  Options.StampFieldOrder = static_cast<uint8_t>(s.StampFieldOrder());
  Stamp.StampFieldOrder = Options.StampFieldOrder;
  // Keys 13-15, then the recorded radii as the up-downs now stand. The
  // ranges are opened first so the stored radii are not cut by the limits
  // the previous radii set; step 9 limits them again.
  for (TUpDown* u : {UpDown1, UpDown2, UpDown3}) u->SetRange(0, 25);
  UpDown1->SetPosition(s.ApertureRadius);
  UpDown2->SetPosition(s.BackgroundInner);
  UpDown3->SetPosition(s.BackgroundOuter);
  for (auto& o : Frames.RecordedDataLines[0].Objects) {
    o.ApertureRadius = UpDown1->Position();
    o.BackgroundInner = UpDown2->Position();
    o.BackgroundOuter = UpDown3->Position();
  }
  // Key 16: an unknown form changes nothing.
  if (s.BackgroundForm) {
    const auto form = *s.BackgroundForm;
    KindButton(form, {RadioButton1, RadioButton2, RadioButton3})->setChecked(true);
    UpDown6->setEnabled(form != BackgroundFormKind::Standard);
    UpDown8->setEnabled(form == BackgroundFormKind::MeteorLunarLimb);
    // Every block: the rows of both fields state the form object A is measured with.
    SetObjectSetting(Frames.FrameDataLines, 0, &ObjectResult::BackgroundForm, static_cast<uint8_t>(form));
  }
  // Keys 17-22.
  UpDown6->SetPosition(s.Gap);
  UpDown8->SetPosition(s.Width);
  if (s.TrackingMode) {
    KindButton(*s.TrackingMode, {RadioButton4, RadioButton5, RadioButton6})->setChecked(true);
  }
  UpDown5->SetPosition(s.TrackRadius);
  UpDown7->SetPosition(s.TrackThreshold);
  for (auto& o : Frames.RecordedDataLines[0].Objects) o.TrackRadius = UpDown5->Position();
  // The controls show the selected object, and 'Open AVI' shows that object's
  // own settings again: without this the stored radius would give way to it.
  TrackWithShownRadius();
  CheckBox3->setChecked(s.SyncTracking);
  // Keys 23-25.
  CheckBox5->setChecked(s.ReadKiwi);
  // The file's threshold wins over the one the 'KIWI' handler just set.
  UpDown4->SetPosition(s.DigitThreshold);
  Options.SignalMarkersOn = s.SignalMarkersOn ? 1 : 0;
  RadioButton11->setEnabled(s.SignalMarkersOn);
  RadioButton12->setEnabled(s.SignalMarkersOn);
  if (!s.SignalMarkersOn) RadioButton10->setChecked(true);
  // Key 26.
  SetInserterTypeFromSettings(s.TimeStampMode);
  ShowApertureValues();
  LimitApertureRadii();
  // The 'KIWI' handler named the time columns before the type was read.
  RefreshTimeColumnNames();
  // Keys 27-32.
  Settings.CaptureFolder = s.CaptureFolder;
  Settings.ObserverName = s.ObserverName;
  Settings.ObserverNameLunar = s.ObserverNameLunar;
  Settings.StoredSites = s.StoredSites;
  Settings.LunarPredictionFile = s.LunarPredictionFile;
  Settings.Camera = s.Camera;
  // The LED flag just loaded, also where no redraw follows ('Default').
  if (MeasurementOption) MeasurementOption->ShowLedBox();
}

AppSettings TPlatform::CurrentSettings() const {
  AppSettings s = Settings;
  s.UseDirectShow = Video.UseDirectShow != 0;
  s.PsfPhotometry = CheckBox14->isChecked();
  s.FieldMeasure = CheckBox2->isChecked();
  s.FieldOrderIndex = RadioGroup2->ItemIndex();
  s.ApertureRadius = UpDown1->Position();
  s.BackgroundInner = UpDown2->Position();
  s.BackgroundOuter = UpDown3->Position();
  s.BackgroundForm = CheckedKind<BackgroundFormKind>({RadioButton1, RadioButton2, RadioButton3});
  s.Gap = UpDown6->Position();
  s.Width = UpDown8->Position();
  s.TrackingMode = CheckedKind<TrackModeKind>({RadioButton4, RadioButton5, RadioButton6});
  s.TrackRadius = UpDown5->Position();
  s.TrackThreshold = UpDown7->Position();
  s.SyncTracking = CheckBox3->isChecked();
  s.DigitThreshold = UpDown4->Position();
  s.ReadKiwi = CheckBox5->isChecked();
  s.SignalMarkersOn = Options.SignalMarkersOn != 0;
  s.TimeStampMode = Options.TimeStampMode;
  return s;
}

void TPlatform::LimitApertureRadii() {
  const RadiusRanges r = ::LimitApertureRadii(UpDown1->Position(), UpDown2->Position(), UpDown3->Position());
  UpDown1->SetRange(r.ApertureMin, r.ApertureMax);
  UpDown2->SetRange(r.InnerMin, r.InnerMax);
  UpDown3->SetRange(r.OuterMin, r.OuterMax);
}
