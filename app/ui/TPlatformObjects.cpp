// Main window: objects A, B and C. Placing them by a click on the frame
// (or the LED and digit boxes, by the 'Position Set' mode), the popup menu,
// selecting an object, its radius and tracking controls, and the passed and
// linked points of drift and linked tracking.
#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

#include "base/NumberText.h"
#include "base/ResultCsvLoad.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/NamedItems.h"
#include "base/ui/OpenWindow.h"
#include "base/ui/Layouts.h"
#include "base/ui/HandlerTable.h"
#include "app/ui/TPlatform.h"
#include "app/ui/TProfile.h"
#include "app/ui/TSetPredictTrack.h"

namespace {


size_t Slot(int k) { return static_cast<size_t>(k - 1); }

// Ticks `on` of the tracking-mode buttons: showing a mode is not a change of it.
void ShowModeButton(const std::array<QRadioButton*, 4>& modes, QRadioButton* on) {
  QSignalBlocker b0(modes[0]), b1(modes[1]), b2(modes[2]), b3(modes[3]);
  for (QRadioButton* b : modes) b->setChecked(b == on);
}

// Object i's tracking disk rebuilt at `radius`, which its rows record too.
void SetTrackRadius(TrackDisk& disk, DataLineBlocks& rows, size_t i, int radius) {
  ClearTrackMask(disk);
  BuildTrackMask(disk, radius, 1);
  SetObjectSetting(rows, static_cast<int>(i), &ObjectResult::TrackRadius, radius);
}

// Object i stands at (x, y) in every row, as its last position too.
void PlaceInEveryRow(DataLineBlocks& rows, size_t i, int x, int y) {
  for (DataLine& b : rows) {
    ObjectResult& o = b.Objects[i];
    o.PrevX = o.X = x;
    o.PrevY = o.Y = y;
  }
}

}  // namespace

QWidget* TPlatform::CreateObjectsPanel() {
  auto* box = Named<QGroupBox>("GroupBoxObjects", "Tracking");
  auto* g = new QGridLayout(box);
  CheckBox15 = Named<QCheckBox>("CheckBox15", "Tracking");
  CheckBox4 = Named<QCheckBox>("CheckBox4", "Estimated track");
  CheckBox4->setEnabled(false);
  CheckBox6 = Named<QCheckBox>("CheckBox6", "Link");
  CheckBox6->setEnabled(false);
  CheckBox11 = Named<QCheckBox>("CheckBox11", "Rotate");
  CheckBox11->setEnabled(false);
  AddGridRow(g, 0, {CheckBox15, CheckBox4, CheckBox6, CheckBox11});

  Button11 = Named<QPushButton>("Button11", "Set");
  Button12 = Named<QPushButton>("Button12", "Clr");
  Button13 = Named<QPushButton>("Button13", "Set");
  Button14 = Named<QPushButton>("Button14", "Clr");
  Edit40 = NamedReadOut("Edit40", "Frame1", 56);
  Edit41 = NamedReadOut("Edit41", "Frame2", 56);
  AddGridRow(g, 1, {Edit40, Button11, Button12});
  AddGridRow(g, 2, {Edit41, Button13, Button14});

  Button23 = Named<QPushButton>("Button23", "Begin");
  Button25 = Named<QPushButton>("Button25", "End");
  Edit11 = NamedReadOut("Edit11", "Frame1", 56);
  Edit32 = NamedReadOut("Edit32", "Frame2", 56);
  for (auto* b : {Button23, Button25}) b->setEnabled(false);
  AddGridRow(g, 3, {Edit11, Button23, Edit32, Button25});

  Edit7 = NamedReadOut("Edit7", {}, 56);
  Edit8 = NamedReadOut("Edit8", {}, 56);
  Edit12 = NamedReadOut("Edit12", {}, 56);
  Edit13 = NamedReadOut("Edit13", {}, 56);
  auto* pos = new QHBoxLayout;
  for (QLineEdit* e : {Edit7, Edit8, Edit12, Edit13}) pos->addWidget(e);
  g->addLayout(pos, 4, 0, 1, 3);
  UpDown14 = new TUpDown("UpDown14", "Edit50", 0, 100, 0);
  UpDown14->setSingleStep(5);
  UpDown14->setToolTip("Adjustment range of frames for searching the most regular profile of target star.");
  g->addWidget(UpDown14, 4, 3);

  Button6 = Named<QPushButton>("Button6", "SaveToCSV-File");
  Button20 = Named<QPushButton>("Button20", "Load CSV");
  g->addWidget(Button6, 5, 0, 1, 2);
  g->addWidget(Button20, 5, 2, 1, 2);

  Button24 = Named<QPushButton>("Button24", "Clr");
  Button26 = Named<QPushButton>("Button26", "Clr");
  Edit15 = NamedReadOut("Edit15", {}, 56);
  Edit16 = NamedReadOut("Edit16", {}, 56);
  g->addWidget(Button24, 6, 1);
  g->addWidget(Button26, 6, 3);
  g->addWidget(Edit15, 6, 0);
  g->addWidget(Edit16, 6, 2);
  for (auto* b : {Button24, Button26}) b->setEnabled(false);
  return box;
}

