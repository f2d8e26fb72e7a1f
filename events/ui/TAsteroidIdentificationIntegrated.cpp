// The event identification window: processing of a frame-integrated
// analogue video (block phase, measurement step, one averaged record per
// block, the event's drop selected on the chart).
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "base/ResultCsvFormat.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "base/ui/StdText.h"
#include "chart/ChartTable.h"
#include "chart/ui/Tchart1.h"
#include "events/ui/TAsteroidIdentification.h"

void TAsteroidIdentification::Button7Click() {
  // Starting again starts from the frame-by-frame measurement.
  if (TableStillAveraged()) PutFrameTableBack();
  Memo4->clear();
  const int header = host_.DetectCsvHeaderLines();
  const int n = static_cast<int>(host_.Table().Lines().size()) - header - 1;
  if (n < 64)
    Dialogs().ShowInformation("Please try again after the measurement with the duration of 2 seconds or more.",
                              "This function requires the measurement with no-integration.");
  host_.Events().Flags.IntegrationCount = 1;
  GroupBox9->setEnabled(true);
  ComboBox3->setEnabled(true);
  // The list and the buttons show the single frames now set: averaging stays
  // off until a block length is chosen again, or the frames would be averaged
  // one by one and fitted as records a whole block apart.
  SetComboIndex(ComboBox3, 1);
  Button8->setEnabled(false);
  Button9->setEnabled(false);
  Button10->setEnabled(true);
}

void TAsteroidIdentification::ComboBox3Change() {
  const int index = ComboBox3->currentIndex();
  Button8->setEnabled(index > 1);
  Button10->setEnabled(index == 1);
  host_.Events().Flags.IntegrationCount = IntegrationCountForIndex(index);
  // The averaged table and its analysis belong to their block length:
  // another length starts again from the frame-by-frame measurement.
  if (IntegrationCountForIndex(index) != averaged_count_ && TableStillAveraged()) PutFrameTableBack();
  EnableIntegratedMeasurement();
}

// The first frame found belongs to its block length: another length needs
// its own search before the blocks can be averaged. The averaged blocks are
// reported as the clicked event.
void TAsteroidIdentification::EnableIntegratedMeasurement() {
  Button9->setEnabled(event_clicked_ && phase_count_ > 1 &&
                      IntegrationCountForIndex(ComboBox3->currentIndex()) == phase_count_);
}

void TAsteroidIdentification::Button8Click() {
  EventFlags& f = host_.Events().Flags;
  const int count = f.IntegrationCount;
  const int header = host_.DetectCsvHeaderLines();
  // A table with a known banner, with or without its video-system line.
  if (count <= 1 || DetectCsvVersion(host_.Table().Lines()).CsvVersion == 0) return;
  // After the blocks were averaged the phase is searched again in the
  // frame-by-frame measurement, which then comes back into the table.
  const bool rewritten = TableStillAveraged();
  const std::vector<std::string>& lines = rewritten ? frame_table_ : host_.Table().Lines();
  if (RefusedFieldRecords(lines, header) || RefusedSteppedRecords(lines, header)) return;
  const int n = static_cast<int>(lines.size()) - header - 1;
  boundaries_ = FindIntegrationBoundaries(lines, header, n);
  const auto phase = FindIntegrationPhase(boundaries_, count);
  if (!phase) return;
  if (rewritten) PutFrameTableBack();
  IdentificationState& id = host_.Events().Identification;
  id.IntegrationSampleOffset = phase->SampleOffset;
  f.IntegrationPhase = phase->Phase;
  host_.Chart().ChartState.SelectedFrame = phase->SampleOffset;
  f.PresetSelectedFrame = phase->SampleOffset;
  host_.SetFrameStep(count);
  Memo4->appendPlainText(QString("Interval has been set to %1").arg(count));
  // The run need not have started at frame 0.
  host_.ShowFrame(FrameOfRecord(host_.Table().Lines(), header, phase->SampleOffset, phase->SampleOffset));
  host_.Chart().AsteroidChartMode = 1;
  host_.Chart().ChartState.Reset = 1;
  host_.OpenChart();
  Memo4->appendPlainText("The red dot should be just before the centre of integration time.");
  Memo4->appendPlainText("Check the graph. And close the graph window.");
  phase_count_ = count;
  Button8->setEnabled(false);
  EnableIntegratedMeasurement();
}

