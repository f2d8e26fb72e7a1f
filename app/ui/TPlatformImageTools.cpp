// Main window: the remaining image and tool handlers. The mouse over the
// frame turns a background direction, 'Direction Setting' starts that,
// 'Show Field' splits the frame into its fields, the gap and width up-downs
// reshape the background band, the linked points are cleared, and the frame
// number, 'Acurate', the wide IOTA-VTI scan and the diagnostic tables live here.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <functional>

#include "app/ui/TPlatform.h"
#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/NamedItems.h"
#include "base/ui/Layouts.h"
#include "base/ui/HandlerTable.h"
#include "base/ui/DialogService.h"
#include "measure/ProfileWindows.h"
#include "timestamp/GpsLine.h"

namespace {

size_t Slot(int k) { return static_cast<size_t>(std::clamp(k, 1, 3) - 1); }

// Runs `on_event` for the events of the watched object; lets them pass.
class EventWatch : public QObject {
 public:
  EventWatch(QObject* watched, std::function<void(QEvent*)> on_event)
      : QObject(watched), on_event_(std::move(on_event)) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    on_event_(event);
    return false;
  }

 private:
  std::function<void(QEvent*)> on_event_;
};

// The GHS GPS line: column 180 of the 22nd character row.
constexpr int kDiagnosticGpsX = 180;
constexpr int kDiagnosticGpsY = 21 * 18 + 9;

}  // namespace

void TPlatform::SetUpImageTools() {
  // The 'Clr' buttons follow the 'Set' buttons of the linked points.
  for (auto [set, clear] : {std::pair{Button23, Button24}, std::pair{Button25, Button26}}) {
    clear->setEnabled(set->isEnabled());
    new EventWatch(set, [set, clear](QEvent* e) {
      if (e->type() == QEvent::EnabledChange) clear->setEnabled(set->isEnabled());
    });
  }

  Image1->setMouseTracking(true);
  new EventWatch(Image1, [this](QEvent* e) {
    if (e->type() != QEvent::MouseMove) return;
    const QPoint p = static_cast<QMouseEvent*>(e)->position().toPoint();
    Image1MouseMove(p.x(), p.y());
  });
  ConnectEach(this, {{Button7, &TPlatform::Button7Click}, {Button24, &TPlatform::Button24Click},
                     {Button26, &TPlatform::Button26Click}, {Button10, &TPlatform::Button10Click},
                     {Button34, &TPlatform::Button34Click}, {Button35, &TPlatform::Button35Click},
                     {CheckBox1, &TPlatform::CheckBox1Click}, {UpDown6, &TPlatform::UpDown6Click},
                     {UpDown8, &TPlatform::UpDown8Click}, {RadioGroup3, &TPlatform::RadioGroup3Click}});
  // A right click on the frame opens the pop-up; the menu bar's 'Object' menu
  // places a new object where the user can see it instead.
  if (Object1)
    connect(Object1, &QMenu::aboutToShow, this, [this] { Mouse.PopupPlacement = false; });
}

// ---- the mouse over the frame ----

void TPlatform::Image1MouseMove(int x, int y) {
  Image1->setCursor(Options.PositionSetMode == 3 ? Qt::CrossCursor : Qt::ArrowCursor);
  Driver.PositionJustSet = false;
  if (!Run.DirectionSettingMode) return;
  const size_t i = Slot(Run.SelectedObject);
  const int dx = x - Driver.MagnifierX[i];
  const int dy = y - Driver.MagnifierY[i];
  // On the centre itself there is no direction: the last one stays.
  if (dx == 0 && dy == 0) return;
  Driver.Geometry[i].DirectionX = dx;
  Driver.Geometry[i].DirectionY = dy;
  ShowNeighbor();
}

// ---- 'Direction Setting' ----