void TPlatform::CreateObjectsMenus() {
  PopupMenu1 = Named<QMenu>("PopupMenu1", this);
  SetPositiononly1 = Named<QAction>("SetPositiononly1", "Set Position only", this);
  PopupMenu1->addAction(Add1);
  PopupMenu1->addAction(SetPositiononly1);
  PopupMenu1->addAction(Remove1);

  if (QMenu* object = Object1) {
    object->addSeparator();
    Object11 = object->addAction("Object A");
    Object21 = object->addAction("Object B");
    Object31 = object->addAction("Object C");
    Object11->setObjectName("Object11");
    Object21->setObjectName("Object21");
    Object31->setObjectName("Object31");
    for (QAction* a : {Object11, Object21, Object31}) a->setEnabled(false);
  }
  if (QMenu* file = File1) {
    SavetoCSVFile1 = Named<QAction>("SavetoCSVFile1", "Save to CSV File", this);
    LoadCSVFile1 = Named<QAction>("LoadCSVFile1", "Load CSV File", this);
    QAction* before = file->actions().isEmpty() ? nullptr : file->actions().back();
    file->insertAction(before, SavetoCSVFile1);
    file->insertAction(before, LoadCSVFile1);
  }
}

void TPlatform::ConnectObjectsHandlers() {

  ConnectEach(this, {{Add1, &TPlatform::Add1Click}, {SetPositiononly1, &TPlatform::SetPositiononly1Click},
                     {Remove1, &TPlatform::Remove1Click}});
  if (Object11)
    ConnectEach(this, {{Object11, &TPlatform::Object11Click}, {Object21, &TPlatform::Object21Click},
                       {Object31, &TPlatform::Object31Click}});
  if (SavetoCSVFile1)
    ConnectEach(this, {{SavetoCSVFile1, &TPlatform::SavetoCSVFile1Click},
                       {LoadCSVFile1, &TPlatform::LoadCSVFile1Click}});
  ConnectEach(this, {{RadioButton7, &TPlatform::RadioButton7Click}, {RadioButton8, &TPlatform::RadioButton8Click},
                     {RadioButton9, &TPlatform::RadioButton9Click}, {UpDown1, &TPlatform::UpDown1Click},
                     {UpDown2, &TPlatform::UpDown2Click}, {UpDown3, &TPlatform::UpDown3Click},
                     {UpDown5, &TPlatform::UpDown5Click}, {UpDown7, &TPlatform::UpDown7Click}});
  const std::array<QRadioButton*, 4> modes{RadioButton4, RadioButton5, RadioButton6, RadioButton14};
  for (int m = 0; m < 4; ++m)
    connect(modes[static_cast<size_t>(m)], &QAbstractButton::toggled, this, [this, m](bool on) {
      if (on) TrackModeClick(m);
    });
  OnCheckBoxClick(CheckBox4, this, &TPlatform::CheckBox4Click);
  // The right mouse button on 'Estimated track' opens its settings window.
  CheckBox4->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(CheckBox4, &QWidget::customContextMenuRequested, this, [this](const QPoint&) { OpenSetPredictTrack(); });
  OnCheckBoxClick(CheckBox6, this, &TPlatform::CheckBox6Click);
  ConnectEach(this, {{Button11, &TPlatform::Button11Click}, {Button12, &TPlatform::Button12Click},
                     {Button13, &TPlatform::Button13Click}, {Button14, &TPlatform::Button14Click},
                     {Button23, &TPlatform::Button23Click}, {Button25, &TPlatform::Button25Click},
                     {Button6, &TPlatform::Button6Click}, {Button20, &TPlatform::Button20Click}});
}

// ---- clicks on the frame ----

std::pair<int, int> TPlatform::SnapToGhsGrid(int x, int y) {
  const int gx = static_cast<int>(RoundHalfAway((x - 18) / 20.0L)) * 20 + 14;
  const int gy = static_cast<int>(RoundHalfAway((y - 7) / 18.0L)) * 18 + 9;
  return {gx, gy};
}

