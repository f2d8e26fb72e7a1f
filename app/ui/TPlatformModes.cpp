// Main window: the switches that change how frames are read, timed and
// measured: inserter type, 'KIWI', 'Sharp' time, the frame reader, the
// position-set buttons, the occultation presets, PSF photometry and tracking,
// field measurement and the rectangle aperture.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>
#include <utility>

#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "app/ui/TPlatform.h"
#include "app/OccultationPreset.h"

namespace {

void SetLabelColour(QWidget* w, const QColor* c) {
  if (!w) return;
  w->setAutoFillBackground(c != nullptr);
  PaintWindow(w, c ? *c : QPalette().color(QPalette::Button));
}

}  // namespace

InserterSettings TPlatform::InserterNow() const {
  InserterSettings s;
  s.mode = static_cast<TimeStampMode>(Options.TimeStampMode);
  s.digitThreshold = UpDown4->Position();
  s.glyphThreshold = Options.GlyphThreshold;
  s.stampLocated = Options.StampLocated != 0;
  s.tiviAvailable = Options.TiviAvailable != 0;
  s.tiviAvailableKiwi = Options.TiviAvailableKiwi != 0;
  s.ghsLocateEnabled = Options.GhsLocateEnabled;
  s.ghsSearchU = Options.GhsSearchU != 0;
  s.sharpTimeCorrection = Options.SharpTimeCorrection;
  s.frameRateFactor = Video.FrameRateFactor;
  return s;
}

void TPlatform::KeepInserter(const InserterSettings& s) {
  Options.TimeStampMode = static_cast<uint8_t>(s.mode);
  UpDown4->SetPosition(s.digitThreshold);
  Options.GlyphThreshold = s.glyphThreshold;
  Options.StampLocated = s.stampLocated ? 1 : 0;
  Options.TiviAvailable = s.tiviAvailable ? 1 : 0;
  Options.TiviAvailableKiwi = s.tiviAvailableKiwi ? 1 : 0;
  Options.GhsLocateEnabled = s.ghsLocateEnabled;
  Options.GhsSearchU = s.ghsSearchU ? 1 : 0;
  Options.SharpTimeCorrection = static_cast<uint8_t>(s.sharpTimeCorrection);
  Video.FrameRateFactor = s.frameRateFactor;
}

void TPlatform::RunInserterSteps(const InserterSteps& steps) {
  if (steps.stopPlaying) Run.Playing = false;
  if (steps.clearTimeEdits) ClearTimeEdits();
  for (int i = 0; i < steps.locateIotaTimes; ++i) {
    LocateIotaTimeStamp();
    ApplyStampFieldOrder();  // redraws
  }
  if (steps.locateGhs) {
    LocateGhsTimeStamp(kGhsStartX, kGhsStartY);
    ShowNeighbor();
    ApplyStampFieldOrder();
  }
  if (steps.selectSharpTime) SelectSharpTime();
  if (steps.enableGammaGroup && GammaGroup) GammaGroup->setEnabled(true);
  if (steps.gammaOff && RadioButton15) RadioButton15->setChecked(true);
}

void TPlatform::ComboBox1Change() {
  if (Run.MeasuringRun || Run.Playing) {
    // Refused: the combo goes back to the type the frames are read with.
    SetComboIndex(ComboBox1, Options.TimeStampMode);
    return;
  }
  InserterSettings s = InserterNow();
  const InserterSteps steps =
      ChangeInserterType(ComboBox1->currentIndex(), Run.VideoLoaded, CheckBox5->isChecked(), s, Stamp.DigitX);
  KeepInserter(s);
  RunInserterSteps(steps);
  if (steps.redraw) ShowNeighbor();
  RefreshTimeColumnNames();
}

void TPlatform::DeriveSharpFrameRate() {
  DeriveFrameRateFromTicks();
  ShowExposureLength();
  InserterSettings s = InserterNow();
  FinishSharpTime(CaptureLogTimes.CaptureLogNominalFrameRate, Video.VideoFrameRate, s);
  KeepInserter(s);
  RefreshVideoSystemLine();
}

void TPlatform::SelectSharpTime() {
  InserterSettings s = InserterNow();
  const SharpTimeSteps steps = ::SelectSharpTime(Video.VideoOpenedOnce != 0, s);
  KeepInserter(s);
  if (!steps.deriveFrameRate) return;
  DeriveSharpFrameRate();
  if (steps.setSignal1Box) {
    Options.Signal1HalfWidth = 8;
    Options.Signal1HalfHeight = 8;
  }
  if (steps.redraw) ShowNeighbor();
}

