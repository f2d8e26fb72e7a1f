#include "app/ui/TProfile.h"

#include <QAction>
#include <algorithm>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include "app/Overlay.h"
#include "app/ui/TPlatform.h"
#include "measure/FrameDriver.h"
#include "measure/PsfFit.h"
#include "measure/RadialProfile.h"
#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/Layouts.h"
#include "base/ui/HandlerTable.h"

TProfile::TProfile(TPlatform& platform) : QWidget(&platform, Qt::Window | Qt::WindowStaysOnTopHint), w_(platform) {
  SetUpToolWindow(this, "Profile", "Operation guide");

  RadioButton1 = Named<QRadioButton>("RadioButton1", "Analyzer for occulted star");
  RadioButton2 = Named<QRadioButton>("RadioButton2", "Base star for tracking");
  RadioButton3 = Named<QRadioButton>("RadioButton3", "Comparison star");
  CheckBox1 = Named<QCheckBox>("CheckBox1", "Link Analizer to Base");
  Button1 = Named<QPushButton>("Button1", "Delete");
  Button2 = Named<QPushButton>("Button2", "Delete");
  ComboBox1 = Named<QComboBox>("ComboBox1");
  ComboBox1->addItems({"Select type of observed occultation. ", "Lunar occultation <bright star - drift track>",
                       "Lunar occultation <dim star - anchor track>", "Asteroidal occultation <use tracking star>",
                       "Asteroidal occultation <single star - bright star>"});
  Button3 = Named<QPushButton>("Button3", "Preview");
  Button4 = Named<QPushButton>("Button4", "Stop");
  Button6 = Named<QPushButton>("Button6", "Measure");
  Button7 = Named<QPushButton>("Button7", "Stop");
  Button5 = Named<QPushButton>("Button5", "Back to Starting point");
  Button8 = Named<QPushButton>("Button8", "Graph");
  RadioGroup1 = new TRadioGroup("RadioGroup1", "Control", {"Hide", "Show"}, this);
  Image1 = Named<QLabel>("Image1");
  Image1->setMinimumSize(200, 120);

  // The star buttons get a parent of their own: radio buttons exclude each
  // other across every descendant of their parent, the 'Control' group's too.
  auto* stars = new QWidget;
  auto* sg = EdgeLayout<QGridLayout>(stars);
  sg->addWidget(RadioButton1, 0, 0, 1, 2);
  sg->addWidget(RadioButton2, 1, 0, 1, 2);
  sg->addWidget(Button1, 1, 2);
  sg->addWidget(CheckBox1, 2, 0, 1, 2);
  sg->addWidget(RadioButton3, 3, 0, 1, 2);
  sg->addWidget(Button2, 3, 2);
  auto* g = new QGridLayout;
  g->addWidget(ComboBox1, 0, 0, 1, 3);
  g->addWidget(stars, 1, 0, 4, 3);
  AddGridRow(g, 5, {Button3, Button4});
  AddGridRow(g, 6, {Button6, Button7});
  g->addWidget(Button5, 7, 0, 1, 2);
  g->addWidget(Button8, 7, 2);
  g->addWidget(RadioGroup1, 5, 2, 2, 1);
  g->setVerticalSpacing(2);
  auto* v = new QVBoxLayout(this);
  v->addLayout(g);
  v->addWidget(Image1, 1);

  // Opened again, the type box shows the type the main window's presets go
  // on applying, not 'Select type' over a type still in use.
  OccultationType = std::clamp(w_.Options.OccultationTypeIndex, 0, ComboBox1->count() - 1);
  ComboBox1->setCurrentIndex(OccultationType);
  move(w_.x() + 736, w_.y());
  {
    QSignalBlocker b(CheckBox1);
    CheckBox1->setChecked(w_.CheckBox6->isChecked());
    LinkAnalyzerToBase = CheckBox1->isChecked();
  }
  RadioButton1->setChecked(w_.Run.SelectedObject == 1);
  RadioButton2->setChecked(w_.Run.SelectedObject == 2);
  RadioButton3->setChecked(w_.Run.SelectedObject == 3);
  RadioButton3->setEnabled(w_.Run.ObjectCount >= 2);
  ShowDeleteButtons();
  CheckBox1->setEnabled(false);
  // Nothing to go back to before a preview or a measurement started here.
  Button5->setEnabled(false);
  RadioGroup1->SetItemIndex(1);

  ConnectEach(this, {{RadioButton1, &TProfile::RadioButton1Click}, {RadioButton2, &TProfile::RadioButton2Click},
                     {RadioButton3, &TProfile::RadioButton3Click}, {CheckBox1, &TProfile::CheckBox1Click},
                     {ComboBox1, &TProfile::ComboBox1Change}, {RadioGroup1, &TProfile::RadioGroup1Click}});
  // The main window's own object commands run first; the guide then follows.
  for (QAction* a : {w_.Add1, w_.Remove1, w_.Object11, w_.Object21, w_.Object31})
    if (a) connect(a, &QAction::triggered, this, &TProfile::FollowMainWindow);
  for (QRadioButton* b : {w_.RadioButton7, w_.RadioButton8, w_.RadioButton9})
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) FollowMainWindow();
    });
  // The main window clears its 'Link' when B goes or stops drifting: the
  // guide's box must not go on showing a link that no longer tracks.
  connect(w_.CheckBox6, &QCheckBox::toggled, this, [this](bool on) {
    QSignalBlocker b(CheckBox1);
    CheckBox1->setChecked(on);
    LinkAnalyzerToBase = on;
  });
  for (auto [button, handler] : {std::pair{Button1, &TProfile::Button1Click}, {Button2, &TProfile::Button2Click},
                                 {Button3, &TProfile::Button3Click}, {Button4, &TProfile::Button4Click},
                                 {Button5, &TProfile::Button5Click}, {Button6, &TProfile::Button6Click},
                                 {Button7, &TProfile::Button7Click}, {Button8, &TProfile::Button8Click}})
    connect(button, &QPushButton::clicked, this, handler);
  DrawProfile();
}