void TPlatform::Image1MouseDown(Qt::MouseButton button, int x, int y) {
  if (!Run.VideoLoaded || Run.MeasuringRun) return;
  if (button == Qt::RightButton) {
    Mouse.PopupX = x;
    Mouse.PopupY = y;
    Mouse.PopupPlacement = true;
    PopupMenu1->popup(Image1->mapToGlobal(QPoint(x, y)));
    return;
  }
  if (button != Qt::LeftButton) return;
  const int k = Run.SelectedObject;
  if (Run.DirectionSettingMode) {
    Run.DirectionSettingMode = false;
    RefreshObjectMasks(DriverSettings(), true);
    ShowNeighbor();
    // The controls the direction setting took away come back.
    for (QWidget* c : std::initializer_list<QWidget*>{RadioButton1, RadioButton2, RadioButton3, RadioButton4,
                                                       RadioButton5, RadioButton6, RadioButton14, UpDown1, UpDown2,
                                                       UpDown3, UpDown4, CheckBox1, CheckBox14})
      c->setEnabled(true);
    ShowRectangleControls(k);  // a rectangle keeps its form buttons off
    RestoreFieldMeasure();
    const bool drift = Frames.FrameDataLines[0].Objects[Slot(std::clamp(k, 1, 3))].TrackMode == 1;
    for (QPushButton* b : {Button11, Button12, Button13, Button14}) b->setEnabled(drift);
    if (Mouse.DirectionPhotometryWas) CheckBox14->setChecked(true);  // as before 'Direction Setting'
    Mouse.DirectionPhotometryWas = false;
    return;
  }
  if (CheckBox1->isChecked()) return;
  switch (Options.PositionSetMode) {
    case 0:
      if (k < 1 || k > 3) return;
      SetStarsPosition(k, x, y);
      if (k == 2 && RadioButton5->isChecked()) CheckBox6->setEnabled(true);
      Events.Flags.TimeFieldEdited = {0, 0, 0};  // a new star: event times are worked out afresh
      Mouse.LastStarClickX = x;
      Mouse.LastStarClickY = y;
      if (CheckBox22->isChecked() && k == 1) {
        Marks.Signal1X = ShownFrameSize().first - 20;
        Marks.Signal1Y = y;
      }
      return;
    case 1:
      Marks.Signal1X = x;
      Marks.Signal1Y = y;
      ShowNeighbor();
      return;
    case 2:
      Marks.Signal2X = x;
      Marks.Signal2Y = y;
      ShowNeighbor();
      return;
    default:
      break;
  }
  // The digit box of the time inserter: the stamp reader locates it.
  Marks.DigitBoxSet = true;
  std::tie(Marks.DigitBoxX, Marks.DigitBoxY) =
      Options.TimeStampMode == 2 && CheckBox5->isChecked() ? SnapToGhsGrid(x, y) : std::pair{x, y};
  TiviDigitBoxClick(x, y);
}

