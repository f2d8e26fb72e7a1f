// Tchart1: building the window, opening, closing, drawing and the layouts.
#include "chart/ui/Tchart1.h"

#include <algorithm>
#include <QAction>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QSignalBlocker>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/HandlerTable.h"
#include "chart/ChartScale.h"
#include "chart/ChartTable.h"
#include "chart/ui/ChartPainter.h"
#include "chart/ui/TAvgBkg.h"
#include "chart/ui/TCorrection.h"

#include <utility>

void ChartImageLabel::mouseReleaseEvent(QMouseEvent* e) {
  emit released(e->position().toPoint().x(), e->position().toPoint().y());
  QLabel::mouseReleaseEvent(e);
}

namespace {

constexpr int kPictureTop = 28;
constexpr int kPanelTop = 432;

template <class W>
W* Make(QWidget* parent, const char* name, const QString& caption, int x, int y, int w, int h) {
  auto* c = Named<W>(name, caption, parent);
  c->setGeometry(x, y, w, h);
  return c;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int x, int y, int w, bool read_only = true) {
  auto* e = Named<QLineEdit>(name, parent);
  e->setGeometry(x, y, w, 22);
  e->setReadOnly(read_only);
  return e;
}

QSpinBox* MakeUpDown(QWidget* parent, const char* name, int lo, int hi, int x, int y) {
  auto* s = Named<QSpinBox>(name, parent);
  s->setRange(lo, hi);
  s->setGeometry(x, y, 45, 22);
  return s;
}

}  // namespace

Tchart1::Tchart1(ChartHost& host, ChartSession& session, ChartEvents& events, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), host_(host), session_(session), events_(events) {
  SetUpToolWindow(this, "chart1", "Graph");
  BuildControls();
  FormCreate();
}

Tchart1::~Tchart1() {
  StopFit();
  if (session_.ChartOpen) {
    session_.ChartOpen = 0;
    session_.DiffractionMode = 0;
    session_.AvgBkgShown = 0;
    session_.AvgBkgWindowOpen = 0;
    session_.CorrectionOpen = 0;
  }
}