void TPlatform::Button7Click() {
  if (Run.MeasuringRun || Run.Playing || !Run.VideoLoaded || CheckBox1->isChecked() || Run.DirectionSettingMode) return;
  const size_t i = Slot(Run.SelectedObject);
  if (Frames.FrameDataLines[0].Objects[i].BackgroundForm == 0) return;
  Bitmap24 fresh;
  if (const std::string error = GrabFrameText(ScrollBar1->value(), fresh); !error.empty()) {
    Dialogs().ShowError(QString::fromStdString(error));
    return;
  }
  // The frame in hand, filtered as shown, is what the direction is set on.
  ShowNeighbor();
  field_measure_was_enabled_ = CheckBox2->isEnabled();
  Mouse.DirectionPhotometryWas = CheckBox14->isChecked();
  CheckBox14->setChecked(false);
  // The same controls come back with the click that ends the setting.
  for (QWidget* c : std::initializer_list<QWidget*>{RadioButton1, RadioButton2, RadioButton3, RadioButton4,
                                                     RadioButton5, RadioButton6, RadioButton14, UpDown1, UpDown2,
                                                     UpDown3, UpDown4, CheckBox1, CheckBox2, CheckBox14, Button11,
                                                     Button12, Button13, Button14})
    c->setEnabled(false);
  Run.DirectionSettingMode = true;
  LimitApertureRadii();
  RefreshObjectMasks(DriverSettings(), true);
  ShowNeighbor();
  ShowApertureValues();
}

// ---- 'Show Field' ----

void TPlatform::CheckBox1Click() {
  if (CheckBox1->isChecked() && (Run.MeasuringRun || !Run.VideoLoaded || Run.DirectionSettingMode)) {
    // A run measures frames; the split view would stop its rows.
    QSignalBlocker block(CheckBox1);
    CheckBox1->setChecked(false);
    return;
  }
  const bool on = CheckBox1->isChecked();
  for (QWidget* c : std::initializer_list<QWidget*>{RadioButton1, RadioButton2, RadioButton3, Button7, RadioButton4,
                                                     RadioButton5, RadioButton6, RadioButton14, UpDown1, UpDown2,
                                                     UpDown3, UpDown5, UpDown7})
    c->setEnabled(!on);
  const bool band = Frames.FrameDataLines[0].Objects[Slot(Run.SelectedObject)].BackgroundForm != 0;
  UpDown6->setEnabled(!on && band);
  UpDown8->setEnabled(!on && band);
  if (on) {
    field_measure_was_enabled_ = CheckBox2->isEnabled();
    CheckBox2->setEnabled(false);
  } else {
    RestoreFieldMeasure();
    ShowRectangleControls(Run.SelectedObject);  // a rectangle keeps its form buttons off
  }
  ShowNeighbor();
}

// 'Field Measure' comes back as it was: measured rows keep it locked, since
// switching it rewrites the header and drops them.
void TPlatform::RestoreFieldMeasure() {
  const bool no_rows = Results.Count() <= TableHeaderLines();
  CheckBox2->setEnabled(!CheckBox14->isChecked() && (field_measure_was_enabled_ || no_rows));
}

// ---- 'Gap' and 'Width' ----

void TPlatform::UpDown6Click() {
  if (Run.MeasuringRun || !Run.VideoLoaded) return;
  if (Frames.FrameDataLines[0].Objects[Slot(Run.SelectedObject)].BackgroundForm == 0) return;
  CheckBox1->setChecked(false);
  PutControlsIntoSelectedObject();
  LimitApertureRadii();
  Prime();
  ShowNeighbor();  // rebuilds the masks (a rectangle takes a new reference frame)
  ShowApertureValues();
}

void TPlatform::UpDown8Click() { UpDown6Click(); }

// ---- linked points ----

void TPlatform::Button24Click() {
  if (!Run.VideoLoaded || Run.MeasuringRun || Run.ObjectCount < 2) return;
  for (LinkedPointSet& p : LinkedPoints) p.Begin.Clear();
  ShowLinkedPointFrames();
}

void TPlatform::Button26Click() {
  if (!Run.VideoLoaded || Run.MeasuringRun || Run.ObjectCount < 2) return;
  for (LinkedPointSet& p : LinkedPoints) p.End.Clear();
  ShowLinkedPointFrames();
}