TProfile::~TProfile() = default;

void TProfile::FollowMainWindow() {
  const int k = w_.Run.SelectedObject, n = w_.Run.ObjectCount;
  {
    QSignalBlocker b1(RadioButton1), b2(RadioButton2), b3(RadioButton3);
    RadioButton1->setChecked(k == 1);
    RadioButton2->setChecked(k == 2);
    RadioButton3->setChecked(k == 3);
  }
  RadioButton3->setEnabled(n >= 2);
  CheckBox1->setEnabled(n >= 2 && CheckBox1->isEnabled());
  if (n == 2 && sender() == w_.Add1) CheckBox1->setEnabled(true);
  ShowDeleteButtons();
  DrawProfile();
}

void TProfile::ObjectRemoved(int removed, int count) {
  // An object added since the starting point has no place in it.
  if (!DataLineBackup || removed > BackupObjectCount) return;
  w_.RemoveObjectFrom(*DataLineBackup, removed, count);
  BackupObjectCount -= 1;
}

void TProfile::DrawProfile() {
  constexpr int kW = 240, kH = 150;
  QImage plot(kW, kH, QImage::Format_RGB888);
  plot.fill(Qt::white);
  const int k = w_.Run.SelectedObject;
  const Bitmap24& frame = w_.Driver.FrameBitmap;
  if (k >= 1 && k <= 3 && !frame.Empty() && w_.Stars.ObjectPlaced[static_cast<size_t>(k - 1)]) {
    const ObjectResult& o = w_.Frames.FrameDataLines[0].Objects[static_cast<size_t>(k - 1)];
    ApertureOutlineStyle style;
    style.Object = k;
    style.Selected = true;
    const Bgr c = BackgroundOutlineColour(style);
    const QColor colour(c.r, c.g, c.b);
    auto px = [](double d) { return d / kPlotRadius * (kW - 1); };
    auto py = [](double v) { return (kH - 1) - v / 255.0 * (kH - 1); };
    // With a fit, the pixels are plotted at their distance from the centre
    // it found, as its curve is: from the pixel under it, a star off the
    // pixel's middle would look wider than its curve.
    const bool fitted =
        w_.CheckBox14->isChecked() && fit_ && fit_object_ == k && !fit_->NoPixels && fit_->Width > 0;
    RadialCentre centre;
    if (fitted) centre = {fit_->CenterX, fit_->CenterY, w_.TrackingOpts.PixelAspectCorrection ? 1.125 : 1.0};
    const std::vector<RadialPoint> points = RadialProfile(frame, o.X, o.Y, kPlotRadius, w_.MeasureGamma(), centre);
    QPainter p(&plot);
    p.setPen(colour);
    for (const RadialPoint& r : points) p.drawPoint(QPointF(px(r.Distance), py(r.Value)));
    // The curve the PSF fit found, with its own background: a ring of the
    // plot differs from the background region when a neighbour star or the
    // limb lies in one and not the other.
    if (fitted) {
      const double a = fit_->Amplitude, s = fit_->Width, b = fit_->Background;
      QPointF last(px(0), py(PsfProfileValue(0, a, s, b)));
      for (int i = 1; i <= 60; ++i) {
        const double d = kPlotRadius * i / 60.0;
        const QPointF next(px(d), py(PsfProfileValue(d, a, s, b)));
        p.drawLine(last, next);
        last = next;
      }
    }
  }
  Image1->setPixmap(QPixmap::fromImage(plot));
}