void Tchart1::BuildControls() {
  ChartImg1 = Named<ChartImageLabel>("ChartImg1", this);
  ChartImg1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  ChartImg1->setGeometry(10, kPictureTop, kChartWideWidth, kChartImageHeight);
  ChartImg2 = Named<QLabel>("ChartImg2", this);
  ChartImg2->setGeometry(10, kPanelTop, kChartWideWidth, 150);
  ChartImg2->hide();
  Panel1 = Named<QWidget>("Panel1", this);
  Panel1->setGeometry(0, kPanelTop, 760, 300);
  QWidget* p = Panel1;

  ScrollBar1 = Named<QScrollBar>("ScrollBar1", Qt::Horizontal, p);
  ScrollBar1->setGeometry(10, 4, 640, 17);
  Button3 = Make<QPushButton>(p, "Button3", "-1Sec", 10, 24, 60, 24);
  Button4 = Make<QPushButton>(p, "Button4", "+1Sec", 75, 24, 60, 24);
  Button5 = Make<QPushButton>(p, "Button5", "-10Sec", 140, 24, 60, 24);
  Button6 = Make<QPushButton>(p, "Button6", "+10Sec", 205, 24, 60, 24);
  RadioGroup1 = new TRadioGroup("RadioGroup1", "Width", {"Part", "Entire"}, 2, p);
  RadioGroup1->setGeometry(270, 20, 150, 40);
  UpDown2 = MakeUpDown(p, "UpDown2", 0, 10, 430, 26);
  Edit5 = MakeEdit(p, "Edit5", 478, 26, 60);
  UpDown1 = MakeUpDown(p, "UpDown1", 0, 5, 545, 26);
  Edit2 = MakeEdit(p, "Edit2", 592, 26, 40);
  ScaleLabel = Make<QLabel>(p, "ScaleLabel", "Scale", 432, 48, 45, 15);
  RadiusLabel = Make<QLabel>(p, "RadiusLabel", "Radius", 547, 48, 45, 15);
  Button9 = Make<QPushButton>(p, "Button9", "Reset", 662, 24, 60, 24);
  Button1 = Make<QPushButton>(p, "Button1", "close", 712, 4, 44, 20);

  Button10 = Make<QPushButton>(p, "Button10", "FFT", 10, 64, 60, 26);
  Button11 = Make<QPushButton>(p, "Button11", "Correction for absorption", 75, 64, 180, 26);
  Button7 = Make<QPushButton>(p, "Button7", "Copy to ClipBoard", 260, 64, 120, 26);
  Button2 = Make<QPushButton>(p, "Button2", "[3D] Image", 430, 64, 90, 26);
  Button12 = Make<QPushButton>(p, "Button12", "Save Image", 10, 96, 90, 26);
  SpeedButton1 = Make<QPushButton>(p, "SpeedButton1", "Noise Reduction", 105, 96, 120, 26);
  Button14 = Make<QPushButton>(p, "Button14", "Lunar Identification", 230, 96, 135, 26);
  Button8 = Make<QPushButton>(p, "Button8", "Diffraction Analysis", 370, 96, 130, 26);
  Button8->setToolTip("Select a frame to be available this function with clicking on the graph.");
  Button17 = Make<QPushButton>(p, "Button17", "Make Report", 505, 96, 100, 26);

  GroupBox1 = Named<QGroupBox>("GroupBox1", "Object", p);
  GroupBox1->setGeometry(654, 50, 100, 110);
  CheckBox4 = Make<QCheckBox>(GroupBox1, "CheckBox4", "A", 8, 18, 40, 20);
  CheckBox5 = Make<QCheckBox>(GroupBox1, "CheckBox5", "B", 8, 40, 40, 20);
  CheckBox6 = Make<QCheckBox>(GroupBox1, "CheckBox6", "C", 8, 62, 40, 20);
  CheckBox14 = Make<QCheckBox>(GroupBox1, "CheckBox14", "L", 8, 84, 40, 20);

  CheckBox7 = Make<QCheckBox>(p, "CheckBox7", "Data", 10, 130, 60, 20);
  CheckBox8 = Make<QCheckBox>(p, "CheckBox8", "Axis", 75, 130, 60, 20);
  CheckBox9 = Make<QCheckBox>(p, "CheckBox9", "Information", 140, 130, 95, 20);
  CheckBox10 = Make<QCheckBox>(p, "CheckBox10", "Hilight", 240, 130, 70, 20);
  CheckBox11 = Make<QCheckBox>(p, "CheckBox11", "Make Dot", 315, 130, 85, 20);
  CheckBox12 = Make<QCheckBox>(p, "CheckBox12", "ID", 405, 130, 45, 20);
  CheckBox2 = Make<QCheckBox>(p, "CheckBox2", "Show Image of Clicked point", 10, 152, 200, 20);
  CheckBox3 = Make<QCheckBox>(p, "CheckBox3", "Reproduce Aperture Position", 215, 152, 200, 20);
  CheckBox1 = Make<QCheckBox>(p, "CheckBox1", "Wide", 560, 130, 70, 20);
  CheckBox9->setChecked(true);
  CheckBox2->setChecked(true);
  // These check boxes look like push buttons that stay down.
  for (QCheckBox* c : {CheckBox1, CheckBox4, CheckBox5, CheckBox6, CheckBox14, CheckBox10, CheckBox11})
    MakePushLike(c);

  Edit1 = MakeEdit(p, "Edit1", 420, 152, 110);
  Edit4 = MakeEdit(p, "Edit4", 535, 152, 60);
  Edit6 = MakeEdit(p, "Edit6", 600, 152, 60);
  ScrollBar2 = Named<QScrollBar>("ScrollBar2", Qt::Horizontal, p);
  ScrollBar2->setRange(-20, 20);
  ScrollBar2->setGeometry(52, 176, 108, 16);
  MaxLabel = Make<QLabel>(p, "MaxLabel", "Y Max", 10, 176, 42, 16);
  ScrollBar3 = Named<QScrollBar>("ScrollBar3", Qt::Horizontal, p);
  ScrollBar3->setRange(-20, 20);
  ScrollBar3->setGeometry(200, 176, 120, 16);
  MinLabel = Make<QLabel>(p, "MinLabel", "Min", 170, 176, 30, 16);
  // Under the panel's visible area.
  Button15 = Make<QPushButton>(p, "Button15", "", 10, 230, 40, 20);
  Button16 = Make<QPushButton>(p, "Button16", "", 55, 230, 40, 20);
  Memo2 = Named<QPlainTextEdit>("Memo2", p);
  Memo2->setGeometry(100, 230, 300, 60);
  Memo1 = Named<QPlainTextEdit>("Memo1", p);
  Memo1->setGeometry(405, 230, 300, 60);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);

  // Buttons of windows that other parts of the program provide: enabled once
  // those windows exist.
  Button14->setEnabled(host_.ToolAvailable(ChartTool::LunarIdentification));
  Button15->setEnabled(host_.ToolAvailable(ChartTool::LedGraph));
  Button2->setEnabled(host_.ToolAvailable(ChartTool::StarImage3D));
  Button12->setEnabled(host_.ImageSaveAvailable());
  const Handlers<Tchart1> button_handlers = {
      {Button2, &Tchart1::Button2Click},          {Button8, &Tchart1::Button8Click},
      {Button12, &Tchart1::Button12Click},        {Button14, &Tchart1::Button14Click},
      {Button15, &Tchart1::Button15Click},        {Button3, &Tchart1::Button3Click},
      {Button4, &Tchart1::Button4Click},          {Button5, &Tchart1::Button5Click},
      {Button6, &Tchart1::Button6Click},          {Button1, &Tchart1::Button1Click},
      {Button7, &Tchart1::Button7Click},          {Button9, &Tchart1::Button9Click},
      {Button10, &Tchart1::Button10Click},        {Button11, &Tchart1::Button11Click},
      {Button16, &Tchart1::Button16Click},        {Button17, &Tchart1::Button17Click},
      {SpeedButton1, &Tchart1::SpeedButton1Click}};
  ConnectEach(this, button_handlers);

  connect(ScrollBar1, &QScrollBar::valueChanged, this, &Tchart1::ScrollBar1Scroll);
  OnRadioGroupClick(RadioGroup1, this, &Tchart1::RadioGroup1Click);
  connect(CheckBox1, &QCheckBox::toggled, this, &Tchart1::CheckBox1Click);
  connect(UpDown2, &QSpinBox::valueChanged, this, &Tchart1::UpDown2Click);
  connect(UpDown1, &QSpinBox::valueChanged, this, &Tchart1::UpDown1Click);
  // Controls that only store their value in the chart state, then redraw.
  TChartState& state = session_.ChartState;
  for (auto [bar, position] : {std::pair{ScrollBar2, &state.YMaxPosition}, std::pair{ScrollBar3, &state.YMinPosition}})
    connect(bar, &QScrollBar::valueChanged, this, [this, position = position](int v) {
      *position = v;
      AfterHandler();
    });
  for (auto [box, flag] : {std::pair{CheckBox7, &state.DataLines}, std::pair{CheckBox8, &state.AxisLines}})
    connect(box, &QCheckBox::toggled, this, [this, flag = flag](bool on) {
      *flag = on;
      AfterHandler();
    });
  for (QCheckBox* c : {CheckBox9, CheckBox10, CheckBox11, CheckBox12, CheckBox14})
    connect(c, &QCheckBox::toggled, this, [this] { AfterHandler(); });
  for (QCheckBox* c : {CheckBox4, CheckBox5, CheckBox6})
    connect(c, &QCheckBox::toggled, this, [this] { ObjectBoxClick(); });
  connect(ChartImg1, &ChartImageLabel::released, this, &Tchart1::ChartImg1MouseUp);
  ChartImg1->setContextMenuPolicy(Qt::ActionsContextMenu);
  a1 = new QAction("Copy to Clipborad", ChartImg1);
  a1->setObjectName("a1");
  SaveToFile1 = new QAction("Save to File", ChartImg1);
  SaveToFile1->setObjectName("SaveToFile1");
  ChartImg1->addAction(a1);
  ChartImg1->addAction(SaveToFile1);
  connect(a1, &QAction::triggered, this, &Tchart1::Button7Click);
  connect(SaveToFile1, &QAction::triggered, this, &Tchart1::SaveToFile1Click);

  for (QWidget* box : {Panel1, static_cast<QWidget*>(GroupBox1)})
    for (QWidget* w : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) designed_.push_back({w, w->geometry()});
  designed_.push_back({ChartImg2, ChartImg2->geometry()});
  designed_.push_back({Panel1, Panel1->geometry()});
}

