// Main window: the results table and its memo.
#include <QCheckBox>
#include <QLineEdit>

#include "app/ui/ControlEvents.h"
#include "app/ui/ResultMemoView.h"
#include "app/ui/TPlatform.h"

CsvFormatParams TPlatform::CsvParams() const {
  CsvFormatParams p;
  p.FieldMode = CheckBox2->isChecked();
  p.Kiwi = CheckBox5->isChecked();
  p.TimeStampMode = Measure.TimeStampMode;
  p.FieldOrderIndex = RadioGroup2->ItemIndex();
  p.VideoFileName = Video.VideoFileName;
  p.TimingFrameRate = Video.TimingFrameRate;
  p.FrameRateRounded = Video.FrameRateRounded;
  p.ObjectCount = Run.ObjectCount;
  p.MeasurePixelPeak = Measure.MeasurePixelPeak != 0;
  p.PsfPhotometry = CheckBox14->isChecked();
  p.LimbProfileForRectangle = Measure.LimbProfileForRectangle != 0;
  p.LimbProfile = LimbProfile;
  p.SharpTimeCorrection = Measure.SharpTimeCorrection;
  p.SharpCapTimeAvailable = Measure.SharpCapTimeAvailable;
  p.TiviDigitsValid = Measure.TiviDigitsValid != 0;
  p.TiviSecondsText = Edit26->text().toStdString();
  for (int k = 0; k < 3; ++k) p.LinearTrackReady[static_cast<size_t>(k)] = Tracks.LinearReady(k);
  return p;
}

void TPlatform::WriteInitialCsvHeader() { ::WriteInitialCsvHeader(Results, CsvParams()); }

void TPlatform::WriteCsvHeader() { ::WriteCsvHeader(Results, CsvParams()); }

void TPlatform::AppendResultRows() { ::AppendResultRows(Results, Frames.FrameDataLines, CsvParams(), Times); }

void TPlatform::DetectCsvVersion() {
  CsvLayoutInfo info = ::DetectCsvVersion(Results);
  Measure.CsvVersion = static_cast<uint8_t>(info.CsvVersion);
  Measure.CsvHeaderLines = info.CsvHeaderLines;
}

void TPlatform::SyncMemo1() {
  if (memo_view_) memo_view_->SyncNow();
}