void TPlatform::SetStarsPosition(int k, int x, int y) {
  if (k < 1 || k > 3 || placing_) return;
  placing_ = true;
  const size_t i = Slot(k);
  const DataLineBlocks copy = Frames.FrameDataLines;
  const bool link = CheckBox6->isChecked();
  CheckBox6->setChecked(false);
  for (QWidget* c : std::initializer_list<QWidget*>{CheckBox6, CheckBox11, Button23, Button25}) c->setEnabled(false);
  // Every block: an object that is not tracked (a rectangle aperture) keeps
  // this position in the rows of both fields too.
  PlaceInEveryRow(Frames.FrameDataLines, i, x, y);
  const ObjectResult& o0 = Frames.FrameDataLines[0].Objects[i];
  Stars.ObjectPlaced[i] = true;  // outlined from the set-up's first frame on
  // The profile and width fitted for the star it stood on before are not
  // this star's: with none, the next step fits this one over a wide window.
  Tracking.Profiles[i].Model = ProfileModel{};
  Tracking.Profiles[i].ReferenceValue = 0;
  Tracking.Profiles[i].PsfWidth = 0;
  if (k == 1) Tracking.LastMatchA = {};  // nor is where the old star was last matched
  const bool profile_tracking = CheckBox15->isChecked();
  const int threshold = UpDown7->Position();

  if (o0.BackgroundForm == 3) {
    // A rectangle takes a new reference from this frame.
    Driver.Rectangles[i].Reset();
    ShowNeighbor();
  } else {
    // Small radii while the star is found.
    UpDown7->SetPosition(95);
    UpDown1->SetRange(0, 7);
    UpDown1->SetPosition(6);
    UpDown2->SetRange(7, 25);
    UpDown2->SetPosition(8);
    UpDown3->SetRange(7, 25);
    if (UpDown3->Position() < UpDown2->Position()) {
      UpDown3->SetPosition(UpDown2->Position());
      UpDown2->SetRange(7, UpDown2->Position());
    }
    if (UpDown5->Position() > 4) UpDown5->SetPosition(4);
    SetTrackRadius(Driver.Track[i], Frames.FrameDataLines, i, UpDown5->Position());
    {
      QSignalBlocker block(CheckBox15);
      CheckBox15->setChecked(false);
    }
    SetObjectSetting(Frames.FrameDataLines, static_cast<int>(i), &ObjectResult::TrackMode,
                     static_cast<uint8_t>(RadioButton5->isChecked() ? 1 : 0));
    SetObjectSetting(Frames.FrameDataLines, static_cast<int>(i), &ObjectResult::TrackRadius, 6);
    // Three frames settle the position.
    for (int n = 0; n < 3; ++n) {
      Driver.PositionJustSet = true;
      Driver.ObjectBeingPlaced[i] = true;
      ShowNeighbor();
      Driver.ObjectBeingPlaced[i] = false;
    }
    Driver.PositionJustSet = false;
    SetObjectSetting(Frames.FrameDataLines, static_cast<int>(i), &ObjectResult::TrackRadius, copy[0].Objects[i].TrackRadius);
    SetObjectSetting(Frames.FrameDataLines, static_cast<int>(i), &ObjectResult::TrackMode, copy[0].Objects[i].TrackMode);

    // The profile width, for PSF photometry and profile tracking only:
    // a full fit also sets the aperture radii from the width.
    if (CheckBox14->isChecked() || profile_tracking) {
      double best = 1e7;
      for (int t = 0; t <= 4; ++t) {
        Driver.PsfRefitPending = true;
        Tracking.History.Index = t;
        const FrameOutcome out = ShowNeighbor();
        if (out.LastRefit && out.LastRefit->Rms < best) best = out.LastRefit->Rms;
      }
      const int start = ScrollBar1->value();
      double sum = 0;
      int count = 0;
      for (int j = 0; j <= UpDown14->Position(); ++j) {
        if (start + j > ScrollBar1->maximum()) break;
        Driver.PsfRefitPending = true;
        Tracking.History.Index = j;
        {
          QSignalBlocker block(ScrollBar1);
          ScrollBar1->setValue(start + j);
        }
        const FrameOutcome out = ShowNeighbor();
        if (out.LastRefit) {
          sum += out.LastRefit->Width;
          ++count;
        }
      }
      {
        QSignalBlocker block(ScrollBar1);
        ScrollBar1->setValue(start);
      }
      if (count > 0) {
        // The occultation preset sizes the tracking radius from this width.
        Stars.ObjectFitWidth[i] = sum / count;
        if (k == Run.SelectedObject) Tracking.Profiles[i].PsfWidth = sum / count;
      }
      Driver.PsfRefitPending = false;
    }
    if (Frames.FrameDataLines[0].Objects[i].BackgroundForm == 2) {
      Driver.OptimizeDirectionNow = true;
      ShowNeighbor();
    }
    SetObjectSetting(Frames.FrameDataLines, static_cast<int>(i), &ObjectResult::TrackMode, copy[0].Objects[i].TrackMode);
    UpDown7->SetPosition(threshold);
    Tracking.Profiles[i].MatchThresholdPercent = threshold;
    {
      QSignalBlocker block(CheckBox15);
      CheckBox15->setChecked(profile_tracking);
    }
    // The object keeps its own tracking radius (or the refit's), at least 4;
    // the up-down shows the radius it tracks with and its rows record.
    const int radius = std::max(Frames.FrameDataLines[0].Objects[i].TrackRadius, 4);
    UpDown5->SetPosition(radius);
    SetTrackRadius(Driver.Track[i], Frames.FrameDataLines, i, UpDown5->Position());
    LimitApertureRadii();
  }
  Position1Show(k);
  if (CheckBox14->isChecked()) {
    OpenOperationGuide();  // its plot shows the fitted profile
    Driver.PositionJustSet = true;
    Driver.PsfRefitPending = true;
    Driver.ObjectBeingPlaced[i] = true;
    ShowNeighbor();
    Driver.ObjectBeingPlaced[i] = false;
    Driver.PositionJustSet = false;
  } else {
    ShowNeighbor();
  }
  CheckBox6->setChecked(link);
  EnableLinkedTracking();
  placing_ = false;
  if (k == 1 && Options.EasyClickOperation) ApplyOccultationPreset();
}