void Tchart1::RefreshData() {
  const ResultTableAccess& t = host_.Table();
  if (t.Revision() == data_revision_ && data_.CsvVersion == host_.CsvVersion()) return;
  // A click aims at the picture's points until the next drawing.
  if (data_revision_ == drawn_revision_) drawn_data_ = std::move(data_);
  data_ = ReadChartData(t.Lines(), host_.CsvVersion());
  data_revision_ = t.Revision();
}

void Tchart1::ApplyBoxesToControls() {
  const TChartState& st = session_.ChartState;
  QCheckBox* boxes[3] = {CheckBox4, CheckBox5, CheckBox6};
  for (int i = 0; i < 3; ++i) {
    const QSignalBlocker block(boxes[i]);
    boxes[i]->setChecked(st.BoxChecked[static_cast<size_t>(i)]);
    boxes[i]->setEnabled(st.BoxEnabled[static_cast<size_t>(i)]);
  }
}

void Tchart1::FormCreate() {
  TChartState& st = session_.ChartState;
  const bool reset = st.Reset != 0;
  session_.ChartOpen = 1;
  if (ChartAnalysis* analysis = host_.Analysis()) analysis->ChartOpening(*this);
  events_.Flags.IdentTextScrollPos2 = 400;
  events_.Flags.IdentTextScrollPos1 = 12;
  view_.SelectedPointX = {-100, -100, -100, -100};
  view_.SelectedPointY = {-100, -100, -100, -100};
  session_.FftLength = 1024;
  RefreshData();
  view_.RecentreRequest = {0, 0, 0};
  view_.ChartImageWidth = kChartWideWidth;

  in_layout_ = true;
  if (reset) {
    st.NarrowLayout = 1;
    WideSetting();
  } else if (st.NarrowLayout) {
    NarrowSetting();
  } else {
    WideSetting();
  }
  in_layout_ = false;
  const QRect main = host_.MainWindowGeometry();
  move(session_.AsteroidChartMode ? main.left() : main.left() + main.width() - width(), main.top());

  const int objects = host_.ObjectCount();
  if (reset) st.ResetObjectBoxes(objects);
  ApplyBoxesToControls();

  session_.DiffractionMode = 0;
  events_.Flags.IdentificationOpen = 0;
  session_.AvgBkgShown = 0;
  session_.CorrectionOpen = 0;
  ApplyChartOpeningDefaults(events_, reset, data_.FieldMode, st.TotalFrameCount);

  if (reset) {
    st.SelectedFrame = -1;
    st.FirstShownFrame = 0;
    if (events_.Flags.PresetSelectedFrame >= 0 && events_.Flags.IntegratedVideoMeasured == 0)
      st.SelectedFrame = events_.Flags.PresetSelectedFrame;
    st.Radius = 3;
    st.ScalePosition = session_.AsteroidChartMode ? 7 : 5;
    st.EntireWidth = 1;
    st.YMinPosition = -10;
    st.YMaxPosition = 10;
    st.DataLines = 1;
    st.AxisLines = 1;
  }
  {
    const QSignalBlocker b1(UpDown1), b2(UpDown2);
    UpDown1->setValue(st.Radius);
    UpDown2->setValue(st.ScalePosition);
  }
  Edit2->setText(QString::number(st.Radius));
  view_.ScaleRatio = ScaleRatioFor(st.ScalePosition);
  Edit5->setText(QString::fromStdString(ScaleRatioText(view_.ScaleRatio)));

  st.TotalFrameCount = data_.TotalFrameCount();
  HRatioCalc();
  {
    const QSignalBlocker b(RadioGroup1);
    RadioGroup1->SetItemIndex(st.EntireWidth ? 1 : 0);
  }
  {
    const QSignalBlocker b1(ScrollBar1), b2(ScrollBar2), b3(ScrollBar3), b7(CheckBox7), b8(CheckBox8);
    ScrollBar1->setMaximum(std::max(0, st.TotalFrameCount - st.VisibleFrameCount));
    ScrollBar1->setValue(reset ? 0 : st.FirstShownFrame);
    ScrollBar3->setValue(st.YMinPosition);
    ScrollBar2->setValue(st.YMaxPosition);
    CheckBox7->setChecked(st.DataLines);
    CheckBox8->setChecked(st.AxisLines);
  }
  st.Reset = 0;
  // A selection kept from the last opening shows its read-outs again.
  if (st.SelectedFrame >= 0) {
    const std::string_view line = RecordLine(host_.Table().Lines(), data_.HeaderLineCount, st.SelectedFrame);
    if (!line.empty()) ShowSelectionReadouts(line);
  }
  GraphShow3();
}

