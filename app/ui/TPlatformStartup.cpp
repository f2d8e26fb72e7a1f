// Main window: start-up defaults, time read-outs, mode switches and exit.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>
#include <QScrollArea>

#include "base/AtomicFile.h"
#include "base/ui/ControlEvents.h"
#include "events/FresnelTables.h"
#include "base/ui/DialogService.h"
#include "app/ui/TPlatform.h"

namespace {

// Start positions of objects A, B and C.
constexpr int kStartX[3] = {40, 120, 200};
constexpr int kStartY = 40;

}  // namespace

void TPlatform::FormCreate() {
  // Results and run flags.
  Run = RunState{};
  Times.Clear();
  Options.MagDrop = 0;
  move(8, 8);
  PaintWindow(ScrollBox1, QColor(68, 204, 255));
  ScrollBox1->setBackgroundRole(QPalette::Window);
  ScrollBox1->setAutoFillBackground(true);
  Options.Signal1HalfWidth = 2;
  Options.Signal1HalfHeight = 2;
  Options.LocatedStampRow = 435;
  Options.AutoRectangleDirection = 1;
  Video.VideoAccessKind = 2;

  Run.StartFrame = -1;
  Options.SaturationLevel = 255;
  Options.SaturatedPeakStart = 350;
  Options.TimeStampMode = 0;
  Options.GhsSearchU = 1;
  Options.StampFieldOrder = RadioGroup2->ItemIndex() == 0 ? 1 : 0;
  Stamp.StampFieldOrder = Options.StampFieldOrder;
  Options.GlyphThreshold = UpDown4->Position();

  UpDown9->SetPosition(1);
  Run.FrameStep = 1;
  Run.ObjectCount = 1;
  Run.SelectedObject = 1;
  Options.CsvVersion = 3;
  Options.SignalMarkersOn = 1;

  // Push-button look.
  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
           CheckBox1, CheckBox7, CheckBox10, CheckBox3, CheckBox22, RadioButton7, RadioButton8, RadioButton9})
    MakePushLike(b);
  RadioButton7->setChecked(true);

  ResetMarkers();
  Options.TiviDigitsValid = 0;
  ResetTimeEdits();

  UpDown5->SetRange(0, 25);
  LimitApertureRadii();
  ShowApertureValues();
  UpDown4->SetPosition(80);
  RadioGroup3->SetItemIndex(1);

  WriteInitialCsvHeader();

  InitialiseFrameBlocks();
  Options.GammaValue = 1.0;
  Edit18->setText("1.00");
  Edit18->setEnabled(false);
  Options.GammaMode = 0;

  Add1->setEnabled(false);
  Remove1->setEnabled(false);
  LinkedPoints = {};

  ShowWidthLabels();

  // Settings file: factory defaults when missing, then load.
  SettingsPlace = ResolveSettingsLocation(startup_.ExePath);
  const bool existed = IniFileExists();
  if (!existed) {
    try {
      WriteDefaultIni();
      if (SettingsPlace.InConfigFolder)
        Dialogs().ShowInformation("The program's folder is not writable; the settings are kept in " +
                                  QString::fromStdString(SettingsPlace.IniPath.string()));
    } catch (const IniWriteError& e) {
      // Nowhere to keep them: say so rather than name a file that is not there.
      Dialogs().ShowError(QString::fromStdString(e.what()) + "\nThe settings will not be kept after the program ends.");
    }
  } else if (!ReadWholeFile(SettingsPlace.IniPath, kMaxIniBytes)) {
    // A folder, or a file too large to be settings, in the file's place:
    // every setting falls back, and the user is told why.
    Dialogs().ShowWarning("The settings file cannot be read; the program starts with its fallback settings and "
                          "leaves the file as it is.\n" +
                          QString::fromStdString(SettingsPlace.IniPath.string()));
  }
  LoadSettingsFromIni();

  SetComboIndex(ComboBox1, Options.TimeStampMode);
  const int half = Options.TimeStampMode == 3 ? 8 : 2;
  Options.Signal1HalfWidth = half;
  Options.Signal1HalfHeight = half;
  CheckBox7->setChecked(Video.UseDirectShow == 1);
  CheckBox7->setText(Video.UseDirectShow == 1 ? "DShow" : "VFW");
  Options.LimbProfileForRectangle = 0;

  // Catalogue cross-reference.
  ZCtoXZ = LoadZcToXz(std::filesystem::path(ExeFolder()) / "ZC2XZ.txt");
  // The diffraction model's Fresnel tables, before any chart can open.
  MakeFresnelTables();

  setWindowTitle("Tessary");
}

