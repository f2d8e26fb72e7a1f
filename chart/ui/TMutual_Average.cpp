#include "chart/ui/TMutual_Average.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "base/AtomicFile.h"
#include "base/NumberText.h"
#include "base/ResultTable.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "base/ui/HandlerTable.h"
#include "base/ui/StdText.h"
#include "base/ui/WindowTeardown.h"
#include "chart/ImageFileName.h"
#include "chart/ui/SaveChartPicture.h"

namespace {

constexpr int kImageWidth = 640, kImageHeight = 380;

QComboBox* Combo(const char* name, const QStringList& items, int index) {
  auto* c = Named<QComboBox>(name);
  c->addItems(items);
  c->setCurrentIndex(index);
  return c;
}

QLineEdit* SmallEdit(const char* name, const QString& text = {}, int width = 40) {
  auto* e = Named<QLineEdit>(name, text);
  e->setFixedWidth(width);
  return e;
}

void DrawLabel(QPainter& p, int x, int y, const std::string& text) {
  p.drawText(QRect(x, y, 400, 40), Qt::AlignLeft | Qt::AlignTop, Q(text));
}

}  // namespace

TMutual_Average::TMutual_Average(ChartHost& host, uint8_t* open_flag, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), host_(host), open_flag_(open_flag) {
  SetUpToolWindow(this, "Mutual_Average", "Processing for Mutual Event");
  search_timer_ = new QTimer(this);
  search_timer_->setInterval(30);
  CreateControls();
  ConnectHandlers();
  FormCreate();
}

TMutual_Average::~TMutual_Average() {
  DetachControls(this);
  StopRangeSearch();
}