void Tchart1::ShowSelectionReadouts(std::string_view line) {
  Edit4->setText(QString::fromStdString(GetCsvCell(line, 1)));
  Edit6->setText(QString::fromStdString(GetCsvCell(line, data_.ObjectBaseColumn)));
}

void Tchart1::HRatioCalc() {
  RefreshData();
  TChartState& st = session_.ChartState;
  st.TotalFrameCount = data_.TotalFrameCount();
  ::HRatioCalc(st, view_,
               HRatioInput{static_cast<int>(data_.LineCount), data_.HeaderLineCount, data_.FieldMode,
                           session_.AsteroidChartMode != 0});
  SyncScrollAndWidth();
}

void Tchart1::SyncScrollAndWidth() {
  const TChartState& st = session_.ChartState;
  {
    const QSignalBlocker b(RadioGroup1);
    RadioGroup1->SetItemIndex(st.EntireWidth ? 1 : 0);
    RadioGroup1->setEnabled(view_.WidthEnabled);
  }
  UpDown2->setEnabled(!st.EntireWidth || !view_.WidthEnabled);
  const QSignalBlocker b(ScrollBar1);
  ScrollBar1->setMaximum(view_.ScrollMax);
  ScrollBar1->setValue(view_.ScrollPosition);
}

void Tchart1::RedrawChangedTable() {
  RefreshData();
  if (data_revision_ == drawn_revision_) return;
  GraphShow3();
  events_.Diffraction.DiffractionFitted = 0;
}