void TPlatform::ResetMarkers() {
  for (auto& block : Frames.FrameDataLines)
    for (auto& o : block.Objects) o.Threshold = 20;
  UpDown7->SetPosition(50);
  Options.PositionSetMode = 0;
  RadioButton10->setChecked(true);
  for (auto& block : Frames.FrameDataLines) {
    for (size_t k = 0; k < 3; ++k) {
      ObjectResult& o = block.Objects[k];
      o.X = o.PrevX = kStartX[k];
      o.Y = o.PrevY = kStartY;
    }
  }
  // Back at their start positions the objects stand on no star, and the
  // preset must not size a tracking radius from the last video's star.
  Stars.ObjectPlaced = {};
  Stars.ObjectFitWidth = {};
  PassedPoints = {};
  LoadKiwiDigitPositions(Stamp.DigitX);
}

void TPlatform::InitialiseFrameBlocks() {
  for (auto& block : Frames.FrameDataLines) {
    block.FrameNumberX10 = 0;
    for (size_t k = 0; k < 3; ++k) {
      ObjectResult& o = block.Objects[k];
      o.ApertureRadius = UpDown1->Position();
      o.BackgroundInner = UpDown2->Position();
      o.BackgroundOuter = UpDown3->Position();
      o.BandWidth = UpDown8->Position();
      o.Gap = UpDown6->Position();
      o.TrackMode = static_cast<uint8_t>(TrackModeKind::Drift);
      o.TrackRadius = UpDown5->Position();
      o.Threshold = UpDown7->Position();
      o.SyncTracking = CheckBox3->isChecked() ? 1 : 0;
      o.EstimatedTrack = 0;
      o.X = o.PrevX = kStartX[k];
      o.Y = o.PrevY = kStartY;
      o.DirectionX = 0;
      o.DirectionY = -100;
    }
  }
  Frames.InitialDataLines = Frames.FrameDataLines;
}

void TPlatform::ShowWidthLabels() {
  const bool psf = CheckBox14->isChecked();
  GroupBox3->setTitle(psf ? "FWHM" : "Half Flux");
  Label11->setText(psf ? " " : "Diameter");
}

void TPlatform::ResetTimeEdits() {
  Edit24->setText("h");
  Edit25->setText("m");
  Edit26->setText("s(Field1)");
  Edit27->setText("s(Field2)");
}

// The time-stamp and mode switches are in TPlatformModes.cpp.

// The stamp reader keeps the field order too: a stamp that does not say
// which field comes first leaves the one chosen here.
void TPlatform::RadioGroup2Click() {
  Options.StampFieldOrder = RadioGroup2->ItemIndex() == 0 ? 1 : 0;
  Stamp.StampFieldOrder = Options.StampFieldOrder;
}

void TPlatform::RadioButtonFormClick() {
  if (Run.DirectionSettingMode || CheckBox1->isChecked()) return;
  const int form = RadioButton1->isChecked() ? 0 : RadioButton2->isChecked() ? 1 : 2;
  // All three blocks: field rows take the object cells from blocks 1 and 2,
  // and a form kept in block 0 only would be lost from them.
  SetObjectSetting(Frames.FrameDataLines, Run.SelectedObject - 1, &ObjectResult::BackgroundForm, form);
  UpDown6->setEnabled(form != 0);
  UpDown8->setEnabled(form != 0);
  LimitApertureRadii();
  RefreshObjectMasks(DriverSettings(), true);
  if (Run.VideoLoaded && !Run.MeasuringRun && !Run.Playing) ShowNeighbor();
  ShowApertureValues();
}

// A step changed while playing backwards keeps the direction.
void TPlatform::UpDown9Click() { Run.FrameStep = Run.PlayBackward ? -UpDown9->Position() : UpDown9->Position(); }

void TPlatform::Button2Click() {
  if (Run.MeasuringRun || Run.FrameSourceBusy) return;
  if (!ResultsMayBeDropped()) return;
  closing_allowed_ = true;  // asked already: closeEvent does not ask again
  if (Run.VideoLoaded) CloseVideo(Video, Sources);
  Run.VideoLoaded = false;
  close();
}

void TPlatform::Exit1Click() { Button2Click(); }

void TPlatform::closeEvent(QCloseEvent* event) {
  const bool ticking = Timer1->isActive();
  Timer1->stop();
  if (!closing_allowed_ && !ResultsMayBeDropped()) {
    // The window stays, and a run or playback goes on.
    if (ticking && (Run.MeasuringRun || Run.Playing)) StartTimer1();
    event->ignore();
    return;
  }
  event->accept();
  QApplication::quit();
}