void TAsteroidIdentification::Button9Click() {
  const int header = host_.DetectCsvHeaderLines();
  if (!TableStillAveraged() &&
      (RefusedFieldRecords(host_.Table().Lines(), header) || RefusedSteppedRecords(host_.Table().Lines(), header)))
    return;
  ChartEventState& ev = host_.Events();
  IdentificationState& id = ev.Identification;
  ev.ReportLightCurveElement.Kind = ReportKind::Asteroid;
  ev.ReportLightCurveElement.ZcLabel.clear();
  ev.ReportLightCurveElement.ZcNumber.clear();
  HandOnShownEvent();
  // The report of the averaged event takes the checked elements and site, not
  // those of an event applied before or none.
  FillReportRecord();
  const Occelmnt_Format& e = id.OccultationElements;
  ev.Texts.IdentificationTitle = e.ObjectName == "Moon"
                                     ? e.Date + " " + e.Star + " Observed by " + Text(Edit3)
                                     : e.Date + " " + Text(Edit7) + " occults " + e.Star + " Observed by " + Text(Edit3);
  host_.CloseChart();

  const int count = ev.Flags.IntegrationCount;
  if (count < 1) return;
  const bool averaged_before = TableStillAveraged();
  std::vector<std::string> averaged = AverageIntegrationBlocks(averaged_before ? frame_table_ : host_.Table().Lines(),
                                                               header, count, id.IntegrationSampleOffset);
  // A run measured anew since the first frame was found may hold no record
  // where the blocks were found to be: the table is left as it is.
  if (static_cast<int>(averaged.size()) <= header) {
    Dialogs().ShowInformation("The table holds no record at the frames found for the blocks: nothing was averaged.\r\n"
                              "Find the first frame for this table again.",
                              "Integrated video");
    return;
  }
  // The frame-by-frame table is kept so that closing this window restores it.
  if (!averaged_before) frame_table_ = host_.Table().Lines();
  Memo6->clear();
  host_.Table().ReplaceLines(std::move(averaged));
  table_rewritten_ = true;
  averaged_numbers_ = RecordNumbers(host_.Table().Lines());
  averaged_count_ = count;

  TChartState& st = host_.Chart().ChartState;
  const std::vector<std::string>& lines = host_.Table().Lines();
  const int n = static_cast<int>(lines.size()) - header - 1;
  st.TotalFrameCount = n;
  st.DataLineCount = n;
  boundaries_ = FindIntegrationBoundaries(lines, header, n);
  // No drop among the jumps: -1, so the user is asked to click the record.
  st.SelectedFrame = SelectLargestDrop(boundaries_);
  if (st.SelectedFrame >= 0)
    host_.ShowFrame(
        FrameOfRecord(lines, header, st.SelectedFrame, count * st.SelectedFrame + id.IntegrationSampleOffset));
  host_.Chart().SelectedOffsetMin = -st.SelectedFrame;
  host_.Chart().SelectedOffsetMax = st.DataLineCount - st.SelectedFrame;
  st.Reset = 0;
  ev.Flags.IntegratedVideoMeasured = 1;
  host_.OpenChart();
  ev.Diffraction.CustomFitRange = 0;

  if (st.SelectedFrame == -1) {
    Dialogs().ShowInformation("Select target frame by clicking the graph area");
    return;
  }
  if (host_.Chart().DiffractionMode != 0) return;
  Tchart1* chart = host_.ChartWindow();
  if (!chart) return;
  if (!chart->CheckBox4->isChecked() || chart->CheckBox5->isChecked() || chart->CheckBox6->isChecked()) {
    Dialogs().ShowInformation(
        "This function can work when only blue line of target star is displayed.\n\r"
        "Click \"B\" or \"C\" to erase the yellow or magenta line.");
    return;
  }
  // The chart's own 'Diffraction Analysis': diffraction mode, redraw, the parameter panel.
  chart->Button8->setEnabled(true);
  chart->Button8->click();
  ev.Flags.IntegratedVideoMeasured = 1;
  ev.Diffraction.DiffractionFitted = 0;
  id.IntegratedPanelOpened = 1;
  Button2->setEnabled(false);
}

// Putting the frame-by-frame table back closes the chart with its diffraction
// analysis: only when the user agrees; otherwise the averaged table stays.
void TAsteroidIdentification::RestoreFrameTable() {
  if (!TableStillAveraged()) return;
  table_rewritten_ = false;
  if (!Dialogs().AskYesNo("Put the frame-by-frame table back?\r\nThe averaged table, the graph and its "
                          "diffraction analysis will be closed.",
                          "Confirmation")) {
    frame_table_.clear();
    return;
  }
  PutFrameTableBack();
  // The frame-by-frame records are single frames again for fits and event times.
  host_.Events().Flags.IntegrationCount = 0;
}

// The frame-by-frame measurement back in the table; the chart and the
// diffraction analysis of the averaged one are closed.
void TAsteroidIdentification::PutFrameTableBack() {
  host_.CloseChart();
  host_.Table().ReplaceLines(std::move(frame_table_));
  frame_table_.clear();
  // Only a table of every frame is averaged: its records are one frame apart
  // again for the diffraction model and the timing error, not a block.
  host_.SetFrameStep(1);
  table_rewritten_ = false;
  host_.Events().Flags.IntegratedVideoMeasured = 0;
  host_.Events().Identification.IntegratedPanelOpened = 0;
}

bool TAsteroidIdentification::TableStillAveraged() {
  if (table_rewritten_ && RecordNumbers(host_.Table().Lines()) != averaged_numbers_) {
    table_rewritten_ = false;
    frame_table_.clear();
    averaged_numbers_.clear();
  }
  return table_rewritten_;
}

// Both fields of an integrated frame show one exposure: a table of fields
// would split each block in two and shift the event time.
bool TAsteroidIdentification::RefusedFieldRecords(const std::vector<std::string>& lines, int header) {
  if (!DetectFieldMode(lines, header + 1)) return false;
  Dialogs().ShowInformation(
      "Integrated video is processed from a measurement of whole frames.\r\nMeasure again without \"Field Measure\".",
      "This function requires the measurement with no-integration.");
  return true;
}

// Blocks are found and averaged in records: a measurement of every n-th frame
// would put n frames into each record and mix neighbouring blocks.
bool TAsteroidIdentification::RefusedSteppedRecords(const std::vector<std::string>& lines, int header) {
  if (MeasuredEveryFrame(lines, header)) return false;
  Dialogs().ShowInformation(
      "Integrated video is processed from a measurement of every frame.\r\nMeasure again with the interval set to 1.",
      "This function requires the measurement with no-integration.");
  return true;
}