void Tchart1::GraphShow3() {
  fit_drawn_ = false;
  RefreshData();
  TChartState& st = session_.ChartState;
  if (drawn_revision_ != data_revision_) {
    drawn_revision_ = data_revision_;
    drawn_data_.reset();
    // Rows taken away may take the selected record with them.
    if (st.SelectedFrame >= static_cast<int>(data_.Records.size())) {
      st.SelectedFrame = -1;
      Edit4->clear();
      Edit6->clear();
      st.DataLineCount = data_.DataLineCount();
      ShowSelectionCount();
    }
  }
  ChartOptions opt;
  opt.Boxes = {CheckBox4->isChecked(), CheckBox5->isChecked(), CheckBox6->isChecked(), CheckBox14->isChecked()};
  opt.Data = CheckBox7->isChecked();
  opt.Axis = CheckBox8->isChecked();
  opt.Hilight = CheckBox10->isChecked();
  opt.Information = CheckBox9->isChecked();
  opt.Id = CheckBox12->isChecked();
  opt.FixRange = host_.FixRangeChecked();
  opt.SelectedObject = host_.SelectedObject();
  opt.FrameStep = host_.FrameStep();
  opt.FrameRateRounded = host_.FrameRateRounded();

  const DiffractionState& d = events_.Diffraction;
  ChartMarks marks;
  marks.DiffractionMode = session_.DiffractionMode != 0;
  marks.ThirdWindowFrom = d.ThirdWindowFrom;
  marks.ThirdWindowTo = d.ThirdWindowTo;
  marks.PreEventWindowFrom = d.PreEventWindowFrom;
  marks.PreEventWindowTo = d.PreEventWindowTo;
  marks.PostEventWindowFrom = d.PostEventWindowFrom;
  marks.PostEventWindowTo = d.PostEventWindowTo;
  marks.CustomFitRange = d.CustomFitRange != 0;
  marks.FitRangeFrom = d.FitRangeFrom;
  marks.FitRangeTo = d.FitRangeTo;
  marks.UpperLevelFixed = d.UpperLevelFixed != 0;
  marks.LowerLevelFixed = d.LowerLevelFixed != 0;
  marks.FixedUpperWindow = d.FixedUpperWindow;
  marks.FixedLowerWindow = d.FixedLowerWindow;
  marks.AsteroidChartMode = session_.AsteroidChartMode != 0;
  marks.IntegrationPhase = events_.Flags.IntegrationPhase;
  marks.IntegrationCount = events_.Flags.IntegrationCount;

  ChartTexts texts;
  std::string name = host_.VideoFileName();
  const size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  texts.FileName = name;
  texts.IdentificationTitle = events_.Texts.IdentificationTitle;
  texts.PsfPhotometry = host_.PsfPhotometry();
  const auto t = host_.TimeReadout();
  texts.Edit24 = t[0], texts.Edit25 = t[1], texts.Edit26 = t[2], texts.Edit27 = t[3];
  texts.DistanceText = events_.Texts.DistanceText;
  texts.VelocityText = events_.Texts.VelocityText;
  // A fitted centre counts from the record it was fitted at: after another
  // selection or a refused fit it is no event time to show.
  const bool fitted = events_.Diffraction.DiffractionFitted != 0;
  texts.EventCentreText = fitted ? events_.Texts.EventCentreText[0] : std::string();
  texts.EventErrorText = fitted ? events_.Texts.EventErrorText[0] : std::string();
  texts.ContactAngleText = events_.Texts.ContactAngleText;
  texts.MagnitudeWindowShown = events_.Flags.MagnitudeWindowShown != 0;

  view_.ChartValueMax = session_.ChartValueMax;
  view_.ChartValueMin = session_.ChartValueMin;
  view_.ChartRangeMax = session_.ChartRangeMax;
  view_.ChartRangeMin = session_.ChartRangeMin;
  ChartPicture pic;
  ChartDrawResult result;
  ::GraphShow3(host_.Table().Lines(), data_, st, view_, opt, marks, texts, pic, result);
  if (!result.Drawn) {
    // Nothing to draw (the table lost its rows to a new video, or every value
    // is 0): the curve, S/N and report values of the last drawing are not
    // this table's.
    picture_ = QImage();
    ChartImg1->clear();
    Edit1->clear();
    result.ValuesWritten = true;
    StoreReportValues(result);
    return;
  }
  session_.ChartValueMax = view_.ChartValueMax;
  session_.ChartValueMin = view_.ChartValueMin;
  session_.ChartRangeMax = view_.ChartRangeMax;
  session_.ChartRangeMin = view_.ChartRangeMin;
  host_.SetFixRangeItem(host_.FixRangeChecked(), true);
  SyncScrollAndWidth();
  for (QWidget* w : std::initializer_list<QWidget*>{Button3, Button4, Button5, Button6, ScrollBar1})
    w->setEnabled(result.TimeButtonsEnabled);
  // The narrow layout has no room for ten-second steps.
  if (st.NarrowLayout) {
    Button5->setEnabled(false);
    Button6->setEnabled(false);
  }
  if (session_.DiffractionMode) {
    lower_picture_ = QImage(ChartImg2->width(), ChartImg2->height(), QImage::Format_RGB32);
    lower_picture_.fill(Qt::white);
    ChartImg2->setPixmap(QPixmap::fromImage(lower_picture_));
    ChartImg2->show();
  } else {
    ChartImg2->hide();
  }
  picture_ = PaintChartPicture(pic);
  ChartImg1->setPixmap(QPixmap::fromImage(picture_));
  Edit1->setText(QString::fromStdString(result.SnText));
  StoreReportValues(result);
}

