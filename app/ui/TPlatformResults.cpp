// Main window: the results table and its memo.
#include <QCheckBox>
#include <QLineEdit>

#include "base/ui/ControlEvents.h"
#include "app/ui/ResultMemoView.h"
#include "app/ui/TPlatform.h"

CsvFormatParams TPlatform::CsvParams() const {
  CsvFormatParams p;
  p.FieldMode = CheckBox2->isChecked();
  p.Kiwi = CheckBox5->isChecked();
  p.TimeStampMode = Options.TimeStampMode;
  p.FieldOrderIndex = RadioGroup2->ItemIndex();
  p.VideoFileName = Video.VideoFileName;
  p.TimingFrameRate = Video.TimingFrameRate;
  p.FrameRateRounded = Video.FrameRateRounded;
  p.ObjectCount = Run.ObjectCount;
  p.MeasurePixelPeak = Options.MeasurePixelPeak != 0;
  p.PsfPhotometry = CheckBox14->isChecked();
  p.LimbProfileForRectangle = Options.LimbProfileForRectangle != 0;
  p.LimbProfile = Driver.Limb;
  p.SharpTimeCorrection = Options.SharpTimeCorrection;
  p.SharpCapTimeAvailable = Options.SharpCapTimeAvailable;
  p.TiviDigitsValid = Options.TiviDigitsValid != 0;
  p.TiviSecondsText = Edit26->text().toStdString();
  for (size_t k = 0; k < 3; ++k)
    p.LinearTrackReady[k] = PassedPoints[k].Frame1.HasFrame() && PassedPoints[k].Frame2.HasFrame();
  return p;
}

void TPlatform::WriteInitialCsvHeader() { ::WriteInitialCsvHeader(Results, CsvParams()); }

void TPlatform::WriteCsvHeader() {
  ::WriteCsvHeader(Results, CsvParams());
  // The new table is of the current version, whatever file was loaded before.
  DetectCsvVersion();
}

void TPlatform::AppendResultRows() { ::AppendResultRows(Results, Frames.FrameDataLines, CsvParams(), Times); }

void TPlatform::DetectCsvVersion() {
  CsvLayoutInfo info = ::DetectCsvVersion(Results);
  Options.CsvVersion = static_cast<uint8_t>(info.CsvVersion);
  Options.CsvHeaderLines = info.CsvHeaderLines;
}

void TPlatform::SyncMemo1() {
  if (memo_view_) memo_view_->SyncNow();
}