void TProfile::FrameShown(const FrameOutcome& out) {
  // A frame measured without a fit leaves no curve; one not measured (a
  // frame that could not be read) keeps the curve of the picture still up.
  if (out.Measured) {
    fit_ = out.SelectedPsf;
    fit_object_ = w_.Run.SelectedObject;
  }
  DrawProfile();
}

void TProfile::ShowDeleteButtons() {
  Button1->setEnabled(w_.Run.ObjectCount == 2);
  Button2->setEnabled(w_.Run.ObjectCount == 3);
}

void TProfile::RadioButton1Click() {
  w_.RadioButton7->setChecked(true);
  w_.SelectObject(1);
}

void TProfile::RadioButton2Click() {
  if (w_.Run.ObjectCount == 1) w_.ObjectStarAdd();
  if (w_.Run.ObjectCount >= 2) {
    if (OccultationType == 3) {
      w_.EnableLinkedTracking();
      CheckBox1->setChecked(true);
    }
    CheckBox1->setEnabled(true);
  }
  if (w_.Run.ObjectCount >= 3 && w_.CheckBox6->isChecked()) w_.CheckBox11->setEnabled(true);
  w_.RadioButton8->setChecked(true);
  w_.SelectObject(2);
  RadioButton3->setEnabled(w_.Run.ObjectCount >= 2);
  ShowDeleteButtons();
}

void TProfile::RadioButton3Click() {
  if (w_.Run.ObjectCount == 2) w_.ObjectStarAdd();
  w_.RadioButton9->setChecked(true);
  w_.SelectObject(3);
  ShowDeleteButtons();
}

void TProfile::CheckBox1Click() {
  // Taken first: the main window's link may clear on the way, and the guide follows it.
  const bool on = CheckBox1->isChecked();
  LinkAnalyzerToBase = on;
  w_.EnableLinkedTracking();
  w_.CheckBox6->setChecked(on);
}

void TProfile::Button1Click() {
  const int before = w_.Run.ObjectCount;
  w_.RemoveObject();
  // A removal refused (during a run) must not switch the run's link off.
  if (w_.Run.ObjectCount == before) return;
  w_.EnableLinkedTracking();
  w_.CheckBox6->setChecked(false);
  {
    QSignalBlocker b(CheckBox1);
    CheckBox1->setChecked(false);
    LinkAnalyzerToBase = false;
  }
  CheckBox1->setEnabled(false);
  ShowDeleteButtons();
}

void TProfile::Button2Click() {
  w_.RemoveObject();
  ShowDeleteButtons();
}