void Tchart1::StoreReportValues(const ChartDrawResult& r) {
  if (!r.ValuesWritten) return;
  TReportLightCurveElement& e = events_.ReportLightCurveElement;
  e.StartH = r.StartH, e.StartM = r.StartM, e.StartS = r.StartS;
  e.StartDays = 0;
  e.EndH = r.EndH, e.EndM = r.EndM, e.EndS = r.EndS;
  e.ValueCount = r.ValueCount;
  e.Values = r.Values;
}

void Tchart1::WideSetting() {
  for (const auto& [w, r] : designed_) w->setGeometry(r);
  view_.ChartImageWidth = kChartWideWidth;
  view_.ChartRightMargin = 10;
  ChartImg1->setGeometry(10, kPictureTop, kChartWideWidth, kChartImageHeight);
  const bool diff = session_.DiffractionMode != 0;
  const int panel_top = diff ? 589 : kPanelTop;
  setFixedSize(760, diff ? 712 : 643);
  Panel1->move(0, panel_top);
  Button1->move(712, 4);
  Button2->setGeometry(430, 64, std::max(90, Button2->sizeHint().width()), Button2->height());  // the whole caption
  // In diffraction mode 'Make Report' goes up beside '[3D] Image', clear of its wider caption.
  Button17->move(diff ? std::max(505, Button2->geometry().right() + 6) : 505, diff ? 64 : 96);
  Button7->setGeometry(260, 64, 120, Button7->height());
  Button8->move(370, 96);
  Button9->move(662, 24);
  // The object boxes stand in a column beside the buttons; 'Narrow' stays clear of them.
  GroupBox1->setGeometry(654, 50, 100, 110);
  for (int i = 0; QCheckBox* c : {CheckBox4, CheckBox5, CheckBox6, CheckBox14}) c->move(8, 18 + 22 * i++);
  CheckBox1->setGeometry(560, 130, 70, 20);
  CheckBox1->setChecked(true);  // runs the layout handler when it changes
}