void TMutual_Average::CreateControls() {
  QStringList unit_items;
  for (int32_t k : UnitSizeTable) unit_items << Q(PadLeft(FormatInt(k), 4));
  // The shown "  32" is the selected item, so a calculation never lacks one.
  ComboBox1 = Combo("ComboBox1", unit_items, 5);
  ComboBox2 = Combo("ComboBox2", unit_items.mid(0, 9), 0);
  Edit1 = SmallEdit("Edit1", "0");
  Edit1->setReadOnly(true);
  ComboBox3 = Combo("ComboBox3", {"   1", "   3", "   5", "   7", "   9", "  11"}, 2);
  ComboBox5 = Combo("ComboBox5", {"1st cmp 2nd star", "1st cmp 2nd + 3rd", "1sd - 3rd cmp 2nd"}, 0);
  CheckBox1 = Named<QCheckBox>("CheckBox1", "Single object");
  CheckBox1->setChecked(true);
  Edit13 = SmallEdit("Edit13", "2000", 60);
  RadioGroup1 = new TRadioGroup("RadioGroup1", "Time setting",
                                {"Read from Video image", "Based on First Frame", "First && Last Frame"});
  RadioGroup1->SetItemIndex(1);
  Edit2 = SmallEdit("Edit2");
  Edit3 = SmallEdit("Edit3");
  Edit4 = SmallEdit("Edit4", {}, 60);
  Edit5 = SmallEdit("Edit5");
  Edit6 = SmallEdit("Edit6");
  Edit7 = SmallEdit("Edit7", {}, 60);
  Edit8 = SmallEdit("Edit8", "1", 50);
  Edit9 = SmallEdit("Edit9", "1", 50);
  // The arrows only: the unit is typed in the edit beside them.
  UpDown1 = new TUpDown("UpDown1", {}, 1, 1, 1);
  UpDown2 = new TUpDown("UpDown2", {}, 1, 1, 1);
  for (TUpDown* u : {UpDown1, UpDown2}) u->setFixedWidth(18);
  ScrollBar1 = Named<QScrollBar>("ScrollBar1", Qt::Horizontal);
  ScrollBar1->setRange(20, 100);
  ScrollBar1->setValue(100);
  ScrollBar2 = Named<QScrollBar>("ScrollBar2", Qt::Vertical);
  ScrollBar2->setRange(-100, 100);
  ScrollBar2->setValue(0);
  ScrollBar3 = Named<QScrollBar>("ScrollBar3", Qt::Vertical);
  ScrollBar3->setRange(25, 250);
  ScrollBar3->setValue(100);
  Edit10 = SmallEdit("Edit10", {}, 110);
  Edit10->setReadOnly(true);
  Memo1 = Named<QPlainTextEdit>("Memo1", "Memo1");
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  Memo2 = Named<QPlainTextEdit>("Memo2", "Memo2");
  Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
  Image1 = Named<QLabel>("Image1");
  Image1->setFixedSize(kImageWidth, kImageHeight);
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  PopupMenu1 = Named<QMenu>("PopupMenu1", this);
  SetFirst1 = PopupMenu1->addAction("Set First");
  SetFirst1->setObjectName("SetFirst1");
  SetLast1 = PopupMenu1->addAction("Set Last");
  SetLast1->setObjectName("SetLast1");
  Button1 = Named<QPushButton>("Button1", "Calculate && Draw Graph");
  Button2 = Named<QPushButton>("Button2", "Reset");
  Button3 = Named<QPushButton>("Button3", "Copy to ClipBoard");
  Button4 = Named<QPushButton>("Button4", "Save .CSV file");
  Button7 = Named<QPushButton>("Button7", "Save .png file");
  Button6 = Named<QPushButton>("Button6", "Fit");
  Button5 = Named<QPushButton>("Button5", "Button5");
  CheckBox2 = Named<QCheckBox>("CheckBox2", "Increase");
  QStringList degrees;
  for (int d = 2; d <= 14; ++d) degrees << QString::number(d);
  degrees << QString();
  ComboBox4 = Combo("ComboBox4", degrees, 6);
  Edit11 = SmallEdit("Edit11", {}, 80);
  Edit11->setReadOnly(true);
  Edit12 = SmallEdit("Edit12", {}, 50);
  Edit12->setReadOnly(true);
  ProgressBar1 = Named<QProgressBar>("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);

  auto* controls = new QGridLayout;
  int row = 0;
  auto add = [&](const QString& caption, QWidget* w, QWidget* w2 = nullptr) {
    controls->addWidget(new QLabel(caption), row, 0);
    controls->addWidget(w, row, 1);
    if (w2) controls->addWidget(w2, row, 2);
    ++row;
  };
  add("Frames per unit", ComboBox1);
  add("Integrated frames by CCD camera..", ComboBox2);
  add("Smoothing units", ComboBox3, Edit1);
  add("Objects", ComboBox5);
  controls->addWidget(CheckBox1, row, 0);
  controls->addWidget(Edit13, row++, 1);
  controls->addWidget(RadioGroup1, row++, 0, 1, 3);
  auto time_row = [](QLineEdit* h, QLineEdit* m, QLineEdit* s) {
    auto* w = new QWidget;
    auto* l = new QHBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    for (QLineEdit* e : {h, m, s}) l->addWidget(e);
    l->addStretch(1);
    return w;
  };
  controls->addWidget(new QLabel("First frame"), row, 0);
  controls->addWidget(time_row(Edit2, Edit3, Edit4), row++, 1, 1, 2);
  controls->addWidget(new QLabel("Last frame"), row, 0);
  controls->addWidget(time_row(Edit5, Edit6, Edit7), row++, 1, 1, 2);
  controls->addWidget(Button1, row++, 0, 1, 3);
  auto unit_pair = [](QLineEdit* e, TUpDown* u) {
    auto* w = new QWidget;
    auto* l = new QHBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    l->addWidget(e);
    l->addWidget(u);
    l->addStretch(1);
    return w;
  };
  add("First unit", unit_pair(Edit8, UpDown1));
  add("Last unit", unit_pair(Edit9, UpDown2));
  add("Dimension", ComboBox4, CheckBox2);
  auto* fit_row = new QHBoxLayout;
  fit_row->setSpacing(0);
  fit_row->addWidget(Button6, 1);
  Button5->setFixedWidth(24);
  fit_row->addWidget(Button5);
  controls->addLayout(fit_row, row++, 0, 1, 3);
  add("Time of minimum", Edit10);
  add("Residual", Edit11);
  add("Search from", Edit12, ProgressBar1);
  controls->addWidget(Button2, row, 0);
  controls->addWidget(Button3, row++, 1);
  controls->addWidget(Button4, row, 0);
  controls->addWidget(Button7, row++, 1);
  controls->setRowStretch(row, 1);

  auto* plot = new QGridLayout;
  plot->addWidget(Image1, 0, 0);
  plot->addWidget(ScrollBar2, 0, 1);
  plot->addWidget(ScrollBar3, 0, 2);
  plot->addWidget(ScrollBar1, 1, 0);
  auto* memos = new QHBoxLayout;
  memos->addWidget(Memo1, 3);
  memos->addWidget(Memo2, 2);
  auto* right = new QVBoxLayout;
  right->addLayout(plot);
  right->addLayout(memos, 1);
  auto* top = new QHBoxLayout(this);
  top->addLayout(controls);
  top->addLayout(right, 1);
  resize(1060, 700);
}

void TMutual_Average::ConnectHandlers() {
  const Handlers<TMutual_Average> button_handlers = {
      {Button1, &TMutual_Average::Button1Click}, {Button2, &TMutual_Average::Button2Click},
      {Button3, &TMutual_Average::Button3Click}, {Button4, &TMutual_Average::Button4Click},
      {Button5, &TMutual_Average::Button5Click}, {Button6, &TMutual_Average::Button6Click},
      {Button7, &TMutual_Average::Button7Click}};
  ConnectEach(this, button_handlers);
  OnComboBoxChange(ComboBox3, this, &TMutual_Average::ComboBox3Change);
  for (QScrollBar* s : {ScrollBar1, ScrollBar2, ScrollBar3})
    connect(s, &QScrollBar::valueChanged, this, &TMutual_Average::ScrollBarChange);
  connect(SetFirst1, &QAction::triggered, this, &TMutual_Average::SetFirst1Click);
  connect(SetLast1, &QAction::triggered, this, &TMutual_Average::SetLast1Click);
  connect(Edit8, &QLineEdit::editingFinished, this, &TMutual_Average::Edit8Exit);
  connect(Edit9, &QLineEdit::editingFinished, this, &TMutual_Average::Edit9Exit);
  OnUpDownChange(UpDown1, this, &TMutual_Average::UpDown1Click);
  OnUpDownChange(UpDown2, this, &TMutual_Average::UpDown2Click);
  for (QLineEdit* e : {Edit2, Edit3, Edit5, Edit6})
    connect(e, &QLineEdit::editingFinished, this, [e] { e->setText(Q(KeepDigits(Text(e)))); });
  for (QLineEdit* e : {Edit4, Edit7})
    connect(e, &QLineEdit::editingFinished, this, [e] { e->setText(Q(KeepDecimal(Text(e)))); });
  // Enter in the unit and time edits stops there.
  for (QLineEdit* e : {Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9}) e->installEventFilter(this);
  Image1->installEventFilter(this);
  connect(search_timer_, &QTimer::timeout, this, &TMutual_Average::RangeSearchPoll);
}

void TMutual_Average::FormCreate() {
  picture_ = QImage(kImageWidth, kImageHeight, QImage::Format_RGB32);
  picture_.fill(Qt::white);
  ShowImage();
  MutualFirstUnit = MutualLastUnit = 1;
  fit_range_ = MutualFitRange{};
}

void TMutual_Average::closeEvent(QCloseEvent* e) {
  StopRangeSearch();
  MutualUnits.assign(1, TypAvgData{});
  MutualUnitCount = 0;
  if (open_flag_) *open_flag_ = 0;
  QWidget::closeEvent(e);
}

bool TMutual_Average::eventFilter(QObject* watched, QEvent* e) {
  if (watched == Image1 && e->type() == QEvent::MouseButtonPress) {
    auto* m = static_cast<QMouseEvent*>(e);
    if (m->button() != Qt::RightButton) return false;
    MutualClickX = static_cast<int>(m->position().x());
    PopupMenu1->popup(m->globalPosition().toPoint());
    return true;
  }
  if (IsEnterKey(e)) {
    if (auto* edit = qobject_cast<QLineEdit*>(watched)) emit edit->editingFinished();
    return true;
  }
  return QWidget::eventFilter(watched, e);
}

int32_t TMutual_Average::ClampUnit(int64_t u) const {
  return static_cast<int32_t>(std::clamp<int64_t>(u, 1, std::max(1, MutualUnitCount)));
}

void TMutual_Average::Button1Click() {
  MutualAverageInput in;
  in.CsvVersion = host_.CsvVersion();
  in.FramesPerUnit = UnitSizeTable[static_cast<size_t>(std::clamp(ComboBox1->currentIndex(), 0, 10))];
  in.SmoothHalfWidth = std::max(0, ComboBox3->currentIndex());
  in.Objects = static_cast<MutualObjects>(std::clamp(ComboBox5->currentIndex(), 0, 2));
  in.SingleObject = CheckBox1->isChecked();
  in.ConstantComparison = Text(Edit13);
  in.TimeSetting = static_cast<MutualTimeSetting>(std::clamp(RadioGroup1->ItemIndex(), 0, 2));
  in.FrameRate = host_.TimingFrameRate();
  in.FirstFrameTime = {Text(Edit2), Text(Edit3), Text(Edit4)};
  in.LastFrameTime = {Text(Edit5), Text(Edit6), Text(Edit7)};
  const MutualAverageResult r = CalculateMutualUnits(host_.Table().Lines(), in);

  if (r.Status == MutualAverageStatus::NoData) {
    Memo1->appendPlainText("Data is not detected.");
    return;
  }
  if (r.Status == MutualAverageStatus::Failed || r.Status == MutualAverageStatus::NoVideoTime) {
    // The list stays with the units still drawn, to be saved with them.
    Dialogs().ShowError(Q(r.Error));
    return;
  }
  QString notices;
  if (r.Status != MutualAverageStatus::Done) {
    // The notices that head the list, without units.
    for (const std::string& l : r.MemoLines) notices += Q(l) + '\n';
    notices.chop(1);
    Memo1->setPlainText(notices);
    return;
  }
  MutualUnits = r.MutualUnits;
  MutualUnitCount = r.MutualUnitCount;
  Edit1->setText(QString::number(r.MutualSmoothUnits));
  MutualLastUnit = std::max(1, MutualUnitCount);
  MutualFirstUnit = ClampUnit(MutualFirstUnit);
  ShowUnits();
  std::string text;
  for (const std::string& l : r.MemoLines) text += l + '\n';
  if (!text.empty()) text.pop_back();
  Memo1->setPlainText(Q(text));
  DrawMutualGraph();
  // Otherwise an empty list and picture would look like a finished calculation.
  if (MutualUnitCount < 1)
    Dialogs().ShowInformation("The table holds " + QString::number(r.MutualFrameCount) +
                              " frames, fewer than one unit of " + QString::number(r.MutualFramesPerUnit) +
                              " frames: choose fewer frames per unit.");
}

void TMutual_Average::ComboBox3Change() {
  Edit1->setText(QString::number(2 * ComboBox3->currentIndex() + 1));
}

void TMutual_Average::ScrollBarChange() { DrawMutualGraph(); }

void TMutual_Average::Button2Click() {
  for (auto [bar, v] : {std::pair{ScrollBar1, 100}, std::pair{ScrollBar2, 0}, std::pair{ScrollBar3, 100}}) {
    QSignalBlocker block(bar);
    bar->setValue(v);
  }
  DrawMutualGraph();
}

void TMutual_Average::DrawMutualGraph() {
  picture_.fill(Qt::white);
  if (MutualUnitCount < 1) {
    view_ = MutualGraphView{};
    ShowImage();
    return;
  }
  const MutualGraphLayout g = LayoutMutualGraph(MutualUnits, picture_.width(), picture_.height(), ScrollBar1->value(),
                                                ScrollBar2->value(), ScrollBar3->value());
  view_ = g.View;
  const int h = picture_.height();
  QPainter p(&picture_);
  p.setPen(Qt::black);
  p.drawLine(50, 20, 50, h - 30);
  p.drawLine(50, h - 30, static_cast<int>(view_.MutualPlotWidth) + 50, h - 30);
  for (const MutualTick& t : g.MinuteTicks) {
    p.drawLine(t.Position, h - 30, t.Position, h - 30 - t.Length);
    DrawLabel(p, t.Position - 3 * static_cast<int>(t.Label.size()), h - 27, t.Label);
  }
  Edit10->setText(Q(g.ScaleText));
  for (const MutualTick& t : g.ValueTicks) {
    p.drawLine(50, t.Position, 50 + t.Length, t.Position);
    DrawLabel(p, 17, t.Position - 5, t.Label);
  }
  auto curve = [&](const QColor& colour, long double TypAvgData::*field) {
    QPolygon line;
    for (int u = 1; u <= MutualUnitCount; ++u)
      line << QPoint(view_.UnitX(u), view_.ValueY(MutualUnits[static_cast<size_t>(u)].*field));
    p.setPen(colour);
    p.drawPolyline(line);
  };
  curve(QColor(255, 255, 0), &TypAvgData::ComparisonRatio);
  curve(QColor(0, 0, 255), &TypAvgData::TargetRatio);
  p.end();
  ShowImage();
}

void TMutual_Average::ShowImage() { Image1->setPixmap(QPixmap::fromImage(picture_)); }

void TMutual_Average::MarkUnits() {
  DrawMutualGraph();
  if (MutualUnitCount < 1) return;
  QPainter p(&picture_);
  p.setPen(QColor(0, 255, 0));
  p.drawLine(view_.UnitX(MutualFirstUnit), 0, view_.UnitX(MutualFirstUnit), picture_.height());
  p.setPen(QColor(255, 0, 255));
  p.drawLine(view_.UnitX(MutualLastUnit), 0, view_.UnitX(MutualLastUnit), picture_.height());
  p.end();
  ShowImage();
}

void TMutual_Average::SetFirst1Click() { SetUnitAtClick(MutualFirstUnit); }

void TMutual_Average::SetLast1Click() { SetUnitAtClick(MutualLastUnit); }

void TMutual_Average::SetUnitAtClick(int32_t& unit) {
  bool inside = false;
  const int u = MutualUnitAtX(view_, MutualClickX, MutualUnitCount, &inside);
  if (!inside) return;
  unit = u;
  ShowUnits();
  MarkUnits();
  SetFitRangeNow();
}

void TMutual_Average::Edit8Exit() { UnitTyped(MutualFirstUnit, Edit8); }

void TMutual_Average::Edit9Exit() { UnitTyped(MutualLastUnit, Edit9); }

void TMutual_Average::UnitTyped(int32_t& unit, QLineEdit* edit) {
  const std::string digits = KeepDigits(Text(edit));
  unit = digits.empty() ? 1 : ClampUnit(ParseInt64(digits).value_or(INT64_MAX));
  ShowUnits();
  SetFitRangeNow();
}

void TMutual_Average::ShowUnits() {
  Edit8->setText(QString::number(MutualFirstUnit));
  Edit9->setText(QString::number(MutualLastUnit));
  UpDown1->SetRange(1, std::max(1, MutualLastUnit));
  UpDown1->SetPosition(MutualFirstUnit);
  UpDown2->SetRange(MutualFirstUnit, std::max(1, MutualUnitCount));
  UpDown2->SetPosition(MutualLastUnit);
}

// The arrows leave no edit to be left: their unit is taken at once, or 'Fit'
// would work on units other than those shown. The other arrow's bound
// follows in ShowUnits.
void TMutual_Average::UpDown1Click() {
  Edit8->setText(QString::number(UpDown1->Position()));
  Edit8Exit();
}

void TMutual_Average::UpDown2Click() {
  Edit9->setText(QString::number(UpDown2->Position()));
  Edit9Exit();
}

void TMutual_Average::SetFitRangeNow() { SetFitRange(MutualFirstUnit, MutualLastUnit, MutualUnitCount, fit_range_); }

void TMutual_Average::Button3Click() {
  const int w = static_cast<int>(RoundHalfEven(view_.MutualPlotWidth + 50 + 30));
  const QImage part = picture_.copy(0, 0, std::min(w, picture_.width()), picture_.height());
  QGuiApplication::clipboard()->setImage(part.convertToFormat(QImage::Format_RGB888));
}

void TMutual_Average::Button4Click() {
  const QString chosen = Dialogs().GetSaveFileName("Save .CSV file", Q(csv_name_), "Camma separated value (*.csv)");
  if (chosen.isEmpty()) return;
  const std::string name = ReplaceFileExtension(chosen.toStdString(), ".csv");
  if (name.empty()) return;
  csv_name_ = chosen.toStdString();
  const QString text = Memo1->toPlainText();
  std::string data;
  if (!text.isEmpty()) data = JoinCrlfLines(SplitTextLines(text.toStdString()));
  std::string error;
  if (!WriteFileAtomic(name, data, &error)) Dialogs().ShowError(Q(error));
}

void TMutual_Average::Button7Click() {
  if (!host_.ImageSaveAvailable()) return;
  SaveChartPicture(host_, picture_, {});
}

bool TMutual_Average::FitRangeUsable() {
  if (MutualUnitCount < 1) {
    Dialogs().ShowError("No units to fit: press 'Calculate & Draw Graph' first.");
    return false;
  }
  if (MutualFirstUnit < 1 || MutualLastUnit > MutualUnitCount || MutualFirstUnit >= MutualLastUnit) {
    Dialogs().ShowError("The last unit must lie after the first unit.");
    return false;
  }
  return true;
}

MutualModelPass TMutual_Average::DrawModel(int first, int last, int label_offset) {
  const MutualModelPass pass = EvaluateMutualModel(MutualUnits, first, last, fit_range_.MutualFitFirstUnit, model_);
  QPainter p(&picture_);
  p.setPen(QColor(255, 0, 0));
  QPolygon curve;
  for (const MutualModelPoint& pt : pass.Points) curve << QPoint(view_.UnitX(pt.Unit), view_.ValueY(pt.Value));
  p.drawPolyline(curve);
  const int x = view_.UnitX(pass.MinimumUnit);
  p.setPen(QColor(128, 128, 128));
  p.drawLine(x, 20, x, picture_.height() - 30);
  Edit10->setText(Q(pass.MinimumText));
  p.setPen(Qt::black);
  DrawLabel(p, x - label_offset, 10, pass.MinimumText);
  return pass;
}

void TMutual_Average::Button6Click() {
  if (!FitRangeUsable()) return;
  DrawMutualGraph();
  model_ = MutualFitModel{};
  model_.DegreeItem = std::clamp(ComboBox4->currentIndex(), 0, MutualDegreeItemCount - 1);
  model_.Increase = CheckBox2->isChecked();
  FitMutualModel(MutualUnits, MutualFirstUnit, MutualLastUnit, model_);
  const MutualModelPass pass = DrawModel(MutualFirstUnit, MutualLastUnit, 32);
  std::string memo;
  for (const std::string& l : MutualCoefficientLines(model_)) memo += l + '\n';
  for (const std::string& l : pass.SlopeLines) memo += l + '\n';
  memo.pop_back();
  Memo2->setPlainText(Q(memo));
  Edit11->setText(Q(MutualResidualText(pass.SumSq, MutualFirstUnit, MutualLastUnit)));

  const long double max_slope = pass.MaxSlope > 0 ? pass.MaxSlope : 1000;
  const long double slope_scale = std::fabs(view_.MutualPlotHeight / max_slope);
  QPainter p(&picture_);
  const QColor green(0, 128, 0);
  p.setPen(green);
  size_t mark = 0;
  QPoint previous;
  for (size_t i = 0; i < pass.Points.size(); ++i) {
    const MutualModelPoint& pt = pass.Points[i];
    const QPoint at(view_.UnitX(pt.Unit), view_.ValueY(pt.Slope, slope_scale));
    if (mark < pass.ThirdDerivativeMarks.size() && pass.ThirdDerivativeMarks[mark].first == pt.Unit) {
      p.setPen(QColor(255, 0, 255));
      p.drawLine(at.x(), at.y() - 50, at.x(), at.y() + 50);
      DrawLabel(p, at.x() + 4, at.y() - 30, pass.ThirdDerivativeMarks[mark].second);
      p.setPen(green);
      ++mark;
    }
    if (i > 0) p.drawLine(previous, at);
    previous = at;
  }
  p.end();
  ShowImage();
}

void TMutual_Average::Button5Click() {
  if (RangeSearchRunning()) {
    StopRangeSearch();
    return;
  }
  if (!FitRangeUsable()) return;
  // A recalculation may have moved the last unit past the old fitting range.
  search_input_.First = MutualFirstUnit;
  search_input_.Last = MutualLastUnit;
  search_input_.FitFirst = std::clamp(fit_range_.MutualFitFirstUnit, 1, MutualFirstUnit);
  search_input_.FitLast = std::clamp(fit_range_.MutualFitLastUnit, MutualLastUnit, MutualUnitCount);
  search_input_.DegreeItem = std::clamp(ComboBox4->currentIndex(), 0, MutualDegreeItemCount - 1);
  search_input_.Increase = CheckBox2->isChecked();
  Edit12->setText(QString::number(search_input_.FitFirst));
  ProgressBar1->setMaximum(search_input_.First - search_input_.FitFirst + 1);
  ProgressBar1->setValue(0);

  search_progress_ = std::make_unique<MutualRangeSearchProgress>();
  search_result_ = std::make_unique<MutualRangeSearchResult>();
  search_finished_ = false;
  int threads = search_threads_;
  if (threads <= 0) threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  search_thread_ = std::jthread([this, units = MutualUnits, in = search_input_, threads,
                                 progress = search_progress_.get(), result = search_result_.get()] {
    *result = MutualRangeSearch(units, in, progress, threads);
    search_finished_ = true;
  });
  Button5->setText("Cancel");
  for (QWidget* w : std::initializer_list<QWidget*>{Button1, Button6}) w->setEnabled(false);
  search_timer_->start();
}

void TMutual_Average::RangeSearchPoll() {
  if (!search_progress_) return;
  ProgressBar1->setValue(search_progress_->StartsDone.load());
  if (search_finished_.load()) RangeSearchDone();
}

void TMutual_Average::RangeSearchDone() {
  search_timer_->stop();
  if (search_thread_.joinable()) search_thread_.join();
  Button5->setText("Button5");
  for (QWidget* w : std::initializer_list<QWidget*>{Button1, Button6}) w->setEnabled(true);
  const std::unique_ptr<MutualRangeSearchResult> result = std::move(search_result_);
  search_progress_.reset();
  if (!result || result->Cancelled) return;
  ProgressBar1->setValue(ProgressBar1->maximum());
  model_ = result->Model;
  DrawMutualGraph();
  // Over the units the search was started for, even if marks moved meanwhile.
  const MutualModelPass pass = DrawModel(search_input_.First, search_input_.Last, 40);
  ShowImage();
  Edit11->setText(Q(MutualResidualText(pass.SumSq, search_input_.First, search_input_.Last)));
}

void TMutual_Average::StopRangeSearch() {
  if (!search_thread_.joinable()) return;
  search_progress_->Cancel = true;
  search_thread_.join();
  if (search_result_) search_result_->Cancelled = true;
  RangeSearchDone();
}