void TPlatform::CheckBox5Click() {
  if (Run.DirectionSettingMode) return;
  InserterSettings s = InserterNow();
  const InserterSteps steps = ChangeKiwiTick(CheckBox5->isChecked(), Run.VideoLoaded, s);
  KeepInserter(s);
  RunInserterSteps(steps);
  if (!Run.MeasuringRun) {
    if (Video.VideoAccessKind == static_cast<uint8_t>(VideoAccess::DirectShow)) Sources.DirectShow.DSPrimeGraph();
    ShowNeighbor();
  }
  RefreshTimeColumnNames();
}

void TPlatform::CheckBox7Click() {
  if (Run.MeasuringRun || Run.Playing) return;
  SwitchVideoAccess();
}

// The window's reader choice, shown by CheckBox7 (whose change switches the
// reader). The frame sources read it when a video opens.
void TPlatform::SetUseDirectShow(bool on) {
  Video.UseDirectShow = on ? 1 : 0;
  CheckBox7->setChecked(on);
}

void TPlatform::SwitchVideoAccess() {
  const bool direct_show = CheckBox7->isChecked();
  const auto open_kind = static_cast<VideoAccess>(Video.VideoAccessKind);
  const long double timing_rate = Video.VideoFrameRate;  // a log's or the counts' rate may stand in for the file's
  if (direct_show && open_kind == VideoAccess::AviFile) CloseVideo(Video, Sources);
  if (!direct_show && open_kind == VideoAccess::DirectShow) {
    Sources.DirectShow.DSStopGraph();
    CloseVideo(Video, Sources);
  }
  SetUseDirectShow(direct_show);
  CheckBox7->setText(direct_show ? "DShow" : "VFW");
  if (!Video.VideoOpenedOnce || Video.VideoFileName.empty()) return;
  if (!OpenVideoStream()) {
    if (Run.VideoLoaded) video_closed_by_switch_ = true;
    Run.VideoLoaded = false;
    return;
  }
  if (std::exchange(video_closed_by_switch_, false)) Run.VideoLoaded = true;
  if (Video.VideoAccessKind == static_cast<uint8_t>(VideoAccess::DirectShow)) Sources.DirectShow.DSPrimeGraph();
  // The reopen read the file's own rate: frames are sought on it, and the
  // rate that timed them before goes on timing them.
  if (timing_rate > 0 && Video.VideoFrameRate > 0) {
    Video.FrameRateFactor = Video.VideoFrameRate / timing_rate;
    Video.VideoFrameRate = timing_rate;
    ShowExposureLength();
  }
  ShowNeighbor();
}

// ---- position set ----

void TPlatform::RadioButton10Click() {
  if (!CheckBox1->isChecked()) Options.PositionSetMode = 0;
}

void TPlatform::RadioButton11Click() {
  if (!CheckBox1->isChecked()) Options.PositionSetMode = 1;
}

void TPlatform::RadioButton12Click() {
  if (!CheckBox1->isChecked()) Options.PositionSetMode = 2;
}

void TPlatform::RadioButton13Click() {
  if (CheckBox1->isChecked()) return;
  Options.PositionSetMode = 3;
  UpDown4->SetPosition(100);
}

// ---- measuring switches ----

void TPlatform::CheckBox14Click() {
  if (Run.MeasuringRun || Run.DirectionSettingMode) return;
  const bool psf = CheckBox14->isChecked();
  if (psf && CheckBox2->isChecked() && !CheckBox2->isEnabled() && Results.Count() > TableHeaderLines()) {
    // Measured field rows stay: unticking 'Field Measure' would rewrite the
    // header and drop them.
    Dialogs().ShowInformation(kFieldModeNotOnPsf, "Note");
    QSignalBlocker block(CheckBox14);
    CheckBox14->setChecked(false);
    return;
  }
  if (psf) CheckBox2->setChecked(false);
  // Rows measured meanwhile keep 'Field Measure' locked when PSF goes off.
  CheckBox2->setEnabled(!psf && (CheckBox2->isEnabled() || Results.Count() <= TableHeaderLines()));
  ShowWidthLabels();
  Button40->setEnabled(!psf);
  // The pixel counts show for aperture photometry only.
  if (const size_t i = static_cast<size_t>(std::clamp(Run.SelectedObject, 1, 3) - 1); !SelectedIsRectangle())
    ShowClassPixelCounts(std::pair{CountClassCells(Driver.Classes[i], 1), CountClassCells(Driver.Classes[i], 2)});
  else
    ShowClassPixelCounts(std::nullopt);
  ShowNeighbor();
}

void TPlatform::CheckBox15Click() {
  if (Run.MeasuringRun) return;
  const bool on = CheckBox15 && CheckBox15->isChecked();
  UpDown7->SetPosition(PsfTrackingThreshold(on));
  if (CheckBox4) {
    const bool allowed = on && RadioButton5->isChecked();
    if (!allowed) CheckBox4->setChecked(false);
    CheckBox4->setEnabled(allowed);
  }
  ShowNeighbor();
}