namespace {

// Places controls left to right from `x`, starting a new row when the next one
// would pass the right edge; returns the bottom of the last row.
class RowFlow {
 public:
  RowFlow(int left, int right, int top) : left_(left), right_(right), x_(left), y_(top), bottom_(top) {}
  void Place(QWidget* w, int width, int height) {
    width = std::min(width, right_ - left_);
    if (x_ > left_ && x_ + width > right_) NewRow();
    w->setGeometry(x_, y_, width, height);
    x_ += width + kGap;
    bottom_ = std::max(bottom_, y_ + height);
  }
  // A button or box wide enough for its whole caption.
  void PlaceWhole(QWidget* w, int design_width) { Place(w, std::max(design_width, w->sizeHint().width()), w->height()); }
  void NewRow() {
    x_ = left_;
    y_ = bottom_ + kGap;
  }
  int Bottom() const { return bottom_; }

 private:
  static constexpr int kGap = 4;
  int left_, right_, x_, y_, bottom_;
};

}  // namespace

void Tchart1::NarrowSetting() {
  for (const auto& [w, r] : designed_) w->setGeometry(r);
  view_.ChartImageWidth = kChartNarrowWidth;
  view_.ChartRightMargin = 10;
  ChartImg1->setGeometry(10, kPictureTop, kChartNarrowWidth, kChartImageHeight);
  ChartImg2->setGeometry(10, kPanelTop, kChartNarrowWidth, ChartImg2->height());
  const bool diff = session_.DiffractionMode != 0;
  constexpr int kLeft = 8, kRight = 312;
  // The panel's controls are set again in rows that fit the narrow window.
  RowFlow f(kLeft, kRight, 4);
  f.Place(ScrollBar1, kRight - kLeft - 48, 17);
  f.Place(Button1, 44, 20);
  f.NewRow();
  for (QPushButton* b : {Button3, Button4, Button5, Button6}) f.Place(b, 56, 24);
  f.Place(Button9, kRight - Button6->geometry().right() - 5, 24);
  f.NewRow();
  f.Place(RadioGroup1, std::max(120, RadioGroup1->sizeHint().width()), 40);
  // Scale and radius with their captions beneath, in the rest of the row.
  const int spin_top = RadioGroup1->y() + 2;
  const int scale_left = RadioGroup1->geometry().right() + 5;
  const int radius_edit_width = 24;
  const int scale_edit_width = kRight - scale_left - 2 * (UpDown2->width() + 3) - 6 - radius_edit_width;
  UpDown2->move(scale_left, spin_top);
  Edit5->setGeometry(UpDown2->geometry().right() + 4, spin_top, scale_edit_width, 22);
  UpDown1->move(Edit5->geometry().right() + 7, spin_top);
  Edit2->setGeometry(kRight - radius_edit_width, spin_top, radius_edit_width, 22);
  ScaleLabel->move(UpDown2->x() + 2, spin_top + 22);
  RadiusLabel->move(UpDown1->x() + 2, spin_top + 22);
  f.NewRow();
  for (QPushButton* b : {Button10, Button11, Button7, Button2, Button12, SpeedButton1, Button14, Button8, Button17})
    f.PlaceWhole(b, 40);
  f.NewRow();
  for (QCheckBox* c : {CheckBox7, CheckBox8, CheckBox9, CheckBox10, CheckBox11, CheckBox12, CheckBox2, CheckBox3})
    f.PlaceWhole(c, 40);
  f.NewRow();
  f.Place(Edit1, 110, 22);
  f.Place(Edit4, 60, 22);
  f.Place(Edit6, 60, 22);
  f.NewRow();
  f.Place(MaxLabel, 42, 16);
  f.Place(ScrollBar2, 100, 16);
  f.Place(MinLabel, 30, 16);
  f.Place(ScrollBar3, kRight - ScrollBar2->geometry().right() - 39, 16);
  f.NewRow();
  for (int i = 0; QCheckBox* c : {CheckBox4, CheckBox5, CheckBox6, CheckBox14}) c->move(8 + 46 * i++, 16);
  f.Place(GroupBox1, 196, 40);
  f.Place(CheckBox1, 60, 20);
  const int panel_top = diff ? 589 : kPanelTop;
  const int visible = f.Bottom() + 8;
  // The memo and LED buttons stay below the visible part, as in the wide layout.
  for (QWidget* w : std::initializer_list<QWidget*>{Button15, Button16, Memo2, Memo1})
    w->move(w->x(), visible + 20);
  Panel1->setGeometry(0, panel_top, 320, visible + 100);
  setFixedSize(320, panel_top + visible);
  CheckBox1->setChecked(false);
}

void Tchart1::closeEvent(QCloseEvent* e) {
  StopFit();
  CloseFresnelCtrl();
  if (session_.AsteroidChartMode) {
    host_.AsteroidChartClosed();
    session_.AsteroidChartMode = 0;
  }
  session_.ChartOpen = 0;
  session_.DiffractionMode = 0;
  session_.AvgBkgShown = 0;
  session_.AvgBkgWindowOpen = 0;
  if (avg_bkg_) avg_bkg_->close();
  if (correction_) correction_->close();
  e->accept();
}
