// Main window: opening a video ('Open AVI', 'AVI File Open') into the video
// state the rest of the window reads.
#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <filesystem>
#include <utility>

#include "base/ui/ControlEvents.h"
#include "base/ui/NamedItems.h"
#include "base/ui/Layouts.h"
#include "base/ui/HandlerTable.h"
#include "base/ui/DialogService.h"
#include "app/ui/TPlatform.h"
#include "measure/ui/TThreeDGraph.h"
#include "video/AvsScript.h"

namespace {

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

QWidget* TPlatform::CreateVideoPanel() {
  auto* box = new QGroupBox("Video");
  auto* grid = new QGridLayout(box);
  Button1 = Named<QPushButton>("Button1", "Open AVI");
  Edit48 = NamedReadOut("Edit48", {}, 80);
  Edit49 = NamedReadOut("Edit49", {}, 80);
  Edit30 = NamedReadOut("Edit30", {}, 80);
  grid->setContentsMargins(4, 2, 4, 2);
  grid->setVerticalSpacing(2);
  grid->addWidget(Button1, 0, 0, 1, 2);
  grid->addWidget(new QLabel("Size"), 1, 0);
  auto* size = new QHBoxLayout;
  size->addWidget(Edit48);
  size->addWidget(Edit49);
  grid->addLayout(size, 1, 1);
  AddGridRow(grid, 2, {new QLabel("Frame rate"), Edit30});
  grid->addWidget(CreatePlayPanel(), 3, 0, 1, 2);  // ---- play ----
  return box;
}

void TPlatform::ConnectVideoHandlers() {
  ConnectEach(this, {{Button1, &TPlatform::Button1Click}, {AVIRileOpen1, &TPlatform::AVIRileOpen1Click},
                     {Button19, &TPlatform::Button19Click}, {Button27, &TPlatform::Button27Click}});
  connect(PlayTimer, &QTimer::timeout, this, &TPlatform::PlayTimerTick);
}

bool TPlatform::VideoIsScript() const { return LowerAscii(Video.VideoFileExt) == ".avs"; }

bool TPlatform::OpenVideoDialog(const std::function<void()>& prepare) {
  // The 3-D view and the sound display belong to the open video.
  if (Run.MeasuringRun || !ThreeDGraph.isNull() || OpenWindows.SoundGraphOpen) return false;
  const QString name = Dialogs().GetOpenFileName("Open", QString::fromStdString(Settings.LastVideoDirectory),
                                                 "Video files (*.avi *.AVI *.avs *.AVS);;All files (*)");
  if (name.isEmpty()) return false;
  open_dialog_file_name_ = name;
  if (!OpenVideoFile(name.toStdString(), 0, prepare)) return false;
  Run.StartFrame = -1;
  return true;
}

// The frame a direction is being set on belongs to the open video: another
// one waits until the click that ends the setting.
void TPlatform::AVIRileOpen1Click() {
  if (CheckBox1->isChecked() || Run.MeasuringRun || Run.DirectionSettingMode) return;
  if (!ResultsMayBeDropped()) return;
  OpenVideoDialog();
}

void TPlatform::Button1Click() {
  if (Run.Playing || CheckBox1->isChecked() || Run.MeasuringRun || Run.DirectionSettingMode) return;
  if (!ResultsMayBeDropped()) return;
  // A cancelled dialog or a file that is no video leaves the objects, the
  // digit threshold and the timed events alone, so they are prepared only
  // once the file has opened.
  // The first frame is shown with aperture photometry; the choice comes back after.
  const bool photometry = CheckBox14->isChecked();
  const bool opened = OpenVideoDialog([&] {
    ClearEventTimingList();
    Run.KeepObjectCount = false;
    ResetMarkers();
    if (Options.TimeStampMode == 0) UpDown4->SetPosition(100);
    ResetRectangleAndObjectState();
    CheckBox14->setChecked(false);
  });
  if (!opened) return;
  Run.CsvCmosTime = false;
  CheckBox14->setChecked(photometry);
  ApplyOccultationPreset();
}

// 'Open AVI' and 'Load CSV': a rectangle aperture does not carry over to the
// next video or table, and the event times typed for the last one are free again.
void TPlatform::ResetRectangleAndObjectState() {
  Events.Flags.TimeFieldEdited = {0, 0, 0};
  const size_t k = static_cast<size_t>(std::clamp(Run.SelectedObject, 1, 3) - 1);
  const bool had_rectangle = RectangleAperture1->isChecked() ||
                             Frames.FrameDataLines[0].Objects[k].BackgroundForm ==
                                 static_cast<uint8_t>(BackgroundFormKind::Rectangle);
  RectangleAperture1->setChecked(false);
  RestoreRectangleLabels();
  const ObjectResult& selected = Frames.FrameDataLines[0].Objects[k];
  UpDown8->setRange(0, 25);
  UpDown6->setRange(0, 25);
  UpDown8->SetPosition(selected.BandWidth);
  UpDown6->SetPosition(selected.Gap);
  for (auto* b : {RadioButton1, RadioButton2, RadioButton3}) b->setEnabled(true);
  // The form and mode kept while the rectangle was on, in every block. Only
  // then: without a rectangle the saved values are stale and would leave the
  // object's form out of step with the form buttons.
  if (had_rectangle) {
    SetObjectSetting(Frames.FrameDataLines, static_cast<int>(k), &ObjectResult::BackgroundForm, RectAperture.SavedBkgForm[k]);
    SetObjectSetting(Frames.FrameDataLines, static_cast<int>(k), &ObjectResult::TrackMode, RectAperture.SavedTrackingMode[k]);
  }
  RadioButton3->setChecked(true);
}

void TPlatform::ShowExposureLength() {
  const ExposureLengthTexts t = ::ShowExposureLength(Video);
  Edit30->setText(QString::fromStdString(t.Edit30));
  setToolTip(QString::fromStdString(t.Hint));
}

bool TPlatform::OpenVideoStream() {
  Video.UseAviSynth = Settings.UseAviSynth ? 1 : 0;
  if (VideoIsScript()) {
    // Scripts are read through our AVI reader only. The box's own handler
    // would open the script once more (and tell a failure twice).
    {
      QSignalBlocker block(CheckBox7);
      SetUseDirectShow(false);
    }
    CheckBox7->setText("VFW");
    CheckBox7->setEnabled(false);
  } else {
    CheckBox7->setEnabled(true);
  }
  OpenStreamOptions options;
  options.DisplayCamcordersTime = DisplayCamcordersTime2 && DisplayCamcordersTime2->isChecked();
  const OpenStreamResult r = ::OpenVideoStream(Video, Sources, options);
  if (!r.Ok) {
    Dialogs().ShowError(QString::fromStdString(r.ErrorMessage));
    return false;
  }
  Edit30->setText(QString::fromStdString(r.Edit30Text));
  setToolTip(QString::fromStdString(r.HintText));
  return true;
}

void TPlatform::SizeImage1(int width, int height) {
  Image1->setMinimumSize(width, height);
  Image1->resize(width, height);
}

void TPlatform::ClearClosedVideo() {
  StopPlaybackTimer();
  // The guide acts on the open video's objects, the sound display shows its
  // sound, the 3-D view its star (and, left open, it would refuse the next video).
  CloseOperationGuide();
  if (SoundIndicator) SoundIndicator->close();
  if (ThreeDGraph) ThreeDGraph->close();
  Run.VideoLoaded = false;
  video_closed_by_switch_ = false;
  {
    QSignalBlocker block(ScrollBar1);
    ScrollBar1->setRange(0, 0);
  }
  Video.FrameWidth = Video.FrameHeight = 0;
  Video.VideoFrameRate = 0;
  ShowPanInImageWindowSetting();
  Display.Image1Bitmap = Bitmap24();
  Driver.FrameBitmap = Bitmap24();
  Display.OverlayDrawn = false;
  image1_source_ = nullptr;
  image1_pending_ = false;
  Image1->setPixmap(QPixmap());
  RedrawHistogram();  // of the picture that is gone
  for (QLineEdit* e : {Edit5, Edit48, Edit49, Edit30}) e->clear();
  setToolTip({});
}

bool TPlatform::OpenVideoFile(const std::string& file_name, int keep_table, const std::function<void()>& prepare) {
  // The time-line factor is reset with the open itself (BeginOpenVideoFile):
  // a missing file leaves the open video sought as before.
  const std::optional<std::string> resolved = ResolveVideoFile(file_name, Settings.CsvInputDirectory);
  if (!resolved) {
    Dialogs().ShowWarning(".avi file is not found");
    return false;
  }
  // Playback of the old video ends here: its timer must not play the new one.
  StopPlaybackTimer();
  // The guide's starting point holds the old video's objects and frame; a
  // recording opened from the capture comes this way too.
  CloseOperationGuide();
  // Nor may its sound track be shown and noted in the new video's rows.
  if (SoundIndicator) SoundIndicator->close();
  BusyFlag busy(Run.FrameSourceBusy);
  BeginOpenVideoFile(Video, *resolved);
  // The last video's Sharp time goes with it: the settings load sets the
  // inserter type without its handler, and a stale correction would put the
  // LED level where this video's rows carry the LED marks.
  Options.SharpTimeCorrection = 0;
  // The station read from the previous video's GPS line is not this one's.
  Station = GpsStation{};

  // A failed open has closed the previous video too: nothing is shown any more.
  if (!OpenVideoStream()) {
    ClearClosedVideo();
    return false;
  }
  // A still picture loaded before is not shown nor measured in place of the video's frames.
  Still.BmpMode = false;
  if (prepare) {
    // The half-open video is not drawn while the controls are prepared.
    const bool loaded = std::exchange(Run.VideoLoaded, false);
    prepare();
    Run.VideoLoaded = loaded;
  }

  Settings.LastVideoDirectory = FolderPart(Video.VideoFileName);
  SetDialogFallbackFolder(QString::fromStdString(Settings.LastVideoDirectory));  // dialogs without a folder start here
  try {
    SaveLatestAccessPaths();
  } catch (const IniWriteError& e) {
    Dialogs().ShowError(QString::fromStdString(e.what()));
  }

  CheckBox2->setEnabled(true);
  for (auto* u : {UpDown1, UpDown2, UpDown3}) u->setEnabled(true);
  GroupBox8->setEnabled(true);

  // The image area takes the frame's size, silver until the frame is drawn.
  PaintWindow(ScrollBox1, QColor(0xC0, 0xC0, 0xC0));
  const int w = Video.FrameWidth, h = Video.FrameHeight;
  QPixmap silver(w > 0 ? w : 1, h > 0 ? h : 1);
  silver.fill(QColor(0xC0, 0xC0, 0xC0));
  Image1->setPixmap(silver);
  SizeImage1(w, h);
  ShowPanInImageWindowSetting();

  Edit48->setText(QString::number(w));
  Edit49->setText(QString::number(h));
  Edit5->setText(open_dialog_file_name_);

  FinishOpenVideoFile(Video, Sources, Options.TimeStampMode);
  {
    QSignalBlocker block(ScrollBar1);
    ScrollBar1->setRange(0, Video.LastFrameIndex > 0 ? Video.LastFrameIndex : 0);
    ScrollBar1->setValue(0);
  }

  Options.TiviAvailable = 0;
  Options.TiviAvailableKiwi = 0;
  ResetTimeEdits();
  PutControlsIntoSelectedObject();
  RefreshObjectMasks(DriverSettings(), true);
  Run.LastMeasuredFrame = -1;
  PassedPoints = {};
  // Where the profile match last found A was on the previous video: a loss
  // here must not mark that place as A's 'Frame2'.
  Tracking.LastMatchA = {};
  Tracking.DriftPassedFlag = false;
  ShowPassedPoints();

  // The sound track made for the previous video goes; this video's own is made when asked for.
  if (!Sound.WavFileName.empty()) {
    std::error_code ec;
    std::filesystem::remove(Sound.WavFileName, ec);
  }
  Sound.WavFileName = (std::filesystem::path(FolderPart(Video.VideoFileName)) / "tsy.wav").string();

  Add1->setEnabled(true);
  Remove1->setEnabled(false);
  if (!Run.KeepObjectCount) Run.ObjectCount = 1;
  Run.SelectedObject = 1;
  RadioButton7->setChecked(true);
  RadioButton8->setEnabled(false);
  RadioButton9->setEnabled(false);

  try {
    if (!IniFileExists()) {
      LoadSettingsFromIni();
      SaveAllSettings();
    }
    LoadSettingsFromIni();
  } catch (const IniWriteError& e) {
    Dialogs().ShowError(QString::fromStdString(e.what()));
  }
  if (VideoIsScript()) {
    // The settings just read must not claim the FFmpeg source for a script.
    SetUseDirectShow(false);
    CheckBox7->setEnabled(false);
  }

  Run.VideoLoaded = true;
  video_closed_by_switch_ = false;
  Video.NonSquarePixels = NeedsPixelAspectCorrection(Video.VideoFrameRate, Video.FrameWidth,
                                                       Video.FrameHeight, Options.TimeStampMode);

  if (Options.TimeStampMode == 0) {
    Options.StampLocated = 1;
    Options.TiviAvailableKiwi = 1;
  } else if (Options.TimeStampMode == 2) {
    UpDown4->SetPosition(100);
    Options.GlyphThreshold = 100;
    Options.StampLocated = 1;
  }
  Run.Playing = false;
  LocateStampBeforeFirstFrame();  // ---- time stamps ----
  ShowNeighbor();
  ApplyStampFieldOrder();  // ---- time stamps ----

  // Chart
  ChartVideoOpened();

  for (auto* e : {Edit24, Edit25, Edit26, Edit27}) PaintBase(e, Qt::white);
  Edit26->setToolTip({});
  Edit27->setToolTip({});
  DetectTickStampOnOpen();  // ---- time stamps ----

  if (keep_table == 0) {
    WriteCsvHeader();
    CloseEventAnalysisWindows();
    // A fresh table has no start frame yet.
    Run.StartFrame = -1;
    Edit53->clear();
  }
  Options.SharpCapTimeAvailable = false;
  LedVideoOpened();  // ---- LED time correction ----
  // Identified, timed and reported was the last video's event, not this one's.
  for (QLineEdit* step : {Edit70, Edit72, Edit73}) PaintBase(step, Qt::white);
  return true;
}

// Option > 'Display Camcorders Time': the check mark toggles (the action does
// it) and the video is opened again, its script with or without the DV time.
void TPlatform::DisplayCamcordersTime2Click() {
  if (!Video.VideoOpenedOnce || Video.VideoFileName.empty()) return;
  // A run keeps its stream: the mark stays as the frames are shown.
  if (Run.MeasuringRun) {
    DisplayCamcordersTime2->setChecked(!DisplayCamcordersTime2->isChecked());
    return;
  }
  if (!OpenVideoStream()) {
    ClearClosedVideo();
    return;
  }
  if (std::exchange(video_closed_by_switch_, false)) Run.VideoLoaded = true;
  ShowNeighbor();
}