void TPlatform::CheckBox2Click() {
  if (Run.MeasuringRun || Run.DirectionSettingMode) return;
  if (!CheckBox2->isEnabled() && Results.Count() > TableHeaderLines()) {
    // Locked by measured rows, changed by code (the settings file's
    // 'Default'): a new header would drop the rows, so the tick stays as the
    // rows are laid out.
    QSignalBlocker block(CheckBox2);
    CheckBox2->setChecked(!CheckBox2->isChecked());
    return;
  }
  if (!FieldMeasureAllowed(CheckBox14->isChecked(), CheckBox2->isChecked())) {
    Dialogs().ShowInformation(kFieldModeNotOnPsf, "Note");
    CheckBox2->setChecked(false);  // runs this handler again, which rewrites the header
    return;
  }
  // The header lines follow the frame or field layout of the rows.
  WriteCsvHeader();
}

// ---- presets ----

void TPlatform::ShowSelectedObjectSettings() {
  const int k = Run.SelectedObject;
  if (k < 1 || k > 3) return;
  const ObjectResult o = Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)];
  // The limits the shown radii set would cut the object's own radii.
  for (TUpDown* u : {UpDown1, UpDown2, UpDown3}) u->SetRange(0, 25);
  UpDown1->SetPosition(o.ApertureRadius);
  UpDown2->SetPosition(o.BackgroundInner);
  UpDown3->SetPosition(o.BackgroundOuter);
  LimitApertureRadii();
  UpDown5->SetPosition(o.TrackRadius);
  UpDown7->SetPosition(o.Threshold);
  QRadioButton* forms[] = {RadioButton1, RadioButton2, RadioButton3};
  if (o.BackgroundForm < 3) forms[o.BackgroundForm]->setChecked(true);
  QRadioButton* modes[] = {RadioButton4, RadioButton5, RadioButton6};
  if (o.TrackMode < 3) modes[o.TrackMode]->setChecked(true);
  // Checking the buttons ran their handlers on the selected object; its settings stand.
  ObjectResult& now = Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)];
  now.BackgroundForm = o.BackgroundForm;
  now.TrackMode = o.TrackMode;
}

void TPlatform::Button40Click() {
  if (CheckBox14->isChecked() || Run.MeasuringRun || Run.Playing) return;
  // Every block: the rows of both fields state the radii measured with.
  for (int k = 0; k < 3; ++k) {
    const ObjectResult& recorded = Frames.RecordedDataLines[0].Objects[static_cast<size_t>(k)];
    SetObjectSetting(Frames.FrameDataLines, k, &ObjectResult::ApertureRadius, recorded.ApertureRadius);
    SetObjectSetting(Frames.FrameDataLines, k, &ObjectResult::BackgroundInner, recorded.BackgroundInner);
    SetObjectSetting(Frames.FrameDataLines, k, &ObjectResult::BackgroundOuter, recorded.BackgroundOuter);
  }
  ShowSelectedObjectSettings();
  LimitApertureRadii();
  RefreshObjectMasks(DriverSettings(), true);
  ShowNeighbor();
}

void TPlatform::ApplyOccultationPreset() {
  // A preset that sets the background form takes the place of a rectangle
  // aperture: it is turned off first, as its menu item does, else the menu
  // tick, the disabled form buttons and the rectangle's height shown as the
  // gap would go on claiming it for an object measured with the new form.
  const int type = Options.OccultationTypeIndex;
  if (type >= 1 && type <= 4 && RectangleAperture1->isChecked()) RectangleAperture1->trigger();
  PresetInputs in;
  if (CheckBox6) in.link = CheckBox6->isChecked();
  in.objectFitWidth = Stars.ObjectFitWidth;
  const PresetSteps steps =
      ::ApplyOccultationPreset(static_cast<OccultationType>(Options.OccultationTypeIndex), in, Frames.FrameDataLines);
  if (steps.syncEstimatedTrack) SyncEstimatedTrack();

  ShowSelectedObjectSettings();
  // Profile tracking works on its own copy of the selected object's threshold.
  const size_t s = static_cast<size_t>(std::clamp(Run.SelectedObject, 1, 3) - 1);
  {
    // 'Estimated track' shows the flag tracking now goes by.
    QSignalBlocker block(CheckBox4);
    CheckBox4->setChecked(Frames.FrameDataLines[0].Objects[s].EstimatedTrack != 0);
  }
  Tracking.Profiles[s].MatchThresholdPercent = Frames.FrameDataLines[0].Objects[s].Threshold;
  RefreshObjectMasks(DriverSettings(), true);
  ShowNeighbor();
  Driver.PsfRefitPending = false;
}

