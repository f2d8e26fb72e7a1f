// Main window: the per-frame driver's tracking and profile-fit steps. The
// tracking core does the work; the window hands it the options its controls
// show and takes back what a frame changed (the shown position and automatic
// radii come in the frame's outcome).
#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>

#include "base/ui/ControlEvents.h"
#include "app/ui/TPlatform.h"
#include "measure/StarTracking.h"

bool TPlatform::VideoNeedsPixelAspectCorrection() const {
  return NeedsPixelAspectCorrection(Video.VideoFrameRate, Video.FrameWidth, Video.FrameHeight, Options.TimeStampMode);
}

void TPlatform::PrepareTracking(FrameDriverSettings& s) {
  s.Link = CheckBox6->isChecked();
  s.ProfileTracking = CheckBox15->isChecked();
  s.Signals.Signal1.X = Marks.Signal1X;
  s.Signals.Signal1.Y = Marks.Signal1Y;
  s.Signals.Signal2X = Marks.Signal2X;
  s.Signals.Signal2Y = Marks.Signal2Y;

  TrackingOpts.EstimatedTrackChecked = CheckBox4->isChecked();
  TrackingOpts.Rotate = CheckBox11->isChecked();
  TrackingOpts.FrameRateRounded = Video.FrameRateRounded;
  TrackingOpts.PixelAspectCorrection = VideoNeedsPixelAspectCorrection();
  TrackingOpts.SaturationLevel = Options.SaturationLevel;
  TrackingOpts.SaturatedPeakStart = Options.SaturatedPeakStart;
  TrackingOpts.SmoothingIndex = std::max(0, RadioGroup1->ItemIndex());
  TrackingOpts.StoreLostAsFrame2 = CheckBox17->isChecked();
  TrackingOpts.FixedWidth = CheckBox9->isChecked();
  TrackingOpts.LowerPercent = UpDown15->Position();
  TrackingOpts.UpperPercent = UpDown16->Position();
  // The selected object's profile threshold follows UpDown7.
  const size_t i = static_cast<size_t>(std::clamp(Run.SelectedObject, 1, 3) - 1);
  Tracking.Profiles[i].MatchThresholdPercent = UpDown7->Position();
  Display.OverlayDrawn = false;
  if (!track_masks_built_) {
    // The tracking disks start from the tracking radius the window opened with.
    for (TrackDisk& d : Driver.Track) {
      ClearTrackMask(d);
      BuildTrackMask(d, UpDown5->Position(), 1);
    }
    track_masks_built_ = true;
  }
}

void TPlatform::FinishTracking(const FrameOutcome& out) {
  if (const std::optional<int> radius = out.AutoApertureRadius()) {
    // The refit set the selected object's radii; the up-downs show them.
    const int r = *radius;
    UpDown1->SetRange(0, 25);
    UpDown2->SetRange(0, 25);
    UpDown1->SetPosition(r);
    UpDown2->SetPosition(r + 2);
    if (CheckBox3->isChecked() && r <= UpDown5->maximum()) UpDown5->SetPosition(r);
    LimitApertureRadii();
  }
  if (out.ShownPosition) {
    Edit7->setText(QString::number(out.ShownPosition->X));
    Edit8->setText(QString::number(out.ShownPosition->Y));
  }
}
