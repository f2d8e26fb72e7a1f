// Tchart1: navigation, selection and the command buttons.
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QSignalBlocker>

#include "base/CsvFields.h"
#include "base/AtomicFile.h"
#include "base/NumberText.h"
#include "base/ui/DialogService.h"
#include "chart/ChartScale.h"
#include "chart/ChartSelection.h"
#include "chart/ui/SaveChartPicture.h"
#include "chart/ui/TAvgBkg.h"
#include "chart/ui/TCorrection.h"
#include "chart/ui/TFFT1.h"
#include "chart/ui/Tchart1.h"

void Tchart1::AfterHandler() {
  if (in_layout_) return;
  GraphShow3();
  events_.Diffraction.DiffractionFitted = 0;
}

void Tchart1::ScrollBar1Scroll(int position) {
  session_.ChartState.FirstShownFrame = position;
  AfterHandler();
}

namespace {
// A second of video, also when only every n-th frame was measured.
int StepOf(ChartHost& host) { return TimeStep(RecordsPerSecond(host.Table().Lines(), host.FrameRateRounded())); }
}  // namespace

void Tchart1::Button3Click() {
  TChartState& st = session_.ChartState;
  st.FirstShownFrame = std::max(0, st.FirstShownFrame - StepOf(host_));
  AfterHandler();
}

void Tchart1::Button5Click() {
  TChartState& st = session_.ChartState;
  st.FirstShownFrame = StepBackward(st.FirstShownFrame, 10 * StepOf(host_));
  AfterHandler();
}

void Tchart1::Button4Click() {
  HRatioCalc();
  TChartState& st = session_.ChartState;
  st.FirstShownFrame = StepForward(st.FirstShownFrame, StepOf(host_), st.TotalFrameCount, st.VisibleFrameCount);
  AfterHandler();
}

void Tchart1::Button6Click() {
  TChartState& st = session_.ChartState;
  st.FirstShownFrame =
      StepForward(st.FirstShownFrame, 10 * StepOf(host_), st.TotalFrameCount, st.VisibleFrameCount);
  AfterHandler();
}

void Tchart1::RadioGroup1Click(int index) {
  TChartState& st = session_.ChartState;
  if (index == st.EntireWidth) return;
  if (index == 1) {
    {
      const QSignalBlocker b(ScrollBar1);
      ScrollBar1->setValue(0);
    }
    st.EntireWidth = 1;
    UpDown2->setEnabled(false);
    for (QPushButton* b : {Button3, Button4, Button5, Button6}) b->setEnabled(false);
    ScrollBar1->setEnabled(true);
  } else {
    st.EntireWidth = 0;
    UpDown2->setEnabled(true);
    const bool more = st.VisibleFrameCount < st.TotalFrameCount;
    for (QPushButton* b : {Button3, Button4, Button5, Button6}) b->setEnabled(more);
    ScrollBar1->setEnabled(more);
  }
  view_.RecentreRequest[RecentreWidth] = 1;
  AfterHandler();
}

void Tchart1::CheckBox1Click(bool checked) {
  TChartState& st = session_.ChartState;
  const bool was_layout = in_layout_;
  in_layout_ = true;
  if (checked) {
    CheckBox1->setText("Narrow");
    Button5->setEnabled(true);
    Button6->setEnabled(true);
    if (st.NarrowLayout == 1) view_.RecentreRequest[RecentreLayout] = 1;
    WideSetting();
    st.NarrowLayout = 0;
  } else {
    CheckBox1->setText("Wide");
    Button5->setEnabled(false);
    Button6->setEnabled(false);
    NarrowSetting();
    {
      const QSignalBlocker b(RadioGroup1);
      RadioGroup1->SetItemIndex(0);
    }
    if (st.EntireWidth) view_.RecentreRequest[RecentreWidth] = 1;
    st.EntireWidth = 0;
    if (st.NarrowLayout == 0) view_.RecentreRequest[RecentreLayout] = 1;
    st.NarrowLayout = 1;
  }
  move(x(), host_.MainWindowGeometry().top());
  in_layout_ = was_layout;
  AfterHandler();
}

void Tchart1::UpDown2Click(int position) {
  TChartState& st = session_.ChartState;
  if (st.EntireWidth && view_.WidthEnabled) {
    const QSignalBlocker b(UpDown2);
    UpDown2->setValue(st.ScalePosition);
    return;
  }
  const double ratio = ScaleRatioFor(position);
  if (ratio != view_.ScaleRatio) view_.RecentreRequest[RecentreScale] = 1;
  view_.ScaleRatio = ratio;
  Edit5->setText(QString::fromStdString(ScaleRatioText(ratio)));
  st.ScalePosition = position;
  AfterHandler();
}

void Tchart1::UpDown1Click(int position) {
  Edit2->setText(QString::number(position));
  session_.ChartState.Radius = position;
  AfterHandler();
}