void TPlatform::ObjectStarAdd() {
  if (Run.MeasuringRun || !Run.VideoLoaded || Run.DirectionSettingMode || Run.ObjectCount >= 3) return;
  // From the menu bar there is no clicked point: the middle of what the user sees.
  if (!Mouse.PopupPlacement) std::tie(Mouse.PopupX, Mouse.PopupY) = VisibleImageCentre();
  Mouse.PopupPlacement = false;
  const DataLineBlocks copy = Frames.FrameDataLines;
  Run.ObjectCount += 1;
  const int k = Run.ObjectCount;
  const size_t i = Slot(k);
  PlaceInEveryRow(Frames.FrameDataLines, i, Mouse.PopupX, Mouse.PopupY);
  // Linked points marked before were not this object's: it follows the guide
  // until they are marked again, not from a removed object's or an idle slot's.
  LinkedPoints[i] = {};
  QRadioButton* button = k == 2 ? RadioButton8 : RadioButton9;
  button->setVisible(true);
  button->setEnabled(true);
  if (k == 2) SetObjectSetting(Frames.FrameDataLines, 1, &ObjectResult::Threshold, UpDown7->Position());
  {
    // The selection below is the new object's; the radio button only shows it.
    QSignalBlocker block(button);
    button->setChecked(true);
    for (QRadioButton* b : {RadioButton7, RadioButton8, RadioButton9})
      if (b != button) {
        QSignalBlocker other(b);
        b->setChecked(false);
      }
  }
  Run.SelectedObject = k;
  Remove1->setEnabled(true);
  UpdateObjectMenuItems();
  ApplyObjectSettings(k);
  RefreshObjectMasks(DriverSettings(), true);
  Driver.PsfRefitPending = true;
  Driver.PositionJustSet = true;
  SetStarsPosition(k, Mouse.PopupX, Mouse.PopupY);
  for (size_t b = 0; b < 3; ++b)
    for (size_t j = 0; j < 3; ++j) Frames.FrameDataLines[b].Objects[j].BackgroundForm = copy[b].Objects[j].BackgroundForm;
}

void TPlatform::ShowSelectedObject() {
  QSignalBlocker b7(RadioButton7), b8(RadioButton8), b9(RadioButton9);
  RadioButton7->setChecked(Run.SelectedObject == 1);
  RadioButton8->setChecked(Run.SelectedObject == 2);
  RadioButton9->setChecked(Run.SelectedObject == 3);
}

void TPlatform::Add1Click() {
  ObjectStarAdd();
  EnableLinkedTracking();
  if (Run.ObjectCount >= 3 && CheckBox6->isChecked()) CheckBox11->setEnabled(true);
}

void TPlatform::SetPositiononly1Click() {
  if (!Run.VideoLoaded || Run.MeasuringRun) return;
  const size_t i = Slot(std::clamp(Run.SelectedObject, 1, 3));
  PlaceInEveryRow(Frames.FrameDataLines, i, Mouse.PopupX, Mouse.PopupY);
  ShowNeighbor();
}

void TPlatform::Remove1Click() { RemoveObject(); }

void TPlatform::RemoveObjectFrom(DataLineBlocks& blocks, int removed, int count) const {
  for (size_t b = 0; b < blocks.size(); ++b) {
    auto& objs = blocks[b].Objects;
    const auto& init = Frames.InitialDataLines[b].Objects;
    if (removed == 3) {
      objs[2] = init[2];
    } else if (count == 3) {
      objs[1] = objs[2];
      objs[2] = init[2];
    } else {
      objs[1] = init[1];
    }
  }
}

