// Main window: saving the results table as a result CSV file and loading one
// back, with every object's settings and the video reopened.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <filesystem>

#include "base/ResultCsvLoad.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "app/ui/TPlatform.h"
#include "measure/StarTracking.h"

namespace {

std::string FolderPart(const std::string& path) { return StoredPathFolder(path); }

}  // namespace

void TPlatform::Button6Click() {
  if (Run.Playing) return;
  SaveResultCsv();
}

void TPlatform::SavetoCSVFile1Click() { SaveResultCsv(); }

bool TPlatform::SaveResultCsv() {
  if (Run.MeasuringRun || Run.DirectionSettingMode || CheckBox1->isChecked()) return false;
  std::string folder = Settings.CsvDirectory;
  if (folder.empty() && Settings.CsvPathSameAsVideo) folder = FolderPart(open_dialog_file_name_.toStdString());
  const QString name = Dialogs().GetSaveFileName("Save", QString::fromStdString(ProposedCsvName(folder)), "CSV File (*.csv)");
  if (name.isEmpty()) return false;
  const std::string path = name.toStdString();
  const CsvSaveResult saved = ::SaveResultCsv(path, Results.Lines());
  if (!saved.Ok) {
    Dialogs().ShowError(QString::fromStdString(saved.Message));
    return false;
  }
  Results.MarkSaved();
  Run.CsvFileName = path;
  Settings.CsvDirectory = FolderPart(path);
  Led.LedDataLineCount = 0;  // the LED window counts the rows afresh
  try {
    SaveLatestAccessPaths();
  } catch (const IniWriteError& e) {
    Dialogs().ShowError(QString::fromStdString(e.what()));
  }
  return true;
}

void TPlatform::Button20Click() {
  if (Run.Playing) return;
  // A cancelled dialog or a file that is no table changes nothing, so the
  // controls are prepared only once the file has been read.
  const QString name = AskResultCsvName();
  if (name.isEmpty()) return;
  // PSF photometry is off while loading and comes back afterwards.
  const bool psf = CheckBox14->isChecked();
  LoadResultCsvFrom(name, [&] {
    ResetRectangleAndObjectState();
    if (Options.TimeStampMode == 0 || Options.TimeStampMode == 2) UpDown4->SetPosition(100);
    if (psf) {
      QSignalBlocker block(CheckBox14);
      CheckBox14->setChecked(false);
    }
    Run.KeepObjectCount = true;
    Run.StartFrame = -1;
  });
  Run.KeepObjectCount = false;
  if (psf && !CheckBox2->isChecked()) {
    QSignalBlocker block(CheckBox14);
    CheckBox14->setChecked(true);
  } else if (psf) {
    // Loaded field rows are aperture rows, and field rows are never measured
    // with PSF: the rows to come are measured as they were.
    CheckBox14Click();
  }
  RadioButton8->setEnabled(Run.ObjectCount >= 2);
  RadioButton9->setEnabled(Run.ObjectCount >= 3);
}

void TPlatform::LoadCSVFile1Click() { LoadResultCsv(); }

// The loaded settings go into the blocks, the geometry, the profile models and
// the controls of the selected object.
void TPlatform::ApplyLoadedObjects(const ResultCsvLoadResult& r) {
  Run.ObjectCount = std::clamp(r.ObjectCount, 1, 3);
  Run.SelectedObject = std::min(std::max(Run.SelectedObject, 1), Run.ObjectCount);
  Frames.FrameDataLines = r.ObjectBlocks;
  const bool aspect = VideoNeedsPixelAspectCorrection();
  for (size_t i = 0; i < 3; ++i) {
    const LoadedObjectSettings& o = r.Objects[i];
    if (!o.Read) continue;
    if (o.DirectionX) Driver.Geometry[i].DirectionX = *o.DirectionX;
    if (o.DirectionY) Driver.Geometry[i].DirectionY = *o.DirectionY;
    if (o.ProfileWidth) {
      Tracking.Profiles[i].PsfWidth = *o.ProfileWidth;
      BuildProfileModel(Tracking.Profiles[i].Model, *o.ProfileWidth, 200, aspect);
    }
    // The star of an earlier table or video is no reference for this one: the
    // profile tracking fits the loaded star before it judges a match.
    Tracking.Profiles[i].ReferenceValue = 0;
    Stars.ObjectPlaced[i] = true;
  }
  ShowSelectedObject();
  RadioButton8->setEnabled(Run.ObjectCount >= 2);
  RadioButton9->setEnabled(Run.ObjectCount >= 3);
  UpdateObjectMenuItems();
  ApplyObjectSettings(Run.SelectedObject);
  EnableLinkedTracking();
}

void TPlatform::LoadResultCsv() {
  const QString name = AskResultCsvName();
  if (!name.isEmpty()) LoadResultCsvFrom(name);
}

QString TPlatform::AskResultCsvName() {
  if (Run.MeasuringRun || Run.DirectionSettingMode || CheckBox1->isChecked()) return {};
  if (!ResultsMayBeDropped()) return {};
  if (Settings.CsvPathSameAsVideo) Settings.CsvInputDirectory = Settings.LastVideoDirectory;
  return Dialogs().GetOpenFileName("Open", QString::fromStdString(Settings.CsvInputDirectory), "CSV File (*.csv)");
}