void Tchart1::ObjectBoxClick() {
  TChartState& st = session_.ChartState;
  QCheckBox* boxes[3] = {CheckBox4, CheckBox5, CheckBox6};
  const int objects = host_.ObjectCount();
  if (objects <= 1) {
    // The boxes do nothing: put the click back.
    ApplyBoxesToControls();
    return;
  }
  if (objects == 2) {
    CheckBox4->setEnabled(CheckBox5->isChecked());
    CheckBox5->setEnabled(CheckBox4->isChecked());
  } else {
    int ticked = 0;
    for (QCheckBox* b : boxes) ticked += b->isChecked();
    for (QCheckBox* b : boxes) b->setEnabled(!(ticked == 1 && b->isChecked()));
  }
  for (int i = 0; i < 3; ++i) {
    st.BoxChecked[static_cast<size_t>(i)] = boxes[i]->isChecked();
    st.BoxEnabled[static_cast<size_t>(i)] = boxes[i]->isEnabled();
  }
  AfterHandler();
}

void Tchart1::ChartImg1MouseUp(int x, int y) {
  if (events_.Flags.IdentificationOpen) return;
  TChartState& st = session_.ChartState;
  RefreshData();
  st.DataLineCount = data_.DataLineCount();
  if (!InsidePlot(view_, x, y)) return;
  const int previous = st.SelectedFrame;
  // Rows measured or deleted since the drawing: the click aims at the points
  // the picture shows, placed as they were drawn, and the scale follows the
  // table only afterwards.
  const bool table_changed = data_revision_ != drawn_revision_;
  if (!table_changed) HRatioCalc();
  const ChartData& aimed = table_changed && drawn_data_ ? *drawn_data_ : data_;
  const int index = NearestVisibleIndex(aimed, st, view_, x, y, CheckBox14->isChecked());
  const int record = st.FirstShownFrame + index;
  if (table_changed) HRatioCalc();
  // That record is gone, or the table has none: the chart shows the table as
  // it is, and no record is chosen.
  if (record >= static_cast<int>(data_.Records.size())) {
    if (table_changed) AfterHandler();
    return;
  }
  if (session_.DiffractionMode && index <= 0) return;
  st.SelectedFrame = record;
  session_.LedGraphCurrentLine = st.SelectedFrame;
  if (st.SelectedFrame == previous) st.SelectedFrame = -1;
  ShowSelectionCount();
  if (session_.DiffractionMode) ClampDiffractionWindows();

  const std::vector<std::string>& lines = host_.Table().Lines();
  int frame_no = 0;
  // An empty record has no frame to show: its read-outs are cleared rather
  // than left at the previous record's, and the main window stays put.
  bool has_record = false;
  if (st.SelectedFrame >= 0) {
    const std::string_view line = RecordLine(lines, data_.HeaderLineCount, st.SelectedFrame);
    has_record = !line.empty();
    if (!has_record) {
      Edit4->clear();
      Edit6->clear();
    } else {
      ShowSelectionReadouts(line);
      std::string f1 = GetCsvCell(line, 1);
      if (f1.empty()) f1 = "0";
      const long double v = ParseLongDouble(f1).value_or(0);
      frame_no = std::fabs(v) < 2e9L ? static_cast<int>(TruncateToInt(v)) : 0;
      st.SelectedFrameNo = frame_no;
      if (CheckBox3->isChecked()) RestoreAperturePositions(st.SelectedFrame);
    }
  } else {
    Edit4->clear();
    Edit6->clear();
  }
  if (CheckBox2->isChecked() && has_record) host_.ShowFrame(frame_no);
  GraphShow3();
  AfterChartSelection();
  events_.Diffraction.DiffractionFitted = 0;
  RefreshMagnitudeCalculator();
}

void Tchart1::ShowSelectionCount() {
  const TChartState& st = session_.ChartState;
  host_.SetEdit54("TotalFrame : " + FormatInt(st.DataLineCount) + "SelectDataNum : " + FormatInt(st.SelectedFrame));
  session_.SelectedOffsetMin = -st.SelectedFrame;
  session_.SelectedOffsetMax = st.DataLineCount - st.SelectedFrame;
}

void Tchart1::RestoreAperturePositions(int record) {
  const std::string_view line = RecordLine(host_.Table().Lines(), data_.HeaderLineCount, record);
  const auto pos = AperturePositionsOf(line, host_.CsvVersion());
  for (int k = 0; k < 3; ++k) {
    const auto& p = pos[static_cast<size_t>(k)];
    if (p) host_.SetAperturePosition(k + 1, p->X, p->Y);
  }
  if (!pos[0] || !pos[1] || !pos[2])
    Dialogs().ShowError("The aperture position of this record is not a whole number; it was not restored.");
}

void Tchart1::Button1Click() {
  host_.SetFixRangeItem(false, false);
  session_.DiffractionMode = 0;
  close();
}

void Tchart1::Button7Click() {
  RedrawChangedTable();
  if (picture_.isNull()) return;
  QGuiApplication::clipboard()->setImage(picture_.convertToFormat(QImage::Format_RGB888));
}

void Tchart1::Button2Click() { host_.OpenTool(ChartTool::StarImage3D, this); }