// ---- rectangle aperture ----

void TPlatform::RestoreRectangleLabels() {
  SetLabelColour(StaticText10, nullptr);
  SetLabelColour(Label2, nullptr);
  if (Label2) Label2->setText("Gap");
}

// 'Rectangle Aperture' and the controls it changes show whether object k
// has the rectangle: a tick left over from another object would turn that
// object's rectangle off on this one.
void TPlatform::ShowRectangleControls(int k) {
  if (k < 1 || k > 3) return;
  const bool rectangle = Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)].BackgroundForm ==
                         static_cast<uint8_t>(BackgroundFormKind::Rectangle);
  RectangleAperture1->setChecked(rectangle);
  for (auto* b : {RadioButton1, RadioButton2, RadioButton3}) b->setEnabled(!rectangle);
  if (!rectangle) {
    RestoreRectangleLabels();
    UpDown8->SetRange(0, 25);
    UpDown6->SetRange(0, 25);
    return;
  }
  const QColor sky(0xA6, 0xCA, 0xF0);
  SetLabelColour(StaticText10, &sky);
  SetLabelColour(Label2, &sky);
  if (Label2) Label2->setText("Height");
  UpDown8->SetRange(1, 51);
  UpDown6->SetRange(1, 51);
  UpDown8->setEnabled(true);
  UpDown6->setEnabled(true);
}

void TPlatform::RectangleAperture1Click() {
  if (!Run.VideoLoaded) {
    RectangleAperture1->setChecked(false);
    return;
  }
  const int s = Run.SelectedObject;
  if (s < 1 || s > 3) return;
  const size_t i = static_cast<size_t>(s - 1);
  const ObjectResult& o = Frames.FrameDataLines[0].Objects[i];
  if (RectangleAperture1->isChecked()) {
    const QColor sky(0xA6, 0xCA, 0xF0);
    SetLabelColour(StaticText10, &sky);
    SetLabelColour(Label2, &sky);
    if (Label2) Label2->setText("Height");
    RectAperture.SavedBkgWidth[i] = UpDown8->Position();
    RectAperture.SavedBkgGap[i] = UpDown6->Position();
    UpDown8->SetRange(1, 51);
    UpDown8->SetPosition(5);
    UpDown6->SetRange(1, 51);
    UpDown6->SetPosition(51);
    for (auto* b : {RadioButton1, RadioButton2, RadioButton3}) b->setEnabled(false);
    RectAperture.RectangleWidth[i] = 5;
    RectAperture.RectangleHeight[i] = 51;
    RectAperture.SavedBkgForm[i] = o.BackgroundForm;
    RectAperture.SavedTrackingMode[i] = o.TrackMode;
    // Every block: field rows carry the form and mode of blocks 1 and 2.
    SetObjectSetting(Frames.FrameDataLines, s - 1, &ObjectResult::BackgroundForm,
                     static_cast<uint8_t>(BackgroundFormKind::Rectangle));
    SetObjectSetting(Frames.FrameDataLines, s - 1, &ObjectResult::TrackMode, static_cast<uint8_t>(TrackModeKind::Off));
    RadioButton6->setChecked(true);
    Driver.Rectangles[i].Reset();
    RefreshObjectMasks(DriverSettings(), true);
    ShowNeighbor();
    return;
  }
  RestoreRectangleLabels();
  UpDown8->SetRange(0, 25);
  UpDown6->SetRange(0, 25);
  UpDown8->SetPosition(RectAperture.SavedBkgWidth[i]);
  UpDown6->SetPosition(RectAperture.SavedBkgGap[i]);
  for (auto* b : {RadioButton1, RadioButton2, RadioButton3}) b->setEnabled(true);
  SetObjectSetting(Frames.FrameDataLines, s - 1, &ObjectResult::BackgroundForm, RectAperture.SavedBkgForm[i]);
  SetObjectSetting(Frames.FrameDataLines, s - 1, &ObjectResult::TrackMode, RectAperture.SavedTrackingMode[i]);
  RadioButton3->setChecked(true);
  // The tracking buttons show the mode the object tracks with again, not the
  // 'OFF' the rectangle chose (a settings save stores what they show); a
  // mode from a loaded table shows as 'OFF', as selecting the object shows it.
  QRadioButton* modes[] = {RadioButton4, RadioButton5, RadioButton6, RadioButton6};
  modes[std::min<size_t>(RectAperture.SavedTrackingMode[i], 3)]->setChecked(true);
  LimitApertureRadii();
  RefreshObjectMasks(DriverSettings(), true);
  ShowNeighbor();
  ShowApertureValues();
}