void TProfile::ComboBox1Change() {
  // The presets change the objects and show the frame again: during a run
  // that would change the rows' settings midway and measure a frame twice.
  if (w_.Run.MeasuringRun) {
    QSignalBlocker b(ComboBox1);
    ComboBox1->setCurrentIndex(OccultationType);
    return;
  }
  OccultationType = ComboBox1->currentIndex();
  w_.Options.OccultationTypeIndex = OccultationType;
  if (OccultationType != 3) {
    w_.EnableLinkedTracking();
    CheckBox1->setChecked(false);
    CheckBox1->setEnabled(false);
  }
  w_.ApplyOccultationPreset();
  // Ticking or clearing the link box passes the link on to the main window.
  const bool was_ticked = CheckBox1->isChecked();
  CheckBox1->setChecked(OccultationType == 2 || OccultationType == 3);
  if (OccultationType == 3 && was_ticked) CheckBox1Click();
}

void TProfile::StartKeepingBackup(void (TPlatform::*start)()) {
  // Only a start that took place moves the starting point. The main window
  // refuses one during a run (a preview also during playback), while
  // 'Direction Setting' holds the frame, or with every frame measured; the
  // point taken before stays then.
  const DataLineBlocks before = w_.Frames.FrameDataLines;
  const int objects = w_.Run.ObjectCount;
  const bool measuring = w_.Run.MeasuringRun, playing = w_.Run.Playing;
  const int last_measured = w_.Run.LastMeasuredFrame;
  const auto rows = w_.Results.Count();
  (w_.*start)();
  // A run started on the last frame has ended already, with its row.
  const bool measured = !measuring && (w_.Run.MeasuringRun || w_.Results.Count() != rows ||
                                       w_.Run.LastMeasuredFrame != last_measured);
  const bool played = !measuring && !playing && w_.Run.Playing;
  if (!measured && !played) return;
  DataLineBackup = before;
  BackupObjectCount = objects;
  Button5->setEnabled(false);
}

void TProfile::StopOfferingBackup(void (TPlatform::*stop)()) {
  (w_.*stop)();
  // Going back while a run still measures would move its objects mid-run.
  Button5->setEnabled(DataLineBackup.has_value() && !w_.Run.MeasuringRun);
}

void TProfile::Button3Click() { StartKeepingBackup(&TPlatform::StartPlayback); }
void TProfile::Button4Click() { StopOfferingBackup(&TPlatform::StopPlayback); }
void TProfile::Button6Click() { StartKeepingBackup(&TPlatform::StartMeasurement); }
void TProfile::Button7Click() { StopOfferingBackup(&TPlatform::StopMeasurement); }

void TProfile::Button5Click() {
  // Direction setting holds the frame: the objects must stay with it.
  if (!DataLineBackup || w_.Run.MeasuringRun || w_.Run.DirectionSettingMode) return;
  const int n = static_cast<int>(RoundHalfEven((*DataLineBackup)[0].FrameNumberX10 / 10.0L));
  DataLineBlocks back = *DataLineBackup;
  // A star added since has no starting point of its own: it stays as placed.
  for (size_t i = static_cast<size_t>(std::max(BackupObjectCount, 0)); i < 3; ++i)
    for (size_t b = 0; b < back.size(); ++b) back[b].Objects[i] = w_.Frames.FrameDataLines[b].Objects[i];
  w_.Frames.FrameDataLines = back;
  const int shown = w_.ScrollBar1->value();
  w_.GoToFrame(n);
  // On the frame already shown the bar does not move: the frame is shown
  // again, else the picture and position would go on showing the objects
  // where they stood before going back.
  if (w_.ScrollBar1->value() != shown) return;
  w_.ShowNeighbor();
}

void TProfile::Button8Click() { w_.ShowLightCurveGraph(); }

void TProfile::RadioGroup1Click() {
  // 'Hide' folds the profile image away.
  const bool show = RadioGroup1->ItemIndex() != 0;
  Image1->setVisible(show);
  setFixedHeight(show ? 416 : 246);
}