void Tchart1::Button8Click() {
  RedrawChangedTable();
  if (events_.Flags.IdentificationOpen || !host_.Analysis()) return;
  if (session_.ChartState.SelectedFrame < 0) {
    Dialogs().ShowInformation("Select target frame by clicking the graph area");
    return;
  }
  if (session_.DiffractionMode || !CheckBox4->isChecked()) return;
  if (CheckBox5->isChecked() || CheckBox6->isChecked()) {
    Dialogs().ShowInformation(
        "This function can work when only blue line of target star is displayed.\n\r"
        "Click \"B\" or \"C\" to erase the yellow or magenta line.");
    return;
  }
  session_.DiffractionMode = 1;
  GraphShow3();
  OpenFresnelCtrl();
  events_.Diffraction.DiffractionFitted = 0;
  // The taller window of diffraction mode.
  in_layout_ = true;
  if (CheckBox1->isChecked())
    WideSetting();
  else
    NarrowSetting();
  in_layout_ = false;
}

void Tchart1::Button12Click() {
  RedrawChangedTable();
  if (picture_.isNull() || !host_.ImageSaveAvailable()) return;
  SaveChartPicture(host_, picture_, events_.Texts.IdentificationCode);
}

void Tchart1::Button14Click() {
  if (host_.TimeReadout()[2].empty() || events_.Flags.IdentificationOpen) return;
  events_.Flags.IdentificationChartParam = y();
  events_.Flags.IdentificationChartLeft = x();
  events_.Flags.IdentificationFromChart = 1;
  host_.OpenTool(ChartTool::LunarIdentification, this);
}

void Tchart1::Button15Click() {
  if (session_.LEDGraphOpen) return;
  host_.OpenTool(ChartTool::LedGraph, this);
}

void Tchart1::SaveToFile1Click() {
  RedrawChangedTable();
  if (picture_.isNull()) return;
  const QString chosen = Dialogs().GetSaveFileName("Save to File", {}, "Bitmap (*.bmp)");
  if (chosen.isEmpty()) return;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  std::string error = "Cannot write the file " + chosen.toStdString();
  if (picture_.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP") &&
      WriteFileAtomic(chosen.toStdString(), std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                      &error))
    return;
  Dialogs().ShowError(QString::fromStdString(error));
}

void Tchart1::Button9Click() {
  TChartState& st = session_.ChartState;
  st.Reset = 1;
  const int objects = host_.ObjectCount();
  st.ResetObjectBoxes(objects);
  ApplyBoxesToControls();
  ResetLevelWindows(events_.Diffraction);
  st.FirstShownFrame = 0;
  {
    const QSignalBlocker b(ScrollBar1), b1(UpDown1), b2(UpDown2);
    ScrollBar1->setValue(0);
    UpDown1->setValue(3);
    UpDown2->setValue(5);
  }
  st.Radius = 3;
  Edit2->setText("3");
  st.ScalePosition = 5;
  view_.ScaleRatio = 1;
  Edit5->setText("1");
  HRatioCalc();
  GraphShow3();
  events_.Diffraction.DiffractionFitted = 0;
}

void Tchart1::Button10Click() {
  auto* w = new TFFT1(host_, session_, this);
  w->show();
}

void Tchart1::Button11Click() {
  RedrawChangedTable();
  const TChartState& st = session_.ChartState;
  if (st.SelectedFrame < 0) {
    Dialogs().ShowInformation("Select target frame by clicking the graph area");
    return;
  }
  if (host_.ObjectCount() < 2) {
    Dialogs().ShowInformation("This function is available when two or more stars are already measured.");
    return;
  }
  const int v = host_.CsvVersion();
  const auto& lines = host_.Table().Lines();
  // At least two records.
  if (session_.CorrectionOpen || v < 1 || v > 3 || static_cast<int>(lines.size()) <= HeaderLineCountOf(lines)) return;
  correction_ = new TCorrection(host_, session_, this);
  correction_->show();
}

void Tchart1::SpeedButton1Click() {
  const int v = host_.CsvVersion();
  const auto& lines = host_.Table().Lines();
  if (session_.AvgBkgShown || v < 1 || v > 3 || static_cast<int>(lines.size()) <= HeaderLineCountOf(lines) ||
      session_.AvgBkgWindowOpen)
    return;
  session_.AvgBkgWindowOpen = 1;
  avg_bkg_ = new TAvgBkg(host_, session_, this);
  avg_bkg_->show();
}

void Tchart1::Button16Click() {
  Memo2->clear();
  ChartAnalysis* analysis = host_.Analysis();
  if (!analysis) return;
  for (const std::string& l : analysis->ReportPreview()) Memo2->appendPlainText(QString::fromStdString(l));
}

void Tchart1::Button17Click() {
  RedrawChangedTable();
  ChartAnalysis* analysis = host_.Analysis();
  if (!analysis) return;
  if (const auto lines = analysis->MakeReport()) host_.ShowLightCurveReport(*lines);
}