// ---- 'FrameFlickerFree' ----

void TPlatform::RadioGroup3Click() {
  // Qt paints every widget through its back buffer; the choice is kept on the
  // widgets so that what the user picked is what they report.
  const bool on = RadioGroup3->ItemIndex() == 0;
  for (QWidget* w : std::initializer_list<QWidget*>{ScrollBox1, Memo1, Panel7, Memo2, GroupBox12})
    w->setProperty("DoubleBuffered", on);
}

// ---- frame number ----

void TPlatform::ShowFrameNumber(int n) {
  if (Edit10) Edit10->setText(QString::number(n));
}

// ---- where a new object goes from the menu bar ----

std::pair<int, int> TPlatform::VisibleImageCentre() const {
  // The part of the frame inside the view, in frame pixels.
  const QWidget* view = ScrollBox1->viewport();
  const QPoint top_left = Image1->mapFrom(view, QPoint(0, 0));
  const QRect seen = QRect(top_left, view->size()).intersected(Image1->rect());
  const auto [frame_width, frame_height] = ShownFrameSize();
  const int width = std::max(1, std::min(frame_width > 0 ? frame_width : Image1->width(), Image1->width()));
  const int height = std::max(1, std::min(frame_height > 0 ? frame_height : Image1->height(), Image1->height()));
  const QRect frame = seen.intersected(QRect(0, 0, width, height));
  const QRect area = frame.isEmpty() ? QRect(0, 0, width, height) : frame;
  return {area.left() + area.width() / 2, area.top() + area.height() / 2};
}

// ---- diagnostic tables ----

void TPlatform::Button10Click() {
  if (!Run.VideoLoaded) return;
  const size_t i = Slot(Run.SelectedObject);
  const ProfileModel& model = Tracking.Profiles[i].Model;
  QStringList lines;
  // The pixels the fit sees, read as it reads them (through the gamma table
  // in 'Measure', 0 beyond the frame and on row 0), then its model.
  ProfileFitWindow seen;
  FillMeanWindow(seen, Driver.FrameBitmap, Driver.ObjectX[i], Driver.ObjectY[i], MeasureGamma());
  for (int dy = -ProfileModel::kReach; dy <= ProfileModel::kReach; ++dy) {
    std::string line;
    for (int dx = -ProfileModel::kReach; dx <= ProfileModel::kReach; ++dx)
      line += "  " + FormatFixed(seen.At(dx, dy), 2, 18);
    lines << QString::fromStdString(line);
  }
  for (int dy = -ProfileModel::kReach; dy <= ProfileModel::kReach; ++dy) {
    std::string line;
    for (int dx = -ProfileModel::kReach; dx <= ProfileModel::kReach; ++dx)
      line += "  " + FormatFixed(model.At(dx, dy), 2, 18);
    lines << QString::fromStdString(line);
  }
  Memo2->setVisible(true);
  Memo2->setPlainText(lines.join('\n'));
}

void TPlatform::Button34Click() {
  const ProfileModel& model = Tracking.Profiles[Slot(Run.SelectedObject)].Model;
  // Into the diagnostic memo: lines added to the results table would end up
  // in the saved table as rows.
  Memo2->setVisible(true);
  for (int dy = -ProfileModel::kReach; dy <= ProfileModel::kReach; ++dy) {
    std::string line;
    for (int dx = -ProfileModel::kReach; dx <= ProfileModel::kReach; ++dx)
      line += PadLeft(std::to_string(static_cast<long long>(RoundHalfAway(model.At(dx, dy)))), 3);
    Memo2->appendPlainText(QString::fromStdString(line));
  }
}

void TPlatform::Button35Click() {
  if (!Run.VideoLoaded) return;
  const bool locate = Options.GhsLocateEnabled;
  Options.GhsLocateEnabled = true;
  ReadGhsGpsLine(kDiagnosticGpsX, kDiagnosticGpsY);
  Options.GhsLocateEnabled = locate;
}
