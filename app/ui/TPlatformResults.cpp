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

// The header names the rate the rows are timed by; choosing 'Sharp' after the
// video opened changes that rate.
void TPlatform::RefreshVideoSystemLine() {
  const std::vector<std::string>& lines = Results.Lines();
  if (lines.size() > 2 && lines[2].rfind("\"Video System : ", 0) == 0) {
    std::string line = BuildVideoSystemLine(CsvParams());
    if (line != lines[2]) Results.SetLine(2, std::move(line));
  }
}

// The last header line names the time columns after the inserter type and
// 'KIWI'. Switched before the first row, the names follow the rows to come;
// rows already measured keep the names they were written under.
void TPlatform::RefreshTimeColumnNames() {
  const CsvLayoutInfo info = ::DetectCsvVersion(Results);
  const int last = info.CsvHeaderLines - 1;
  if (info.CsvVersion != 3 || Results.Count() != info.CsvHeaderLines || !Results.Line(last).starts_with("\"No.\""))
    return;
  std::string line = BuildCsvHeader3(CsvParams());
  if (line != Results.Line(last)) Results.SetLine(last, std::move(line));
  RefreshVideoSystemLine();
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