void TPlatform::RemoveObject() {
  if (Run.MeasuringRun || !Run.VideoLoaded || Run.DirectionSettingMode || Run.SelectedObject < 2) return;
  const int removed = Run.SelectedObject, count = Run.ObjectCount;
  RemoveObjectFrom(Frames.FrameDataLines, removed, count);
  if (Run.SelectedObject == 2 && Run.ObjectCount == 3) {
    Stars.ObjectPlaced[1] = Stars.ObjectPlaced[2];
    Tracking.Profiles[1] = Tracking.Profiles[2];
    PassedPoints[1] = PassedPoints[2];
    // C becomes the guide: the linked offsets count from its own marked points.
    LinkedPoints[1] = LinkedPoints[2];
    Tracking.PredictTracks[1] = Tracking.PredictTracks[2];  // its predicted-track settings go with it
    Stars.ObjectFitWidth[1] = Stars.ObjectFitWidth[2];
    // C measures on in B's slot with its own background direction and tracking disk.
    Driver.Geometry[1] = Driver.Geometry[2];
    Driver.Track[1] = Driver.Track[2];
    // And with its rectangle aperture, if it has one.
    Driver.Rectangles[1] = Driver.Rectangles[2];
    RectAperture.RectangleWidth[1] = RectAperture.RectangleWidth[2];
    RectAperture.RectangleHeight[1] = RectAperture.RectangleHeight[2];
    RectAperture.SavedBkgWidth[1] = RectAperture.SavedBkgWidth[2];
    RectAperture.SavedBkgGap[1] = RectAperture.SavedBkgGap[2];
    RectAperture.SavedBkgForm[1] = RectAperture.SavedBkgForm[2];
    RectAperture.SavedTrackingMode[1] = RectAperture.SavedTrackingMode[2];
  }
  const size_t freed = static_cast<size_t>(Run.ObjectCount - 1);
  Stars.ObjectPlaced[freed] = false;
  PassedPoints[freed] = {};
  // With the guide gone and none taking its place, or C taking it without
  // marks of its own (added after them), no marked offset counts from anything.
  if (removed == 2 && (count == 2 || !LinkedPoints[1].Begin.HasFrame() || !LinkedPoints[1].End.HasFrame())) {
    LinkedPoints = {};
    ShowLinkedPointFrames();
  }
  Driver.Geometry[freed] = InitialFrameDriverState().Geometry[freed];
  // An object added here later must not track with the removed one's
  // 'Estimated track' (selecting it ticks the box from this) nor be sized
  // by the preset from its fitted width.
  Tracking.PredictTracks[freed].Enabled = 0;
  Stars.ObjectFitWidth[freed] = 0;
  Run.ObjectCount -= 1;
  Run.SelectedObject = Run.ObjectCount;  // 1 or 2 now
  ShowSelectedObject();
  RadioButton9->setEnabled(false);
  if (Run.ObjectCount < 2) RadioButton8->setEnabled(false);
  if (Run.ObjectCount < 3) {
    CheckBox11->setChecked(false);
    CheckBox11->setEnabled(false);
  }
  UpdateObjectMenuItems();
  EnableLinkedTracking();
  ApplyObjectSettings(Run.SelectedObject);
  if (SetPredictTrack) SetPredictTrack->ShowObjects();  // C's settings now show as B's
  if (Profile) Profile->ObjectRemoved(removed, count);  // its starting point loses the object too
  RefreshObjectMasks(DriverSettings(), true);
  ShowNeighbor();
}

// ---- selection ----

void TPlatform::UpdateObjectMenuItems() {
  if (!Object11) return;
  const int k = Run.SelectedObject, n = Run.ObjectCount;
  Object11->setEnabled(n >= 2 && k != 1);
  Object21->setEnabled(n >= 2 && k != 2);
  Object31->setEnabled(n >= 3 && k != 3);
  Add1->setEnabled(k != 3);
  Remove1->setEnabled(k == 2 || (k == 3 && n == 3));
}

void TPlatform::SelectObject(int k) {
  // A refused button (a run, a direction being set) must not stay ticked for
  // an object not selected.
  if (Run.MeasuringRun || Run.DirectionSettingMode) ShowSelectedObject();
  if (Run.MeasuringRun || !Run.VideoLoaded || Run.DirectionSettingMode) return;
  if (k < 1 || k > Run.ObjectCount || k == Run.SelectedObject) return;
  Run.SelectedObject = k;
  ApplyObjectSettings(k);
  LimitApertureRadii();
  RefreshObjectMasks(DriverSettings(), true);
  if (!Run.Playing) ShowNeighbor();
  ShowPassedPoints();
  {
    QSignalBlocker block(CheckBox4);
    CheckBox4->setChecked(Tracking.PredictTracks[Slot(k)].Enabled != 0);
  }
  // As the tick's own click would: the object tracks with the tick it shows.
  SetObjectSetting(Frames.FrameDataLines, static_cast<int>(Slot(k)), &ObjectResult::EstimatedTrack,
                   static_cast<uint8_t>(CheckBox4->isChecked()));
  UpdateObjectMenuItems();
  RedrawChart();  // ---- chart ----: the selected object's curve is highlighted
}

void TPlatform::SelectObjectFromMenu(int k) {
  if (k < 1 || k > Run.ObjectCount) return;
  QRadioButton* button = k == 1 ? RadioButton7 : k == 2 ? RadioButton8 : RadioButton9;
  // Ticking the button runs SelectObject through its handler.
  button->setChecked(true);
  SelectObject(k);
  UpdateObjectMenuItems();
}