void TPlatform::LoadResultCsvFrom(const QString& name, const std::function<void()>& prepare) {
  const std::string path = name.toStdString();
  ResultCsvLoadParams params;
  params.CurrentObjects = Frames.FrameDataLines;
  const ResultCsvLoadResult r = ::LoadResultCsv(path, params);
  if (!r.Ok) {
    // Nothing of the file is taken: the table stays as it was.
    Dialogs().ShowError(QString::fromStdString(r.Error));
    return;
  }
  if (prepare) prepare();
  // An open chart and the windows it opened read the table: they start again
  // from the loaded one instead of showing and selecting rows that are gone.
  struct ChartReopen {
    TPlatform& w;
    bool open;
    ~ChartReopen() {
      if (open) w.ShowLightCurveGraph();
    }
  } chart_reopen{*this, CloseChartWindows()};
  // The guide's starting point holds the objects before the table's.
  CloseOperationGuide();
  Run.CsvFileName = path;
  Settings.CsvInputDirectory = FolderPart(path);
  try {
    SaveLatestAccessPaths();
  } catch (const IniWriteError& e) {
    Dialogs().ShowError(QString::fromStdString(e.what()));
  }
  Run.CsvLoaded = true;
  ResetChartState();  // ---- chart ----: a loaded table starts the chart afresh
  for (auto* u : {UpDown1, UpDown2, UpDown3, UpDown6}) u->setEnabled(true);
  GroupBox8->setEnabled(true);
  Results.Assign(r.Lines);
  Results.MarkSaved();
  DetectCsvVersion();
  // 'Field Measure' tells the rows' layout to the rows still to come and to
  // the analysis windows; while rows stand, its click would rewrite the
  // header and drop them. A table without rows has its layout in its header.
  const bool rows = Results.Count() > TableHeaderLines();
  const bool field_rows = rows ? TableHasFieldRows(Results.Lines(), TableHeaderLines())
                               : HeaderNamesFieldRows(Results.Lines(), TableHeaderLines()).value_or(false);
  auto follow_row_layout = [&] {
    {
      QSignalBlocker block(CheckBox2);
      CheckBox2->setChecked(field_rows);
    }
    CheckBox2->setEnabled(!rows);
    // Field rows are never measured with PSF photometry.
    if (field_rows && CheckBox14->isChecked()) CheckBox14->setChecked(false);
  };
  follow_row_layout();
  // START, '1Frame' and 'DEL' go on from the loaded rows, never over them.
  Run.LastMeasuredFrame = LastMeasuredFrameFromTable(Results.Lines(), TableHeaderLines());
  Run.FrameStep = r.FrameStep;
  UpDown9->SetPosition(r.FrameStep);
  Run.StartFrame = r.StartFrame;
  Edit53->setText(QString::number(Run.StartFrame));
  Video.TimingFrameRate = r.TimingFrameRate;
  // ---- LED time correction ----: the last calibration is not the loaded
  // rows'; an open LED window starts again at the loaded rows' rate.
  LedVideoOpened();
  Run.CsvCmosTime = r.CsvCmosTime;
  ApplyLoadedObjects(r);
  // Cells read as 0 are told once, together; the missing video has its own box.
  QStringList unread;
  for (const std::string& w : r.Warnings)
    if (w != kVideoNotFoundMessage) unread << QString::fromStdString(w);
  if (!unread.isEmpty()) Dialogs().ShowWarning(unread.join("\r\n"));

  // The video: a missing one leaves the loaded table and settings. A video
  // still open from before is not the table's: its frames must not be
  // measured into it.
  if (r.VideoPath.empty()) {
    if (Run.VideoLoaded) {
      CloseVideo(Video, Sources);
      ClearClosedVideo();
    }
    Dialogs().ShowWarning(QString::fromUtf8(kVideoNotFoundMessage.data(), static_cast<int>(kVideoNotFoundMessage.size())));
    return;
  }
  const bool keep = Run.KeepObjectCount;
  Run.KeepObjectCount = true;
  open_dialog_file_name_ = QString::fromStdString(r.VideoPath);
  OpenVideoFile(r.VideoPath, 1);
  Run.KeepObjectCount = keep;
  Edit5->setText(QString::fromStdString(r.VideoPath));
  // Reopening reloads the settings file, which may rewrite the header or the
  // object settings: the loaded table and objects stand.
  if (Results.Lines() != r.Lines) {
    Results.Assign(r.Lines);
    DetectCsvVersion();
  }
  follow_row_layout();
  // Opening the video started it afresh.
  Run.LastMeasuredFrame = LastMeasuredFrameFromTable(Results.Lines(), TableHeaderLines());
  Run.FrameStep = r.FrameStep;
  UpDown9->SetPosition(r.FrameStep);
  // The reopened video's own rate, as Edit30 shows it, is the one to time by;
  // the table's video-system line knows only NTSC and PAL.
  if (!Run.VideoLoaded) Video.TimingFrameRate = r.TimingFrameRate;
  Run.SelectedObject = 1;
  ApplyLoadedObjects(r);
  if (!Run.VideoLoaded) return;
  Options.SharpCapTimeAvailable = false;
  Driver.PsfRefitPending = true;
  // The refit renews the profile; the radii are the table's.
  Driver.PsfRefitKeepsRadii = true;
  if (CheckBox22->isChecked()) {
    Marks.Signal1X = Video.FrameWidth - 20;
    Marks.Signal1Y = r.AutoLedSignal1Y;
  }
  const int32_t auto_direction = Options.AutoRectangleDirection;
  Options.AutoRectangleDirection = 0;
  RefreshObjectMasks(DriverSettings(), true);
  ShowNeighbor();
  Options.AutoRectangleDirection = auto_direction;
}