void TPlatform::ApplyObjectSettings(int k) {
  if (k < 1 || k > 3) return;
  const ObjectResult& o = Frames.FrameDataLines[0].Objects[Slot(k)];
  const ObjectControlValues v = ComputeObjectControlValues(o);
  auto put = [](TUpDown* u, const ObjectSpinValue& s) {
    u->SetRange(s.Min, s.Max);
    u->SetPosition(s.Value);
  };
  UpDown1->SetRange(0, 25);
  UpDown2->SetRange(0, 25);
  UpDown3->SetRange(0, 25);
  put(UpDown1, v.ApertureRadius);
  put(UpDown2, v.BackgroundInner);
  put(UpDown3, v.BackgroundOuter);
  {
    QSignalBlocker b1(RadioButton1), b2(RadioButton2), b3(RadioButton3);
    if (v.BackgroundFormButton >= 0)
      (v.BackgroundFormButton == 0 ? RadioButton1 : v.BackgroundFormButton == 1 ? RadioButton2 : RadioButton3)
          ->setChecked(true);
    UpDown6->setEnabled(v.BackgroundFormButton > 0);
    UpDown8->setEnabled(v.BackgroundFormButton > 0);
  }
  ShowRectangleControls(k);
  if (v.RectangleAperture) {
    UpDown8->SetPosition(RectAperture.RectangleWidth[Slot(k)]);
    UpDown6->SetPosition(RectAperture.RectangleHeight[Slot(k)]);
  } else {
    UpDown8->SetPosition(v.Width);
    UpDown6->SetPosition(v.Gap);
  }
  UpDown5->SetPosition(v.TrackRadius);
  UpDown7->SetPosition(v.Threshold);
  {
    QSignalBlocker b(CheckBox3), b4(CheckBox4);
    CheckBox3->setChecked(v.SyncTracking);
    CheckBox4->setChecked(v.EstimatedTrack);
  }
  ShowModeButton({RadioButton4, RadioButton5, RadioButton6, RadioButton14},
                 v.TrackModeButton == 0   ? RadioButton4
                 : v.TrackModeButton == 1 ? RadioButton5
                                          : RadioButton6);
  for (QPushButton* b : {Button11, Button12, Button13, Button14}) b->setEnabled(v.PassedPointsEnabled);
  if (!v.PassedPointsEnabled) {
    PassedPoints[Slot(k)].Frame1.Clear();
    PassedPoints[Slot(k)].Frame2.Clear();
    ShowPassedPoints();
  }
}

// ---- radii and tracking controls ----

void TPlatform::RadiusUpDownClick(int which) {
  if (Run.MeasuringRun) return;
  CheckBox1->setChecked(false);
  const int i = static_cast<int>(Slot(std::clamp(Run.SelectedObject, 1, 3)));
  TUpDown* u = which == 1 ? UpDown1 : which == 2 ? UpDown2 : UpDown3;
  auto field = which == 1 ? &ObjectResult::ApertureRadius
               : which == 2 ? &ObjectResult::BackgroundInner
                            : &ObjectResult::BackgroundOuter;
  SetObjectSetting(Frames.FrameDataLines, i, field, u->Position());
  LimitApertureRadii();
  if (which == 1 && CheckBox3->isChecked() && UpDown1->Position() <= UpDown5->maximum()) {
    UpDown5->SetPosition(UpDown1->Position());
    UpDown5Click();
    return;
  }
  if (!Run.Playing) ShowNeighbor();
}

void TPlatform::TrackWithShownRadius() {
  const size_t i = Slot(std::clamp(Run.SelectedObject, 1, 3));
  SetTrackRadius(Driver.Track[i], Frames.FrameDataLines, i, UpDown5->Position());
}

void TPlatform::UpDown5Click() {
  TrackWithShownRadius();
  if (!Run.MeasuringRun && !Run.Playing) ShowNeighbor();
}

void TPlatform::UpDown7Click() {
  const size_t i = Slot(std::clamp(Run.SelectedObject, 1, 3));
  SetObjectSetting(Frames.FrameDataLines, static_cast<int>(i), &ObjectResult::Threshold, UpDown7->Position());
  Tracking.Profiles[i].MatchThresholdPercent = UpDown7->Position();
}

void TPlatform::TrackModeClick(int mode) {
  if (Run.MeasuringRun) {
    // Refused during a run: the buttons go on showing the mode in use.
    const std::array<QRadioButton*, 4> modes{RadioButton4, RadioButton5, RadioButton6, RadioButton14};
    const uint8_t in_use = Frames.FrameDataLines[0].Objects[Slot(std::clamp(Run.SelectedObject, 1, 3))].TrackMode;
    ShowModeButton(modes, modes[std::min<size_t>(in_use, 3)]);
    return;
  }
  if (!Run.VideoLoaded || Run.DirectionSettingMode) return;
  const bool estimated_ok = RadioButton5->isChecked() && CheckBox15->isChecked();
  if (!estimated_ok) CheckBox4->setChecked(false);
  CheckBox4->setEnabled(estimated_ok);
  const int k = std::clamp(Run.SelectedObject, 1, 3);
  const int i = static_cast<int>(Slot(k));
  if (Frames.FrameDataLines[0].Objects[Slot(k)].TrackMode != mode)
    SetObjectSetting(Frames.FrameDataLines, i, &ObjectResult::TrackMode, static_cast<uint8_t>(mode));
  Position1Show(k);
  const bool drift = mode == 1;
  for (QWidget* w : std::initializer_list<QWidget*>{Button11, Button12, Button13, Button14, Edit40, Edit41})
    w->setEnabled(drift);
  if (k == 2) EnableLinkedTracking();
}

void TPlatform::CheckBox4Click() {
  const size_t i = Slot(std::clamp(Run.SelectedObject, 1, 3));
  const bool on = CheckBox4->isChecked();
  SetObjectSetting(Frames.FrameDataLines, static_cast<int>(i), &ObjectResult::EstimatedTrack, static_cast<uint8_t>(on));
  SyncEstimatedTrack();
}

void TPlatform::SyncEstimatedTrack() {
  const size_t i = Slot(std::clamp(Run.SelectedObject, 1, 3));
  Tracking.PredictTracks[i].Enabled = Frames.FrameDataLines[0].Objects[i].EstimatedTrack != 0 ? 1 : 0;
  if (SetPredictTrack) SetPredictTrack->ShowObjects();
}

void TPlatform::CheckBox6Click() {
  CheckBox11->setEnabled(CheckBox6->isChecked() && Run.ObjectCount >= 3);
  Button23->setEnabled(CheckBox6->isChecked() && Run.ObjectCount >= 2);
  Button25->setEnabled(CheckBox6->isChecked() && Run.ObjectCount >= 2);
}

void TPlatform::EnableLinkedTracking() {
  const bool on = Run.ObjectCount >= 2 && Frames.FrameDataLines[0].Objects[1].TrackMode == 1;
  CheckBox6->setEnabled(on);
  if (!on) CheckBox6->setChecked(false);
  CheckBox6Click();
}

// ---- passed and linked points ----

void TPlatform::SetPassedPoint(int which) {
  if (!Run.VideoLoaded || Run.MeasuringRun) return;
  const size_t i = Slot(std::clamp(Run.SelectedObject, 1, 3));
  const ObjectResult& o = Frames.FrameDataLines[0].Objects[i];
  PassedPointSet& p = PassedPoints[i];
  (which == 1 ? p.Frame1 : p.Frame2) = TrackPoint{ScrollBar1->value(), o.X, o.Y};
  if (p.Frame1.Frame != p.Frame2.Frame && !(p.Frame1.X == p.Frame2.X && p.Frame1.Y == p.Frame2.Y) &&
      p.Frame2.HasFrame() && p.Frame1.Frame > p.Frame2.Frame)
    std::swap(p.Frame1, p.Frame2);
  ShowPassedPoints();
}

void TPlatform::ClearPassedPoint(int which) {
  const size_t i = Slot(std::clamp(Run.SelectedObject, 1, 3));
  (which == 1 ? PassedPoints[i].Frame1 : PassedPoints[i].Frame2).Clear();
  ShowPassedPoints();
}

void TPlatform::ShowPassedPoints() {
  const PassedPointSet& p = PassedPoints[Slot(std::clamp(Run.SelectedObject, 1, 3))];
  Edit40->setText(QString::fromStdString(TrackPointFrameText(p.Frame1, "Frame1")));
  Edit41->setText(QString::fromStdString(TrackPointFrameText(p.Frame2, "Frame2")));
}

void TPlatform::SetLinkedPoint(LinkedPointKind which) {
  if (!Run.VideoLoaded || Run.MeasuringRun || Run.ObjectCount < 2) return;
  std::array<std::array<int32_t, 2>, 3> pos{};
  for (size_t i = 0; i < 3; ++i) pos[i] = {Frames.FrameDataLines[0].Objects[i].X, Frames.FrameDataLines[0].Objects[i].Y};
  SetLinkedPoints(LinkedPoints, which, ScrollBar1->value(), pos);
  if (Edit15) Edit15->setText(QString::number(pos[1][0]));  // object B's point as stored
  if (Edit16) Edit16->setText(QString::number(pos[1][1]));
  ShowLinkedPointFrames();
}

void TPlatform::ShowLinkedPointFrames() {
  Edit11->setText(QString::fromStdString(TrackPointFrameText(LinkedPoints[0].Begin, "Frame1")));
  Edit32->setText(QString::fromStdString(TrackPointFrameText(LinkedPoints[0].End, "Frame2")));
}

void TPlatform::Position1Show(int k) {
  if (k < 1 || k > 3) return;
  const ObjectResult& o = Frames.FrameDataLines[0].Objects[Slot(k)];
  Edit12->setText(QString::number(o.X));
  Edit13->setText(QString::number(o.Y));
}

void TPlatform::OpenSetPredictTrack() {
  RaiseOrShow(SetPredictTrack, [this] { return new TSetPredictTrack(*this, this); });
}
